#include "recording/video_file_handler.h"

#include "platform/error_report.h"
#include "recording/record_io.h"

#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cstring>

Field_Position Field_To_Frame(int32_t field) {
  Field_Position at;
  const int64_t frame = (int64_t{field} + 1) / 2; // Int(field / 2 + 0.5) for field >= 0
  at.frame = static_cast<int16_t>(std::clamp<int64_t>(frame, INT16_MIN, INT16_MAX));
  at.field_in_frame = (field % 2) != 0 ? 1 : 2;
  return at;
}

double Frame_Effective_Time(int32_t frame, int32_t mill_per_frame) {
  return (double{1.0} * frame - 1) * mill_per_frame;
}

double Field_Effective_Time(int32_t field, int32_t mill_per_field) {
  return (double{1.0} * field - 1) * mill_per_field;
}

int32_t Snapped_Capture_Time(int32_t capture_mill) {
  const int64_t value = capture_mill;
  int64_t quotient = value >= 0 ? value / 40 : -((-value + 39) / 40); // floor division
  const int64_t rest = value - quotient * 40;                         // 0..39
  if (rest > 20 || (rest == 20 && (quotient % 2) != 0)) ++quotient;
  return static_cast<int32_t>(std::clamp<int64_t>(quotient * 40 - 10, INT32_MIN, INT32_MAX));
}

void cls_VideoFile_handler::Note_Frame_Shown(int16_t frame) {
  current_frame_ = frame;
  effective_player_time_ = Frame_Effective_Time(frame, mill_per_frame_);
}

void cls_VideoFile_handler::Note_Field_Shown(int32_t field) {
  const Field_Position at = Field_To_Frame(field);
  current_frame_ = at.frame;
  current_field_ = field;
  field_to_show_ = at.field_in_frame;
  effective_player_time_ = Field_Effective_Time(field, mill_per_field_);
}

void cls_VideoFile_handler::Show_Placeholder() {
  if (decode_dib_.Width() != width_ || decode_dib_.Height() != height_) {
    if (width_ > 0 && height_ > 0) decode_dib_.Create(width_, height_);
  }
  if (decode_dib_.Is_Empty()) return;
  if (placeholder_.width() != decode_dib_.Width() || placeholder_.height() != decode_dib_.Height()) {
    placeholder_ = QImage(decode_dib_.Width(), decode_dib_.Height(), QImage::Format_RGB32);
    placeholder_.fill(QColor(0, 0, 255));
    QPainter painter(&placeholder_);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(64);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(QRect(10, 100, 490, 300), Qt::AlignCenter, QStringLiteral("Corrupted video\n in this frame!"));
  }
  decode_dib_.LoadPictureBlt(placeholder_, 0, 0, -1, -1);
}

void cls_VideoFile_handler::Report_Read_Error(int16_t frame, int64_t position) {
  report_current_exception(10, QStringLiteral("Read_RGB_sample of Class Module Class_RGB_file_handler"),
                           QStringLiteral(" my_fnum = ") + QString::number(frame) +
                               QStringLiteral(" My_Video_adress = ") + QString::number(position + 1) + file_name_ +
                               QStringLiteral("/End of extra info"));
}

void cls_VideoFile_handler::Read_RGB_sample(int16_t frame, bool decompress) {
  read_error_ = false;
  if (frame == last_decoded_frame_ && frame != 0 && (!decompress || decoded_frame_ == frame)) return;
  int64_t position = -1;
  try {
    if (!File_open() || !file_) throw Dora_Error(52, QStringLiteral("Bad file name or number"));
    position = qn3::Record_Offset(frame, record_size_);
    // Before the first record or without a measured size there is no start marker to find.
    if (position < 0 || record_size_ < qn3::Record_Overhead) return;
    uint8_t* record = read_buffer_.data();
    qn3::Record_Fields fields;
    switch (qn3::Read_Record_At(*file_, position, record, record_size_, qn3::Record_Peek_Size, fields)) {
    case qn3::Record_Read::Read: break;
    // Not a frame: the previous record, its number and its image stay.
    case qn3::Record_Read::Absent: return;
    case qn3::Record_Read::Failed:
      throw Dora_Error(75, QStringLiteral("Path/File access error: ") + QString::fromLocal8Bit(std::strerror(errno)));
    }
    read_record_ = fields;
    last_decoded_frame_ = frame;
    decoded_frame_ = 0;
    snapped_capture_time_ = Snapped_Capture_Time(read_record_.capture_mill);
    if (!decompress) return;

    const int32_t slot_size = static_cast<int32_t>(record_size_ - qn3::Record_Overhead);
    const uint8_t* slot = record + qn3::Record_Head_Size;
    if (codec_tag_ == QLatin1String("IJL") || codec_tag_ == QLatin1String("JPEG")) {
      const int32_t length = qn3::Valid_JPEG_Bytes(read_record_.jpeg_size, slot_size);
      ++decode_count_;
      // No stream is decoded larger than the recording's picture, or, without one, the largest
      // camera's: a damaged stream claiming more costs neither memory nor a message.
      Jpeg_Size_Limit limit{qn3::Max_Picture_Side, qn3::Max_Picture_Side, qn3::Max_Picture_Pixels};
      if (width_ > 0 && height_ > 0) limit = {width_, height_, int64_t{width_} * height_};
      bool ok = length > 0 && codec_.Decode_JPEG(decode_dib_, slot, length, limit);
      // A stream claiming another picture size than the recording's is damaged too.
      if (ok && width_ > 0 && (decode_dib_.Width() != width_ || decode_dib_.Height() != height_)) ok = false;
      if (!ok) Show_Placeholder();
    } else {
      if (decode_dib_.Is_Empty()) Make_Surfaces();
      if (!decode_dib_.Is_Empty()) {
        const int64_t bytes = std::min<int64_t>(decode_dib_.SizeImage(), slot_size);
        std::memcpy(decode_dib_.DIBSectionBitsPtr(), slot, static_cast<size_t>(bytes));
      }
    }
    decoded_frame_ = frame;
  } catch (...) {
    Report_Read_Error(frame, position);
    read_error_ = true;
  }
}
