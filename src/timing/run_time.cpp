#include "timing/run_time.h"

#include "platform/clock.h"
#include "timing/result_ranking.h"

#include <algorithm>
#include <cmath>
#include <limits>

int32_t Picture_Run_Time(int32_t capture_mill, int32_t start_mill, int16_t field_to_show, double compensation_ms,
                         double field_interval_ms) {
  double elapsed = static_cast<double>(Mill_Difference(capture_mill, start_mill)) + 2;
  if (field_to_show == 2) elapsed += field_interval_ms;
  elapsed = std::nearbyint(elapsed - compensation_ms);
  if (std::isnan(elapsed)) return 0;
  constexpr auto low = static_cast<double>(std::numeric_limits<int32_t>::min());
  constexpr auto high = static_cast<double>(std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(std::clamp(elapsed, low, high));
}

int32_t Box_Button_Time(int32_t elapsed_ms, bool plus_hundredth) {
  const int64_t time = int64_t{elapsed_ms} + (plus_hundredth ? 10 : 0);
  return static_cast<int32_t>(std::min<int64_t>(time, std::numeric_limits<int32_t>::max()));
}

int32_t No_Time_Code(const QString& caption) {
  if (caption == QStringLiteral("DSQ")) return Code_Disqualified;
  if (caption == QStringLiteral("DNF")) return Code_Did_Not_Finish;
  return Code_No_Rank;
}
