#include "kit/phidget_kit.h"

#include "kit/phidget_library.h"
#include "platform/trace.h"

#include <QObject>
#include <array>
#include <mutex>
#include <stdexcept>

using namespace phidget22;

namespace {

// Channels 0..5 are the inputs, 6 the output.
constexpr int32_t Channel_Count = Kit_Inputs + Kit_Outputs;
constexpr int32_t Output_Slot = Kit_Inputs;

enum class Library_Event { Attach, Detach, State };

class Phidget_Kit final : public Interface_Kit {
public:
  explicit Phidget_Kit(std::shared_ptr<const Library> library)
      : library_(std::move(library)), relay_(std::make_unique<QObject>()) {
    for (int32_t slot = 0; slot < Channel_Count; ++slot)
      contexts_[static_cast<size_t>(slot)] = {this, slot};
  }
  ~Phidget_Kit() override { Close(); }
  Phidget_Kit(const Phidget_Kit&) = delete;
  Phidget_Kit& operator=(const Phidget_Kit&) = delete;

  void set_Events(Interface_Kit_Events* events) override { events_ = events; }

  bool Open(QString& error) override {
    if (open_) return true;
    try {
      create_channels();
      const Api& a = library_->api();
      for (int32_t slot = 0; slot < Channel_Count; ++slot) {
        Channel* ch = channel(slot);
        void* context = &contexts_[static_cast<size_t>(slot)];
        check(a.Phidget_setChannel(ch, slot == Output_Slot ? 0 : slot), "Phidget_setChannel");
        check(a.Phidget_setOnAttachHandler(ch, &on_attach, context), "Phidget_setOnAttachHandler");
        check(a.Phidget_setOnDetachHandler(ch, &on_detach, context), "Phidget_setOnDetachHandler");
        if (slot != Output_Slot)
          check(a.PhidgetDigitalInput_setOnStateChangeHandler(inputs_[static_cast<size_t>(slot)], &on_state, context),
                "PhidgetDigitalInput_setOnStateChangeHandler");
      }
      {
        // From here on the library's threads may post events.
        std::lock_guard lock(post_mutex_);
        posting_ = true;
      }
      open_ = true;
      for (int32_t slot = 0; slot < Channel_Count; ++slot)
        check(a.Phidget_open(channel(slot)), "Phidget_open");
      return true;
    } catch (const std::exception& failure) {
      error = QString::fromStdString(failure.what());
      Close();
      return false;
    }
  }

  void Close() override {
    {
      std::lock_guard lock(post_mutex_);
      posting_ = false;
      // Events already queued belong to the closed session.
      ++generation_;
    }
    const Api& a = library_->api();
    for (auto& input : inputs_) {
      if (!input) continue;
      if (open_) a.Phidget_close(as_channel(input));
      a.PhidgetDigitalInput_delete(&input);
      input = nullptr;
    }
    if (output_) {
      if (open_) a.Phidget_close(as_channel(output_));
      a.PhidgetDigitalOutput_delete(&output_);
      output_ = nullptr;
    }
    open_ = false;
    attached_ = false;
    channel_attached_.fill(false);
    inputs_known_.fill(false);
    serial_ = 0;
    output_set_ = false;
  }

  bool IsAttached() const override { return attached_; }
  int32_t SerialNumber() const override { return attached_ ? serial_ : 0; }
  QString LibraryVersion() const override { return library_->Version(); }
  QString DeviceName() const override { return device_name_; }
  QString DeviceVersion() const override { return device_version_; }

  bool Input(int32_t index) const override {
    if (!attached_ || index < 0 || index >= Kit_Inputs) return false;
    return inputs_known_[static_cast<size_t>(index)];
  }

  void set_Output(int32_t index, bool on) override {
    if (!attached_ || index != 0 || !output_) return;
    const int code = library_->api().PhidgetDigitalOutput_setState(output_, on ? 1 : 0);
    if (code == Return_Ok) {
      output_set_ = on;
    } else {
      Trace_Message("*Phidget set_Output failed", index, on, library_->Error_Text(code));
    }
  }

  bool Output(int32_t index) const override {
    if (!attached_ || index != 0 || !output_) return false;
    int state = 0;
    if (library_->api().PhidgetDigitalOutput_getState(output_, &state) == Return_Ok) return state != 0;
    return output_set_;
  }

private:
  struct Context {
    Phidget_Kit* kit;
    int32_t slot;
  };

  void check(int code, const char* call) const {
    if (code != Return_Ok)
      throw std::runtime_error(
          QStringLiteral("%1: %2").arg(QString::fromLatin1(call), library_->Error_Text(code)).toStdString());
  }

  void create_channels() {
    const Api& a = library_->api();
    for (auto& input : inputs_)
      check(a.PhidgetDigitalInput_create(&input), "PhidgetDigitalInput_create");
    check(a.PhidgetDigitalOutput_create(&output_), "PhidgetDigitalOutput_create");
  }

