// A stand-in for the kit vendor's C library, exporting the functions the program resolves.
// Without FAKE_PHIDGET22_INCOMPLETE; with it, PhidgetDigitalOutput_setState is missing.
#include "fake_phidget22.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

enum Code { Ok = 0, Invalid_Arg = 4, Not_Attached = 5, Wrong_Device = 17, Closed = 18 };

using Attach_Callback = void (*)(void* channel, void* context);
using State_Callback = void (*)(void* channel, void* context, int state);

struct Channel {
  bool input = true;
  int index = -1;
  bool open = false;
  bool attached = false;
  Attach_Callback on_attach = nullptr;
  void* attach_context = nullptr;
  Attach_Callback on_detach = nullptr;
  void* detach_context = nullptr;
  State_Callback on_state = nullptr;
  void* state_context = nullptr;
};

struct Device {
  bool plugged = false;
  int serial = 0;
  int inputs[8] = {};
  int outputs[8] = {};
};

std::mutex mutex;
std::vector<std::unique_ptr<Channel>> channels;
Device device;
int fail_next_open = 0;

bool live(const Channel* c) {
  return std::any_of(channels.begin(), channels.end(), [c](const auto& p) { return p.get() == c; });
}

bool on_device(const Channel& c) { return c.index >= 0 && c.index < 8; }

// One callback to make, collected under the lock and made without it.
struct Call {
  Channel* channel;
  enum { Attach, Detach, State } kind;
  int state;
  Attach_Callback attach;
  State_Callback changed;
  void* context;
};

void run(const std::vector<Call>& calls) {
  for (const Call& c : calls) {
    if (c.kind == Call::State) {
      if (c.changed) c.changed(c.channel, c.context, c.state);
    } else if (c.attach) {
      c.attach(c.channel, c.context);
    }
  }
}

// As the vendor's library: callbacks come from a thread that is not the caller's.
void raise(std::vector<Call> calls) {
  if (calls.empty()) return;
  std::thread worker([calls = std::move(calls)] { run(calls); });
  worker.join();
}

// Attaches one channel (lock held): its attach, then its state as an input reports it.
void attach(Channel& c, std::vector<Call>& calls) {
  if (!c.open || c.attached || !device.plugged || !on_device(c)) return;
  c.attached = true;
  calls.push_back({&c, Call::Attach, 0, c.on_attach, nullptr, c.attach_context});
  if (c.input) calls.push_back({&c, Call::State, device.inputs[c.index], nullptr, c.on_state, c.state_context});
}

Channel* channel_of(void* handle) {
  auto* c = static_cast<Channel*>(handle);
  return c && live(c) ? c : nullptr;
}

int create(void** handle, bool input) {
  if (!handle) return Invalid_Arg;
  std::lock_guard lock(mutex);
  auto c = std::make_unique<Channel>();
  c->input = input;
  *handle = c.get();
  channels.push_back(std::move(c));
  return Ok;
}

int destroy(void** handle) {
  if (!handle) return Invalid_Arg;
  std::lock_guard lock(mutex);
  auto it = std::find_if(channels.begin(), channels.end(), [&](const auto& p) { return p.get() == *handle; });
  if (it == channels.end()) return Invalid_Arg;
  channels.erase(it);
  *handle = nullptr;
  return Ok;
}

} // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT int Phidget_getLibraryVersion(const char** version) {
  if (!version) return Invalid_Arg;
  *version = "Fake kit library 22.1";
  return Ok;
}

EXPORT int Phidget_getErrorDescription(int code, const char** text) {
  if (!text) return Invalid_Arg;
  switch (code) {
  case Invalid_Arg: *text = "Invalid Argument"; break;
  case Not_Attached: *text = "Not Attached"; break;
  case Wrong_Device: *text = "Wrong Device"; break;
  case Closed: *text = "Closed"; break;
  default: return Invalid_Arg;
  }
  return Ok;
}

EXPORT int Phidget_setChannel(void* handle, int index) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c) return Invalid_Arg;
  c->index = index;
  return Ok;
}

EXPORT int Phidget_setOnAttachHandler(void* handle, Attach_Callback callback, void* context) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c) return Invalid_Arg;
  c->on_attach = callback;
  c->attach_context = context;
  return Ok;
}

EXPORT int Phidget_setOnDetachHandler(void* handle, Attach_Callback callback, void* context) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c) return Invalid_Arg;
  c->on_detach = callback;
  c->detach_context = context;
  return Ok;
}

EXPORT int Phidget_open(void* handle) {
  std::vector<Call> calls;
  {
    std::lock_guard lock(mutex);
    Channel* c = channel_of(handle);
    if (!c) return Invalid_Arg;
    if (fail_next_open != 0) {
      const int code = fail_next_open;
      fail_next_open = 0;
      return code;
    }
    c->open = true;
    attach(*c, calls);
  }
  raise(std::move(calls));
  return Ok;
}

