#include "capture/synthetic_camera.h"

#include "platform/clock.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/trace.h"

#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>

const Synthetic_Crossings Synthetic_Camera::Default_Crossings = {29200, 29460, 29750, 30010, 30390, 30800};

namespace {

struct Bgr {
  uint8_t b, g, r;
};
constexpr Bgr Turf{50, 120, 40};
constexpr Bgr White{255, 255, 255};
constexpr Bgr Stripe{240, 240, 240};
constexpr Bgr Led_On{0, 255, 255};
constexpr Bgr Led_Off{100, 100, 100};
constexpr Bgr Box_Colour[Synthetic_Camera::Boxes] = {{30, 30, 220}, {220, 60, 30},  {240, 240, 240},
                                                     {20, 20, 20},  {20, 140, 240}, {20, 20, 20}};
constexpr int32_t Stripe_First = 17; // rows of box 6's body that are white
constexpr int32_t Stripe_Last = 33;
constexpr int32_t Led_Top = 860, Led_Bottom = 899, Led_Left = 1100, Led_Right = 1139;
constexpr int32_t Stamp_Columns = 400; // the stamp keeps to rows 0 to 39 by its glyphs' height

// 5 x 7 glyphs, one bit per column (bit 4 the leftmost), drawn 4 times larger.
struct Glyph {
  char c;
  uint8_t rows[7];
};
constexpr Glyph Glyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}}, {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
};
constexpr int32_t Glyph_Scale = 4, Glyph_Advance = 24, Stamp_Left = 4, Stamp_Top = 6;

const Glyph* Find_Glyph(char c) {
  for (const Glyph& g : Glyphs)
    if (g.c == c) return &g;
  return nullptr;
}

void Fill(uint8_t* row, int64_t first, int64_t last, Bgr colour) {
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, Synthetic_Camera::Width - 1);
  for (int64_t x = first; x <= last; ++x) {
    uint8_t* p = row + 3 * x;
    p[0] = colour.b;
    p[1] = colour.g;
    p[2] = colour.r;
  }
}

// Picture row y (0 at the top) in the bottom-up frame.
uint8_t* Row(uint8_t* frame, int32_t y) {
  return frame + static_cast<ptrdiff_t>(Synthetic_Camera::Height - 1 - y) * Synthetic_Camera::Stride;
}

void Draw_Stamp(uint8_t* frame, const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const Glyph* g = Find_Glyph(text[i]);
    const int32_t left = Stamp_Left + static_cast<int32_t>(i) * Glyph_Advance;
    if (!g || left + 5 * Glyph_Scale > Stamp_Columns) continue;
    for (int32_t gy = 0; gy < 7; ++gy)
      for (int32_t gx = 0; gx < 5; ++gx) {
        if (!(g->rows[gy] & (0x10 >> gx))) continue;
        for (int32_t dy = 0; dy < Glyph_Scale; ++dy) {
          const int32_t y = Stamp_Top + gy * Glyph_Scale + dy;
          const int64_t x = left + gx * Glyph_Scale;
          Fill(Row(frame, y), x, x + Glyph_Scale - 1, White);
        }
      }
  }
}

} // namespace

std::optional<Synthetic_Crossings> Parse_Crossings(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != Synthetic_Camera::Boxes) return std::nullopt;
  Synthetic_Crossings crossings;
  for (int i = 0; i < Synthetic_Camera::Boxes; ++i) {
    const QString part = parts[i].trimmed();
    if (part == QLatin1String("-")) continue;
    bool ok = false;
    const int32_t ms = part.toInt(&ok);
    if (!ok) return std::nullopt;
    crossings[static_cast<size_t>(i)] = ms;
  }
  return crossings;
}

QString Format_Crossings(const Synthetic_Crossings& crossings) {
  QStringList parts;
  for (const auto& c : crossings)
    parts << (c ? QString::number(*c) : QStringLiteral("-"));
  return parts.join(QLatin1Char(','));
}

Synthetic_Camera::Synthetic_Camera() : crossings_(Default_Crossings) {
  background_row_.resize(Stride);
  for (int32_t x = 0; x < Width; ++x)
    Fill(background_row_.data(), x, x, x == Finish_Column - 1 || x == Finish_Column ? White : Turf);
}

Synthetic_Camera::~Synthetic_Camera() { streaming_ = false; }

std::vector<Video_Format> Synthetic_Camera::Formats() const {
  std::vector<Video_Format> formats;
  for (const int32_t fps : Rates) {
    Video_Format f{Width, Height, 10'000'000 / fps, Frame_Bytes, Stride, Pixel_Format::BGR24_Bottom_Up};
    f.field_order = fps == Rates.front() ? Field_Order::Interlaced_Top_First : Field_Order::Progressive;
    f.field_interval_100ns = fps == Rates.front() ? int64_t{Field_Offset_Ms} * 10000 : 0;
    formats.push_back(f);
  }
  return formats;
}

