#pragma once
// Video devices arriving and leaving while the program runs. The capture component rebuilds
// its device list when told; tests tell it through a fake monitor.
#include <functional>
#include <memory>

class Device_Monitor {
public:
  virtual ~Device_Monitor() = default;
  // Called on the user-interface thread once a burst of arrivals and departures has settled.
  virtual void set_Handler(std::function<void()> changed) = 0;
};

// The kernel's video4linux events through libudev; nullptr, after a trace, when it cannot listen.
std::unique_ptr<Device_Monitor> Make_Udev_Monitor();
