#include "app/review_controller.h"

#include "app/main_window_state.h"
#include "imaging/image_ops.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "platform/user_folders.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/result_change.h"
#include "timing/review_session.h"
#include "timing/start_recovery.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

namespace {

const QString Settings = QStringLiteral("Settings");
// What a missing settings key reads as.
const QString Not_Available = QStringLiteral("N/A");

QString location(const char* procedure) {
  return QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent");
}

} // namespace

Review_Controller::Review_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  const auto on = [this](const char* name, auto&& handler) {
    if (QAction* a = ui_.item(QString::fromLatin1(name))) connect(a, &QAction::triggered, this, handler);
  };
  on("item_open_file", [this] { item_open_file_Click(); });
  on("item_last_heat", [this] { item_last_heat_Click(); });
  on("item_close_file", [this] { item_close_file_Click(); });
  on("item_qn3_properties", [this] { item_qn3_properties_Click(); });
  on("item_start_from_hand_time", [this] { item_start_from_hand_time_Click(); });
}

void Review_Controller::Wait_Letting_Events_Run(int32_t ms) {
  QElapsedTimer wait;
  wait.start();
  while (wait.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(ms - wait.elapsed()));
}

void Review_Controller::item_open_file_Click() {
  int32_t step = 10;
  try {
    ui_.Frame_Control_status->hide();
    const QString last = Read_Ini_Value(Settings, QStringLiteral("last_folder"), program().Settings_File_Path, {});
    step = 20;
    // Before any recording was opened, the recordings are in the capture folder.
    const QString folder = last == Not_Available ? view_.Capture_Folder : last;
    const QString answer =
        prompts().open_file(QStringLiteral("Open"), folder, QStringLiteral("Doravent Files (*.qn3)"));
    if (answer.isEmpty()) return;
    step = 30;
    review_.Recording().Close_File();
    Handle_Open(answer);
  } catch (...) {
    report_current_exception(step, location("item_open_file_Click"));
  }
}

void Review_Controller::item_last_heat_Click() {
  int32_t step = 10;
  try {
    if (heat_.Running()) heat_.Finish_Before_Review();
    step = 20;
    const QString last = Read_Ini_Value(Settings, QStringLiteral("last_file"), program().Settings_File_Path, {});
    if (last != Not_Available && QFileInfo(last).isFile()) {
      Handle_Open(last);
      return;
    }
    Msg_Box(QStringLiteral("No last file found! Try using normal file open."));
  } catch (...) {
    report_current_exception(step, location("item_last_heat_Click"));
  }
}

void Review_Controller::Heat_Finished() {
  if (Setting_Checked(QStringLiteral("open_after_finish"))) item_last_heat_Click();
}

bool Review_Controller::Handle_Open(const QString& path) {
  int32_t step = 10;
  try {
    ui_.Frame_Control_status->hide();
    if (!review_.Open(path)) return false;
    step = 20;
    Wait_Letting_Events_Run(open_wait_ms_);
    // Events run during the wait may have closed the recording again.
    if (!review_.Is_Open()) return false;
    step = 30;
    if (QAction* displace = ui_.item(QStringLiteral("item_displace_goalline"))) displace->setChecked(false);
    review_.Goto_Goal();
    if (ui_.Slider_play->isVisible()) ui_.Slider_play->setFocus();
    return true;
  } catch (...) {
    report_current_exception(step, location("Handle_Open"));
    return review_.Is_Open();
  }
}

void Review_Controller::Recording_Opened() {
  int32_t step = 10;
  try {
    const cls_VideoFile_handler& h = review_.Recording();
    ui_.Frame_Control_status->hide();
    step = 50;
    if (frame_.Window().isVisible()) frame_.Update_Max_Picture_Height();
    Size_Picture();
    step = 70;
    ui_.Label_read_framesize->setText(QString::number(h.Width()) + QStringLiteral("*") + QString::number(h.Height()));
    {
      const QSignalBlocker quiet(ui_.Slider_play);
      ui_.Slider_play->setRange(1, review_.Last_Position());
      ui_.Slider_play->setValue(1);
    }
    ui_.Slider_play->setEnabled(true);
    Update_File_Size(review_.File_Name());
  } catch (...) {
    report_current_exception(step, location("Handle_Open"));
  }
}

void Review_Controller::Recording_Shown() {
  int32_t step = 90;
  try {
    const cls_VideoFile_handler& h = review_.Recording();
    const QString path = review_.File_Name();
    // Shown before the window is arranged around it, so it is given its room.
    ui_.Frame_settimes->show();
    frame_.Arrange_form();
    ui_.Text_filename->setText(path);
    ui_.Label_heat_num->setText(h.Dora_Heat_ID());
    ui_.Label_heat_name->setText(h.Dora_Heat_Name());
    ui_.Label_event->setText(h.Dora_event());
    ui_.Label_event->setToolTip(h.Dora_event());
    const QString length = h.Dora_Heat_Length();
    // A recording without a length must not go on showing the previous heat's.
    ui_.Label_heat_length->setText(length.isEmpty() ? QString() : length + QStringLiteral(" m"));
    step = 100;
    QString caption = program().Program_Name + path;
    if (h.Read_only()) caption += QStringLiteral("(read-only)");
    frame_.Window().setWindowTitle(caption);
    ui_.Frame_settimes->show();
  } catch (...) {
    report_current_exception(step, location("Handle_Open"));
  }
}

