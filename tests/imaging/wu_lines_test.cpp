#include "imaging/wu_lines.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr Colour_Triple line_colour{10, 200, 250};
constexpr Colour_Triple ground{100, 100, 100};

cDIBSection ground_surface(int w, int h) {
  cDIBSection s;
  EXPECT_TRUE(s.Create(w, h));
  s.Fill_with_RGB(Colour_From_Triple(ground));
  return s;
}

Colour_Triple at(const cDIBSection& s, int x, int y) {
  const uint8_t* p = s.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

int changed_pixels(const cDIBSection& s) {
  int n = 0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      n += !(at(s, x, y) == ground);
  return n;
}

} // namespace

TEST(WuLine, ColourConversions) {
  EXPECT_EQ(Triple_From_Colour(0x123456), (Colour_Triple{0x12, 0x34, 0x56}));
  EXPECT_EQ(Colour_From_Triple({0x12, 0x34, 0x56}), 0x123456U);
}

TEST(WuLine, HorizontalThicknessTwoCoversTheRowAboveAndTheLineRow) {
  cDIBSection s = ground_surface(10, 20);
  WuLine(s, {0, 10}, {5, 10}, line_colour, 2, 0);
  for (int x = 0; x <= 5; ++x) {
    EXPECT_EQ(at(s, x, 9), line_colour) << x;
    EXPECT_EQ(at(s, x, 10), line_colour) << x;
    EXPECT_EQ(at(s, x, 11), ground) << x;
  }
  EXPECT_EQ(changed_pixels(s), 12);
}

TEST(WuLine, EdgePixelsBlendByTheFraction) {
  // x-major, thickness 1: at column 1 the line passes y = 0.5, so both edge pixels are half.
  cDIBSection s = ground_surface(8, 8);
  const Colour_Triple white{255, 255, 255};
  s.Fill_with_RGB(0);
  WuLine(s, {4, 2}, {0, 0}, white, 1, 0); // drawn from the smaller x whatever the order
  EXPECT_EQ(at(s, 0, 0), white);
  EXPECT_EQ(at(s, 0, 1), (Colour_Triple{0, 0, 0}));
  EXPECT_EQ(at(s, 1, 0), (Colour_Triple{128, 128, 128}));
  EXPECT_EQ(at(s, 1, 1), (Colour_Triple{128, 128, 128}));
  EXPECT_EQ(at(s, 2, 1), white);
  EXPECT_EQ(at(s, 4, 2), white);
  // y-major, thickness 3 (h 1, e 2): a vertical line covers columns x - 1 .. x + 1, x + 2 kept.
  cDIBSection v = ground_surface(8, 8);
  WuLine(v, {4, 1}, {4, 6}, line_colour, 3, 0);
  for (int y = 1; y <= 6; ++y) {
    EXPECT_EQ(at(v, 2, y), ground);
    for (int x = 3; x <= 5; ++x)
      EXPECT_EQ(at(v, x, y), line_colour) << x << "," << y;
    EXPECT_EQ(at(v, 6, y), ground);
  }
  EXPECT_EQ(changed_pixels(v), 18);
}

TEST(WuLine, DashedVerticalLineHasDashesOfTenAndGapsOfEleven) {
  cDIBSection s = ground_surface(5, 60);
  WuLine(s, {2, 49}, {2, 0}, line_colour, 1, -1);
  QString pattern;
  for (int y = 0; y < 50; ++y)
    pattern += at(s, 2, y) == line_colour ? '#' : '.';
  EXPECT_EQ(pattern, QString(10, '#') + QString(11, '.') + QString(10, '#') + QString(11, '.') + QString(8, '#'));
  // x-major lines ignore the flag.
  cDIBSection h = ground_surface(60, 5);
  WuLine(h, {0, 2}, {49, 2}, line_colour, 2, -1);
  for (int x = 0; x < 50; ++x)
    EXPECT_EQ(at(h, x, 1), line_colour) << x;
}

