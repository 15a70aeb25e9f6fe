// The nose's edge read from pictures drawn here with a known edge: sharp, blurred, moving either
// way, off the picture, and over a background that looks like the jacket.
#include "timing/nose_edge.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int W = 120, H = 40, Line = 60;
const uint8_t Turf[3] = {40, 120, 50};
const uint8_t Red[3] = {220, 30, 30};
const uint8_t White[3] = {240, 240, 240};

void Set(cDIBSection& dib, int x, int y, const uint8_t* rgb, double share = 1) {
  uint8_t* p = dib.Row(y) + 3 * x;
  const uint8_t* b = Turf;
  for (int k = 0; k < 3; ++k)
    p[2 - k] = static_cast<uint8_t>(std::lround(b[k] + share * (rgb[k] - b[k])));
}

// Turf with a white line at columns Line-1 and Line when `painted`.
cDIBSection Background(bool painted) {
  cDIBSection dib;
  dib.Create(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      Set(dib, x, y, painted && (x == Line - 1 || x == Line) ? White : Turf);
  return dib;
}

// The runner covers columns [tail, nose] fully; `edge_share` of the pixel ahead of the nose.
cDIBSection Runner(bool painted, int tail, int nose, const uint8_t* jacket, double edge_share, int direction) {
  cDIBSection dib = Background(painted);
  for (int y = 10; y < 30; ++y) {
    for (int x = std::min(tail, nose); x <= std::max(tail, nose); ++x)
      if (x >= 0 && x < W) Set(dib, x, y, jacket);
    const int ahead = nose + direction;
    if (edge_share > 0 && ahead >= 0 && ahead < W) Set(dib, ahead, y, jacket, edge_share);
  }
  return dib;
}

Runner_Rows Rows(const uint8_t* jacket) {
  Runner_Rows rows;
  for (int y = 10; y < 30; ++y)
    rows.Add(y, Line, jacket);
  return rows;
}

TEST(ReadNose, EdgeAgainstTheLineBothWays) {
  struct Case {
    int tail, nose, direction;
    double edge_share;
    bool seen;
    double distance; // the edge's distance past the line pixel
  };
  const Case cases[] = {
      {20, 50, 1, 0, true, -9.5},  // nose pixel 50: its edge at 50.5, 9.5 before the line pixel 60
      {20, 59, 1, 0, true, -0.5},  // just before the line
      {20, 60, 1, 0, true, 0.5},   // on the line pixel: at the line
      {20, 60, 1, 0.5, true, 1.0}, // half of the next pixel covered
      {20, 70, 1, 0.25, true, 10.75}, {100, 70, -1, 0, true, -9.5}, // moving left: nose pixel 70 is 9.5 before it
      {100, 60, -1, 0, true, 0.5},    {100, 55, -1, 0.5, true, 6.0},
      {20, 119, 1, 0, false, 0}, // the nose at the picture's edge: not readable
  };
  const cDIBSection background = Background(false);
  for (const Case& c : cases) {
    const Nose_Reading r =
        Read_Nose(Runner(false, c.tail, c.nose, Red, c.edge_share, c.direction), background, Rows(Red), c.direction);
    EXPECT_EQ(r.seen, c.seen) << c.nose;
    if (!c.seen) continue;
    EXPECT_TRUE(r.clear) << c.nose;
    EXPECT_NEAR(r.distance, c.distance, 0.01) << c.nose << " " << c.direction;
  }
}

TEST(ReadNose, NoRunnerIsNotSeenAndMismatchedPicturesAreRefused) {
  const cDIBSection background = Background(false);
  EXPECT_FALSE(Read_Nose(Background(false), background, Rows(Red), 1).seen);
  cDIBSection small;
  small.Create(10, 10);
  EXPECT_FALSE(Read_Nose(Runner(false, 20, 50, Red, 0, 1), small, Rows(Red), 1).seen);
  EXPECT_FALSE(Read_Nose(Runner(false, 20, 50, Red, 0, 1), background, Runner_Rows{}, 1).seen);
}

TEST(ReadNose, AWhiteJacketOnThePaintedLineLeavesTheEdgeOpen) {
  const cDIBSection background = Background(true);
  // The nose on the first of the two painted columns: where the white jacket ends cannot be told
  // from the paint, only that it lies between the last pixel seen covered and the first seen bare.
  const Nose_Reading r = Read_Nose(Runner(true, 20, Line - 1, White, 0, 1), background, Rows(White), 1);
  ASSERT_TRUE(r.seen);
  EXPECT_FALSE(r.clear);
  EXPECT_NEAR(r.low, -1.5, 0.01);
  EXPECT_NEAR(r.high, 0.5, 0.01);
  // A red jacket differs from the paint: its edge there is clear.
  const Nose_Reading red = Read_Nose(Runner(true, 20, Line - 1, Red, 0, 1), background, Rows(Red), 1);
  EXPECT_TRUE(red.clear);
  EXPECT_NEAR(red.distance, -0.5, 0.01);
}

} // namespace
