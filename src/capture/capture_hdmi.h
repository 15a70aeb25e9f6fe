#pragma once
// One HDMI capture source: selects the remembered device, starts and stops the stream, cuts
// the centred crop out of every frame, measures the frame rate and, while a heat is being
// captured, keeps every cropped frame in the frame list for the writer.
#include "capture/capture_component.h"
#include "capture/crop_convert.h"
#include "imaging/dib_section.h"
#include "recording/field_timing.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class Frame_List;
class QPaintDevice;
class Synthetic_Camera;

// The frames kept while a heat is captured: one list for the whole program, filled by the
// capture source and read by the writer at capture end.
Frame_List& Process_Frame_List();

// A frame's time stamps: its sample time on the program clock, the local time of day of that
// instant, and the milliseconds since the frame before (0 when out of range).
struct Frame_Stamp {
  int32_t capture_mill = 0;
  int32_t capture_local = 0;
  int32_t delta = 0;
};

class cls_Capture_HDMI : public QObject, private Video_Cap_Events {
  Q_OBJECT
public:
  explicit cls_Capture_HDMI(std::unique_ptr<Capture_Component> component, Frame_List& frames = Process_Frame_List(),
                            QObject* parent = nullptr);
  ~cls_Capture_HDMI() override;
  cls_Capture_HDMI(const cls_Capture_HDMI&) = delete;
  cls_Capture_HDMI& operator=(const cls_Capture_HDMI&) = delete;

  // Looks for the device named in the settings (capturesettings/friendlyname) among video:1
  // to video:10 and sets its saved format (capturesettings/videoproperty). The name is "card
  // (bus)": a camera moved to another port is found by its card alone when no other device
  // has that card. False, after the message, when nothing matches; then no device is selected,
  // so nothing else streams in its place.
  bool Set_Source_from_Saved(bool limit_to_25_fps);
  // video:n of the saved device, 0 when none matches; nothing is selected or shown.
  int32_t Find_Saved(const QString& saved_name) const;
  // Device `number` with format `format`: the steps taken once the saved device is found.
  bool Use_Source(int32_t number, int32_t format, bool limit_to_25_fps);

  void set_HDMI_Crop(int32_t crop_width, int32_t crop_height);
  // A display scale for a preview surface; kept, not used by the main window.
  void Set_HDMI_resize(double factor) { resize_factor_ = factor; }
  double HDMI_resize() const { return resize_factor_; }
  void Capture_Run();
  void Stop_Capture();
  // The current cropped frame into the frame list with the stamps it was delivered with; a frame
  // whose conversion failed is not stored but counted in Conversion_Lost.
  void Store_HDMI_Buffer(const Frame_Stamp& stamp);
  // The stamps of the last frame delivered.
  Frame_Stamp Last_Stamp() const { return {last_capture_mill_, capture_local_, last_Capture_delta()}; }
  // The source's format and the incoming-frame header, from the component; done at the first
  // frame of every stream.
  void Get_VideoHeader(int32_t length);
  // The cropped picture stretched over the box's inner area.
  void Draw_Cropped_DIB(QPaintDevice& box) const;
  // Clears the box and draws the arm, which turns once every 100 frames from straight up.
  void Draw_Running_Arm_2(QPaintDevice& box, const QColor& colour, const QColor& background = Qt::white) const;

