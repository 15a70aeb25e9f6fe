#include "recording/record_io.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace qn3 {

int64_t Read_At(int fd, int64_t offset, uint8_t* target, int64_t size) {
  int64_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd, target + done, static_cast<size_t>(size - done), static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

int64_t Read_At(QFile& file, int64_t offset, uint8_t* target, int64_t size) {
  const int fd = file.handle();
  if (fd >= 0) return Read_At(fd, offset, target, size);
  const qint64 before = file.pos();
  if (!file.seek(offset)) return -1;
  const qint64 got = file.read(reinterpret_cast<char*>(target), size);
  file.seek(before);
  return got;
}

Record_Read Read_Record_At(QFile& file, int64_t offset, uint8_t* target, int64_t size, int64_t needed,
                           Record_Fields& fields) {
  needed = std::max<int64_t>(needed, Record_Peek_Size);
  if (offset < 0 || size < needed) return Record_Read::Absent;
  const int64_t got = Read_At(file, offset, target, size);
  if (got < 0) return Record_Read::Failed;
  if (got < needed) return Record_Read::Absent;
  std::memset(target + got, 0, static_cast<size_t>(size - got));
  return Decode_Record_Head(target, size, fields) ? Record_Read::Read : Record_Read::Absent;
}

} // namespace qn3
