#include "app/heat_controller.h"

#include "app/main_window_state.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "presentation/progress_window.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/review_session.h"
#include "timing/time_text.h"

#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int32_t Capture_Click_Gap_Ms = 300;

} // namespace

Heat_Controller::Heat_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  connect(ui_.Command_initiate_file, &QPushButton::clicked, this, [this] { Command_initiate_file_Click(); });
  connect(ui_.Command_start_heat, &QPushButton::clicked, this, [this] { Command_start_heat_Click(); });
  connect(ui_.Command_finish, &QPushButton::clicked, this, [this] { Command_finish_Click(); });
  connect(ui_.Timer1, &QTimer::timeout, this, [this] { Update_heat_time(); });
  ui_.Cmd_capture->installEventFilter(this);
  for (QPushButton* b : {ui_.Command_initiate_file, ui_.Command_finish, ui_.Cmd_capture})
    b->setEnabled(true);
}

Heat_Controller::~Heat_Controller() = default;

void Heat_Controller::Command_initiate_file_Click() { heat_.Initiate(); }

void Heat_Controller::Command_start_heat_Click() { heat_.Start(Start_Stamp::Now()); }

void Heat_Controller::Command_finish_Click() { heat_.Finish(); }

void Heat_Controller::Recording_Prepared(const QString& path) {
  // The recording is named after no event.
  if (!heat_.Next_Heat().event_file) ui_.Label_event->setText(QStringLiteral("No event"));
  ui_.Text_filename->setText(path);
}

void Heat_Controller::Heat_State_Changed() {
  Show_Heat_State();
  if (heat_.Running() && !ui_.Timer1->isActive()) ui_.Timer1->start();
  if (heat_.Collecting() != collecting_shown_) {
    collecting_shown_ = heat_.Collecting();
    ui_.Label_Coll_count->setVisible(collecting_shown_);
    // The arm shows the trigger's state from now on.
    view_.Arm_Green = false;
  }
}

void Heat_Controller::Show_Heat_State() {
  const auto file = [](const QString& path) { return QFileInfo(path).fileName(); };
  QString text;
  switch (heat_.State()) {
  case Heat_State::Idle:
    text = heat_.Finished_Path().isEmpty() ? QStringLiteral("No heat prepared")
                                           : QStringLiteral("Heat finished: ") + file(heat_.Finished_Path());
    break;
  case Heat_State::Prepared: text = QStringLiteral("Prepared: ") + file(heat_.Recording_Path()); break;
  case Heat_State::Running: text = QStringLiteral("Heat running"); break;
  case Heat_State::Collecting: text = QStringLiteral("Collecting frames"); break;
  case Heat_State::Appending: text = QStringLiteral("Appending frames"); break;
  }
  ui_.Label_heat_state->setText(text);
  ui_.Label_heat_state->setToolTip(heat_.State() == Heat_State::Idle ? heat_.Finished_Path() : heat_.Recording_Path());
}

void Heat_Controller::Recording_Written(const QString& path) {
  ui_.Label_filesize->setText(
      File_Size_Text(heat_.Writer().Segments_Num(), QFileInfo(path).size(), view_.Bytes_Per_Megabyte));
}

void Heat_Controller::Recording_Grew(const QString& path, int32_t segments) {
  ui_.Label_filesize->setText(File_Size_Text(static_cast<int16_t>(std::clamp(segments, 0, 32767)),
                                             QFileInfo(path).size(), view_.Bytes_Per_Megabyte));
}

void Heat_Controller::Appending(bool on) {
  if (on) {
    progress_ = std::make_unique<Form_progress>(&frame_.Window(), QStringLiteral("Appending frames"));
    progress_->show();
  } else if (progress_) {
    progress_->hide();
    progress_.reset();
  }
}

void Heat_Controller::Append_Progress(int percent) {
  if (progress_) progress_->set_Percent(percent);
}

void Heat_Controller::Heat_Finished() {
  ui_.Timer1->stop();
  // The controls come back when the review that follows is closed; without one they stay, for
  // the next heat.
  if (Setting_Checked(QStringLiteral("open_after_finish"))) ui_.Frame_Control_status->hide();
}

void Heat_Controller::Heat_Aborted() { ui_.Label_heat_time->setText(QStringLiteral("Aborted")); }

void Heat_Controller::Update_heat_time() {
  // The time label belongs to the picture while a recording is reviewed.
  if (!heat_.Running() || review_.Is_Open()) return;
  ui_.Label_heat_time->setText(Display_Mill_Time(Mill_Difference(Mill_Now(), heat_.Start_Mill()), false));
  ui_.Label_heat_time->repaint();
}

void Heat_Controller::Abort_Requested() {
  // Asked from the frame handler, frame after frame while Escape is held: one question, put once
  // the frame has been handled, and none without a heat to abort.
  if (abort_pending_ || !heat_.Running()) return;
  abort_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    Do_Abort();
    abort_pending_ = false;
  });
}

void Heat_Controller::Notice(const QString& text) {
  // Met in the frame path: told once the frame has been handled.
  QTimer::singleShot(0, this,
                     [text] { Msg_Box(text, program().Program_Name, Prompt_Buttons::Ok, Prompt_Icon::Warning); });
}

void Heat_Controller::Do_Abort() {
  try {
    const Prompt_Answer answer =
        Msg_Box(QStringLiteral("Aborting heat  are you sure?"), QStringLiteral("Sorvance Aborting Heat"),
                Prompt_Buttons::OkCancel, Prompt_Icon::Question, Prompt_Answer::Cancel);
    if (answer != Prompt_Answer::Ok) return;
    heat_.Abort();
  } catch (...) {
    report_current_exception(10, QStringLiteral("Do_Abort of Form Form_Doravent"));
  }
}

void Heat_Controller::Cmd_capture_MouseDown() {
  int32_t& last = view_.click_mill(Click_Button::Capture_Down);
  const int32_t now = Mill_Now();
  if (!Click_Accepted(now, last, Capture_Click_Gap_Ms)) return;
  last = now;
  heat_.Capture_Start();
}

void Heat_Controller::Cmd_capture_MouseUp() {
  int32_t& last = view_.click_mill(Click_Button::Capture_Up);
  const int32_t now = Mill_Now();
  if (!Click_Accepted(now, last, Capture_Click_Gap_Ms)) return;
  last = now;
  heat_.Capture_End();
}

bool Heat_Controller::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_.Cmd_capture) {
    if (event->type() == QEvent::MouseButtonPress) Cmd_capture_MouseDown();
    if (event->type() == QEvent::MouseButtonRelease) Cmd_capture_MouseUp();
  }
  return QObject::eventFilter(watched, event);
}
