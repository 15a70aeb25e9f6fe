#include "platform/single_instance.h"

#include "platform/trace.h"
#include "platform/user_folders.h"

#include <QLockFile>

Single_Instance::Single_Instance(const QString& lock_path)
    : path_(lock_path.isEmpty() ? Single_Instance_Lock_Path() : lock_path) {
  if (path_.isEmpty()) {
    Trace_Text(QStringLiteral("*Single_Instance, no data folder for the lock file"));
    return;
  }
  lock_ = std::make_unique<QLockFile>(path_);
  // A long run must not make its own lock look stale: only a dead owner makes it so.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return;
  if (lock_->error() == QLockFile::LockFailedError) {
    another_ = true;
  } else {
    Trace_Text(QStringLiteral("*Single_Instance, cannot create the lock file ") + path_);
  }
}

Single_Instance::~Single_Instance() = default; // QLockFile unlocks on destruction

bool Single_Instance::Holds_Lock() const { return lock_ && lock_->isLocked(); }

QString Single_Instance_Lock_Path() {
  const QString folder = Local_AppData_Folder();
  return folder.isEmpty() ? QString() : folder + QStringLiteral("Doravent.lock");
}

bool Another_Instance_Running() {
  static const Single_Instance instance;
  return instance.Another_Instance_Running();
}
