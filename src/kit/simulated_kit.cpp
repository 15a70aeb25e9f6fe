#include "kit/simulated_kit.h"

namespace {

bool valid_input(int32_t index) { return index >= 0 && index < Kit_Inputs; }

} // namespace

Simulated_Kit::Simulated_Kit(int32_t serial_number, bool plugged, QObject* parent)
    : QObject(parent), serial_(serial_number), plugged_(plugged) {
  setObjectName(QStringLiteral("Simulated_Kit"));
}

Simulated_Kit::~Simulated_Kit() = default;

template <class F> void Simulated_Kit::queue(F deliver) {
  const uint64_t generation = generation_;
  QMetaObject::invokeMethod(
      this,
      [this, generation, deliver] {
        // Events queued before a Close belong to the closed session.
        if (generation != generation_ || !open_) return;
        deliver();
      },
      Qt::QueuedConnection);
}

bool Simulated_Kit::Open(QString&) {
  if (open_) return true;
  open_ = true;
  if (plugged_) queue([this, switches = switches_] { deliver_attach(switches); });
  return true;
}

void Simulated_Kit::Close() {
  ++generation_;
  open_ = false;
  attached_ = false;
  inputs_known_.fill(false);
  if (led_) {
    led_ = false;
    Q_EMIT Output_Changed(0, false);
  }
  Q_EMIT Kit_Changed();
}

QString Simulated_Kit::LibraryVersion() const { return QStringLiteral("Simulated interface kit " DORAVENT_VERSION); }
QString Simulated_Kit::DeviceName() const { return QStringLiteral("Simulated interface kit 6/1"); }
QString Simulated_Kit::DeviceVersion() const { return QStringLiteral("100"); }

bool Simulated_Kit::Input(int32_t index) const {
  return attached_ && valid_input(index) && inputs_known_[static_cast<size_t>(index)];
}

void Simulated_Kit::set_Output(int32_t index, bool on) {
  if (!attached_ || index != 0 || led_ == on) return;
  led_ = on;
  Q_EMIT Output_Changed(0, on);
}

bool Simulated_Kit::Output(int32_t index) const { return attached_ && index == 0 && led_; }

void Simulated_Kit::Attach() {
  if (plugged_) return;
  plugged_ = true;
  if (open_) queue([this, switches = switches_] { deliver_attach(switches); });
}

void Simulated_Kit::Detach() {
  if (!plugged_) return;
  plugged_ = false;
  if (open_) queue([this] { deliver_detach(); });
}

void Simulated_Kit::set_Switch(int32_t index, bool closed) {
  if (!valid_input(index) || switches_[static_cast<size_t>(index)] == closed) return;
  switches_[static_cast<size_t>(index)] = closed;
  if (open_ && plugged_) queue([this, index, closed] { deliver_input(index, closed); });
}

bool Simulated_Kit::Switch(int32_t index) const { return valid_input(index) && switches_[static_cast<size_t>(index)]; }

void Simulated_Kit::deliver_attach(const std::array<bool, Kit_Inputs>& switches) {
  if (attached_) return;
  attached_ = true;
  // The inputs as the switches stood when the kit was plugged in, without change events.
  inputs_known_ = switches;
  if (events_) events_->OnAttach();
  Q_EMIT Kit_Changed();
}

void Simulated_Kit::deliver_detach() {
  if (!attached_) return;
  attached_ = false;
  inputs_known_.fill(false);
  if (led_) {
    led_ = false;
    Q_EMIT Output_Changed(0, false);
  }
  if (events_) events_->OnDetach();
  Q_EMIT Kit_Changed();
}

void Simulated_Kit::deliver_input(int32_t index, bool state) {
  const auto i = static_cast<size_t>(index);
  if (!attached_ || inputs_known_[i] == state) return;
  inputs_known_[i] = state;
  if (events_) events_->OnInputChange(index, state);
  Q_EMIT Kit_Changed();
}
