#include "platform/clock.h"

#include <atomic>
#include <ctime>

namespace {

class System_Clock final : public Clock {
public:
  int32_t mill_now() const override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms = static_cast<uint64_t>(ts.tv_sec) * 1000U + static_cast<uint64_t>(ts.tv_nsec) / 1000000U;
    return static_cast<int32_t>(static_cast<uint32_t>(ms));
  }
  QDateTime local_now() const override { return QDateTime::currentDateTime(); }
};

const System_Clock system_clock;
// Read by the kit's and the encoders' threads too.
std::atomic<const Clock*> current{&system_clock};

} // namespace

const Clock* install_clock(const Clock* clock) { return current.exchange(clock ? clock : &system_clock); }

int32_t Mill_Now() { return current.load()->mill_now(); }

QDateTime Local_Now() { return current.load()->local_now(); }

int32_t Local_Mill_Now() { return current.load()->local_now().time().msecsSinceStartOfDay(); }
