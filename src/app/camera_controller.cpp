#include "app/camera_controller.h"

#include "app/form_doravent.h"
#include "capture/capture_component.h"
#include "capture/capture_hdmi.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "recording/video_file_handler.h"

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <cmath>

namespace {

const QString Start_Caption = QStringLiteral("Start camera");
const QString Stop_Caption = QStringLiteral("Stop camera");
constexpr int32_t Start_Click_Gap_Ms = 1000;
constexpr int32_t Live_Click_Gap_Ms = 300;

void set_colour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

} // namespace

Camera_Controller::Camera_Controller(Form_Doravent& window, Component_Factory factory)
    : w_(window), factory_(std::move(factory)) {
  connect(w_.Command_start_camera, &QPushButton::clicked, this, [this] { Command_start_camera_Click(); });
  connect(w_.cmd_live_view, &QPushButton::clicked, this, [this] { cmd_live_view_Click(); });
  connect(w_.Timer_2, &QTimer::timeout, this, [this] { Update_Running_Fps(); });
}

Camera_Controller::~Camera_Controller() = default;

void Camera_Controller::report(int32_t step, const char* procedure) {
  report_current_exception(step, QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent"));
}

void Camera_Controller::Create() {
  capture_ = std::make_unique<cls_Capture_HDMI>(factory_());
  connect(capture_.get(), &cls_Capture_HDMI::HDMIreceived, this, [this] {
    if (processing_) HDMI_event();
  });
  connect(capture_.get(), &cls_Capture_HDMI::Stream_Failed, this, [this](const QString& text) { Stream_Failed(text); });
  for (QPushButton* b : {w_.Command_start_camera, w_.cmd_live_view})
    b->setEnabled(true);
}

bool Camera_Controller::Cameras_Running() const { return w_.Command_start_camera->text() != Start_Caption; }

void Camera_Controller::Command_start_camera_Click() {
  int32_t step = 10;
  try {
    const int32_t now = Mill_Now();
    if (start_clicked_ && !Click_Accepted(now, last_start_click_, Start_Click_Gap_Ms)) return;
    start_clicked_ = true;
    last_start_click_ = now;
    Trace_Message("*Command_start_camera_Click, caption = " + w_.Command_start_camera->text());
    if (!capture_) return;
    step = 20;
    const bool starting = !Cameras_Running();
    if (starting) {
      if (links_.secure_held_frames && !links_.secure_held_frames()) return;
    } else if (links_.flush_held_frames) {
      links_.flush_held_frames();
    }
    if (!capture_->SourcePropFound())
      capture_->Set_Source_from_Saved(links_.limit_to_25_fps && links_.limit_to_25_fps());
    step = 30;
    if (links_.close_writer) links_.close_writer();
    w_.Text_filename->clear();
    w_.Picture_out->Clear_Picture();
    step = 40;
    if (starting) {
      w_.Command_start_camera->setText(Stop_Caption);
      if (links_.check_kit) links_.check_kit();
      if (links_.close_review) links_.close_review();
      Start_camera();
      w_.state().Live_View = true;
      w_.cmd_live_view->setText(QStringLiteral("Live view off"));
    } else {
      Do_Stop_Cams();
      w_.Label_running_fps->clear();
    }
    step = 50;
    w_.Label_heat_time->setText(QStringLiteral("00:00,00"));
    w_.Arrange_form();
    Clear_sources();
    w_.Frame_dogs_Heat->hide();
    Trace_Message("*Command_start_camera_Click, end  ");
  } catch (...) {
    report(step, "Command_start_camera_Click");
  }
}

void Camera_Controller::Start_camera() {
  Set_Cropping(crop_width_, crop_height_);
  capture_->set_HDMI_Crop(crop_width_, crop_height_);
  capture_->set_MaxFrames(0);
  capture_->set_Do_CROP(true);
  processing_ = true;
  capture_->Capture_Run();
  w_.Timer_2->start();
}

void Camera_Controller::Stop_Camera() {
  Trace_Message("*Stop_Camera");
  w_.Timer_2->stop();
  if (capture_) capture_->Stop_Capture();
  w_.Picture_arm->clear();
}

void Camera_Controller::Do_Stop_Cams() {
  w_.Command_start_camera->setText(Start_Caption);
  Stop_Camera();
}

void Camera_Controller::Stop_all_cams() {
  if (capture_) capture_->Stop_Capture();
}

void Camera_Controller::Clear_sources() { w_.state().Sources = {}; }

void Camera_Controller::cmd_live_view_Click() {
  try {
    int32_t& last = w_.state().click_mill(Click_Button::Live_View);
    const int32_t now = Mill_Now();
    if (!Click_Accepted(now, last, Live_Click_Gap_Ms)) return;
    last = now;
    if (w_.cmd_live_view->text() == QStringLiteral("Live view on")) {
      w_.state().Live_View = true;
      w_.cmd_live_view->setText(QStringLiteral("Live view off"));
    } else {
      w_.state().Live_View = false;
      w_.cmd_live_view->setText(QStringLiteral("Live view on"));
      w_.Picture_out->Clear_Picture();
    }
  } catch (...) {
    report(10, "cmd_live_view_Click");
  }
}

void Camera_Controller::item_crop_size_Click(int index) {
  int32_t step = 10;
  try {
    QAction* chosen = w_.item(QStringLiteral("item_crop_size_%1").arg(index));
    if (!chosen) return;
    for (int i = 0; i < 3; ++i)
      w_.item(QStringLiteral("item_crop_size_%1").arg(i))->setChecked(i == index);
    step = 20;
    const QStringList sides = chosen->text().split(QLatin1Char('*'));
    crop_width_ = sides.value(0).toInt();
    crop_height_ = sides.value(1).toInt();
    Set_Cropping(crop_width_, crop_height_);
    step = 30;
    Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("lastcrop"), chosen->text(),
                    program().Settings_File_Path);
  } catch (...) {
    report(step, "item_crop_size_Click");
  }
}

