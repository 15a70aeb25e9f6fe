#include "mock/fake_v4l2_device.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <linux/videodev2.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Buffer i is mapped at offset i * this, as drivers hand out distinct offsets.
constexpr off_t Offset_Step = 1 << 24;

int Fail(int error) {
  errno = error;
  return -1;
}

void Copy_Text(uint8_t* to, size_t size, const std::string& text) {
  std::memset(to, 0, size);
  std::memcpy(to, text.data(), std::min(size - 1, text.size()));
}

} // namespace

Fake_V4l2::Fake_V4l2() = default;

Fake_V4l2::~Fake_V4l2() {
  for (const auto& [fd, device] : open_)
    ::close(fd);
}

void Fake_V4l2::Add_Device(Fake_V4l2_Camera info) {
  auto d = std::make_unique<Device>();
  if (info.device_caps == 0)
    info.device_caps =
        (info.multi_planar ? V4L2_CAP_VIDEO_CAPTURE_MPLANE : V4L2_CAP_VIDEO_CAPTURE) | V4L2_CAP_STREAMING;
  if (!info.formats.empty() && !info.formats.front().sizes.empty()) {
    d->fourcc = info.formats.front().fourcc;
    d->width = info.formats.front().sizes.front().width;
    d->height = info.formats.front().sizes.front().height;
  }
  d->info = std::move(info);
  devices_.push_back(std::move(d));
}

Fake_V4l2::Device* Fake_V4l2::By_Fd(int fd) {
  const auto it = open_.find(fd);
  return it == open_.end() ? nullptr : it->second;
}

Fake_V4l2::Device* Fake_V4l2::By_Path(const std::string& path) {
  for (auto& d : devices_)
    if (d->info.path == path) return d.get();
  return nullptr;
}

const Fake_V4l2::Device* Fake_V4l2::By_Path(const std::string& path) const {
  for (const auto& d : devices_)
    if (d->info.path == path) return d.get();
  return nullptr;
}

uint32_t Fake_V4l2::Bytes_Per_Line(const Device& d) const {
  switch (d.fourcc) {
  case V4L2_PIX_FMT_MJPEG: return 0;
  case V4L2_PIX_FMT_YUYV:
  case V4L2_PIX_FMT_UYVY: return d.width * 2 + d.info.row_padding;
  case V4L2_PIX_FMT_NV12: return d.width + d.info.row_padding;
  default: return d.width * 3 + d.info.row_padding;
  }
}

uint32_t Fake_V4l2::Frame_Size(const Device& d) const {
  switch (d.fourcc) {
  case V4L2_PIX_FMT_MJPEG: return d.width * d.height * 3;
  case V4L2_PIX_FMT_NV12: return Bytes_Per_Line(d) * (d.height + (d.height + 1) / 2);
  default: return Bytes_Per_Line(d) * d.height;
  }
}

void Fake_V4l2::Wake(Device& d) {
  if (d.fd < 0) return;
  const uint64_t one = 1;
  (void)!::write(d.fd, &one, sizeof one);
}

void Fake_V4l2::Drain(Device& d) {
  if (d.fd < 0) return;
  uint64_t count = 0;
  (void)!::read(d.fd, &count, sizeof count);
}

int Fake_V4l2::Open(const char* path, int flags) {
  (void)flags;
  Device* d = By_Path(path);
  if (!d || d->unplugged) return Fail(ENOENT);
  const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) return -1;
  // A device may be opened more than once, as a listing does while another handle streams; the
  // first handle is the one that streams and wakes.
  if (d->fd < 0) d->fd = fd;
  open_[fd] = d;
  return fd;
}

int Fake_V4l2::Close(int fd) {
  Device* d = By_Fd(fd);
  if (!d) return Fail(EBADF);
  open_.erase(fd);
  if (fd != d->fd) return ::close(fd);
  d->streaming = false;
  d->buffers.clear();
  d->incoming.clear();
  d->done.clear();
  d->fd = -1;
  return ::close(fd);
}

int Fake_V4l2::Ioctl(int fd, unsigned long request, void* arg) {
  ++calls_[request];
  Device* d = By_Fd(fd);
  if (!d) return Fail(EBADF);
  if (d->unplugged) return Fail(ENODEV);
  return Answer(*d, request, arg);
}

