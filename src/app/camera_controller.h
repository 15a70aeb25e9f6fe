#pragma once
// The camera on the main window: the capture source, the camera button, live view, crop size,
// the per-frame handler that shows the live picture and keeps the heat's frames, and the
// running frame rate. The heat sees the camera through the Heat_Camera it is given.
#include "app/main_window_controls.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class Capture_Component;
class Form_select_Video;
class Heat_Camera;
class cls_Capture_HDMI;
struct Frame_Stamp;

class Camera_Controller : public QObject, private Window_Binding {
  Q_OBJECT
public:
  using Component_Factory = std::function<std::unique_ptr<Capture_Component>()>;

  Camera_Controller(const Main_Window_Parts& parts, Component_Factory factory);
  ~Camera_Controller() override;
  Camera_Controller(const Camera_Controller&) = delete;
  Camera_Controller& operator=(const Camera_Controller&) = delete;

  // Start-up: the capture source is made and advised; the source window's choices are read.
  void Create(Form_select_Video* source_window);
  bool Created() const { return capture_ != nullptr; }
  cls_Capture_HDMI& Capture() const { return *capture_; }
  // The camera button reads "Stop camera".
  bool Cameras_Running() const;
  int16_t Num_Cameras() const { return 1; }

  void Command_start_camera_Click();
  void Start_camera();
  void Stop_Camera();
  // Caption back to "Start camera", then Stop_Camera.
  void Do_Stop_Cams();
  void Stop_all_cams();
  void Clear_sources();
  void cmd_live_view_Click();
  void item_crop_size_Click(int index);
  void Set_Cropping(int32_t crop_width, int32_t crop_height);
  void Read_Last_Crop();
  int32_t Crop_Width() const { return crop_width_; }
  int32_t Crop_Height() const { return crop_height_; }

  // A recording is about to be opened for review: the heat's frames go into its recording and
  // the cameras stop.
  void Review_Opening();
  // Every processed frame of the capture source, inside the read that brought it: the frame is
  // kept and the window is drawn afterwards (Show_Frame).
  void HDMI_event(const Frame_Stamp& stamp);
  // The newest frame on the window: live picture, running arm, the Escape question.
  void Show_Frame();
  // The running rate under the arm, every second while the camera runs.
  void Update_Running_Fps();
  // After a capture failure frame processing stops until the camera is started again.
  bool Processing_Frames() const { return processing_; }

Q_SIGNALS:
  // Each frame's arrival, for the performance window.
  void frame_timing(int32_t last_mill, int32_t delta);

private:
  void set_Caption(bool running);
  void Stream_Failed(const QString& text);
  void report(int32_t step, const char* procedure);

  Component_Factory factory_;
  std::unique_ptr<cls_Capture_HDMI> capture_;
  std::unique_ptr<Heat_Camera> heat_camera_;
  Form_select_Video* source_window_ = nullptr;
  int32_t crop_width_ = 400;
  int32_t crop_height_ = 880;
  bool processing_ = true;
  bool show_pending_ = false;
  int32_t last_start_click_ = 0;
  bool start_clicked_ = false;
};
