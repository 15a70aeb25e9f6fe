#include "app/camera_controller.h"

#include "app/goal_lines_view.h"
#include "app/main_window_state.h"
#include "capture/capture_component.h"
#include "capture/capture_hdmi.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "presentation/form_select_video.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/review_session.h"

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

// The capture source as the heat needs it.
class Capture_Heat_Camera final : public Heat_Camera {
public:
  explicit Capture_Heat_Camera(cls_Capture_HDMI& capture) : capture_(capture) {}
  float Running_Fps() const override { return capture_.Running_Fps(); }
  int32_t Crop_Width() const override { return capture_.Crop_Width(); }
  int32_t Crop_Height() const override { return capture_.Crop_Height(); }
  QString Friendly_Name() const override { return capture_.Current_FriendlyName(); }
  QString Property_String() const override { return capture_.Current_PropertyString(); }
  int32_t Ten_Frames_Ms() const override { return capture_.HDMI_10_mill(); }
  std::optional<Field_Timing> Fields() const override { return capture_.Source_Field_Timing(); }
  int32_t Frame_Events() const override { return capture_.HDMI_events(); }
  void set_Collecting(bool on) override { capture_.set_Post_linear(on); }
  int32_t Write_Position(int32_t n) const override { return capture_.Effective_Video_Object(n); }
  bool Time_Ordered() const override { return capture_.MaxFrames() == 0; }

private:
  cls_Capture_HDMI& capture_;
};

} // namespace

Camera_Controller::Camera_Controller(const Main_Window_Parts& parts, Component_Factory factory)
    : Window_Binding(parts), factory_(std::move(factory)) {
  connect(ui_.Command_start_camera, &QPushButton::clicked, this, [this] { Command_start_camera_Click(); });
  connect(ui_.cmd_live_view, &QPushButton::clicked, this, [this] { cmd_live_view_Click(); });
  connect(ui_.Timer_2, &QTimer::timeout, this, [this] { Update_Running_Fps(); });
  for (int i = 0; i < 3; ++i)
    if (QAction* crop = ui_.item(QStringLiteral("item_crop_size_%1").arg(i)))
      connect(crop, &QAction::triggered, this, [this, i] { item_crop_size_Click(i); });
}

Camera_Controller::~Camera_Controller() {
  // The heat must not reach a camera that is going.
  if (heat_camera_) heat_.set_Camera(nullptr);
}

