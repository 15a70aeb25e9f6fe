#include "app/form_doravent.h"
#include "app/kit_controller.h"
#include "app/program_main.h"
#include "mock/main_controls.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/single_instance.h"
#include "platform/user_folders.h"
#include "presentation/form_timer.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString Settings = QStringLiteral("Settings");

struct Window_Fixture : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  int end_code = -1;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
    QFile::remove(program().Settings_File_Path);
  }

  std::unique_ptr<Form_Doravent> make(bool development = false, const QString& argument = {}) {
    Form_Doravent::Options options;
    options.development_mode = development;
    options.command_argument = argument;
    options.end_program = [this](int code) { end_code = code; };
    return std::make_unique<Form_Doravent>(options);
  }
  void write(const QString& key, const QString& value, const QString& section = QStringLiteral("Settings")) {
    Write_Ini_Value(section, key, value, program().Settings_File_Path);
  }
};

TEST_F(Window_Fixture, EveryNamedControlExistsWithItsCaption) {
  auto w = make();
  ASSERT_TRUE(w->Form_Load());
  EXPECT_EQ(w->windowTitle(), "Doravent HDMI");
  const std::vector<std::pair<const char*, const char*>> buttons = {{"Cmd_add_hundredth", "+ 1/100"},
                                                                    {"Cmd_Split", "Goal"},
                                                                    {"Cmd_Notime", "No Time"},
                                                                    {"Cmd_DeadHeat", "Dead heat"},
                                                                    {"cmd_live_view", "Live view off"},
                                                                    {"Command_start_camera", "Start camera"},
                                                                    {"Command_start_heat", "Start heat"},
                                                                    {"Command_finish", "Heat finish"},
                                                                    {"Command_initiate_file", "Initiate file"},
                                                                    {"Cmd_capture", "Capture"},
                                                                    {"Command_hide", "Hide"},
                                                                    {"Command1", "Hide"}};
  for (const auto& [name, caption] : buttons) {
    auto* b = w->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(b->text(), QString::fromLatin1(caption)) << name;
  }
  for (int i = 0; i < 6; ++i) {
    auto* b = w->findChild<QPushButton*>(QStringLiteral("Command_BOX_set_time_%1").arg(i));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text(), QString::number(i + 1));
    EXPECT_NE(w->findChild<QLabel*>(QStringLiteral("Picture_dognum_%1").arg(i)), nullptr);
    EXPECT_NE(w->findChild<QLabel*>(QStringLiteral("Label_dog_%1").arg(i)), nullptr);
  }
  const std::vector<std::pair<const char*, const char*>> frames = {{"Frame_settimes", "Set times"},
                                                                   {"Frame_Control_status", "Control status"},
                                                                   {"Frame_dogs_Heat", "Heat data"},
                                                                   {"Frame_Control_box", "Control Box"},
                                                                   {"Frame_controls", ""}};
  for (const auto& [name, caption] : frames) {
    auto* f = w->findChild<QGroupBox*>(QString::fromLatin1(name));
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(f->title(), QString::fromLatin1(caption));
  }
  for (const char* name : {"Label_heat_num", "Label_heat_name", "Label_event", "Label_heat_length", "Label_day",
                           "Label_read_framesize", "Label_filesize", "Label_capture_folder", "Label_heat_time",
                           "Label_field", "Label_Coll_count", "Label_running_fps", "Picture_arm", "Picture_LED"})
    EXPECT_NE(w->findChild<QLabel*>(QString::fromLatin1(name)), nullptr) << name;
  EXPECT_EQ(w->findChild<QLabel*>("Label_heat_time")->text(), "00:00,00");
  EXPECT_EQ(w->findChild<QRadioButton*>("Option_selected_camera_1")->text(), "Goal");
  EXPECT_EQ(w->findChild<QRadioButton*>("Option_selected_camera_2")->text(), "Split");
  EXPECT_NE(w->findChild<QSlider*>("Slider_play"), nullptr);
  EXPECT_NE(w->findChild<QWidget*>("Picture_out"), nullptr);
  auto* timer1 = w->findChild<QTimer*>("Timer1");
  auto* timer2 = w->findChild<QTimer*>("Timer_2");
  ASSERT_TRUE(timer1 && timer2);
  EXPECT_EQ(timer1->interval(), 50);
  EXPECT_FALSE(timer1->isActive());
  EXPECT_EQ(timer2->interval(), 1000);
}

