// Each delivered layout cut to the crop on known pixels; short, damaged and misfitting frames.
#include "capture/crop_convert.h"
#include "imaging/dib_section.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct Rgb {
  int r, g, b;
};
// BT.601 limited-range codes of the picture's colours, with the colour each stands for.
struct Yuv_Colour {
  uint8_t y, u, v;
  Rgb rgb;
};
const Yuv_Colour Palette[] = {
    {16, 128, 128, {0, 0, 0}},     {235, 128, 128, {255, 255, 255}}, {81, 90, 240, {255, 0, 0}},
    {145, 54, 34, {0, 255, 0}},    {41, 240, 110, {0, 0, 255}},      {126, 128, 128, {128, 128, 128}},
    {210, 16, 146, {255, 255, 0}}, {170, 166, 16, {0, 255, 255}},
};
constexpr int N = static_cast<int>(std::size(Palette));

// Colour index of pixel (x, y): chroma is shared by pixel pairs (and row pairs for NV12), so
// pairs carry one colour and neighbouring pairs differ.
int Colour_At(int x, int y, bool rows_paired) { return (x / 2 + (rows_paired ? y / 2 : y) * 3) % N; }

constexpr int W = 24, H = 10;

std::vector<uint8_t> Make_Frame(Pixel_Format format, int32_t& stride) {
  std::vector<uint8_t> bytes;
  const bool rows_paired = format == Pixel_Format::NV12;
  switch (format) {
  case Pixel_Format::YUYV:
  case Pixel_Format::UYVY:
    stride = W * 2 + 8; // padded rows
    bytes.assign(static_cast<size_t>(stride) * H, 0xEE);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; x += 2) {
        const Yuv_Colour& c = Palette[Colour_At(x, y, false)];
        uint8_t* p = &bytes[static_cast<size_t>(y * stride + 2 * x)];
        const uint8_t yuyv[4] = {c.y, c.u, c.y, c.v};
        const uint8_t uyvy[4] = {c.u, c.y, c.v, c.y};
        std::copy_n(format == Pixel_Format::YUYV ? yuyv : uyvy, 4, p);
      }
    break;
  case Pixel_Format::NV12:
    stride = W;
    bytes.assign(static_cast<size_t>(stride) * H * 3 / 2, 0);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const Yuv_Colour& c = Palette[Colour_At(x, y, rows_paired)];
        bytes[static_cast<size_t>(y * stride + x)] = c.y;
        uint8_t* uv = &bytes[static_cast<size_t>(stride * H + (y / 2) * stride + (x & ~1))];
        uv[0] = c.u;
        uv[1] = c.v;
      }
    break;
  case Pixel_Format::RGB24:
  case Pixel_Format::BGR24:
  case Pixel_Format::BGR24_Bottom_Up:
    stride = format == Pixel_Format::BGR24_Bottom_Up ? cDIBSection::Bytes_Per_Scan_Line_For(W) : W * 3;
    bytes.assign(static_cast<size_t>(stride) * H, 0);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const Rgb c = Palette[Colour_At(x, y, false)].rgb;
        const int row = format == Pixel_Format::BGR24_Bottom_Up ? H - 1 - y : y;
        uint8_t* p = &bytes[static_cast<size_t>(row * stride + 3 * x)];
        const bool rgb = format == Pixel_Format::RGB24;
        p[0] = static_cast<uint8_t>(rgb ? c.r : c.b);
        p[1] = static_cast<uint8_t>(c.g);
        p[2] = static_cast<uint8_t>(rgb ? c.b : c.r);
      }
    break;
  case Pixel_Format::MJPEG: break;
  }
  return bytes;
}

