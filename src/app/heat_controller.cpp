#include "app/heat_controller.h"

#include "app/form_doravent.h"
#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "metadata/xml_header.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/start_sound.h"
#include "platform/trace.h"
#include "presentation/progress_window.h"
#include "presentation/settings_form.h"
#include "recording/frame_buffers.h"
#include "recording/video_file_handler.h"
#include "timing/goal_line.h"
#include "timing/heat_header.h"
#include "timing/time_text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

constexpr int32_t Capture_Click_Gap_Ms = 300;
constexpr int32_t Capture_End_Skip_Ms = 3000;

QString time_of_day() { return Display_Mill_Time(Local_Mill_Now(), false); }

void wait_letting_events_run(int32_t ms) {
  QElapsedTimer wait;
  wait.start();
  while (wait.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(ms - wait.elapsed()));
}

} // namespace

Heat_Controller::Heat_Controller(Form_Doravent& window)
    : w_(window), writer_(std::make_unique<cls_VideoFile_handler>()) {
  connect(w_.Command_initiate_file, &QPushButton::clicked, this, [this] { Command_initiate_file_Click(); });
  connect(w_.Command_start_heat, &QPushButton::clicked, this, [this] { Handle_Start(); });
  connect(w_.Command_finish, &QPushButton::clicked, this, [this] { Command_finish_Click(); });
  connect(w_.Timer1, &QTimer::timeout, this, [this] { Update_heat_time(); });
  w_.Cmd_capture->installEventFilter(this);
  for (QPushButton* b : {w_.Command_initiate_file, w_.Command_finish, w_.Cmd_capture})
    b->setEnabled(true);
}

Heat_Controller::~Heat_Controller() = default;

