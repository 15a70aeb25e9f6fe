#include "timing/subfield_time.h"

#include <algorithm>
#include <cmath>

int32_t Line_Pixel_At(const Goal_Line& line, int32_t y) {
  if (line.y1 == line.y2) return line.x1;
  const double t = static_cast<double>(y - line.y1) / static_cast<double>(line.y2 - line.y1);
  return static_cast<int32_t>(std::lround(line.x1 + t * (line.x2 - line.x1)));
}

std::optional<Subfield_Result> Interpolate_Marks(const Nose_Mark& a, const Nose_Mark& b, const Goal_Line& line,
                                                 QString& why) {
  if (a.instant == b.instant) {
    why = QStringLiteral("Both marks are on the same picture: mark the nose on the field before the line and on the "
                         "field after it.");
    return std::nullopt;
  }
  const Nose_Mark& before = a.instant < b.instant ? a : b;
  const Nose_Mark& after = a.instant < b.instant ? b : a;
  // The runner moves from the earlier mark towards the later one.
  const int32_t direction = after.x >= before.x ? 1 : -1;
  // Signed distance of each nose's edge past its row's line pixel: a nose on the line pixel is
  // half a pixel past.
  const auto past = [&](const Nose_Mark& m) { return direction * (m.x - Line_Pixel_At(line, m.y)) + 0.5; };
  const double d_before = past(before), d_after = past(after);
  if (!(d_before < 0 && d_after > 0)) {
    why = QStringLiteral("The marks must lie on either side of the line: the nose before it in the earlier field, "
                         "at or past it in the later one.");
    return std::nullopt;
  }
  const double span = static_cast<double>(after.instant - before.instant);
  const double speed = (d_after - d_before) / span; // pixels per ms
  Subfield_Result r;
  r.before_instant = before.instant;
  r.after_before_ms = -d_before / speed;
  // Each mark may be off by half a pixel either way.
  r.uncertainty_ms = std::max(0.1, std::round(1.0 / speed * 10) / 10);
  r.after_value = after.slider_value;
  r.field_time_ms = after.field_time_ms;
  return r;
}
