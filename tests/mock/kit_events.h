#pragma once
// Records a kit's events as text, and whether each arrived on the thread that runs the event loop.
#include "kit/interface_kit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>
#include <vector>

struct Kit_Event_Log final : Interface_Kit_Events {
  QStringList events;
  bool all_on_loop_thread = true;

  void OnAttach() override { note(QStringLiteral("attach")); }
  void OnDetach() override { note(QStringLiteral("detach")); }
  std::vector<Kit_Stamp> stamps;
  void OnInputChange(int32_t index, bool new_state, const Kit_Stamp& stamp) override {
    stamps.push_back(stamp);
    note(QStringLiteral("input %1 %2").arg(index).arg(new_state ? 1 : 0));
  }

private:
  void note(const QString& event) {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) all_on_loop_thread = false;
    events << event;
  }
};

// Runs the event loop until the condition holds or the time is up.
inline bool Run_Events_Until(const std::function<bool()>& condition, int timeout_ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Lets every event already queued run.
inline void Run_Queued_Events() {
  for (int i = 0; i < 5; ++i)
    QCoreApplication::processEvents();
}
