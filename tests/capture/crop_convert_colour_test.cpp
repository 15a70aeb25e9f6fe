// The driver's field and colour answers, and the conversion that follows them: colours computed
// here from each matrix's own coefficients, and each field layout woven so the first field
// (the crop's even rows) is the earlier one.
#include "capture/crop_convert.h"
#include "capture/crop_convert_v4l2.h"
#include "imaging/dib_section.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cmath>
#include <vector>

namespace {

struct Coefficients {
  double kr, kb;
};

// Y'CbCr codes of an RGB colour, from the matrix's definition.
void Encode(const Coefficients& k, bool full, int r, int g, int b, uint8_t& y, uint8_t& u, uint8_t& v) {
  const double kg = 1 - k.kr - k.kb;
  const double ey = (k.kr * r + kg * g + k.kb * b) / 255.0;
  const double pb = (b / 255.0 - ey) / (2 * (1 - k.kb));
  const double pr = (r / 255.0 - ey) / (2 * (1 - k.kr));
  auto code = [](double x) { return static_cast<uint8_t>(std::lround(std::clamp(x, 0.0, 255.0))); };
  y = code(full ? 255 * ey : 16 + 219 * ey);
  u = code(full ? 128 + 255 * pb : 128 + 224 * pb);
  v = code(full ? 128 + 255 * pr : 128 + 224 * pr);
}

TEST(Crop_Colour, YuyvDecodesWithTheMatrixAndRangeTheFormatCarries) {
  const struct {
    int width, height;
    Yuv_Matrix matrix;
    bool full;
    Coefficients k;
    int blue_tolerance; // libyuv caps BT.709 limited range's Cb-to-blue factor at 2.0 (not 2.112)
  } cases[] = {
      {64, 720, Yuv_Matrix::By_Size, false, {0.2126, 0.0722}, 13}, // HD, nothing said: BT.709
      {64, 576, Yuv_Matrix::By_Size, false, {0.299, 0.114}, 3},    // SD: BT.601
      {64, 1080, Yuv_Matrix::BT601, false, {0.299, 0.114}, 3},
      {64, 480, Yuv_Matrix::BT709, true, {0.2126, 0.0722}, 3},
      {64, 1080, Yuv_Matrix::BT601, true, {0.299, 0.114}, 3},
  };
  const int colours[][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {200, 150, 40}, {30, 90, 210}, {128, 128, 128}};
  for (const auto& c : cases) {
    Video_Format f{c.width, c.height, 400000, c.width * 2 * c.height, c.width * 2, Pixel_Format::YUYV};
    f.yuv_matrix = c.matrix;
    f.full_range = c.full;
    std::vector<uint8_t> frame(static_cast<size_t>(f.image_size));
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; x += 2) {
        const int* rgb = colours[(x / 2) % 6];
        uint8_t* p = &frame[static_cast<size_t>(y * f.stride + 2 * x)];
        Encode(c.k, c.full, rgb[0], rgb[1], rgb[2], p[0], p[1], p[3]);
        p[2] = p[0];
      }
    cDIBSection into;
    ASSERT_TRUE(into.Create(c.width - 2, 4));
    Crop_Converter converter;
    QString error;
    ASSERT_TRUE(converter.Convert(f, frame.data(), f.image_size, 1, 10, into, error)) << error.toStdString();
    for (int x = 0; x < c.width - 2; ++x) {
      const int* want = colours[((x + 1) / 2) % 6];
      const uint8_t* p = into.Row(2) + 3 * x;
      for (int ch = 0; ch < 3; ++ch)
        ASSERT_LE(std::abs(p[2 - ch] - want[ch]), ch == 2 ? c.blue_tolerance : 3)
            << "height " << c.height << " full " << c.full << " x " << x << " channel " << ch;
    }
  }
}

