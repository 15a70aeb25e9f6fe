#include "platform/trace.h"

#include "platform/clock.h"
#include "platform/program_info.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct Trace_Link {
  bool searched = false;
  int fd = -1;
  sockaddr_un address{};

  ~Trace_Link() {
    if (fd >= 0) ::close(fd);
  }
};

Trace_Link& link() {
  static Trace_Link instance;
  return instance;
}

// The writer of a held trigger traces from its own thread.
std::mutex& link_mutex() {
  static std::mutex m;
  return m;
}

bool fill_address(sockaddr_un& address, const QString& path) {
  const QByteArray bytes = path.toLocal8Bit();
  if (bytes.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, bytes.constData(), static_cast<size_t>(bytes.size()) + 1);
  return true;
}

} // namespace

QString Trace_Socket_Path() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) return QString::fromLocal8Bit(runtime) + QStringLiteral("/doravent-trace");
  return QStringLiteral("/tmp/doravent-trace-%1").arg(::getuid());
}

bool Trace_Window_Present() {
  const std::lock_guard lock(link_mutex());
  Trace_Link& l = link();
  if (l.searched) return l.fd >= 0;
  l.searched = true;
  sockaddr_un address{};
  const QString path = Trace_Socket_Path();
  if (!fill_address(address, path)) return false;
  // Only our own viewer's socket: in a shared /tmp anyone could put a socket, or a link to one,
  // in its place and read every trace.
  struct stat st {};
  if (::lstat(path.toLocal8Bit().constData(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::getuid())
    return false;
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // A viewer is present when something is bound to the path.
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(fd);
    return false;
  }
  timeval timeout{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
  l.fd = fd;
  l.address = address;
  return true;
}

QString Trace_Line(const QString& message) {
  QString name = QStringLiteral("doravent");
  if (QCoreApplication::instance()) name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  const auto thread_id = static_cast<long>(::syscall(SYS_gettid));
  return name + (program().Development_Mode ? QStringLiteral(" I: ") : QStringLiteral(" C: ")) +
         QString::number(::getpid()) + QStringLiteral(": ") + QString::number(thread_id) + QStringLiteral(": ") +
         Local_Now().toString(QStringLiteral("yyyyMMdd hhmmss")) + QStringLiteral(": ") + message;
}

void Send_Trace(const QString& message) {
  const std::lock_guard lock(link_mutex());
  Trace_Link& l = link();
  if (l.fd < 0) return;
  const QByteArray bytes = Trace_Line(message).toLatin1();
  // A viewer that went away or hangs must not disturb the program: one that lets a line wait out
  // the time-out is taken as gone, so no later call waits for it.
  const auto sent = ::send(l.fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
  if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
    ::close(l.fd);
    l.fd = -1;
  }
}

void Reset_Trace_Search_For_Tests() {
  const std::lock_guard lock(link_mutex());
  Trace_Link& l = link();
  if (l.fd >= 0) ::close(l.fd);
  l.fd = -1;
  l.searched = false;
}