TEST(Crop_Convert, EveryLayoutGivesTheKnownColoursOfTheCrop) {
  const struct {
    Pixel_Format format;
    int tolerance;
  } cases[] = {{Pixel_Format::BGR24_Bottom_Up, 0},
               {Pixel_Format::RGB24, 0},
               {Pixel_Format::BGR24, 0},
               {Pixel_Format::YUYV, 2},
               {Pixel_Format::UYVY, 2},
               {Pixel_Format::NV12, 2}};
  // Odd and even corners: the crop may start on the second pixel of a shared-chroma pair.
  const std::array<std::array<int, 4>, 3> crops = {{{1, 1, 21, 7}, {2, 0, 22, 10}, {5, 3, 6, 5}}};
  for (const auto& c : cases) {
    int32_t stride = 0;
    const std::vector<uint8_t> frame = Make_Frame(c.format, stride);
    const Video_Format format{W, H, 400000, static_cast<int32_t>(frame.size()), stride, c.format};
    for (const auto& [x0, y0, w, h] : crops) {
      cDIBSection into;
      ASSERT_TRUE(into.Create(w, h));
      Crop_Converter converter;
      QString error;
      ASSERT_TRUE(converter.Convert(format, frame.data(), static_cast<int32_t>(frame.size()), x0, y0, into, error))
          << static_cast<int>(c.format) << " " << error.toStdString();
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const Rgb want = Palette[Colour_At(x0 + x, y0 + y, c.format == Pixel_Format::NV12)].rgb;
          const uint8_t* p = into.Row(y) + 3 * x;
          ASSERT_LE(std::abs(p[2] - want.r), c.tolerance) << static_cast<int>(c.format) << " at " << x << "," << y;
          ASSERT_LE(std::abs(p[1] - want.g), c.tolerance) << static_cast<int>(c.format) << " at " << x << "," << y;
          ASSERT_LE(std::abs(p[0] - want.b), c.tolerance) << static_cast<int>(c.format) << " at " << x << "," << y;
        }
    }
  }
}

// Wide crops go through the vector code where the processor has it, one-pixel crops never do:
// both give the same bytes for every Y, Cb, Cr, including the values outside the legal range.
TEST(Crop_Convert, WideAndSinglePixelConversionsAgree) {
  constexpr int Fw = 256, Fh = 256;
  for (const Pixel_Format f : {Pixel_Format::YUYV, Pixel_Format::UYVY, Pixel_Format::RGB24}) {
    std::vector<uint8_t> frame(static_cast<size_t>(Fw) * Fh * 3);
    for (size_t i = 0; i < frame.size(); ++i)
      frame[i] = static_cast<uint8_t>((i * 7919 + i / 3 * 31) % 256);
    const int32_t stride = f == Pixel_Format::RGB24 ? Fw * 3 : Fw * 2;
    const Video_Format format{Fw, Fh, 400000, static_cast<int32_t>(frame.size()), stride, f};
    Crop_Converter converter;
    cDIBSection wide, one;
    ASSERT_TRUE(wide.Create(Fw - 2, Fh));
    ASSERT_TRUE(one.Create(1, 1));
    QString error;
    ASSERT_TRUE(converter.Convert(format, frame.data(), static_cast<int32_t>(frame.size()), 2, 0, wide, error));
    for (int y = 0; y < Fh; y += 3)
      for (int x = 0; x < Fw - 2; ++x) {
        ASSERT_TRUE(converter.Convert(format, frame.data(), static_cast<int32_t>(frame.size()), 2 + x, y, one, error));
        ASSERT_EQ(std::memcmp(wide.Row(y) + 3 * x, one.Row(0), 3), 0) << static_cast<int>(f) << " at " << x << "," << y;
      }
  }
}

