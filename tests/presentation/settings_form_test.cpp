#include "presentation/settings_form.h"

#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Settings_Window : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QString saved_path;

  void SetUp() override {
    saved_path = program().Settings_File_Path;
    program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("settings_form_test.ini");
    QFile::remove(program().Settings_File_Path);
    program().Box_Delay_Ms = 0;
    program().Goal_Delay_Ms = 200;
    program().Split_Delay_Ms = 200;
  }
  void TearDown() override {
    Form_Doravent_settings::Unload_Instance();
    QFile::remove(program().Settings_File_Path);
    program().Settings_File_Path = saved_path;
  }

  static QString key(const char* name) {
    return Read_Ini_Value(QStringLiteral("Settings"), QString::fromLatin1(name), program().Settings_File_Path, {});
  }
  template <class W> static W* control(QWidget& window, const char* name) {
    auto* w = window.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  static void click_check(QCheckBox* box) {
    const int y = box->height() / 2;
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(y, y));
  }
};

TEST_F(Settings_Window, HasEveryNamedControlWithItsCaption) {
  Form_Doravent_settings window;
  EXPECT_EQ(window.windowTitle(), "Doravent Settings");
  const std::pair<const char*, const char*> frames[] = {{"Frame_various", "Various settings"},
                                                        {"Frame_Box_delay", "Box delay ms"},
                                                        {"Frame_video_pipe", "Video pipe goalcam delay ms"},
                                                        {"Frame1", "Video pipe splitcam delay ms"}};
  for (const auto& [name, caption] : frames) {
    if (auto* f = control<QGroupBox>(window, name)) {
      EXPECT_EQ(f->title(), caption);
    }
  }
  const std::pair<const char*, const char*> checks[] = {
      {"Check_Auto_init", "Automatically initiate file on start signal"},
      {"Check_print_dialog", "Show printer dialog on Print commands"},
      {"Check_open_after_finish", "Automatically open last heat after Heat Finish"}};
  for (const auto& [name, caption] : checks) {
    if (auto* c = control<QCheckBox>(window, name)) {
      EXPECT_EQ(c->text(), caption);
    }
  }
  for (const char* name : {"Text_Box_delay", "Text_goalcam_delay", "Text_splitcam_delay"}) {
    control<QLineEdit>(window, name);
  }
  if (auto* b = control<QPushButton>(window, "Command_hide")) {
    EXPECT_EQ(b->text(), "Hide");
  }
}

TEST_F(Settings_Window, LoadFillsBoxesFromTheDelaysAndChecksFromTheirKeys) {
  program().Box_Delay_Ms = 15;
  program().Goal_Delay_Ms = 180;
  program().Split_Delay_Ms = 220;
  const QString& path = program().Settings_File_Path;
  ASSERT_EQ(Write_Ini_Value("Settings", "auto_init", "1", path), 1);
  ASSERT_EQ(Write_Ini_Value("Settings", "show_printer_dialog", "0", path), 1);
  ASSERT_EQ(Write_Ini_Value("Settings", "OPEN_AFTER_FINISH", "1", path), 1);

  auto& window = Form_Doravent_settings::instance();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(&window, &Form_Doravent_settings::instance());
  EXPECT_EQ(window.Text_Box_delay->text(), "15");
  EXPECT_EQ(window.Text_goalcam_delay->text(), "180");
  EXPECT_EQ(window.Text_splitcam_delay->text(), "220");
  // Filling the boxes writes the keys.
  EXPECT_EQ(key("box_delay"), "15");
  EXPECT_EQ(key("goal_compensation"), "180");
  EXPECT_EQ(key("split_compensation"), "220");
  EXPECT_TRUE(window.auto_init());
  EXPECT_FALSE(window.show_printer_dialog());
  EXPECT_TRUE(window.open_after_finish());
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Settings_Window, LoadKeepsTheDelaysInForceWhenTheFileCannotBeWritten) {
  program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("missing/settings_form_test.ini");
  program().Box_Delay_Ms = 15;
  program().Goal_Delay_Ms = 180;
  program().Split_Delay_Ms = 220;
  Form_Doravent_settings window;
  EXPECT_EQ(prompts->count(Scripted_Prompts::Kind::Message), 3);
  EXPECT_EQ(window.Text_goalcam_delay->text(), "180");
  EXPECT_EQ(program().Box_Delay_Ms, 15);
  EXPECT_EQ(program().Goal_Delay_Ms, 180);
  EXPECT_EQ(program().Split_Delay_Ms, 220);
}

TEST_F(Settings_Window, CheckBoxValueThatIsNoNumberIsReported) {
  ASSERT_EQ(Write_Ini_Value("Settings", "auto_init", "yes", program().Settings_File_Path), 1);
  Form_Doravent_settings window;
  EXPECT_FALSE(window.auto_init());
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_EQ(errors.reports[0].location, "Form_Load of Form Form_Doravent_settings");
  EXPECT_EQ(errors.reports[0].number, 13);
}