std::optional<int32_t> Synthetic_Camera::Format_Of_Rate(int32_t fps) {
  for (size_t i = 0; i < Rates.size(); ++i)
    if (Rates[i] == fps) return static_cast<int32_t>(i);
  return std::nullopt;
}

bool Synthetic_Camera::Set_Format(int32_t number, QString& error) {
  if (number < 0 || number >= static_cast<int32_t>(Rates.size())) {
    error = QStringLiteral("The synthetic camera has formats 0 to %1; not %2").arg(Rates.size() - 1).arg(number);
    return false;
  }
  if (streaming_) {
    error = QStringLiteral("The format cannot change while the camera runs");
    return false;
  }
  format_ms_ = 1000 / Rates[static_cast<size_t>(number)];
  return true;
}

std::optional<Video_Format> Synthetic_Camera::Current_Format() const {
  const std::vector<Video_Format> formats = Formats();
  for (const Video_Format& f : formats)
    if (f.frame_interval_100ns == int64_t{format_ms_} * 10000) {
      Video_Format running = f;
      running.frame_interval_100ns = int64_t{Interval_Ms()} * 10000;
      return running;
    }
  return formats.front();
}

bool Synthetic_Camera::Limit_Fps(int32_t fps, QString& error) {
  if (fps <= 0) {
    limit_ms_ = 0;
    return true;
  }
  if (fps < Rates.front()) {
    error = QStringLiteral("The synthetic camera runs at 25 frames per second or more, not %1").arg(fps);
    return false;
  }
  limit_ms_ = 1000 / fps;
  return true;
}

bool Synthetic_Camera::set_Speed(double px_per_ms) {
  if (!(px_per_ms > 0) || !std::isfinite(px_per_ms)) return false;
  speed_ = px_per_ms;
  return true;
}

void Synthetic_Camera::Load_Settings() {
  const QString path = program().Settings_File_Path;
  if (path.isEmpty()) return;
  const QString section = QStringLiteral("Synthetic");
  const QString crossings = Read_Ini_Value(section, QStringLiteral("Crossings"), path, Format_Crossings(crossings_));
  if (const auto parsed = Parse_Crossings(crossings))
    crossings_ = *parsed;
  else
    Trace_Message(QStringLiteral("*Synthetic camera, Crossings not usable"), crossings);
  bool ok = false;
  const QString speed = Read_Ini_Value(section, QStringLiteral("Speed"), path, QString::number(speed_));
  const double v = speed.toDouble(&ok);
  if (!ok || !set_Speed(v)) Trace_Message(QStringLiteral("*Synthetic camera, Speed not usable"), speed);
  const QString delay = Read_Ini_Value(section, QStringLiteral("VideoDelay"), path, QString::number(delay_ms_));
  const int32_t d = delay.toInt(&ok);
  if (ok)
    delay_ms_ = d;
  else
    Trace_Message(QStringLiteral("*Synthetic camera, VideoDelay not usable"), delay);
}

int32_t Synthetic_Camera::Sample_Time(int32_t frame) const {
  return static_cast<int32_t>(static_cast<uint32_t>(t0_) +
                              static_cast<uint32_t>(frame) * static_cast<uint32_t>(Interval_Ms()));
}

std::optional<int64_t> Synthetic_Camera::Nose_Column(int32_t box, int32_t s) const {
  const std::optional<int32_t> zero = Physical_Start();
  if (box < 1 || box > Boxes || !zero) return std::nullopt;
  const auto& crossing = crossings_[static_cast<size_t>(box - 1)];
  if (!crossing) return std::nullopt;
  const int32_t since_zero = Mill_Difference(s, *zero);
  if (since_zero < 0) return std::nullopt;
  const double nose =
      std::floor(Finish_Column + speed_ * static_cast<double>(int64_t{since_zero} - delay_ms_ - *crossing));
  if (nose < -1e12 || nose > 1e12) return std::nullopt;
  return static_cast<int64_t>(nose);
}

std::optional<int32_t> Synthetic_Camera::Physical_Start() const {
  const int64_t p = physical_start_;
  return p == No_Instant ? std::nullopt : std::optional<int32_t>(static_cast<int32_t>(p));
}

std::optional<int32_t> Synthetic_Camera::Led_Lit_At() const {
  const int64_t l = led_lit_at_;
  return l == No_Instant ? std::nullopt : std::optional<int32_t>(static_cast<int32_t>(l));
}

void Synthetic_Camera::Set_Led(bool lit, int32_t at_mill) {
  if (lit) {
    led_out_at_ = No_Instant;
    led_lit_at_ = at_mill;
  } else if (led_lit_at_ != No_Instant) {
    led_out_at_ = at_mill;
  }
}

