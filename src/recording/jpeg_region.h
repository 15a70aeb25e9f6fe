#pragma once
// Part of a JPEG picture through libjpeg-turbo's libjpeg interface: the rows above the region
// are skipped without their colour conversion, only the iMCU columns the region touches are
// transformed, and the rows below it are never read. What a slit along the goal line needs of a
// picture is a narrow band, a small part of decoding the whole.
#include <cstdint>
#include <memory>
#include <vector>

class Jpeg_Region_Decoder {
public:
  Jpeg_Region_Decoder();
  ~Jpeg_Region_Decoder();
  Jpeg_Region_Decoder(const Jpeg_Region_Decoder&) = delete;
  Jpeg_Region_Decoder& operator=(const Jpeg_Region_Decoder&) = delete;

  enum class Outcome { Ok, Damaged, Wrong_Size, Bad_Region };
  // Decodes picture rows top..bottom and at least columns left..right (inclusive) of a stream that
  // must hold a picture of exactly width x height. A damaged stream may leave part of the
  // region decoded; its pixels are then whatever the decoder made of it.
  Outcome Decode(const uint8_t* jpeg, int32_t length, int32_t width, int32_t height, int32_t left, int32_t top,
                 int32_t right, int32_t bottom);

  // Blue, green, red of picture pixel (x, y), which must lie in the last region decoded.
  const uint8_t* Pixel(int32_t x, int32_t y) const {
    return rows_.data() + static_cast<size_t>(y - top_) * stride_ + static_cast<size_t>(x - span_left_) * 3;
  }
  // The first and one past the last picture column decoded (whole iMCUs round the region).
  int32_t Span_Left() const { return span_left_; }
  int32_t Span_Right() const { return span_left_ + span_width_; }

private:
  struct Jpeg;
  std::unique_ptr<Jpeg> jpeg_;
  std::vector<uint8_t> rows_;
  size_t stride_ = 0;
  int32_t top_ = 0;
  int32_t span_left_ = 0;
  int32_t span_width_ = 0;
};
