#pragma once
// What a capture device delivered, for the tests to look at.
#include "capture/capture_component.h"

#include <QString>
#include <QTest>
#include <functional>
#include <vector>

struct Recorded_Frame {
  int64_t sample_time = 0;
  Capture_Time_Source source = Capture_Time_Source::None;
  int32_t length = 0;
  std::vector<uint8_t> head; // the first bytes
};

class Recording_Sink final : public Video_Cap_Events {
public:
  std::vector<Recorded_Frame> frames;
  std::vector<QString> errors;
  std::function<void()> on_frame; // runs inside the event

  void OnRGBEvent(int64_t sample_time, Capture_Time_Source source, const uint8_t* data, int32_t length) override {
    Recorded_Frame f{sample_time, source, length, {}};
    f.head.assign(data, data + std::min(length, 16));
    frames.push_back(std::move(f));
    if (on_frame) on_frame();
  }
  void OnStreamError(const QString& text) override { errors.push_back(text); }
};

// Lets the event loop run until `done` or the time is up.
inline bool Wait_For(const std::function<bool()>& done, int timeout_ms = 3000) {
  return QTest::qWaitFor(done, timeout_ms);
}
