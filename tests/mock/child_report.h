#pragma once
// What a child process that is to be killed tells its parent through a pipe: each write whole,
// so the parent never reads half a number.
#include <cerrno>
#include <cstddef>
#include <unistd.h>

inline bool Write_Fully(int fd, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t done = ::write(fd, p, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done;
    size -= static_cast<size_t>(done);
  }
  return true;
}
