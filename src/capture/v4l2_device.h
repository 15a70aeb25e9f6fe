#pragma once
// A V4L2 capture device: its flattened formats, format and rate setting, and mmap streaming
// read through a socket notifier on the user-interface thread.
#include "capture/capture_component.h"
#include "capture/frame_clock.h"
#include "capture/v4l2_io.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
class QTimer;
struct v4l2_buffer;
struct v4l2_plane;

// One entry of a device's flattened format list as the driver names it.
struct V4l2_Mode {
  uint32_t fourcc = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t interval_numerator = 0; // seconds per frame as a fraction; 0/0 when unknown
  uint32_t interval_denominator = 0;
};

// The pixel format of a V4L2 four-character code; nullopt for those not converted.
std::optional<Pixel_Format> Pixel_Format_Of(uint32_t fourcc);

class V4l2_Device final : public Capture_Device {
public:
  static constexpr uint32_t Buffers_Requested = 4;
  static constexpr uint32_t Fewest_Buffers = 4; // fewer leave no slack while a frame is converted
  static constexpr int32_t Default_Watchdog_Ms = 2000;

  // `multi_planar`: the device speaks the multi-planar capture interface (one plane is read).
  V4l2_Device(V4l2_Io& io, QString path, QString card, QString bus_info, QString driver, std::vector<V4l2_Mode> modes,
              bool multi_planar = false);
  ~V4l2_Device() override;
  V4l2_Device(const V4l2_Device&) = delete;
  V4l2_Device& operator=(const V4l2_Device&) = delete;

  QString Friendly_Name() const override { return card_ + QStringLiteral(" (") + bus_info_ + QStringLiteral(")"); }
  QString Device_Path() const override { return path_; }
  QString Description() const override { return driver_; }
  std::vector<Video_Format> Formats() const override;
  bool Set_Format(int32_t number, QString& error) override;
  std::optional<Video_Format> Current_Format() const override { return current_; }
  bool Limit_Fps(int32_t fps, QString& error) override;
  int64_t Min_Interval_100ns() const override;
  int64_t Max_Interval_100ns() const override;
  bool Start(Video_Cap_Events& sink, QString& error) override;
  void Stop() override;
  bool Streaming() const override { return streaming_; }
  int64_t Dropped_Frames() const override { return dropped_ + lost_; }
  // Frames the driver handed back flagged as damaged or empty, since Start.
  int64_t Lost_Frames() const { return lost_; }
  // The driver was gone at the last attempt: closed, to be opened afresh at the next start.
  void Device_Left();

  const std::vector<V4l2_Mode>& Modes() const { return modes_; }
  int32_t Buffer_Count() const { return static_cast<int32_t>(buffers_.size()); }
  // No frame for this long while streaming is reported as a stream that stopped.
  void set_Watchdog_Ms(int32_t ms) { watchdog_ms_ = ms; }

private:
  struct Mapping {
    void* start = nullptr;
    size_t length = 0;
  };
  uint32_t Buffer_Type() const;
  // The type, memory and plane array of a buffer to ask about; `planes` has VIDEO_MAX_PLANES.
  void Prepare(v4l2_buffer& buf, v4l2_plane* planes) const;
  bool Ensure_Open(QString& error);
  bool Same_Size(const V4l2_Mode& m) const;
  void Close_Device();
  bool Apply_Format(int32_t number, QString& error);
  bool Apply_Rate(QString& error);
  bool Apply_Interval(uint32_t numerator, uint32_t denominator, QString& error);
  bool Take_This_Frame(int64_t us); // `us` on the frame clock's unwrapped scale
  bool Start_Streaming(QString& error);
  void Teardown();
  void On_Readable();
  bool Read_One(); // false when nothing more is to be read now
  void Fail(const QString& text);
  QString Errno_Text(const char* what) const;

  V4l2_Io& io_;
  QString path_;
  QString card_;
  QString bus_info_;
  QString driver_;
  std::vector<V4l2_Mode> modes_;
  bool multi_planar_ = false;
  int fd_ = -1;
  int32_t mode_ = -1; // index of the set format; -1 none
  std::optional<Video_Format> current_;
  std::vector<Mapping> buffers_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::unique_ptr<QTimer> watchdog_;
  int32_t watchdog_ms_ = Default_Watchdog_Ms;
  Video_Cap_Events* sink_ = nullptr;
  bool streaming_ = false;
  bool in_read_ = false;
  bool teardown_pending_ = false;
  bool stamp_checked_ = false;
  bool refusal_traced_ = false;
  Frame_Clock frame_clock_;
  int64_t dropped_ = 0;
  int64_t lost_ = 0;
  int32_t io_errors_ = 0;             // EIO answers in a row
  int32_t fps_limit_ = 0;             // 0: the mode's own rate
  int64_t driver_interval_100ns_ = 0; // what the driver runs at, whatever the limit
  int64_t keep_every_us_ = 0;         // the driver runs faster than the limit: frames closer than this are skipped
  std::optional<int64_t> next_due_us_;
  std::optional<uint32_t> last_sequence_;
};

// The capture devices among /sys/class/video4linux's entries (video0, video1, ... in number
// order), opened as dev_dir + "/videoN"; devices that cannot capture or stream are left out.
std::vector<std::unique_ptr<Capture_Device>>
Enumerate_V4l2_Devices(V4l2_Io& io, const QString& sys_dir = QStringLiteral("/sys/class/video4linux"),
                       const QString& dev_dir = QStringLiteral("/dev"));
