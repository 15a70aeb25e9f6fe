#include "kit/phidget_library.h"

#include <dlfcn.h>

namespace phidget22 {

namespace {

template <class F> bool resolve(void* handle, const char* name, F& slot, QString& error) {
  ::dlerror();
  void* symbol = ::dlsym(handle, name);
  if (!symbol) {
    error = QStringLiteral("The kit's library has no function %1").arg(QString::fromLatin1(name));
    return false;
  }
  slot = reinterpret_cast<F>(symbol);
  return true;
}

QString text_of(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

} // namespace

std::shared_ptr<const Library> Library::Load(const QString& file_name, QString& error) {
  ::dlerror();
  // Never unloaded: the library's threads outlive the last channel we delete.
  void* handle = ::dlopen(file_name.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) {
    const char* reason = ::dlerror();
    error = reason ? QString::fromLocal8Bit(reason) : QStringLiteral("%1 cannot be loaded").arg(file_name);
    return nullptr;
  }
  std::shared_ptr<Library> library(new Library);
  library->handle_ = handle;
  Api& a = library->api_;
#define DORAVENT_RESOLVE(name)                                                                                         \
  if (!resolve(handle, #name, a.name, error)) return nullptr;
  DORAVENT_RESOLVE(Phidget_getLibraryVersion)
  DORAVENT_RESOLVE(Phidget_getErrorDescription)
  DORAVENT_RESOLVE(Phidget_setChannel)
  DORAVENT_RESOLVE(Phidget_setOnAttachHandler)
  DORAVENT_RESOLVE(Phidget_setOnDetachHandler)
  DORAVENT_RESOLVE(Phidget_open)
  DORAVENT_RESOLVE(Phidget_close)
  DORAVENT_RESOLVE(Phidget_getDeviceSerialNumber)
  DORAVENT_RESOLVE(Phidget_getDeviceName)
  DORAVENT_RESOLVE(Phidget_getDeviceVersion)
  DORAVENT_RESOLVE(PhidgetDigitalInput_create)
  DORAVENT_RESOLVE(PhidgetDigitalInput_delete)
  DORAVENT_RESOLVE(PhidgetDigitalInput_setOnStateChangeHandler)
  DORAVENT_RESOLVE(PhidgetDigitalInput_getState)
  DORAVENT_RESOLVE(PhidgetDigitalOutput_create)
  DORAVENT_RESOLVE(PhidgetDigitalOutput_delete)
  DORAVENT_RESOLVE(PhidgetDigitalOutput_setState)
  DORAVENT_RESOLVE(PhidgetDigitalOutput_getState)
#undef DORAVENT_RESOLVE
  return library;
}

Library::~Library() {
  if (handle_) ::dlclose(handle_);
}

QString Library::Error_Text(int code) const {
  const char* text = nullptr;
  if (api_.Phidget_getErrorDescription(code, &text) == Return_Ok && text && *text) return text_of(text);
  return QStringLiteral("error %1").arg(code);
}

QString Library::Version() const {
  const char* text = nullptr;
  if (api_.Phidget_getLibraryVersion(&text) != Return_Ok) return {};
  return text_of(text);
}

} // namespace phidget22
