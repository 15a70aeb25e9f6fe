// Enumeration and format setting of V4L2 devices; streaming is in v4l2_stream.cpp.
#include "capture/v4l2_device.h"

#include "capture/crop_convert_v4l2.h"

#include "platform/trace.h"

#include <QSocketNotifier>
#include <QTimer>

#include <QDir>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <map>

namespace {

// Bounds on what a driver may list, so a faulty one cannot keep enumeration going for ever.
constexpr uint32_t Most_Formats = 64;
constexpr uint32_t Most_Sizes = 64;
constexpr uint32_t Most_Intervals = 32;

QString Text_Of(const uint8_t* bytes, size_t size) {
  const auto* chars = reinterpret_cast<const char*>(bytes);
  return QString::fromUtf8(chars, static_cast<qsizetype>(strnlen(chars, size)));
}

int64_t Interval_100ns(uint32_t numerator, uint32_t denominator) {
  if (numerator == 0 || denominator == 0) return 0;
  return static_cast<int64_t>(numerator) * 10'000'000 / denominator;
}

int32_t Bytes_Per_Pixel_Times_2(Pixel_Format p) {
  switch (p) {
  case Pixel_Format::YUYV:
  case Pixel_Format::UYVY: return 4;
  case Pixel_Format::NV12: return 3;
  case Pixel_Format::RGB24:
  case Pixel_Format::BGR24:
  case Pixel_Format::BGR24_Bottom_Up:
  case Pixel_Format::MJPEG: return 6;
  }
  return 6;
}

Video_Format Format_Of(const V4l2_Mode& mode) {
  Video_Format f;
  f.pixel_format = Pixel_Format_Of(mode.fourcc).value_or(Pixel_Format::MJPEG);
  f.width = static_cast<int32_t>(std::min<uint32_t>(mode.width, INT32_MAX));
  f.height = static_cast<int32_t>(std::min<uint32_t>(mode.height, INT32_MAX));
  f.frame_interval_100ns = Interval_100ns(mode.interval_numerator, mode.interval_denominator);
  const int64_t bytes = int64_t{f.width} * f.height * Bytes_Per_Pixel_Times_2(f.pixel_format) / 2;
  f.image_size = static_cast<int32_t>(std::min<int64_t>(bytes, INT32_MAX));
  f.stride = f.pixel_format == Pixel_Format::MJPEG ? 0
             : f.pixel_format == Pixel_Format::NV12
                 ? f.width
                 : static_cast<int32_t>(int64_t{f.width} * Bytes_Per_Pixel_Times_2(f.pixel_format) / 2);
  return f;
}

// What S_FMT or G_FMT answered, from whichever of the two interfaces the device speaks.
struct Pix_Answer {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t pixelformat = 0;
  uint32_t field = 0;
  uint32_t colorspace = 0;
  uint32_t ycbcr_enc = 0;
  uint32_t quantization = 0;
  uint32_t bytesperline = 0;
  uint32_t sizeimage = 0;
  uint32_t planes = 1;
};

Pix_Answer Pix_Of(const v4l2_format& fmt) {
  if (fmt.type == V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE) {
    const v4l2_pix_format_mplane& p = fmt.fmt.pix_mp;
    return {p.width,
            p.height,
            p.pixelformat,
            p.field,
            p.colorspace,
            p.ycbcr_enc,
            p.quantization,
            p.plane_fmt[0].bytesperline,
            p.plane_fmt[0].sizeimage,
            p.num_planes};
  }
  const v4l2_pix_format& p = fmt.fmt.pix;
  return {p.width,     p.height,       p.pixelformat,  p.field,     p.colorspace,
          p.ycbcr_enc, p.quantization, p.bytesperline, p.sizeimage, 1};
}

void Add_Intervals(V4l2_Io& io, int fd, uint32_t fourcc, uint32_t width, uint32_t height,
                   std::vector<V4l2_Mode>& modes) {
  const size_t before = modes.size();
  for (uint32_t i = 0; i < Most_Intervals; ++i) {
    v4l2_frmivalenum ival{};
    ival.index = i;
    ival.pixel_format = fourcc;
    ival.width = width;
    ival.height = height;
    if (Xioctl(io, fd, VIDIOC_ENUM_FRAMEINTERVALS, &ival) != 0) break;
    if (ival.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
      modes.push_back({fourcc, width, height, ival.discrete.numerator, ival.discrete.denominator});
      continue;
    }
    // A range: its two ends and the usual rates between them that its step reaches.
    const v4l2_fract lo = ival.stepwise.min;
    const v4l2_fract hi = ival.stepwise.max;
    const int64_t shortest = Interval_100ns(lo.numerator, lo.denominator);
    const int64_t longest = Interval_100ns(hi.numerator, hi.denominator);
    const int64_t step = ival.type == V4L2_FRMIVAL_TYPE_CONTINUOUS
                             ? 0
                             : Interval_100ns(ival.stepwise.step.numerator, ival.stepwise.step.denominator);
    modes.push_back({fourcc, width, height, lo.numerator, lo.denominator});
    for (const uint32_t fps : {100U, 60U, 50U, 30U, 25U}) {
      const int64_t wanted = 10'000'000 / fps;
      if (wanted <= shortest || wanted >= longest) continue;
      // Steps in 100 ns units are rounded: a rate is reached when it is within 2 % of a step.
      if (step > 0 && (wanted - shortest) % step > step / 50 && step - (wanted - shortest) % step > step / 50) continue;
      modes.push_back({fourcc, width, height, 1, fps});
    }
    if (longest != shortest) modes.push_back({fourcc, width, height, hi.numerator, hi.denominator});
    break;
  }
  if (modes.size() == before) modes.push_back({fourcc, width, height, 0, 0});
}

void Add_Current_Size(V4l2_Io& io, int fd, uint32_t type, uint32_t fourcc, std::vector<V4l2_Mode>& modes) {
  v4l2_format fmt{};
  fmt.type = type;
  if (Xioctl(io, fd, VIDIOC_G_FMT, &fmt) != 0) return;
  const Pix_Answer now = Pix_Of(fmt);
  if (now.width == 0 || now.height == 0) return;
  const size_t before = modes.size();
  Add_Intervals(io, fd, fourcc, now.width, now.height, modes);
  if (modes.size() != before + 1 || modes.back().interval_denominator != 0) return;
  // No interval listed either: the one the driver runs at.
  v4l2_streamparm parm{};
  parm.type = type;
  if (Xioctl(io, fd, VIDIOC_G_PARM, &parm) == 0) {
    modes.back().interval_numerator = parm.parm.capture.timeperframe.numerator;
    modes.back().interval_denominator = parm.parm.capture.timeperframe.denominator;
  }
}

std::vector<V4l2_Mode> Enumerate_Modes(V4l2_Io& io, int fd, uint32_t type) {
  std::vector<V4l2_Mode> modes;
  for (uint32_t f = 0; f < Most_Formats; ++f) {
    v4l2_fmtdesc desc{};
    desc.index = f;
    desc.type = type;
    if (Xioctl(io, fd, VIDIOC_ENUM_FMT, &desc) != 0) break;
    if (!Pixel_Format_Of(desc.pixelformat)) continue;
    bool sized = false;
    for (uint32_t s = 0; s < Most_Sizes; ++s) {
      v4l2_frmsizeenum size{};
      size.index = s;
      size.pixel_format = desc.pixelformat;
      if (Xioctl(io, fd, VIDIOC_ENUM_FRAMESIZES, &size) != 0) break;
      sized = true;
      if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        Add_Intervals(io, fd, desc.pixelformat, size.discrete.width, size.discrete.height, modes);
        continue;
      }
      // A range of sizes: the largest.
      Add_Intervals(io, fd, desc.pixelformat, size.stepwise.max_width, size.stepwise.max_height, modes);
      break;
    }
    // Receivers that take their size from the incoming signal list none: the size they have now.
    if (!sized) Add_Current_Size(io, fd, type, desc.pixelformat, modes);
  }
  return modes;
}

} // namespace

