// The small decisions around the finish: dead heats among proposals, the crossing between two
// marked noses, the delay the calibration trials propose, and the texts they are shown in.
#include "timing/finish_proposals.h"
#include "timing/led_calibration.h"
#include "timing/subfield_time.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

Finish_Proposals Proposals(const std::vector<std::pair<double, double>>& times) {
  Finish_Proposals p;
  for (size_t i = 0; i < p.size(); ++i) {
    p[i].box = static_cast<int16_t>(i + 1);
    if (i < times.size() && times[i].first >= 0) {
      p[i].found = true;
      p[i].interpolated_ms = times[i].first;
      p[i].uncertainty_ms = times[i].second;
    }
  }
  return p;
}

TEST(JoinDeadHeats, EqualWithinTheirUncertaintiesNeverSwapped) {
  struct Case {
    std::vector<std::pair<double, double>> in; // (instant, uncertainty) per box; negative: not found
    std::vector<double> out;
    std::vector<bool> dead_heat;
  };
  const Case cases[] = {
      // 5 ms apart with half-ms uncertainties: told apart, untouched.
      {{{29203.4, 0.5}, {29208.4, 0.5}}, {29203.4, 29208.4}, {false, false}},
      // A dead heat measured 0.6 apart: proposed as equal, the second box marked.
      {{{29203.9, 0.4}, {29203.3, 0.4}}, {29203.6, 29203.6}, {false, true}},
      // Three in a chain, the fourth apart; a box not found takes no part.
      {{{100.0, 0.5}, {100.8, 0.5}, {101.5, 0.5}, {110.0, 0.5}, {-1, 0}, {100.4, 0.5}},
       {100.7, 100.7, 100.7, 110.0, 0, 100.7},
       {false, true, true, false, false, true}},
      // Coarse proposals (a field's worth of uncertainty) join what they cannot tell apart.
      {{{200.0, 10}, {215.0, 10}}, {207.5, 207.5}, {false, true}},
  };
  for (const Case& c : cases) {
    Finish_Proposals p = Proposals(c.in);
    Join_Dead_Heats(p);
    for (size_t i = 0; i < c.out.size(); ++i) {
      EXPECT_NEAR(p[i].interpolated_ms, c.out[i], 1e-9) << "box " << i + 1;
      EXPECT_EQ(p[i].dead_heat, c.dead_heat[i]) << "box " << i + 1;
    }
  }
}

TEST(InterpolateMarks, CrossingBetweenTheFieldsEitherWay) {
  const Goal_Line vertical{200, 1, 200, 878};
  const Goal_Line slanted{200, 0, 220, 800}; // 1 px right every 40 rows
  struct Case {
    Nose_Mark a, b;
    Goal_Line line;
    bool ok;
    int64_t before;
    double offset_ms; // after the earlier mark's instant
    int32_t after_value;
  };
  const Case cases[] = {
      // Nose pixel 180 at t=0, 220 at t=20: the edges 180.5 and 220.5 move 2 px per ms, and reach
      // the line pixel (200) 19.5 px on.
      {{10, 1000, 180, 300, 802}, {11, 1020, 220, 300, 822}, vertical, true, 1000, 9.75, 11},
      {{11, 1020, 220, 300, 822}, {10, 1000, 180, 300, 802}, vertical, true, 1000, 9.75, 11}, // either order
      {{10, 1000, 199, 300, 802}, {11, 1020, 239, 300, 822}, vertical, true, 1000, 0.25, 11},
      {{10, 1000, 220, 300, 802}, {11, 1020, 180, 300, 822}, vertical, true, 1000, 9.75, 11}, // running left
      // On the line pixel in the earlier field: already at the line, no bracket.
      {{10, 1000, 200, 300, 802}, {11, 1020, 240, 300, 822}, vertical, false, 0, 0, 0},
      {{10, 1000, 150, 300, 802}, {11, 1020, 190, 300, 822}, vertical, false, 0, 0, 0}, // both before
      {{10, 1000, 150, 300, 802}, {10, 1000, 250, 300, 802}, vertical, false, 0, 0, 0}, // same picture
      // A slanted line: its pixel at row 400 is 210.
      {{10, 1000, 190, 400, 802}, {11, 1020, 230, 400, 822}, slanted, true, 1000, 9.75, 11},
  };
  for (const Case& c : cases) {
    QString why;
    const auto r = Interpolate_Marks(c.a, c.b, c.line, why);
    ASSERT_EQ(r.has_value(), c.ok) << c.a.x << " " << c.b.x << " " << why.toStdString();
    if (!r) {
      EXPECT_FALSE(why.isEmpty());
      continue;
    }
    EXPECT_EQ(r->before_instant, c.before);
    EXPECT_NEAR(r->after_before_ms, c.offset_ms, 1e-9);
    EXPECT_EQ(r->after_value, c.after_value);
    EXPECT_EQ(r->field_time_ms, 822);
    EXPECT_NEAR(r->uncertainty_ms, 0.5, 1e-9); // 2 px per ms
  }
  EXPECT_EQ(Line_Pixel_At(slanted, 400), 210);
  EXPECT_EQ(Line_Pixel_At(slanted, 0), 200);
  EXPECT_EQ(Line_Pixel_At(Goal_Line{5, 10, 9, 10}, 10), 5); // no height: its first point
}

TEST(LedCalibration, PlaceTextAndTheDelayOfSeveralTrials) {
  EXPECT_EQ(Parse_Led_Rect("340,760,40,40"), (Led_Rect{340, 760, 40, 40}));
  EXPECT_EQ(Parse_Led_Rect(" 1, 2 ,3,4"), (Led_Rect{1, 2, 3, 4}));
  for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,0,4", "1,2,3,-4", "a,2,3,4", "1.5,2,3,4"})
    EXPECT_FALSE(Parse_Led_Rect(QString::fromLatin1(bad))) << bad;
  EXPECT_EQ(Format_Led_Rect({340, 760, 40, 40}), "340,760,40,40");

  EXPECT_FALSE(Propose_Delay({}));
  const auto one = Propose_Delay({140});
  ASSERT_TRUE(one);
  EXPECT_EQ(one->delay_ms, 140);
  EXPECT_EQ(one->spread_ms, 0);
  // Each trial's lit field may be up to a field after the LED lit: the smallest is the nearest.
  const auto three = Propose_Delay({140, 120, 160});
  ASSERT_TRUE(three);
  EXPECT_EQ(three->trials, 3);
  EXPECT_EQ(three->delay_ms, 120);
  EXPECT_EQ(three->spread_ms, 40);
  EXPECT_DOUBLE_EQ(three->mean_ms, 140);
}

TEST(CrossingMs, GoalDelayRemovedAcrossTheClockWrap) {
  const Heat_Clock clock{std::numeric_limits<int32_t>::max() - 99, 200};
  // 29300 ms after a start 100 ms before the clock wraps.
  const int64_t instant = int64_t{std::numeric_limits<int32_t>::min()} + 29200;
  EXPECT_DOUBLE_EQ(Crossing_Ms(instant, clock), 29100);
  EXPECT_DOUBLE_EQ(Crossing_Ms(1000, Heat_Clock{0, 0}), 1000);
}

TEST(ProposalText, FieldTimeAndInterpolatedInstant) {
  Finish_Proposal p;
  EXPECT_EQ(Proposal_Text(p), "not found");
  p.found = true;
  p.time_ms = 29222;
  p.interpolated_ms = 29203.4;
  p.uncertainty_ms = 0.4;
  EXPECT_EQ(Proposal_Text(p), QString::fromUtf8("29,22 (29.2034 \u00b10.4 ms)"));
}

} // namespace
