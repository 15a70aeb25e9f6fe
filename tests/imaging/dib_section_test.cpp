#include "imaging/dib_section.h"
#include "imaging/surface_painter.h"
#include "mock/scripted_prompts.h"
#include "platform/error_report.h"

#include <QPaintEngine>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Byte (blue, green, red) at picture (x, y), read through the documented offset.
std::array<uint8_t, 3> bytes_at(const cDIBSection& s, int x, int y) {
  const uint8_t* p = s.DIBSectionBitsPtr() + static_cast<ptrdiff_t>(s.Height() - 1 - y) * s.BytesPerScanLine() + 3 * x;
  return {p[0], p[1], p[2]};
}

// Every pixel a colour of its own: blue = x, green = y, red = 7.
cDIBSection numbered(int w, int h) {
  cDIBSection s;
  EXPECT_TRUE(s.Create(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = s.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = 7;
    }
  return s;
}

struct Recorded_Error : Error_Sink {
  QStringList locations;
  void QNV_Error_Handler(const QString&, int16_t, int32_t, const QString& location, const QString&) override {
    locations << location;
  }
};

} // namespace

TEST(DIBSection, RowSizesAndImageSize) {
  const struct {
    int width, height, line, image;
  } cases[] = {{400, 1, 1200, 1200}, {401, 1, 1204, 1204}, {1, 1, 4, 4}, {576, 720, 1728, 1244160}, {2, 3, 8, 24}};
  for (const auto& c : cases) {
    cDIBSection s;
    ASSERT_TRUE(s.Create(c.width, c.height));
    EXPECT_EQ(s.BytesPerScanLine(), c.line) << c.width;
    EXPECT_EQ(s.SizeImage(), c.image) << c.width;
    EXPECT_EQ(static_cast<int>(s.pBitmapInfo()->biSizeImage), c.image);
    EXPECT_EQ(s.pBitmapInfo()->biHeight, c.height); // positive: bottom-up
  }
}

TEST(DIBSection, RefusedSizesLeaveAnEmptySurfaceWithoutOverflow) {
  for (auto [w, h] : {std::pair{0, 10}, {10, -1}, {INT32_MAX, 1}, {100000, 100000}}) {
    cDIBSection s;
    EXPECT_FALSE(s.Create(w, h));
    EXPECT_TRUE(s.Is_Empty());
    EXPECT_EQ(s.Width(), w);
    EXPECT_GE(s.SizeImage(), 0);
    QImage target(4, 4, QImage::Format_BGR888);
    target.fill(Qt::white);
    s.PaintPicture(target, 0, 0, -1, -1);
    s.DIB_DrawDib2(target, 0, 0, 4, 4);
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 255, 255));
  }
}

TEST(DIBSection, FillWritesBlueGreenRedEverywhere) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(5, 3));
  s.Fill_with_RGB(255);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(bytes_at(s, x, y), (std::array<uint8_t, 3>{0, 0, 255}));
  s.Fill_with_RGB(0x123456);
  EXPECT_EQ(bytes_at(s, 4, 2), (std::array<uint8_t, 3>{0x12, 0x34, 0x56}));
  // The row padding stays untouched.
  EXPECT_EQ(s.DIBSectionBitsPtr()[15], 0);
}

TEST(DIBSection, RecreationReplacesTheBufferAndKeepsDrawDib) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(10, 10));
  s.Fill_with_RGB(0xFFFFFF);
  s.set_UseDrawDib(true);
  ASSERT_TRUE(s.Create(3, 2));
  EXPECT_EQ(s.SizeImage(), 24);
  EXPECT_EQ(bytes_at(s, 2, 1), (std::array<uint8_t, 3>{0, 0, 0}));
  EXPECT_TRUE(s.UseDrawDib());
  s.ClearUp();
  EXPECT_TRUE(s.Is_Empty());
  EXPECT_FALSE(s.UseDrawDib());
}

