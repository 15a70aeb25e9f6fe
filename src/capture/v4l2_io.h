#pragma once
// The seam between the V4L2 backend and the kernel: every call the backend makes to a device
// goes through here, so tests drive a scripted device instead. Failures answer -1 (mmap:
// MAP_FAILED) with errno set, as the system calls do.
#include <cstddef>
#include <poll.h>
#include <sys/types.h>

class V4l2_Io {
public:
  virtual ~V4l2_Io() = default;
  virtual int Open(const char* path, int flags) = 0;
  virtual int Close(int fd) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) = 0;
  virtual int Munmap(void* address, size_t length) = 0;
  virtual int Poll(pollfd* fds, nfds_t count, int timeout_ms) = 0;
};

// The real devices.
V4l2_Io& System_V4l2_Io();

// Retries a call interrupted by a signal.
int Xioctl(V4l2_Io& io, int fd, unsigned long request, void* arg);
