// Streaming of a V4L2 device: mmap buffers, read when the device's descriptor is readable,
// each buffer queued again as soon as the frame handler has copied what it needs.
#include "capture/v4l2_device.h"

#include "platform/clock.h"
#include "platform/trace.h"

#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>
#include <sys/mman.h>

namespace {

// The driver's stamp on CLOCK_MONOTONIC, in Mill_Now's wrapping 32-bit milliseconds.
int32_t Stamp_Mill(const timeval& stamp) {
  const uint64_t ms = static_cast<uint64_t>(stamp.tv_sec) * 1000U + static_cast<uint64_t>(stamp.tv_usec) / 1000U;
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

} // namespace

bool V4l2_Device::Start(Video_Cap_Events& sink, QString& error) {
  if (streaming_) {
    error = QStringLiteral("%1 is already streaming").arg(path_);
    return false;
  }
  if (teardown_pending_) Teardown();
  if (!Ensure_Open(error)) return false;
  // Every start sets format and rate again: a camera plugged back has forgotten them.
  if (mode_ < 0 ? !Set_Format(0, error) : !Apply_Format(mode_, error)) return false;
  if (!Start_Streaming(error)) {
    Teardown();
    return false;
  }
  sink_ = &sink;
  dropped_ = 0;
  lost_ = 0;
  io_errors_ = 0;
  next_due_us_.reset();
  last_sequence_.reset();
  stamp_checked_ = false;
  refusal_traced_ = false;
  frame_clock_.Reset(driver_interval_100ns_ / 10, Buffer_Count());
  streaming_ = true;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { On_Readable(); });
  watchdog_ = std::make_unique<QTimer>();
  watchdog_->setSingleShot(true);
  QObject::connect(watchdog_.get(), &QTimer::timeout, watchdog_.get(), [this] {
    Fail(QStringLiteral("No frame from %1 for %2 ms: the camera stopped delivering").arg(path_).arg(watchdog_ms_));
  });
  watchdog_->start(watchdog_ms_);
  Trace_Message(QStringLiteral("*V4L2 start"), path_, Buffer_Count());
  return true;
}

bool V4l2_Device::Start_Streaming(QString& error) {
  v4l2_requestbuffers req{};
  req.count = Buffers_Requested;
  req.type = Buffer_Type();
  req.memory = V4L2_MEMORY_MMAP;
  if (Xioctl(io_, fd_, VIDIOC_REQBUFS, &req) != 0) {
    error = Errno_Text("VIDIOC_REQBUFS");
    return false;
  }
  if (req.count < Fewest_Buffers || req.count > 32) {
    error = QStringLiteral("%1 offers %2 buffers, %3 or more are needed").arg(path_).arg(req.count).arg(Fewest_Buffers);
    return false;
  }
  for (uint32_t i = 0; i < req.count; ++i) {
    v4l2_buffer buf{};
    std::array<v4l2_plane, VIDEO_MAX_PLANES> planes{};
    Prepare(buf, planes.data());
    buf.index = i;
    if (Xioctl(io_, fd_, VIDIOC_QUERYBUF, &buf) != 0) {
      error = Errno_Text("VIDIOC_QUERYBUF");
      return false;
    }
    if (multi_planar_ && buf.length != 1) {
      error = QStringLiteral("%1 has buffers of %2 planes: only formats in one plane can be read")
                  .arg(path_)
                  .arg(buf.length);
      return false;
    }
    const uint32_t length = multi_planar_ ? planes[0].length : buf.length;
    const off_t offset = multi_planar_ ? planes[0].m.mem_offset : buf.m.offset;
    void* start = io_.Mmap(length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, offset);
    if (start == MAP_FAILED) {
      error = Errno_Text("mmap");
      return false;
    }
    buffers_.push_back({start, length});
  }
  for (uint32_t i = 0; i < req.count; ++i) {
    v4l2_buffer buf{};
    std::array<v4l2_plane, VIDEO_MAX_PLANES> planes{};
    Prepare(buf, planes.data());
    buf.index = i;
    if (Xioctl(io_, fd_, VIDIOC_QBUF, &buf) != 0) {
      error = Errno_Text("VIDIOC_QBUF");
      return false;
    }
  }
  int type = static_cast<int>(Buffer_Type());
  if (Xioctl(io_, fd_, VIDIOC_STREAMON, &type) != 0) {
    error = Errno_Text("VIDIOC_STREAMON");
    return false;
  }
  return true;
}

