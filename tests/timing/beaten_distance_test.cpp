#include "timing/beaten_distance.h"

#include "mock/scripted_prompts.h"
#include "platform/settings.h"
#include "platform/user_folders.h"

#include <QFile>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Distance_Case {
  double behind_ms;
  double seconds_per_length;
  double dis_limit;
  const char* expected;
};

// The greyhound rule first (0.08 s a length, "dis" beyond 12), then a slower length, whose
// small margins grow with it, and a tighter limit.
const std::vector<Distance_Case> distance_cases = {
    {0, 0.08, 12, "sh"},      {10, 0.08, 12, "sh"},     {1, 0.08, 12, "sh"},      {11, 0.08, 12, "hd"},
    {20, 0.08, 12, "hd"},     {30, 0.08, 12, "nk"},     {31, 0.08, 12, "1/2"},    {40, 0.08, 12, "1/2"},
    {49, 0.08, 12, "1/2"},    {50, 0.08, 12, "3/4"},    {60, 0.08, 12, "3/4"},    {80, 0.08, 12, "1"},
    {100, 0.08, 12, "1 1/4"}, {120, 0.08, 12, "1 1/2"}, {500, 0.08, 12, "6 1/4"}, {960, 0.08, 12, "12"},
    {965, 0.08, 12, "12"},    {980, 0.08, 12, "dis"},   {5000, 0.08, 12, "dis"},  {-40, 0.08, 12, "1/2"},
    {10, 0.16, 12, "sh"},     {20, 0.16, 12, "sh"},     {40, 0.16, 12, "hd"},     {60, 0.16, 12, "nk"},
    {80, 0.16, 12, "1/2"},    {160, 0.16, 12, "1"},     {480, 0.16, 12, "3"},     {30, 0.04, 12, "3/4"},
    {500, 0.08, 6, "dis"},    {480, 0.08, 6, "6"},      {1e12, 0.08, 12, "dis"},
};

TEST(Beaten_Distance, MarginsHalvesAndQuartersAndDis) {
  for (const Distance_Case& c : distance_cases) {
    const Distance_Rules rules{c.seconds_per_length, c.dis_limit};
    EXPECT_EQ(Beaten_Distance(c.behind_ms, rules), QString::fromLatin1(c.expected))
        << c.behind_ms << " ms at " << c.seconds_per_length << " s per length, limit " << c.dis_limit;
  }
}

Result_Row row(int16_t box, int32_t time, bool dead_heat = false) {
  Result_Row r;
  r.Box = box;
  r.Heat_Time = time;
  r.Dead_Heat = dead_heat;
  return r;
}

struct Rows_Case {
  const char* what;
  Result_Array sorted;
  std::array<const char*, Result_Rows> expected;
};

const std::vector<Rows_Case> rows_cases = {
    {"each finisher against the one just above it",
     {row(2, 29500), row(5, 29540), row(1, 29560), row(3, 29640), row(4, 30140), row(6, 31500)},
     {"", "1/2", "hd", "1", "6 1/4", "dis"}},
    {"a dead-heat mark is dht even a hundredth behind; equal times without it were parted by the photo",
     {row(2, 29500), row(5, 29510, true), row(1, 29600), row(3, 29600), row(4, Code_Did_Not_Finish),
      row(6, Code_No_Time)},
     {"", "dht", "1 1/4", "sh", "", ""}},
    {"rows without a time take no distance and leave the chain alone",
     {row(1, 30000), row(2, Code_Disqualified), row(3, Code_No_Rank), row(4, Code_No_Time), row(5, Code_No_Time),
      row(6, Code_No_Time)},
     {"", "", "", "", "", ""}},
    {"a dead-heat mark on the first finisher has nobody to share with",
     {row(4, 30000, true), row(1, 30030), row(2, Code_No_Time), row(3, Code_No_Time), row(5, Code_No_Time),
      row(6, Code_No_Time)},
     {"", "nk", "", "", "", ""}},
};

TEST(Beaten_Distance, SortedRowsMeasureFromTheFinisherAbove) {
  for (const Rows_Case& c : rows_cases) {
    const auto distances = Beaten_Distances(c.sorted, Distance_Rules{});
    for (std::size_t r = 0; r < distances.size(); ++r)
      EXPECT_EQ(distances.at(r), QString::fromLatin1(c.expected.at(r))) << c.what << ", row " << r;
  }
}

// Finer finish instants than the stored hundredths are measured as they are.
TEST(Beaten_Distance, FinerFinishInstantsAreUsedAsGiven) {
  std::array<std::optional<double>, Result_Rows> finish{30000.0, 30009.5, 30029.0, std::nullopt, 30070.0};
  const auto d = Beaten_Distances(finish, {}, Distance_Rules{});
  EXPECT_EQ(d.at(1), "sh");
  EXPECT_EQ(d.at(2), "hd");
  EXPECT_EQ(d.at(3), "");
  EXPECT_EQ(d.at(4), "1/2");
}

TEST(Beaten_Distance, RulesComeFromTheSettingsWithDefaultsForBadValues) {
  Prompts_Guard prompts;
  const QString ini = Local_AppData_Folder() + QStringLiteral("distance_rules.ini");
  QFile::remove(ini);
  Distance_Rules rules = Read_Distance_Rules(ini);
  EXPECT_DOUBLE_EQ(rules.seconds_per_length, 0.08);
  EXPECT_DOUBLE_EQ(rules.dis_limit_lengths, 12);

  ASSERT_EQ(Write_Ini_Value("Settings", "seconds_per_length", "0.16", ini), 1);
  ASSERT_EQ(Write_Ini_Value("Settings", "dis_limit", "30", ini), 1);
  rules = Read_Distance_Rules(ini);
  EXPECT_DOUBLE_EQ(rules.seconds_per_length, 0.16);
  EXPECT_DOUBLE_EQ(rules.dis_limit_lengths, 30);

  for (const char* bad : {"0", "-0.08", "fast", "nan", "inf"}) {
    ASSERT_EQ(Write_Ini_Value("Settings", "seconds_per_length", bad, ini), 1);
    EXPECT_DOUBLE_EQ(Read_Distance_Rules(ini).seconds_per_length, 0.08) << bad;
  }
  EXPECT_TRUE(prompts->seen.empty());
}

} // namespace
