#pragma once
// The capture component: finds the cameras of this machine, sets their format and delivers every
// frame through its event interface on the user-interface thread. Devices are "video:1",
// "video:2", ...: the V4L2 capture devices in /sys/class/video4linux order, then the synthetic
// camera.
#include "capture/v4l2_monitor.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

// How a delivered frame's bytes are laid out.
enum class Pixel_Format : uint8_t {
  BGR24_Bottom_Up, // the system's own surface layout: rows bottom-up, padded to 4 bytes
  RGB24,           // top-down, red first
  BGR24,           // top-down, blue first
  YUYV,
  UYVY,
  NV12,
  MJPEG,
};

// "YUYV", "MJPEG", ... as the source list shows it.
QString Pixel_Format_Name(Pixel_Format format);

// How the two fields of a frame are laid out in the delivered buffer. Bottom-first sources are
// converted so that the crop's first field (its even rows) is the earlier one; sequential
// layouts are woven back into lines.
enum class Field_Order : uint8_t {
  Progressive,
  Interlaced_Top_First,
  Interlaced_Bottom_First,
  Sequential_Top_First,
  Sequential_Bottom_First,
};

// The Y'CbCr matrix of a YUV format; By_Size: the driver said nothing, so BT.709 for HD
// (720 lines or more) and BT.601 below.
enum class Yuv_Matrix : uint8_t { By_Size, BT601, BT709 };

// One video format of a device: what the original component described with its media-type and
// video-information addresses.
struct Video_Format {
  int32_t width = 0;
  int32_t height = 0;
  int64_t frame_interval_100ns = 0; // average time per frame, in 100 ns units
  int32_t image_size = 0;           // bytes of one frame as delivered (MJPEG: the largest)
  int32_t stride = 0;               // bytes per row of the first plane as delivered
  Pixel_Format pixel_format = Pixel_Format::BGR24_Bottom_Up;
  Field_Order field_order = Field_Order::Interlaced_Top_First;
  Yuv_Matrix yuv_matrix = Yuv_Matrix::By_Size;
  bool full_range = false; // Y 0-255 rather than 16-235
  // Between a frame's two fields, as the source sends them; kept when frames are skipped to hold a
  // rate limit. 0: half the frame interval.
  int64_t field_interval_100ns = 0;
  friend bool operator==(const Video_Format&, const Video_Format&) = default;
};

// The time between the first and the second field of a frame in 100 ns units; 0 for progressive
// frames, whose rows all show one instant.
int64_t Field_Interval_100ns(const Video_Format& format);
// "interlaced, top field first", "progressive", ...: the order as the source sends it.
QString Field_Order_Name(Field_Order order);

// "1920*1080/25" (width, height, frames per second to one decimal, without ".0"); "Corrupt data!"
// when there is no format to describe.
QString Process_AMT(const std::optional<Video_Format>& format);

// The frame event's 8-byte value when the component has no sample time for a frame.
inline constexpr int64_t No_Sample_Time = std::numeric_limits<int64_t>::min();

// Where a frame's time came from: the source's own stamp, or when the frame arrived.
enum class Capture_Time_Source { None, Sample_Time, Arrival_Time };

// The event interface the component calls, always on the user-interface thread.
class Video_Cap_Events {
public:
  virtual ~Video_Cap_Events() = default;
  // One frame of the selected format. `sample_time`: the frame's time on Mill_Now's clock (a
  // 32-bit value widened), or No_Sample_Time; `source` says where it came from. The data stays
  // valid only until the call returns.
  virtual void OnRGBEvent(int64_t sample_time, Capture_Time_Source source, const uint8_t* data, int32_t length) = 0;
  // The stream ended by itself: device unplugged, or no frame for too long. Not called after
  // Stop_Stream.
  virtual void OnStreamError(const QString& text) = 0;
};