int Fake_V4l2::Answer(Device& d, unsigned long request, void* arg) {
  const uint32_t type = d.info.multi_planar ? V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE : V4L2_BUF_TYPE_VIDEO_CAPTURE;
  switch (request) {
  case VIDIOC_QUERYCAP: {
    auto* cap = static_cast<v4l2_capability*>(arg);
    *cap = {};
    Copy_Text(cap->driver, sizeof cap->driver, d.info.driver);
    Copy_Text(cap->card, sizeof cap->card, d.info.card);
    Copy_Text(cap->bus_info, sizeof cap->bus_info, d.info.bus_info);
    cap->capabilities = d.info.device_caps | V4L2_CAP_DEVICE_CAPS | V4L2_CAP_META_CAPTURE;
    cap->device_caps = d.info.device_caps;
    return 0;
  }
  case VIDIOC_ENUM_FMT: {
    auto* desc = static_cast<v4l2_fmtdesc*>(arg);
    if (desc->type != type || desc->index >= d.info.formats.size()) return Fail(EINVAL);
    desc->pixelformat = d.info.formats[desc->index].fourcc;
    return 0;
  }
  case VIDIOC_ENUM_FRAMESIZES: {
    if (!d.info.lists_sizes) return Fail(ENOTTY);
    auto* size = static_cast<v4l2_frmsizeenum*>(arg);
    for (const auto& f : d.info.formats) {
      if (f.fourcc != size->pixel_format) continue;
      if (size->index >= f.sizes.size()) return Fail(EINVAL);
      size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
      size->discrete.width = f.sizes[size->index].width;
      size->discrete.height = f.sizes[size->index].height;
      return 0;
    }
    return Fail(EINVAL);
  }
  case VIDIOC_ENUM_FRAMEINTERVALS: {
    if (!d.info.lists_sizes) return Fail(ENOTTY);
    auto* ival = static_cast<v4l2_frmivalenum*>(arg);
    for (const auto& f : d.info.formats) {
      if (f.fourcc != ival->pixel_format) continue;
      for (const auto& s : f.sizes) {
        if (s.width != ival->width || s.height != ival->height) continue;
        if (s.stepwise) {
          if (ival->index > 0 || s.intervals.size() < 3) return Fail(EINVAL);
          ival->type = V4L2_FRMIVAL_TYPE_STEPWISE;
          ival->stepwise.min = {s.intervals[0].first, s.intervals[0].second};
          ival->stepwise.max = {s.intervals[1].first, s.intervals[1].second};
          ival->stepwise.step = {s.intervals[2].first, s.intervals[2].second};
          return 0;
        }
        if (ival->index >= s.intervals.size()) return Fail(EINVAL);
        ival->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        ival->discrete.numerator = s.intervals[ival->index].first;
        ival->discrete.denominator = s.intervals[ival->index].second;
        return 0;
      }
    }
    return Fail(EINVAL);
  }
  case VIDIOC_S_FMT:
  case VIDIOC_G_FMT: {
    auto* fmt = static_cast<v4l2_format*>(arg);
    if (fmt->type != type) return Fail(EINVAL);
    const bool mp = d.info.multi_planar;
    if (request == VIDIOC_S_FMT) {
      if (d.streaming || !d.buffers.empty()) return Fail(EBUSY);
      const uint32_t asked = mp ? fmt->fmt.pix_mp.pixelformat : fmt->fmt.pix.pixelformat;
      const uint32_t asked_width = mp ? fmt->fmt.pix_mp.width : fmt->fmt.pix.width;
      const uint32_t asked_height = mp ? fmt->fmt.pix_mp.height : fmt->fmt.pix.height;
      const Fake_V4l2_Format* chosen = nullptr;
      for (const auto& f : d.info.formats)
        if (f.fourcc == asked) chosen = &f;
      if (!chosen) chosen = &d.info.formats.front(); // a driver answers with a format it has
      const Fake_V4l2_Size* size = &chosen->sizes.front();
      for (const auto& s : chosen->sizes)
        if (s.width == asked_width && s.height == asked_height) size = &s;
      d.fourcc = chosen->fourcc;
      d.width = size->width;
      d.height = size->height;
    }
    if (mp) {
      fmt->fmt.pix_mp = {};
      fmt->fmt.pix_mp.pixelformat = d.fourcc;
      fmt->fmt.pix_mp.width = d.width;
      fmt->fmt.pix_mp.height = d.height;
      fmt->fmt.pix_mp.field = d.info.field;
      fmt->fmt.pix_mp.num_planes = static_cast<uint8_t>(d.info.planes);
      fmt->fmt.pix_mp.plane_fmt[0].bytesperline = Bytes_Per_Line(d);
      fmt->fmt.pix_mp.plane_fmt[0].sizeimage = Frame_Size(d);
      return 0;
    }
    fmt->fmt.pix.pixelformat = d.fourcc;
    fmt->fmt.pix.width = d.width;
    fmt->fmt.pix.height = d.height;
    fmt->fmt.pix.field = d.info.field;
    fmt->fmt.pix.bytesperline = Bytes_Per_Line(d);
    fmt->fmt.pix.sizeimage = Frame_Size(d);
    return 0;
  }
  case VIDIOC_S_PARM:
  case VIDIOC_G_PARM: {
    auto* parm = static_cast<v4l2_streamparm*>(arg);
    if (parm->type != type) return Fail(EINVAL);
    if (request == VIDIOC_S_PARM && parm->parm.capture.timeperframe.denominator != 0) {
      d.interval_num = parm->parm.capture.timeperframe.numerator;
      d.interval_den = parm->parm.capture.timeperframe.denominator;
      if (d.info.keeps_rate) Snap_Interval(d);
    }
    parm->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
    parm->parm.capture.timeperframe.numerator = d.interval_num;
    parm->parm.capture.timeperframe.denominator = d.interval_den;
    return 0;
  }
  case VIDIOC_REQBUFS: {
    auto* req = static_cast<v4l2_requestbuffers*>(arg);
    if (req->type != type || req->memory != V4L2_MEMORY_MMAP) return Fail(EINVAL);
    if (d.streaming) return Fail(EBUSY);
    d.buffers.clear();
    d.incoming.clear();
    d.done.clear();
    if (req->count == 0) return 0;
    req->count = d.info.buffers_granted ? d.info.buffers_granted : req->count;
    d.buffers.resize(req->count);
    for (Buffer& b : d.buffers)
      b.memory.assign(Frame_Size(d) + (d.info.multi_planar ? d.info.data_offset : 0), 0);
    return 0;
  }
  case VIDIOC_QUERYBUF: {
    auto* buf = static_cast<v4l2_buffer*>(arg);
    if (buf->type != type || buf->index >= d.buffers.size()) return Fail(EINVAL);
    const auto length = static_cast<uint32_t>(d.buffers[buf->index].memory.size());
    const auto offset = static_cast<uint32_t>(buf->index * Offset_Step);
    if (!d.info.multi_planar) {
      buf->length = length;
      buf->m.offset = offset;
      return 0;
    }
    if (!buf->m.planes || buf->length < d.info.planes) return Fail(EINVAL);
    buf->length = d.info.planes;
    for (uint32_t p = 0; p < d.info.planes; ++p) {
      buf->m.planes[p].length = length;
      buf->m.planes[p].m.mem_offset = offset;
    }
    return 0;
  }
  case VIDIOC_QBUF: {
    auto* buf = static_cast<v4l2_buffer*>(arg);
    if (buf->type != type || buf->index >= d.buffers.size() || d.buffers[buf->index].queued) return Fail(EINVAL);
    if (d.info.multi_planar && (!buf->m.planes || buf->length < d.info.planes)) return Fail(EINVAL);
    d.buffers[buf->index].queued = true;
    d.incoming.push_back(buf->index);
    return 0;
  }
  case VIDIOC_DQBUF: {
    auto* buf = static_cast<v4l2_buffer*>(arg);
    if (buf->type != type || !d.streaming) return Fail(EINVAL);
    if (d.info.multi_planar && (!buf->m.planes || buf->length < d.info.planes)) return Fail(EINVAL);
    if (d.dequeue_error != 0) {
      const int e = d.dequeue_error;
      d.dequeue_error = 0;
      return Fail(e);
    }
    if (d.done.empty()) {
      Drain(d);
      return Fail(EAGAIN);
    }
    const uint32_t index = d.done.front();
    d.done.pop_front();
    if (d.done.empty()) Drain(d);
    Buffer& b = d.buffers[index];
    b.queued = false;
    buf->index = index;
    if (d.info.multi_planar) {
      buf->length = d.info.planes;
      buf->m.planes[0].bytesused = b.bytesused + d.info.data_offset;
      buf->m.planes[0].data_offset = d.info.data_offset;
      buf->m.planes[0].length = static_cast<uint32_t>(b.memory.size());
    } else {
      buf->bytesused = b.bytesused;
      buf->length = static_cast<uint32_t>(b.memory.size());
    }
    buf->sequence = b.sequence;
    buf->flags = b.flags;
    buf->timestamp = b.stamp;
    buf->field = V4L2_FIELD_NONE;
    return 0;
  }
  case VIDIOC_STREAMON:
    if (*static_cast<int*>(arg) != static_cast<int>(type) || d.buffers.empty()) return Fail(EINVAL);
    d.streaming = true;
    d.next_sequence = 0;
    return 0;
  case VIDIOC_STREAMOFF:
    d.streaming = false;
    d.incoming.clear();
    d.done.clear();
    for (Buffer& b : d.buffers)
      b.queued = false;
    Drain(d);
    return 0;
  default: return Fail(ENOTTY);
  }
}

