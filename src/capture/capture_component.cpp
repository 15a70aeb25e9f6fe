#include "capture/capture_component.h"

#include "capture/synthetic_camera.h"
#include "capture/v4l2_device.h"
#include "capture/v4l2_monitor.h"
#include "platform/trace.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

int64_t Field_Interval_100ns(const Video_Format& format) {
  if (format.field_order == Field_Order::Progressive) return 0;
  return format.field_interval_100ns > 0 ? format.field_interval_100ns
                                         : std::max<int64_t>(format.frame_interval_100ns / 2, 0);
}

QString Field_Order_Name(Field_Order order) {
  switch (order) {
  case Field_Order::Progressive: return QStringLiteral("progressive");
  case Field_Order::Interlaced_Top_First: return QStringLiteral("interlaced, top field first");
  case Field_Order::Interlaced_Bottom_First: return QStringLiteral("interlaced, bottom field first");
  case Field_Order::Sequential_Top_First: return QStringLiteral("sequential fields, top first");
  case Field_Order::Sequential_Bottom_First: return QStringLiteral("sequential fields, bottom first");
  }
  return QStringLiteral("interlaced, top field first");
}

QString Process_AMT(const std::optional<Video_Format>& format) {
  if (!format || format->width <= 0 || format->height <= 0) return QStringLiteral("Corrupt data!");
  double fps = 0;
  if (format->frame_interval_100ns > 0) fps = 1000.0 / (static_cast<double>(format->frame_interval_100ns) / 10000.0);
  // One decimal, and none when it is zero: 25, 29.9, 12.5.
  QString rate = QString::number(std::round(fps * 10.0) / 10.0, 'f', 1);
  if (rate.endsWith(QStringLiteral(".0"))) rate.chop(2);
  return QStringLiteral("%1*%2/%3").arg(format->width).arg(format->height).arg(rate);
}

QString Pixel_Format_Name(Pixel_Format format) {
  switch (format) {
  case Pixel_Format::BGR24_Bottom_Up: return QStringLiteral("BGR24 bottom-up");
  case Pixel_Format::RGB24: return QStringLiteral("RGB24");
  case Pixel_Format::BGR24: return QStringLiteral("BGR24");
  case Pixel_Format::YUYV: return QStringLiteral("YUYV");
  case Pixel_Format::UYVY: return QStringLiteral("UYVY");
  case Pixel_Format::NV12: return QStringLiteral("NV12");
  case Pixel_Format::MJPEG: return QStringLiteral("MJPEG");
  }
  return {};
}

// The component hands frames to the advised sink through this forwarder, so that unadvising
// stops delivery at once even while a device is still streaming.
struct Capture_Component::State final : Video_Cap_Events {
  std::vector<std::unique_ptr<Capture_Device>> devices;
  int32_t selected = 0; // 1-based; 0 none
  Video_Cap_Events* sink = nullptr;
  int32_t cookie = 0;
  int32_t next_cookie = 1;
  bool intervals_ready = false;
  QString error;
  Device_Lister lister;
  std::unique_ptr<Device_Monitor> monitor;
  std::function<void()> on_changed;
  // Devices that left: kept until the component goes, since one may still be inside its own
  // frame handler when it is found missing.
  std::vector<std::unique_ptr<Capture_Device>> departed;

  void OnRGBEvent(int64_t sample_time, Capture_Time_Source source, const uint8_t* data, int32_t length) override {
    if (sink) sink->OnRGBEvent(sample_time, source, data, length);
  }
  void OnStreamError(const QString& text) override {
    error = text;
    if (sink) sink->OnStreamError(text);
  }
  Capture_Device* Selected() const {
    return selected >= 1 && selected <= static_cast<int32_t>(devices.size())
               ? devices[static_cast<size_t>(selected - 1)].get()
               : nullptr;
  }
};

