// Uncompressed layouts, converted through libyuv with the Y'CbCr matrix and range the format
// carries (what the driver reported).
#include "capture/crop_convert.h"

#include "capture/crop_convert_detail.h"
#include "imaging/dib_section.h"

#include <algorithm>
#include <cstring>

#include <libyuv/convert_argb.h>
#include <libyuv/cpu_id.h>
#include <libyuv/planar_functions.h>
#include <libyuv/row.h>

namespace {

// Bytes of one row's pixels without padding. Packed 4:2:2 rows and NV12's chroma rows hold whole
// pixel pairs: a picture of odd width still has the last pair's chroma, which is read.
int64_t Row_Bytes(const Video_Format& f) {
  const int64_t pairs = (int64_t{f.width} + 1) / 2;
  switch (f.pixel_format) {
  case Pixel_Format::BGR24_Bottom_Up:
  case Pixel_Format::RGB24:
  case Pixel_Format::BGR24: return int64_t{f.width} * 3;
  case Pixel_Format::YUYV:
  case Pixel_Format::UYVY: return pairs * 4;
  case Pixel_Format::NV12: return pairs * 2;
  case Pixel_Format::MJPEG: return 0;
  }
  return 0;
}

int64_t Default_Stride(const Video_Format& f) {
  if (f.pixel_format == Pixel_Format::BGR24_Bottom_Up) return cDIBSection::Bytes_Per_Scan_Line_For(f.width);
  return Row_Bytes(f);
}

// libyuv's "RGB24" is blue, green, red in memory: the surface's own order.
const libyuv::YuvConstants* Constants_For(const Video_Format& f) {
  const bool bt709 = Resolved_Matrix(f) == Yuv_Matrix::BT709;
  if (bt709) return f.full_range ? &libyuv::kYuvF709Constants : &libyuv::kYuvH709Constants;
  return f.full_range ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants;
}

// Packed 4:2:2 goes through libyuv's row functions: its whole-picture forms have no matrix
// argument for these layouts, and splitting into planes first costs a pass. The bulk of a row
// goes to the kernels themselves, since their "any width" wrappers measured a third slower on
// a whole row; the wrappers only take the tail.
using Packed_Row = void (*)(const uint8_t*, uint8_t*, const libyuv::YuvConstants*, int);
using Argb_Row = void (*)(const uint8_t*, uint8_t*, int);
struct Packed_Rows {
  Packed_Row yuyv, uyvy, yuyv_tail, uyvy_tail;
  Argb_Row to_bgr, to_bgr_tail;
  int32_t packed_multiple, bgr_multiple; // pixels the kernels take at a time
};
const Packed_Rows& Rows_For_This_Cpu() {
  static const Packed_Rows rows = libyuv::TestCpuFlag(libyuv::kCpuHasAVX2)
                                      ? Packed_Rows{libyuv::YUY2ToARGBRow_AVX2,
                                                    libyuv::UYVYToARGBRow_AVX2,
                                                    libyuv::YUY2ToARGBRow_Any_AVX2,
                                                    libyuv::UYVYToARGBRow_Any_AVX2,
                                                    libyuv::ARGBToRGB24Row_AVX2,
                                                    libyuv::ARGBToRGB24Row_Any_SSSE3,
                                                    16,
                                                    32}
                                      : Packed_Rows{libyuv::YUY2ToARGBRow_C,
                                                    libyuv::UYVYToARGBRow_C,
                                                    libyuv::YUY2ToARGBRow_C,
                                                    libyuv::UYVYToARGBRow_C,
                                                    libyuv::ARGBToRGB24Row_C,
                                                    libyuv::ARGBToRGB24Row_C,
                                                    1,
                                                    1};
  return rows;
}

// `width` pixels of packed 4:2:2 from an even pixel, through `argb`, to blue, green, red.
void Convert_Packed_Row(bool yuyv, const uint8_t* from, uint8_t* argb, uint8_t* out,
                        const libyuv::YuvConstants* constants, int32_t width) {
  const Packed_Rows& rows = Rows_For_This_Cpu();
  const int32_t bulk = width - width % rows.packed_multiple;
  if (bulk > 0) (yuyv ? rows.yuyv : rows.uyvy)(from, argb, constants, bulk);
  if (bulk < width)
    (yuyv ? rows.yuyv_tail : rows.uyvy_tail)(from + int64_t{bulk} * 2, argb + int64_t{bulk} * 4, constants,
                                             width - bulk);
  const int32_t bgr_bulk = width - width % rows.bgr_multiple;
  if (bgr_bulk > 0) rows.to_bgr(argb, out, bgr_bulk);
  if (bgr_bulk < width) rows.to_bgr_tail(argb + int64_t{bgr_bulk} * 4, out + int64_t{bgr_bulk} * 3, width - bgr_bulk);
}

// Buffer row (top-down) that holds picture row y: bottom-first frames swap the rows of each pair
// so the crop's even rows are the earlier field; sequential fields are woven.
int64_t Buffer_Row(const Video_Format& f, int32_t y) {
  switch (f.field_order) {
  case Field_Order::Interlaced_Bottom_First: return (y ^ 1) < f.height ? (y ^ 1) : y;
  case Field_Order::Sequential_Top_First:
  case Field_Order::Sequential_Bottom_First: return (y & 1) ? (f.height + 1) / 2 + y / 2 : y / 2;
  case Field_Order::Progressive:
  case Field_Order::Interlaced_Top_First: break;
  }
  return y;
}

// NV12's chroma row for picture row y, woven the same way.
int64_t Chroma_Row(const Video_Format& f, int32_t y) {
  const int64_t rows = (f.height + 1) / 2;
  int64_t row = y / 2;
  if (f.field_order == Field_Order::Sequential_Top_First || f.field_order == Field_Order::Sequential_Bottom_First) {
    const int64_t field_rows = (f.height / 2 + 1) / 2;
    row = (y & 1) * field_rows + (y / 2) / 2;
  } else if (f.field_order == Field_Order::Interlaced_Bottom_First) {
    row = Buffer_Row(f, y) / 2;
  }
  return std::min(row, rows - 1);
}

// Calls `each(r, count, step, buffer_row, buffer_step)` for runs of crop rows r, r + step, ...
// whose buffer rows advance by a fixed step, so that one call converts a run. Swapped and woven
// fields advance steadily only within one parity.
template <typename Each> void For_Each_Run(const Video_Format& f, int32_t y0, int32_t h, Each&& each) {
  const int32_t step =
      f.field_order == Field_Order::Progressive || f.field_order == Field_Order::Interlaced_Top_First ? 1 : 2;
  for (int32_t phase = 0; phase < std::min(step, h); ++phase) {
    for (int32_t r = phase; r < h;) {
      const int64_t b = Buffer_Row(f, y0 + r);
      int32_t n = 1;
      int64_t delta = 0;
      if (r + step < h) {
        delta = Buffer_Row(f, y0 + r + step) - b;
        n = 2;
        while (r + n * step < h && Buffer_Row(f, y0 + r + n * step) - b == n * delta)
          ++n;
      }
      each(r, n, step, b, delta);
      r += n * step;
    }
  }
}

} // namespace

