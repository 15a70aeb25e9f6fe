// The capture time stamps of all records, read from the record heads without decoding a
// picture, so that searching a recording for a time costs one pass over the file once and then
// only memory.
#include "recording/video_file_handler.h"

#include "platform/trace.h"
#include "recording/record_io.h"

#include <algorithm>
#include <array>

void cls_VideoFile_handler::Build_Stamps() {
  stamps_.assign(static_cast<size_t>(std::max<int16_t>(frame_count_, 0)), Record_Stamp{});
  stamps_built_ = true;
  if (!File_open() || !file_ || record_size_ < qn3::Record_Overhead) return;
  std::array<uint8_t, qn3::Record_Peek_Size> head{};
  int32_t unreadable = 0;
  for (int32_t frame = 1; frame <= frame_count_; ++frame) {
    ++stamp_reads_;
    qn3::Record_Fields fields;
    // A short or unmarked record is no frame: a picture scan keeps the previous record there.
    if (qn3::Read_Record_At(*file_, qn3::Record_Offset(frame, record_size_), head.data(), qn3::Record_Peek_Size,
                            qn3::Record_Peek_Size, fields) != qn3::Record_Read::Read) {
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
