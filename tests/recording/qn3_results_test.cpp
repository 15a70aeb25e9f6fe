// The results command: the ranked rows of a recording as the results window shows them, with the
// box delay of the settings file unless one is given.
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "qn3_commands.h"
#include "qn3_tool_run.h"
#include "recording/video_file_handler.h"
#include "timing/result_ranking.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Box {
  int32_t time;
  int32_t split;
  int32_t click;
  bool dead_heat;
  const char* name;
};

// What the results window shows with a box delay of 100 ms, in rank order, each time beside its
// milliseconds, then the dead heat (both dogs of the tie), the distance, the code and the heat each
// row belongs to; the recording's ID, frame digest and audit head follow.
const char* const Rows_With_Delay_100[] = {
    R"(1,2,Bolt,"29,60",29600,"00,00",,1,,,Provisional,Demo,1,Demo heat,0)",
    R"(1,5,Flash,"29,60",29600,"00,00",,1,dht,,Provisional,Demo,1,Demo heat,0)",
    R"(3,1,Rex,"31,35",31350,"15,10",15100,0,dis,,Provisional,Demo,1,Demo heat,0)",
    R"(---,6,Max,DNF,,"---,---",,0,,DNF,Provisional,Demo,1,Demo heat,0)",
    R"(---,3,Sky,DSQ,,"---,---",,0,,DSQ,Provisional,Demo,1,Demo heat,0)",
    R"(---,4,"Ace, Jr","---,---",,"---,---",,0,,unset,Provisional,Demo,1,Demo heat,0)"};
const char* const Columns = "rank,box,name,time,time_ms,split,split_ms,dead_heat,distance,code,state,event,heat,"
                            "heat_name,start_recovered,recording_id,frame_sha256,audit_head";

// A row without its last three fields, which name the recording.
QString Without_Evidence(const QString& line) { return line.section(QLatin1Char(','), 0, -4); }

struct Qn3_Results : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QString path;

  void SetUp() override {
    program() = Program_Info{};
    QFile::remove(Ini());
    path = dir.filePath(QStringLiteral("heat.qn3"));
    ASSERT_EQ(Run_Tool({"demo", path, "--from", "29000", "--to", "29120", "--crop", "64x64"}).status, 0);
    const Box boxes[] = {
        {31250, 15000, 5, false, "Rex"}, {29500, 0, 2, false, "Bolt"}, {Code_Disqualified, 0, 1, false, "Sky"},
        {0, 0, 0, false, "Ace, Jr"},     {29500, 0, 3, true, "Flash"}, {Code_Did_Not_Finish, 0, 4, false, "Max"}};
    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(path));
    for (int16_t box = 1; box <= 6; ++box) {
      const Box& b = boxes[box - 1];
      h.set_Dora_Heat_time(box, false, b.time);
      h.set_Dora_Heat_time(box, true, b.split);
      h.set_Dora_Heat_Click_Time(box, b.click);
      h.set_Dora_dead_heat(box, b.dead_heat);
      h.set_Dora_Dog_name(box, QString::fromLatin1(b.name));
    }
    // What the recording says is not what the operator has set now.
    h.set_Dora_box_delay(QStringLiteral("40"));
    ASSERT_TRUE(h.Write_XML_Header());
    h.Close_File();
  }
  void TearDown() override { program() = Program_Info{}; }

  static QString Ini() { return Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini"); }
  void set_box_delay(const QString& value) { ASSERT_EQ(Write_Ini_Value("Settings", "box_delay", value, Ini()), 1); }
  static QStringList lines(const Outcome& o) { return o.out.split('\n', Qt::SkipEmptyParts); }
};

