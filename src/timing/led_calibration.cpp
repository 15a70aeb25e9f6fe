#include "timing/led_calibration.h"

#include "platform/clock.h"
#include "recording/jpeg_region.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// The LED must change by at least this much (a colour distance) to be seen lighting.
constexpr double Least_Change = 40;

struct Colour {
  double r = 0, g = 0, b = 0;
  double Luma() const { return 0.299 * r + 0.587 * g + 0.114 * b; }
  double Distance(const Colour& o) const {
    return std::sqrt((r - o.r) * (r - o.r) + (g - o.g) * (g - o.g) + (b - o.b) * (b - o.b));
  }
};

struct Sample {
  int32_t column = 0;
  int16_t frame = 0;
  int16_t field = 1;
  int32_t capture_mill = 0;
  Colour colour;
};

} // namespace

std::optional<Led_Rect> Parse_Led_Rect(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 4) return std::nullopt;
  int32_t v[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    v[i] = parts[i].trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
  }
  if (v[2] <= 0 || v[3] <= 0) return std::nullopt;
  return Led_Rect{v[0], v[1], v[2], v[3]};
}

QString Format_Led_Rect(const Led_Rect& rect) {
  return QStringLiteral("%1,%2,%3,%4").arg(rect.x).arg(rect.y).arg(rect.w).arg(rect.h);
}

Led_Trial Calibrate_Led(const Recording_Layout& layout, const Led_Rect& rect, int32_t start_mill,
                        const std::atomic<bool>* cancel) {
  Led_Trial trial;
  Record_Reader reader;
  if (!reader.Open(layout, trial.why)) return trial;
  // The rectangle in the decoded picture (a rotated recording is shown turned clockwise).
  int64_t left = rect.x, top = rect.y, right = int64_t{rect.x} + rect.w - 1, bottom = int64_t{rect.y} + rect.h - 1;
  if (layout.rotated) {
    left = rect.y;
    right = int64_t{rect.y} + rect.h - 1;
    top = layout.height - 1 - (int64_t{rect.x} + rect.w - 1);
    bottom = layout.height - 1 - int64_t{rect.x};
  }
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, layout.width - 1);
  bottom = std::min<int64_t>(bottom, layout.height - 1);
  const int32_t fields = layout.interlaced ? 2 : 1;
  if (left > right || top > bottom || (fields == 2 && bottom == top)) {
    trial.why = QStringLiteral("The LED's place lies outside the picture");
    return trial;
  }
  Jpeg_Region_Decoder decoder;
  std::vector<Sample> samples;
  const int64_t raw_stride = (int64_t{layout.width} * 3 + 3) & ~int64_t{3};
  for (int32_t frame = 1; frame <= layout.frame_count; ++frame) {
    if (cancel && cancel->load(std::memory_order_relaxed)) {
      trial.why = QStringLiteral("cancelled");
      return trial;
    }
    if (!reader.Read(static_cast<int16_t>(frame))) continue;
    const uint8_t* raw = reader.Picture_Bytes();
    if (layout.jpeg) {
      if (decoder.Decode(reader.Picture_Bytes(), reader.Picture_Length(), layout.width, layout.height,
                         static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
                         static_cast<int32_t>(bottom)) != Jpeg_Region_Decoder::Outcome::Ok)
        continue;
    } else if (raw_stride * layout.height > reader.Picture_Length()) {
      continue;
    }
    const auto pixel = [&](int64_t x, int64_t y) {
      return layout.jpeg ? decoder.Pixel(static_cast<int32_t>(x), static_cast<int32_t>(y))
                         : raw + (layout.height - 1 - y) * raw_stride + x * 3;
    };
    for (int32_t f = 0; f < fields; ++f) {
      Sample s;
      s.column = fields == 2 ? 2 * (frame - 1) + f : frame - 1;
      s.frame = static_cast<int16_t>(frame);
      s.field = static_cast<int16_t>(f + 1);
      s.capture_mill = reader.Fields().capture_mill;
      double n = 0;
      for (int64_t y = top; y <= bottom; ++y) {
        if (fields == 2 && (y % 2) != f) continue;
        for (int64_t x = left; x <= right; ++x) {
          const uint8_t* bgr = pixel(x, y);
          s.colour.b += bgr[0];
          s.colour.g += bgr[1];
          s.colour.r += bgr[2];
          n += 1;
        }
      }
      if (n <= 0) continue;
      s.colour = {s.colour.r / n, s.colour.g / n, s.colour.b / n};
      samples.push_back(s);
    }
  }
  if (samples.empty()) {
    trial.why = QStringLiteral("No picture of the recording could be read");
    return trial;
  }
  // Dark at first; lit once it has come more than half way to its brightest change.
  const Colour dark = samples.front().colour;
  double most = 0;
  for (const Sample& s : samples)
    if (s.colour.Luma() > dark.Luma()) most = std::max(most, s.colour.Distance(dark));
  if (most < Least_Change) {
    trial.why = QStringLiteral("The LED does not light in this recording: record from before the start");
    return trial;
  }
  for (const Sample& s : samples) {
    if (s.colour.Luma() <= dark.Luma() || s.colour.Distance(dark) < most / 2) continue;
    trial.found = true;
    trial.column = s.column;
    trial.field_number = s.column + 1;
    trial.frame = s.frame;
    trial.field_in_frame = s.field;
    trial.delay_ms = Mill_Difference(s.capture_mill, start_mill) +
                     (s.field == 2 ? static_cast<int32_t>(std::lround(layout.field_interval_ms)) : 0);
    return trial;
  }
  trial.why = QStringLiteral("The LED does not light in this recording");
  return trial;
}

std::optional<Delay_Proposal> Propose_Delay(const std::vector<int32_t>& delays_ms) {
  if (delays_ms.empty()) return std::nullopt;
  Delay_Proposal p;
  p.trials = static_cast<int32_t>(delays_ms.size());
  const auto [low, high] = std::minmax_element(delays_ms.begin(), delays_ms.end());
  p.delay_ms = *low;
  p.spread_ms = *high - *low;
  p.mean_ms = std::accumulate(delays_ms.begin(), delays_ms.end(), 0.0) / static_cast<double>(delays_ms.size());
  return p;
}
