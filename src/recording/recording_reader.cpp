#include "recording/recording_reader.h"

#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "recording/header_journal.h"
#include "recording/header_values.h"
#include "recording/record_io.h"
#include "recording/recording_file.h"

#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

const QString open_location = QStringLiteral("Open_file of Class Module Class_RGB_file_handler");

int16_t Text_To_Int16(const QString& text, int16_t low, int16_t high) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok) return 0;
  return static_cast<int16_t>(std::clamp(value, int{low}, int{high}));
}

} // namespace

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

Recording_Reader::Recording_Reader(Recording_File& recording) : recording_(recording) {}

void Recording_Reader::Reset_File_State() {
  file_length_ = 0;
  record_size_ = 0;
  first_record_pos_ = qn3::Header_Block_Size;
  frame_count_ = 0;
  field_count_ = 0;
  total_duration_ = 0;
  last_decoded_frame_ = 0;
  decoded_frame_ = 0;
  read_record_ = {};
  current_frame_ = 0;
  current_field_ = 0;
  field_to_show_ = 1;
  snapped_capture_time_ = 0;
  effective_player_time_ = 0;
  base_time_ = 0;
  read_error_ = false;
  stamps_.clear();
  stamps_built_ = false;
}

void Recording_Reader::Make_Surfaces() {
  if (width_ <= 0 || height_ <= 0) {
    decode_dib_.ClearUp();
    field_dib_.ClearUp();
    rotate_dib_.ClearUp();
    return;
  }
  if (decode_dib_.Width() != width_ || decode_dib_.Height() != height_) decode_dib_.Create(width_, height_);
  if (field_dib_.Width() != width_ || field_dib_.Height() != height_) field_dib_.Create(width_, height_);
  if (rotate_dib_.Width() != height_ || rotate_dib_.Height() != width_) rotate_dib_.Create(height_, width_);
}

bool Recording_Reader::Open_File(const QString& file_name) {
  int32_t step = 10;
  try {
    Close_File();
    recording_.set_Name(file_name);
    recording_.set_Suffix({});
    step = 20;
    QFileInfo info(file_name);
    if (!info.exists() || !info.isFile()) {
      Trace_Message(QStringLiteral("*OF1, filename = ") + file_name);
      return false;
    }
    // A header rewrite that a crash cut short is finished (or dropped) before anything is
    // measured: a new recording's very first header may be the journal's alone.
    qn3::Recovery_Result recovery;
    if (Kind_Of_Suffix(info.suffix()) == Recording_Kind::QN3) {
      step = 25;
      if (!Open_For_Review()) return false;
      recovery = recording_.Recover();
      const QString told = qn3::Recovery_Message(recovery, file_name);
      if (!told.isEmpty()) Msg_Box(told);
      info.refresh();
    }
    if (info.size() <= 99) {
      Msg_Box(QStringLiteral("Corrupt file, (Invalid file length)"));
      recording_.Drop();
      return false;
    }
    step = 30;
    const QString suffix = info.suffix().toLower();
    recording_.set_Suffix(suffix);
    switch (Kind_Of_Suffix(suffix)) {
    case Recording_Kind::Unknown:
      Msg_Box(file_name + QStringLiteral("cls_AVI_handler can't open this file type! "));
      return false;
    case Recording_Kind::Known_Unsupported:
      Msg_Box(file_name + QStringLiteral("\r\nRecordings of type .") + suffix +
              QStringLiteral(" are not supported by this program; only .qn3 recordings can be opened."));
      return false;
    case Recording_Kind::QN3: break;
    }
    step = 50;
    if (!Open_QN3(recovery)) return false;
    mill_per_field_ = 20;
    mill_per_frame_ = interlaced_ ? 40 : 20;
    step = 60;
    total_duration_ = mill_per_frame_ * frame_count_;
    Make_Surfaces();
    Trace_Message(QStringLiteral("*Open_File, end"), file_name, frame_count_, record_size_);
    return recording_.Is_Open();
  } catch (...) {
    report_current_exception(step, open_location);
    recording_.Drop();
    return false;
  }
}

bool Recording_Reader::Open_For_Review() {
  const QString& name = recording_.Name();
  // A file the user may not write is still reviewed; only writing to it is refused. One without
  // write permission is opened for reading even where the system would allow more (root), and
  // so is one another program is writing now.
  recording_.set_Read_only(Inspection_Only() || File_Is_Read_Only(name));
  if (!recording_.Read_only() && recording_.Open(QIODevice::ReadWrite)) return true;
  if (recording_.Locked_Elsewhere())
    Trace_Message(QStringLiteral("*Open_File, written by another program, opened read only"), name);
  recording_.set_Read_only(true);
  QString why;
  if (!recording_.Open(QIODevice::ReadOnly, &why)) {
    Beep();
    Msg_Box(QStringLiteral("Windows error when trying to open file: ") + name + QStringLiteral("\r\n") +
            QStringLiteral("Windows says: ") + why + QStringLiteral(" ,error number = 75"));
    return false;
  }
  return true;
}

