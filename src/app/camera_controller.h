#pragma once
// The camera on the main window: the capture source, the camera button, live view, crop size,
// the per-frame handler that shows the live picture and keeps the heat's frames, and the
// running frame rate.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class Capture_Component;
class Form_Doravent;
class cls_Capture_HDMI;

class Camera_Controller : public QObject {
public:
  using Component_Factory = std::function<std::unique_ptr<Capture_Component>()>;

  // What the camera asks of the other controllers and windows; set where the window is wired.
  struct Links {
    std::function<void()> check_kit;                     // the Control Box's display
    std::function<void()> close_review;                  // Do_Close of a recording under review
    std::function<void(QImage& picture)> draw_live_line; // the selected camera's line and handles
    std::function<void()> abort_heat;                    // Escape held during a frame
    std::function<bool()> escape_down;
    std::function<bool()> limit_to_25_fps; // the source window's check box
    std::function<void()> close_writer;    // the heat's recording, when open
    // A restart empties the frame list: the heat's frames are appended or given up first.
    // False: they stay, and the camera does not restart.
    std::function<bool()> secure_held_frames;
    // A stop: the heat's frames go into its recording when they can; otherwise they stay held.
    std::function<void()> flush_held_frames;
    std::function<void(int32_t last_mill, int32_t delta)> performance_event; // when its window shows
  };

  Camera_Controller(Form_Doravent& window, Component_Factory factory);
  ~Camera_Controller() override;
  Camera_Controller(const Camera_Controller&) = delete;
  Camera_Controller& operator=(const Camera_Controller&) = delete;

  Links& links() { return links_; }

  // Start-up: the capture source is made and advised.
  void Create();
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

  // Every processed frame of the capture source.
  void HDMI_event();
  // The running rate under the arm, every second while the camera runs.
  void Update_Running_Fps();
  // After a capture failure frame processing stops until the camera is started again.
  bool Processing_Frames() const { return processing_; }

private:
  void Stream_Failed(const QString& text);
  void report(int32_t step, const char* procedure);

  Form_Doravent& w_;
  Links links_;
  Component_Factory factory_;
  std::unique_ptr<cls_Capture_HDMI> capture_;
  int32_t crop_width_ = 400;
  int32_t crop_height_ = 880;
  bool processing_ = true;
  int32_t last_start_click_ = 0;
  bool start_clicked_ = false;
};