void* Fake_V4l2::Mmap(size_t length, int prot, int flags, int fd, off_t offset) {
  (void)prot;
  (void)flags;
  Device* d = By_Fd(fd);
  if (!d || offset % Offset_Step != 0) {
    errno = EINVAL;
    return MAP_FAILED;
  }
  const auto index = static_cast<size_t>(offset / Offset_Step);
  if (index >= d->buffers.size() || length > d->buffers[index].memory.size()) {
    errno = EINVAL;
    return MAP_FAILED;
  }
  ++mapped_;
  return d->buffers[index].memory.data();
}

int Fake_V4l2::Munmap(void* address, size_t length) {
  (void)address;
  (void)length;
  --mapped_;
  return 0;
}

int Fake_V4l2::Poll(pollfd* fds, nfds_t count, int timeout_ms) {
  (void)timeout_ms;
  int ready = 0;
  for (nfds_t i = 0; i < count; ++i) {
    fds[i].revents = 0;
    Device* d = By_Fd(fds[i].fd);
    if (!d) {
      fds[i].revents = POLLNVAL;
    } else if (d->unplugged || !d->streaming) {
      fds[i].revents = POLLERR;
    } else if (!d->done.empty()) {
      fds[i].revents = POLLIN;
    }
    if (fds[i].revents) ++ready;
  }
  return ready;
}