Capture_Component::Capture_Component(std::vector<std::unique_ptr<Capture_Device>> devices, Device_Lister lister,
                                     std::unique_ptr<Device_Monitor> monitor)
    : state_(std::make_unique<State>()) {
  for (auto& d : devices)
    if (d) state_->devices.push_back(std::move(d));
  state_->lister = std::move(lister);
  state_->monitor = std::move(monitor);
  if (state_->monitor) state_->monitor->set_Handler([this] { Rescan(); });
}

void Capture_Component::set_On_Devices_Changed(std::function<void()> handler) {
  state_->on_changed = std::move(handler);
}

void Capture_Component::Deselect() {
  if (Capture_Device* previous = state_->Selected(); previous && previous->Streaming()) previous->Stop();
  state_->selected = 0;
  state_->intervals_ready = false;
}

void Capture_Component::Rescan() {
  if (!state_->lister) return;
  std::vector<std::unique_ptr<Capture_Device>> fresh = state_->lister();
  Capture_Device* selected = state_->Selected();
  std::vector<std::unique_ptr<Capture_Device>> old = std::move(state_->devices);
  state_->devices.clear();
  for (auto& f : fresh) {
    if (!f) continue;
    const auto same = std::find_if(old.begin(), old.end(), [&](const std::unique_ptr<Capture_Device>& o) {
      return o && o->Device_Path() == f->Device_Path() && o->Friendly_Name() == f->Friendly_Name();
    });
    state_->devices.push_back(same != old.end() ? std::move(*same) : std::move(f));
  }
  state_->selected = 0;
  for (size_t i = 0; i < state_->devices.size(); ++i)
    if (state_->devices[i].get() == selected) state_->selected = static_cast<int32_t>(i + 1);
  for (auto& gone : old) {
    if (!gone) continue;
    Trace_Message(QStringLiteral("*Video device left"), gone->Friendly_Name(), gone->Device_Path());
    if (auto* v4l2 = dynamic_cast<V4l2_Device*>(gone.get())) {
      v4l2->Device_Left(); // reports the stream's end through the sink itself
    } else if (gone->Streaming()) {
      gone->Stop();
      state_->OnStreamError(QStringLiteral("%1 is gone").arg(gone->Friendly_Name()));
    }
    state_->departed.push_back(std::move(gone));
  }
  Trace_Message(QStringLiteral("*Video devices listed again"), Device_Count());
  if (state_->on_changed) state_->on_changed();
}

Capture_Component::~Capture_Component() {
  for (auto& d : state_->devices)
    if (d->Streaming()) d->Stop();
}

int32_t Capture_Component::Advise_Sink(Video_Cap_Events* sink) {
  if (!sink) {
    state_->error = QStringLiteral("No event sink to advise");
    return 0;
  }
  state_->sink = sink;
  state_->cookie = state_->next_cookie++;
  if (state_->next_cookie <= 0) state_->next_cookie = 1;
  return state_->cookie;
}

void Capture_Component::Unadvise_Sink(int32_t cookie) {
  if (cookie == 0 || cookie != state_->cookie) {
    state_->error = QStringLiteral("Unknown advise cookie %1").arg(cookie);
    return;
  }
  state_->sink = nullptr;
  state_->cookie = 0;
}

bool Capture_Component::Select_Source(const QString& name) {
  static const QRegularExpression pattern(QStringLiteral("^video:(\\d{1,4})$"));
  const auto match = pattern.match(name.trimmed());
  const int32_t n = match.hasMatch() ? match.captured(1).toInt() : 0;
  if (n < 1 || n > Device_Count()) {
    state_->error = QStringLiteral("No video source ") + name;
    return false;
  }
  if (n != state_->selected) {
    if (Capture_Device* previous = state_->Selected(); previous && previous->Streaming()) previous->Stop();
    state_->intervals_ready = false;
  }
  state_->selected = n;
  state_->error.clear();
  return true;
}

