// A declared result is frozen with the delay it was declared under and signed with the steward's
// key; doravent-qn3 verify-result holds the published file to its signature.
#include "metadata/xml_header.h"
#include "mock/fake_clock.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"
#include "qn3_commands.h"
#include "qn3_tool_run.h"
#include "recording/video_file_handler.h"
#include "timing/result_change.h"
#include "timing/result_state.h"
#include "timing/steward_key.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Bytes_Of(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

struct Qn3_Declaration : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  Fake_Clock clock;
  QString path;
  QString results = Local_AppData_Folder() + QStringLiteral("Doravent Results/");

  void SetUp() override {
    program() = Program_Info{};
    path = dir.filePath(QStringLiteral("heat.qn3"));
    ASSERT_EQ(Run_Tool({"demo", path, "--from", "28000", "--to", "28080", "--crop", "32x32"}).status, 0);
  }
  void TearDown() override { program() = Program_Info{}; }
  QByteArray csv() const { return Bytes_Of(results + QStringLiteral("heat.csv")); }
  QString signed_file() const { return results + QStringLiteral("scoreboard/heat.json"); }
};

TEST_F(Qn3_Declaration, ADeclaredResultKeepsItsTimesAndItsSignatureHolds) {
  program().Box_Delay_Ms = 100;
  {
    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(path));
    ASSERT_TRUE(Write_Result_Change(h, "Box 3 button", [&] { h.set_Dora_Heat_time(3, false, 31250); }));
    ASSERT_TRUE(Write_Result_Change(h, "Declare Official", [&] {
      h.XML_Header().set_Dora_Result_State(Result_State_Text(Result_State::Official));
    }));
    EXPECT_TRUE(csv().contains(R"("31,35",31350,)")) << csv().toStdString();

    // The operator changes the delay after the declaration; a name still changes, and the
    // files are written again, with the times as declared.
    program().Box_Delay_Ms = 300;
    ASSERT_TRUE(Write_Result_Change(h, "Dog names", [&] { h.set_Dora_Dog_name(3, QStringLiteral("Flash")); }));
  }
  EXPECT_TRUE(csv().contains(R"(1,3,Flash,"31,35",31350,)")) << csv().toStdString();
  const Outcome shown = Run_Tool({"results", path, "--box-delay", "300"});
  EXPECT_TRUE(shown.out.contains(R"(1,3,Flash,"31,35",31350,)")) << shown.out.toStdString();
  EXPECT_TRUE(shown.err.contains("declared")) << shown.err.toStdString();

  // The published file holds under the steward's key, given or named by the file.
  const QString key_file = Steward_Public_Key_Path();
  ASSERT_TRUE(QFileInfo(key_file).isFile());
  EXPECT_EQ(QFileInfo(Steward_Private_Key_Path()).permissions() &
                (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
            QFile::Permissions());
  for (const QStringList& extra : {QStringList{}, QStringList{"--public-key", key_file}}) {
    const Outcome o = Run_Tool(QStringList{"verify-result", signed_file()} + extra);
    EXPECT_EQ(o.status, 0) << o.out.toStdString() << o.err.toStdString();
    EXPECT_TRUE(o.out.startsWith("the signature holds")) << o.out.toStdString();
  }
  const Outcome other_key = Run_Tool({"verify-result", signed_file(), "--public-key", QString(64, QLatin1Char('1'))});
  EXPECT_EQ(other_key.status, 1) << other_key.out.toStdString();

  // Any byte of a time changed, in the milliseconds or in the text, and it no longer holds.
  const QByteArray published = Bytes_Of(signed_file());
  for (const auto& [from, to] :
       {std::pair{QByteArray("31350"), QByteArray("31340")}, std::pair{QByteArray("31,35"), QByteArray("31,34")}}) {
    SCOPED_TRACE(from.toStdString());
    QByteArray edited = published;
    ASSERT_TRUE(edited.contains(from));
    edited.replace(from, to);
    ASSERT_TRUE(Put(signed_file(), edited));
    const Outcome o = Run_Tool({"verify-result", signed_file()});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.out.startsWith("the signature does not hold")) << o.out.toStdString();
  }
  EXPECT_EQ(Run_Tool({"verify-result", dir.filePath("none.json")}).status, 1);
  EXPECT_EQ(Run_Tool({"verify-result"}).status, qn3_tool::Exit_Usage);
}

} // namespace
