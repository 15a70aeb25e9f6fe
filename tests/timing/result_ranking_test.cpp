#include "timing/result_ranking.h"

#include "metadata/xml_header.h"
#include "mock/scripted_prompts.h"
#include "timing/time_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// One box as a test writes it: time, split, click time, dead-heat mark (boxes in order 1..6).
struct Box_In {
  int32_t time = 0;
  int32_t split = 0;
  int32_t click = 0;
  bool dead_heat = false;
};

// What a ranked row shows: its box and the three texts, plus the dead-heat circle.
struct Row_Out {
  int16_t box;
  const char* rank;
  const char* time;
  const char* split;
  bool circle = false;
};

struct Ranking_Case {
  const char* what;
  std::vector<Box_In> boxes; // missing boxes have no time
  int32_t box_delay_ms;
  std::vector<Row_Out> expected; // the first rows in rank order
};

Box_Result_Table table_of(const std::vector<Box_In>& boxes) {
  Box_Result_Table table;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    table.at(i).heat_time = boxes.at(i).time;
    table.at(i).split_time = boxes.at(i).split;
    table.at(i).click_time = boxes.at(i).click;
    table.at(i).dead_heat = boxes.at(i).dead_heat;
    table.at(i).dog_name = QStringLiteral("Dog %1").arg(i + 1);
  }
  return table;
}

const std::vector<Ranking_Case> ranking_cases = {
    {"equal times rank by the earlier click",
     {{30000, 0, 900}, {31000, 0, 500}, {32000, 0, 400}, {33000, 0, 300}, {31000, 0, 200}, {34000, 0, 100}},
     0,
     {{1, "1", "30,00", "00,00"}, {5, "2", "31,00", "00,00"}, {2, "3", "31,00", "00,00"}, {3, "4", "32,00", "00,00"}}},
    {"dead heat on the second of a tie shares rank 1, the next is 3",
     {{0}, {29500, 0, 100}, {30000, 0, 300}, {0}, {29500, 0, 200, true}, {0}},
     0,
     {{2, "1", "29,50", "00,00"}, {5, "1", "29,50", "00,00", true}, {3, "3", "30,00", "00,00"}}},
    {"a dead-heat mark on the top row has no plain rank above it",
     {{29000, 0, 100, true}, {30000, 0, 200}},
     0,
     {{1, "0", "29,00", "00,00", true}, {2, "2", "30,00", "00,00"}}},
    {"two marks in a row share the same plain rank",
     {{29000, 0, 100}, {29000, 0, 200, true}, {29000, 0, 300, true}, {30000, 0, 400}},
     0,
     {{1, "1", "29,00", "00,00"},
      {2, "1", "29,00", "00,00", true},
      {3, "1", "29,00", "00,00", true},
      {4, "4", "30,00", "00,00"}}},
    {"codes rank after real times in their own order, a box without time last",
     {{0}, {Code_No_Rank, 0, 1}, {Code_Disqualified, 0, 2}, {Code_Did_Not_Finish, 0, 3}, {40000, 0, 4}, {0}},
     0,
     {{5, "1", "40,00", "00,00"},
      {4, "---", "DNF", "---,---"},
      {3, "---", "DSQ", "---,---"},
      {2, "---", "---,---", "---,---"},
      {1, "---", "---,---", "---,---"},
      {6, "---", "---,---", "---,---"}}},
    {"a disqualified box shows its split as ---,--- too",
     {{Code_Disqualified, 15000, 1}},
     0,
     {{1, "---", "DSQ", "---,---"}}},
    {"the box delay is added to times and splits", {{31250, 15000, 1}}, 100, {{1, "1", "31,35", "15,10"}}},
    {"a negative box delay is not shown but still added", {{31250, 0, 1}}, -50, {{1, "1", "31,20", "00,00"}}},
    {"split times ignore the order and show 00,00 from 888886 up",
     {{31000, 888885, 1}, {30000, 888886, 2}},
     0,
     {{2, "1", "30,00", "00,00"}, {1, "2", "31,00", "14:48,88"}}},
    {"a time at the first code shows as a code, one below it as a time",
     {{888885, 0, 1}, {888886, 0, 2}},
     0,
     {{1, "1", "14:48,88", "00,00"}, {2, "---", "DNF", "---,---"}}},
    {"a negative time is a real time and ranks first",
     {{500, 0, 1}, {-120, 0, 2}},
     0,
     {{2, "1", "-0,12", "00,00"}, {1, "2", "0,50", "00,00"}}},
};

} // namespace

TEST(Result_Ranking, RanksAndTextsOfEachRow) {
  Prompts_Guard prompts;
  for (const Ranking_Case& c : ranking_cases) {
    SCOPED_TRACE(c.what);
    Result_Array rows = Load_Result_Array(table_of(c.boxes));
    Sort_Result_Array(rows);
    const auto texts = Result_Row_Texts(rows, c.box_delay_ms);
    ASSERT_LE(c.expected.size(), rows.size());
    for (std::size_t r = 0; r < c.expected.size(); ++r) {
      SCOPED_TRACE("row " + std::to_string(r));
      const Row_Out& want = c.expected.at(r);
      EXPECT_EQ(rows.at(r).Box, want.box);
      EXPECT_EQ(rows.at(r).Dog_Name, QStringLiteral("Dog %1").arg(want.box));
      EXPECT_EQ(texts.at(r).rank, QString::fromLatin1(want.rank));
      EXPECT_EQ(texts.at(r).time, QString::fromLatin1(want.time));
      EXPECT_EQ(texts.at(r).split, QString::fromLatin1(want.split));
      EXPECT_EQ(texts.at(r).dead_heat_circle, want.circle);
    }
  }
  EXPECT_TRUE(prompts->seen.empty());
}

