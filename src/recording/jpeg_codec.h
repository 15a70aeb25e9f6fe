#pragma once
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class cDIBSection;

// Outcome of an encode that does not throw.
enum class Jpeg_Encode_Status { Ok, Too_Large, Failed };

struct Jpeg_Encode_Result {
  Jpeg_Encode_Status status = Jpeg_Encode_Status::Failed;
  int32_t size = 0; // bytes of JPEG written to the caller's buffer (Ok only)
  QString message;  // why it failed, empty on success
  bool ok() const { return status == Jpeg_Encode_Status::Ok; }
};

// Number of the errors the encoder raises.
inline constexpr int16_t Jpeg_Error_Number = 513;

// Limits on the picture size a stream may claim before any memory is taken for it.
inline constexpr int32_t Jpeg_Max_Side = 16384;
inline constexpr int64_t Jpeg_Max_Pixels = 40'000'000;

// The largest picture a decode accepts; callers that know the picture to expect pass tighter ones.
struct Jpeg_Size_Limit {
  int32_t max_width = Jpeg_Max_Side;
  int32_t max_height = Jpeg_Max_Side;
  int64_t max_pixels = Jpeg_Max_Pixels;
};

// Between a bottom-up 24-bit surface and a JPEG stream in memory (4:2:0 YCbCr by default, 4:2:2
// for interlaced pictures; greyscale too on reading). Holds one compressor, one decompressor and
// one scratch buffer, all reused from call to call. One object per thread: objects share
// nothing, so several may work at once.
class Jpeg_Codec {
public:
  Jpeg_Codec();
  ~Jpeg_Codec();
  Jpeg_Codec(const Jpeg_Codec&) = delete;
  Jpeg_Codec& operator=(const Jpeg_Codec&) = delete;
  Jpeg_Codec(Jpeg_Codec&& other) noexcept;
  Jpeg_Codec& operator=(Jpeg_Codec&& other) noexcept;

  // Decodes `length` bytes at `jpeg` into `dib`, recreated at the stream's size when its size
  // differs. True only when the whole image decoded without a warning: a truncated or damaged
  // stream gives false (the surface may then hold a partial picture). Only a stream whose
  // parameters cannot be read shows "Failed to read JPG"; other failures are traced. A stream
  // claiming a picture beyond `limit` is refused before any memory is taken, quietly.
  bool Decode_JPEG(cDIBSection& dib, const uint8_t* jpeg, int32_t length, const Jpeg_Size_Limit& limit = {});
  // The same for worker threads: never a prompt nor an error report, nothing thrown; `why`
  // says what failed.
  bool Decode_Quietly(cDIBSection& dib, const uint8_t* jpeg, int32_t length, const Jpeg_Size_Limit& limit,
                      QString& why) noexcept;

  // Encodes `dib` into `out`, whose capacity is `size` bytes, at `quality` (clamped to 1..100).
  // On success `size` becomes the JPEG's size. Nothing is ever written past the capacity.
  // Failures, a JPEG too large for the buffer among them, throw Dora_Error.
  bool Encode_JPEG(const cDIBSection& dib, uint8_t* out, int32_t& size, int32_t quality);

  // The same without exceptions, for callers on worker threads.
  Jpeg_Encode_Result Encode_To_Buffer(const cDIBSection& dib, uint8_t* out, int32_t capacity, int32_t quality) noexcept;

  // 4:2:2 keeps the colour of every picture row apart from its neighbours': an interlaced
  // picture's two fields then keep their own colours. Still baseline JPEG.
  void set_Chroma_Per_Row(bool on) { chroma_per_row_ = on; }
  bool Chroma_Per_Row() const { return chroma_per_row_; }

  static int32_t Clamp_Quality(int32_t quality) { return quality < 1 ? 1 : (quality > 100 ? 100 : quality); }

private:
  struct Handle_Deleter {
    void operator()(void* handle) const noexcept;
  };
  using Handle = std::unique_ptr<void, Handle_Deleter>;

  bool Have_Compressor(QString& why) noexcept;
  bool Have_Decompressor(QString& why) noexcept;
  // `shown`: the text of the box the user-interface decode shows for this failure.
  bool Decode_Body(cDIBSection& dib, const uint8_t* jpeg, int32_t length, const Jpeg_Size_Limit& limit, QString& why,
                   QString& shown);

  Handle compressor_;
  Handle decompressor_;
  std::vector<uint8_t> scratch_; // for JPEGs bound for buffers smaller than the worst case
  bool chroma_per_row_ = false;
};