TEST(DIBSection, RowAndPictureCopiesFollowTheBottomUpLayout) {
  const cDIBSection s = numbered(3, 4);
  EXPECT_EQ(s.Row(0), s.DIBSectionBitsPtr() + 3 * s.BytesPerScanLine());
  const QImage image = s.To_QImage();
  ASSERT_EQ(image.size(), QSize(3, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(image.pixel(x, y), qRgb(7, y, x));

  cDIBSection back;
  ASSERT_TRUE(back.CreateFromPicture(image.convertToFormat(QImage::Format_RGB32)));
  EXPECT_EQ(0, std::memcmp(back.DIBSectionBitsPtr(), s.DIBSectionBitsPtr(), static_cast<size_t>(s.SizeImage())));
  EXPECT_FALSE(back.CreateFromPicture(QImage()));
}

TEST(DIBSection, LoadPictureBltCopiesFromTheSourceCornerAndClips) {
  QImage source(6, 6, QImage::Format_RGB32);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      source.setPixel(x, y, qRgb(x, y, 9));
  cDIBSection s;
  ASSERT_TRUE(s.Create(4, 4));
  s.Fill_with_RGB(0xFFFFFF);
  s.LoadPictureBlt(source, 3, 4, -1, -1); // reaches past the source: only 3 x 2 land
  EXPECT_EQ(bytes_at(s, 0, 0), (std::array<uint8_t, 3>{9, 4, 3}));
  EXPECT_EQ(bytes_at(s, 2, 1), (std::array<uint8_t, 3>{9, 5, 5}));
  EXPECT_EQ(bytes_at(s, 3, 0), (std::array<uint8_t, 3>{255, 255, 255}));
  EXPECT_EQ(bytes_at(s, 0, 2), (std::array<uint8_t, 3>{255, 255, 255}));
  s.LoadPictureBlt(source, -2, 0, 3, 1); // starts left of the source
  EXPECT_EQ(bytes_at(s, 2, 0), (std::array<uint8_t, 3>{9, 0, 0}));
  EXPECT_EQ(bytes_at(s, 0, 0), (std::array<uint8_t, 3>{9, 4, 3}));
}

TEST(DIBSection, UnscaledCopiesAgreeOnEveryTargetFormat) {
  const cDIBSection s = numbered(5, 4);
  for (auto format : {QImage::Format_BGR888, QImage::Format_RGB32, QImage::Format_RGB888}) {
    QImage target(4, 4, format);
    target.fill(Qt::black);
    s.PaintPicture(target, 2, 1, 3, -1, 1, 0); // clipped at the right and the bottom
    EXPECT_EQ(target.pixel(2, 1), qRgb(7, 0, 1)) << format;
    EXPECT_EQ(target.pixel(3, 3), qRgb(7, 2, 2)) << format;
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 0)) << format;
    EXPECT_EQ(target.pixel(2, 0), qRgb(0, 0, 0)) << format;
  }
}

TEST(DIBSection, ScaledDrawsFillTheBoxFromTheSourceRectangle) {
  const cDIBSection s = numbered(4, 4);
  for (auto format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
    QImage box(4, 4, format);
    box.fill(Qt::black);
    // Source top 2, left 1, 2 x 2 pixels, each doubled.
    cDIBSection copy = numbered(4, 4);
    copy.DIB_DrawDib2(box, 2, 1, 2, 2);
    EXPECT_EQ(box.pixel(0, 0), qRgb(7, 2, 1)) << format;
    EXPECT_EQ(box.pixel(1, 1), qRgb(7, 2, 1)) << format;
    EXPECT_EQ(box.pixel(3, 3), qRgb(7, 3, 2)) << format;
    EXPECT_TRUE(copy.UseDrawDib());

    QImage wide(8, 8, format);
    copy.StretchPicture(wide);
    EXPECT_EQ(wide.pixel(7, 7), qRgb(7, 3, 3)) << format;
    EXPECT_EQ(wide.pixel(0, 0), qRgb(7, 0, 0)) << format;

    QImage target(6, 6, format);
    target.fill(Qt::black);
    copy.DIB_PaintPicture(target, 2, 2, 2, 2); // the whole surface halved
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 0)) << format;
    EXPECT_NE(target.pixel(2, 2), qRgb(0, 0, 0)) << format;
    EXPECT_EQ(target.pixel(4, 4), qRgb(0, 0, 0)) << format;
  }
}