TEST_F(Qn3_Results, RowsInRankOrderWithTheBoxDelayOfTheSettings) {
  set_box_delay("100");
  const Outcome o = Run_Tool({"results", path});
  ASSERT_EQ(o.status, 0) << o.err.toStdString();
  QStringList expected{"Box delay = 100ms", Columns};
  for (const char* row : Rows_With_Delay_100)
    expected << QString::fromLatin1(row);
  QStringList got = lines(o);
  for (qsizetype i = 2; i < got.size(); ++i) {
    EXPECT_EQ(got.at(i).section(QLatin1Char(','), -2, -2).size(), 64) << "the frame digest";
    got[i] = Without_Evidence(got.at(i));
  }
  EXPECT_EQ(got, expected);

  // A given delay wins over the setting; 0 shows no delay line.
  const QStringList plain = lines(Run_Tool({"results", path, "--box-delay", "0"}));
  ASSERT_EQ(plain.size(), 7);
  EXPECT_EQ(plain.at(0), Columns);
  EXPECT_TRUE(plain.at(1).startsWith(R"(1,2,Bolt,"29,50",29500,"00,00",,1,)"));
  EXPECT_TRUE(plain.at(3).startsWith(R"(3,1,Rex,"31,25",31250,"15,00",15000,0,dis,)"));
  EXPECT_EQ(Run_Tool({"results", path, "--box-delay", "x"}).status, qn3_tool::Exit_Usage);
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Qn3_Results, JsonRowsCarryTheWindowsTexts) {
  set_box_delay("100");
  const Outcome o = Run_Tool({"results", path, "--json"});
  ASSERT_EQ(o.status, 0) << o.err.toStdString();
  const QJsonArray rows = QJsonDocument::fromJson(o.out.toUtf8()).array();
  ASSERT_EQ(rows.size(), 6);
  QStringList keys{"audit_head", "box",    "code", "dead_heat",    "distance", "event",    "frame_sha256",    "heat",
                   "heat_name",  "name",   "rank", "recording_id", "split",    "split_ms", "start_recovered", "state",
                   "time",       "time_ms"};
  for (const QJsonValue& row : rows)
    EXPECT_EQ(row.toObject().keys(), keys);
  const QJsonObject second = rows.at(1).toObject();
  EXPECT_EQ(second["rank"].toString(), "1");
  EXPECT_EQ(second["box"].toInt(), 5);
  EXPECT_EQ(second["name"].toString(), "Flash");
  EXPECT_EQ(second["time"].toString(), "29,60");
  EXPECT_EQ(second["split"].toString(), "00,00");
  EXPECT_TRUE(second["dead_heat"].toBool());
  EXPECT_TRUE(rows.at(0).toObject()["dead_heat"].toBool()) << "both dogs of the tie";
  EXPECT_FALSE(rows.at(2).toObject()["dead_heat"].toBool());
  EXPECT_EQ(second["time_ms"].toInt(), 29600);
  EXPECT_TRUE(second["split_ms"].isNull());
  EXPECT_EQ(rows.at(2).toObject()["split_ms"].toInt(), 15100);
  EXPECT_EQ(rows.at(2).toObject()["split"].toString(), "15,10");
  EXPECT_EQ(rows.at(4).toObject()["time"].toString(), "DSQ");
  EXPECT_EQ(rows.at(5).toObject()["name"].toString(), "Ace, Jr");
  EXPECT_EQ(second["distance"].toString(), "dht");
  EXPECT_EQ(rows.at(2).toObject()["distance"].toString(), "dis");
  EXPECT_EQ(rows.at(3).toObject()["code"].toString(), "DNF");
  EXPECT_EQ(second["state"].toString(), "Provisional");
  EXPECT_EQ(second["event"].toString(), "Demo");
}

// The distance rules come from the settings, and an option wins over them.
TEST_F(Qn3_Results, DistancesFollowTheRulesInForce) {
  const auto rex = [&](const QStringList& extra) {
    const QStringList out = lines(Run_Tool(QStringList{"results", path} + extra));
    return out.size() > 3 ? out.at(3).section(',', 10, 10) : QString();
  };
  EXPECT_EQ(rex({}), "dis");
  ASSERT_EQ(Write_Ini_Value("Settings", "dis_limit", "30", Ini()), 1);
  EXPECT_EQ(rex({}), "22"); // 1.75 s at 0.08 s a length
  ASSERT_EQ(Write_Ini_Value("Settings", "seconds_per_length", "0.14", Ini()), 1);
  EXPECT_EQ(rex({}), "12 1/2");
  EXPECT_EQ(rex({"--seconds-per-length", "0.08", "--dis-limit", "20"}), "dis");
  EXPECT_EQ(Run_Tool({"results", path, "--seconds-per-length", "0"}).status, qn3_tool::Exit_Usage);
  EXPECT_EQ(Run_Tool({"results", path, "--dis-limit", "many"}).status, qn3_tool::Exit_Usage);
}

// Without a setting the delay is 0; a setting that is no number is reported and counts as 0.
TEST_F(Qn3_Results, MissingOrBadSettingMeansNoDelay) {
  EXPECT_TRUE(lines(Run_Tool({"results", path})).at(1).startsWith(R"(1,2,Bolt,"29,50",29500,"00,00",,1,)"));
  EXPECT_TRUE(errors.reports.empty());
  set_box_delay("ten");
  program() = Program_Info{};
  const Outcome o = Run_Tool({"results", path});
  ASSERT_EQ(o.status, 0);
  EXPECT_TRUE(lines(o).at(1).startsWith(R"(1,2,Bolt,"29,50",29500,"00,00",,1,)"));
  ASSERT_EQ(errors.reports.size(), 1U);
  EXPECT_EQ(errors.reports.at(0).extra, "box_delay = ten");
}

} // namespace

// A demo heat carries the delays in force when it was made, as a recorded heat does; its camera's
// delay is the goal compensation.
TEST_F(Qn3_Results, DemoStoresTheDelaysInForce) {
  for (const auto& [key, value] :
       {std::pair{"goal_compensation", "150"}, {"split_compensation", "120"}, {"box_delay", "30"}})
    ASSERT_EQ(Write_Ini_Value("Settings", key, value, Ini()), 1);
  program() = Program_Info{};
  const QString made = dir.filePath(QStringLiteral("delays.qn3"));
  ASSERT_EQ(
      Run_Tool({"demo", made, "--from", "29000", "--to", "29040", "--crop", "32x32", "--video-delay", "90"}).status, 0);
  cls_VideoFile_handler h;
  ASSERT_TRUE(h.Open_File(made));
  EXPECT_EQ(h.Dora_Goal_compensation(), "90");
  EXPECT_EQ(h.Dora_Split_compensation(), "120");
  EXPECT_EQ(h.Dora_box_delay(), "30");
}
