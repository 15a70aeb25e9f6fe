#pragma once
#include "platform/clock.h"

#include <QDateTime>
#include <atomic>
#include <mutex>

// A clock the test moves by hand; installed for the lifetime of the object. The simulated kit
// reads it on its own thread while the test moves it on the main one.
class Fake_Clock final : public Clock {
public:
  Fake_Clock() { install_clock(this); }
  ~Fake_Clock() override { install_clock(nullptr); }
  Fake_Clock(const Fake_Clock&) = delete;
  Fake_Clock& operator=(const Fake_Clock&) = delete;

  int32_t mill_now() const override { return std::atomic_ref<int32_t>(mill).load(); }
  QDateTime local_now() const override {
    const std::lock_guard lock(local_mutex_);
    return local;
  }
  void advance(int32_t ms) {
    std::atomic_ref<int32_t>(mill).store(static_cast<int32_t>(static_cast<uint32_t>(mill) + static_cast<uint32_t>(ms)));
    const std::lock_guard lock(local_mutex_);
    local = local.addMSecs(ms);
  }

  // Tests that set these directly do so while no other thread reads the clock.
  alignas(std::atomic_ref<int32_t>::required_alignment) mutable int32_t mill = 1000;
  QDateTime local{QDate(2026, 5, 17), QTime(14, 30, 0)};

private:
  mutable std::mutex local_mutex_;
};
