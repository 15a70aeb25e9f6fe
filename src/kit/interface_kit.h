#pragma once
// The interface kit: the start boxes' contacts and the camera triggers on digital inputs, the LED
// on output 0. What the program uses of it, whatever stands behind (the vendor's library or the
// simulated kit). Every event reaches the handler on the user-interface thread, carrying the
// clock readings taken where the change was met (the library's or the kit's own thread), so a
// busy window never moves a start instant.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>

inline constexpr int32_t Kit_Inputs = 6;  // 0 start contact, 1 armed, 2 remote start, 3-5 cameras
inline constexpr int32_t Kit_Outputs = 1; // 0 the LED

// When an input changed: the multimedia timer, the local time of day and the date, read first.
struct Kit_Stamp {
  int32_t mill = 0;
  int32_t local = 0;
  QDateTime when;
  static Kit_Stamp Now();
};

class Interface_Kit_Events {
public:
  virtual ~Interface_Kit_Events() = default;
  virtual void OnAttach() = 0;
  virtual void OnDetach() = 0;
  virtual void OnInputChange(int32_t index, bool new_state, const Kit_Stamp& stamp) = 0;
};

class Interface_Kit {
public:
  virtual ~Interface_Kit() = default;
  // The handler stays the caller's; nullptr stops the events.
  virtual void set_Events(Interface_Kit_Events* events) = 0;
  // Starts looking for the kit (any serial number); attach arrives as an event. False with the
  // reason when the library refuses.
  virtual bool Open(QString& error) = 0;
  virtual void Close() = 0;
  virtual bool IsAttached() const = 0;
  virtual int32_t SerialNumber() const = 0; // 0 while not attached
  virtual QString LibraryVersion() const = 0;
  virtual QString DeviceName() const = 0; // identification texts, traced at start-up
  virtual QString DeviceVersion() const = 0;
  // Last known state; false while not attached or for an index out of range.
  virtual bool Input(int32_t index) const = 0;
  // Ignored while not attached or for an index out of range.
  virtual void set_Output(int32_t index, bool on) = 0;
  virtual bool Output(int32_t index) const = 0;
};
