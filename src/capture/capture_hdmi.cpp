#include "capture/capture_hdmi.h"

#include "capture/synthetic_camera.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "recording/frame_buffers.h"

#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <new>

namespace {

int32_t live_objects = 0;
int32_t objects_made = 0;

constexpr int32_t Day_Ms = 86'400'000;
constexpr int32_t Most_Devices = 10;

// "card (bus)" without its bus; empty for a name that has none.
QString Card_Of(const QString& friendly_name) {
  const qsizetype open = friendly_name.lastIndexOf(QStringLiteral(" ("));
  if (open <= 0 || !friendly_name.endsWith(QLatin1Char(')'))) return {};
  return friendly_name.left(open);
}

const QString crop_location = QStringLiteral("Crop_RGB_picture of Class Module cls_Capture_HDMI");

} // namespace

Frame_List& Process_Frame_List() {
  static Frame_List list;
  return list;
}

int32_t cls_Capture_HDMI::Live_Objects() { return live_objects; }

cls_Capture_HDMI::cls_Capture_HDMI(std::unique_ptr<Capture_Component> component, Frame_List& frames, QObject* parent)
    : QObject(parent), component_(std::move(component)), frames_(frames), index_(++objects_made) {
  Trace_Message(QStringLiteral("*Cls_Capture_HDMI Initialize "));
  if (!component_) component_ = std::make_unique<Capture_Component>(std::vector<std::unique_ptr<Capture_Device>>{});
  cookie_ = component_->Advise_Sink(this);
  component_->set_On_Devices_Changed([this] { Devices_Changed(); });
  ++live_objects;
}

cls_Capture_HDMI::~cls_Capture_HDMI() {
  Trace_Message(QStringLiteral("*cls_Capture_HDMI Class_Terminate begin, index = "), index_);
  Stop_Capture();
  frames_.Remove_All();
  component_->set_On_Devices_Changed({});
  Trace_Message(QStringLiteral("*cls_Capture,oCapture Unadvise"));
  if (cookie_ != 0) component_->Unadvise_Sink(cookie_);
  cookie_ = 0;
  component_.reset();
  --live_objects;
  Trace_Message(QStringLiteral("*cls_Capture_HDMI Class_Terminate End Cls_Capture_Counter = "), live_objects);
}

int32_t cls_Capture_HDMI::Find_Saved(const QString& saved_name) const {
  const QString card = Card_Of(saved_name);
  int32_t by_card = 0;
  int32_t same_cards = 0;
  const int32_t count = std::min(component_->Device_Count(), Most_Devices);
  for (int32_t n = 1; n <= count; ++n) {
    const QString name = component_->Device_At(n)->Friendly_Name();
    if (name == saved_name) return n;
    if (!card.isEmpty() && Card_Of(name) == card) {
      ++same_cards;
      by_card = n;
    }
  }
  return same_cards == 1 ? by_card : 0;
}

bool cls_Capture_HDMI::Set_Source_from_Saved(bool limit_to_25_fps) {
  Trace_Message(QStringLiteral("*Set_Source_from_Saved, begin"));
  limit_to_25_ = limit_to_25_fps;
  const QString path = program().Settings_File_Path;
  const QString saved_name =
      Read_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("friendlyname"), path, QStringLiteral("noname"));
  const QString saved_format =
      Read_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("videoproperty"), path, QStringLiteral("-1"));
  bool found = false;
  if (const int32_t n = Find_Saved(saved_name); n > 0) {
    bool number_ok = false;
    const int32_t format = saved_format.trimmed().toInt(&number_ok);
    found = Use_Source(n, number_ok ? format : -1, limit_to_25_fps);
  }
  Trace_Message(QStringLiteral("*Found_Friendly = "), found);
  if (!found) {
    component_->Deselect();
    source_device_ = nullptr;
    source_number_ = 0;
    source_prop_found_ = false;
    Msg_Box(QStringLiteral("Could not find the saved Video source! Please re-select Video source!"));
  }
  return found;
}

