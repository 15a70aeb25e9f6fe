#include "app/review_controller.h"

#include "app/form_doravent.h"
#include "imaging/image_ops.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "platform/user_folders.h"
#include "recording/video_file_handler.h"
#include "timing/navigation.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

namespace {

const QString Settings = QStringLiteral("Settings");
// What a missing settings key reads as.
const QString Not_Available = QStringLiteral("N/A");

QString location(const char* procedure) {
  return QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent");
}

} // namespace

Review_Controller::Review_Controller(Form_Doravent& window) : w_(window) {}

void Review_Controller::Wait_Letting_Events_Run(int32_t ms) {
  QElapsedTimer wait;
  wait.start();
  while (wait.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(ms - wait.elapsed()));
}

void Review_Controller::item_open_file_Click() {
  int32_t step = 10;
  try {
    w_.Frame_Control_status->hide();
    Main_Window_State& st = w_.state();
    st.Last_Folder = Read_Ini_Value(Settings, QStringLiteral("last_folder"), program().Settings_File_Path, {});
    cls_VideoFile_handler& h = w_.obj_QN3_Handler();
    h.Set_Screen_HDC(w_.Picture_out);
    step = 20;
    const QString folder = st.Last_Folder == Not_Available ? QString() : st.Last_Folder;
    const QString answer =
        prompts().open_file(QStringLiteral("Open"), folder, QStringLiteral("Doravent Files (*.qn3)"));
    if (answer.isEmpty()) return;
    step = 30;
    st.Review_File_Name = answer;
    h.Close_File();
    Handle_Open(answer);
  } catch (...) {
    report_current_exception(step, location("item_open_file_Click"));
  }
}