void Review_Controller::Size_Picture() {
  const cls_VideoFile_handler& h = review_.Recording();
  // A rotated recording is shown turned, so the box takes the turned picture's shape.
  const int32_t shown_width = h.Rotated() ? h.Height() : h.Width();
  const int32_t shown_height = h.Rotated() ? h.Width() : h.Height();
  const QSize picture = Review_Picture_Size(shown_width, shown_height, view_.Max_Picture_Height);
  if (picture.isEmpty() || picture == ui_.Picture_out->size()) return;
  ui_.Picture_out->resize(picture);
  if (frame_.Window().isVisible()) frame_.Arrange_form();
}

void Review_Controller::Update_File_Size(const QString& path) {
  int32_t step = 10;
  try {
    if (path.isEmpty()) return;
    step = 20;
    ui_.Label_filesize->setText(
        File_Size_Text(review_.Recording().Segments_Num(), QFileInfo(path).size(), view_.Bytes_Per_Megabyte));
  } catch (...) {
    report_current_exception(step, location("Update_File_Size"));
  }
}

void Review_Controller::Do_Close() { review_.Close(); }

void Review_Controller::Recording_Closed() {
  int32_t step = 10;
  try {
    ui_.Label_read_framesize->clear();
    ui_.Text_filename->clear();
    ui_.Label_field->clear();
    ui_.Label_filesize->clear();
    ui_.Picture_out->Clear_Picture();
    ui_.Frame_settimes->hide();
    // Opening hid the camera and heat controls; without them the next heat cannot be recorded.
    ui_.Frame_Control_status->show();
    frame_.Window().setWindowTitle(program().Program_Name);
    step = 20;
    // Nothing left to step through.
    const QSignalBlocker quiet(ui_.Slider_play);
    ui_.Slider_play->setRange(1, 1);
    ui_.Slider_play->setEnabled(false);
  } catch (...) {
    report_current_exception(step, location("Do_Close"));
  }
}

bool Review_Controller::Check_Read_Only() { return Refuse_Read_Only(review_.Recording()); }

void Review_Controller::item_qn3_properties_Click() {
  try {
    const QString text = review_.Recording().QN3_Properties();
    if (text.isEmpty()) {
      Beep();
      return;
    }
    Msg_Box(text, QStringLiteral("QN3 Properties"));
  } catch (...) {
    report_current_exception(10, location("item_qn3_properties_Click"));
  }
}

namespace {

// The day the heat was run: the stamped start's, else the recording file's.
QDate Recording_Day(const cls_VideoFile_handler& h) {
  const QDateTime stamped = QDateTime::fromString(h.Dora_start_DateTime(), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
  if (stamped.isValid()) return stamped.date();
  const QFileInfo file(h.File_name());
  const QDateTime born = file.birthTime();
  return (born.isValid() ? born : file.lastModified()).date();
}

} // namespace

void Review_Controller::item_start_from_hand_time_Click() {
  int32_t step = 10;
  const QString title = QStringLiteral("Doravent start from hand time");
  try {
    if (review_.Refuse_Change(Result_Change::Times)) return;
    if (!review_.Shown_Run_Time()) {
      Beep();
      Msg_Box(QStringLiteral("The picture shown could not be read: show the winner's crossing first."), title);
      return;
    }
    step = 20;
    const auto answer = prompts().input(
        QStringLiteral("The picture shown is taken as the winner's crossing.\nThe winner's hand-timed run time "
                       "(29,87), or the start's time of day from another clock (14:05:09,12):"),
        title, {});
    if (!answer || answer->trimmed().isEmpty()) return;
    step = 30;
    const cls_VideoFile_handler& h = review_.Recording();
    Crossing_Picture winner;
    winner.capture_mill = h.Timestamp_long();
    winner.capture_local = h.QN3_Capture_local();
    winner.field_offset_ms = h.Field_To_Show() == 2 ? h.Field_Interval_Ms() : 0; // as the shown run time counts it
    winner.compensation_ms = h.Goal_Compensation_Ms();
    winner.position = review_.Position();
    winner.date = Recording_Day(h);
    QString why;
    const std::optional<Recovered_Start> start = Recover_Start(*answer, winner, why);
    if (!start) {
      Msg_Box(why, title);
      return;
    }
    step = 40;
    const int32_t shift = Mill_Difference(review_.Start_Mill(), start->start_mill);
    const QString question = QStringLiteral("%1.\nEvery time of this heat moves by %2 ms. Set this start?")
                                 .arg(start->how.left(1).toUpper() + start->how.mid(1))
                                 .arg(shift);
    if (Msg_Box(question, title, Prompt_Buttons::YesNo, Prompt_Icon::Question, Prompt_Answer::No) != Prompt_Answer::Yes)
      return;
    review_.Recover_Start(*start);
  } catch (...) {
    report_current_exception(step, location("item_start_from_hand_time_Click"));
  }
}
