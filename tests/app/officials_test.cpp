// The officials on the real main window: a declared result refuses every way of changing its
// times until it is reopened with a reason, and the audit trail and result files follow each
// change the buttons make.
#include "app/form_doravent.h"
#include "app/playback_controller.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "app/set_times_controller.h"
#include "metadata/xml_header.h"
#include "mock/fake_clock.h"
#include "mock/review_recordings.h"
#include "mock/window_test.h"
#include "platform/settings.h"
#include "presentation/results_form.h"
#include "recording/audit_trail.h"
#include "timing/result_ranking.h"

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

QByteArray bytes_of(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Officials_Fixture : Window_Test {
  Fake_Clock clock;
  QString path;
  QString results;

  void SetUp() override {
    Window_Test::SetUp();
    results = dir.filePath(QStringLiteral("results"));
    ASSERT_EQ(Write_Ini_Value("Settings", "results_folder", results, program().Settings_File_Path), 1);
    load_window();
  }
  // Six pictures; the one at slider position p shows the run time 30000 + 20 p ms.
  void open() {
    review_recordings::Spec planned;
    planned.interlaced = false;
    planned.frames = 6;
    for (int p = 1; p <= planned.frames; ++p)
      planned.capture_mills.push_back(planned.start_pc_mill + 30000 + 20 * p - 2);
    path = dir.filePath(QStringLiteral("heat.qn3"));
    ASSERT_TRUE(review_recordings::Write(path, planned));
    w->obj_QN3_Handler().set_Default_Goal_Compensation(0);
    ASSERT_TRUE(w->review().Handle_Open(path));
  }
  void press(int box, int position) {
    ui(w).Slider_play->setValue(position);
    ASSERT_EQ(w->review_session().Shown_Run_Time(), 30000 + 20 * position);
    ui(w).Command_BOX_set_time.at(static_cast<std::size_t>(box - 1))->click();
  }
  Form_Dora_Results& form() { return w->results().Results_Form(); }
  int32_t time_of(int16_t box) { return w->obj_QN3_Handler().Dora_Heat_time(box, false); }
  QStringList trail() {
    const Audit_Check c = Check_Audit_Trail(bytes_of(Audit_Trail_Path(path)),
                                            Parse_Audit_Head(w->obj_QN3_Handler().XML_Header().Dora_Audit_Head()));
    EXPECT_TRUE(c.holds()) << c.why.toStdString();
    QStringList lines;
    for (const Audit_Entry& e : c.entries)
      lines << e.command + " | " + e.what + " | " + e.old_value + " -> " + e.new_value;
    return lines;
  }
  QJsonObject published_row(int row) {
    return QJsonDocument::fromJson(bytes_of(results + QStringLiteral("/heat.json"))).array().at(row).toObject();
  }
};

TEST_F(Officials_Fixture, AnOfficialResultRefusesTimesUntilReopenedWithAReason) {
  open();
  press(3, 1);
  ui(w).Cmd_add_hundredth->click();
  press(5, 2);
  form().item("item_declare_official")->trigger();
  EXPECT_EQ(form().Label_result_state->text(), "Official");
  const QByteArray declared = bytes_of(path);

  // The box button, every Assign times item and Clear result are refused with the reason.
  prompts->seen.clear();
  ui(w).Cmd_DeadHeat->click();
  press(2, 3);
  EXPECT_TRUE(w->set_times().Modes().dead_heat) << "a refused press uses up no mode";
  w->set_times().Modes().held_box = 2;
  for (const char* item : {"item_set_time", "item_plus_one_hundredth", "item_set_split",
                           "item_split_plus_one_hundredth", "item_set_notime", "item_dead_heat", "item_clear_result"})
    w->item(QString::fromLatin1(item))->trigger();
  prompts->answers.push_back(Prompt_Answer::Ok);
  form().item("item_clear_all_results")->trigger();
  const QString refusal = "The result is Official: reopen it with a reason to change times.";
  EXPECT_EQ(prompts->messages().count(refusal), 9) << prompts->messages().join('\n').toStdString();
  EXPECT_EQ(bytes_of(path), declared);
  EXPECT_EQ(time_of(2), 0);
  EXPECT_EQ(time_of(5), 30050);

  prompts->texts.push_back(QStringLiteral("box 2 was missed"));
  form().item("item_reopen_result")->trigger();
  EXPECT_EQ(form().Label_result_state->text(), "Provisional");
  press(2, 3);
  EXPECT_EQ(time_of(2), 30060);

  EXPECT_EQ(trail(), QStringList({"Box 3 button | box 3 time | not set -> 30020 ms",
                                  "Box 5 button + 1/100 | box 5 time | not set -> 30050 ms",
                                  "Declare Official | result state | Provisional -> Official",
                                  "Reopen result: box 2 was missed | result state | Official -> Provisional",
                                  "Box 2 button, dead-heat mark | box 2 time | not set -> 30060 ms",
                                  "Box 2 button, dead-heat mark | box 2 dead heat | no -> yes"}));
  EXPECT_TRUE(errors.reports.empty());
}

// The result files and the distance column follow each press.
TEST_F(Officials_Fixture, EachPressIsPublishedWithItsDistance) {
  open();
  press(1, 1);
  press(4, 3);
  EXPECT_EQ(w->results().Results_Form().findChild<QLabel*>("Label_distance_1")->text(), "1/2");
  QJsonObject second = published_row(1);
  EXPECT_EQ(second["box"].toInt(), 4);
  EXPECT_EQ(second["time"].toString(), "30,06");
  EXPECT_EQ(second["distance"].toString(), "1/2");
  EXPECT_EQ(second["event"].toString(), "Spring Cup");
  EXPECT_EQ(second["heat"].toString(), "7");

  // A dead heat on the next box, and a clear: every step is published.
  ui(w).Cmd_DeadHeat->click();
  press(6, 3);
  EXPECT_EQ(published_row(2)["distance"].toString(), "dht");
  prompts->answers.push_back(Prompt_Answer::Ok);
  form().item("item_clear_all_results")->trigger();
  EXPECT_EQ(published_row(0)["code"].toString(), "unset");
  EXPECT_EQ(trail().last(), "Clear result | box 6 dead heat | yes -> no");
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