TEST_F(Settings_Window, DelayBoxesTakeOnlyDigitsAndEditingKeys) {
  Form_Doravent_settings window;
  window.show();
  struct Case {
    const char* box;
    const char* typed;
    const char* expected;
    int beeps;
  };
  const Case cases[] = {
      {"Text_Box_delay", "a", "0", 1},        {"Text_Box_delay", "Z%&'(-", "0", 6},   {"Text_Box_delay", ".", "0.", 0},
      {"Text_goalcam_delay", "5", "2005", 0}, {"Text_splitcam_delay", " ", "200", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.box) + " " + c.typed);
    auto* box = control<QLineEdit>(window, c.box);
    ASSERT_NE(box, nullptr);
    box->end(false);
    prompts->seen.clear();
    QTest::keyClicks(box, QString::fromLatin1(c.typed));
    EXPECT_EQ(box->text(), c.expected);
    EXPECT_EQ(prompts->beeps(), c.beeps);
  }
  // The navigation and deletion keys still edit the box.
  auto* box = window.Text_Box_delay;
  box->setText(QStringLiteral("1234"));
  prompts->seen.clear();
  QTest::keyClick(box, Qt::Key_Home);
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClick(box, Qt::Key_Right);
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClick(box, Qt::Key_End);
  QTest::keyClick(box, Qt::Key_Left);
  QTest::keyClick(box, Qt::Key_9);
  EXPECT_EQ(box->text(), "394");
  EXPECT_EQ(prompts->beeps(), 0);
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(prompts->beeps(), 1);
}

TEST_F(Settings_Window, TypedDelaysAreWrittenAndTakeEffectAtOnce) {
  Form_Doravent_settings window;
  window.show();
  window.Text_Box_delay->clear();
  QTest::keyClicks(window.Text_Box_delay, QStringLiteral("35"));
  EXPECT_EQ(key("box_delay"), "35");
  EXPECT_EQ(program().Box_Delay_Ms, 35);

  window.Text_goalcam_delay->selectAll();
  QTest::keyClicks(window.Text_goalcam_delay, QStringLiteral("160"));
  EXPECT_EQ(key("goal_compensation"), "160");
  EXPECT_EQ(program().Goal_Delay_Ms, 160);

  // A cleared box falls back to the key's default.
  window.Text_splitcam_delay->selectAll();
  QTest::keyClick(window.Text_splitcam_delay, Qt::Key_Backspace);
  EXPECT_EQ(program().Split_Delay_Ms, 200);
  EXPECT_TRUE(errors.reports.empty());

  // A text that is no whole number is reported; every delay stays.
  QTest::keyClicks(window.Text_Box_delay, QStringLiteral("."));
  EXPECT_EQ(key("box_delay"), "35.");
  EXPECT_EQ(program().Box_Delay_Ms, 35);
  EXPECT_EQ(program().Goal_Delay_Ms, 160);
  ASSERT_FALSE(errors.reports.empty());
  EXPECT_EQ(errors.reports.back().location, "Load_Compensations of Form Form_Doravent");
}

TEST_F(Settings_Window, ClickingACheckBoxWritesItAtOnce) {
  Form_Doravent_settings window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const std::pair<QCheckBox*, const char*> checks[] = {{window.Check_Auto_init, "auto_init"},
                                                       {window.Check_print_dialog, "show_printer_dialog"},
                                                       {window.Check_open_after_finish, "open_after_finish"}};
  for (const auto& [box, name] : checks) {
    SCOPED_TRACE(name);
    EXPECT_EQ(key(name), "N/A");
    click_check(box);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(key(name), "1");
    click_check(box);
    EXPECT_EQ(key(name), "0");
  }
  click_check(window.Check_print_dialog);
  EXPECT_TRUE(window.show_printer_dialog());
  // A window loaded later sees what was clicked.
  Form_Doravent_settings again;
  EXPECT_TRUE(again.show_printer_dialog());
  EXPECT_FALSE(again.auto_init());
}

// Writing while the trigger is held is on until the operator turns it off; the memory box takes
// only whole megabytes above 0, and empty (read as unset) for the fixed cap.
TEST_F(Settings_Window, HoldSettingsStartOnAndTakeOnlyWholeMegabytes) {
  Form_Doravent_settings window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_TRUE(window.Check_write_while_capturing->isChecked());
  EXPECT_TRUE(Setting_Checked(QStringLiteral("write_while_capturing"), true));
  click_check(window.Check_write_while_capturing);
  EXPECT_EQ(key("write_while_capturing"), "0");
  EXPECT_FALSE(Setting_Checked(QStringLiteral("write_while_capturing"), true));
  EXPECT_FALSE(Form_Doravent_settings().Check_write_while_capturing->isChecked());

  const std::pair<const char*, const char*> typed[] = {{"300", "300"}, {"0", "300"},   {"-5", "300"},
                                                       {".5", "300"},  {"abc", "300"}, {"", "N/A"}};
  for (const auto& [text, written] : typed) {
    SCOPED_TRACE(text);
    window.Text_held_frames_mb->clear();
    // Typed as an operator would: an empty row types a digit and takes it back.
    QTest::keyClicks(window.Text_held_frames_mb, *text ? QString::fromLatin1(text) : QStringLiteral("7"));
    if (!*text) QTest::keyClick(window.Text_held_frames_mb, Qt::Key_Backspace);
    EXPECT_EQ(key("held_frames_mb"), written);
  }
}

TEST_F(Settings_Window, HideKeepsTheWindowForTheOthersToConsult) {
  auto& window = Form_Doravent_settings::instance();
  window.show();
  QTest::mouseClick(window.Command_hide, Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(&Form_Doravent_settings::instance(), &window);
  // Shown again, the boxes come back from the delays in force.
  program().Box_Delay_Ms = 42;
  window.show();
  EXPECT_EQ(window.Text_Box_delay->text(), "42");
}

} // namespace