TEST(Crop_Colour, EachFieldLayoutPutsTheEarlierFieldOnTheEvenRows) {
  // Every buffer row carries its own grey level; the earlier field's rows are dark (< 128).
  constexpr int W = 8, H = 12;
  const struct {
    uint32_t field;
    int64_t interval;
    Field_Order order;
  } cases[] = {
      {V4L2_FIELD_INTERLACED_TB, 400000, Field_Order::Interlaced_Top_First},
      {V4L2_FIELD_INTERLACED_BT, 400000, Field_Order::Interlaced_Bottom_First},
      {V4L2_FIELD_INTERLACED, 400000, Field_Order::Interlaced_Top_First},    // 50 Hz
      {V4L2_FIELD_INTERLACED, 333667, Field_Order::Interlaced_Bottom_First}, // 60 Hz
      {V4L2_FIELD_SEQ_TB, 400000, Field_Order::Sequential_Top_First},
      {V4L2_FIELD_SEQ_BT, 400000, Field_Order::Sequential_Bottom_First},
  };
  for (const auto& c : cases) {
    QString error;
    const auto order = Field_Order_From_V4l2(c.field, c.interval, error);
    ASSERT_TRUE(order) << c.field;
    EXPECT_EQ(*order, c.order) << c.field;
    Video_Format f{W, H, c.interval, W * 3 * H, W * 3, Pixel_Format::BGR24};
    f.field_order = *order;
    std::vector<uint8_t> frame(static_cast<size_t>(f.image_size));
    const bool sequential = c.field == V4L2_FIELD_SEQ_TB || c.field == V4L2_FIELD_SEQ_BT;
    const bool bottom_first = *order == Field_Order::Interlaced_Bottom_First;
    for (int b = 0; b < H; ++b) {
      // Which field buffer row b belongs to, and whether that field is the earlier one.
      const bool earlier = sequential ? b < H / 2 : ((b % 2 == 1) == bottom_first);
      for (int i = 0; i < W * 3; ++i)
        frame[static_cast<size_t>(b * W * 3 + i)] = static_cast<uint8_t>((earlier ? 0 : 128) + b);
    }
    cDIBSection into;
    ASSERT_TRUE(into.Create(W, H));
    Crop_Converter converter;
    ASSERT_TRUE(converter.Convert(f, frame.data(), f.image_size, 0, 0, into, error)) << error.toStdString();
    std::vector<int> seen;
    for (int r = 0; r < H; ++r) {
      const int level = into.Row(r)[0];
      EXPECT_EQ(level < 128, r % 2 == 0) << c.field << " row " << r;
      seen.push_back(level % 128);
    }
    std::sort(seen.begin(), seen.end());
    for (int b = 0; b < H; ++b)
      EXPECT_EQ(seen[static_cast<size_t>(b)], b) << c.field << ": every buffer row once";
  }
  for (const uint32_t refused : {V4L2_FIELD_ALTERNATE, V4L2_FIELD_TOP, V4L2_FIELD_BOTTOM}) {
    QString error;
    EXPECT_FALSE(Field_Order_From_V4l2(refused, 400000, error));
    EXPECT_TRUE(error.contains("whole frames")) << error.toStdString();
  }
}

TEST(Crop_Colour, DriverColourAnswers) {
  const struct {
    uint32_t colorspace, enc, quantization;
    Yuv_Matrix matrix;
    bool full;
  } cases[] = {
      {V4L2_COLORSPACE_SRGB, V4L2_YCBCR_ENC_DEFAULT, V4L2_QUANTIZATION_DEFAULT, Yuv_Matrix::By_Size, false},
      {V4L2_COLORSPACE_REC709, V4L2_YCBCR_ENC_DEFAULT, V4L2_QUANTIZATION_DEFAULT, Yuv_Matrix::BT709, false},
      {V4L2_COLORSPACE_SMPTE170M, V4L2_YCBCR_ENC_DEFAULT, V4L2_QUANTIZATION_DEFAULT, Yuv_Matrix::BT601, false},
      {V4L2_COLORSPACE_REC709, V4L2_YCBCR_ENC_601, V4L2_QUANTIZATION_FULL_RANGE, Yuv_Matrix::BT601, true},
      {V4L2_COLORSPACE_SRGB, V4L2_YCBCR_ENC_709, V4L2_QUANTIZATION_LIM_RANGE, Yuv_Matrix::BT709, false},
      {V4L2_COLORSPACE_JPEG, V4L2_YCBCR_ENC_DEFAULT, V4L2_QUANTIZATION_DEFAULT, Yuv_Matrix::BT601, true},
  };
  for (const auto& c : cases) {
    Video_Format f;
    Colour_From_V4l2(c.colorspace, c.enc, c.quantization, f);
    EXPECT_EQ(f.yuv_matrix, c.matrix) << c.colorspace << "/" << c.enc;
    EXPECT_EQ(f.full_range, c.full) << c.colorspace << "/" << c.enc;
  }
}

} // namespace
