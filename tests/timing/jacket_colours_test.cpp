#include "timing/jacket_colours.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(NearestJacket, NearerTheJacketThanTheBackgroundByAMargin) {
  const uint8_t turf[] = {40, 120, 50};
  const uint8_t pale[] = {120, 200, 120};
  const uint8_t line[] = {230, 255, 239}; // the painted line after JPEG coding
  struct Case {
    uint8_t pixel[3];
    const uint8_t* background;
    Jacket expected;
  };
  const Case cases[] = {
      {{220, 30, 30}, turf, Jacket::Red},     {{181, 0, 0}, turf, Jacket::Red}, // the results window's red
      {{64, 116, 202}, turf, Jacket::Blue},   {{231, 177, 27}, turf, Jacket::Orange},
      {{20, 20, 20}, turf, Jacket::Black},    {{240, 240, 240}, turf, Jacket::White},
      {{240, 240, 240}, line, Jacket::White}, // a white jacket over the white line
      {{231, 234, 239}, line, Jacket::White}, // the same through JPEG coding
      {{228, 255, 225}, line, Jacket::None},  // the line itself, a little off
      {{255, 253, 234}, line, Jacket::None},  // a red nose's blur on the line: no white jacket
      {{40, 120, 50}, turf, Jacket::None},    // background
      {{130, 75, 40}, turf, Jacket::None},    // half way between red and turf
      {{120, 200, 120}, pale, Jacket::None},  // far from every jacket
  };
  for (const Case& c : cases)
    EXPECT_EQ(Nearest_Jacket(c.pixel, c.background), c.expected)
        << int(c.pixel[0]) << "," << int(c.pixel[1]) << "," << int(c.pixel[2]);
}

std::vector<Jacket> Along(std::initializer_list<std::pair<Jacket, int>> stretches) {
  std::vector<Jacket> along;
  for (const auto& [jacket, rows] : stretches)
    along.insert(along.end(), static_cast<size_t>(rows), jacket);
  return along;
}

TEST(JacketRuns, ShortGapsAreBridgedAndShortRunsDropped) {
  const auto none = Jacket::None;
  const std::vector<Jacket_Run> runs = Jacket_Runs(Along({{none, 5},
                                                          {Jacket::Red, 10},
                                                          {none, 2},
                                                          {Jacket::Red, 6},
                                                          {none, 3},
                                                          {Jacket::Red, 3},
                                                          {none, 10},
                                                          {Jacket::Blue, 3},
                                                          {none, 4}}));
  ASSERT_EQ(runs.size(), 1U); // the last red and the blue are too short alone
  EXPECT_EQ(runs[0].jacket, Jacket::Red);
  EXPECT_EQ(runs[0].first, 5);
  EXPECT_EQ(runs[0].last, 22); // 10 + 2 bridged + 6; the three after a gap of 3 stand apart
}

TEST(RunnerGroups, JacketsNameTheirBoxes) {
  const auto none = Jacket::None;
  const auto B = Jacket::Black, W = Jacket::White;
  struct Case {
    std::vector<Jacket> along;
    std::vector<int16_t> boxes;
  };
  const Case cases[] = {
      {Along({{Jacket::Red, 50}}), {1}},
      {Along({{Jacket::Blue, 50}, {none, 30}, {Jacket::Orange, 50}}), {2, 5}},
      {Along({{W, 50}}), {3}},
      {Along({{B, 50}}), {4}},
      {Along({{B, 17}, {W, 17}, {B, 16}}), {6}}, // stripes
      {Along({{W, 17}, {B, 17}, {W, 16}}), {6}},
      {Along({{B, 30}, {W, 8}}), {4}},  // one turn is no stripes: the more rows win
      {Along({{Jacket::Red, 8}}), {0}}, // too few rows to be a runner
      {Along({{Jacket::Red, 40}, {Jacket::Orange, 12}}), {1}},
  };
  for (const Case& c : cases) {
    const std::vector<Runner_Group> groups = Runner_Groups(Jacket_Runs(c.along));
    std::vector<int16_t> boxes;
    for (const Runner_Group& g : groups)
      boxes.push_back(g.box);
    EXPECT_EQ(boxes, c.boxes) << "case with " << c.along.size() << " rows";
  }
}

TEST(Stripes, LightRowsBetweenBlackOnesAreTheStripe) {
  // The stripe over a white painted line reads as background, not as a white jacket.
  std::vector<Jacket> along = Along({{Jacket::Black, 17}, {Jacket::None, 17}, {Jacket::Black, 16}});
  std::vector<bool> light(along.size(), false);
  for (size_t i = 17; i < 34; ++i)
    light[i] = true;
  Fill_Stripes(along, light);
  const std::vector<Runner_Group> groups = Runner_Groups(Jacket_Runs(along));
  ASSERT_EQ(groups.size(), 1U);
  EXPECT_EQ(groups[0].box, 6);

  // Dark rows between two black runners are turf, and too wide a gap is two runners.
  std::vector<Jacket> apart = Along({{Jacket::Black, 17}, {Jacket::None, 17}, {Jacket::Black, 16}});
  Fill_Stripes(apart, std::vector<bool>(apart.size(), false));
  EXPECT_EQ(Runner_Groups(Jacket_Runs(apart)).size(), 2U);
  std::vector<Jacket> wide = Along({{Jacket::Black, 20}, {Jacket::None, 30}, {Jacket::Black, 20}});
  Fill_Stripes(wide, std::vector<bool>(wide.size(), true));
  EXPECT_EQ(Runner_Groups(Jacket_Runs(wide)).size(), 2U);

  const uint8_t line[] = {230, 255, 239}, turf[] = {40, 120, 50}, grey[] = {200, 200, 120};
  EXPECT_TRUE(Is_Light(line));
  EXPECT_FALSE(Is_Light(turf));
  EXPECT_FALSE(Is_Light(grey));
}

} // namespace
