#include "recording/live_slit.h"

#include <algorithm>

void Live_Slit::Start(const Slit_Line& line, int32_t width, int32_t height, bool interlaced) {
  Clear();
  samples_ = Slit_Samples(line, width, height, false);
  width_ = width;
  height_ = height;
  stride_ = (int64_t{std::max(width, 0)} * 3 + 3) & ~int64_t{3};
  interlaced_ = interlaced && height >= 2;
  pixels_.reserve(samples_.size() * 3 * 512);
}

void Live_Slit::Clear() {
  samples_.clear();
  pixels_.clear();
  width_ = height_ = 0;
  stride_ = 0;
  columns_ = 0;
  added_ = 0;
}

bool Live_Slit::Add_Frame(const uint8_t* bits, int64_t length) {
  if (samples_.empty() || !bits || length < stride_ * height_) return false;
  const size_t column_bytes = samples_.size() * 3;
  const int32_t fields = interlaced_ ? 2 : 1;
  if (columns_ + fields > Most_Columns) {
    // Half the kept columns go at once, so that dropping stays rare.
    const int32_t drop = columns_ / 2;
    pixels_.erase(pixels_.begin(), pixels_.begin() + static_cast<std::ptrdiff_t>(drop * column_bytes));
    columns_ -= drop;
  }
  for (int16_t field = 1; field <= fields; ++field) {
    const size_t at = pixels_.size();
    pixels_.resize(at + column_bytes);
    uint8_t* out = pixels_.data() + at;
    for (const Slit_Sample& s : samples_) {
      const int32_t y = interlaced_ ? Field_Row(s.y, field, height_) : s.y;
      const uint8_t* bgr = bits + (height_ - 1 - y) * stride_ + int64_t{s.x} * 3;
      out[0] = bgr[2];
      out[1] = bgr[1];
      out[2] = bgr[0];
      out += 3;
    }
    ++columns_;
    ++added_;
  }
  return true;
}

QImage Live_Slit::Newest(int32_t count) const {
  if (Is_Empty() || count <= 0) return {};
  const int32_t shown = std::min(count, columns_);
  const int32_t first = columns_ - shown;
  QImage picture(shown, Rows(), QImage::Format_RGB888);
  if (picture.isNull()) return {};
  const size_t column_bytes = samples_.size() * 3;
  for (int32_t r = 0; r < Rows(); ++r) {
    uint8_t* out = picture.scanLine(r);
    const uint8_t* in = pixels_.data() + static_cast<size_t>(first) * column_bytes + static_cast<size_t>(r) * 3;
    for (int32_t c = 0; c < shown; ++c, out += 3, in += column_bytes)
      std::copy(in, in + 3, out);
  }
  return picture;
}