void Capture_Component::Set_Value(const QString& name, const QString& value) {
  Capture_Device* device = state_->Selected();
  if (!device) {
    state_->error = QStringLiteral("No video source selected");
    return;
  }
  QString error;
  bool number_ok = false;
  const int32_t number = value.trimmed().toInt(&number_ok);
  if (name == QLatin1String("GetIntervals")) {
    state_->intervals_ready = true;
  } else if (name == QLatin1String("SetFormat")) {
    if (!number_ok || !device->Set_Format(number, error))
      state_->error = error.isEmpty() ? QStringLiteral("No video format ") + value : error;
  } else if (name == QLatin1String("CaptureFps")) {
    if (!number_ok || number <= 0 || !device->Limit_Fps(number, error))
      state_->error = error.isEmpty() ? QStringLiteral("No frame rate ") + value : error;
  } else {
    state_->error = QStringLiteral("Unknown value ") + name;
  }
}

QString Capture_Component::Get_Value(const QString& name) {
  Capture_Device* device = state_->Selected();
  if (name == QLatin1String("BuildNumber")) return QStringLiteral(DORAVENT_VERSION);
  if (!device) return {};
  if (name == QLatin1String("sourceFriendlyName")) return device->Friendly_Name();
  if (name == QLatin1String("sourceDevicePath")) return device->Device_Path();
  if (name == QLatin1String("sourceDescription")) return device->Description();
  if (name == QLatin1String("numprops")) return QString::number(device->Formats().size());
  if (name == QLatin1String("DroppedFrames")) return QString::number(device->Dropped_Frames());
  if (name == QLatin1String("MaxInterval") || name == QLatin1String("MinInterval")) {
    if (!state_->intervals_ready) return {};
    return QString::number(name == QLatin1String("MaxInterval") ? device->Max_Interval_100ns()
                                                                : device->Min_Interval_100ns());
  }
  return {};
}

bool Capture_Component::Start_Stream() {
  Capture_Device* device = state_->Selected();
  if (!device) {
    state_->error = QStringLiteral("No video source selected");
    return false;
  }
  if (device->Streaming()) return true;
  QString error;
  if (!device->Start(*state_, error)) {
    state_->error = error.isEmpty() ? QStringLiteral("The video source does not start") : error;
    Trace_Message(QStringLiteral("*Start_Stream failed"), state_->error);
    return false;
  }
  state_->error.clear();
  return true;
}

void Capture_Component::Stop_Stream() {
  if (Capture_Device* device = state_->Selected(); device && device->Streaming()) device->Stop();
}

QString Capture_Component::Error_Text() const { return state_->error; }

std::optional<Video_Format> Capture_Component::Current_Format() const {
  const Capture_Device* device = state_->Selected();
  return device ? device->Current_Format() : std::nullopt;
}

std::optional<Video_Format> Capture_Component::Format_At(int32_t number) const {
  const Capture_Device* device = state_->Selected();
  if (!device) return std::nullopt;
  const std::vector<Video_Format> formats = device->Formats();
  if (number < 0 || number >= static_cast<int32_t>(formats.size())) return std::nullopt;
  return formats[static_cast<size_t>(number)];
}

int32_t Capture_Component::Device_Count() const { return static_cast<int32_t>(state_->devices.size()); }

Capture_Device* Capture_Component::Device_At(int32_t n) const {
  if (n < 1 || n > Device_Count()) return nullptr;
  return state_->devices[static_cast<size_t>(n - 1)].get();
}

Capture_Device* Capture_Component::Selected_Device() const { return state_->Selected(); }

int32_t Capture_Component::Selected_Number() const { return state_->Selected() ? state_->selected : 0; }

std::vector<std::unique_ptr<Capture_Device>> Machine_Capture_Devices() {
  std::vector<std::unique_ptr<Capture_Device>> devices = Enumerate_V4l2_Devices(System_V4l2_Io());
  auto synthetic = std::make_unique<Synthetic_Camera>();
  synthetic->Load_Settings();
  devices.push_back(std::move(synthetic));
  return devices;
}

std::unique_ptr<Capture_Component> Make_Capture_Component() {
  return std::make_unique<Capture_Component>(Machine_Capture_Devices(), &Machine_Capture_Devices, Make_Udev_Monitor());
}