void Review_Controller::item_last_heat_Click() {
  int32_t step = 10;
  try {
    if (w_.state().Heat_Running) {
      if (hooks_.finish_heat)
        hooks_.finish_heat();
      else
        Trace_Message("*item_last_heat_Click, a heat is running");
    }
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

bool Review_Controller::Handle_Open(const QString& path) {
  int32_t step = 10;
  try {
    Trace_Message("Handle_Open " + path);
    Main_Window_State& st = w_.state();
    cls_VideoFile_handler& h = w_.obj_QN3_Handler();
    w_.Picture_arm->clear();
    w_.Label_running_fps->clear();
    st.Field_Mode = true;
    if (hooks_.stop_cameras) hooks_.stop_cameras();
    w_.Frame_Control_status->hide();
    h.Set_Screen_HDC(w_.Picture_out);
    st.Review_File_Name = path;

    step = 20;
    st.Last_Folder = Folder_Of(path);
    Write_Ini_Value(Settings, QStringLiteral("last_folder"), st.Last_Folder, program().Settings_File_Path);

    step = 30;
    if (!h.Open_File(path, false)) {
      Msg_Box(QStringLiteral("File open failed"));
      // The previous recording is closed by now; the window must not go on showing it.
      Do_Close();
      return false;
    }

    step = 40;
    st.Field_Mode = Field_Mode_For(h.Measured_fps(), h.RGB_interlaced());
    st.Goal_Displacement = 0;

    step = 50;
    if (w_.isVisible()) w_.Update_Max_Picture_Height();
    Size_Picture();

    step = 60;
    if (h.Num_fields() <= 0) {
      Msg_Box(QStringLiteral("No video in this file!"));
      Do_Close();
      return false;
    }

    step = 70;
    w_.Label_read_framesize->setText(QString::number(h.Width()) + QStringLiteral("*") + QString::number(h.Height()));
    {
      const QSignalBlocker quiet(w_.Slider_play);
      w_.Slider_play->setRange(1, st.Field_Mode ? h.Num_fields() : h.Num_Frames());
      w_.Slider_play->setValue(1);
    }
    w_.Slider_play->setEnabled(true);
    st.Num_Video_Streams = h.Num_Video_streams();
    Update_File_Size(path);

    step = 80;
    hooks_.take_goal_lines(h.XML_Header());
    st.Review_Start_Mill = h.Dora_start_PC_mill();

    step = 90;
    hooks_.redraw_frame();
    w_.Arrange_form();
    w_.Text_filename->setText(path);
    w_.Label_heat_num->setText(h.Dora_Heat_ID());
    w_.Label_heat_name->setText(h.Dora_Heat_Name());
    w_.Label_event->setText(h.Dora_event());
    w_.Label_event->setToolTip(h.Dora_event());
    const QString length = h.Dora_Heat_Length();
    // A recording without a length must not go on showing the previous heat's.
    w_.Label_heat_length->setText(length.isEmpty() ? QString() : length + QStringLiteral(" m"));

    step = 100;
    QString caption = program().Program_Name + path;
    if (h.Read_only()) caption += QStringLiteral("(read-only)");
    w_.setWindowTitle(caption);

    step = 110;
    hooks_.show_results();
    w_.Frame_settimes->show();
    Wait_Letting_Events_Run(open_wait_ms_);
    // Events run during the wait may have closed the recording again.
    if (!h.File_open()) return false;
    step = 120;
    if (QAction* displace = w_.item(QStringLiteral("item_displace_goalline"))) displace->setChecked(false);
    hooks_.open_goal();
    if (w_.Slider_play->isVisible()) w_.Slider_play->setFocus();
    return true;
  } catch (...) {
    report_current_exception(step, location("Handle_Open"));
    return w_.obj_QN3_Handler().File_open();
  }
}

void Review_Controller::Size_Picture() {
  const cls_VideoFile_handler& h = w_.obj_QN3_Handler();
  // A rotated recording is shown turned, so the box takes the turned picture's shape.
  const int32_t shown_width = h.Rotated() ? h.Height() : h.Width();
  const int32_t shown_height = h.Rotated() ? h.Width() : h.Height();
  const QSize picture = Review_Picture_Size(shown_width, shown_height, w_.state().Max_Picture_Height);
  if (picture.isEmpty() || picture == w_.Picture_out->size()) return;
  w_.Picture_out->resize(picture);
  if (w_.isVisible()) w_.Arrange_form();
}

void Review_Controller::Update_File_Size(const QString& path) {
  int32_t step = 10;
  try {
    if (path.isEmpty()) return;
    step = 20;
    w_.Label_filesize->setText(
        File_Size_Text(w_.obj_QN3_Handler().Segments_Num(), QFileInfo(path).size(), w_.state().Bytes_Per_Megabyte));
  } catch (...) {
    report_current_exception(step, location("Update_File_Size"));
  }
}

void Review_Controller::Do_Close() {
  int32_t step = 10;
  try {
    w_.obj_QN3_Handler().Close_File();
    step = 20;
    w_.Label_read_framesize->clear();
    w_.Text_filename->clear();
    w_.Label_field->clear();
    w_.Label_filesize->clear();
    w_.Picture_out->Clear_Picture();
    w_.Frame_settimes->hide();
    // Opening hid the camera and heat controls; without them the next heat cannot be recorded.
    w_.Frame_Control_status->show();
    w_.Cmd_Split->setText(QStringLiteral("Split"));
    w_.setWindowTitle(program().Program_Name);
    {
      // Nothing left to step through.
      const QSignalBlocker quiet(w_.Slider_play);
      w_.Slider_play->setRange(1, 1);
      w_.Slider_play->setEnabled(false);
    }
    step = 30;
    hooks_.clear_results();
  } catch (...) {
    report_current_exception(step, location("Do_Close"));
  }
}

bool Refuse_Read_Only(const cls_VideoFile_handler& recording) {
  if (recording.File_open() && recording.Read_only()) {
    Msg_Box(QStringLiteral("File is read only!"));
    return true;
  }
  return false;
}

bool Review_Controller::Check_Read_Only() { return Refuse_Read_Only(w_.obj_QN3_Handler()); }

void Review_Controller::item_qn3_properties_Click() {
  try {
    const QString text = w_.obj_QN3_Handler().QN3_Properties();
    if (text.isEmpty()) {
      Beep();
      return;
    }
    Msg_Box(text, QStringLiteral("QN3 Properties"));
  } catch (...) {
    report_current_exception(10, location("item_qn3_properties_Click"));
  }
}