namespace {

// A device whose engine runs a callback inside its image drawing, as pumped window messages would.
class Hook_Engine final : public QPaintEngine {
public:
  std::function<void()> inside;
  int images = 0;
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState&) override {}
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
    ++images;
    if (inside) inside();
  }
  Type type() const override { return QPaintEngine::User; }
};

class Hook_Device final : public QPaintDevice {
public:
  Hook_Engine engine;
  QPaintEngine* paintEngine() const override { return const_cast<Hook_Engine*>(&engine); }

protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
    case PdmWidth:
    case PdmHeight: return 4;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return 96;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
    default: return 24;
    }
  }
};

} // namespace

TEST(DIBSection, DrawDib2DoesNotStartWhileAnotherIsDrawing) {
  cDIBSection s = numbered(4, 4);
  cDIBSection other = numbered(4, 4);
  Hook_Device outer;
  QImage inner_box(4, 4, QImage::Format_BGR888);
  inner_box.fill(Qt::white);
  bool flag_seen = false;
  outer.engine.inside = [&] {
    flag_seen = cDIBSection::Drawing_In_Progress();
    other.DIB_DrawDib2(inner_box, 0, 0, 4, 4);
  };
  s.DIB_DrawDib2(outer, 0, 0, 4, 4);
  EXPECT_EQ(outer.engine.images, 1);
  EXPECT_TRUE(flag_seen);
  EXPECT_EQ(inner_box.pixel(0, 0), qRgb(255, 255, 255)); // the nested draw returned at once
  EXPECT_FALSE(cDIBSection::Drawing_In_Progress());
  other.DIB_DrawDib2(inner_box, 0, 0, 4, 4); // and later draws go ahead
  EXPECT_EQ(inner_box.pixel(0, 0), qRgb(7, 0, 0));
}

TEST(DIBSection, DrawFailuresAreReportedWithTheirPlace) {
  Recorded_Error errors;
  install_error_sink(&errors);
  Prompts_Guard prompts;
  cDIBSection s = numbered(4, 4);
  QImage widget; // a null picture cannot be drawn on
  s.DIB_DrawDib2(widget, 0, 0, 4, 4);
  s.DIB_PaintPicture(widget, 0, 0, 4, 4);
  install_error_sink(nullptr);
  EXPECT_EQ(errors.locations, QStringList{"DIB_DrawDib2 of Class Module cDIBSection"});
  EXPECT_EQ(prompts->messages(), QStringList{"DIB_paintpicture error"});
  EXPECT_FALSE(cDIBSection::Drawing_In_Progress());
}

TEST(SurfacePainter, DrawsInPictureRowsAndKeepsTheLayout) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(6, 5));
  {
    Surface_Painter painter(s);
    painter->fillRect(QRect(0, 0, 1, 1), QColor(255, 0, 0));
    painter->setPen(QColor(0, 0, 255));
    painter->drawPoint(5, 4);
  }
  // y = 0 is the last row in memory.
  const uint8_t* last = s.DIBSectionBitsPtr() + 4 * s.BytesPerScanLine();
  EXPECT_EQ(last[2], 255);
  EXPECT_EQ(s.DIBSectionBitsPtr()[15], 255); // (5, 4): first memory row, blue
  EXPECT_EQ(bytes_at(s, 1, 0), (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(SurfacePainter, AnAreaLimitsWhatIsPainted) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(8, 8));
  s.Fill_with_RGB(0);
  {
    Surface_Painter painter(s, QRect(2, 3, 3, 2));
    painter->fillRect(QRect(0, 0, 8, 8), Qt::white);
  }
  int white = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 3 && y < 5;
      EXPECT_EQ(bytes_at(s, x, y)[0], inside ? 255 : 0) << x << "," << y;
      white += inside;
    }
  EXPECT_EQ(white, 6);
  cDIBSection empty;
  Surface_Painter nothing(empty, QRect(0, 0, 5, 5));
  nothing->fillRect(QRect(0, 0, 5, 5), Qt::white); // draws nowhere, and does not fail
}
