#pragma once
// The writer's pure pieces: slot sizing, the quality steps, turning a captured frame into a
// whole frame record, writing bytes to a device, and the pipeline that encodes frames on
// several threads and hands the records back in their order.
#include "imaging/dib_section.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CVideobuff_RGB;
class Frame_List;
class QIODevice;

namespace qn3 {

// The largest slot whose record a reader can still measure from the markers, to whole 1000s.
inline constexpr int32_t Max_Slot_Size = (Max_Measurable_Record - Record_Overhead) / 1000 * 1000;
// Capacity of the encoder's buffer when sizing: larger JPEGs fail to encode.
inline constexpr int32_t Sizing_Buffer_Capacity = 999'999;

// S from the largest sample JPEG: m + 5000 to the nearest 1000 (halves up), within the limit.
int32_t Slot_Size_For(int32_t largest_jpeg);
// 1-based positions sampled for sizing among `count` buffers: count - 1, count / 2 (to the
// nearest, ties to even) and 2, each once; with fewer than 3 buffers, the ones there are.
std::vector<int32_t> Sizing_Sample_Positions(int32_t count);
// The next quality after a JPEG did not fit: 85 % to the nearest integer (ties to even), but
// always lower than `quality` and never below 1.
int32_t Reduced_Quality(int32_t quality);

enum class Fit_Status { Fitted, Does_Not_Fit, Failed };
struct Fit_Result {
  Fit_Status status = Fit_Status::Failed;
  int32_t quality = 0;
  int32_t size = 0;
  QString message;
};

// One thread's encoder: a codec and the surface a captured picture is loaded into. Interlaced
// pictures are encoded 4:2:2, so that neither field takes colour from the other.
class Frame_Encoder {
public:
  Frame_Encoder(int32_t width, int32_t height, bool interlaced = false);
  bool Interlaced() const { return codec_.Chroma_Per_Row(); }
  int32_t Width() const { return work_.Width(); }
  int32_t Height() const { return work_.Height(); }
  // The frame's raw picture into the work surface. False with a reason when the buffer holds
  // less than the picture or there is no picture size.
  bool Load(const CVideobuff_RGB& frame, QString& why);
  Jpeg_Encode_Result Encode(uint8_t* out, int32_t capacity, int32_t quality) noexcept {
    return codec_.Encode_To_Buffer(work_, out, capacity, quality);
  }
  // Encodes at `initial_quality`, lowering the quality until the JPEG fits `capacity` bytes
  // or quality 1 does not fit either. Never writes past `capacity`.
  Fit_Result Encode_To_Fit(uint8_t* out, int32_t capacity, int32_t initial_quality) noexcept;

private:
  Jpeg_Codec codec_;
  cDIBSection work_;
};

// A whole record (Record_Size_For_Slot(slot_size) bytes at `record`) for one captured frame:
// time stamps from the frame, the JPEG fitted into the slot, zeros after it, the markers.
// The record's bytes are complete only when the result is Fitted.
Fit_Result Encode_Frame_Record(Frame_Encoder& encoder, const CVideobuff_RGB& frame, int32_t initial_quality,
                               int32_t slot_size, uint8_t* record) noexcept;

// All `size` bytes to the device at its position, then flushed when it is a file. Throws
// Dora_Error(75) naming `what` and the device's own reason when any byte is refused.
void Write_All(QIODevice& device, const uint8_t* data, int64_t size, const QString& what);

// Where an append pass writes on a file of `file_length` bytes with records of `record_size`
// (0: none yet): right after the last complete record, so that a record cut short by an
// earlier failure is overwritten instead of shifting every later record.
struct Append_Point {
  int64_t offset = Header_Block_Size;
  int32_t complete_records = 0;
};
Append_Point Append_Point_For(int64_t file_length, int64_t record_size);

// How an append pass goes on with a file of `file_length` bytes whose first bytes measured
// `layout`. `header_slot` is the slot the file's header names and `pass_slot` the slot this
// pass already writes (each 0 when there is none). A record size is trusted only when a second
// witness confirms it (the first record's descriptor agreeing with the marker distance, the
// header's slot or the pass's); a tail that may hold a complete frame is never cut on a guess.
enum class Append_Refusal {
  None,
  Unmeasured, // bytes after the header that may be frames, and no trusted record size
  Other_Slot  // the file's records are not of the pass's slot
};
struct Append_Plan {
  Append_Refusal refusal = Append_Refusal::None;
  int64_t offset = Header_Block_Size; // where the next record goes; anything behind it is cut
  int32_t complete_records = 0;
  int32_t slot = 0;        // of the records in the file; 0 when it holds none
  int64_t record_size = 0; // of the records in the file; 0 when it holds none
};
Append_Plan Plan_Append(const Record_Layout& layout, int64_t file_length, int32_t header_slot, int32_t pass_slot);

struct Encoded_Frame {
  int32_t position = 0; // in the frame list
  Fit_Result fit;
  const uint8_t* record = nullptr; // Record_Size_For_Slot(slot_size) bytes, whole when Fitted
  int32_t slot_size = 0;
};

// Encodes the frames at `positions` of `frames` on `threads` threads (1: on the caller's
// thread, one frame per Next) and hands them back in order. A fixed number of records are in
// flight, so memory does not grow with the number of frames. The list must not change while
// this object lives.
class Ordered_Encoder {
public:
  Ordered_Encoder(const Frame_List& frames, std::vector<int32_t> positions, int32_t width, int32_t height,
                  int32_t initial_quality, int32_t slot_size, int32_t threads, bool interlaced = false);
  ~Ordered_Encoder();
  Ordered_Encoder(const Ordered_Encoder&) = delete;
  Ordered_Encoder& operator=(const Ordered_Encoder&) = delete;

  int32_t Count() const { return static_cast<int32_t>(positions_.size()); }
  // The next frame in order; its record stays valid until the next call. Call at most Count times.
  const Encoded_Frame& Next();

private:
  struct Slot {
    std::vector<uint8_t> record;
    Encoded_Frame frame;
    int32_t holds = -1; // index into positions_ whose result the slot holds
  };
  void Work();
  void Encode_Into(Frame_Encoder& encoder, int32_t index, Slot& slot);
  void Stop() noexcept;

  const Frame_List& frames_;
  std::vector<int32_t> positions_;
  int32_t width_;
  int32_t height_;
  int32_t quality_;
  int32_t slot_size_;
  bool interlaced_;
  std::vector<Slot> slots_;
  std::unique_ptr<Frame_Encoder> inline_encoder_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable freed_;
  int32_t next_to_take_ = 0; // next index a worker encodes
  int32_t consumed_ = 0;     // indices the caller is done with
  int32_t handed_ = 0;       // indices handed to the caller
  bool stopping_ = false;
};

// Threads for an append pass: `requested` when above 0, else one per core; 1 to 8.
int32_t Pass_Threads(int32_t requested);

} // namespace qn3
