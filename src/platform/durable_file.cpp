#include "platform/durable_file.h"

#include "platform/error_report.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString& what, const QString& path, const QString& why) {
  throw Dora_Error(75, QStringLiteral("Path/File access error: ") + what + QStringLiteral(" ") + path +
                           QStringLiteral(": ") + why);
}

[[noreturn]] void fail(const QString& what, const QString& path, int number) {
  fail(what, path, QString::fromLocal8Bit(std::strerror(number)));
}

QString folder_of(const QString& path) { return QFileInfo(path).absolutePath(); }

} // namespace

namespace {
std::atomic<Folder_Sync_Observer> folder_observer{nullptr};
} // namespace

Folder_Sync_Observer Observe_Folder_Syncs(Folder_Sync_Observer observer) { return folder_observer.exchange(observer); }

void Sync_Folder(const QString& folder) {
  if (const Folder_Sync_Observer observer = folder_observer.load()) observer(QFileInfo(folder).absoluteFilePath());
  const QByteArray name = QFile::encodeName(folder);
  Unique_Fd dir(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) fail(QStringLiteral("cannot open the folder"), folder, errno);
  // Some file systems cannot flush a folder and say so; their entries are as safe as they get.
  while (::fsync(dir.get()) != 0) {
    if (errno == EINVAL || errno == EROFS) return;
    if (errno != EINTR) fail(QStringLiteral("cannot flush the folder"), folder, errno);
  }
}

void Write_Files_Durably(const std::vector<std::pair<QString, QByteArray>>& files) {
  QSet<QString> folders;
  for (const auto& [path, bytes] : files) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) fail(QStringLiteral("cannot write"), path, out.errorString());
    if (out.write(bytes) != bytes.size() || !out.flush()) {
      const QString why = out.errorString();
      out.cancelWriting();
      fail(QStringLiteral("cannot write"), path, why);
    }
    // The bytes go to the disk before the name points at them: after a crash the name holds the
    // old file or the whole new one.
    if (::fsync(out.handle()) != 0) {
      const int number = errno;
      out.cancelWriting();
      fail(QStringLiteral("cannot flush"), path, number);
    }
    if (!out.commit()) fail(QStringLiteral("cannot replace"), path, out.errorString());
    folders.insert(folder_of(path));
  }
  for (const QString& folder : folders)
    Sync_Folder(folder);
}

void Write_File_Durably(const QString& path, const QByteArray& bytes) { Write_Files_Durably({{path, bytes}}); }

void Append_Durably(const QString& path, const QByteArray& bytes, unsigned mode) {
  const QByteArray name = QFile::encodeName(path);
  bool created = false;
  // Never through a link, and never a wait on a pipe in the file's place.
  int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    fd =
        ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode & 0666U));
    created = fd >= 0;
  }
  Unique_Fd file(fd);
  if (file.get() < 0) fail(QStringLiteral("cannot open"), path, errno);
  struct stat before {};
  if (::fstat(file.get(), &before) != 0) fail(QStringLiteral("cannot examine"), path, errno);
  if (!S_ISREG(before.st_mode)) fail(QStringLiteral("not a plain file:"), path, EINVAL);

  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(file.get(), bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int number = n < 0 ? errno : ENOSPC;
      // A line cut short would stay in front of every later one.
      if (::ftruncate(file.get(), before.st_size) == 0) ::fsync(file.get());
      fail(QStringLiteral("cannot append to"), path, number);
    }
    done += n;
  }
  if (::fsync(file.get()) != 0) fail(QStringLiteral("cannot flush"), path, errno);
  if (!file.close()) fail(QStringLiteral("cannot close"), path, errno);
  if (created) Sync_Folder(folder_of(path));
}

void Cut_Back_Durably(const QString& path, qint64 size) {
  const QByteArray name = QFile::encodeName(path);
  if (size < 0) {
    if (::unlink(name.constData()) != 0 && errno != ENOENT) fail(QStringLiteral("cannot remove"), path, errno);
    Sync_Folder(folder_of(path));
    return;
  }
  Unique_Fd file(::open(name.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) fail(QStringLiteral("cannot open"), path, errno);
  if (::ftruncate(file.get(), static_cast<off_t>(size)) != 0) fail(QStringLiteral("cannot cut back"), path, errno);
  if (::fsync(file.get()) != 0) fail(QStringLiteral("cannot flush"), path, errno);
}