Yuv_Matrix Resolved_Matrix(const Video_Format& format) {
  if (format.yuv_matrix != Yuv_Matrix::By_Size) return format.yuv_matrix;
  return format.height >= 720 ? Yuv_Matrix::BT709 : Yuv_Matrix::BT601;
}

int64_t Frame_Bytes_Needed(const Video_Format& format) {
  if (format.width <= 0 || format.height <= 0 || format.pixel_format == Pixel_Format::MJPEG) return 0;
  const int64_t stride = format.stride > 0 ? format.stride : Default_Stride(format);
  // The last row need not carry its padding.
  int64_t bytes = stride * (format.height - 1) + Row_Bytes(format);
  if (format.pixel_format == Pixel_Format::NV12) bytes = stride * format.height + stride * ((format.height + 1) / 2);
  return bytes;
}

bool Crop_Converter::Convert(const Video_Format& format, const uint8_t* data, int32_t length, int32_t x0, int32_t y0,
                             cDIBSection& into, QString& error) {
  const int32_t w = into.Width();
  const int32_t h = into.Height();
  if (into.Is_Empty() || w <= 0 || h <= 0) {
    error = QStringLiteral("No crop surface");
    return false;
  }
  if (x0 < 0 || y0 < 0 || int64_t{x0} + w > format.width || int64_t{y0} + h > format.height) {
    error = QStringLiteral("The crop %1 x %2 at (%3, %4) does not fit the %5 x %6 frame")
                .arg(w)
                .arg(h)
                .arg(x0)
                .arg(y0)
                .arg(format.width)
                .arg(format.height);
    return false;
  }
  if (!data || length <= 0) {
    error = QStringLiteral("Empty frame");
    return false;
  }
  if (format.pixel_format == Pixel_Format::MJPEG) return Convert_Mjpeg(format, data, length, x0, y0, into, error);

  const int64_t stride = format.stride > 0 ? format.stride : Default_Stride(format);
  const int64_t needed = Frame_Bytes_Needed(format);
  if (stride < Row_Bytes(format) || length < needed) {
    error = QStringLiteral("Frame of %1 bytes is shorter than its format needs (%2 bytes)").arg(length).arg(needed);
    return false;
  }
  const auto row_bytes = static_cast<size_t>(w) * 3;
  const libyuv::YuvConstants* constants = Constants_For(format);
  // 4:2:2 and 4:2:0 are converted from the pair the crop starts in; a crop starting on a pair's
  // second pixel goes through a scratch row and drops the first pixel.
  const int32_t start = x0 & ~1;
  const int32_t span = x0 + w - start;
  const bool shifted = start != x0;
  if (format.pixel_format == Pixel_Format::YUYV || format.pixel_format == Pixel_Format::UYVY) {
    planes_.resize(static_cast<size_t>(span) * 4 + 64);
  }
  if (shifted) scratch_.resize(static_cast<size_t>(span) * 3);
  if (format.pixel_format == Pixel_Format::RGB24) {
    // A call per run, not per row: libyuv's per-call setup is dear against a crop-wide row.
    const std::ptrdiff_t surface_step = h > 1 ? into.Row(1) - into.Row(0) : 0;
    For_Each_Run(format, y0, h, [&](int32_t r, int32_t n, int32_t step, int64_t b, int64_t delta) {
      libyuv::RAWToRGB24(data + b * stride + int64_t{x0} * 3, static_cast<int>(delta * stride), into.Row(r),
                         static_cast<int>(surface_step * step), w, n);
    });
    return true;
  }
  for (int32_t r = 0; r < h; ++r) {
    const int32_t y = y0 + r; // picture row, 0 at the top
    const int64_t b = Buffer_Row(format, y);
    uint8_t* out = into.Row(r);
    uint8_t* yuv_out = shifted ? scratch_.data() : out;
    const uint8_t* row = data + b * stride;
    switch (format.pixel_format) {
    case Pixel_Format::BGR24_Bottom_Up:
      std::memcpy(out, data + (format.height - 1 - b) * stride + int64_t{x0} * 3, row_bytes);
      break;
    case Pixel_Format::BGR24: std::memcpy(out, row + int64_t{x0} * 3, row_bytes); break;
    case Pixel_Format::YUYV:
    case Pixel_Format::UYVY:
      Convert_Packed_Row(format.pixel_format == Pixel_Format::YUYV, row + int64_t{start} * 2, planes_.data(), yuv_out,
                         constants, span);
      break;
    case Pixel_Format::NV12:
      libyuv::NV12ToRGB24Matrix(row + start, 0, data + stride * format.height + Chroma_Row(format, y) * stride + start,
                                0, yuv_out, 0, constants, span, 1);
      break;
    case Pixel_Format::RGB24:
    case Pixel_Format::MJPEG: break;
    }
    if (shifted && format.pixel_format != Pixel_Format::BGR24_Bottom_Up && format.pixel_format != Pixel_Format::BGR24 &&
        format.pixel_format != Pixel_Format::RGB24)
      std::memcpy(out, scratch_.data() + 3, row_bytes);
  }
  return true;
}