bool Recording_Reader::Open_QN3(const qn3::Recovery_Result& recovery) {
  const QString& name = recording_.Name();
  file_length_ = QFileInfo(name).size();
  last_decoded_frame_ = 0;
  decoded_frame_ = 0;
  QFile& file = *recording_.Device();
  if (!file.seek(0)) throw Dora_Error(75, QStringLiteral("Path/File access error: ") + file.errorString());

  // A fixed amount is read however long the recording is: the first records and the header.
  std::vector<uint8_t> head(static_cast<size_t>(std::min<int64_t>(file_length_, qn3::Marker_Search_Bytes)));
  const int64_t got = file.read(reinterpret_cast<char*>(head.data()), static_cast<qint64>(head.size()));
  if (got < 0) throw Dora_Error(75, QStringLiteral("Path/File access error: ") + file.errorString());
  const qn3::Record_Layout layout = qn3::Measure_Records(head.data(), got, file_length_);

  Cls_XML_header& h = recording_.Header();
  // A recording not written now keeps its journal of its own; the journal holds its newest header.
  if (recovery.outcome == qn3::Recovery::Read_Only)
    h.set_XML_string(qn3::Parse_Header_Text(recovery.block.data(), qn3::Header_Block_Size));
  else
    h.set_XML_string(qn3::Parse_Header_Text(head.data(), got));
  first_record_pos_ = qn3::Header_Block_Size;
  using header_values::Text;
  const int64_t width = header_values::Number([&] { return h.RGB_X(); });
  const int64_t height = header_values::Number([&] { return h.RGB_Y(); });
  // The surfaces are made at this size: a size no camera gives is a damaged header. A side of
  // 0 (or no number) is no size at all.
  const bool given = width != 0 && height != 0;
  if (width < 0 || height < 0 || width > qn3::Max_Picture_Side || height > qn3::Max_Picture_Side ||
      (given && !qn3::Picture_Size_Allowed(width, height))) {
    Trace_Message(QStringLiteral("*Open_QN3, picture size"), width, height);
    Msg_Box(Invalid_Picture_Size_Message());
    recording_.Drop();
    return false;
  }
  const int16_t old_width = width_;
  // Half a size is none: the pictures then come at their own size.
  width_ = given ? static_cast<int16_t>(width) : 0;
  height_ = given ? static_cast<int16_t>(height) : 0;
  interlaced_ = header_values::Flag([&] { return h.RGB_interlaced(); });
  codec_tag_ = Text([&] { return h.RGB_fourcc(); });
  rotated_ = header_values::Flag([&] { return h.RGB_Rotated(); });
  const QString spare = Text([&] { return h.Hdr_spare1(); }, QStringLiteral("0000"));
  top_delimiter_row_ = spare == QLatin1String("0000") ? 0 : Text_To_Int16(spare, INT16_MIN, INT16_MAX);
  if (old_width != width_) Make_Surfaces();

  record_size_ = layout.record_size;
  frame_count_ = layout.frame_count;
  // A record can never be longer than twice what follows the header (more than half of a last
  // record counts); a longer one comes from a damaged descriptor and is not read.
  if (record_size_ < qn3::Record_Overhead || record_size_ > qn3::Max_Measurable_Record ||
      record_size_ > 2 * (file_length_ - qn3::Header_Block_Size) + 2) {
    if (layout.source != qn3::Layout_Source::None)
      Trace_Message(QStringLiteral("*Open_QN3, record size not measurable"), record_size_);
    record_size_ = 0;
    frame_count_ = 0;
    // Bytes enough for a frame that cannot be found: the header still opens, without pictures.
    if (file_length_ - qn3::Header_Block_Size >= qn3::Record_Overhead) Msg_Box(Invalid_Record_Size_Message());
  }
  const QString header_size = Text([&] { return h.RGB_Sample_Size(); });
  const QString header_frames = Text([&] { return h.Frames_no(); });
  if (header_size != QString::number(record_size_) || header_frames != QString::number(frame_count_))
    Trace_Message(QStringLiteral("*Open_QN3, measured record size and frames"), record_size_, frame_count_,
                  QStringLiteral("header says"), header_size, header_frames);

  read_buffer_.assign(static_cast<size_t>(record_size_), 0);
  field_count_ = interlaced_ ? static_cast<int16_t>(std::min(frame_count_ * 2, int{INT16_MAX})) : frame_count_;

  if (frame_count_ >= 2) {
    for (const int16_t frame : {int16_t{1}, int16_t{2}, int16_t{1}, frame_count_}) {
      Read_RGB_sample(frame, false);
      if (read_error_) break;
    }
  }
  return true;
}

void Recording_Reader::Close_File() {
  recording_.Close();
  Reset_File_State();
}

void Recording_Reader::Note_Frame_Shown(int16_t frame) {
  current_frame_ = frame;
  effective_player_time_ = Frame_Effective_Time(frame, mill_per_frame_);
}

void Recording_Reader::Note_Field_Shown(int32_t field) {
  const Field_Position at = Field_To_Frame(field);
  current_frame_ = at.frame;
  current_field_ = field;
  field_to_show_ = at.field_in_frame;
  effective_player_time_ = Field_Effective_Time(field, mill_per_field_);
}

void Recording_Reader::Show_Placeholder() {
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

void Recording_Reader::Report_Read_Error(int16_t frame, int64_t position) {
  report_current_exception(10, QStringLiteral("Read_RGB_sample of Class Module Class_RGB_file_handler"),
                           QStringLiteral(" my_fnum = ") + QString::number(frame) +
                               QStringLiteral(" My_Video_adress = ") + QString::number(position + 1) +
                               recording_.Name() + QStringLiteral("/End of extra info"));
}

void Recording_Reader::Read_RGB_sample(int16_t frame, bool decompress) {
  read_error_ = false;
  if (frame == last_decoded_frame_ && frame != 0 && (!decompress || decoded_frame_ == frame)) return;
  int64_t position = -1;
  try {
    if (!recording_.Is_Open() || !recording_.Device()) throw Dora_Error(52, QStringLiteral("Bad file name or number"));
    position = qn3::Record_Offset(frame, record_size_);
    // Before the first record or without a measured size there is no start marker to find.
    if (position < 0 || record_size_ < qn3::Record_Overhead) return;
    uint8_t* record = read_buffer_.data();
    qn3::Record_Fields fields;
    switch (qn3::Read_Record_At(*recording_.Device(), position, record, record_size_, qn3::Record_Peek_Size, fields)) {
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
