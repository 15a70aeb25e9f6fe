#pragma once
#include <QString>

#include <memory>

class QLockFile;

// Holds the program's lock file in the application-data folder for as long as it lives, so a
// second start can tell that a first one is running. A lock left behind by a program that died
// is taken over.
class Single_Instance {
public:
  // An empty path means Single_Instance_Lock_Path().
  explicit Single_Instance(const QString& lock_path = {});
  ~Single_Instance();
  Single_Instance(const Single_Instance&) = delete;
  Single_Instance& operator=(const Single_Instance&) = delete;

  // True when a running program holds the lock. When the lock file cannot be made at all
  // (no data folder), nobody can be told apart, and the program is let run.
  bool Another_Instance_Running() const { return another_; }
  bool Holds_Lock() const;
  QString Lock_Path() const { return path_; }

private:
  QString path_;
  std::unique_ptr<QLockFile> lock_;
  bool another_ = false;
};

QString Single_Instance_Lock_Path();

// Takes the program's lock for the rest of the run at the first call; true when another
// running program holds it.
bool Another_Instance_Running();