TEST_F(Window_Fixture, MenuItemsHaveTheirCaptionsAndShortcuts) {
  auto w = make();
  ASSERT_TRUE(w->Form_Load());
  const std::vector<std::tuple<const char*, const char*, const char*>> items = {
      {"item_open_file", "Open Doravent file", ""},
      {"item_last_heat", "Open last heat", "Ctrl+L"},
      {"item_show_result", "Show result form", "Ctrl+R"},
      {"item_reset_line", "Reset Goal line", ""},
      {"item_close_file", "Close Doravent file", ""},
      {"item_delete_file", "Delete this file", ""},
      {"item_event_registration", "Event registration", ""},
      {"item_open_event_file", "Open Event file", ""},
      {"item_No_event_file", "No Event File", ""},
      {"item_dog_names", "Dog names", ""},
      {"item_displace_goalline", "Displace goalline", "Ctrl+G"},
      {"item_show_settings", "Show settings", ""},
      {"item_Select_Video_Source", "Select Video Source", ""},
      {"item_Exit", "Exit", "Ctrl+X"},
      {"item_HDMI_performance", "HDMI performance", ""},
      {"item_JPEG_Benchmark", "JPEG Benchmark", ""},
      {"item_print_frame", "Print this frame", ""},
      {"item_print_series", "Print Goal photo series", ""},
      {"item_dog_name", "Dog Name", ""},
      {"item_test_XML", "Text XML header", ""},
      {"item_misbehave", "Misbehave trapped", ""},
      {"item_misbehave_untrapped", "Misbehave untrapped", ""},
      {"item_split_plus_one_hundredth", "Set split +1/100", ""},
      {"item_plus_one_hundredth", "Set time + 1/100", ""},
      {"item_display_HD_data", "Display HD frame data", ""},
      {"item_qn3_properties", "QN3 Properties", ""},
      {"item_associate", "Associate", ""},
      {"item_disqualified", "Disqualified", ""},
      {"item_DNF", "Did Not Finish", ""},
      {"item_NoRank", "No Rank", ""},
      {"item_crop_size_0", "400*880", ""},
      {"item_crop_size_1", "600*1080", ""},
      {"item_crop_size_2", "576*720", ""}};
  for (const auto& [name, caption, shortcut] : items) {
    QAction* a = w->item(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    EXPECT_EQ(a->text(), QString::fromLatin1(caption)) << name;
    EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(shortcut))) << name;
  }
  // Commands of subsystems not built yet are present but inactive.
  EXPECT_FALSE(w->item("item_delete_file")->isEnabled());
  EXPECT_TRUE(w->item("item_Exit")->isEnabled());
}

TEST_F(Window_Fixture, DevelopmentModeDecidesWhichMenusShow) {
  for (bool development : {false, true}) {
    auto w = make(development);
    ASSERT_TRUE(w->Form_Load());
    for (const char* name : {"menu_debug", "menu_assign_times", "menu_specials", "menu_notime"})
      EXPECT_EQ(w->menu(QString::fromLatin1(name))->menuAction()->isVisible(), development) << name;
    EXPECT_FALSE(w->menu("menu_settings")->menuAction()->isVisible());
    EXPECT_TRUE(w->menu("menu_form")->menuAction()->isVisible());
    EXPECT_EQ(w->state().Arm_Green, development);
  }
}