void Camera_Controller::report(int32_t step, const char* procedure) {
  report_current_exception(step, QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent"));
}

void Camera_Controller::Create(Form_select_Video* source_window) {
  source_window_ = source_window;
  capture_ = std::make_unique<cls_Capture_HDMI>(factory_());
  heat_camera_ = std::make_unique<Capture_Heat_Camera>(*capture_);
  heat_.set_Camera(heat_camera_.get());
  // Inside the read only what must not wait (the frame kept, its timing); the window is drawn
  // once the read is back, so the device's buffer is queued again at once.
  connect(
      capture_.get(), &cls_Capture_HDMI::HDMIreceived, this,
      [this](const Frame_Stamp& stamp) {
        if (processing_) HDMI_event(stamp);
      },
      Qt::DirectConnection);
  // The message is no part of the read that found the failure.
  connect(
      capture_.get(), &cls_Capture_HDMI::Stream_Failed, this, [this](const QString& text) { Stream_Failed(text); },
      Qt::QueuedConnection);
  // At once, so that no frame of the camera that is back goes unkept.
  connect(
      capture_.get(), &cls_Capture_HDMI::Stream_Resumed, this,
      [this] {
        Trace_Message("*Camera stream resumed");
        if (Cameras_Running())
          processing_ = true;
        else
          capture_->Stop_Capture();
      },
      Qt::DirectConnection);
  for (QPushButton* b : {ui_.Command_start_camera, ui_.cmd_live_view})
    b->setEnabled(true);
}

bool Camera_Controller::Cameras_Running() const { return ui_.Command_start_camera->text() != Start_Caption; }

void Camera_Controller::set_Caption(bool running) {
  ui_.Command_start_camera->setText(running ? Stop_Caption : Start_Caption);
  heat_.set_Cameras_Running(running);
}

void Camera_Controller::Command_start_camera_Click() {
  int32_t step = 10;
  try {
    const int32_t now = Mill_Now();
    if (start_clicked_ && !Click_Accepted(now, last_start_click_, Start_Click_Gap_Ms)) return;
    start_clicked_ = true;
    last_start_click_ = now;
    Trace_Message("*Command_start_camera_Click, caption = " + ui_.Command_start_camera->text());
    if (!capture_) return;
    step = 20;
    const bool starting = !Cameras_Running();
    if (starting) {
      if (!heat_.Secure_Held_Frames()) return;
    } else {
      heat_.Flush_Held_Frames();
    }
    // A saved camera that is missing starts nothing: no other source records in its place.
    if (starting && !capture_->SourcePropFound() &&
        !capture_->Set_Source_from_Saved(source_window_ && source_window_->Limit_Capture_25()))
      return;
    step = 30;
    heat_.Close_Writer();
    ui_.Text_filename->clear();
    ui_.Picture_out->Clear_Picture();
    step = 40;
    if (starting) {
      set_Caption(true);
      review_.Close();
      Start_camera();
      view_.Live_View = true;
      ui_.cmd_live_view->setText(QStringLiteral("Live view off"));
    } else {
      Do_Stop_Cams();
      ui_.Label_running_fps->clear();
    }
    step = 50;
    ui_.Label_heat_time->setText(QStringLiteral("00:00,00"));
    frame_.Arrange_form();
    Clear_sources();
    ui_.Frame_dogs_Heat->hide();
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
  ui_.Timer_2->start();
}

void Camera_Controller::Stop_Camera() {
  Trace_Message("*Stop_Camera");
  ui_.Timer_2->stop();
  if (capture_) capture_->Stop_Capture();
  ui_.Picture_arm->clear();
}

void Camera_Controller::Do_Stop_Cams() {
  set_Caption(false);
  Stop_Camera();
}

void Camera_Controller::Review_Opening() {
  heat_.Flush_Held_Frames();
  Do_Stop_Cams();
  ui_.Picture_arm->clear();
  ui_.Label_running_fps->clear();
}

void Camera_Controller::Stop_all_cams() {
  if (capture_) capture_->Stop_Capture();
}

void Camera_Controller::Clear_sources() { view_.Sources = {}; }

void Camera_Controller::cmd_live_view_Click() {
  try {
    int32_t& last = view_.click_mill(Click_Button::Live_View);
    const int32_t now = Mill_Now();
    if (!Click_Accepted(now, last, Live_Click_Gap_Ms)) return;
    last = now;
    if (ui_.cmd_live_view->text() == QStringLiteral("Live view on")) {
      view_.Live_View = true;
      ui_.cmd_live_view->setText(QStringLiteral("Live view off"));
    } else {
      view_.Live_View = false;
      ui_.cmd_live_view->setText(QStringLiteral("Live view on"));
      ui_.Picture_out->Clear_Picture();
    }
  } catch (...) {
    report(10, "cmd_live_view_Click");
  }
}

void Camera_Controller::item_crop_size_Click(int index) {
  int32_t step = 10;
  try {
    QAction* chosen = ui_.item(QStringLiteral("item_crop_size_%1").arg(index));
    if (!chosen) return;
    for (int i = 0; i < 3; ++i)
      ui_.item(QStringLiteral("item_crop_size_%1").arg(i))->setChecked(i == index);
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
  if (review_.Is_Open()) return; // a recording under review keeps its box
  ui_.Picture_out->resize(crop_width, crop_height);
  if (frame_.Window().isVisible()) frame_.Arrange_form();
}

void Camera_Controller::Read_Last_Crop() {
  const QString last = Read_Ini_Value(QStringLiteral("Settings"), QStringLiteral("lastcrop"),
                                      program().Settings_File_Path, QStringLiteral("400*880"));
  for (int i = 0; i < 3; ++i)
    if (ui_.item(QStringLiteral("item_crop_size_%1").arg(i))->text() == last) {
      item_crop_size_Click(i);
      return;
    }
  // A size this program does not offer falls back to the first one.
  item_crop_size_Click(0);
}

void Camera_Controller::HDMI_event(const Frame_Stamp& stamp) {
  if (program().Ending || !capture_) return;
  try {
    Q_EMIT frame_timing(stamp.capture_mill, stamp.delta);
    // The frame is kept while the read that brought it runs: the next frame takes its place in
    // the cropped picture.
    if (heat_.Collecting()) {
      capture_->Store_HDMI_Buffer(stamp);
      heat_.Frame_Kept();
      // The frame's pixels along the goal line, for the slit drawn while the trigger is held.
      if (capture_->Last_Frame_Converted()) {
        const cDIBSection& cropped = capture_->Cropped_Picture();
        heat_.Add_Live_Frame(cropped.DIBSectionBitsPtr(), cropped.SizeImage());
      }
    }
  } catch (...) {
    processing_ = false;
    report_current_exception(20, QStringLiteral("HDMI_event of Sub Form_Doravent"));
    return;
  }
  // Frames that come faster than the window draws are shown as one, the newest.
  if (show_pending_) return;
  show_pending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        show_pending_ = false;
        if (processing_) Show_Frame();
      },
      Qt::QueuedConnection);
}

void Camera_Controller::Show_Frame() {
  if (program().Ending || !capture_) return;
  int32_t step = 20;
  try {
    if (heat_.Collecting()) ui_.Label_Coll_count->setText(QString::number(capture_->Buff_Num()));
    step = 30;
    {
      const QColor arm = view_.Arm_Green      ? QColor(0, 255, 0)
                         : heat_.Collecting() ? QColor(255, 0, 0)
                                              : QColor(0, 0, 255);
      QPixmap picture(ui_.Picture_arm->size());
      capture_->Draw_Running_Arm_2(picture, arm, ui_.Picture_arm->palette().color(QPalette::Window));
      ui_.Picture_arm->setPixmap(picture);
    }
    step = 40;
    if (view_.Live_View && capture_->Crop_Width() > 0 && capture_->Crop_Height() > 0) {
      QImage& picture = ui_.Picture_out->Frame_Image(capture_->Crop_Width(), capture_->Crop_Height());
      capture_->Draw_Cropped_DIB(picture);
      Draw_Live_Goal_Line(picture, view_);
      ui_.Picture_out->Refresh();
    }
    step = 60;
    // The question is put from here, outside any read of the camera.
    if (view_.Escape_Down) heat_.Request_Abort();
  } catch (...) {
    processing_ = false;
    report_current_exception(step, QStringLiteral("HDMI_event of Sub Form_Doravent"));
  }
}

void Camera_Controller::Update_Running_Fps() {
  if (program().Ending || !capture_) return;
  const float fps = capture_->Running_Fps();
  if (fps <= 0) return;
  ui_.Label_running_fps->setText(QString::number(std::lround(fps)) + QStringLiteral(" f/s"));
  set_colour(ui_.Label_running_fps, fps > 27 ? QColor(255, 0, 0) : QColor(0, 0, 255));
}

void Camera_Controller::Stream_Failed(const QString& text) {
  Trace_Message("*Camera stream failed", text);
  // Already plugged back and streaming again, before this queued call came.
  if (capture_ && capture_->Running()) return;
  processing_ = false;
  ui_.Label_running_fps->clear();
  Msg_Box(QStringLiteral("The camera stopped delivering frames: ") + text +
              QStringLiteral("\nFrames already kept stay in memory. Plugged back in, the camera goes on by itself; "
                             "otherwise check it, then press \"Stop camera\" and \"Start camera\"."),
          program().Program_Name, Prompt_Buttons::Ok, Prompt_Icon::Warning);
}
