#include "timing/navigation.h"

#include "platform/number_text.h"
#include "timing/run_time.h"

#include <algorithm>

bool Field_Mode_For(const QString& measured_fps, bool interlaced) {
  return interlaced && Leading_Number(measured_fps) <= 40;
}

Scan_End Scan(const Scan_Setup& setup, const std::function<Scan_Picture(int32_t value)>& picture,
              const std::function<std::optional<int32_t>(int16_t frame)>& stamp,
              const std::function<bool(int32_t run_time)>& reached) {
  int32_t current = setup.shown_stamp;
  int16_t current_frame = 0;
  bool stamp_here = true;
  Scan_End end;
  end.value = setup.first;
  for (int64_t v = setup.first; v <= setup.last; v += std::max(setup.step, 1)) {
    const auto value = static_cast<int32_t>(v);
    const Scan_Picture at = picture(value);
    const std::optional<int32_t> own = stamp(at.frame);
    if (own) {
      current = *own;
      current_frame = at.frame;
    }
    stamp_here = own.has_value();
    end.value = value;
    end.heat_elapsed =
        Picture_Run_Time(current, setup.start_mill, at.field, setup.compensation_ms, setup.field_interval_ms);
    end.reached = reached(end.heat_elapsed);
    if (end.reached) break;
  }
  end.carried_frame = stamp_here ? 0 : current_frame;
  return end;
}