  Channel* channel(int32_t slot) const {
    return slot == Output_Slot ? as_channel(output_) : as_channel(inputs_[static_cast<size_t>(slot)]);
  }

  // On the library's threads: only queue.
  static void on_attach(Channel*, void* context) { post(context, Library_Event::Attach, 0); }
  static void on_detach(Channel*, void* context) { post(context, Library_Event::Detach, 0); }
  static void on_state(Digital_Input*, void* context, int state) { post(context, Library_Event::State, state); }

  static void post(void* context, Library_Event event, int state) {
    // The instant of the change, before anything else: the heat's start is this reading.
    const Kit_Stamp stamp = Kit_Stamp::Now();
    const auto* c = static_cast<const Context*>(context);
    Phidget_Kit* kit = c->kit;
    const int32_t slot = c->slot;
    std::lock_guard lock(kit->post_mutex_);
    if (!kit->posting_) return;
    const uint64_t generation = kit->generation_;
    QMetaObject::invokeMethod(
        kit->relay_.get(),
        [kit, slot, event, state, generation, stamp] { kit->deliver(slot, event, state != 0, generation, stamp); },
        Qt::QueuedConnection);
  }

  // On the thread that owns the kit.
  void deliver(int32_t slot, Library_Event event, bool state, uint64_t generation, const Kit_Stamp& stamp) {
    if (generation != generation_ || !open_) return;
    const auto s = static_cast<size_t>(slot);
    switch (event) {
    case Library_Event::Attach:
      channel_attached_[s] = true;
      if (slot != Output_Slot) inputs_known_[s] = read_input(slot);
      if (!attached_ && all_attached()) {
        attached_ = true;
        read_identification();
        if (events_) events_->OnAttach();
      }
      break;
    case Library_Event::Detach:
      channel_attached_[s] = false;
      if (slot != Output_Slot) inputs_known_[s] = false;
      if (attached_) {
        attached_ = false;
        serial_ = 0;
        output_set_ = false;
        if (events_) events_->OnDetach();
      }
      break;
    case Library_Event::State:
      // Only true changes count: a channel reports its state once on attaching as well.
      if (slot == Output_Slot || !channel_attached_[s] || inputs_known_[s] == state) return;
      inputs_known_[s] = state;
      if (attached_ && events_) events_->OnInputChange(slot, state, stamp);
      break;
    }
  }

  bool all_attached() const {
    for (bool a : channel_attached_)
      if (!a) return false;
    return true;
  }

  bool read_input(int32_t slot) const {
    int state = 0;
    return library_->api().PhidgetDigitalInput_getState(inputs_[static_cast<size_t>(slot)], &state) == Return_Ok &&
           state != 0;
  }

  void read_identification() {
    const Api& a = library_->api();
    Channel* first = channel(0);
    int32_t serial = 0;
    serial_ = a.Phidget_getDeviceSerialNumber(first, &serial) == Return_Ok ? serial : 0;
    const char* name = nullptr;
    device_name_ = a.Phidget_getDeviceName(first, &name) == Return_Ok && name ? QString::fromUtf8(name) : QString();
    int version = 0;
    device_version_ = a.Phidget_getDeviceVersion(first, &version) == Return_Ok ? QString::number(version) : QString();
  }

  std::shared_ptr<const Library> library_;
  std::unique_ptr<QObject> relay_; // lives on the owning thread; queued events run there
  std::array<Context, Channel_Count> contexts_{};
  std::array<Digital_Input*, Kit_Inputs> inputs_{};
  Digital_Output* output_ = nullptr;
  Interface_Kit_Events* events_ = nullptr;

  std::mutex post_mutex_;
  bool posting_ = false;    // guarded by post_mutex_
  uint64_t generation_ = 0; // written on the owning thread under post_mutex_

  bool open_ = false;
  bool attached_ = false;
  std::array<bool, Channel_Count> channel_attached_{};
  std::array<bool, Kit_Inputs> inputs_known_{};
  bool output_set_ = false;
  int32_t serial_ = 0;
  QString device_name_;
  QString device_version_;
};

} // namespace

Kit_Library_Check Check_For_Phidget(const QString& library_file) {
  Kit_Library_Check result;
  const auto library = Library::Load(library_file, result.error);
  if (!library) {
    Trace_Message("*Check_For_Phidget_Error", result.error);
    return result;
  }
  result.present = true;
  result.version = library->Version();
  Trace_Message("*Check_for_Phidget OK = ", true, " ,version = ", result.version);
  return result;
}

std::unique_ptr<Interface_Kit> Create_Phidget_Kit(QString& error, const QString& library_file) {
  auto library = Library::Load(library_file, error);
  if (!library) return nullptr;
  return std::make_unique<Phidget_Kit>(std::move(library));
}
