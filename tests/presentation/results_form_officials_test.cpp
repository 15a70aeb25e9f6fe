// The results window for the officials: the distance column, the declared state in its colour
// and the commands that declare and reopen a result.
#include "metadata/xml_header.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"
#include "presentation/results_form.h"
#include "recording/audit_trail.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Officials_Window : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  QString path;
  Review_Session session;
  cls_VideoFile_handler& recording = session.Recording();
  std::unique_ptr<Form_Dora_Results> form = std::make_unique<Form_Dora_Results>();
  int refreshed = 0;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
    form->set_Session(&session);
    QObject::connect(&session, &Review_Session::results_changed, form.get(), [this] {
      ++refreshed;
      show();
    });
  }
  void TearDown() override {
    form.reset();
    recording.Close_File();
  }
  void open(bool read_only = false) {
    path = dir.filePath(QStringLiteral("heat.qn3"));
    ASSERT_TRUE(review_recordings::Write(path, review_recordings::Spec{}));
    if (read_only) {
      ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner));
    }
    ASSERT_TRUE(recording.Open_File(path));
  }
  // Times by box, in ms (0: none).
  void store(const std::array<int32_t, 6>& times) {
    for (int16_t box = 1; box <= 6; ++box) {
      recording.set_Dora_Dog_name(box, QStringLiteral("Dog %1").arg(box));
      recording.set_Dora_Heat_time(box, false, times.at(static_cast<std::size_t>(box - 1)));
      recording.set_Dora_Heat_Click_Time(box, box);
    }
  }
  void show(const Distance_Rules& rules = {}) {
    Result_Array rows = Load_Result_Array(recording.XML_Header());
    Sort_Result_Array(rows);
    Results_Heading heading{recording.Dora_event(), recording.Dora_Heat_ID(), recording.Dora_Heat_Name(),
                            recording.Dora_start_DateTime(),
                            Result_State_Of(recording.XML_Header().Dora_Result_State())};
    form->Display_Results(heading, rows, 0, rules);
  }
  QStringList column(const char* name) {
    QStringList texts;
    for (int r = 0; r < Result_Rows; ++r)
      texts << form->findChild<QLabel*>(QString::fromLatin1(name) + QString::number(r))->text();
    return texts;
  }
  Audit_Check trail() {
    QFile f(Audit_Trail_Path(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return Check_Audit_Trail(f.readAll(), Parse_Audit_Head(recording.XML_Header().Dora_Audit_Head()));
  }
  bool enabled(const char* item) { return form->item(QString::fromLatin1(item))->isEnabled(); }
};

TEST_F(Officials_Window, TheDistanceColumnFollowsTheRules) {
  open();
  store({30060, 30000, 0, 30020, Code_Did_Not_Finish, 30140});
  show();
  EXPECT_EQ(column("Label_time_"), QStringList({"30,00", "30,02", "30,06", "30,14", "DNF", "---,---"}));
  EXPECT_EQ(column("Label_distance_"), QStringList({"", "hd", "1/2", "1", "", ""}));
  show({0.16, 12});
  EXPECT_EQ(column("Label_distance_"), QStringList({"", "sh", "hd", "1/2", "", ""}));
  EXPECT_EQ(form->Label_header_distance->text(), "Distance");
  form->Clear_Results_Display();
  EXPECT_EQ(column("Label_distance_"), QStringList({"", "", "", "", "", ""}));
}

TEST_F(Officials_Window, TheStateShowsInItsColourAndChoosesTheCommands) {
  open();
  struct Shown {
    const char* stored;
    const char* text;
    QColor colour;
    bool declare;
  };
  const Shown cases[] = {{"", "Provisional", QColor(96, 96, 96), true},
                         {"Official", "Official", QColor(0, 128, 0), false},
                         {"No Race", "No Race", QColor(255, 0, 0), false}};
  for (const Shown& c : cases) {
    recording.XML_Header().set_Dora_Result_State(QString::fromLatin1(c.stored));
    show();
    EXPECT_EQ(form->Label_result_state->text(), c.text);
    EXPECT_EQ(form->Label_result_state->palette().color(QPalette::WindowText), c.colour) << c.text;
    EXPECT_EQ(enabled("item_declare_official"), c.declare) << c.text;
    EXPECT_EQ(enabled("item_declare_no_race"), c.declare) << c.text;
    EXPECT_EQ(enabled("item_reopen_result"), !c.declare) << c.text;
  }
  form->Clear_Results_Display();
  EXPECT_EQ(form->Label_result_state->text(), "");
  EXPECT_FALSE(enabled("item_declare_official"));
  EXPECT_FALSE(enabled("item_reopen_result"));
}

TEST_F(Officials_Window, DeclaringAndReopeningGoIntoTheRecordingAndTheTrail) {
  open();
  // Audited, as the box buttons store them: a time the trail does not hold keeps a result from
  // being declared.
  ASSERT_TRUE(session.Change_Result(QStringLiteral("Box buttons"), [&] { store({30000, 30100, 0, 0, 0, 0}); }));
  refreshed = 0;
  show();
  form->item("item_declare_official")->trigger();
  EXPECT_EQ(recording.XML_Header().Dora_Result_State(), "Official");
  EXPECT_EQ(form->Label_result_state->text(), "Official");
  EXPECT_EQ(refreshed, 1);
  form->Declare_Result(Result_State::No_Race); // declared already: refused
  EXPECT_EQ(prompts->beeps(), 1);

  // No reason, no reopening.
  form->item("item_reopen_result")->trigger();
  prompts->texts.push_back(QStringLiteral("  "));
  form->item("item_reopen_result")->trigger();
  EXPECT_EQ(recording.XML_Header().Dora_Result_State(), "Official");
  EXPECT_EQ(prompts->beeps(), 3);
  ASSERT_EQ(prompts->count(Scripted_Prompts::Kind::Input), 2);
  const auto& asked = prompts->seen.at(prompts->seen.size() - 2); // the input, then its beep
  EXPECT_EQ(asked.kind, Scripted_Prompts::Kind::Input);
  EXPECT_EQ(asked.text, "Reason for reopening the Official result");

  prompts->texts.push_back(QStringLiteral(" box 2 photo read again "));
  form->item("item_reopen_result")->trigger();
  EXPECT_EQ(recording.XML_Header().Dora_Result_State(), "Provisional");
  form->Reopen_Result(); // provisional already: refused
  EXPECT_EQ(prompts->beeps(), 4);
  form->item("item_declare_no_race")->trigger();

  recording.Close_File();
  cls_VideoFile_handler again;
  ASSERT_TRUE(again.Open_File(path));
  EXPECT_EQ(again.XML_Header().Dora_Result_State(), "No Race");
  EXPECT_EQ(again.Dora_Heat_time(2, false), 30100);
  again.Close_File();
  ASSERT_TRUE(recording.Open_File(path));
  const Audit_Check c = trail();
  ASSERT_TRUE(c.holds()) << c.why.toStdString();
  ASSERT_GT(c.entries.size(), 3U);
  const auto last = [&](std::size_t back) { return c.entries.at(c.entries.size() - back); };
  EXPECT_EQ(last(3).command, "Declare Official");
  EXPECT_EQ(last(2).command, "Reopen result: box 2 photo read again");
  EXPECT_EQ(last(2).old_value, "Official");
  EXPECT_EQ(last(2).new_value, "Provisional");
  EXPECT_EQ(last(1).command, "Declare No Race");
  EXPECT_TRUE(errors.reports.empty());
}

// A time changed by hand behind the trail's back is found when the recording is opened for
// review, and the result cannot be declared until the trail and the recording agree.
TEST_F(Officials_Window, ATrailThatDoesNotMatchRefusesDeclaring) {
  open();
  ASSERT_TRUE(session.Change_Result(QStringLiteral("Box buttons"), [&] { store({30000, 30100, 0, 0, 0, 0}); }));
  recording.Close_File();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  QByteArray bytes = file.readAll();
  const qsizetype at = bytes.indexOf("<dog_heat_time>30100<");
  ASSERT_GT(at, 0);
  bytes.replace(at, 21, "<dog_heat_time>30000<"); // box 2 now ties the winner
  ASSERT_TRUE(file.seek(0));
  ASSERT_EQ(file.write(bytes), bytes.size());
  file.close();

  ASSERT_TRUE(session.Open(path));
  EXPECT_EQ(session.Audit().status, Audit_Status::Mismatch);
  EXPECT_EQ(session.Audit().field, "box 2 time");
  prompts->seen.clear();
  form->item("item_declare_official")->trigger();
  EXPECT_EQ(recording.XML_Header().Dora_Result_State(), "");
  ASSERT_EQ(prompts->messages().size(), 1);
  EXPECT_TRUE(prompts->messages().at(0).startsWith("The result cannot be declared: the trail does not match"))
      << prompts->messages().at(0).toStdString();
}

TEST_F(Officials_Window, AReadOnlyRecordingIsNeverDeclared) {
  open(true);
  ASSERT_TRUE(recording.Read_only());
  show();
  const QByteArray before = [&] {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  form->item("item_declare_official")->trigger();
  EXPECT_EQ(prompts->messages(), QStringList({"File is Read Only!\nThis file can't be changed"}));
  EXPECT_EQ(recording.XML_Header().Dora_Result_State(), "");
  EXPECT_FALSE(QFile::exists(Audit_Trail_Path(path)));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
}

} // namespace
