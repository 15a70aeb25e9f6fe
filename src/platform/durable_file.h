#pragma once
// Files that are on the disk before the program reports them written: whole files replaced so a
// reader sees the old or the new one and never a part, and lines appended to a running file.
// Failures throw Dora_Error 75 naming the file and the reason; what was on disk stays.
#include <QByteArray>
#include <QString>
#include <unistd.h>
#include <utility>
#include <vector>

// Replaces each file as a whole: a temporary file beside it, flushed to disk, renamed over it;
// the folders are flushed once after all renames. A failure leaves every file not yet renamed
// as it was.
void Write_Files_Durably(const std::vector<std::pair<QString, QByteArray>>& files);
void Write_File_Durably(const QString& path, const QByteArray& bytes);

// Appends the bytes at the file's end and flushes the file to disk; a file made by this call
// gets `mode` and its folder flushed too. A write that fails part-way is cut back off, so the
// file ends where it ended before.
void Append_Durably(const QString& path, const QByteArray& bytes, unsigned mode = 0644);
// Takes an append back: the file is cut to `size` bytes and flushed; a size below 0 (the file
// was made by the append) removes it.
void Cut_Back_Durably(const QString& path, qint64 size);

// Flushes a folder's entries (names made, renamed or removed in it) to disk. File systems that
// cannot flush a folder are taken as they are.
void Sync_Folder(const QString& folder);
// Tests see which folders are flushed; nullptr ends it. Returns the one before.
using Folder_Sync_Observer = void (*)(const QString& folder);
Folder_Sync_Observer Observe_Folder_Syncs(Folder_Sync_Observer observer);

// A POSIX file descriptor, closed when its owner goes.
class Unique_Fd {
public:
  explicit Unique_Fd(int fd) : fd_(fd) {}
  ~Unique_Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Unique_Fd(const Unique_Fd&) = delete;
  Unique_Fd& operator=(const Unique_Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now, so that a failing close is seen (it may report a failed delayed write); false
  // with errno set then.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

private:
  int fd_;
};
