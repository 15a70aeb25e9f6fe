// Pictures of odd width in the layouts that share chroma between pixel pairs: a row holds the
// last pair whole, the crop's last column takes that pair's colour, and a frame whose rows
// are a pair short is refused rather than read past its end.
#include "capture/crop_convert.h"
#include "imaging/dib_section.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int32_t W = 23; // odd: the last pair has one pixel
constexpr int32_t H = 5;
constexpr int32_t Pairs = (W + 1) / 2;

// Pair p's luma and chroma; the picture's last pair is white, every other one black.
uint8_t Luma(int32_t pair) { return pair == Pairs - 1 ? 235 : 16; }

// A frame of whole pairs, its rows exactly as long as they must be (no padding).
std::vector<uint8_t> Frame(Pixel_Format f) {
  std::vector<uint8_t> bytes;
  if (f == Pixel_Format::NV12) {
    const int32_t stride = 2 * Pairs;
    bytes.assign(static_cast<size_t>(stride) * (H + (H + 1) / 2), 128);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x)
        bytes[static_cast<size_t>(y * stride + x)] = Luma(x / 2);
    return bytes;
  }
  bytes.assign(static_cast<size_t>(4 * Pairs) * H, 0);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t p = 0; p < Pairs; ++p) {
      uint8_t* q = &bytes[static_cast<size_t>(y * 4 * Pairs + 4 * p)];
      const uint8_t yuyv[4] = {Luma(p), 128, Luma(p), 128};
      const uint8_t uyvy[4] = {128, Luma(p), 128, Luma(p)};
      std::copy_n(f == Pixel_Format::YUYV ? yuyv : uyvy, 4, q);
    }
  return bytes;
}

TEST(Crop_Convert_Pairs, OddWidthsReadWholePairsAndNeverPastTheFrame) {
  for (const Pixel_Format f : {Pixel_Format::YUYV, Pixel_Format::UYVY, Pixel_Format::NV12}) {
    SCOPED_TRACE(static_cast<int>(f));
    const std::vector<uint8_t> frame = Frame(f);
    Crop_Converter converter;
    cDIBSection crop;
    ASSERT_TRUE(crop.Create(4, H));
    QString error;
    // The format's own stride (0) is the row of whole pairs; the frame is exactly that long, so a
    // read past its end is caught by the sanitizer.
    const Video_Format own{W, H, 400000, static_cast<int32_t>(frame.size()), 0, f};
    ASSERT_TRUE(converter.Convert(own, frame.data(), static_cast<int32_t>(frame.size()), W - 4, 0, crop, error))
        << error.toStdString();
    for (int32_t y = 0; y < H; ++y) {
      EXPECT_EQ(crop.Row(y)[3 * 3], 255) << "the last column is the last pair's white, row " << y;
      EXPECT_EQ(crop.Row(y)[0], 0) << "the column before the last pair is black, row " << y;
    }
    // Rows that stop one byte after the last pixel's luma hold no whole last pair.
    const int32_t short_stride = f == Pixel_Format::NV12 ? W : 2 * W;
    const Video_Format cut{W, H, 400000, static_cast<int32_t>(frame.size()), short_stride, f};
    const std::vector<uint8_t> short_frame(
        frame.begin(),
        frame.begin() +
            static_cast<std::ptrdiff_t>(f == Pixel_Format::NV12 ? short_stride * (H + (H + 1) / 2) : short_stride * H));
    EXPECT_FALSE(
        converter.Convert(cut, short_frame.data(), static_cast<int32_t>(short_frame.size()), W - 4, 0, crop, error));
    EXPECT_TRUE(error.contains(QStringLiteral("shorter"))) << error.toStdString();
  }
}

} // namespace
