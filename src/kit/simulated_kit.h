#pragma once
// A kit without hardware (--simulated-kit): six switches and the LED, plugged in and out by hand
// or by a test. Its events are queued to its own thread exactly as the vendor library's are, so
// the program sees the same order and re-entrancy as with the real kit.
#include "kit/interface_kit.h"

#include <QObject>
#include <array>

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
  void set_Output(int32_t index, bool on) override;
  bool Output(int32_t index) const override;

  // The device's side (the window and tests): each change reaches the program as a queued event.
  void Attach();
  void Detach();
  void set_Switch(int32_t index, bool closed);
  bool Switch(int32_t index) const;
  bool Plugged() const { return plugged_; }
  bool IsOpen() const { return open_; }

Q_SIGNALS:
  // The LED as the program drives it.
  void Output_Changed(int32_t index, bool on);
  // After attach, detach or an input change has reached the program, and when it closes the kit.
  void Kit_Changed();

private:
  template <class F> void queue(F deliver);
  void deliver_attach(const std::array<bool, Kit_Inputs>& switches);
  void deliver_detach();
  void deliver_input(int32_t index, bool state);

  Interface_Kit_Events* events_ = nullptr;
  int32_t serial_;
  bool plugged_;
  bool open_ = false;
  bool attached_ = false;
  uint64_t generation_ = 0;
  std::array<bool, Kit_Inputs> switches_{};
  std::array<bool, Kit_Inputs> inputs_known_{};
  bool led_ = false;
};
