// The officials' settings: the distance rules and the results folder, written as they are set.
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "presentation/settings_form.h"
#include "timing/beaten_distance.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Officials_Settings : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QString saved_path;

  void SetUp() override {
    saved_path = program().Settings_File_Path;
    program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("officials_settings_test.ini");
    QFile::remove(program().Settings_File_Path);
  }
  void TearDown() override {
    QFile::remove(program().Settings_File_Path);
    program().Settings_File_Path = saved_path;
  }
  static QString key(const char* name) {
    return Read_Ini_Value(QStringLiteral("Settings"), QString::fromLatin1(name), program().Settings_File_Path, {});
  }
  static void retype(QLineEdit* box, const char* text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QString::fromLatin1(text));
  }
};

TEST_F(Officials_Settings, RulesAreWrittenWhenTheyAreNumbers) {
  Form_Doravent_settings window;
  EXPECT_EQ(window.Frame_distances->title(), "Beaten distances");
  EXPECT_EQ(window.Text_seconds_per_length->text(), "0.08");
  EXPECT_EQ(window.Text_dis_limit->text(), "12");

  retype(window.Text_seconds_per_length, "0.16");
  retype(window.Text_dis_limit, "30");
  EXPECT_EQ(key("seconds_per_length"), "0.16");
  EXPECT_EQ(key("dis_limit"), "30");
  const Distance_Rules rules = Read_Distance_Rules(program().Settings_File_Path);
  EXPECT_DOUBLE_EQ(rules.seconds_per_length, 0.16);
  EXPECT_DOUBLE_EQ(rules.dis_limit_lengths, 30);

  // Letters are swallowed with a beep; a text that is no positive number is not written.
  QTest::keyClicks(window.Text_dis_limit, QStringLiteral("x"));
  EXPECT_EQ(window.Text_dis_limit->text(), "30");
  EXPECT_EQ(prompts->beeps(), 1);
  retype(window.Text_seconds_per_length, "0");
  EXPECT_EQ(key("seconds_per_length"), "0.16");
  EXPECT_FALSE(window.Text_seconds_per_length->toolTip().isEmpty());
  QTest::keyClicks(window.Text_seconds_per_length, QStringLiteral(".1"));
  EXPECT_EQ(key("seconds_per_length"), "0.1");
  EXPECT_TRUE(window.Text_seconds_per_length->toolTip().isEmpty());

  // Loading again shows the rules in force.
  Form_Doravent_settings again;
  EXPECT_EQ(again.Text_seconds_per_length->text(), "0.1");
  EXPECT_EQ(again.Text_dis_limit->text(), "30");
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Officials_Settings, TheResultsFolderIsChosenThroughTheFolderDialog) {
  Form_Doravent_settings window;
  const QString fallback = Local_AppData_Folder() + QStringLiteral("Doravent Results/");
  EXPECT_EQ(window.Label_results_folder->text(), fallback);
  window.Command_results_folder->click(); // cancelled
  EXPECT_EQ(key("results_folder"), "N/A");
  ASSERT_EQ(prompts->count(Scripted_Prompts::Kind::Select_Folder), 1);
  EXPECT_EQ(prompts->seen.back().text, fallback);
  EXPECT_EQ(prompts->seen.back().title, "Result files folder");

  prompts->texts.push_back(QStringLiteral("/srv/tote/results"));
  window.Command_results_folder->click();
  EXPECT_EQ(key("results_folder"), "/srv/tote/results");
  EXPECT_EQ(window.Label_results_folder->text(), "/srv/tote/results/");
}

} // namespace
