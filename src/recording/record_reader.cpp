#include "recording/record_reader.h"

#include "recording/record_io.h"
#include "recording/video_file_handler.h"

Recording_Layout Recording_Layout::Of(const cls_VideoFile_handler& handler) {
  Recording_Layout layout;
  if (!handler.File_open()) return layout;
  layout.path = handler.File_name();
  layout.first_record_pos = handler.First_Record_Position();
  layout.record_size = handler.Record_Size();
  layout.frame_count = handler.Num_Frames();
  layout.width = handler.Width();
  layout.height = handler.Height();
  layout.interlaced = handler.RGB_interlaced();
  layout.field_interval_ms = handler.Field_Interval_Ms();
  layout.rotated = handler.Rotated();
  const QString codec = handler.Codec_Tag();
  layout.jpeg = codec == QLatin1String("IJL") || codec == QLatin1String("JPEG");
  return layout;
}

bool Record_Reader::Open(const Recording_Layout& layout, QString& why) {
  Close();
  if (!layout.Usable()) {
    why = QStringLiteral("The recording holds no readable pictures");
    return false;
  }
  // A record larger than any the measurement accepts is no record of this system.
  if (layout.record_size > qn3::Max_Measurable_Record) {
    why = QStringLiteral("Corrupt file, (Invalid record size)");
    return false;
  }
  file_.setFileName(layout.path);
  if (!file_.open(QIODevice::ReadOnly)) {
    why = file_.errorString();
    return false;
  }
  layout_ = layout;
  record_.assign(static_cast<size_t>(layout.record_size), 0);
  return true;
}

void Record_Reader::Close() {
  if (file_.isOpen()) file_.close();
  layout_ = {};
  picture_length_ = 0;
}

bool Record_Reader::Read_Head(int16_t frame, qn3::Record_Fields& fields) {
  if (!file_.isOpen() || frame < 1 || frame > layout_.frame_count) return false;
  uint8_t head[qn3::Record_Head_Size];
  const int64_t offset = layout_.first_record_pos + (int64_t{frame} - 1) * layout_.record_size;
  return qn3::Read_Record_At(file_, offset, head, qn3::Record_Head_Size, qn3::Record_Peek_Size, fields) ==
         qn3::Record_Read::Read;
}

bool Record_Reader::Read(int16_t frame) {
  picture_length_ = 0;
  if (!file_.isOpen() || frame < 1 || frame > layout_.frame_count) return false;
  const int64_t offset = layout_.first_record_pos + (int64_t{frame} - 1) * layout_.record_size;
  if (qn3::Read_Record_At(file_, offset, record_.data(), layout_.record_size, qn3::Record_Head_Size, fields_) !=
      qn3::Record_Read::Read)
    return false;
  const auto slot = static_cast<int32_t>(layout_.record_size - qn3::Record_Overhead);
  picture_length_ = layout_.jpeg ? qn3::Valid_JPEG_Bytes(fields_.jpeg_size, slot) : slot;
  return picture_length_ > 0;
}
