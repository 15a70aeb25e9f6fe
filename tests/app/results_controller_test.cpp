#include "app/results_controller.h"

#include "app/form_doravent.h"
#include "app/review_controller.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "mock/window_test.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"
#include "presentation/results_form.h"
#include "presentation/settings_form.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Results_Window_Fixture : Window_Test {
  void SetUp() override {
    Window_Test::SetUp();
    load_window();
  }

  QString make(bool read_only = false) {
    const QString path = dir.filePath(QStringLiteral("heat.qn3"));
    EXPECT_TRUE(review_recordings::Write(path, review_recordings::Spec{}));
    if (read_only) {
      EXPECT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    }
    return path;
  }
  // Boxes 2 and 5 with the same time, box 5 set first.
  void store_tie() {
    cls_VideoFile_handler& h = w->obj_QN3_Handler();
    h.set_Dora_Heat_time(2, false, 30000);
    h.set_Dora_Heat_Click_Time(2, 900);
    h.set_Dora_Heat_time(5, false, 30000);
    h.set_Dora_Heat_Click_Time(5, 400);
    h.set_Dora_Heat_time(1, false, 32000);
    h.set_Dora_Heat_Click_Time(1, 1000);
    ASSERT_TRUE(h.Write_XML_Header());
  }
  QString row_text(const char* control, int row) {
    return w->results().Results_Form().findChild<QLabel*>(QString::fromLatin1(control) + QString::number(row))->text();
  }
  QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

TEST_F(Results_Window_Fixture, OpeningRanksIntoTheResultsWindow) {
  ASSERT_TRUE(w->review().Handle_Open(make()));
  ASSERT_TRUE(w->results().Results_Form_Made());
  Form_Dora_Results& form = w->results().Results_Form();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.Label_Heat_ID->text(), "7");
  EXPECT_EQ(form.Label_event_name->text(), "Spring Cup");
  EXPECT_EQ(row_text("Label_time_", 0), "---,---");

  store_tie();
  w->review_session().Reload_Results();
  const int16_t boxes[] = {5, 2, 1};
  for (int r = 0; r < 3; ++r)
    EXPECT_EQ(w->review_session().Results().at(static_cast<std::size_t>(r)).Box, boxes[r]) << r;
  EXPECT_EQ(row_text("Label_rank_", 0), "1");
  EXPECT_EQ(row_text("Label_rank_", 1), "2");
  EXPECT_EQ(row_text("Label_time_", 2), "32,00");

  // Closing the recording empties the display.
  w->review().Do_Close();
  EXPECT_EQ(row_text("Label_time_", 0), "00,00");
  EXPECT_EQ(form.Label_Heat_ID->text(), "");
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Results_Window_Fixture, ClearAllResultsEmptiesEveryBoxInTheFile) {
  const QString path = make();
  ASSERT_TRUE(w->review().Handle_Open(path));
  store_tie();
  w->obj_QN3_Handler().set_Dora_dead_heat(7, true);
  w->obj_QN3_Handler().set_Dora_heat_frame(2, 12);
  prompts->answers.push_back(Prompt_Answer::Ok);
  w->results().Results_Form().item("item_clear_all_results")->trigger();
  EXPECT_EQ(row_text("Label_time_", 0), "---,---");
  w->obj_QN3_Handler().Close_File();
  cls_VideoFile_handler again;
  ASSERT_TRUE(again.Open_File(path));
  for (int16_t box = 1; box <= 8; ++box) {
    EXPECT_EQ(again.Dora_Heat_time(box, false), 0) << box;
    EXPECT_EQ(again.Dora_Heat_Click_Time(box), 0) << box;
    EXPECT_EQ(again.Dora_heat_frame(box), 0) << box;
    EXPECT_FALSE(again.Dora_dead_heat(box)) << box;
  }
  again.Close_File();
}

TEST_F(Results_Window_Fixture, ReadOnlyRecordingIsNeverCleared) {
  const QString path = make(true);
  ASSERT_TRUE(w->review().Handle_Open(path));
  const QByteArray before = bytes(path);
  prompts->answers.push_back(Prompt_Answer::Ok);
  w->results().Results_Form().item("item_clear_all_results")->trigger();
  EXPECT_TRUE(prompts->messages().contains("File is read only!"));
  EXPECT_EQ(bytes(path), before);
}

TEST_F(Results_Window_Fixture, ShowResultFormRestoresAMinimisedWindow) {
  QAction* show = w->item("item_show_result");
  ASSERT_TRUE(show->isEnabled());
  EXPECT_EQ(show->shortcut(), QKeySequence("Ctrl+R"));
  show->trigger();
  Form_Dora_Results& form = w->results().Results_Form();
  EXPECT_TRUE(form.isVisible());
  form.showMinimized();
  show->trigger();
  EXPECT_FALSE(form.isMinimized());
}

// A new box delay is in the result files at once while the result is provisional; a declared
// result keeps the delay it was declared with, in the files as in the window.
TEST_F(Results_Window_Fixture, ANewBoxDelayReachesTheResultFilesUnlessDeclared) {
  ASSERT_TRUE(w->review().Handle_Open(make()));
  Review_Session& session = w->review_session();
  ASSERT_TRUE(session.Change_Result(QStringLiteral("Box 2 button"),
                                    [&] { session.Recording().set_Dora_Heat_time(2, false, 30000); }));
  const QString csv = Local_AppData_Folder() + QStringLiteral("Doravent Results/heat.csv");
  w->item(QStringLiteral("item_show_settings"))->trigger();
  Form_Doravent_settings& settings = Form_Doravent_settings::instance();
  settings.Text_Box_delay->setText(QStringLiteral("120"));
  EXPECT_TRUE(bytes(csv).contains(R"("30,12",30120,)")) << bytes(csv).toStdString();
  EXPECT_EQ(row_text("Label_time_", 0), "30,12");

  ASSERT_TRUE(session.Change_Result(
      QStringLiteral("Declare Official"),
      [&] { session.Recording().XML_Header().set_Dora_Result_State(QStringLiteral("Official")); },
      Result_Change::Declaration));
  settings.Text_Box_delay->setText(QStringLiteral("300"));
  EXPECT_TRUE(bytes(csv).contains(R"("30,12",30120,)")) << bytes(csv).toStdString();
  EXPECT_EQ(row_text("Label_time_", 0), "30,12");
  settings.Text_Box_delay->setText(QStringLiteral("0"));
  settings.hide();
}

} // namespace