void V4l2_Device::Stop() {
  if (!streaming_) return;
  streaming_ = false;
  sink_ = nullptr;
  Trace_Message(QStringLiteral("*V4L2 stop"), path_, dropped_);
  // Inside the frame handler the mapped buffer is still in use: release it afterwards.
  if (in_read_)
    teardown_pending_ = true;
  else
    Teardown();
}

void V4l2_Device::Teardown() {
  teardown_pending_ = false;
  // Either may be the sender whose signal is running now: deleted once control is back in the loop.
  if (notifier_) {
    notifier_->setEnabled(false);
    notifier_.release()->deleteLater();
  }
  if (watchdog_) {
    watchdog_->stop();
    watchdog_.release()->deleteLater();
  }
  if (fd_ >= 0 && !buffers_.empty()) {
    int type = static_cast<int>(Buffer_Type());
    Xioctl(io_, fd_, VIDIOC_STREAMOFF, &type);
  }
  for (const Mapping& m : buffers_)
    io_.Munmap(m.start, m.length);
  if (fd_ >= 0 && !buffers_.empty()) {
    v4l2_requestbuffers req{};
    req.count = 0;
    req.type = Buffer_Type();
    req.memory = V4L2_MEMORY_MMAP;
    Xioctl(io_, fd_, VIDIOC_REQBUFS, &req);
  }
  buffers_.clear();
}

void V4l2_Device::Device_Left() {
  if (!streaming_ && fd_ < 0) return;
  if (streaming_) {
    Fail(QStringLiteral("%1 is gone: the camera was unplugged").arg(path_));
    return;
  }
  if (!in_read_) {
    Teardown();
    Close_Device();
  }
}

void V4l2_Device::Fail(const QString& text) {
  Video_Cap_Events* sink = sink_;
  Trace_Message(QStringLiteral("*V4L2 stream error"), text);
  Stop();
  // A device that is gone is opened afresh at the next start.
  if (!in_read_) Close_Device();
  if (sink) sink->OnStreamError(text);
}

void V4l2_Device::On_Readable() {
  if (in_read_ || !streaming_) return; // the frame handler let events run; the notifier fires again
  in_read_ = true;
  int32_t frames = 0;
  // A bounded number per wake-up keeps the window responsive when frames pile up.
  while (streaming_ && frames < static_cast<int32_t>(buffers_.size()) && Read_One())
    ++frames;
  in_read_ = false;
  if (teardown_pending_) {
    Teardown();
    if (!streaming_) Close_Device();
  }
}

bool V4l2_Device::Take_This_Frame(int64_t us) {
  if (keep_every_us_ <= 0) return true;
  // Kept on a grid of the limit's interval, with a quarter of it as slack for the driver's own
  // spacing: 50 f/s keeps every second frame, 60 f/s two of five.
  if (next_due_us_ && us < *next_due_us_ - keep_every_us_ / 4) return false;
  next_due_us_ =
      next_due_us_ && us < *next_due_us_ + keep_every_us_ ? *next_due_us_ + keep_every_us_ : us + keep_every_us_;
  return true;
}