TEST(Crop_Convert, ShortFramesAndMisfittingCropsAreRefused) {
  for (const Pixel_Format f : {Pixel_Format::BGR24_Bottom_Up, Pixel_Format::RGB24, Pixel_Format::BGR24,
                               Pixel_Format::YUYV, Pixel_Format::UYVY, Pixel_Format::NV12}) {
    int32_t stride = 0;
    const std::vector<uint8_t> frame = Make_Frame(f, stride);
    const Video_Format format{W, H, 400000, static_cast<int32_t>(frame.size()), stride, f};
    Crop_Converter converter;
    cDIBSection into;
    ASSERT_TRUE(into.Create(8, 4));
    QString error;
    // Exactly as long as the last row's pixels is enough; one byte less is not.
    const auto last_row_end =
        static_cast<int32_t>(frame.size() - (f == Pixel_Format::YUYV || f == Pixel_Format::UYVY ? 8 : 0));
    EXPECT_TRUE(converter.Convert(format, frame.data(), last_row_end, 0, 0, into, error)) << error.toStdString();
    // Copied into a buffer of just that size, so a read past it is caught by the sanitizer.
    const std::vector<uint8_t> cut(frame.begin(), frame.begin() + last_row_end - 1);
    EXPECT_FALSE(converter.Convert(format, cut.data(), static_cast<int32_t>(cut.size()), 0, 0, into, error));
    EXPECT_TRUE(error.contains("shorter")) << error.toStdString();
    const std::array<std::array<int, 2>, 4> outside = {{{W - 7, 0}, {0, H - 3}, {-1, 0}, {0, -1}}};
    for (const auto& [x0, y0] : outside) {
      EXPECT_FALSE(converter.Convert(format, frame.data(), static_cast<int32_t>(frame.size()), x0, y0, into, error));
      EXPECT_TRUE(error.contains("does not fit")) << error.toStdString();
    }
    EXPECT_FALSE(converter.Convert(format, nullptr, 0, 0, 0, into, error));
  }
}

// A JPEG of a picture with detail everywhere, so a misplaced row or column shows.
std::vector<uint8_t> Jpeg_Of(int width, int height, int subsampling, std::vector<uint8_t>& decoded) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgb[static_cast<size_t>((y * width + x) * 3)];
      p[0] = static_cast<uint8_t>(x * 7 + y);
      p[1] = static_cast<uint8_t>(y * 5);
      p[2] = static_cast<uint8_t>((x ^ y) * 3);
    }
  tjhandle c = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(tjCompress2(c, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, subsampling, 85, 0), 0);
  std::vector<uint8_t> out(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(c);
  tjhandle d = tjInitDecompress();
  decoded.assign(static_cast<size_t>(width) * height * 3, 0);
  EXPECT_EQ(tjDecompress2(d, out.data(), size, decoded.data(), width, 0, height, TJPF_BGR, TJFLAG_FASTUPSAMPLE), 0);
  tjDestroy(d);
  return out;
}

TEST(Crop_Convert, MjpegCropEqualsTheSameRectangleOfTheWholeDecode) {
  constexpr int Fw = 640, Fh = 360;
  const std::array<std::array<int, 4>, 4> crops = {
      {{120, 40, 400, 280}, {0, 0, 64, 16}, {3, 5, 637, 355}, {333, 97, 101, 77}}};
  for (const int sub : {TJSAMP_420, TJSAMP_422, TJSAMP_444}) {
    std::vector<uint8_t> whole;
    const std::vector<uint8_t> jpeg = Jpeg_Of(Fw, Fh, sub, whole);
    const Video_Format format{Fw, Fh, 400000, Fw * Fh * 3, 0, Pixel_Format::MJPEG};
    Crop_Converter converter; // one converter for every frame, as a stream uses it
    for (const auto& [x0, y0, w, h] : crops) {
      cDIBSection into;
      ASSERT_TRUE(into.Create(w, h));
      QString error;
      ASSERT_TRUE(converter.Convert(format, jpeg.data(), static_cast<int32_t>(jpeg.size()), x0, y0, into, error))
          << error.toStdString();
      for (int y = 0; y < h; ++y)
        ASSERT_EQ(
            std::memcmp(into.Row(y), &whole[static_cast<size_t>(((y0 + y) * Fw + x0) * 3)], static_cast<size_t>(w) * 3),
            0)
            << "subsampling " << sub << " crop at " << x0 << "," << y0 << " row " << y;
    }
  }
}