void cls_Capture_HDMI::Devices_Changed() {
  // The source keeps its object while its device stays, under a number that may have moved.
  int32_t number = 0;
  for (int32_t n = 1; n <= component_->Device_Count(); ++n)
    if (component_->Device_At(n) == source_device_) number = n;
  if (number > 0) {
    source_number_ = number;
  } else if (source_device_) {
    Trace_Message(QStringLiteral("*cls_Capture_HDMI source left"), friendly_name_);
    source_device_ = nullptr;
    source_number_ = 0;
    source_prop_found_ = false;
    running_ = false;
  }
  if (!source_prop_found_) {
    // Plugged back, perhaps under another node or port: chosen again, to start at the next press.
    const QString path = program().Settings_File_Path;
    const QString saved_name = Read_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("friendlyname"), path,
                                              QStringLiteral("noname"));
    if (const int32_t n = Find_Saved(saved_name); n > 0) {
      bool number_ok = false;
      const int32_t format =
          Read_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("videoproperty"), path, QStringLiteral("-1"))
              .trimmed()
              .toInt(&number_ok);
      Use_Source(n, number_ok ? format : -1, limit_to_25_);
    }
    if (source_prop_found_ && resume_on_return_) {
      resume_on_return_ = false;
      if (Resume()) Q_EMIT Stream_Resumed();
    }
  }
  Q_EMIT Sources_Changed();
}

bool cls_Capture_HDMI::Use_Source(int32_t number, int32_t format, bool limit_to_25_fps) {
  if (!component_->Select_Source(QStringLiteral("video:%1").arg(number))) {
    last_error_ = component_->Error_Text();
    return false;
  }
  friendly_name_ = component_->Get_Value(QStringLiteral("sourceFriendlyName"));
  source_number_ = number;
  source_device_ = component_->Selected_Device();
  limit_to_25_ = limit_to_25_fps;
  component_->Set_Value(QStringLiteral("GetIntervals"), QStringLiteral("0"));
  max_interval_ = component_->Get_Value(QStringLiteral("MaxInterval"));
  min_interval_ = component_->Get_Value(QStringLiteral("MinInterval"));
  if (limit_to_25_fps) component_->Set_Value(QStringLiteral("CaptureFps"), QStringLiteral("25"));
  component_->Set_Value(QStringLiteral("SetFormat"), QString::number(format));
  last_error_ = component_->Error_Text();
  property_string_ = Process_AMT(component_->Current_Format());
  Trace_Message(QStringLiteral("*Sourcenum = "), number, QStringLiteral(" Property = "), property_string_);
  source_prop_found_ = true;
  return true;
}

void cls_Capture_HDMI::set_HDMI_Crop(int32_t crop_width, int32_t crop_height) {
  Trace_Message(QStringLiteral("*HDMI_Crop X,Y = "), crop_width, QStringLiteral(","), crop_height);
  crop_width_ = crop_width;
  crop_height_ = crop_height;
  cropped_.Create(crop_width, crop_height);
  rgb_size_ = static_cast<int32_t>(std::clamp<int64_t>(int64_t{crop_width} * crop_height * 3, 0, INT32_MAX));
}

void cls_Capture_HDMI::Capture_Run() {
  int32_t step = 10;
  try {
    Trace_Message(QStringLiteral("Capture_run begin "), max_frames_);
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    step = 20;
    frames_.Remove_All();
    ring_position_ = 0;
    ring_total_ = 0;
    resume_on_return_ = false;
    Reset_Stream_State();
    step = 30;
    if (cookie_ == 0) cookie_ = component_->Advise_Sink(this);
    last_error_ = component_->Error_Text();
    step = 40;
    if (!component_->Start_Stream()) {
      running_ = false;
      throw Dora_Error(5, QStringLiteral("The video source did not start"));
    }
    last_error_ = component_->Error_Text();
    Trace_Message(QStringLiteral("*Capture_Run end "));
  } catch (...) {
    const Error_Info info = describe_exception(std::current_exception());
    last_error_ = component_->Error_Text();
    Msg_Box(QStringLiteral("*Capture_run error at line %1\nDescription = %2 Last_error: %3")
                .arg(step)
                .arg(info.description, last_error_));
  }
}

void cls_Capture_HDMI::Reset_Stream_State() {
  running_ = true;
  // A new stream measures its own rate and says afresh where its times come from.
  first_frame_of_stream_ = true;
  crop_failure_traced_ = false;
  crop_misfit_told_ = false;
  crop_ok_ = false;
  time_source_ = Capture_Time_Source::None;
  rate_frames_ = 0;
  rate_reference_set_ = false;
  running_fps_ = 0;
}