  // ---- Properties ----
  float Running_Fps() const { return running_fps_; }
  // The source's fields as read at the stream's first frame; nullopt before it.
  std::optional<Field_Timing> Source_Field_Timing() const;
  // Milliseconds of 10 frames (frame 31 less frame 21); 0 until frame 31 has come.
  int32_t HDMI_10_mill() const;
  int32_t last_Capture_mill() const { return last_capture_mill_; }
  int32_t Capture_Local() const { return capture_local_; }
  // 0 for values below 0 or above 10 000.
  int32_t last_Capture_delta() const;
  QString MaxInterval() const { return max_interval_; }
  QString MinInterval() const { return min_interval_; }
  QString Current_FriendlyName() const { return friendly_name_; }
  QString Current_PropertyString() const { return property_string_; }
  QString HDMI_Sample_Dimensions() const;
  bool SourcePropFound() const { return source_prop_found_; }
  bool Post_linear() const { return post_linear_; }
  void set_Post_linear(bool on) { post_linear_ = on; }
  int32_t MaxFrames() const { return max_frames_; }
  void set_MaxFrames(int32_t frames) { max_frames_ = std::max(frames, 0); }
  bool Do_CROP() const { return do_crop_; }
  void set_Do_CROP(bool on) { do_crop_ = on; }
  int32_t Buff_Num() const;
  // Position in the frame list of the n-th frame in time order.
  int32_t Effective_Video_Object(int32_t n) const;
  int32_t HDMI_events() const { return hdmi_events_; }
  float Arm_Counter() const { return arm_counter_; }
  bool Running() const { return running_; }
  // Time of frame 21, 31 or 131 since creation; 0 until it came.
  int32_t Frame_Time(int32_t number) const;
  // Frames the device skipped in this stream, from its sequence numbers.
  int64_t Dropped_Frames() const;
  // False when the last frame could not be converted (damaged, or the crop does not fit).
  bool Last_Frame_Converted() const { return crop_ok_; }
  // Frames not stored because their conversion failed, since the object was made.
  int64_t Conversion_Lost() const { return conversion_lost_; }
  Capture_Time_Source Time_Source() const { return time_source_; }
  int32_t Source_Number() const { return source_number_; }
  int32_t Source_Width() const { return source_width_; }
  int32_t Source_Height() const { return source_height_; }
  int32_t Crop_Width() const { return crop_width_; }
  int32_t Crop_Height() const { return crop_height_; }
  int32_t RGB_size() const { return rgb_size_; }
  // Top-left of the crop in the last frame, counted from the picture's top-left.
  int32_t Crop_Left() const { return crop_left_; }
  int32_t Crop_Top() const { return crop_top_; }
  // The incoming frame as a bitmap header, made at the first frame of a stream.
  const Bitmap_Info_Header& Frame_Header() const { return frame_header_; }
  const cDIBSection& Cropped_Picture() const { return cropped_; }
  Capture_Component& Component() const { return *component_; }
  Frame_List& Frames() const { return frames_; }
  // The synthetic camera behind the component, for the heat's race zero; nullptr when none.
  Synthetic_Camera* Synthetic() const;
  static int32_t Live_Objects();

Q_SIGNALS:
  // A frame was taken in (cropped into Cropped_Picture when cropping is on), with its stamps.
  void HDMIreceived(const Frame_Stamp& stamp);
  // The stream ended by itself (device unplugged, no frames); the source is stopped.
  void Stream_Failed(const QString& text);
  // The devices were listed again after one arrived or left; SourcePropFound tells whether the
  // saved camera is there.
  void Sources_Changed();
  // The camera whose stream failed was plugged back and streams again; the frames kept before
  // it left are still kept.
  void Stream_Resumed();

private:
  void OnRGBEvent(int64_t sample_time, Capture_Time_Source source, const uint8_t* data, int32_t length) override;
  void OnStreamError(const QString& text) override;
  void Take_Times(int64_t sample_time, Capture_Time_Source source);
  void Reset_Stream_State();
  bool Resume();
  void Devices_Changed();
  void Crop_RGB_picture(const uint8_t* data, int32_t length);

  std::unique_ptr<Capture_Component> component_;
  Frame_List& frames_;
  int32_t cookie_ = 0;
  int32_t index_ = 0;
  bool running_ = false;
  bool resume_on_return_ = false; // the stream failed by itself, not stopped
  bool source_prop_found_ = false;
  QString last_error_;
  int32_t source_number_ = 0;
  QString friendly_name_;
  const Capture_Device* source_device_ = nullptr;
  bool limit_to_25_ = false;
  QString property_string_;
  QString max_interval_;
  QString min_interval_;
  std::optional<Video_Format> format_;
  int32_t source_width_ = 0;
  int32_t source_height_ = 0;
  Bitmap_Info_Header frame_header_;
  int32_t crop_width_ = 0;
  int32_t crop_height_ = 0;
  int32_t rgb_size_ = 0;
  int32_t crop_left_ = 0;
  int32_t crop_top_ = 0;
  cDIBSection cropped_;
  Crop_Converter converter_;
  double resize_factor_ = 1.0;
  bool do_crop_ = true;
  bool post_linear_ = false;
  int32_t max_frames_ = 0;
  int32_t ring_position_ = 0;
  int64_t ring_total_ = 0;

  int32_t hdmi_events_ = 0;
  bool first_frame_of_stream_ = true;
  bool crop_failure_traced_ = false;
  bool crop_ok_ = false;
  bool crop_misfit_told_ = false;
  int64_t conversion_lost_ = 0;
  Capture_Time_Source time_source_ = Capture_Time_Source::None;
  int32_t last_capture_mill_ = 0;
  int32_t capture_local_ = 0;
  int32_t capture_delta_ = 0;
  int32_t rate_frames_ = 0;
  bool rate_reference_set_ = false;
  int32_t rate_reference_mill_ = 0;
  float running_fps_ = 0;
  int32_t frame_time_21_ = 0;
  int32_t frame_time_31_ = 0;
  int32_t frame_time_131_ = 0;
  bool have_frame_31_ = false;
  float arm_counter_ = 0;
};
