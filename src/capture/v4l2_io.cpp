#include "capture/v4l2_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

class System_Io final : public V4l2_Io {
public:
  int Open(const char* path, int flags) override { return ::open(path, flags); }
  int Close(int fd) override { return ::close(fd); }
  int Ioctl(int fd, unsigned long request, void* arg) override { return ::ioctl(fd, request, arg); }
  void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) override {
    return ::mmap(nullptr, length, prot, flags, fd, offset);
  }
  int Munmap(void* address, size_t length) override { return ::munmap(address, length); }
  int Poll(pollfd* fds, nfds_t count, int timeout_ms) override { return ::poll(fds, count, timeout_ms); }
};

} // namespace

V4l2_Io& System_V4l2_Io() {
  static System_Io io;
  return io;
}

int Xioctl(V4l2_Io& io, int fd, unsigned long request, void* arg) {
  int r = 0;
  do {
    r = io.Ioctl(fd, request, arg);
  } while (r == -1 && errno == EINTR);
  return r;
}