void Heat_Controller::report(int32_t step, const char* procedure) {
  report_current_exception(step, QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent"));
}

int32_t Heat_Controller::Held_Frames() const { return Process_Frame_List().Count(); }

bool Heat_Controller::Prepare_Recording() {
  cls_Capture_HDMI* capture = links_.capture ? links_.capture() : nullptr;
  Main_Window_State& st = w_.state();
  const bool event_file = st.Event_File_Open;
  if (!event_file) w_.Label_event->setText(QStringLiteral("No event"));
  const QString path =
      Recording_File_Name(st.Capture_Folder, w_.Label_event->text(), w_.Label_heat_num->text(), Local_Now());
  st.Recording_Path = path;
  w_.Text_filename->setText(path);

  Heat_Recording_Setup setup;
  setup.file_name = path;
  setup.running_fps = capture ? static_cast<int16_t>(std::lround(capture->Running_Fps())) : int16_t{0};
  setup.crop_width = capture ? capture->Crop_Width() : 0;
  setup.crop_height = capture ? capture->Crop_Height() : 0;
  setup.goal_finish =
      Format_Goal_Line(st.Goal_Point_1[1].x, st.Goal_Point_1[1].y, st.Goal_Point_2[1].x, st.Goal_Point_2[1].y);
  setup.goal_split =
      Format_Goal_Line(st.Goal_Point_1[2].x, st.Goal_Point_1[2].y, st.Goal_Point_2[2].x, st.Goal_Point_2[2].y);
  setup.event_file = event_file;
  cls_VideoFile_handler& recording = *writer_;
  if (event_file) {
    setup.event = links_.event_name ? links_.event_name() : w_.Label_event->text();
    setup.heat_id = w_.Label_heat_num->text();
    setup.heat_name = links_.heat_name ? links_.heat_name(static_cast<int16_t>(setup.heat_id.toInt())) : QString();
    // The event file's names, as the event controller reads them into a recording.
    cls_VideoFile_handler names;
    names.XML_Header().Create_Header();
    if (links_.update_dog_names) links_.update_dog_names(names);
    for (int16_t box = 1; box <= 6; ++box)
      setup.dog_names[static_cast<size_t>(box - 1)] = names.Dora_Dog_name(box);
  }
  setup.box_delay_ms = program().Box_Delay_Ms;
  setup.goal_delay_ms = program().Goal_Delay_Ms;
  setup.split_delay_ms = program().Split_Delay_Ms;
  setup.kit_serial = QString::number(links_.kit_serial ? links_.kit_serial() : 0);
  if (capture) {
    setup.capture_name = capture->Current_FriendlyName();
    setup.capture_format = capture->Current_PropertyString();
    setup.ten_frames_ms = capture->HDMI_10_mill();
  }
  st.Num_Video_Streams = 1;
  if (!Prepare_Heat_Recording(recording, setup)) {
    // No file to take the heat: nothing may start into it.
    st.Recording_Path.clear();
    w_.Text_filename->clear();
    return false;
  }
  if (links_.show_file_size) links_.show_file_size(path);
  return true;
}

void Heat_Controller::Command_initiate_file_Click() {
  int32_t step = 10;
  try {
    Trace_Message("Command_initiate_file_Click");
    cls_Capture_HDMI* capture = links_.capture ? links_.capture() : nullptr;
    if (!capture || capture->Running_Fps() == 0) {
      Msg_Box(QStringLiteral("Waiting to measure camera fps!\r\n(See display under the rotating arm!)"));
      return;
    }
    step = 20;
    if (w_.obj_QN3_Handler().File_open()) {
      Beep();
      return;
    }
    step = 30;
    const QString failure = links_.validate_folder ? links_.validate_folder() : QString();
    if (!failure.isEmpty()) {
      // A folder that exists but refuses a file has not been told yet.
      if (QFileInfo(w_.state().Capture_Folder).isDir())
        Msg_Box(QStringLiteral("The capture folder cannot take a recording: ") + failure);
      return;
    }
    step = 40;
    Prepare_Recording();
    Trace_Message("Command_initiate_file_Click, End");
  } catch (...) {
    report(step, "Command_initiate_file_Click");
  }
}

void Heat_Controller::Handle_Start() {
  int32_t step = 10;
  try {
    Trace_Message("Handle_Start, begin");
    Main_Window_State& st = w_.state();
    if (st.Heat_Running) {
      Beep();
      Trace_Message(time_of_day() + "*Heat already started!!");
      return;
    }
    // The heat's zero, read before any file work.
    const int32_t start_mill = Mill_Now();
    const int32_t start_local = Local_Mill_Now();
    const QDateTime started = Local_Now();
    step = 20;
    if (w_.obj_QN3_Handler().File_open()) {
      Beep();
      Trace_Message(time_of_day() + "*H_S File open!!");
      return;
    }
    step = 30;
    if (st.Recording_Path.isEmpty()) {
      if (!Form_Doravent_settings::instance().auto_init()) {
        Beep();
        Trace_Message(time_of_day() + "*No current file!!");
        return;
      }
      Command_initiate_file_Click();
      if (st.Recording_Path.isEmpty()) {
        Beep();
        Trace_Message(time_of_day() + "*No current file!!");
        return;
      }
    }
    step = 40;
    // A start the file refuses is reported; the heat runs on, and the instant reaches the file
    // with the next header write (the append at capture end).
    Stamp_Heat_Start(*writer_, start_mill, start_local, started);
    writer_->Close_File();
    step = 50;
    st.Heat_Start_Mill = start_mill;
    st.Heat_Start_Local = start_local;
    st.Heat_Running = true;
    w_.Timer1->start();
    if (cls_Capture_HDMI* capture = links_.capture ? links_.capture() : nullptr)
      if (Synthetic_Camera* synthetic = capture->Synthetic()) synthetic->set_Race_Zero(start_mill);
    PlayPOP();
    Trace_Message("Handle_Start, end");
  } catch (...) {
    report(step, "Handle_Start");
  }
}

void Heat_Controller::Update_heat_time() {
  const Main_Window_State& st = w_.state();
  if (!st.Heat_Running) return;
  w_.Label_heat_time->setText(Display_Mill_Time(Mill_Difference(Mill_Now(), st.Heat_Start_Mill), false));
  w_.Label_heat_time->repaint();
}

void Heat_Controller::Handle_Capture_Start() {
  try {
    Trace_Message("Handle_Capture_start");
    Main_Window_State& st = w_.state();
    const bool cameras = links_.cameras_running && links_.cameras_running();
    if (!cameras || st.Recording_Path.isEmpty()) {
      Beep();
      return;
    }
    if (!program().Development_Mode && (!st.Kit_Attached || !st.Heat_Running)) return;
    cls_Capture_HDMI* capture = links_.capture ? links_.capture() : nullptr;
    if (!capture) return;
    capture->set_Post_linear(true);
    st.Arm_Green = false;
    st.Collecting = true;
    w_.Label_Coll_count->show();
  } catch (...) {
    report(10, "Handle_Capture_Start");
  }
}

void Heat_Controller::Handle_Capture_End() {
  int32_t step = 10;
  try {
    Trace_Message("Handle_Capture_end");
    Main_Window_State& st = w_.state();
    w_.Label_Coll_count->hide();
    st.Collecting = false;
    st.Arm_Green = false;
    const bool cameras = links_.cameras_running && links_.cameras_running();
    if (!cameras || (!program().Development_Mode && !st.Heat_Running)) return;
    if (Mill_Difference(Mill_Now(), program().Ready_Mill) < Capture_End_Skip_Ms) {
      Trace_Message("Skipping Handle_Capture_end");
      return;
    }
    step = 20;
    cls_Capture_HDMI* capture = links_.capture ? links_.capture() : nullptr;
    if (!capture) return;
    capture->set_Post_linear(false);
    if (st.Recording_Path.isEmpty()) return;
    step = 30;
    Append_Held_Frames();
  } catch (...) {
    report(step, "Handle_Capture_End");
  }
}

bool Heat_Controller::Append_Held_Frames() {
  Frame_List& frames = Process_Frame_List();
  cls_Capture_HDMI* capture = links_.capture ? links_.capture() : nullptr;
  const Main_Window_State& st = w_.state();
  const int32_t count = frames.Count();
  if (count == 0 || st.Recording_Path.isEmpty()) return count == 0;
  cls_VideoFile_handler& recording = *writer_;
  Form_progress progress(&w_, QStringLiteral("Appending frames"));
  progress.show();
  int32_t handled = 0;
  try {
    std::vector<int32_t> order(static_cast<size_t>(count));
    for (int32_t i = 1; i <= count; ++i)
      order[static_cast<size_t>(i - 1)] = capture ? capture->Effective_Video_Object(i) : i;
    recording.Close_File();
    recording.set_File_name(st.Recording_Path);
    recording.Append_Frames(
        frames,
        [&progress](int32_t done, int32_t total) {
          progress.set_Percent(static_cast<int>(std::lround(100.0 * done / std::max(total, 1))));
        },
        order, &handled);
  } catch (...) {
    report_current_exception(40, QStringLiteral("Handle_Capture_End of Form Form_Doravent"));
  }
  recording.Close_File();
  if (links_.show_file_size) links_.show_file_size(st.Recording_Path);
  wait_letting_events_run(append_wait_ms_);
  progress.hide();
  // Only the frames the pass is done with leave memory; the rest wait for another try.
  const bool in_time_order = !capture || capture->MaxFrames() == 0;
  if (handled >= count || (in_time_order && handled > 0)) {
    for (int32_t i = 0; i < std::min(handled, count); ++i)
      frames.Remove_First();
  }
  const int32_t left = frames.Count();
  if (left > 0) {
    Msg_Box(QStringLiteral("%1 frames of this heat could not be appended to its recording. They are kept in memory; "
                           "\"Heat finish\" tries again.")
                .arg(left),
            program().Program_Name, Prompt_Buttons::Ok, Prompt_Icon::Warning);
    return false;
  }
  return true;
}

void Heat_Controller::End_Collecting() {
  Main_Window_State& st = w_.state();
  if (!st.Collecting) return;
  // The trigger is still closed: this is its end.
  st.Collecting = false;
  w_.Label_Coll_count->hide();
  if (cls_Capture_HDMI* capture = links_.capture ? links_.capture() : nullptr) capture->set_Post_linear(false);
}

void Heat_Controller::Flush_Held_Frames() {
  try {
    End_Collecting();
    if (Held_Frames() > 0 && !w_.state().Recording_Path.isEmpty()) Append_Held_Frames();
  } catch (...) {
    report(10, "Flush_Held_Frames");
  }
}

bool Heat_Controller::Secure_Held_Frames() {
  try {
    Main_Window_State& st = w_.state();
    End_Collecting();
    if (Held_Frames() == 0) return true;
    if (!st.Recording_Path.isEmpty() && Append_Held_Frames()) return true;
    const int32_t held = Held_Frames();
    const Prompt_Answer answer = Msg_Box(
        QStringLiteral("%1 frames of the heat are held in memory and are not in a recording. Drop them?").arg(held),
        program().Program_Name, Prompt_Buttons::YesNo, Prompt_Icon::Warning, Prompt_Answer::No);
    if (answer != Prompt_Answer::Yes) return false;
    Trace_Message("*Secure_Held_Frames, dropped by the operator", held);
    Process_Frame_List().Remove_All();
    return true;
  } catch (...) {
    report(10, "Secure_Held_Frames");
    return false;
  }
}

void Heat_Controller::Command_finish_Click() {
  int32_t step = 10;
  try {
    Trace_Message("Command_finish_Click");
    if (w_.obj_QN3_Handler().File_open()) {
      Beep();
      return;
    }
    step = 20;
    if (!Secure_Held_Frames()) return;
    w_.Timer1->stop();
    Do_Heat_Finish();
    step = 30;
    if (Form_Doravent_settings::instance().open_after_finish() && links_.open_last_heat) links_.open_last_heat();
  } catch (...) {
    report(step, "Command_finish_Click");
  }
}

void Heat_Controller::Do_Heat_Finish() {
  Main_Window_State& st = w_.state();
  st.Heat_Start_Mill = 0;
  st.Heat_Running = false;
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("last_file"), st.Recording_Path,
                  program().Settings_File_Path);
  // The controls come back when the review that follows is closed; without one they stay, for
  // the next heat.
  if (Form_Doravent_settings::instance().open_after_finish()) w_.Frame_Control_status->hide();
  writer_->Close_File();
  st.Recording_Path.clear();
}

