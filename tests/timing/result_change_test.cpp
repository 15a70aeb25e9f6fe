// A result change as the officials need it: the header, the audit trail and the result files,
// and a declared result that keeps its times.
#include "timing/result_change.h"

#include "metadata/xml_header.h"
#include "mock/fake_clock.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "recording/audit_trail.h"
#include "recording/video_file_handler.h"
#include "timing/result_files.h"
#include "timing/result_state.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray bytes_of(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Result_Change_Fixture : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  Fake_Clock clock;
  QTemporaryDir dir;
  QString path;
  QString results;
  cls_VideoFile_handler h;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = dir.filePath(QStringLiteral("Doravent_HDMI.ini"));
    results = dir.filePath(QStringLiteral("results"));
    ASSERT_EQ(Write_Ini_Value("Settings", "results_folder", results, program().Settings_File_Path), 1);
    path = dir.filePath(QStringLiteral("heat 7.qn3"));
    ASSERT_TRUE(review_recordings::Write(path, review_recordings::Spec{}));
    ASSERT_TRUE(h.Open_File(path));
  }
  void TearDown() override {
    h.Close_File();
    program() = Program_Info{};
  }
  QString trail() const { return Audit_Trail_Path(path); }
  Audit_Check check() const {
    return Check_Audit_Trail(bytes_of(trail()), Parse_Audit_Head(h.XML_Header().Dora_Audit_Head()));
  }
  bool set_time(int16_t box, int32_t ms, const char* command = "Box button") {
    return Write_Result_Change(h, QString::fromLatin1(command), [&] { h.set_Dora_Heat_time(box, false, ms); });
  }
  bool declare(Result_State state) {
    return Write_Result_Change(h, QStringLiteral("Declare"),
                               [&] { h.XML_Header().set_Dora_Result_State(Result_State_Text(state)); });
  }
  QJsonArray published() const {
    return QJsonDocument::fromJson(bytes_of(results + QStringLiteral("/heat 7.json"))).array();
  }
};

TEST_F(Result_Change_Fixture, EachChangeIsInTheFileTheTrailAndTheResultFiles) {
  clock.local = QDateTime(QDate(2026, 5, 17), QTime(14, 30, 5, 250));
  ASSERT_TRUE(set_time(3, 31250, "Box 3 button"));
  clock.advance(1000);
  ASSERT_TRUE(Write_Result_Change(h, QStringLiteral("Dead heat"), [&] {
    h.set_Dora_Heat_time(5, false, 31260);
    h.set_Dora_dead_heat(5, true);
  }));

  cls_VideoFile_handler again;
  ASSERT_TRUE(again.Open_File(path));
  EXPECT_EQ(again.Dora_Heat_time(3, false), 31250);
  EXPECT_EQ(again.XML_Header().Dora_Audit_Head(), h.XML_Header().Dora_Audit_Head());
  again.Close_File();

  const Audit_Check c = check();
  ASSERT_TRUE(c.holds()) << c.why.toStdString();
  ASSERT_EQ(c.entries.size(), 3U);
  const Audit_Entry& first = c.entries.at(0);
  EXPECT_EQ(first.time, "2026-05-17 14:30:05.250");
  EXPECT_EQ(first.command, "Box 3 button");
  EXPECT_EQ(first.what, "box 3 time");
  EXPECT_EQ(first.old_value, "not set");
  EXPECT_EQ(first.new_value, "31250 ms");
  EXPECT_EQ(c.entries.at(1).what, "box 5 time");
  EXPECT_EQ(c.entries.at(2).what, "box 5 dead heat");
  EXPECT_EQ(c.entries.at(2).old_value, "no");
  EXPECT_EQ(c.entries.at(2).new_value, "yes");
  EXPECT_EQ(c.entries.at(2).time, "2026-05-17 14:30:06.250");

  const QJsonArray rows = published();
  ASSERT_EQ(rows.size(), 6);
  EXPECT_EQ(rows.at(0).toObject()["box"].toInt(), 3);
  EXPECT_EQ(rows.at(1).toObject()["distance"].toString(), "dht");
  EXPECT_EQ(rows.at(1).toObject()["state"].toString(), "Provisional");
  EXPECT_EQ(rows.at(1).toObject()["event"].toString(), "Spring Cup");
  EXPECT_EQ(rows.at(2).toObject()["code"].toString(), "unset");
  const QByteArray csv = bytes_of(results + QStringLiteral("/heat 7.csv"));
  EXPECT_TRUE(csv.startsWith("rank,box,name,time,time_ms,split,split_ms,dead_heat,distance,code,state,event,heat,"
                             "heat_name,start_recovered,recording_id,frame_sha256,audit_head\n"));
  EXPECT_TRUE(csv.contains("\n1,5,dog name,\"31,26\",31260,\"00,00\",,1,dht,,Provisional,Spring Cup,7,Final,0,"))
      << csv.toStdString();
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Result_Change_Fixture, ADeclaredResultKeepsItsTimesButTakesNamesAndReopening) {
  ASSERT_TRUE(set_time(2, 30000));
  ASSERT_TRUE(declare(Result_State::Official));
  EXPECT_TRUE(Refuse_Declared_Result(h));
  const QByteArray file_before = bytes_of(path);
  const QByteArray trail_before = bytes_of(trail());

  // Every kind of time change is taken back, with the reason told.
  prompts->seen.clear();
  EXPECT_FALSE(set_time(2, 30010));
  EXPECT_FALSE(Write_Result_Change(h, "Split", [&] { h.set_Dora_Heat_time(4, true, 15000); }));
  EXPECT_FALSE(Write_Result_Change(h, "Dead heat", [&] { h.set_Dora_dead_heat(1, true); }));
  EXPECT_EQ(h.Dora_Heat_time(2, false), 30000);
  EXPECT_EQ(h.Dora_Heat_time(4, true), 0);
  EXPECT_FALSE(h.Dora_dead_heat(1));
  EXPECT_EQ(bytes_of(path), file_before);
  EXPECT_EQ(bytes_of(trail()), trail_before);
  ASSERT_EQ(prompts->seen.size(), 3U);
  EXPECT_EQ(prompts->seen.at(0).text, "The result is Official: reopen it with a reason to change times.");

  // A name is no time.
  EXPECT_TRUE(Write_Result_Change(h, "Change dog name", [&] { h.set_Dora_Dog_name(2, QStringLiteral("Bolt")); }));
  ASSERT_TRUE(Write_Result_Change(h, "Reopen result: photo read again", [&] {
    h.XML_Header().set_Dora_Result_State(Result_State_Text(Result_State::Provisional));
  }));
  EXPECT_FALSE(Refuse_Declared_Result(h));
  EXPECT_TRUE(set_time(2, 30010));

  const Audit_Check c = check();
  ASSERT_TRUE(c.holds()) << c.why.toStdString();
  QStringList lines;
  for (const Audit_Entry& e : c.entries)
    lines << e.command + " | " + e.what + " | " + e.old_value + " -> " + e.new_value;
  EXPECT_EQ(lines, QStringList({"Box button | box 2 time | not set -> 30000 ms",
                                "Declare | result state | Provisional -> Official",
                                "Change dog name | box 2 dog name | dog name -> Bolt",
                                "Reopen result: photo read again | result state | Official -> Provisional",
                                "Box button | box 2 time | 30000 ms -> 30010 ms"}));
}