std::optional<Pixel_Format> Pixel_Format_Of(uint32_t fourcc) {
  switch (fourcc) {
  case V4L2_PIX_FMT_YUYV: return Pixel_Format::YUYV;
  case V4L2_PIX_FMT_UYVY: return Pixel_Format::UYVY;
  case V4L2_PIX_FMT_NV12: return Pixel_Format::NV12;
  case V4L2_PIX_FMT_RGB24: return Pixel_Format::RGB24;
  case V4L2_PIX_FMT_BGR24: return Pixel_Format::BGR24;
  case V4L2_PIX_FMT_MJPEG:
  case V4L2_PIX_FMT_JPEG: return Pixel_Format::MJPEG;
  default: return std::nullopt;
  }
}

V4l2_Device::V4l2_Device(V4l2_Io& io, QString path, QString card, QString bus_info, QString driver,
                         std::vector<V4l2_Mode> modes, bool multi_planar)
    : io_(io), path_(std::move(path)), card_(std::move(card)), bus_info_(std::move(bus_info)),
      driver_(std::move(driver)), modes_(std::move(modes)), multi_planar_(multi_planar) {}

uint32_t V4l2_Device::Buffer_Type() const {
  return multi_planar_ ? V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE : V4L2_BUF_TYPE_VIDEO_CAPTURE;
}

