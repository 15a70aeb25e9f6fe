#pragma once
// A second, read-only way into a recording for work beside the review: its own file handle, so
// a worker thread can read records while the window's handler shows pictures. It knows only the
// layout the handler measured when it opened the file.
#include "recording/qn3_format.h"

#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

class cls_VideoFile_handler;

// What the handler found when it opened a recording, copied so other threads need not ask it.
struct Recording_Layout {
  QString path;
  int64_t first_record_pos = qn3::Header_Block_Size;
  int64_t record_size = 0;
  int16_t frame_count = 0;
  int32_t width = 0; // the decoded picture
  int32_t height = 0;
  bool interlaced = false;
  double field_interval_ms = 20; // second field after the first
  bool rotated = false;
  bool jpeg = true; // false: the slot holds the bottom-up 24-bit picture itself

  // The recording open in the handler; a layout with frame_count 0 when none is.
  static Recording_Layout Of(const cls_VideoFile_handler& handler);
  // Columns of a slit image: one per field when interlaced, else one per frame.
  int32_t Columns() const { return interlaced ? 2 * int32_t{frame_count} : frame_count; }
  bool Usable() const {
    return frame_count > 0 && record_size >= qn3::Record_Overhead && qn3::Picture_Size_Allowed(width, height);
  }
};

class Record_Reader {
public:
  // False, with the reason, when the file cannot be read or the layout is unusable.
  bool Open(const Recording_Layout& layout, QString& why);
  void Close();
  const Recording_Layout& Layout() const { return layout_; }

  // Reads record `frame` whole. False for a frame outside the recording, a record cut short before
  // its head ends or one without its start marker; the last record read is then kept no more.
  bool Read(int16_t frame);
  const qn3::Record_Fields& Fields() const { return fields_; }
  // The slot's bytes that hold the picture (the JPEG, or the raw picture).
  const uint8_t* Picture_Bytes() const { return record_.data() + qn3::Record_Head_Size; }
  int32_t Picture_Length() const { return picture_length_; }

  // The head of record `frame` only; false as for Read.
  bool Read_Head(int16_t frame, qn3::Record_Fields& fields);

private:
  Recording_Layout layout_;
  QFile file_;
  std::vector<uint8_t> record_;
  qn3::Record_Fields fields_;
  int32_t picture_length_ = 0;
};
