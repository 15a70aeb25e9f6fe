#include "imaging/image_ops.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include <cstring>
#include <random>

namespace {

uint32_t pixel(const cDIBSection& s, int x, int y) {
  const uint8_t* p = s.Row(y) + 3 * x;
  return p[0] | (p[1] << 8U) | (p[2] << 16U);
}

cDIBSection random_surface(int w, int h, unsigned seed) {
  cDIBSection s;
  EXPECT_TRUE(s.Create(w, h));
  std::mt19937 random(seed);
  for (int i = 0; i < s.SizeImage(); ++i)
    s.DIBSectionBitsPtr()[i] = static_cast<uint8_t>(random());
  return s;
}

} // namespace

TEST(Rotate90, TurnsClockwise) {
  // a b c      d a
  // d e f  ->  e b
  //            f c
  cDIBSection source;
  ASSERT_TRUE(source.Create(3, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      std::memset(source.Row(y) + 3 * x, 'a' + 3 * y + x, 3);
  cDIBSection target;
  ASSERT_TRUE(Rotate90(source, target));
  ASSERT_EQ(target.Width(), 2);
  ASSERT_EQ(target.Height(), 3);
  const char* expected[] = {"da", "eb", "fc"};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(target.Row(y)[3 * x], expected[y][x]) << x << "," << y;
}

TEST(Rotate90, MatchesThePixelRuleForManySizes) {
  // Sizes around the block and tile edges, odd widths with row padding, and one frame size.
  const std::pair<int, int> sizes[] = {{1, 1},   {1, 9},    {9, 1},    {4, 8},     {5, 9},    {8, 8},
                                       {13, 17}, {33, 130}, {129, 31}, {257, 260}, {400, 880}};
  struct Restore {
    ~Restore() { Allow_Vector_Rotation(true); }
  } restore;
  for (const bool vectors : {true, false})
    for (auto [w, h] : sizes) {
      Allow_Vector_Rotation(vectors);
      const cDIBSection source = random_surface(w, h, static_cast<unsigned>(w * 1000 + h));
      cDIBSection target = random_surface(h, w, 1);
      const uint8_t* bits_before = target.DIBSectionBitsPtr();
      ASSERT_TRUE(Rotate90(source, target));
      EXPECT_EQ(target.DIBSectionBitsPtr(), bits_before) << "re-created although the size was right";
      for (int y = 0; y < target.Height(); ++y)
        for (int x = 0; x < target.Width(); ++x)
          ASSERT_EQ(pixel(target, x, y), pixel(source, y, h - 1 - x))
              << w << "x" << h << (vectors ? " vector" : " plain") << " at " << x << "," << y;
    }
}

TEST(Rotate90, RefusesWhatItCannotTurn) {
  cDIBSection source = random_surface(4, 4, 3);
  cDIBSection empty;
  EXPECT_FALSE(Rotate90(empty, source));
  EXPECT_FALSE(Rotate90(source, source));
  EXPECT_FALSE(Rotate90(nullptr, source.DIBSectionBitsPtr(), 4, 4, 0));
  EXPECT_FALSE(Rotate90(source.DIBSectionBitsPtr(), source.DIBSectionBitsPtr(), 4, 4, 0));
  EXPECT_FALSE(deinterlaceFrame2(empty, source, 2));
  cDIBSection target;
  EXPECT_FALSE(deinterlaceFrame2(source, target, 3));
  EXPECT_TRUE(target.Is_Empty());
}

TEST(DeinterlaceFrame2, ShowsOneFieldAtFullHeight) {
  // Rows numbered from the top; the field holding row 0 is shown first.
  const struct {
    int height;
    int selector;
    std::vector<int> rows;
  } cases[] = {
      {6, 2, {0, 0, 2, 2, 4, 4}},
      {6, 1, {1, 1, 3, 3, 5, 5}},
      {5, 2, {0, 0, 2, 2, 4}},
      {5, 1, {1, 1, 3, 3, 3}},
      {1, 1, {0}},
      {1, 2, {0}},
      {2, 1, {1, 1}},
  };
  for (const auto& c : cases) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(3, c.height));
    for (int y = 0; y < c.height; ++y)
      std::memset(source.Row(y), 10 + y, 9);
    cDIBSection target;
    ASSERT_TRUE(deinterlaceFrame2(source, target, c.selector));
    ASSERT_EQ(target.Height(), c.height);
    for (int y = 0; y < c.height; ++y)
      EXPECT_EQ(target.Row(y)[8], 10 + c.rows[static_cast<size_t>(y)])
          << "height " << c.height << " selector " << c.selector << " row " << y;
  }
  EXPECT_EQ(Field_Selector(1), 2);
  EXPECT_EQ(Field_Selector(2), 1);
}

TEST(DeinterlaceFrame2, TheTwoFieldsOfAFrameDiffer) {
  const cDIBSection frame = random_surface(400, 880, 11);
  cDIBSection first, second;
  ASSERT_TRUE(deinterlaceFrame2(frame, first, Field_Selector(1)));
  ASSERT_TRUE(deinterlaceFrame2(frame, second, Field_Selector(2)));
  EXPECT_NE(0, std::memcmp(first.DIBSectionBitsPtr(), second.DIBSectionBitsPtr(), 1200));
  EXPECT_EQ(0, std::memcmp(first.Row(0), frame.Row(0), 1200));
  EXPECT_EQ(0, std::memcmp(second.Row(0), frame.Row(1), 1200));
}

TEST(ReviewPictureSize, ScaledDownToTheScreenKeepingItsShape) {
  struct Size_Case {
    int w, h, max;
    QSize expected;
  };
  for (const Size_Case& c : std::initializer_list<Size_Case>{{400, 880, 440, {200, 440}},
                                                             {400, 880, 600, {273, 600}},
                                                             {400, 880, 880, {400, 880}},
                                                             {400, 300, 440, {400, 300}},
                                                             {400, 880, 0, {400, 880}},
                                                             {1, 5000, 100, {1, 100}}})
    EXPECT_EQ(Review_Picture_Size(c.w, c.h, c.max), c.expected) << c.w << "x" << c.h << " max " << c.max;
}