bool cls_Capture_HDMI::Resume() {
  // The frames kept so far stay: a heat under way goes on with the frames that come now.
  Reset_Stream_State();
  if (cookie_ == 0) cookie_ = component_->Advise_Sink(this);
  if (!component_->Start_Stream()) {
    running_ = false;
    last_error_ = component_->Error_Text();
    Trace_Message(QStringLiteral("*cls_Capture_HDMI resume failed"), last_error_);
    return false;
  }
  Trace_Message(QStringLiteral("*cls_Capture_HDMI resumed"), friendly_name_);
  return true;
}

void cls_Capture_HDMI::Stop_Capture() {
  resume_on_return_ = false;
  if (running_) {
    Trace_Message(QStringLiteral(" *cls_capture Stop, object =  "), friendly_name_, property_string_);
    component_->Stop_Stream();
    running_ = false;
  } else {
    Trace_Message(QStringLiteral(" *cls_capture m_is_Running = False  ID = "), source_number_);
  }
}

int32_t cls_Capture_HDMI::HDMI_10_mill() const {
  return have_frame_31_ ? Mill_Difference(frame_time_31_, frame_time_21_) : 0;
}

int32_t cls_Capture_HDMI::last_Capture_delta() const {
  return capture_delta_ < 0 || capture_delta_ > 10000 ? 0 : capture_delta_;
}

QString cls_Capture_HDMI::HDMI_Sample_Dimensions() const {
  return QStringLiteral("%1*%2").arg(source_width_).arg(source_height_);
}

int32_t cls_Capture_HDMI::Frame_Time(int32_t number) const {
  switch (number) {
  case 21: return frame_time_21_;
  case 31: return frame_time_31_;
  case 131: return frame_time_131_;
  default: return 0;
  }
}

int64_t cls_Capture_HDMI::Dropped_Frames() const {
  const Capture_Device* device = component_->Selected_Device();
  return device ? device->Dropped_Frames() : 0;
}

Synthetic_Camera* cls_Capture_HDMI::Synthetic() const { return Find_Synthetic_Camera(*component_); }

int32_t cls_Capture_HDMI::Buff_Num() const { return frames_.Count(); }

int32_t cls_Capture_HDMI::Effective_Video_Object(int32_t n) const {
  if (max_frames_ < n) return n;
  int32_t position = n + ring_position_;
  if (position > max_frames_) position -= max_frames_;
  return position;
}

void cls_Capture_HDMI::Store_HDMI_Buffer(const Frame_Stamp& stamp) {
  try {
    if (cropped_.Is_Empty()) return;
    if (!crop_ok_) {
      ++conversion_lost_;
      return;
    }
    const int32_t bytes = cropped_.SizeImage();
    if (!post_linear_ && max_frames_ > 0 && frames_.Count() >= max_frames_) {
      // The ring is full: the oldest frame's buffer takes this one.
      ring_position_ = ring_position_ % max_frames_ + 1;
      CVideobuff_RGB* oldest = frames_(ring_position_);
      if (oldest->RGB_Length() != bytes) oldest->set_RGB_Length(bytes);
      oldest->FillData_RGB(cropped_.DIBSectionBitsPtr());
      oldest->PutTimestamp(stamp.capture_mill, stamp.capture_local, stamp.delta);
    } else {
      Store_Frame(frames_, cropped_.DIBSectionBitsPtr(), bytes, stamp.capture_mill, stamp.capture_local, stamp.delta);
    }
    ++ring_total_;
  } catch (...) {
    report_current_exception(10, QStringLiteral("Store_HDMI_Buffer of Class Module cls_Capture_HDMI"));
  }
}

void cls_Capture_HDMI::OnStreamError(const QString& text) {
  Trace_Message(QStringLiteral("*cls_Capture_HDMI stream error"), text);
  last_error_ = text;
  // Nobody stopped it: when its camera is back, it goes on by itself.
  resume_on_return_ = running_;
  running_ = false;
  Q_EMIT Stream_Failed(text);
}

