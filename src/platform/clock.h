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

// nullptr restores the system clock. The caller keeps ownership. Returns the clock installed
// before, so a temporary clock can put it back.
const Clock* install_clock(const Clock* clock);

int32_t Mill_Now();
// Milliseconds from `from` to `to` on Mill_Now's clock, which wraps at 32 bits: the difference is
// taken modulo 2^32, so a span across the wrap keeps its true length.
inline int32_t Mill_Difference(int32_t to, int32_t from) {
  return static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
}
// True when a click at `now` comes at least `gap` ms after the last accepted one. A negative
// distance is a last click more than half the clock's range ago.
inline bool Click_Accepted(int32_t now, int32_t last, int32_t gap) {
  const int32_t since = Mill_Difference(now, last);
  return since < 0 || since >= gap;
}
// Milliseconds since local midnight.
int32_t Local_Mill_Now();
QDateTime Local_Now();
