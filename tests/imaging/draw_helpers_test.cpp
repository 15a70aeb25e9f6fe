#include "imaging/api_draw.h"

#include <gtest/gtest.h>

#include <set>

TEST(APIRectangle, OutlineInsideAndEdges) {
  QImage picture(12, 12, QImage::Format_RGB32);
  picture.fill(Qt::black);
  QPainter painter(&picture);
  const QPen before(Qt::green, 3);
  painter.setPen(before);
  // Corners given in either order; the second corner's row and column are left out.
  API_Rectangle(painter, QPoint(8, 9), QPoint(2, 3), 0x0000FF, Brush_Hatch::Horizontal, Brush_Style::Solid,
                Pen_Style::Solid, 1, 0xFF0000);
  EXPECT_EQ(painter.pen(), before);
  painter.end();
  const QRgb pen = qRgb(0, 0, 255), brush = qRgb(255, 0, 0), none = qRgb(0, 0, 0);
  EXPECT_EQ(picture.pixel(2, 3), pen);
  EXPECT_EQ(picture.pixel(7, 8), pen);
  EXPECT_EQ(picture.pixel(7, 3), pen);
  EXPECT_EQ(picture.pixel(5, 6), brush);
  EXPECT_EQ(picture.pixel(8, 8), none);
  EXPECT_EQ(picture.pixel(7, 9), none);
  EXPECT_EQ(picture.pixel(1, 3), none);
}

TEST(APIRectangle, HollowBrushAndNoPen) {
  cDIBSection surface;
  ASSERT_TRUE(surface.Create(10, 10));
  API_Rectangle(surface, QPoint(1, 1), QPoint(8, 8), 0xFFFFFF, Brush_Hatch::Cross, Brush_Style::Hollow,
                Pen_Style::Solid, 1, 0x00FF00);
  const QImage drawn = surface.To_QImage();
  EXPECT_EQ(drawn.pixel(1, 1), qRgb(0, 255, 0));
  EXPECT_EQ(drawn.pixel(4, 4), qRgb(0, 0, 0));
  API_Rectangle(surface, QPoint(1, 1), QPoint(8, 8), 0xFFFFFF, Brush_Hatch::Cross, Brush_Style::Solid, Pen_Style::Null,
                1, 0x00FF00);
  const QImage filled = surface.To_QImage();
  EXPECT_EQ(filled.pixel(1, 1), qRgb(255, 255, 255));
  EXPECT_EQ(filled.pixel(7, 7), qRgb(255, 255, 255));
  EXPECT_EQ(filled.pixel(8, 8), qRgb(0, 0, 0));
  // Far-away corners neither overflow nor draw.
  API_Rectangle(surface, QPoint(INT32_MIN, INT32_MIN), QPoint(INT32_MIN + 5, INT32_MIN + 5), 0xFF, Brush_Hatch::Cross,
                Brush_Style::Solid, Pen_Style::Solid, 1, 0xFF);
  EXPECT_EQ(surface.To_QImage(), filled);
}

TEST(GradientCircle, ColoursRunFromTheCentre) {
  const struct {
    int r, radius;
    uint32_t centre, rim, expected;
  } cases[] = {
      {1, 1, 0x102030, 0xFFFFFF, 0x102030},
      {1, 4, 0x000000, 0xC8C8C8, 0x000000},
      {3, 4, 0x000000, 0xC8C8C8, 0x646464},
      {4, 4, 0x0000FF, 0x00FF00, 0x00BF40},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Gradient_Colour(c.r, c.radius, c.centre, c.rim), c.expected) << c.r << "/" << c.radius;
}

TEST(GradientCircle, RadiusOneIsOneCircleInTheCentreColour) {
  QImage box(20, 20, QImage::Format_RGB32);
  box.fill(Qt::black);
  Gradient_Circle(10, 10, 1, 0x3060A0, 0xFFFFFF, box);
  std::set<QRgb> colours;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      colours.insert(box.pixel(x, y));
  EXPECT_EQ(colours, (std::set<QRgb>{qRgb(0, 0, 0), qRgb(0xA0, 0x60, 0x30)}));

  cDIBSection lamp;
  ASSERT_TRUE(lamp.Create(20, 20));
  Gradient_Circle(10, 10, 6, 0x00FF00, 0x000000, lamp);
  const QImage drawn = lamp.To_QImage();
  EXPECT_GT(qGreen(drawn.pixel(10, 10)), qGreen(drawn.pixel(10, 15)));
  EXPECT_EQ(drawn.pixel(0, 0), qRgb(0, 0, 0));
  Gradient_Circle(10, 10, 0, 0xFFFFFF, 0xFFFFFF, lamp);
  EXPECT_EQ(lamp.To_QImage(), drawn);
}
