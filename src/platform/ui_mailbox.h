#pragma once
// Calls handed from a worker thread to the user-interface thread. They wait under a lock of the
// mailbox's own, which ThreadSanitizer sees; the queued event that says "look" is Qt's alone.
// (A queued lambda is handed over under Qt's lock, which an uninstrumented Qt hides from it.)
#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

class Ui_Mailbox : public QObject {
  Q_OBJECT
public:
  explicit Ui_Mailbox(QObject* parent) : QObject(parent) {}
  // From any thread: `call` runs on the mailbox's thread, after the calls posted before it.
  void Post(std::function<void()> call);

private:
  Q_INVOKABLE void Deliver();

  std::mutex mutex_;
  std::deque<std::function<void()>> calls_;
};