TEST(WuLine, DrawsNothingForEqualPointsOrAnEmptyPicture) {
  cDIBSection s = ground_surface(10, 10);
  WuLine(s, {3, 3}, {3, 3}, line_colour, 5, 0);
  EXPECT_EQ(changed_pixels(s), 0);
  cDIBSection empty;
  WuLine(empty, {0, 0}, {5, 5}, line_colour, 1, 0);
  QImage none;
  WuLine(none, {0, 0}, {5, 5}, line_colour, 1, 0);
}

TEST(WuLine, LinesOffThePictureAreClipped) {
  const struct {
    Line_Point a, b;
    int16_t thickness;
    bool touches;
  } cases[] = {
      {{-50, -50}, {50, 50}, 3, true},    {{-100, 5}, {200, 5}, 4, true},
      {{5, -30000}, {5, 30000}, 2, true}, {{-32768, -32768}, {32767, 32767}, 32767, true},
      {{20, 0}, {40, 9}, 2, false},       {{0, -20}, {9, -5}, 3, false},
      {{0, 9}, {9, 9}, 1, true},          {{9, 0}, {9, 9}, 1, true},
  };
  for (const auto& c : cases) {
    cDIBSection s = ground_surface(10, 10);
    WuLine(s, c.a, c.b, line_colour, c.thickness, 0);
    EXPECT_EQ(changed_pixels(s) > 0, c.touches) << c.a.x << "," << c.a.y;
  }
}

TEST(WuLine, PicturesAndSurfacesGetTheSameLine) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-5, 40);
  std::uniform_int_distribution<int> thickness(0, 5);
  for (int i = 0; i < 40; ++i) {
    const Line_Point a{static_cast<int16_t>(coordinate(random)), static_cast<int16_t>(coordinate(random))};
    const Line_Point b{static_cast<int16_t>(coordinate(random)), static_cast<int16_t>(coordinate(random))};
    const auto t = static_cast<int16_t>(thickness(random));
    cDIBSection s = ground_surface(37, 29);
    QImage picture = s.To_QImage().convertToFormat(QImage::Format_RGB32);
    WuLine(s, a, b, line_colour, t, static_cast<int16_t>(i % 2 ? -1 : 0));
    WuLine(picture, a, b, line_colour, t, static_cast<int16_t>(i % 2 ? -1 : 0));
    ASSERT_EQ(s.To_QImage().convertToFormat(QImage::Format_RGB32), picture) << i;
  }
}

// The review picture's bytes are written directly; the pixels must be those the general path
// (pixel and setPixel) gives, in every direction, clipped at the edges.
TEST(WuLine, DirectBlueGreenRedPicturesMatchTheGeneralPath) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> level(0, 255);
  QImage direct(37, 29, QImage::Format_BGR888);
  for (int y = 0; y < direct.height(); ++y)
    for (int x = 0; x < direct.width(); ++x)
      direct.setPixel(x, y, qRgb(level(random), level(random), level(random)));
  QImage general = direct.convertToFormat(QImage::Format_RGB32);
  const Line_Point lines[][2] = {{{2, 3}, {30, 9}}, {{5, 28}, {9, 1}}, {{-4, 10}, {40, 14}}, {{20, -5}, {18, 35}}};
  for (const auto& l : lines) {
    for (QImage* picture : {&direct, &general}) {
      WuLine(*picture, l[0], l[1], line_colour, 2, 0);
      WuLine(*picture, l[0], l[1], Colour_Triple{250, 40, 90}, 3, -1);
    }
  }
  EXPECT_EQ(direct.format(), QImage::Format_BGR888);
  for (int y = 0; y < direct.height(); ++y)
    for (int x = 0; x < direct.width(); ++x)
      ASSERT_EQ(direct.pixel(x, y), general.pixel(x, y)) << x << "," << y;
}
