// The capture time stamps of all records, read from the record heads without decoding a
// picture, so that searching a recording for a time costs one pass over the file once and then
// only memory.
#include "recording/video_file_handler.h"

#include "platform/trace.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace {

// Reads up to `size` bytes at `offset` without moving the file's position, so the reader's
// buffered position stays valid. Returns the bytes read, -1 on failure.
int64_t Read_At(QFile& file, int64_t offset, uint8_t* target, int64_t size) {
  const int fd = file.handle();
  if (fd >= 0) {
    int64_t done = 0;
    while (done < size) {
      const ssize_t got =
          ::pread(fd, target + done, static_cast<size_t>(size - done), static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return -1;
      if (got == 0) break;
      done += got;
    }
    return done;
  }
  // Not a plain file descriptor: seek, read and go back.
  const qint64 before = file.pos();
  if (!file.seek(offset)) return -1;
  const qint64 got = file.read(reinterpret_cast<char*>(target), size);
  file.seek(before);
  return got;
}

} // namespace

void cls_VideoFile_handler::Build_Stamps() {
  stamps_.assign(static_cast<size_t>(std::max<int16_t>(frame_count_, 0)), Record_Stamp{});
  stamps_built_ = true;
  if (!File_open() || !file_ || record_size_ < qn3::Record_Overhead) return;
  std::array<uint8_t, qn3::Record_Peek_Size> head{};
  int32_t unreadable = 0;
  for (int32_t frame = 1; frame <= frame_count_; ++frame) {
    const int64_t position = qn3::Record_Offset(frame, record_size_);
    ++stamp_reads_;
    const int64_t got = Read_At(*file_, position, head.data(), qn3::Record_Peek_Size);
    qn3::Record_Fields fields;
    // A short or unmarked record is no frame: a picture scan keeps the previous record there.
    if (got < qn3::Record_Peek_Size || !qn3::Decode_Record_Head(head.data(), got, fields)) {
      ++unreadable;
      continue;
    }
    stamps_[static_cast<size_t>(frame - 1)] = {fields.capture_mill, true};
  }
  if (unreadable > 0) Trace_Message(QStringLiteral("*Build_Stamps, records without a frame"), unreadable);
}

std::optional<int32_t> cls_VideoFile_handler::Record_Capture_Mill(int16_t frame) {
  if (!File_open()) return std::nullopt;
  if (!stamps_built_ || stamps_.size() != static_cast<size_t>(std::max<int16_t>(frame_count_, 0))) Build_Stamps();
  if (frame < 1 || static_cast<size_t>(frame) > stamps_.size()) return std::nullopt;
  const Record_Stamp& stamp = stamps_[static_cast<size_t>(frame - 1)];
  if (!stamp.valid) return std::nullopt;
  return stamp.capture_mill;
}
