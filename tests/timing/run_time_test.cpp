#include "timing/run_time.h"

#include "timing/result_ranking.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(PictureRunTime, StartFieldAndCompensation) {
  struct Case {
    int32_t capture, start;
    int16_t field;
    double compensation;
    int32_t expected;
    double field_interval = 20;
  };
  constexpr int32_t max = std::numeric_limits<int32_t>::max();
  constexpr int32_t min = std::numeric_limits<int32_t>::min();
  const Case cases[] = {
      {101000, 100000, 1, 200, 802},
      {101000, 100000, 2, 200, 822},
      {101000, 100000, 1, 0, 1002},
      {101000, 100000, 1, 200.5, 802},    // 801.5: half to even
      {101000, 100000, 1, 199.5, 802},    // 802.5: half to even
      {100000, 101000, 1, 0, -998},       // before the start
      {min + 500, max - 499, 1, 0, 1002}, // the capture clock wrapped during the heat
      {5000, 0, 2, -1e12, max},           // kept within 32 bits
      {5000, 0, 1, 1e12, min},
      {101000, 100000, 2, 0, 1019, 16.6833}, // 60 Hz fields: 1018.68
      {101000, 100000, 2, 0, 1002, 0},       // progressive: one instant per frame
  };
  for (const Case& c : cases)
    EXPECT_EQ(Picture_Run_Time(c.capture, c.start, c.field, c.compensation, c.field_interval), c.expected)
        << c.capture << " " << c.start << " " << c.field << " " << c.compensation;
}

TEST(BoxButtonTime, PlusHundredthAndNoTimeCodes) {
  EXPECT_EQ(Box_Button_Time(802, false), 802);
  EXPECT_EQ(Box_Button_Time(802, true), 812);
  EXPECT_EQ(Box_Button_Time(std::numeric_limits<int32_t>::max() - 3, true), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(Box_Button_Time(-5, true), 5);

  EXPECT_EQ(No_Time_Code("DNF"), Code_Did_Not_Finish);
  EXPECT_EQ(No_Time_Code("DSQ"), Code_Disqualified);
  EXPECT_EQ(No_Time_Code("No Rnk"), Code_No_Rank);
  EXPECT_EQ(No_Time_Code("No Time"), Code_No_Rank); // no kind chosen yet
}

} // namespace