bool Fake_V4l2::Push_Frame(const std::string& path, const std::vector<uint8_t>& bytes, timeval stamp, bool monotonic,
                           uint32_t sequence_skip, bool error_flag) {
  Device* d = By_Path(path);
  if (!d || !d->streaming || d->unplugged) return false;
  d->next_sequence += sequence_skip;
  const uint32_t sequence = d->next_sequence++;
  if (d->incoming.empty()) return false;
  const uint32_t index = d->incoming.front();
  d->incoming.pop_front();
  Buffer& b = d->buffers[index];
  const size_t header = d->info.multi_planar ? d->info.data_offset : 0;
  const size_t n = std::min(bytes.size(), b.memory.size() - header);
  if (n > 0) std::memcpy(b.memory.data() + header, bytes.data(), n);
  b.bytesused = static_cast<uint32_t>(n);
  b.sequence = sequence;
  b.stamp = stamp;
  b.flags = (monotonic ? V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC : V4L2_BUF_FLAG_TIMESTAMP_UNKNOWN) |
            (error_flag ? V4L2_BUF_FLAG_ERROR : 0U) | V4L2_BUF_FLAG_DONE;
  d->done.push_back(index);
  Wake(*d);
  return true;
}

void Fake_V4l2::Fail_Next_Dequeue(const std::string& path, int error) {
  Device* d = By_Path(path);
  if (!d) return;
  d->dequeue_error = error;
  Wake(*d);
}

void Fake_V4l2::Snap_Interval(Device& d) {
  const double asked = static_cast<double>(d.interval_num) / d.interval_den;
  double best = -1;
  for (const auto& f : d.info.formats)
    for (const auto& s : f.sizes) {
      if (f.fourcc != d.fourcc || s.width != d.width || s.height != d.height) continue;
      for (const auto& [num, den] : s.intervals) {
        const double i = static_cast<double>(num) / den;
        if (best < 0 || std::abs(i - asked) < std::abs(best - asked)) {
          best = i;
          d.interval_num = num;
          d.interval_den = den;
        }
      }
    }
}

void Fake_V4l2::Unplug(const std::string& path) {
  Device* d = By_Path(path);
  if (!d) return;
  d->unplugged = true;
  Wake(*d);
}

int Fake_V4l2::Calls(unsigned long request) const {
  const auto it = calls_.find(request);
  return it == calls_.end() ? 0 : it->second;
}

int Fake_V4l2::Queued(const std::string& path) const {
  const Device* d = By_Path(path);
  return d ? static_cast<int>(d->incoming.size()) : 0;
}

bool Fake_V4l2::Streaming(const std::string& path) const {
  const Device* d = By_Path(path);
  return d && d->streaming;
}

uint32_t Fake_V4l2::Buffer_Count(const std::string& path) const {
  const Device* d = By_Path(path);
  return d ? static_cast<uint32_t>(d->buffers.size()) : 0;
}

uint32_t Fake_V4l2::Set_Fourcc(const std::string& path) const {
  const Device* d = By_Path(path);
  return d ? d->fourcc : 0;
}

std::pair<uint32_t, uint32_t> Fake_V4l2::Set_Size(const std::string& path) const {
  const Device* d = By_Path(path);
  return d ? std::pair{d->width, d->height} : std::pair<uint32_t, uint32_t>{};
}

std::pair<uint32_t, uint32_t> Fake_V4l2::Set_Interval(const std::string& path) const {
  const Device* d = By_Path(path);
  return d ? std::pair{d->interval_num, d->interval_den} : std::pair<uint32_t, uint32_t>{};
}