TEST(Crop_Convert, DamagedMjpegIsAFalseReturnWithAReason) {
  std::vector<uint8_t> whole;
  const std::vector<uint8_t> jpeg = Jpeg_Of(320, 240, TJSAMP_420, whole);
  const Video_Format format{320, 240, 400000, 320 * 240 * 3, 0, Pixel_Format::MJPEG};
  Crop_Converter converter;
  cDIBSection into;
  ASSERT_TRUE(into.Create(100, 200));
  std::vector<uint8_t> flipped = jpeg;
  for (size_t i = flipped.size() / 2; i < flipped.size() / 2 + 40; ++i)
    flipped[i] = static_cast<uint8_t>(~flipped[i]);
  const std::vector<uint8_t> damaged[] = {
      std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<ptrdiff_t>(jpeg.size() / 2)), // cut short
      std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 20),                                      // header only
      std::vector<uint8_t>(500, 0x55),                                                            // not a JPEG
      flipped,
  };
  for (size_t i = 0; i < std::size(damaged); ++i) {
    QString error;
    EXPECT_FALSE(
        converter.Convert(format, damaged[i].data(), static_cast<int32_t>(damaged[i].size()), 110, 20, into, error))
        << i;
    EXPECT_TRUE(error.contains("MJPEG")) << i << " " << error.toStdString();
  }
  // A frame of another size than the format's is refused, not cut where it does not fit.
  const Video_Format wider{640, 240, 400000, 0, 0, Pixel_Format::MJPEG};
  QString error;
  EXPECT_FALSE(converter.Convert(wider, jpeg.data(), static_cast<int32_t>(jpeg.size()), 110, 20, into, error));
  EXPECT_TRUE(error.contains("not the format's")) << error.toStdString();
  // And the converter still decodes good frames afterwards.
  EXPECT_TRUE(converter.Convert(format, jpeg.data(), static_cast<int32_t>(jpeg.size()), 110, 20, into, error))
      << error.toStdString();
  EXPECT_EQ(std::memcmp(into.Row(0), &whole[static_cast<size_t>((20 * 320 + 110) * 3)], 300), 0);
}

// The picture row a buffer row holds, written out again from the field layouts.
int Source_Row(Field_Order order, int height, int y) {
  switch (order) {
  case Field_Order::Interlaced_Bottom_First: return (y ^ 1) < height ? (y ^ 1) : y;
  case Field_Order::Sequential_Top_First:
  case Field_Order::Sequential_Bottom_First: return (y & 1) ? (height + 1) / 2 + y / 2 : y / 2;
  default: return y;
  }
}

TEST(Crop_Convert, Rgb24RowsOfEveryFieldLayoutWhereverTheCropStarts) {
  constexpr int Width = 37, Crop_Width = 29, Stride = Width * 3 + 5;
  for (Field_Order order :
       {Field_Order::Progressive, Field_Order::Interlaced_Top_First, Field_Order::Interlaced_Bottom_First,
        Field_Order::Sequential_Top_First, Field_Order::Sequential_Bottom_First})
    for (int height : {1, 2, 3, 11, 12, 13})
      for (int y0 = 0; y0 < height; ++y0)
        for (int h = 1; y0 + h <= height; ++h)
          for (int x0 : {0, 1, 3}) {
            Video_Format f{Width, height, 400000, 0, Stride, Pixel_Format::RGB24};
            f.field_order = order;
            std::vector<uint8_t> frame(static_cast<size_t>(Stride * height));
            for (size_t i = 0; i < frame.size(); ++i)
              frame[i] = static_cast<uint8_t>(i * 7 + i / 97);
            f.image_size = static_cast<int32_t>(frame.size());
            cDIBSection into;
            ASSERT_TRUE(into.Create(Crop_Width, h));
            Crop_Converter converter;
            QString error;
            ASSERT_TRUE(converter.Convert(f, frame.data(), f.image_size, x0, y0, into, error)) << error.toStdString();
            for (int r = 0; r < h; ++r) {
              const uint8_t* source = frame.data() + Source_Row(order, height, y0 + r) * Stride + x0 * 3;
              for (int x = 0; x < Crop_Width; ++x)
                for (int k = 0; k < 3; ++k)
                  ASSERT_EQ(into.Row(r)[x * 3 + k], source[x * 3 + 2 - k])
                      << static_cast<int>(order) << " height " << height << " y0 " << y0 << " h " << h << " r " << r;
            }
          }
}

} // namespace
