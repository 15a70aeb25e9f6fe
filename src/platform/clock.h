#pragma once
#include <QDateTime>
#include <cstdint>

// One replaceable clock so tests can drive time.
class Clock {
public:
  virtual ~Clock() = default;
  // Multimedia-timer milliseconds: monotonic, wrapping 32-bit signed.
  virtual int32_t mill_now() const = 0;
  virtual QDateTime local_now() const = 0;
};

// nullptr restores the system clock. The caller keeps ownership.
void install_clock(const Clock* clock);

int32_t Mill_Now();
// later - earlier on the wrapping millisecond clock: right across a wrap of the 32-bit value.
inline int32_t Mill_Difference(int32_t later, int32_t earlier) {
  return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}
// Milliseconds since local midnight.
int32_t Local_Mill_Now();
QDateTime Local_Now();
