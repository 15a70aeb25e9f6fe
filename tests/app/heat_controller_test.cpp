// The heat's life on the real window, with the simulated kit and the stepped synthetic camera:
// preparing, the start signal, capture start and end, finish and abort, and frames that must
// never be dropped unasked.
#include "app/heat_controller.h"

#include "app/event_controller.h"
#include "app/review_controller.h"
#include "app/slit_controller.h"
#include "metadata/xml_header.h"
#include "mock/heat_window.h"
#include "mock/review_recordings.h"
#include "platform/clock.h"
#include "presentation/event_form.h"
#include "presentation/settings_form.h"
#include "presentation/slit_strip.h"
#include "recording/frame_buffers.h"
#include "recording/live_slit.h"
#include "recording/video_file_handler.h"
#include "timing/heat_header.h"
#include "timing/time_text.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

#include <memory>

namespace {

// A check box of the settings window set as the operator sets it: clicked, so the setting is stored.
inline void Tick(QCheckBox* box, bool on) {
  if (box->isChecked() != on) box->click();
}

TEST(Recording_Name, TheNameOnlyLosesItsColonsDashesAndCommas) {
  const QDateTime when(QDate(2017, 10, 8), QTime(14, 5, 9));
  EXPECT_EQ(Recording_File_Name(QStringLiteral("/races/a-b, c"), QStringLiteral("A-B, C"), QStringLiteral("12"), when),
            QStringLiteral("/races/a-b, c/A_B_ C_12_2017_10_08 14_05_09.qn3"));
  EXPECT_EQ(Recording_File_Name(QStringLiteral("/races/"), QStringLiteral("Cup/../x"), QStringLiteral("1"), when),
            QStringLiteral("/races/Cup_.._x_1_2017_10_08 14_05_09.qn3"))
      << "an event name cannot leave the folder";
}

struct Heat_Lifecycle : Heat_Window {
  void SetUp() override {
    Heat_Window::SetUp();
    load_heat_window();
  }
  void prepare() {
    start_camera();
    ui(w).Command_initiate_file->click();
    ASSERT_FALSE(w->heat_session().Recording_Path().isEmpty()) << prompts->messages().join('|').toStdString();
  }
  // A heat started in the shown window, past the camera's three seconds after start-up.
  void start_shown_heat() {
    prepare();
    ui(w).Command_start_heat->click();
    frames(80);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  }
  // The recording as another reader sees it.
  std::unique_ptr<cls_VideoFile_handler> reread() {
    auto h = std::make_unique<cls_VideoFile_handler>();
    EXPECT_TRUE(h->Open_File(w->heat_session().Recording_Path()));
    return h;
  }
};

TEST_F(Heat_Lifecycle, InitiateWaitsForTheCameraRate) {
  ui(w).Command_initiate_file->click();
  EXPECT_EQ(prompts->messages(),
            QStringList{"Waiting to measure camera fps!\r\n(See display under the rotating arm!)"});
  EXPECT_TRUE(w->heat_session().Recording_Path().isEmpty());
  prepare();
  EXPECT_TRUE(QFile::exists(w->heat_session().Recording_Path()));
  EXPECT_TRUE(w->heat_session().Recording_Path().startsWith(dir.path() + QStringLiteral("/No event_")));
  EXPECT_EQ(ui(w).Text_filename->text(), w->heat_session().Recording_Path());
  const auto h = reread();
  EXPECT_EQ(h->Dora_event(), "Test Event");
  EXPECT_EQ(h->Dora_Heat_Name(), "Test Heat");
  EXPECT_TRUE(h->XML_Header().XML_string().contains(
      QStringLiteral("<dora_ph_serial>%1</dora_ph_serial>").arg(Simulated_Kit_Serial)));
  EXPECT_TRUE(h->RGB_interlaced());
  h->Close_File();
}

TEST_F(Heat_Lifecycle, StartTwiceKeepsTheFirstInstant) {
  prepare();
  const int32_t first = clock.mill;
  ui(w).Command_start_heat->click();
  ASSERT_TRUE(w->heat_session().Running());
  EXPECT_EQ(w->heat_session().Start_Mill(), first);
  EXPECT_TRUE(ui(w).Timer1->isActive());
  clock.advance(500);
  const int beeps = prompts->beeps();
  ui(w).Command_start_heat->click();
  EXPECT_EQ(prompts->beeps(), beeps + 1);
  EXPECT_EQ(w->heat_session().Start_Mill(), first);
  const auto h = reread();
  EXPECT_EQ(h->Dora_start_PC_mill(), first);
  h->Close_File();
  w->heat().Update_heat_time();
  EXPECT_EQ(ui(w).Label_heat_time->text(), " 00:00,50");
}

TEST_F(Heat_Lifecycle, StartWithoutARecordingNeedsAutoInitiate) {
  start_camera();
  Tick(Form_Doravent_settings::instance().Check_Auto_init, false);
  ui(w).Command_start_heat->click();
  EXPECT_FALSE(w->heat_session().Running());
  EXPECT_FALSE(ui(w).Timer1->isActive());
  EXPECT_EQ(prompts->beeps(), 1);
  EXPECT_TRUE(w->heat_session().Recording_Path().isEmpty());
}

// The start instant is read first: preparing the recording on the fly must not move it.
TEST_F(Heat_Lifecycle, AutoInitiateReadsTheStartInstantBeforePreparing) {
  start_camera();
  Tick(Form_Doravent_settings::instance().Check_Auto_init, true);
  // A clock that moves with every reading, as a real one does while files are written.
  struct Ticking_Clock final : Clock {
    mutable int32_t mill = 900000;
    int32_t mill_now() const override { return mill += 3; }
    QDateTime local_now() const override { return QDateTime(QDate(2026, 5, 17), QTime(14, 30)); }
  } ticking;
  const int32_t before = ticking.mill;
  const Clock* test_clock = install_clock(&ticking);
  ui(w).Command_start_heat->click();
  install_clock(test_clock);
  Tick(Form_Doravent_settings::instance().Check_Auto_init, false);
  ASSERT_TRUE(w->heat_session().Running());
  ASSERT_FALSE(w->heat_session().Recording_Path().isEmpty());
  EXPECT_EQ(w->heat_session().Start_Mill(), before + 3) << "the first reading of the clock";
  EXPECT_GT(ticking.mill, w->heat_session().Start_Mill()) << "the file work came after it";
  const auto h = reread();
  EXPECT_EQ(h->Dora_start_PC_mill(), w->heat_session().Start_Mill());
  h->Close_File();
}

TEST_F(Heat_Lifecycle, CaptureStartNeedsARunningHeatAndSaysNothing) {
  prepare();
  const int beeps = prompts->beeps();
  w->heat_session().Capture_Start();
  EXPECT_FALSE(w->heat_session().Collecting());
  EXPECT_EQ(prompts->beeps(), beeps) << "no beep without a running heat";
  ui(w).Command_start_heat->click();
  w->heat_session().Capture_Start();
  EXPECT_TRUE(w->heat_session().Collecting());
}

TEST_F(Heat_Lifecycle, ACaptureEndInTheFirstThreeSecondsIsSkipped) {
  // Started at once after start-up: the camera's warm-up is not yet three seconds.
  prepare();
  ui(w).Command_start_heat->click();
  // The camera's warm-up began a moment ago.
  program().Ready_Mill = clock.mill;
  w->heat_session().Capture_Start();
  frames(10);
  ASSERT_EQ(held(), 10);
  ASSERT_LT(Mill_Difference(clock.mill, program().Ready_Mill), 3000);
  w->heat_session().Capture_End();
  EXPECT_EQ(held(), 10) << "nothing appended";
  EXPECT_FALSE(w->heat_session().Collecting());
}

// "Open last heat" while a heat runs finishes it first, and the heat just recorded is the one
// that opens.
TEST_F(Heat_Lifecycle, OpenLastHeatFinishesTheRunningHeatFirst) {
  prepare();
  const QString recording = w->heat_session().Recording_Path();
  ui(w).Command_start_heat->click();
  ASSERT_TRUE(w->heat_session().Running());
  w->heat_session().Capture_Start();
  frames(10);
  w->heat_session().Capture_End();
  w->item(QStringLiteral("item_last_heat"))->trigger();
  EXPECT_FALSE(w->heat_session().Running());
  EXPECT_TRUE(w->heat_session().Recording_Path().isEmpty());
  EXPECT_TRUE(w->obj_QN3_Handler().File_open());
  EXPECT_EQ(w->review_session().File_Name(), recording);
}

TEST_F(Heat_Lifecycle, AbortAsksThenCaptureIsRefused) {
  prepare();
  ui(w).Command_start_heat->click();
  prompts->answers = {Prompt_Answer::Cancel};
  w->heat().Do_Abort();
  EXPECT_TRUE(w->heat_session().Running());
  ASSERT_FALSE(prompts->seen.empty());
  const Scripted_Prompts::Prompt& question = prompts->seen.back();
  EXPECT_EQ(question.text, "Aborting heat  are you sure?");
  EXPECT_EQ(question.title, "Sorvance Aborting Heat");
  EXPECT_EQ(question.buttons, Prompt_Buttons::OkCancel);
  EXPECT_EQ(question.default_answer, Prompt_Answer::Cancel);
  prompts->answers = {Prompt_Answer::Ok};
  w->heat().Do_Abort();
  EXPECT_FALSE(w->heat_session().Running());
  EXPECT_EQ(ui(w).Label_heat_time->text(), "Aborted");
  EXPECT_FALSE(w->heat_session().Recording_Path().isEmpty()) << "the recording stays prepared";
  w->heat_session().Capture_Start();
  EXPECT_FALSE(w->heat_session().Collecting());
}

// Escape pressed on the window while a trigger is held: the question comes with the next frame
// shown; Cancel goes on with a heat that keeps every frame, before and after it; Ok ends the heat.
TEST_F(Heat_Lifecycle, EscapeDuringAHeatAsksAndCancelKeepsRecording) {
  start_shown_heat();
  if (HasFatalFailure()) return;
  w->heat_session().Capture_Start();
  ASSERT_TRUE(w->heat_session().Collecting());
  const auto questions = [this] {
    return static_cast<int>(std::count_if(prompts->seen.begin(), prompts->seen.end(), [](const auto& p) {
      return p.text == QStringLiteral("Aborting heat  are you sure?");
    }));
  };
  prompts->answers = {Prompt_Answer::Cancel};
  QTest::keyPress(w.get(), Qt::Key_Escape);
  frames(1);
  EXPECT_EQ(questions(), 1);
  QTest::keyRelease(w.get(), Qt::Key_Escape);
  frames(4);
  EXPECT_EQ(questions(), 1) << "no question once Escape is up";
  EXPECT_TRUE(w->heat_session().Running());
  EXPECT_TRUE(w->heat_session().Collecting());
  EXPECT_EQ(held(), 5) << "every frame of the trigger kept, before and after the question";

  prompts->answers = {Prompt_Answer::Ok};
  QTest::keyPress(w.get(), Qt::Key_Escape);
  frames(1);
  QTest::keyRelease(w.get(), Qt::Key_Escape);
  EXPECT_EQ(questions(), 2);
  EXPECT_FALSE(w->heat_session().Running());
}

// With the strip on, a held trigger draws the slit of its frames as they arrive: two fields a
// frame at 25 interlaced, taken along the goal line, and a new hold starts a new slit.
TEST_F(Heat_Lifecycle, AHeldTriggerDrawsTheSlitOfItsFramesInTheStrip) {
  start_shown_heat();
  if (HasFatalFailure()) return;
  w->item(QStringLiteral("item_slit_image"))->setChecked(true);
  Slit_Strip& strip = w->slit().Strip();
  EXPECT_FALSE(strip.Showing_Live());
  w->heat_session().Capture_Start();
  frames(10);
  const Live_Slit& live = w->heat_session().Live();
  EXPECT_EQ(live.Columns_Added(), 2 * int64_t{held()});
  EXPECT_EQ(held(), 10);
  EXPECT_GT(live.Rows(), 0);
  EXPECT_TRUE(strip.Showing_Live());
  EXPECT_TRUE(w->slit().Status_Text().contains(QStringLiteral("20 fields"))) << w->slit().Status_Text().toStdString();
  w->heat_session().Capture_End();
  EXPECT_TRUE(strip.Showing_Live()) << "the hold's slit stays until a recording is opened";
  w->heat_session().Capture_Start();
  frames(2);
  EXPECT_EQ(live.Columns_Added(), 4);
  w->heat_session().Capture_End();
}

TEST_F(Heat_Lifecycle, TheCaptureButtonActsOnPressAndReleaseWithItsGuard) {
  start_shown_heat();
  if (HasFatalFailure()) return;
  QTest::mousePress(ui(w).Cmd_capture, Qt::LeftButton);
  EXPECT_TRUE(w->heat_session().Collecting());
  frames(5);
  QTest::mouseRelease(ui(w).Cmd_capture, Qt::LeftButton);
  EXPECT_FALSE(w->heat_session().Collecting());
  EXPECT_EQ(held(), 0) << "appended";
  clock.advance(50); // 250 ms after the press: a bounce
  QTest::mousePress(ui(w).Cmd_capture, Qt::LeftButton);
  EXPECT_FALSE(w->heat_session().Collecting());
  clock.advance(50);
  QTest::mousePress(ui(w).Cmd_capture, Qt::LeftButton);
  EXPECT_TRUE(w->heat_session().Collecting());
  const auto h = reread();
  EXPECT_EQ(h->Num_Frames(), 5);
  h->Close_File();
}

// Frames that could not go into the recording stay in memory; finishing then asks before
// dropping them, and keeps them when the operator says no.
TEST_F(Heat_Lifecycle, HeldFramesAreNeverDroppedUnasked) {
  prepare();
  ui(w).Command_start_heat->click();
  frames(80);
  w->heat_session().Capture_Start();
  frames(6);
  // The recording has gone and a folder stands in its place: nothing can be appended.
  const QString path = w->heat_session().Recording_Path();
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(QDir().mkdir(path));
  w->heat_session().Capture_End();
  EXPECT_EQ(held(), 6);
  EXPECT_TRUE(prompts->messages().last().startsWith("6 frames of this heat could not be appended"));
  // Finishing tries again (and says it failed), then asks.
  prompts->answers = {Prompt_Answer::Ok, Prompt_Answer::No};
  ui(w).Command_finish->click();
  EXPECT_TRUE(w->heat_session().Running()) << "kept: the heat is not finished";
  EXPECT_EQ(held(), 6);
  EXPECT_EQ(prompts->seen.back().default_answer, Prompt_Answer::No);
  prompts->answers = {Prompt_Answer::Ok, Prompt_Answer::Yes};
  ui(w).Command_finish->click();
  EXPECT_FALSE(w->heat_session().Running());
  EXPECT_EQ(held(), 0);
  EXPECT_FALSE(errors.reports.empty()) << "the failed append was reported";
}

TEST_F(Heat_Lifecycle, StoppingTheCameraAppendsTheFramesOfAnOpenTrigger) {
  prepare();
  ui(w).Command_start_heat->click();
  frames(80);
  w->heat_session().Capture_Start();
  frames(7);
  ui(w).Command_start_camera->click(); // "Stop camera" with the trigger still closed
  EXPECT_FALSE(w->camera().Cameras_Running());
  EXPECT_FALSE(w->heat_session().Collecting());
  EXPECT_EQ(held(), 0);
  const auto h = reread();
  EXPECT_EQ(h->Num_Frames(), 7);
  h->Close_File();
}

TEST_F(Heat_Lifecycle, ClosingTheProgramWithFramesWithoutARecordingAsks) {
  prepare();
  ui(w).Command_start_heat->click();
  w->heat_session().Capture_Start();
  frames(3);
  ASSERT_EQ(held(), 3);
  // The recording refuses every write: the frames can go nowhere.
  ASSERT_TRUE(QFile::setPermissions(w->heat_session().Recording_Path(), QFile::ReadOwner));
  prompts->answers = {Prompt_Answer::Ok, Prompt_Answer::No};
  EXPECT_FALSE(w->Doravent_End());
  EXPECT_FALSE(program().Ending);
  EXPECT_EQ(held(), 3);
  EXPECT_EQ(prompts->seen.back().text,
            "3 frames of the heat are held in memory and are not in a recording. Drop them?");
  prompts->answers = {Prompt_Answer::Ok, Prompt_Answer::Yes};
  EXPECT_TRUE(w->Doravent_End());
  EXPECT_EQ(held(), 0);
}

// The commands that went wrong on race nights, each in the window as the operator gives it.

// "Heat finish" pressed during the 500 ms wait after an append finds no frame to append again.
TEST_F(Heat_Lifecycle, ACommandDuringTheAppendWaitAppendsNothingTwice) {
  w->heat_session().set_Append_Wait_Ms(500);
  prepare();
  const QString recording = w->heat_session().Recording_Path();
  ui(w).Command_start_heat->click();
  w->heat_session().Capture_Start();
  frames(9);
  int presses = 0;
  QTimer::singleShot(100, w.get(), [&] {
    ++presses;
    ui(w).Command_finish->click();       // taken once the frames are in
    w->heat_session().Capture_End();     // a bouncing trigger
    ui(w).Command_start_camera->click(); // the camera stopped meanwhile
  });
  w->heat_session().Capture_End();
  EXPECT_EQ(presses, 1);
  EXPECT_EQ(held(), 0);
  EXPECT_FALSE(w->heat_session().Running()) << "the heat was finished after the append";
  cls_VideoFile_handler h;
  ASSERT_TRUE(h.Open_File(recording));
  EXPECT_EQ(h.Num_Frames(), 9) << "each frame once";
  h.Close_File();
}

// A second "Heat finish" has nothing to finish: the last heat stays the one just recorded, and
// the window says it was finished and names it.
TEST_F(Heat_Lifecycle, ASecondFinishKeepsTheLastHeat) {
  prepare();
  const QString recording = w->heat_session().Recording_Path();
  ui(w).Command_start_heat->click();
  w->heat_session().Capture_Start();
  frames(5);
  w->heat_session().Capture_End();
  ui(w).Command_finish->click();
  const int beeps = prompts->beeps();
  ui(w).Command_finish->click();
  EXPECT_EQ(prompts->beeps(), beeps + 1);
  EXPECT_EQ(Read_Ini_Value("Settings", "last_file", program().Settings_File_Path, {}), recording);
  EXPECT_EQ(ui(w).Label_heat_state->text(), "Heat finished: " + QFileInfo(recording).fileName());
  w->item(QStringLiteral("item_last_heat"))->trigger();
  EXPECT_EQ(w->review_session().File_Name(), recording);
  EXPECT_FALSE(prompts->messages().contains("No last file found! Try using normal file open."));
}

// "Initiate file" while the heat runs would take its frames into a recording without a start.
TEST_F(Heat_Lifecycle, InitiateWhileTheHeatRunsIsRefused) {
  prepare();
  const QString recording = w->heat_session().Recording_Path();
  ui(w).Command_start_heat->click();
  for (const bool collecting : {false, true}) {
    SCOPED_TRACE(collecting);
    if (collecting) w->heat_session().Capture_Start();
    const int beeps = prompts->beeps();
    ui(w).Command_initiate_file->click();
    EXPECT_EQ(prompts->beeps(), beeps + 1);
    EXPECT_EQ(w->heat_session().Recording_Path(), recording);
    EXPECT_EQ(QDir(dir.path()).entryList({"*.qn3"}).size(), 1) << "no second recording";
  }
  frames(4);
  w->heat_session().Capture_End();
  const auto h = reread();
  EXPECT_EQ(h->Num_Frames(), 4);
  EXPECT_NE(h->Dora_start_PC_mill(), 0);
  h->Close_File();
}

// After an older heat was reviewed, the next recording is the selected heat's, not the
// reviewed one's.
TEST_F(Heat_Lifecycle, AfterAReviewTheSelectedHeatIsPrepared) {
  Form_event_registration& events = w->events().Event_Window();
  events.Text_event_name->setText(QStringLiteral("Review Cup"));
  events.item_create_event_file_Click();
  events.UpDown_heat->setValue(3);
  events.Text_heat_name->setText(QStringLiteral("Third"));
  Q_EMIT events.Text_heat_name->editingFinished();
  events.Text_dog_name.at(0)->setText(QStringLiteral("Rex"));
  events.XML_to_File();
  prompts->texts = {events.Event_File_Path()};
  w->item(QStringLiteral("item_open_event_file"))->trigger();
  ui(w).UpDown_heat->setValue(3);

  const QString older = dir.filePath(QStringLiteral("older.qn3"));
  review_recordings::Spec spec; // heat 7, "Final"
  ASSERT_TRUE(review_recordings::Write(older, spec));
  ASSERT_TRUE(w->review().Handle_Open(older));
  EXPECT_EQ(ui(w).Label_heat_num->text(), "7");
  w->review().Do_Close();
  EXPECT_EQ(ui(w).Label_heat_num->text(), "3") << "the selected heat again";

  prepare();
  EXPECT_TRUE(QFileInfo(w->heat_session().Recording_Path()).fileName().startsWith("Review Cup_3_"));
  const auto h = reread();
  EXPECT_EQ(h->Dora_Heat_ID(), "3");
  EXPECT_EQ(h->Dora_Heat_Name(), "Third");
  EXPECT_EQ(h->Dora_Dog_name(1), "Rex");
  h->Close_File();
}

// A heat left running while another recording is reviewed keeps its clock off the review's time.
TEST_F(Heat_Lifecycle, TheHeatClockLeavesTheReviewsTimeAlone) {
  prepare();
  ui(w).Command_start_heat->click();
  const QString older = dir.filePath(QStringLiteral("older.qn3"));
  ASSERT_TRUE(review_recordings::Write(older, review_recordings::Spec{}));
  ASSERT_TRUE(w->review().Handle_Open(older));
  ASSERT_TRUE(w->heat_session().Running());
  const QString shown = ui(w).Label_heat_time->text();
  clock.advance(5000);
  w->heat().Update_heat_time();
  EXPECT_EQ(ui(w).Label_heat_time->text(), shown);
  EXPECT_EQ(shown, Display_Mill_Time(w->review_session().Shown_Time_Label_Ms(), false));
}

// The header tells when and how the heat was recorded, the same text on any machine.
TEST_F(Heat_Lifecycle, TheHeaderHoldsTheStartAndTheCapture) {
  Form_event_registration& events = w->events().Event_Window();
  events.Text_event_name->setText(QStringLiteral("Header Cup"));
  events.item_create_event_file_Click();
  events.UpDown_heat->setValue(2);
  events.Text_heat_length->setText(QStringLiteral("480"));
  Q_EMIT events.Text_heat_length->editingFinished();
  events.XML_to_File();
  prompts->texts = {events.Event_File_Path()};
  w->item(QStringLiteral("item_open_event_file"))->trigger();
  ui(w).UpDown_heat->setValue(2);
  prepare();
  ui(w).Command_start_heat->click();
  const auto h = reread();
  const Cls_XML_header& header = h->XML_Header();
  EXPECT_EQ(header.Dora_start_DateTime(), clock.local.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
  EXPECT_EQ(header.Dora_start_HDMI_events(), w->camera().Capture().HDMI_events());
  EXPECT_GT(header.Dora_start_HDMI_events(), 100);
  EXPECT_EQ(header.Dora_Heat_Length(), "480");
  EXPECT_EQ(header.Capture_property(), w->camera().Capture().Current_PropertyString());
  EXPECT_EQ(header.Phidget_serial(), QString::number(Simulated_Kit_Serial));
  h->Close_File();
}

// Without the kit's library a heat is started and captured from the window's buttons.
struct Heat_Without_Kit : Heat_Window {};

TEST_F(Heat_Without_Kit, StartHeatAndCaptureRecordAHeat) {
  setting(QStringLiteral("capturesettings"), QStringLiteral("friendlyname"), QStringLiteral("Synthetic camera"));
  setting(QStringLiteral("capturesettings"), QStringLiteral("videoproperty"), QStringLiteral("0"));
  setting(QStringLiteral("Settings"), QStringLiteral("save_folder"), dir.path());
  load_window({}, [](Form_Doravent& window) { window.heat_session().set_Append_Wait_Ms(0); });
  ASSERT_FALSE(w->kit().Present());
  synthetic = w->camera().Capture().Synthetic();
  synthetic->set_Stepped(true);
  start_camera();
  ui(w).Command_initiate_file->click();
  const QString recording = w->heat_session().Recording_Path();
  ASSERT_FALSE(recording.isEmpty());
  ASSERT_TRUE(ui(w).Command_start_heat->isEnabled());
  ui(w).Command_start_heat->click();
  ASSERT_TRUE(w->heat_session().Running());
  clock.advance(400);
  QTest::mousePress(ui(w).Cmd_capture, Qt::LeftButton);
  EXPECT_TRUE(w->heat_session().Collecting());
  frames(6);
  clock.advance(400);
  QTest::mouseRelease(ui(w).Cmd_capture, Qt::LeftButton);
  EXPECT_FALSE(w->heat_session().Collecting());
  ui(w).Command_finish->click();
  cls_VideoFile_handler h;
  ASSERT_TRUE(h.Open_File(recording));
  EXPECT_EQ(h.Num_Frames(), 6);
  h.Close_File();
}

} // namespace