TEST_F(Window_Fixture, StartUpRestoresHeatCropAndGoalLines) {
  write("Heat_ID", "7");
  write("lastcrop", "576*720");
  write("Goal_line1", "10,20,30,40", "Goal_lines");
  write("Goal_line2", "1,2,3", "Goal_lines"); // six characters or fewer: ignored
  auto w = make();
  ASSERT_TRUE(w->Form_Load());
  EXPECT_EQ(w->findChild<QSpinBox*>("UpDown_heat")->value(), 7);
  EXPECT_TRUE(w->item("item_crop_size_2")->isChecked());
  EXPECT_FALSE(w->item("item_crop_size_0")->isChecked());
  EXPECT_EQ(w->state().Goal_Point_1[1].x, 10);
  EXPECT_EQ(w->state().Goal_Point_1[1].y, 20);
  EXPECT_EQ(w->state().Goal_Point_2[1].x, 30);
  EXPECT_EQ(w->state().Goal_Point_2[1].y, 40);
  EXPECT_EQ(w->state().Goal_Point_2[2].x, 0);
  EXPECT_EQ(w->state().Selected_Camera, 1);
  EXPECT_TRUE(w->findChild<QRadioButton*>("Option_selected_camera_1")->isChecked());
  EXPECT_EQ(program().Goal_Delay_Ms, 200);
  EXPECT_EQ(program().Box_Delay_Ms, 0);

  // The crop size chosen is remembered for the next start; the heat number only with an event
  // file in use (the event tests show that), not for the test heat.
  w->findChild<QSpinBox*>("UpDown_heat")->setValue(9);
  w->item("item_crop_size_1")->trigger();
  EXPECT_EQ(Read_Ini_Value(Settings, "heat_id", program().Settings_File_Path, ""), "7");
  EXPECT_EQ(Read_Ini_Value(Settings, "lastcrop", program().Settings_File_Path, ""), "600*1080");
  EXPECT_TRUE(w->item("item_crop_size_1")->isChecked());
  EXPECT_FALSE(w->item("item_crop_size_2")->isChecked());
}

TEST_F(Window_Fixture, ASecondInstanceShowsItsMessageAndEnds) {
  Single_Instance first;
  ASSERT_FALSE(first.Another_Instance_Running());
  auto w = make();
  EXPECT_FALSE(w->Form_Load());
  EXPECT_TRUE(prompts->messages().contains("A previous instance of Doravent is running!"));
  EXPECT_TRUE(program().Ending);
}

TEST_F(Window_Fixture, CommandLineArgumentLosesItsQuotesAndAMissingFileOpensNothing) {
  auto w = make(false, QStringLiteral("\"/no/such/heat.qn3\""));
  ASSERT_TRUE(w->Form_Load());
  EXPECT_EQ(w->state().Command_Argument, "/no/such/heat.qn3");
  EXPECT_TRUE(prompts->messages().isEmpty());
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Window_Fixture, CaptureFolderIsChosenStoredAndValidated) {
  QTemporaryDir folder;
  prompts->texts.push_back(folder.path());
  auto w = make();
  ASSERT_TRUE(w->Form_Load());
  // The stored default "C:" is the home folder, shown and used as such.
  EXPECT_EQ(w->state().Capture_Folder, QDir::homePath());
  EXPECT_EQ(w->findChild<QLabel*>("Label_capture_folder")->text(), QDir::homePath());
  EXPECT_EQ(Validate_Folder(w->state().Capture_Folder), "");
  auto* label = w->findChild<QLabel*>("Label_capture_folder");
  QTest::mouseClick(label, Qt::LeftButton);
  EXPECT_EQ(w->state().Capture_Folder, folder.path());
  EXPECT_EQ(label->text(), folder.path());
  EXPECT_EQ(Read_Ini_Value(Settings, "save_folder", program().Settings_File_Path, ""), folder.path());

  EXPECT_EQ(Validate_Folder(w->state().Capture_Folder), "");
  EXPECT_FALSE(QFile::exists(folder.filePath("testfile.txt")));

  // A cancelled dialog keeps the folder.
  QTest::mouseClick(label, Qt::LeftButton);
  EXPECT_EQ(w->state().Capture_Folder, folder.path());

  w->state().Capture_Folder = folder.filePath("gone");
  EXPECT_FALSE(Validate_Folder(w->state().Capture_Folder).isEmpty());
  EXPECT_EQ(prompts->messages().last(), "Capture folder does not exist!");

  // A folder nobody may write in, not even root: the failure comes back as text, unshown.
  const int shown = static_cast<int>(prompts->messages().size());
  w->state().Capture_Folder = QStringLiteral("/proc/self");
  EXPECT_FALSE(Validate_Folder(w->state().Capture_Folder).isEmpty());
  EXPECT_EQ(prompts->messages().size(), shown);
}

TEST_F(Window_Fixture, MisbehaveTrappedReportsDivisionByZero) {
  auto w = make(true);
  ASSERT_TRUE(w->Form_Load());
  w->item("item_misbehave")->trigger();
  ASSERT_EQ(errors.reports.size(), 1U);
  EXPECT_EQ(errors.reports[0].location, "Misbehave of Form Form_Doravent");
  EXPECT_EQ(errors.reports[0].number, 11);
  EXPECT_EQ(errors.reports[0].description, "Division by zero");
  EXPECT_EQ(errors.reports[0].extra, "");
}

