#pragma once
// A kit without hardware (--simulated-kit): six switches and the LED, plugged in and out by hand,
// by a race script or by a test. Its changes are raised on a thread of its own, as the vendor
// library raises them: each is stamped there first, then queued to the program. The physical
// side of a change (the traps opening, the LED lighting) goes straight to the simulated world,
// never through the program, so the program's own delays show up as what they are.
#include "kit/interface_kit.h"

#include <QObject>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class Simulated_World;

inline constexpr int32_t Simulated_Kit_Serial = 100001;

class Simulated_Kit final : public QObject, public Interface_Kit {
  Q_OBJECT
public:
  explicit Simulated_Kit(int32_t serial_number = Simulated_Kit_Serial, bool plugged = true, QObject* parent = nullptr);
  ~Simulated_Kit() override;

  // The program's side.
  void set_Events(Interface_Kit_Events* events) override { events_ = events; }
  bool Open(QString& error) override;
  void Close() override;
  bool IsAttached() const override { return attached_; }
  int32_t SerialNumber() const override { return attached_ ? serial_ : 0; }
  QString LibraryVersion() const override;
  QString DeviceName() const override;
  QString DeviceVersion() const override;
  bool Input(int32_t index) const override;
  // The LED lights when this call reaches the kit: that is L for the simulated world.
  void set_Output(int32_t index, bool on) override;
  bool Output(int32_t index) const override;

  // The world that sees the traps open and the LED light (the synthetic camera); nullptr: none.
  void set_World(Simulated_World* world);

  // The device's side (the window, race scripts and tests): each change is raised on the kit's
  // thread and reaches the program as a queued event.
  void Attach();
  void Detach();
  void set_Switch(int32_t index, bool closed);
  bool Switch(int32_t index) const;
  bool Plugged() const { return plugged_; }
  bool IsOpen() const { return open_; }
  // Raises the change when the program clock reaches `at_mill`, on the kit's thread, whatever the
  // program is doing then.
  void Schedule_Switch(int32_t at_mill, int32_t index, bool closed);
  // Blocks until the kit's thread has raised every change asked of it so far (tests).
  void Wait_Raised();

Q_SIGNALS:
  // The LED as the program drives it.
  void Output_Changed(int32_t index, bool on);
  // After attach, detach or an input change has reached the program, and when it closes the kit.
  void Kit_Changed();
  // A switch changed by a scheduled change (the window's switches follow).
  void Switch_Changed(int32_t index, bool closed);

private:
  struct Job {
    int64_t due_mill = 0; // on the kit thread's clock readings; 0: at once
    bool timed = false;
    std::function<void()> run;
  };
  void post_to_kit(Job job);
  void kit_thread();
  // On the kit's thread.
  void raise(int32_t index, bool closed, uint64_t generation, bool scheduled);
  template <class F> void queue(uint64_t generation, F deliver);
  void deliver_attach(const std::array<bool, Kit_Inputs>& switches);
  void deliver_detach();
  void deliver_input(int32_t index, bool state, const Kit_Stamp& stamp);

  Interface_Kit_Events* events_ = nullptr;
  int32_t serial_;
  bool plugged_;
  bool open_ = false;
  bool attached_ = false;
  std::atomic<uint64_t> generation_{0};
  std::array<bool, Kit_Inputs> switches_{};
  std::array<bool, Kit_Inputs> inputs_known_{};
  bool led_ = false;

  // The kit's thread and what it alone touches: the switches as they physically stand.
  std::atomic<Simulated_World*> world_{nullptr};
  std::array<bool, Kit_Inputs> physical_{};
  bool race_started_ = false;
  std::mutex jobs_mutex_;
  std::condition_variable jobs_changed_;
  std::deque<Job> jobs_;
  int32_t running_jobs_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};