TEST(Result_Ranking, LoadingTakesBoxesOneToSixAndMarksMissingTimes) {
  Box_Result_Table table;
  table.at(0) = {12345, 0, 77, QStringLiteral("Rex"), true};
  table.at(6) = {1000, 500, 1, QStringLiteral("Seventh"), false}; // box 7 takes no part
  const Result_Array rows = Load_Result_Array(table);
  EXPECT_EQ(rows.at(0).Box, 1);
  EXPECT_EQ(rows.at(0).Heat_Time, 12345);
  EXPECT_EQ(rows.at(0).Split_Time, Code_No_Time);
  EXPECT_EQ(rows.at(0).Click_Time, 77);
  EXPECT_EQ(rows.at(0).Dog_Name, QStringLiteral("Rex"));
  EXPECT_TRUE(rows.at(0).Dead_Heat);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    EXPECT_EQ(rows.at(i).Box, static_cast<int16_t>(i + 1));
    EXPECT_EQ(rows.at(i).Heat_Time, Code_No_Time);
    EXPECT_NE(rows.at(i).Dog_Name, QStringLiteral("Seventh"));
  }
}

TEST(Result_Ranking, RowsEqualInBothKeysKeepTheirOrderAndSortingIsComplete) {
  // Worst case for a neighbour-exchange sort: fully reversed, with a tie kept in box order.
  Box_Result_Table table;
  const int32_t times[] = {60000, 50000, 40000, 40000, 20000, 10000};
  for (std::size_t i = 0; i < 6; ++i)
    table.at(i) = {times[i], 0, 5, QString(), false};
  Result_Array rows = Load_Result_Array(table);
  Sort_Result_Array(rows);
  const int16_t order[] = {6, 5, 3, 4, 2, 1};
  for (std::size_t r = 0; r < rows.size(); ++r)
    EXPECT_EQ(rows.at(r).Box, order[r]) << r;
  // Sorting again changes nothing.
  const Result_Array once = rows;
  Sort_Result_Array(rows);
  for (std::size_t r = 0; r < rows.size(); ++r)
    EXPECT_EQ(rows.at(r).Box, once.at(r).Box);
}

TEST(Result_Ranking, ExtremeDelaysAndTimesStayInRange) {
  Prompts_Guard prompts;
  Box_Result_Table table;
  table.at(0) = {31000, 20000, 1, QString(), false};
  table.at(1) = {INT32_MIN, INT32_MIN, 2, QString(), false};
  Result_Array rows = Load_Result_Array(table);
  Sort_Result_Array(rows);
  EXPECT_EQ(rows.at(0).Box, 2);
  // Time and delay are summed in 64 bits and kept within 32: never a wrapped, positive text
  // for a sum below the range, nor a negative one above it.
  const auto high = Result_Row_Texts(rows, INT32_MAX);
  EXPECT_EQ(high.at(1).time, "20:31:23,65"); // 31000 + INT32_MAX, kept at INT32_MAX
  EXPECT_EQ(high.at(0).time, "-0,00");       // INT32_MIN + INT32_MAX = -1 ms
  const auto low = Result_Row_Texts(rows, INT32_MIN);
  EXPECT_EQ(low.at(0).time, "-20:31:23,65"); // kept at INT32_MIN
  EXPECT_EQ(low.at(0).split, "-20:31:23,65");
  EXPECT_EQ(low.at(1).time, "-20:30:52,65"); // 31000 ms later
  EXPECT_EQ(low.at(1).split, "-20:31:03,65");
}

TEST(Result_Ranking, RankedFromARecordingHeader) {
  Prompts_Guard prompts;
  Cls_XML_header header;
  header.Create_Header();
  header.set_Dora_Heat_time(1, false, 31250);
  header.set_Dora_Heat_Click_Time(1, 10);
  header.set_Dora_Dog_name(1, QStringLiteral("Rex"));
  header.set_Dora_Heat_time(3, false, 30000);
  header.set_Dora_Heat_time(3, true, 14000);
  header.set_Dora_Heat_Click_Time(3, 20);
  header.set_Dora_Dog_name(3, QStringLiteral("Max"));
  header.set_Dora_Heat_time(4, false, Code_Disqualified);
  header.set_Dora_Heat_time(6, false, 30000);
  header.set_Dora_Heat_Click_Time(6, 30);
  header.set_Dora_dead_heat(6, true);
  header.set_Dora_Heat_time(7, false, 100); // not one of the six boxes
  const auto ranked = Rank_Results(header, 100);
  const int16_t boxes[] = {3, 6, 1, 4, 2, 5};
  const char* ranks[] = {"1", "1", "3", "---", "---", "---"};
  const char* times[] = {"30,10", "30,10", "31,35", "DSQ", "---,---", "---,---"};
  for (std::size_t r = 0; r < ranked.size(); ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(ranked.at(r).row.Box, boxes[r]);
    EXPECT_EQ(ranked.at(r).text.rank, QString::fromLatin1(ranks[r]));
    EXPECT_EQ(ranked.at(r).text.time, QString::fromLatin1(times[r]));
  }
  EXPECT_EQ(ranked.at(0).text.split, QStringLiteral("14,10"));
  EXPECT_EQ(ranked.at(0).row.Dog_Name, QStringLiteral("Max"));
  EXPECT_TRUE(ranked.at(1).text.dead_heat_circle);
}
