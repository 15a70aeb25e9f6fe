#include "timing/jacket_colours.h"
#include "timing/proposal_settings.h"

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

TEST(JacketRows, EachRowsBoxesWearTheirColours) {
  using J = Jacket;
  struct Case {
    Jacket_Rows rows;
    int16_t box;
    Jacket colour;
    Jacket stripe;
  };
  const Case cases[] = {
      {Jacket_Rows::Common, 1, J::Red, J::None},     {Jacket_Rows::Common, 3, J::White, J::None},
      {Jacket_Rows::Common, 4, J::Black, J::None},   {Jacket_Rows::Common, 5, J::Orange, J::None},
      {Jacket_Rows::Common, 6, J::Black, J::White},  {Jacket_Rows::Common, 7, J::Green, J::None},
      {Jacket_Rows::Common, 8, J::Yellow, J::Black}, {Jacket_Rows::American, 4, J::Green, J::None},
      {Jacket_Rows::American, 5, J::Black, J::None}, {Jacket_Rows::American, 6, J::Yellow, J::None},
      {Jacket_Rows::American, 7, J::None, J::None},  {Jacket_Rows::Synthetic, 6, J::Black, J::White},
      {Jacket_Rows::Synthetic, 2, J::Blue, J::None}, {Jacket_Rows::Common, 0, J::None, J::None},
  };
  for (const Case& c : cases) {
    const Jacket_Design d = Design_Of(c.rows, c.box);
    EXPECT_EQ(d.colour, c.colour) << Jacket_Rows_Text(c.rows).toStdString() << " box " << c.box;
    EXPECT_EQ(d.stripe, c.stripe) << Jacket_Rows_Text(c.rows).toStdString() << " box " << c.box;
  }
  // Both ways round, stripes name their box; a plain colour names its own.
  EXPECT_EQ(Striped_Box(Jacket_Rows::Common, J::Black, J::Yellow), 8);
  EXPECT_EQ(Striped_Box(Jacket_Rows::American, J::Black, J::White), 0);
  EXPECT_EQ(Box_Of(Jacket_Rows::American, J::Black), 5);
  EXPECT_EQ(Box_Of(Jacket_Rows::Common, J::Yellow), 0); // only in stripes there
}

TEST(JacketRows, TheSettingAndTheRecordingsSourceChooseTheRows) {
  EXPECT_EQ(Parse_Jacket_Rows(" american "), Jacket_Rows::American);
  EXPECT_EQ(Parse_Jacket_Rows("Common"), Jacket_Rows::Common);
  EXPECT_EQ(Parse_Jacket_Rows("Automatic"), std::nullopt);
  EXPECT_EQ(Parse_Jacket_Rows("Purple"), std::nullopt);
  // Automatic: the synthetic camera's own rows for its recordings, the common rows for all others.
  EXPECT_EQ(Rows_For_Recording(std::nullopt, "Synthetic camera / 1920*1080/25"), Jacket_Rows::Synthetic);
  EXPECT_EQ(Rows_For_Recording(std::nullopt, "USB3 HDMI / 1920*1080/50"), Jacket_Rows::Common);
  EXPECT_EQ(Rows_For_Recording(std::nullopt, ""), Jacket_Rows::Common);
  EXPECT_EQ(Rows_For_Recording(Jacket_Rows::American, "Synthetic camera / 1920*1080/25"), Jacket_Rows::American);
  for (const QString& word : Jacket_Rows_Choices())
    EXPECT_TRUE(word == "Automatic" || Jacket_Rows_Text(*Parse_Jacket_Rows(word)) == word) << word.toStdString();

  struct Case {
    const char* text;
    int32_t direction;
    bool known;
  };
  const Case cases[] = {{"Found", 0, true},
                        {"left to right", 1, true},
                        {"Left-to-right", 1, true},
                        {"RIGHT_TO_LEFT", -1, true},
                        {" right  to left ", -1, true},
                        {"upwards", 0, false},
                        {"", 0, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(Parse_Direction(c.text), c.direction) << c.text;
    EXPECT_EQ(Direction_Known(c.text), c.known) << c.text;
  }
  EXPECT_EQ(Parse_Direction(Direction_Text(-1)), -1);
}

TEST(RealColour, DyedJacketsInSunAndShadeButNoCoatOrGround) {
  struct Case {
    uint8_t rgb[3];
    Jacket expected;
  };
  const Case cases[] = {
      {{200, 28, 38}, Jacket::Red},     {{110, 16, 22}, Jacket::Red}, // in shade
      {{28, 58, 168}, Jacket::Blue},    {{238, 122, 24}, Jacket::Orange},
      {{24, 128, 62}, Jacket::Green},   {{236, 204, 32}, Jacket::Yellow},
      {{236, 236, 232}, Jacket::White}, {{130, 130, 127}, Jacket::White}, // a white jacket under a shadow
      {{26, 26, 30}, Jacket::Black},    {{196, 150, 100}, Jacket::None},  // a fawn coat
      {{128, 92, 60}, Jacket::None},                                      // brindle
      {{58, 40, 30}, Jacket::None},                                       // a brindle's dark streak
      {{178, 150, 112}, Jacket::None},                                    // sand
      {{44, 88, 46}, Jacket::None},                                       // grass beyond the rail
  };
  for (const Case& c : cases)
    EXPECT_EQ(Real_Colour(c.rgb), c.expected) << int(c.rgb[0]) << "," << int(c.rgb[1]) << "," << int(c.rgb[2]);
  // A jacket's colour is only a jacket where it differs plainly from the ground under it.
  const uint8_t green[] = {24, 128, 62}, turf[] = {58, 124, 52}, sand[] = {178, 150, 112};
  EXPECT_EQ(Classify_Jacket(Jacket_Rows::Common, green, turf), Jacket::None);
  EXPECT_EQ(Classify_Jacket(Jacket_Rows::Common, green, sand), Jacket::Green);
}

TEST(RunnerGroups, TheCommonRowsStripesAreTheirOwnBoxes) {
  const auto B = Jacket::Black, W = Jacket::White, Y = Jacket::Yellow;
  const auto boxes = [](std::initializer_list<std::pair<Jacket, int>> stretches) {
    std::vector<int16_t> out;
    for (const Runner_Group& g : Runner_Groups(Jacket_Runs(Along(stretches)), 4, 10, Jacket_Rows::Common))
      out.push_back(g.box);
    return out;
  };
  EXPECT_EQ(boxes({{Y, 12}, {B, 12}, {Y, 12}}), std::vector<int16_t>{8});
  EXPECT_EQ(boxes({{B, 12}, {W, 12}, {B, 12}}), std::vector<int16_t>{6});
  EXPECT_EQ(boxes({{Y, 40}}), std::vector<int16_t>{0}); // no plain yellow in these rows
  EXPECT_EQ(boxes({{Jacket::Green, 40}}), std::vector<int16_t>{7});
}

} // namespace
