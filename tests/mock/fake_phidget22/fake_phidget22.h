#pragma once
// The test's side of the fake kit library: one simulated device with 8 inputs and 8 outputs.
// Attach, detach and input changes are raised on a thread of the library's own, as the vendor's
// library does; each call returns when its callbacks have run.
extern "C" {
// Forgets every channel and unplugs the device (the library stays loaded between tests).
void fake_phidget22_reset();
// Plugs the device in: every open channel attaches, and each input reports its state.
void fake_phidget22_plug(int serial_number);
void fake_phidget22_unplug();
// A contact on the device; open channels on that input report it.
void fake_phidget22_set_input(int index, int state);
// The device's output as the program last set it.
int fake_phidget22_output(int index);
// Channel objects created and not yet deleted, and those open.
int fake_phidget22_live_channels();
int fake_phidget22_open_channels();
// The next Phidget_open returns this code (0: succeeds again).
void fake_phidget22_fail_next_open(int code);
}

// Functions the driver resolves: the library is reached through dlopen by the test, the same way
// the program reaches it.
inline constexpr const char* Fake_Phidget22_Functions[] = {
    "fake_phidget22_reset",         "fake_phidget22_plug",           "fake_phidget22_unplug",
    "fake_phidget22_set_input",     "fake_phidget22_output",         "fake_phidget22_live_channels",
    "fake_phidget22_open_channels", "fake_phidget22_fail_next_open",
};