TEST_F(Window_Fixture, ExitEndsInOrderAndOnlyOnce) {
  QTemporaryDir other;
  auto w = make();
  ASSERT_TRUE(w->Form_Load());
  w->show();
  auto* stray = new QWidget;
  stray->setAttribute(Qt::WA_DeleteOnClose);
  stray->show();
  QPointer<QWidget> watch(stray);
  w->item("item_Exit")->trigger();
  EXPECT_EQ(end_code, 0);
  EXPECT_TRUE(program().Ending);
  EXPECT_FALSE(w->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(watch.isNull());
  // Closing afterwards does not run the shutdown a second time; the lock is free again.
  end_code = -1;
  w->close();
  EXPECT_EQ(end_code, -1);
  EXPECT_FALSE(Single_Instance().Another_Instance_Running());
}

TEST_F(Window_Fixture, HideButtonsHideTheirFrames) {
  auto w = make();
  ASSERT_TRUE(w->Form_Load());
  w->show();
  QTest::mouseClick(w->findChild<QPushButton*>("Command_hide"), Qt::LeftButton);
  EXPECT_FALSE(w->findChild<QGroupBox*>("Frame_dogs_Heat")->isVisible());
  QTest::mouseClick(w->findChild<QPushButton*>("Command1"), Qt::LeftButton);
  EXPECT_FALSE(w->findChild<QGroupBox*>("Frame_Control_status")->isVisible());
  w->item("item_Exit")->trigger();
}

TEST(Command_Line, OptionsAndOneRecording) {
  struct Case {
    std::vector<const char*> args;
    bool help, version, development;
    const char* recording;
    bool error;
  };
  const std::vector<Case> cases = {
      {{"doravent"}, false, false, false, "", false},
      {{"doravent", "--version"}, false, true, false, "", false},
      {{"doravent", "--help"}, true, false, false, "", false},
      {{"doravent", "--development", "heat 1.qn3"}, false, false, true, "heat 1.qn3", false},
      {{"doravent", "a.qn3", "b.qn3"}, false, false, false, "a.qn3", true},
      {{"doravent", "--bogus"}, false, false, false, "", true},
  };
  for (const auto& c : cases) {
    std::vector<char*> argv;
    for (const char* a : c.args)
      argv.push_back(const_cast<char*>(a));
    const Command_Line line = Parse_Command_Line(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(line.help, c.help);
    EXPECT_EQ(line.version, c.version);
    EXPECT_EQ(line.development, c.development);
    EXPECT_EQ(line.recording, QString::fromLatin1(c.recording));
    EXPECT_EQ(!line.error.isEmpty(), c.error);
  }
}

} // namespace

TEST_F(Window_Fixture, TheTimerItemShowsAndHidesTheHeatClockWithTheHeatTime) {
  auto w = make(true);
  ASSERT_TRUE(w->Form_Load());
  QAction* timer = w->item("item_timer");
  ASSERT_TRUE(timer->isEnabled());
  timer->trigger();
  auto* clock_window = w->findChild<Form_timer*>();
  ASSERT_NE(clock_window, nullptr);
  EXPECT_TRUE(clock_window->isVisible());
  ui(w).Label_heat_time->setText(QStringLiteral(" 00:31,25"));
  clock_window->Timer1_Timer();
  EXPECT_EQ(clock_window->Label_elapsed->text(), " 00:31,25");
  timer->trigger();
  EXPECT_FALSE(clock_window->isVisible());
}

namespace {

// The program starts with nothing known; its settings file is found in start-up's own order,
// and no window made before that may read settings (it would say "Ini_file_path is empty!").
TEST_F(Window_Fixture, AFreshStartAsksNothingAndFindsItsSettingsFile) {
  program() = Program_Info{};
  Form_Doravent::Options options;
  options.simulated_kit = true;
  options.end_program = [](int) {};
  auto w = std::make_unique<Form_Doravent>(options);
  w->kit().set_Open_Wait_Ms(0);
  ASSERT_TRUE(w->Form_Load());
  EXPECT_TRUE(prompts->messages().isEmpty()) << prompts->messages().join('|').toStdString();
  EXPECT_EQ(program().Settings_File_Path, Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini"));
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
