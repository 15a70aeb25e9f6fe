#include "timing/photo_series.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One ranked row as a test writes it.
struct Row_In {
  int16_t box;
  int32_t time;
  int32_t split = Code_No_Time;
  bool dead_heat = false;
  const char* name = "";
};

Result_Array rows_of(const std::vector<Row_In>& in) {
  Result_Array rows;
  for (std::size_t i = 0; i < in.size(); ++i) {
    rows.at(i).Box = in.at(i).box;
    rows.at(i).Heat_Time = in.at(i).time;
    rows.at(i).Split_Time = in.at(i).split;
    rows.at(i).Dead_Heat = in.at(i).dead_heat;
    rows.at(i).Dog_Name = QString::fromLatin1(in.at(i).name);
  }
  // Rows a test leaves out have no time, as the ranking leaves boxes without one.
  for (std::size_t i = in.size(); i < rows.size(); ++i)
    rows.at(i).Box = static_cast<int16_t>(i + 1);
  return rows;
}

QString name27(const char* name) { return QString::fromLatin1(name).leftJustified(27, QLatin1Char(' '), true); }

} // namespace

TEST(Photo_Series, TimeTexts) {
  struct Case {
    int32_t ms, delay;
    const char* text;
  };
  const Case cases[] = {
      {Code_No_Time, 20, "00,00"},   {Code_No_Rank, 20, "Notime"},
      {Code_Disqualified, 0, "DSQ"}, {Code_Did_Not_Finish, 0, "DNF"},
      {29500, 0, "29,50"},           {29500, 20, "29,52"},
      {61230, 0, "1:01,23"},         {2147483000, 2000, "20:31:23,65"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Series_Time_Text(c.ms, c.delay), QString::fromLatin1(c.text)) << c.ms << " + " << c.delay;
}

TEST(Photo_Series, RunnersStopAtTheFirstPlaceWithoutATime) {
  struct Case {
    const char* what;
    std::vector<Row_In> rows;
    bool split;
    std::vector<Series_Runner> expected;
  };
  const std::vector<Case> cases = {
      {"two dogs with times", {{4, 29000}, {2, 29500}}, false, {{1, 4}, {2, 2}}},
      {"six dogs",
       {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}},
       false,
       {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}},
      {"nobody", {}, false, {}},
      {"a time of 0 ends them too", {{3, 29000}, {5, 0}, {6, 31000}}, false, {{1, 3}}},
      {"codes have pictures where they were stored", {{1, 29000}, {2, Code_Disqualified}}, false, {{1, 1}, {2, 2}}},
      {"a split series takes split times",
       {{1, 29000, 9000}, {2, 29500, Code_No_Time}, {3, 30000, 9500}},
       true,
       {{1, 1}}},
      {"a split series without splits is empty", {{1, 29000}, {2, 29500}}, true, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Series_Runners(rows_of(c.rows), c.split), c.expected) << c.what;
}

TEST(Photo_Series, TableLines) {
  struct Case {
    const char* what;
    std::vector<Row_In> rows;
    int32_t delay;
    std::vector<Series_Table_Line> expected;
  };
  const std::vector<Case> cases = {
      {"two dogs, nothing after them",
       {{4, 29000, 9010, false, "Rex"}, {2, 29500, Code_No_Time, false, "Max"}},
       0,
       {{"1  4  " + name27("Rex") + " 9,01 29,00", false}, {"2  2  " + name27("Max") + " 00,00 29,50", false}}},
      {"a dead heat shares the count and marks both dogs",
       {{2, 29500, Code_No_Time, false, "Ann"}, {5, 29500, Code_No_Time, true, "Bea"}, {3, 30000}},
       0,
       {{"1  2  " + name27("Ann") + " 00,00 29,50 Dead heat", true},
        {"1  5  " + name27("Bea") + " 00,00 29,50 Dead heat", true},
        {"2  3  " + name27("") + " 00,00 30,00", false}}},
      {"the box delay is added to both times",
       {{1, 29000, 9000, false, "A"}},
       20,
       {{"1  1  " + name27("A") + " 9,02 29,02", false}}},
      {"codes print as words and count",
       {{1, 29000}, {2, Code_No_Rank}, {3, Code_Disqualified}, {4, Code_Did_Not_Finish}},
       0,
       {{"1  1  " + name27("") + " 00,00 29,00", false},
        {"2  2  " + name27("") + " 00,00 Notime", false},
        {"3  3  " + name27("") + " 00,00 DSQ", false},
        {"4  4  " + name27("") + " 00,00 DNF", false}}},
      {"a long name is cut to 27 characters",
       {{6, 31000, Code_No_Time, false, "Abcdefghijklmnopqrstuvwxyz0123"}},
       0,
       {{"1  6  Abcdefghijklmnopqrstuvwxyz0 00,00 31,00", false}}},
      {"nobody has a time: no lines", {}, 0, {}},
  };
  for (const Case& c : cases) {
    const auto lines = Series_Table(rows_of(c.rows), c.delay);
    ASSERT_EQ(lines.size(), c.expected.size()) << c.what;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines.at(i).text, c.expected.at(i).text) << c.what << " line " << i;
      EXPECT_EQ(lines.at(i).dead_heat, c.expected.at(i).dead_heat) << c.what << " line " << i;
    }
  }
}
