#pragma once
// Scripted V4L2 devices behind the backend's device seam. They answer the ioctls the way a
// driver does (capabilities, enumerations, S_FMT, S_PARM, REQBUFS, QUERYBUF, mmap, QBUF/DQBUF
// with stamps, sequence numbers and flags, EAGAIN), can be unplugged, and each open device is
// an eventfd, so a socket notifier on it really wakes when the test pushes a frame.
#include "capture/v4l2_io.h"
#include "capture/v4l2_monitor.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <linux/videodev2.h>
#include <map>
#include <memory>
#include <string>
#include <sys/time.h>
#include <vector>

struct Fake_V4l2_Size {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<std::pair<uint32_t, uint32_t>> intervals; // numerator / denominator seconds
  bool stepwise = false;                                // intervals are the range's shortest, longest and step
};

struct Fake_V4l2_Format {
  uint32_t fourcc = 0;
  std::vector<Fake_V4l2_Size> sizes;
};

struct Fake_V4l2_Camera {
  std::string path; // e.g. /fake/video0
  std::string card;
  std::string bus_info;
  std::string driver = "fakecam";
  uint32_t device_caps = 0; // 0: video capture and streaming
  std::vector<Fake_V4l2_Format> formats;
  uint32_t buffers_granted = 0;     // 0: as many as asked
  uint32_t row_padding = 0;         // bytes a driver adds to each row of an uncompressed format
  bool lists_sizes = true;          // false: no size or interval listing, as receivers sized by the signal
  bool keeps_rate = false;          // S_PARM answers with the nearest listed interval, as most drivers do
  uint32_t field = V4L2_FIELD_NONE; // the field layout S_FMT answers
  bool multi_planar = false;        // speaks only the multi-planar interface
  uint32_t planes = 1;              // planes of a multi-planar format
  uint32_t data_offset = 0;         // a multi-planar driver's header before each frame's payload
};

// Devices arriving and leaving, as the test says.
class Fake_Device_Monitor final : public Device_Monitor {
public:
  void set_Handler(std::function<void()> changed) override { changed_ = std::move(changed); }
  void Changed() const {
    if (changed_) changed_();
  }

private:
  std::function<void()> changed_;
};

class Fake_V4l2 final : public V4l2_Io {
public:
  Fake_V4l2();
  ~Fake_V4l2() override;
  Fake_V4l2(const Fake_V4l2&) = delete;
  Fake_V4l2& operator=(const Fake_V4l2&) = delete;

  void Add_Device(Fake_V4l2_Camera info);

  // Fills the next queued buffer with `bytes` and wakes the reader. `sequence_skip` frames are
  // lost before this one, as when the driver had no buffer. False when the frame was dropped
  // (not streaming, or no buffer queued): its sequence number is used up all the same.
  bool Push_Frame(const std::string& path, const std::vector<uint8_t>& bytes, timeval stamp, bool monotonic = true,
                  uint32_t sequence_skip = 0, bool error_flag = false);
  void Unplug(const std::string& path);
  // The next dequeue answers this error (EIO: a signal lost for a moment).
  void Fail_Next_Dequeue(const std::string& path, int error);

  // What the backend did.
  int Calls(unsigned long request) const;
  int Open_Devices() const { return static_cast<int>(open_.size()); }
  int Mapped() const { return mapped_; }
  int Queued(const std::string& path) const;
  bool Streaming(const std::string& path) const;
  uint32_t Buffer_Count(const std::string& path) const;
  uint32_t Set_Fourcc(const std::string& path) const;
  std::pair<uint32_t, uint32_t> Set_Size(const std::string& path) const;
  std::pair<uint32_t, uint32_t> Set_Interval(const std::string& path) const;

  int Open(const char* path, int flags) override;
  int Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) override;
  int Munmap(void* address, size_t length) override;
  int Poll(pollfd* fds, nfds_t count, int timeout_ms) override;

private:
  struct Buffer {
    std::vector<uint8_t> memory;
    uint32_t bytesused = 0;
    uint32_t sequence = 0;
    uint32_t flags = 0;
    timeval stamp{};
    bool queued = false;
  };
  struct Device {
    Fake_V4l2_Camera info;
    bool unplugged = false;
    bool streaming = false;
    int fd = -1;
    uint32_t fourcc = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t interval_num = 1;
    uint32_t interval_den = 25;
    std::vector<Buffer> buffers;
    std::deque<uint32_t> incoming; // queued by the reader, to be filled
    std::deque<uint32_t> done;     // filled, to be dequeued
    uint32_t next_sequence = 0;
    int dequeue_error = 0;
  };
  Device* By_Fd(int fd);
  Device* By_Path(const std::string& path);
  const Device* By_Path(const std::string& path) const;
  int Answer(Device& d, unsigned long request, void* arg);
  void Wake(Device& d);
  void Drain(Device& d);
  void Snap_Interval(Device& d);
  uint32_t Bytes_Per_Line(const Device& d) const;
  uint32_t Frame_Size(const Device& d) const;

  std::vector<std::unique_ptr<Device>> devices_;
  std::map<int, Device*> open_;
  std::map<unsigned long, int> calls_;
  int mapped_ = 0;
};
