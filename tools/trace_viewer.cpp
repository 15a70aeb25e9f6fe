// doravent-trace: listens on the trace socket and prints every received trace line on stdout.
#include "platform/trace.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Trace lines are ISO-8859-1; the terminal wants UTF-8.
std::string latin1_to_utf8(const char* data, size_t size) {
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    const auto c = static_cast<unsigned char>(data[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool fill_address(sockaddr_un& address, const std::string& path) {
  if (path.size() >= sizeof(address.sun_path)) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// A socket file nobody is bound to is left over from a viewer that died.
bool viewer_running(const sockaddr_un& address) {
  const int probe = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool bound = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  ::close(probe);
  return bound;
}

} // namespace

int main() {
  const std::string path = Trace_Socket_Path().toStdString();
  sockaddr_un address{};
  if (!fill_address(address, path)) {
    std::fprintf(stderr, "doravent-trace: socket path too long: %s\n", path.c_str());
    return 1;
  }
  if (viewer_running(address)) {
    std::fprintf(stderr, "doravent-trace: another viewer is listening on %s\n", path.c_str());
    return 1;
  }
  ::unlink(path.c_str());

  // Signals arrive through a descriptor so that none is lost between the checks and the wait.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  if (::sigprocmask(SIG_BLOCK, &stop_signals, nullptr) != 0) return 1;
  const int signal_fd = ::signalfd(-1, &stop_signals, SFD_CLOEXEC);
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (signal_fd < 0 || fd < 0) {
    std::perror("doravent-trace");
    return 1;
  }
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    std::fprintf(stderr, "doravent-trace: cannot bind %s: %s\n", path.c_str(), std::strerror(errno));
    return 1;
  }
  std::fprintf(stderr, "doravent-trace: listening on %s\n", path.c_str());

  static std::array<char, 65536> buffer;
  int status = 0;
  for (;;) {
    std::array<pollfd, 2> waits{{{fd, POLLIN, 0}, {signal_fd, POLLIN, 0}}};
    if (::poll(waits.data(), waits.size(), -1) < 0) {
      if (errno == EINTR) continue;
      std::perror("doravent-trace");
      status = 1;
      break;
    }
    if ((waits[1].revents & POLLIN) != 0) break;
    if ((waits[0].revents & POLLIN) == 0) continue;
    const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      std::perror("doravent-trace");
      status = 1;
      break;
    }
    // A longer datagram is cut at the buffer's end rather than lost.
    const std::string line = latin1_to_utf8(buffer.data(), static_cast<size_t>(got));
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  ::close(fd);
  ::unlink(path.c_str());
  ::close(signal_fd);
  return status;
}
