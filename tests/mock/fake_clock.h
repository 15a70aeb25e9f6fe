#pragma once
#include "platform/clock.h"

// A clock the test moves by hand; installed for the lifetime of the object.
class Fake_Clock final : public Clock {
public:
  Fake_Clock() { install_clock(this); }
  ~Fake_Clock() override { install_clock(nullptr); }
  Fake_Clock(const Fake_Clock&) = delete;
  Fake_Clock& operator=(const Fake_Clock&) = delete;

  int32_t mill_now() const override { return mill; }
  QDateTime local_now() const override { return local; }
  void advance(int32_t ms) {
    mill = static_cast<int32_t>(static_cast<uint32_t>(mill) + static_cast<uint32_t>(ms));
    local = local.addMSecs(ms);
  }

  int32_t mill = 1000;
  QDateTime local{QDate(2026, 5, 17), QTime(14, 30, 0)};
};