void Camera_Controller::Set_Cropping(int32_t crop_width, int32_t crop_height) {
  // The live picture is shown pixel for pixel: the box takes the crop's own size.
  if (crop_width <= 0 || crop_height <= 0) return;
  if (w_.obj_QN3_Handler().File_open()) return; // a recording under review keeps its box
  w_.Picture_out->resize(crop_width, crop_height);
  if (w_.isVisible()) w_.Arrange_form();
}

void Camera_Controller::Read_Last_Crop() {
  const QString last = Read_Ini_Value(QStringLiteral("Settings"), QStringLiteral("lastcrop"),
                                      program().Settings_File_Path, QStringLiteral("400*880"));
  for (int i = 0; i < 3; ++i)
    if (w_.item(QStringLiteral("item_crop_size_%1").arg(i))->text() == last) {
      item_crop_size_Click(i);
      return;
    }
  // A size this program does not offer falls back to the first one.
  item_crop_size_Click(0);
}

void Camera_Controller::HDMI_event() {
  if (program().Ending || !capture_) return;
  int32_t step = 10;
  try {
    Main_Window_State& st = w_.state();
    if (links_.performance_event)
      links_.performance_event(capture_->last_Capture_mill(), capture_->last_Capture_delta());
    step = 20;
    // The frame is kept before other events may run: a frame arriving meanwhile must not take its
    // place in the cropped picture first.
    if (st.Collecting) {
      capture_->Store_HDMI_Buffer();
      w_.Label_Coll_count->setText(QString::number(capture_->Buff_Num()));
    }
    QCoreApplication::processEvents();
    if (program().Ending) return;
    step = 30;
    {
      const QColor arm = st.Arm_Green ? QColor(0, 255, 0) : st.Collecting ? QColor(255, 0, 0) : QColor(0, 0, 255);
      QPixmap picture(w_.Picture_arm->size());
      capture_->Draw_Running_Arm_2(picture, arm, w_.Picture_arm->palette().color(QPalette::Window));
      w_.Picture_arm->setPixmap(picture);
    }
    step = 40;
    if (st.Live_View && capture_->Crop_Width() > 0 && capture_->Crop_Height() > 0) {
      QImage& picture = w_.Picture_out->Frame_Image(capture_->Crop_Width(), capture_->Crop_Height());
      capture_->Draw_Cropped_DIB(picture);
      if (links_.draw_live_line) links_.draw_live_line(picture);
      w_.Picture_out->Refresh();
    }
    step = 60;
    if (links_.escape_down && links_.escape_down() && links_.abort_heat) links_.abort_heat();
  } catch (...) {
    report_current_exception(step, QStringLiteral("HDMI_event of Sub Form_Doravent"));
  }
}

void Camera_Controller::Update_Running_Fps() {
  if (program().Ending || !capture_) return;
  const float fps = capture_->Running_Fps();
  if (fps <= 0) return;
  w_.Label_running_fps->setText(QString::number(std::lround(fps)) + QStringLiteral(" f/s"));
  set_colour(w_.Label_running_fps, fps > 27 ? QColor(255, 0, 0) : QColor(0, 0, 255));
}

void Camera_Controller::Stream_Failed(const QString& text) {
  Trace_Message("*Camera stream failed", text);
  w_.Label_running_fps->clear();
  Msg_Box(QStringLiteral("The camera stopped delivering frames: ") + text +
              QStringLiteral("\nFrames already kept stay in memory. Check the camera, then press \"Stop camera\" "
                             "and \"Start camera\"."),
          program().Program_Name, Prompt_Buttons::Ok, Prompt_Icon::Warning);
}