bool Synthetic_Camera::Led_Lit(int32_t s) const {
  // The camera sees the LED as it was D ms before: lit from L + D, out again from the moment it
  // went out + D.
  const std::optional<int32_t> lit = Led_Lit_At();
  if (!lit || int64_t{Mill_Difference(s, *lit)} - delay_ms_ < 0) return false;
  const int64_t out = led_out_at_;
  return out == No_Instant || int64_t{Mill_Difference(s, static_cast<int32_t>(out))} - delay_ms_ < 0;
}

void Synthetic_Camera::Render(int32_t sample_time, int32_t frame_number, uint8_t* out) const {
  for (int32_t y = 0; y < Height; ++y)
    std::memcpy(Row(out, y), background_row_.data(), Stride);
  // A progressive frame is drawn as two fields of one instant.
  const int32_t offset = Interlaced() ? Field_Offset_Ms : 0;
  for (int32_t field = 0; field < 2; ++field) {
    const int32_t s = static_cast<int32_t>(static_cast<uint32_t>(sample_time) + static_cast<uint32_t>(field * offset));
    for (int32_t box = 1; box <= Boxes; ++box) {
      const auto nose = Nose_Column(box, s);
      if (!nose || *nose < 0 || *nose - (Runner_Length - 1) >= Width) continue;
      const int32_t top = First_Runner_Row + Lane_Pitch * (box - 1);
      for (int32_t r = field; r < Runner_Rows; r += 2) {
        const bool stripe = box == 6 && r >= Stripe_First && r <= Stripe_Last;
        Fill(Row(out, top + r), *nose - (Runner_Length - 1), *nose,
             stripe ? Stripe : Box_Colour[static_cast<size_t>(box - 1)]);
      }
    }
    const Bgr led = Led_Lit(s) ? Led_On : Led_Off;
    // Led_Top is even, so row Led_Top + field belongs to this field.
    for (int32_t y = Led_Top + field; y <= Led_Bottom; y += 2)
      Fill(Row(out, y), Led_Left, Led_Right, led);
  }
  Draw_Stamp(out, std::to_string(sample_time) + " #" + std::to_string(frame_number));
}

bool Synthetic_Camera::Start(Video_Cap_Events& sink, QString& error) {
  if (streaming_) {
    error = QStringLiteral("The synthetic camera is already running");
    return false;
  }
  frame_.resize(Frame_Bytes);
  sink_ = &sink;
  t0_ = Mill_Now();
  next_frame_ = 0;
  dropped_ = 0;
  streaming_ = true;
  Trace_Message(QStringLiteral("*Synthetic camera, start"), t0_, stepped_ ? "stepped" : "real time");
  if (!stepped_) {
    if (!timer_) {
      timer_ = std::make_unique<QTimer>();
      timer_->setSingleShot(true);
      timer_->setTimerType(Qt::PreciseTimer);
      QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { Deliver_Due(); });
    }
    Schedule_Next();
  }
  return true;
}

void Synthetic_Camera::Stop() {
  if (timer_) timer_->stop();
  if (!streaming_) return;
  streaming_ = false;
  sink_ = nullptr;
  Trace_Message(QStringLiteral("*Synthetic camera, stop"), next_frame_, dropped_);
}

bool Synthetic_Camera::Step() {
  if (!streaming_) return false;
  Deliver(next_frame_++);
  return true;
}

void Synthetic_Camera::Deliver(int32_t frame) {
  const int32_t t = Sample_Time(frame);
  Render(t, frame, frame_.data());
  if (sink_) sink_->OnRGBEvent(t, Capture_Time_Source::Sample_Time, frame_.data(), Frame_Bytes);
}

void Synthetic_Camera::Deliver_Due() {
  // A few late frames are caught up, as a camera's queue would hold them; beyond that the
  // frames are lost, as they would be at a real source.
  constexpr int32_t Most_Per_Tick = 3;
  for (int32_t n = 0; n < Most_Per_Tick && streaming_; ++n) {
    if (Mill_Difference(Mill_Now(), Sample_Time(next_frame_)) < 0) break;
    Deliver(next_frame_++);
  }
  if (!streaming_) return;
  const int32_t behind = Mill_Difference(Mill_Now(), Sample_Time(next_frame_));
  if (behind >= Interval_Ms()) {
    const int32_t lost = behind / Interval_Ms();
    dropped_ += lost;
    next_frame_ += lost;
  }
  Schedule_Next();
}

void Synthetic_Camera::Schedule_Next() {
  if (!streaming_ || stepped_ || !timer_) return;
  timer_->start(std::max(0, Mill_Difference(Sample_Time(next_frame_), Mill_Now())));
}

Synthetic_Camera* Find_Synthetic_Camera(const Capture_Component& component) {
  for (int32_t n = component.Device_Count(); n >= 1; --n)
    if (auto* camera = dynamic_cast<Synthetic_Camera*>(component.Device_At(n))) return camera;
  return nullptr;
}