void cls_Capture_HDMI::Take_Times(int64_t sample_time, Capture_Time_Source source) {
  const int32_t arrival = Mill_Now();
  const bool timed = sample_time != No_Sample_Time;
  const int32_t t = timed ? static_cast<int32_t>(sample_time) : arrival;
  if (!timed || source == Capture_Time_Source::None) source = Capture_Time_Source::Arrival_Time;
  if (source != time_source_) {
    time_source_ = source;
    Trace_Message(QStringLiteral("*cls_Capture_HDMI frame times"), source == Capture_Time_Source::Sample_Time
                                                                       ? QStringLiteral("sample time of the source")
                                                                       : QStringLiteral("arrival time"));
  }
  // The local time of day of the same instant: the frame is as much older as it waited.
  int64_t local = int64_t{Local_Mill_Now()} - Mill_Difference(arrival, t);
  local = ((local % Day_Ms) + Day_Ms) % Day_Ms;
  capture_local_ = static_cast<int32_t>(local);
  capture_delta_ = Mill_Difference(t, last_capture_mill_);
  last_capture_mill_ = t;
  ++hdmi_events_;

  if (++rate_frames_ > 49) {
    if (!rate_reference_set_) {
      rate_reference_set_ = true; // the first block only sets the reference
    } else if (const int32_t span = Mill_Difference(t, rate_reference_mill_); span > 0) {
      running_fps_ = static_cast<float>(std::nearbyint(50000.0 / span));
    }
    rate_reference_mill_ = t;
    rate_frames_ = 0;
  }
  if (hdmi_events_ == 21) frame_time_21_ = t;
  if (hdmi_events_ == 31) {
    frame_time_31_ = t;
    have_frame_31_ = true;
  }
  if (hdmi_events_ == 131) frame_time_131_ = t;
  arm_counter_ = arm_counter_ >= 100 ? 1 : arm_counter_ + 1;
}

std::optional<Field_Timing> cls_Capture_HDMI::Source_Field_Timing() const {
  if (!format_) return std::nullopt;
  return Field_Timing{Field_Order_Name(format_->field_order),
                      static_cast<int32_t>(std::clamp<int64_t>(Field_Interval_100ns(*format_) / 10, 0, INT32_MAX)),
                      static_cast<int32_t>(std::clamp<int64_t>(format_->frame_interval_100ns / 10, 0, INT32_MAX))};
}

void cls_Capture_HDMI::Get_VideoHeader(int32_t length) {
  format_ = component_->Current_Format();
  source_width_ = format_ ? format_->width : 0;
  source_height_ = format_ ? format_->height : 0;
  frame_header_ = Bitmap_Info_Header{};
  frame_header_.biWidth = source_width_;
  frame_header_.biHeight = source_height_;
  frame_header_.biSizeImage = static_cast<uint32_t>(std::max(length, 0));
}

void cls_Capture_HDMI::Crop_RGB_picture(const uint8_t* data, int32_t length) {
  if (!format_) throw Dora_Error(5, QStringLiteral("No format known for the frames of the video source"));
  crop_left_ = static_cast<int32_t>(std::nearbyint(source_width_ / 2.0 - crop_width_ / 2.0));
  crop_top_ = static_cast<int32_t>(std::nearbyint(source_height_ / 2.0 - crop_height_ / 2.0));
  if (cropped_.Width() != crop_width_ || cropped_.Height() != crop_height_) cropped_.Create(crop_width_, crop_height_);
  crop_ok_ = false;
  if (crop_width_ > source_width_ || crop_height_ > source_height_) {
    if (!crop_misfit_told_) {
      crop_misfit_told_ = true;
      const QString text = QStringLiteral("The crop %1*%2 is larger than the camera's picture %3*%4: no frame can be "
                                          "recorded. Choose a crop size of at most %3*%4, or a camera format of at "
                                          "least %1*%2.")
                               .arg(crop_width_)
                               .arg(crop_height_)
                               .arg(source_width_)
                               .arg(source_height_);
      Trace_Message(QStringLiteral("*Crop_RGB_picture"), text);
      // Told after the frame has been handled, never from inside the frame path.
      QTimer::singleShot(0, this, [text] { (void)Msg_Box(text); });
    }
    return;
  }
  QString why;
  crop_ok_ = converter_.Convert(*format_, data, length, crop_left_, crop_top_, cropped_, why);
  if (!crop_ok_) {
    if (!crop_failure_traced_) {
      crop_failure_traced_ = true;
      Trace_Message(QStringLiteral("*Crop_RGB_picture failed"), why);
    }
    Beep();
  }
}

void cls_Capture_HDMI::OnRGBEvent(int64_t sample_time, Capture_Time_Source source, const uint8_t* data,
                                  int32_t length) {
  try {
    Take_Times(sample_time, source);
    if (first_frame_of_stream_) {
      first_frame_of_stream_ = false;
      Get_VideoHeader(length);
    }
    if (do_crop_) Crop_RGB_picture(data, length);
  } catch (...) {
    report_current_exception(0, crop_location);
  }
  Q_EMIT HDMIreceived(Last_Stamp());
}
