#pragma once
// The vendor's C library, loaded at run time: only the functions the kit calls, all found before
// anything is created. Kept loaded for the rest of the run once opened, because its own threads
// may still be running code from it.
#include <QString>
#include <cstdint>
#include <memory>

namespace phidget22 {

// Opaque handles of the C interface; a digital input or output handle is also a channel handle.
struct Channel;
struct Digital_Input;
struct Digital_Output;

inline constexpr int Return_Ok = 0;

using Attach_Callback = void (*)(Channel* channel, void* context);
using State_Change_Callback = void (*)(Digital_Input* channel, void* context, int state);

struct Api {
  int (*Phidget_getLibraryVersion)(const char** version) = nullptr;
  int (*Phidget_getErrorDescription)(int code, const char** text) = nullptr;
  int (*Phidget_setChannel)(Channel* channel, int index) = nullptr;
  int (*Phidget_setOnAttachHandler)(Channel* channel, Attach_Callback callback, void* context) = nullptr;
  int (*Phidget_setOnDetachHandler)(Channel* channel, Attach_Callback callback, void* context) = nullptr;
  int (*Phidget_open)(Channel* channel) = nullptr;
  int (*Phidget_close)(Channel* channel) = nullptr;
  int (*Phidget_getDeviceSerialNumber)(Channel* channel, int32_t* serial) = nullptr;
  int (*Phidget_getDeviceName)(Channel* channel, const char** name) = nullptr;
  int (*Phidget_getDeviceVersion)(Channel* channel, int* version) = nullptr;
  int (*PhidgetDigitalInput_create)(Digital_Input** channel) = nullptr;
  int (*PhidgetDigitalInput_delete)(Digital_Input** channel) = nullptr;
  int (*PhidgetDigitalInput_setOnStateChangeHandler)(Digital_Input* channel, State_Change_Callback callback,
                                                     void* context) = nullptr;
  int (*PhidgetDigitalInput_getState)(Digital_Input* channel, int* state) = nullptr;
  int (*PhidgetDigitalOutput_create)(Digital_Output** channel) = nullptr;
  int (*PhidgetDigitalOutput_delete)(Digital_Output** channel) = nullptr;
  int (*PhidgetDigitalOutput_setState)(Digital_Output* channel, int state) = nullptr;
  int (*PhidgetDigitalOutput_getState)(Digital_Output* channel, int* state) = nullptr;
};

class Library {
public:
  // nullptr with the reason when the library cannot be loaded or lacks one of the functions.
  static std::shared_ptr<const Library> Load(const QString& file_name, QString& error);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  const Api& api() const { return api_; }
  // The library's text for a return code, or the code's number when it has none.
  QString Error_Text(int code) const;
  QString Version() const;

private:
  Library() = default;
  void* handle_ = nullptr;
  Api api_;
};

inline Channel* as_channel(Digital_Input* input) { return reinterpret_cast<Channel*>(input); }
inline Channel* as_channel(Digital_Output* output) { return reinterpret_cast<Channel*>(output); }

} // namespace phidget22