void Heat_Controller::Do_Abort() {
  try {
    const Prompt_Answer answer =
        Msg_Box(QStringLiteral("Aborting heat  are you sure?"), QStringLiteral("Sorvance Aborting Heat"),
                Prompt_Buttons::OkCancel, Prompt_Icon::Question, Prompt_Answer::Cancel);
    if (answer != Prompt_Answer::Ok) return;
    Main_Window_State& st = w_.state();
    // Frames of the aborted run are the officials' evidence too: they go into the recording.
    if (st.Collecting || Held_Frames() > 0) Secure_Held_Frames();
    st.Heat_Start_Mill = 0;
    st.Heat_Running = false;
    w_.Label_heat_time->setText(QStringLiteral("Aborted"));
  } catch (...) {
    report(10, "Do_Abort");
  }
}

void Heat_Controller::Cmd_capture_MouseDown() {
  int32_t& last = w_.state().click_mill(Click_Button::Capture_Down);
  const int32_t now = Mill_Now();
  if (!Click_Accepted(now, last, Capture_Click_Gap_Ms)) return;
  last = now;
  Handle_Capture_Start();
}

void Heat_Controller::Cmd_capture_MouseUp() {
  int32_t& last = w_.state().click_mill(Click_Button::Capture_Up);
  const int32_t now = Mill_Now();
  if (!Click_Accepted(now, last, Capture_Click_Gap_Ms)) return;
  last = now;
  Handle_Capture_End();
}

bool Heat_Controller::eventFilter(QObject* watched, QEvent* event) {
  if (watched == w_.Cmd_capture) {
    if (event->type() == QEvent::MouseButtonPress) Cmd_capture_MouseDown();
    if (event->type() == QEvent::MouseButtonRelease) Cmd_capture_MouseUp();
  }
  return QObject::eventFilter(watched, event);
}
