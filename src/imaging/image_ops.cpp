#include "imaging/image_ops.h"

#include <algorithm>
#include <cstring>

namespace {

// A square tile keeps the strided side of the turn inside the first-level cache.
constexpr int32_t tile = 32;

inline void copy_pixel(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 3); }

} // namespace

bool Rotate90(const uint8_t* source_bits, uint8_t* target_bits, int32_t source_width, int32_t source_height,
              int32_t /*reserved*/) {
  if (!source_bits || !target_bits || source_bits == target_bits || source_width <= 0 || source_height <= 0)
    return false;
  const std::ptrdiff_t source_line = cDIBSection::Bytes_Per_Scan_Line_For(source_width);
  const std::ptrdiff_t target_line = cDIBSection::Bytes_Per_Scan_Line_For(source_height);
  // In memory (rows bottom-up) a clockwise turn reads: target row r, pixel x <- source row x,
  // pixel (source width - 1 - r).
  const int32_t target_rows = source_width;
  const int32_t target_cols = source_height;
  for (int32_t r0 = 0; r0 < target_rows; r0 += tile) {
    const int32_t r1 = std::min(r0 + tile, target_rows);
    for (int32_t x0 = 0; x0 < target_cols; x0 += tile) {
      const int32_t x1 = std::min(x0 + tile, target_cols);
      for (int32_t r = r0; r < r1; ++r) {
        uint8_t* to = target_bits + r * target_line + 3 * x0;
        const uint8_t* from = source_bits + x0 * source_line + 3 * static_cast<std::ptrdiff_t>(source_width - 1 - r);
        for (int32_t x = x0; x < x1; ++x, to += 3, from += source_line)
          copy_pixel(to, from);
      }
    }
  }
  return true;
}

bool deinterlaceFrame2(const uint8_t* source_bits, uint8_t* target_bits, int32_t width, int32_t height,
                       int32_t field_selector) {
  if (!source_bits || !target_bits || source_bits == target_bits || width <= 0 || height <= 0) return false;
  if (field_selector != 1 && field_selector != 2) return false;
  const std::ptrdiff_t line = cDIBSection::Bytes_Per_Scan_Line_For(width);
  const auto row_bytes = static_cast<size_t>(width) * 3;
  const bool top_field = field_selector == 2;
  for (int32_t y = 0; y < height; ++y) {
    // Picture rows: the top field holds 0, 2, 4, ..., the other 1, 3, 5, ...
    int32_t from = top_field ? (y & ~1) : (y | 1);
    if (from >= height) from = height >= 2 ? height - 2 : 0;
    std::memcpy(target_bits + (height - 1 - y) * line, source_bits + (height - 1 - from) * line, row_bytes);
  }
  return true;
}

bool Rotate90(const cDIBSection& source, cDIBSection& target) {
  if (source.Is_Empty() || &source == &target) return false;
  if (target.Is_Empty() || target.Width() != source.Height() || target.Height() != source.Width())
    if (!target.Create(source.Height(), source.Width())) return false;
  return Rotate90(source.DIBSectionBitsPtr(), target.DIBSectionBitsPtr(), source.Width(), source.Height(), 0);
}

bool deinterlaceFrame2(const cDIBSection& source, cDIBSection& target, int32_t field_selector) {
  if (source.Is_Empty() || &source == &target) return false;
  if (field_selector != 1 && field_selector != 2) return false;
  if (target.Is_Empty() || target.Width() != source.Width() || target.Height() != source.Height())
    if (!target.Create(source.Width(), source.Height())) return false;
  return deinterlaceFrame2(source.DIBSectionBitsPtr(), target.DIBSectionBitsPtr(), source.Width(), source.Height(),
                           field_selector);
}

int32_t BlendVersion() { return 200; }
