#include "imaging/dib_section.h"

#include <cstring>
#include <limits>
#include <new>

bool cDIBSection::Create(int32_t width, int32_t height) {
  ClearUp();
  width_ = width;
  height_ = height;
  // 24-bit rows of more than INT32_MAX bytes cannot be addressed by the 32-bit size fields.
  if (width <= 0 || height <= 0 || width > (std::numeric_limits<int32_t>::max() - 3) / 3 ||
      static_cast<int64_t>(Bytes_Per_Scan_Line_For(width)) * height > std::numeric_limits<int32_t>::max())
    return false;
  bits_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(SizeImage())]);
  if (!bits_) return false;
  std::memset(bits_.get(), 0, static_cast<size_t>(SizeImage()));
  return true;
}

void cDIBSection::ClearUp() { bits_.reset(); }

void cDIBSection::Fill_with_RGB(uint32_t colour) {
  if (!bits_) return;
  const uint8_t red = colour & 0xFFU;
  const uint8_t green = (colour >> 8U) & 0xFFU;
  const uint8_t blue = (colour >> 16U) & 0xFFU;
  for (int32_t y = 0; y < height_; ++y) {
    uint8_t* p = Row(y);
    for (int32_t x = 0; x < width_; ++x, p += 3) {
      p[0] = blue;
      p[1] = green;
      p[2] = red;
    }
  }
}
