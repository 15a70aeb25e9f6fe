// Uncompressed layouts. The YUV formats use the BT.601 matrix with limited range (Y 16-235,
// Cb/Cr 16-240): that is the Y'CbCr encoding V4L2 defines for the sRGB colour space USB video
// class devices report, and what HDMI capture chips deliver for their YUV outputs.
#include "capture/crop_convert.h"

#include "capture/crop_convert_detail.h"
#include "capture/crop_convert_simd.h"
#include "imaging/dib_section.h"

#include <algorithm>
#include <cstring>

namespace {

// The plain row conversions; crop_convert_simd.cpp does the bulk of a row where AVX2 is at hand,
// which the per-frame time budget needs on a 1920 x 1080 source.

inline uint8_t Clamp8(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// The high 16 bits of a signed product, as the vector multiply gives them.
inline int32_t High(int32_t a, int32_t k) { return (a * k) >> 16; }

// One pixel from Y, Cb, Cr, written blue, green, red (crop_convert_simd.h has the arithmetic).
inline void Yuv_To_Bgr(int32_t y, int32_t u, int32_t v, uint8_t* out) {
  using namespace yuv_fixed;
  const int32_t yt = ((y * 257 * Y_Scale) >> 16) - Y_Bias;
  const int32_t d = (u - 128) * 256;
  const int32_t e = (v - 128) * 256;
  out[0] = Clamp8((yt + 2 * High(d, B_U) + Half) >> 6);
  out[1] = Clamp8((yt - (High(d, G_U) + High(e, G_V)) + Half) >> 6);
  out[2] = Clamp8((yt + High(e, R_V) + Half) >> 6);
}

void Swap_Red_Blue_Row(const uint8_t* src, int64_t readable, int32_t width, uint8_t* out) {
  const int32_t done = Have_Avx2() ? Swap_Red_Blue_Avx2(src, readable, width, out) : 0;
  for (int32_t x = done; x < width; ++x) {
    out[3 * x] = src[3 * x + 2];
    out[3 * x + 1] = src[3 * x + 1];
    out[3 * x + 2] = src[3 * x];
  }
}

// `pairs` whole pixel pairs of packed 4:2:2; Y0, U, V are the byte positions inside a pair
// (YUYV: 0/2, 1, 3; UYVY: 1/3, 0, 2).
template <int Y0, int U, int V> void Packed_422_Pairs(const uint8_t* src, int32_t pairs, uint8_t* out) {
  const int32_t done = Have_Avx2() ? Packed_422_Pairs_Avx2(src, pairs, Y0 == 1, out) : 0;
  for (int32_t i = done; i < pairs; ++i) {
    Yuv_To_Bgr(src[4 * i + Y0], src[4 * i + U], src[4 * i + V], out + 6 * i);
    Yuv_To_Bgr(src[4 * i + Y0 + 2], src[4 * i + U], src[4 * i + V], out + 6 * i + 3);
  }
}

// One crop row of packed 4:2:2, the crop possibly starting or ending inside a pair.
template <int Y0, int U, int V> void Packed_422_Row(const uint8_t* src, int32_t x0, int32_t width, uint8_t* out) {
  int32_t x = x0;
  const int32_t end = x0 + width;
  if (x & 1) { // the crop starts on the second pixel of a pair
    const uint8_t* pair = src + 2 * (x - 1);
    Yuv_To_Bgr(pair[Y0 + 2], pair[U], pair[V], out);
    out += 3;
    ++x;
  }
  const int32_t pairs = (end - x) / 2;
  Packed_422_Pairs<Y0, U, V>(src + 2 * x, pairs, out);
  x += 2 * pairs;
  out += 6 * pairs;
  if (x < end) {
    const uint8_t* pair = src + 2 * x;
    Yuv_To_Bgr(pair[Y0], pair[U], pair[V], out);
  }
}

void Nv12_Row(const uint8_t* luma, const uint8_t* chroma, int32_t x0, int32_t width, uint8_t* out) {
  for (int32_t x = 0; x < width; ++x) {
    const uint8_t* uv = chroma + ((x0 + x) & ~1);
    Yuv_To_Bgr(luma[x0 + x], uv[0], uv[1], out + 3 * x);
  }
}

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

} // namespace

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
  for (int32_t r = 0; r < h; ++r) {
    const int32_t y = y0 + r; // picture row, 0 at the top
    uint8_t* out = into.Row(r);
    switch (format.pixel_format) {
    case Pixel_Format::BGR24_Bottom_Up:
      std::memcpy(out, data + (format.height - 1 - y) * stride + int64_t{x0} * 3, row_bytes);
      break;
    case Pixel_Format::BGR24: std::memcpy(out, data + y * stride + int64_t{x0} * 3, row_bytes); break;
    case Pixel_Format::RGB24: {
      const int64_t at = y * stride + int64_t{x0} * 3;
      Swap_Red_Blue_Row(data + at, length - at, w, out);
      break;
    }
    case Pixel_Format::YUYV: Packed_422_Row<0, 1, 3>(data + y * stride, x0, w, out); break;
    case Pixel_Format::UYVY: Packed_422_Row<1, 0, 2>(data + y * stride, x0, w, out); break;
    case Pixel_Format::NV12:
      Nv12_Row(data + y * stride, data + stride * format.height + (y / 2) * stride, x0, w, out);
      break;
    case Pixel_Format::MJPEG: break;
    }
  }
  return true;
}