// Closing an attached channel reports its detach on the caller's thread, before returning.
EXPORT int Phidget_close(void* handle) {
  std::vector<Call> calls;
  {
    std::lock_guard lock(mutex);
    Channel* c = channel_of(handle);
    if (!c) return Invalid_Arg;
    if (!c->open) return Closed;
    if (c->attached) calls.push_back({c, Call::Detach, 0, c->on_detach, nullptr, c->detach_context});
    c->open = false;
    c->attached = false;
  }
  run(calls);
  return Ok;
}

EXPORT int Phidget_getDeviceSerialNumber(void* handle, int32_t* serial) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c || !serial) return Invalid_Arg;
  if (!c->attached) return Not_Attached;
  *serial = device.serial;
  return Ok;
}

EXPORT int Phidget_getDeviceName(void* handle, const char** name) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c || !name) return Invalid_Arg;
  if (!c->attached) return Not_Attached;
  *name = "Fake interface kit 8/8/8";
  return Ok;
}

EXPORT int Phidget_getDeviceVersion(void* handle, int* version) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c || !version) return Invalid_Arg;
  if (!c->attached) return Not_Attached;
  *version = 906;
  return Ok;
}

EXPORT int PhidgetDigitalInput_create(void** handle) { return create(handle, true); }
EXPORT int PhidgetDigitalInput_delete(void** handle) { return destroy(handle); }

EXPORT int PhidgetDigitalInput_setOnStateChangeHandler(void* handle, State_Callback callback, void* context) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c || !c->input) return Invalid_Arg;
  c->on_state = callback;
  c->state_context = context;
  return Ok;
}

EXPORT int PhidgetDigitalInput_getState(void* handle, int* state) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c || !state || !c->input) return Invalid_Arg;
  if (!c->attached) return Not_Attached;
  *state = device.inputs[c->index];
  return Ok;
}

EXPORT int PhidgetDigitalOutput_create(void** handle) { return create(handle, false); }
EXPORT int PhidgetDigitalOutput_delete(void** handle) { return destroy(handle); }

#ifndef FAKE_PHIDGET22_INCOMPLETE
EXPORT int PhidgetDigitalOutput_setState(void* handle, int state) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c || c->input) return Invalid_Arg;
  if (!c->attached) return Not_Attached;
  device.outputs[c->index] = state != 0 ? 1 : 0;
  return Ok;
}
#endif

EXPORT int PhidgetDigitalOutput_getState(void* handle, int* state) {
  std::lock_guard lock(mutex);
  Channel* c = channel_of(handle);
  if (!c || !state || c->input) return Invalid_Arg;
  if (!c->attached) return Not_Attached;
  *state = device.outputs[c->index];
  return Ok;
}

// The test's side.

EXPORT void fake_phidget22_reset() {
  std::lock_guard lock(mutex);
  channels.clear();
  device = Device{};
  fail_next_open = 0;
}

EXPORT void fake_phidget22_plug(int serial_number) {
  std::vector<Call> calls;
  {
    std::lock_guard lock(mutex);
    if (device.plugged) return;
    device.plugged = true;
    device.serial = serial_number;
    for (auto& c : channels)
      attach(*c, calls);
  }
  raise(std::move(calls));
}

EXPORT void fake_phidget22_unplug() {
  std::vector<Call> calls;
  {
    std::lock_guard lock(mutex);
    if (!device.plugged) return;
    device.plugged = false;
    std::fill(std::begin(device.outputs), std::end(device.outputs), 0);
    for (auto& c : channels) {
      if (!c->attached) continue;
      c->attached = false;
      calls.push_back({c.get(), Call::Detach, 0, c->on_detach, nullptr, c->detach_context});
    }
  }
  raise(std::move(calls));
}

EXPORT void fake_phidget22_set_input(int index, int state) {
  std::vector<Call> calls;
  {
    std::lock_guard lock(mutex);
    if (index < 0 || index >= 8) return;
    device.inputs[index] = state != 0 ? 1 : 0;
    for (auto& c : channels)
      if (c->input && c->attached && c->index == index)
        calls.push_back({c.get(), Call::State, device.inputs[index], nullptr, c->on_state, c->state_context});
  }
  raise(std::move(calls));
}

EXPORT int fake_phidget22_output(int index) {
  std::lock_guard lock(mutex);
  return index >= 0 && index < 8 ? device.outputs[index] : 0;
}

EXPORT int fake_phidget22_live_channels() {
  std::lock_guard lock(mutex);
  return static_cast<int>(channels.size());
}

EXPORT int fake_phidget22_open_channels() {
  std::lock_guard lock(mutex);
  return static_cast<int>(std::count_if(channels.begin(), channels.end(), [](const auto& c) { return c->open; }));
}

EXPORT void fake_phidget22_fail_next_open(int code) {
  std::lock_guard lock(mutex);
  fail_next_open = code;
}
