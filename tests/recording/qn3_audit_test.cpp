// The audit command: a recording's trail printed, and whether its chain holds.
#include "journal_files.h"
#include "metadata/xml_header.h"
#include "mock/fake_clock.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"
#include "qn3_commands.h"
#include "qn3_tool_run.h"
#include "recording/audit_trail.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"
#include "timing/result_change.h"
#include "timing/result_state.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Qn3_Audit : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  Fake_Clock clock;
  QString path;

  void SetUp() override {
    program() = Program_Info{};
    path = dir.filePath(QStringLiteral("heat.qn3"));
    ASSERT_EQ(Run_Tool({"demo", path, "--from", "28000", "--to", "28080", "--crop", "32x32"}).status, 0);
  }
  void TearDown() override { program() = Program_Info{}; }

  // A box press, a declaration and a reopening, as the windows make them.
  void three_changes() {
    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(path));
    ASSERT_TRUE(Write_Result_Change(h, "Box 3 button", [&] { h.set_Dora_Heat_time(3, false, 31250); }));
    clock.advance(60000);
    ASSERT_TRUE(Write_Result_Change(h, "Declare Official", [&] {
      h.XML_Header().set_Dora_Result_State(Result_State_Text(Result_State::Official));
    }));
    ASSERT_TRUE(Write_Result_Change(h, "Reopen result: photo read again", [&] {
      h.XML_Header().set_Dora_Result_State(Result_State_Text(Result_State::Provisional));
    }));
    h.Close_File();
  }
  void rewrite_trail(const std::function<void(QList<QByteArray>&)>& edit) {
    QFile f(Audit_Trail_Path(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = f.readAll().split('\n');
    f.close();
    edit(lines);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(lines.join('\n'));
  }
};

TEST_F(Qn3_Audit, PrintsTheTrailAndSaysTheChainHolds) {
  three_changes();
  for (const QString& named : {path, Audit_Trail_Path(path)}) {
    const Outcome o = Run_Tool({"audit", named});
    ASSERT_EQ(o.status, qn3_tool::Exit_Ok) << o.err.toStdString();
    const QStringList lines = o.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << o.out.toStdString();
    EXPECT_EQ(lines.at(0), "audit trail " + Audit_Trail_Path(path));
    EXPECT_EQ(lines.at(1), "1  2026-05-17 14:30:00.000  Box 3 button: box 3 time: not set -> 31250 ms");
    EXPECT_EQ(lines.at(2), "2  2026-05-17 14:31:00.000  Declare Official: result state: Provisional -> Official");
    EXPECT_EQ(lines.at(3), "3  2026-05-17 14:31:00.000  Reopen result: photo read again: result state: Official -> "
                           "Provisional");
    EXPECT_EQ(lines.at(4), "the chain holds: 3 entries");
  }
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Qn3_Audit, ABrokenChainIsNamedAtItsEntry) {
  three_changes();
  rewrite_trail([](QList<QByteArray>& lines) { lines.removeAt(1); });
  Outcome o = Run_Tool({"audit", path});
  EXPECT_EQ(o.status, qn3_tool::Exit_Bad_File);
  EXPECT_TRUE(o.out.endsWith("the chain breaks at entry 2: entry 2 is missing: the entry in its place is entry 3\n"))
      << o.out.toStdString();

  three_changes(); // a fresh chain would not mend the break: it carries on from the recording's head
  o = Run_Tool({"audit", path});
  EXPECT_EQ(o.status, qn3_tool::Exit_Bad_File);

  QFile::remove(Audit_Trail_Path(path));
  o = Run_Tool({"audit", path});
  EXPECT_EQ(o.status, qn3_tool::Exit_Bad_File);
  EXPECT_TRUE(o.out.endsWith("the chain breaks at entry 1: entry 1 is missing: the recording names 6 entries\n"))
      << o.out.toStdString();
}

// What a change publishes in the results folder is what the results command prints.
TEST_F(Qn3_Audit, ResultsPrintsTheJsonOfTheResultFiles) {
  three_changes();
  QFile published(Local_AppData_Folder() + QStringLiteral("Doravent Results/heat.json"));
  ASSERT_TRUE(published.open(QIODevice::ReadOnly));
  const Outcome o = Run_Tool({"results", path, "--json", "--box-delay", "0"});
  ASSERT_EQ(o.status, qn3_tool::Exit_Ok);
  EXPECT_EQ(o.out.toUtf8(), published.readAll());
  EXPECT_TRUE(o.out.contains(QStringLiteral("\"state\": \"Provisional\"")));
}

TEST_F(Qn3_Audit, WithoutChangesOrWithoutTheRecording) {
  Outcome o = Run_Tool({"audit", path});
  EXPECT_EQ(o.status, qn3_tool::Exit_Ok);
  EXPECT_TRUE(o.out.endsWith("no entries: no change of the result was recorded\n")) << o.out.toStdString();

  three_changes();
  ASSERT_TRUE(QFile::remove(path));
  o = Run_Tool({"audit", Audit_Trail_Path(path)});
  EXPECT_EQ(o.status, qn3_tool::Exit_Ok);
  EXPECT_TRUE(o.out.contains("(no recording beside the trail: it is not held against a header)\n"));
  EXPECT_EQ(Run_Tool({"audit", path}).status, qn3_tool::Exit_Ok); // the trail is found from the recording's name
  EXPECT_EQ(Run_Tool({"audit", dir.filePath("none.qn3")}).status, qn3_tool::Exit_Bad_File);
  EXPECT_EQ(Run_Tool({"audit"}).status, qn3_tool::Exit_Usage);
}

// The trail is held against the header: whatever changes one without the other is named, by
// field and entry, and only a change cut short between the two is an interrupted change.
TEST_F(Qn3_Audit, TheTrailIsHeldAgainstTheHeader) {
  struct Case {
    const char* name;
    std::function<void(Qn3_Audit&)> edit;
    int status;
    const char* says;
  };
  const auto edit_file = [](Qn3_Audit& t, const QByteArray& from, const QByteArray& to) {
    QFile f(t.path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const qsizetype at = bytes.indexOf(from);
    ASSERT_GE(at, 0);
    ASSERT_LT(at, qn3::Header_Block_Size);
    ASSERT_EQ(from.size(), to.size()); // a hex edit: the file keeps its length
    bytes.replace(at, from.size(), to);
    ASSERT_TRUE(f.seek(0));
    ASSERT_EQ(f.write(bytes), bytes.size());
  };
  const auto head_element = [](Qn3_Audit& t) {
    QFile f(t.path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.read(qn3::Header_Block_Size);
    const qsizetype from = bytes.indexOf("<dora_audit_head>");
    const qsizetype to = bytes.indexOf("</dora_audit_head>") + qsizetype(sizeof "</dora_audit_head>") - 1;
    return bytes.mid(from, to - from);
  };
  const Case cases[] = {
      {"nothing changed", [](Qn3_Audit&) {}, 0, "the chain holds: 3 entries"},
      {"a time edited by hand", [&](Qn3_Audit& t) { edit_file(t, "<dog_heat_time>31250<", "<dog_heat_time>31240<"); },
       1, "box 3 time is 31240 ms in the recording, but entry 1 set it to 31250 ms"},
      {"the trail removed", [](Qn3_Audit& t) { QFile::remove(Audit_Trail_Path(t.path)); }, 1,
       "the chain breaks at entry 1"},
      {"the head removed",
       [&](Qn3_Audit& t) {
         const QByteArray head = head_element(t);
         edit_file(t, head, QByteArray(head.size(), ' '));
       },
       1, "dora_audit_head is missing"},
      {"the trail and the head removed",
       [&](Qn3_Audit& t) {
         const QByteArray head = head_element(t);
         edit_file(t, head, QByteArray(head.size(), ' '));
         QFile::remove(Audit_Trail_Path(t.path));
       },
       1, "the recording holds results but has no audit trail: box 3 time is 31250 ms"},
      {"a change that reached the trail only",
       [](Qn3_Audit& t) {
         cls_VideoFile_handler h;
         ASSERT_TRUE(h.Open_File(t.path));
         auto head = Parse_Audit_Head(h.XML_Header().Dora_Audit_Head());
         ASSERT_TRUE(head.has_value());
         h.Close_File();
         QFile trail(Audit_Trail_Path(t.path));
         ASSERT_TRUE(trail.open(QIODevice::Append));
         trail.write(
             Audit_Lines(*head, QDateTime::currentDateTime(), QStringLiteral("Box 4 button"),
                         {{QStringLiteral("box 4 time"), QStringLiteral("not set"), QStringLiteral("31300 ms")}}));
       },
       2, "interrupted change: entry 4 (Box 4 button) reached the trail but not the recording"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(path);
    QFile::remove(Audit_Trail_Path(path));
    ASSERT_EQ(Run_Tool({"demo", path, "--from", "28000", "--to", "28080", "--crop", "32x32"}).status, 0);
    three_changes();
    c.edit(*this);
    const QByteArray before = journal_files::Get(path);
    const Outcome o = Run_Tool({"audit", path});
    EXPECT_EQ(o.status, c.status) << o.out.toStdString();
    EXPECT_TRUE(o.out.contains(QString::fromLatin1(c.says))) << o.out.toStdString();
    EXPECT_TRUE(journal_files::Get(path) == before) << "the check changes nothing";
  }
}

} // namespace
