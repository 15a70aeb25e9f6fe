#include "capture/frame_clock.h"

#include "platform/clock.h"

#include <algorithm>

void Frame_Clock::Reset(int64_t interval_us, int32_t backlog) {
  *this = Frame_Clock{};
  interval_us_ = interval_us > 0 ? interval_us : 0;
  backlog_ = backlog > 0 ? backlog : 0;
}

int32_t Frame_Clock::Last_Mill() const {
  return static_cast<int32_t>(static_cast<uint32_t>(first_mill_) + static_cast<uint32_t>(elapsed_us_ / 1000));
}

int64_t Frame_Clock::Us_Of(int32_t mill) const {
  return elapsed_us_ - elapsed_us_ % 1000 + int64_t{Mill_Difference(mill, Last_Mill())} * 1000;
}

Frame_Clock::Time Frame_Clock::Frame_Time(int32_t arrival_mill, uint32_t sequence, std::optional<int32_t> driver_mill) {
  if (!started_) {
    started_ = true;
    const bool plausible = driver_mill && Mill_Difference(arrival_mill, *driver_mill) >= -1 &&
                           Mill_Difference(arrival_mill, *driver_mill) <= Most_Stamp_Age_Ms;
    if (driver_mill && !plausible) refused_ = true;
    first_mill_ = plausible ? *driver_mill : arrival_mill;
    last_sequence_ = sequence;
    return {first_mill_, plausible};
  }
  const uint32_t steps = sequence - last_sequence_;
  last_sequence_ = sequence;
  if (driver_mill) {
    const int32_t age = Mill_Difference(arrival_mill, *driver_mill);
    const int64_t stamp_us = Us_Of(*driver_mill);
    // Both clocks are read in whole milliseconds, so a stamp may seem one ahead.
    if (age >= -1 && age <= Most_Stamp_Age_Ms && stamp_us > elapsed_us_) {
      elapsed_us_ = stamp_us;
      spaced_run_ = 0;
      return {Last_Mill(), true};
    }
    refused_ = true;
  }
  const int64_t arrived_us = Us_Of(arrival_mill);
  // A driver that does not count its frames says the same number each time: one frame on.
  const int64_t spaced_us = elapsed_us_ + int64_t{steps == 0 || steps > 1000 ? 1U : steps} * interval_us_;
  int64_t t = arrived_us;
  if (interval_us_ > 0 && spaced_run_ < backlog_ && spaced_us < arrived_us) {
    t = spaced_us;
    ++spaced_run_;
  } else {
    spaced_run_ = 0;
  }
  // Never back in time, even after a stamp that seemed a millisecond ahead of the reading.
  elapsed_us_ = std::max(t, elapsed_us_ + 1000);
  return {Last_Mill(), false};
}