void V4l2_Device::Prepare(v4l2_buffer& buf, v4l2_plane* planes) const {
  buf.type = Buffer_Type();
  buf.memory = V4L2_MEMORY_MMAP;
  if (!multi_planar_) return;
  buf.m.planes = planes;
  buf.length = VIDEO_MAX_PLANES;
}

V4l2_Device::~V4l2_Device() {
  Stop();
  Teardown();
  Close_Device();
}

std::vector<Video_Format> V4l2_Device::Formats() const {
  std::vector<Video_Format> formats;
  formats.reserve(modes_.size());
  for (const V4l2_Mode& m : modes_)
    formats.push_back(Format_Of(m));
  return formats;
}

QString V4l2_Device::Errno_Text(const char* what) const {
  const int e = errno;
  return QStringLiteral("%1 on %2: %3").arg(QString::fromLatin1(what), path_, QString::fromLocal8Bit(strerror(e)));
}

bool V4l2_Device::Ensure_Open(QString& error) {
  if (fd_ >= 0) return true;
  fd_ = io_.Open(path_.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
  if (fd_ < 0) {
    error = Errno_Text("open");
    return false;
  }
  return true;
}

void V4l2_Device::Close_Device() {
  if (fd_ >= 0) io_.Close(fd_);
  fd_ = -1;
}

bool V4l2_Device::Set_Format(int32_t number, QString& error) {
  if (number < 0 || number >= static_cast<int32_t>(modes_.size())) {
    error = QStringLiteral("No video format %1 on %2").arg(number).arg(path_);
    return false;
  }
  if (streaming_) {
    error = QStringLiteral("The format cannot change while the camera runs");
    return false;
  }
  if (!Ensure_Open(error)) return false;
  const int32_t previous = mode_;
  if (Apply_Format(number, error)) return true;
  // The driver may have changed to what it offered instead: put back what was set, or forget it.
  QString ignored;
  if (previous < 0 || !Apply_Format(previous, ignored)) {
    mode_ = -1;
    current_.reset();
  }
  return false;
}

bool V4l2_Device::Apply_Format(int32_t number, QString& error) {
  const V4l2_Mode& mode = modes_[static_cast<size_t>(number)];
  v4l2_format fmt{};
  fmt.type = Buffer_Type();
  // Whole frames, top field first, are asked for; the answer is what the frames hold.
  const uint32_t field = mode.fourcc == V4L2_PIX_FMT_MJPEG ? V4L2_FIELD_NONE : V4L2_FIELD_INTERLACED_TB;
  if (multi_planar_) {
    fmt.fmt.pix_mp.width = mode.width;
    fmt.fmt.pix_mp.height = mode.height;
    fmt.fmt.pix_mp.pixelformat = mode.fourcc;
    fmt.fmt.pix_mp.field = field;
    fmt.fmt.pix_mp.num_planes = 1;
  } else {
    fmt.fmt.pix.width = mode.width;
    fmt.fmt.pix.height = mode.height;
    fmt.fmt.pix.pixelformat = mode.fourcc;
    fmt.fmt.pix.field = field;
  }
  if (Xioctl(io_, fd_, VIDIOC_S_FMT, &fmt) != 0) {
    error = Errno_Text("VIDIOC_S_FMT");
    return false;
  }
  const Pix_Answer got = Pix_Of(fmt);
  if (got.width != mode.width || got.height != mode.height || got.pixelformat != mode.fourcc) {
    error = QStringLiteral("%1 refused format %2: it offers %3 x %4 instead")
                .arg(path_)
                .arg(number)
                .arg(got.width)
                .arg(got.height);
    return false;
  }
  if (got.planes != 1) {
    error = QStringLiteral("%1 gives format %2 in %3 separate planes: only formats in one plane can be read")
                .arg(path_)
                .arg(number)
                .arg(got.planes);
    return false;
  }
  Video_Format f = Format_Of(mode);
  const std::optional<Field_Order> fields = Field_Order_From_V4l2(got.field, f.frame_interval_100ns, error);
  if (!fields) return false;
  f.field_order = *fields;
  f.field_interval_100ns = f.field_order == Field_Order::Progressive ? 0 : f.frame_interval_100ns / 2;
  Colour_From_V4l2(got.colorspace, got.ycbcr_enc, got.quantization, f);
  // What the driver says of its rows and frames wins over the estimate, within what a row can hold.
  const int64_t least_stride = f.stride;
  if (got.bytesperline > 0 && f.pixel_format != Pixel_Format::MJPEG)
    f.stride = static_cast<int32_t>(std::clamp<int64_t>(got.bytesperline, least_stride, INT32_MAX));
  if (got.sizeimage > 0) f.image_size = static_cast<int32_t>(std::min<uint32_t>(got.sizeimage, INT32_MAX));
  mode_ = number;
  current_ = f;
  driver_interval_100ns_ = f.frame_interval_100ns;
  if (!Apply_Rate(error)) {
    // The format stands; the rate is the driver's.
    Trace_Message(QStringLiteral("*V4L2 Set_Format, rate"), error);
    error.clear();
  }
  return true;
}

bool V4l2_Device::Apply_Rate(QString& error) {
  keep_every_us_ = 0;
  if (mode_ < 0) return true;
  const V4l2_Mode& mode = modes_[static_cast<size_t>(mode_)];
  const int64_t own = Interval_100ns(mode.interval_numerator, mode.interval_denominator);
  const int64_t limit = fps_limit_ > 0 ? 10'000'000 / fps_limit_ : 0;
  bool ok = true;
  if (limit > 0 && (own == 0 || own < limit))
    ok = Apply_Interval(1, static_cast<uint32_t>(fps_limit_), error);
  else if (own > 0)
    ok = Apply_Interval(mode.interval_numerator, mode.interval_denominator, error);
  // A driver that keeps its faster rate is held to the limit by skipping frames.
  if (limit > 0 && current_ && (current_->frame_interval_100ns == 0 || current_->frame_interval_100ns < limit)) {
    keep_every_us_ = limit / 10;
    current_->frame_interval_100ns = limit;
  }
  return ok;
}

bool V4l2_Device::Apply_Interval(uint32_t numerator, uint32_t denominator, QString& error) {
  v4l2_streamparm parm{};
  parm.type = Buffer_Type();
  parm.parm.capture.timeperframe.numerator = numerator;
  parm.parm.capture.timeperframe.denominator = denominator;
  if (Xioctl(io_, fd_, VIDIOC_S_PARM, &parm) != 0) {
    error = Errno_Text("VIDIOC_S_PARM");
    return false;
  }
  if (current_) {
    const int64_t got =
        Interval_100ns(parm.parm.capture.timeperframe.numerator, parm.parm.capture.timeperframe.denominator);
    if (got > 0) {
      driver_interval_100ns_ = got;
      current_->frame_interval_100ns = got;
      current_->field_interval_100ns = current_->field_order == Field_Order::Progressive ? 0 : got / 2;
    }
  }
  return true;
}

bool V4l2_Device::Limit_Fps(int32_t fps, QString& error) {
  if (fps <= 0) {
    error = QStringLiteral("No frame rate %1").arg(fps);
    return false;
  }
  // Kept for every later format and start, since a format brings its own rate.
  fps_limit_ = fps;
  if (mode_ < 0 || streaming_) return true;
  if (!Ensure_Open(error)) return false;
  return Apply_Rate(error);
}

bool V4l2_Device::Same_Size(const V4l2_Mode& m) const {
  if (mode_ < 0) return true; // no format set: the whole device
  const V4l2_Mode& set = modes_[static_cast<size_t>(mode_)];
  return m.fourcc == set.fourcc && m.width == set.width && m.height == set.height;
}

int64_t V4l2_Device::Min_Interval_100ns() const {
  int64_t best = 0;
  for (const V4l2_Mode& m : modes_) {
    if (!Same_Size(m)) continue;
    const int64_t i = Interval_100ns(m.interval_numerator, m.interval_denominator);
    if (i > 0 && (best == 0 || i < best)) best = i;
  }
  return best;
}

int64_t V4l2_Device::Max_Interval_100ns() const {
  int64_t best = 0;
  for (const V4l2_Mode& m : modes_) {
    if (!Same_Size(m)) continue;
    best = std::max(best, Interval_100ns(m.interval_numerator, m.interval_denominator));
  }
  return best;
}

std::vector<std::unique_ptr<Capture_Device>> Enumerate_V4l2_Devices(V4l2_Io& io, const QString& sys_dir,
                                                                    const QString& dev_dir) {
  static const QRegularExpression video_name(QStringLiteral("^video(\\d{1,4})$"));
  std::map<int, QString> names; // in number order, whatever order the folder lists them in
  for (const QString& entry : QDir(sys_dir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
    const auto m = video_name.match(entry);
    if (m.hasMatch()) names.emplace(m.captured(1).toInt(), entry);
  }
  std::vector<std::unique_ptr<Capture_Device>> devices;
  for (const auto& [number, name] : names) {
    const QString path = dev_dir + QLatin1Char('/') + name;
    const int fd = io.Open(path.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
    if (fd < 0) {
      Trace_Message(QStringLiteral("*V4L2 enumeration, cannot open"), path, QString::fromLocal8Bit(strerror(errno)));
      continue;
    }
    v4l2_capability cap{};
    if (Xioctl(io, fd, VIDIOC_QUERYCAP, &cap) == 0) {
      const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
      // Receivers on some boards speak only the multi-planar interface, even for one plane.
      const bool single = (caps & V4L2_CAP_VIDEO_CAPTURE) != 0;
      const bool multi_planar = !single && (caps & V4L2_CAP_VIDEO_CAPTURE_MPLANE) != 0;
      if ((single || multi_planar) && (caps & V4L2_CAP_STREAMING)) {
        const uint32_t type = multi_planar ? V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE : V4L2_BUF_TYPE_VIDEO_CAPTURE;
        std::vector<V4l2_Mode> modes = Enumerate_Modes(io, fd, type);
        devices.push_back(std::make_unique<V4l2_Device>(
            io, path, Text_Of(cap.card, sizeof cap.card), Text_Of(cap.bus_info, sizeof cap.bus_info),
            Text_Of(cap.driver, sizeof cap.driver), std::move(modes), multi_planar));
      }
    }
    io.Close(fd);
  }
  return devices;
}