TEST_F(Result_Change_Fixture, NoRaceAlsoKeepsTheTimes) {
  ASSERT_TRUE(declare(Result_State::No_Race));
  EXPECT_FALSE(set_time(1, 29000));
  EXPECT_EQ(h.Dora_Heat_time(1, false), 0);
  EXPECT_EQ(prompts->seen.back().text, "The result is No Race: reopen it with a reason to change times.");
  EXPECT_EQ(published().at(0).toObject()["state"].toString(), "No Race");
}

// The header block holds at most 32000 characters: a change past that is refused by the file and
// leaves no trace anywhere.
TEST_F(Result_Change_Fixture, AChangeTheFileRefusesLeavesNoEntryAndNoResultFile) {
  const QByteArray before = bytes_of(path);
  EXPECT_FALSE(Write_Result_Change(h, "Change dog name", [&] { h.set_Dora_Dog_name(1, QString(40000, 'x')); }));
  EXPECT_EQ(bytes_of(path), before);
  EXPECT_FALSE(QFile::exists(trail()));
  EXPECT_FALSE(QFile::exists(results + QStringLiteral("/heat 7.json")));
  EXPECT_EQ(h.XML_Header().Dora_Audit_Head(), "");
  ASSERT_EQ(errors.reports.size(), 1U);
  EXPECT_TRUE(errors.reports.at(0).location.startsWith("Write_XML_Header of "));
}

// A results folder that cannot be made is reported; the change and its entry stand.
TEST_F(Result_Change_Fixture, AnUnwritableResultsFolderIsReportedAndTheChangeStands) {
  QFile blocker(results);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
  blocker.close();
  ASSERT_TRUE(set_time(6, 33000));
  EXPECT_EQ(h.Dora_Heat_time(6, false), 33000);
  EXPECT_EQ(check().entries.size(), 1U);
  ASSERT_EQ(errors.reports.size(), 1U);
  EXPECT_EQ(errors.reports.at(0).location, "Write_Result_Files of Module Module_Results");
}

// A trail that cannot be appended to is reported; the header, which never depends on the trail,
// keeps the change, and the trail's check then names the entry it lacks.
TEST_F(Result_Change_Fixture, AnUnwritableTrailIsReportedAndFoundMissingLater) {
  ASSERT_TRUE(set_time(1, 29000));
  ASSERT_TRUE(QFile::remove(trail()));
  ASSERT_TRUE(QDir().mkpath(trail())); // a folder in the trail's place
  ASSERT_TRUE(set_time(1, 29010));
  EXPECT_EQ(h.Dora_Heat_time(1, false), 29010);
  ASSERT_EQ(errors.reports.size(), 1U);
  EXPECT_EQ(errors.reports.at(0).location, "Append_Audit_Trail of Module Module_Results");
  ASSERT_TRUE(QDir(trail()).removeRecursively());
  const Audit_Check c = check();
  EXPECT_EQ(c.break_at, 1);
  EXPECT_EQ(c.why, "entry 1 is missing: the recording names 2 entries");
}

// The chain carries on from the header's head even when the trail was lost, and from the trail
// when a header has no head yet.
TEST_F(Result_Change_Fixture, TheChainCarriesOnFromTheHeaderOrTheTrail) {
  ASSERT_TRUE(set_time(1, 29000));
  const QString first_head = h.XML_Header().Dora_Audit_Head();
  ASSERT_TRUE(first_head.startsWith("1:"));
  h.XML_Header().set_Dora_Audit_Head({});
  ASSERT_TRUE(set_time(2, 29100));
  EXPECT_TRUE(h.XML_Header().Dora_Audit_Head().startsWith("2:"));
  EXPECT_TRUE(check().holds()) << check().why.toStdString();
}

} // namespace
