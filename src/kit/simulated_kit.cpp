#include "kit/simulated_kit.h"

#include "platform/clock.h"
#include "platform/simulated_world.h"

#include <chrono>

namespace {

bool valid_input(int32_t index) { return index >= 0 && index < Kit_Inputs; }

// A scheduled change is looked at again at least this often: the program clock may be one a
// test moves.
constexpr auto Schedule_Poll = std::chrono::milliseconds(5);

} // namespace

Simulated_Kit::Simulated_Kit(int32_t serial_number, bool plugged, QObject* parent)
    : QObject(parent), serial_(serial_number), plugged_(plugged) {
  setObjectName(QStringLiteral("Simulated_Kit"));
  thread_ = std::thread([this] { kit_thread(); });
}

Simulated_Kit::~Simulated_Kit() {
  {
    std::lock_guard lock(jobs_mutex_);
    stopping_ = true;
  }
  jobs_changed_.notify_all();
  thread_.join();
}

void Simulated_Kit::set_World(Simulated_World* world) { world_ = world; }

void Simulated_Kit::post_to_kit(Job job) {
  {
    std::lock_guard lock(jobs_mutex_);
    jobs_.push_back(std::move(job));
  }
  jobs_changed_.notify_all();
}

void Simulated_Kit::kit_thread() {
  std::unique_lock lock(jobs_mutex_);
  while (!stopping_) {
    // The first change due: those asked for at once in their order, then the scheduled ones.
    auto due = jobs_.end();
    int32_t wait_ms = -1;
    for (auto it = jobs_.begin(); it != jobs_.end(); ++it) {
      if (!it->timed) {
        due = it;
        break;
      }
      const int32_t left = Mill_Difference(static_cast<int32_t>(it->due_mill), Mill_Now());
      if (left <= 0) {
        due = it;
        break;
      }
      if (wait_ms < 0 || left < wait_ms) wait_ms = left;
    }
    if (due == jobs_.end()) {
      if (wait_ms < 0)
        jobs_changed_.wait(lock);
      else
        jobs_changed_.wait_for(lock,
                               std::min(std::chrono::milliseconds(wait_ms), std::chrono::milliseconds(Schedule_Poll)));
      continue;
    }
    std::function<void()> run = std::move(due->run);
    jobs_.erase(due);
    ++running_jobs_;
    lock.unlock();
    run();
    lock.lock();
    --running_jobs_;
    jobs_changed_.notify_all();
  }
}

void Simulated_Kit::Wait_Raised() {
  std::unique_lock lock(jobs_mutex_);
  jobs_changed_.wait(lock, [this] {
    for (const Job& job : jobs_)
      if (!job.timed) return false;
    return running_jobs_ == 0;
  });
}

template <class F> void Simulated_Kit::queue(uint64_t generation, F deliver) {
  QMetaObject::invokeMethod(
      this,
      [this, generation, deliver] {
        // Events queued before a Close belong to the closed session.
        if (generation != generation_ || !open_) return;
        deliver();
      },
      Qt::QueuedConnection);
}

void Simulated_Kit::raise(int32_t index, bool closed, uint64_t generation, bool scheduled) {
  // The instant of the change comes first, on this thread: it is what the program gets.
  const Kit_Stamp stamp = Kit_Stamp::Now();
  const auto i = static_cast<size_t>(index);
  physical_[i] = closed;
  Simulated_World* world = world_;
  if (index == 1) {
    // Arming makes the next change of the start contact a race's start; disarming ends the race.
    race_started_ = false;
    if (!closed && world) world->End_Race();
  } else if (index == 0 && physical_[1] && !race_started_) {
    race_started_ = true;
    if (world) world->Set_Physical_Start(stamp.mill);
  }
  QMetaObject::invokeMethod(
      this,
      [this, index, closed, generation, scheduled, stamp] {
        const auto at = static_cast<size_t>(index);
        if (scheduled && switches_[at] != closed) {
          switches_[at] = closed;
          Q_EMIT Switch_Changed(index, closed);
        }
        if (generation != generation_ || !open_ || !plugged_) return;
        deliver_input(index, closed, stamp);
      },
      Qt::QueuedConnection);
}

bool Simulated_Kit::Open(QString&) {
  if (open_) return true;
  open_ = true;
  if (plugged_) {
    const uint64_t generation = generation_;
    post_to_kit({0, false, [this, generation, switches = switches_] {
                   queue(generation, [this, switches] { deliver_attach(switches); });
                 }});
  }
  return true;
}

void Simulated_Kit::Close() {
  ++generation_;
  open_ = false;
  attached_ = false;
  inputs_known_.fill(false);
  if (led_) set_Output(0, false);
  led_ = false;
  Q_EMIT Kit_Changed();
}

QString Simulated_Kit::LibraryVersion() const { return QStringLiteral("Simulated interface kit " DORAVENT_VERSION); }
QString Simulated_Kit::DeviceName() const { return QStringLiteral("Simulated interface kit 6/1"); }
QString Simulated_Kit::DeviceVersion() const { return QStringLiteral("100"); }

bool Simulated_Kit::Input(int32_t index) const {
  return attached_ && valid_input(index) && inputs_known_[static_cast<size_t>(index)];
}

void Simulated_Kit::set_Output(int32_t index, bool on) {
  if (index != 0 || led_ == on || (on && !attached_)) return;
  led_ = on;
  if (Simulated_World* world = world_) world->Set_Led(on, Mill_Now());
  Q_EMIT Output_Changed(0, on);
}

bool Simulated_Kit::Output(int32_t index) const { return attached_ && index == 0 && led_; }

void Simulated_Kit::Attach() {
  if (plugged_) return;
  plugged_ = true;
  if (!open_) return;
  const uint64_t generation = generation_;
  post_to_kit({0, false, [this, generation, switches = switches_] {
                 queue(generation, [this, switches] { deliver_attach(switches); });
               }});
}

void Simulated_Kit::Detach() {
  if (!plugged_) return;
  plugged_ = false;
  if (!open_) return;
  const uint64_t generation = generation_;
  post_to_kit({0, false, [this, generation] { queue(generation, [this] { deliver_detach(); }); }});
}

void Simulated_Kit::set_Switch(int32_t index, bool closed) {
  if (!valid_input(index) || switches_[static_cast<size_t>(index)] == closed) return;
  switches_[static_cast<size_t>(index)] = closed;
  const uint64_t generation = generation_;
  post_to_kit({0, false, [this, index, closed, generation] { raise(index, closed, generation, false); }});
}

void Simulated_Kit::Schedule_Switch(int32_t at_mill, int32_t index, bool closed) {
  if (!valid_input(index)) return;
  const uint64_t generation = generation_;
  post_to_kit({at_mill, true, [this, index, closed, generation] { raise(index, closed, generation, true); }});
}

bool Simulated_Kit::Switch(int32_t index) const { return valid_input(index) && switches_[static_cast<size_t>(index)]; }

void Simulated_Kit::deliver_attach(const std::array<bool, Kit_Inputs>& switches) {
  if (attached_ || !plugged_) return;
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
  if (led_) set_Output(0, false);
  if (events_) events_->OnDetach();
  Q_EMIT Kit_Changed();
}

void Simulated_Kit::deliver_input(int32_t index, bool state, const Kit_Stamp& stamp) {
  const auto i = static_cast<size_t>(index);
  if (!attached_ || inputs_known_[i] == state) return;
  inputs_known_[i] = state;
  if (events_) events_->OnInputChange(index, state, stamp);
  Q_EMIT Kit_Changed();
}
