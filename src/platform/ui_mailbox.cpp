#include "platform/ui_mailbox.h"

#include <QMetaObject>
#include <utility>

void Ui_Mailbox::Post(std::function<void()> call) {
  {
    const std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
}

void Ui_Mailbox::Deliver() {
  std::deque<std::function<void()>> calls;
  {
    const std::lock_guard lock(mutex_);
    calls.swap(calls_);
  }
  for (const std::function<void()>& call : calls)
    call();
}