// One camera behind the component (a V4L2 device or the synthetic camera).
class Capture_Device {
public:
  virtual ~Capture_Device() = default;
  virtual QString Friendly_Name() const = 0; // V4L2: "card (bus_info)"
  virtual QString Device_Path() const = 0;
  virtual QString Description() const = 0;
  // The flattened list of (pixel format, size, frame interval); "SetFormat" numbers index it.
  virtual std::vector<Video_Format> Formats() const = 0;
  // False with the reason in `error` when the device refuses.
  virtual bool Set_Format(int32_t number, QString& error) = 0;
  virtual std::optional<Video_Format> Current_Format() const = 0;
  // Limits the delivered rate ("CaptureFps"); false with the reason when refused.
  virtual bool Limit_Fps(int32_t fps, QString& error) = 0;
  // Shortest and longest frame interval the device offers for the current size, in 100 ns units
  // ("MinInterval", "MaxInterval"); 0 when unknown.
  virtual int64_t Min_Interval_100ns() const = 0;
  virtual int64_t Max_Interval_100ns() const = 0;
  virtual bool Start(Video_Cap_Events& sink, QString& error) = 0;
  virtual void Stop() = 0;
  virtual bool Streaming() const = 0;
  // Frames the driver skipped since Start, counted from its sequence numbers.
  virtual int64_t Dropped_Frames() const = 0;
};

// The component's operations, over a list of devices. A frame reaches the advised sink only
// between Start_Stream and Stop_Stream.

class Capture_Component {
public:
  using Device_Lister = std::function<std::vector<std::unique_ptr<Capture_Device>>()>;
  // `lister` lists the devices afresh whenever `monitor` reports a change.
  explicit Capture_Component(std::vector<std::unique_ptr<Capture_Device>> devices, Device_Lister lister = {},
                             std::unique_ptr<Device_Monitor> monitor = {});
  ~Capture_Component();
  Capture_Component(const Capture_Component&) = delete;
  Capture_Component& operator=(const Capture_Component&) = delete;

  // A non-zero cookie.
  int32_t Advise_Sink(Video_Cap_Events* sink);
  void Unadvise_Sink(int32_t cookie);
  // "video:n", n from 1; false when no such device exists.
  bool Select_Source(const QString& name);
  // "SetFormat" (format number as decimal text), "CaptureFps" ("25"), "GetIntervals" ("0").
  void Set_Value(const QString& name, const QString& value);
  // "sourceFriendlyName", "sourceDevicePath", "sourceDescription", "BuildNumber", "MaxInterval",
  // "MinInterval", "numprops", "DroppedFrames"; empty for anything else.
  QString Get_Value(const QString& name);
  bool Start_Stream();
  void Stop_Stream();
  QString Error_Text() const;
  // Nothing selected, so nothing streams in place of a source that was not found.
  void Deselect();

  // The device list rebuilt from the lister: devices still present keep their objects (and a
  // stream goes on), a stream whose device left is stopped at once and reported, new devices
  // take their places in the order listed. Then the change handler runs.
  void Rescan();
  void set_On_Devices_Changed(std::function<void()> handler);

  // In place of the addresses "GetProp" / "VIDEOINFOHEADER" and "getAMT" + two digits answered.
  std::optional<Video_Format> Current_Format() const;
  std::optional<Video_Format> Format_At(int32_t number) const;

  int32_t Device_Count() const;
  // Device n of "video:n"; nullptr outside 1..Device_Count.
  Capture_Device* Device_At(int32_t n) const;
  Capture_Device* Selected_Device() const;
  // n of the selected "video:n"; 0 when none is selected.
  int32_t Selected_Number() const;

private:
  struct State;
  std::unique_ptr<State> state_;
};

// Every device of this machine: the V4L2 capture devices, then the synthetic camera.
std::vector<std::unique_ptr<Capture_Device>> Machine_Capture_Devices();
std::unique_ptr<Capture_Component> Make_Capture_Component();