bool V4l2_Device::Read_One() {
  v4l2_buffer buf{};
  std::array<v4l2_plane, VIDEO_MAX_PLANES> planes{};
  Prepare(buf, planes.data());
  if (Xioctl(io_, fd_, VIDIOC_DQBUF, &buf) != 0) {
    const int e = errno;
    if (e == EAGAIN) {
      // Readable but nothing to take: an error condition, if the device reports one.
      pollfd p{fd_, POLLIN, 0};
      if (io_.Poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLIN))
        Fail(QStringLiteral("%1 reports an error: the camera was unplugged or stopped").arg(path_));
      return false;
    }
    // A lost signal answers EIO for a while; the watchdog judges a camera that stays silent.
    constexpr int32_t Most_Io_Errors = 50;
    if (e == EIO && ++io_errors_ < Most_Io_Errors) {
      ++lost_;
      return false;
    }
    errno = e;
    Fail(e == ENODEV ? QStringLiteral("%1 is gone: the camera was unplugged").arg(path_) : Errno_Text("VIDIOC_DQBUF"));
    return false;
  }
  io_errors_ = 0;
  if (buf.index >= buffers_.size()) {
    Fail(QStringLiteral("%1 handed back buffer %2 of %3").arg(path_).arg(buf.index).arg(buffers_.size()));
    return false;
  }
  if (last_sequence_ && buf.sequence > *last_sequence_ + 1) dropped_ += buf.sequence - *last_sequence_ - 1;
  last_sequence_ = buf.sequence;

  const Mapping& mapping = buffers_[buf.index];
  const bool monotonic = (buf.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) == V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
  if (!stamp_checked_) {
    stamp_checked_ = true;
    Trace_Message(QStringLiteral("*V4L2 time stamps"), path_, monotonic ? "monotonic" : "not monotonic: arrival time");
  }
  // One plane: its payload may start after a header of the driver's.
  const uint32_t bytesused = multi_planar_ ? planes[0].bytesused : buf.bytesused;
  const uint32_t data_offset = multi_planar_ ? std::min<uint32_t>(planes[0].data_offset, bytesused) : 0;
  // A damaged or empty buffer is a lost frame, not a sign of life.
  const bool damaged =
      (buf.flags & V4L2_BUF_FLAG_ERROR) != 0 || bytesused == data_offset || data_offset >= mapping.length;
  if (damaged) {
    ++lost_;
  } else {
    if (watchdog_) watchdog_->start(watchdog_ms_);
    const int32_t arrival = Mill_Now();
    const Frame_Clock::Time time = frame_clock_.Frame_Time(
        arrival, buf.sequence, monotonic ? std::optional<int32_t>(Stamp_Mill(buf.timestamp)) : std::nullopt);
    if (frame_clock_.Refused_Stamp() && !refusal_traced_) {
      refusal_traced_ = true;
      Trace_Message(QStringLiteral("*V4L2 time stamps"), path_,
                    QStringLiteral("stamp %1 on a frame that came at %2: arrival time instead")
                        .arg(Stamp_Mill(buf.timestamp))
                        .arg(arrival));
    }
    if (sink_ && Take_This_Frame(frame_clock_.Elapsed_Us())) {
      const size_t used = std::min<size_t>(bytesused, mapping.length) - data_offset;
      // Time spent in the handler is not the camera's silence, and the descriptor is not read
      // again until the handler is back.
      if (watchdog_) watchdog_->stop();
      if (notifier_) notifier_->setEnabled(false);
      try {
        sink_->OnRGBEvent(time.mill,
                          time.from_driver ? Capture_Time_Source::Sample_Time : Capture_Time_Source::Arrival_Time,
                          static_cast<const uint8_t*>(mapping.start) + data_offset,
                          static_cast<int32_t>(std::min<size_t>(used, INT32_MAX)));
      } catch (...) {
        Trace_Message(QStringLiteral("*V4L2 frame handler failed"), path_);
      }
      if (streaming_) {
        if (notifier_) notifier_->setEnabled(true);
        if (watchdog_) watchdog_->start(watchdog_ms_);
      }
    }
  }
  if (!streaming_) return false; // stopped inside the handler: the buffers go with the teardown
  if (Xioctl(io_, fd_, VIDIOC_QBUF, &buf) != 0) {
    const int e = errno;
    errno = e;
    Fail(e == ENODEV ? QStringLiteral("%1 is gone: the camera was unplugged").arg(path_) : Errno_Text("VIDIOC_QBUF"));
    return false;
  }
  return true;
}
