#include "recording/video_file_handler.h"

#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "recording/header_journal.h"

#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <sys/stat.h>

namespace {

const QString open_location = QStringLiteral("Open_file of Class Module Class_RGB_file_handler");

// Header values read at open: a missing or unreadable element gives the fallback, so a damaged
// header still opens with whatever frames the file holds.
QString Safe_Text(const std::function<QString()>& read, const QString& fallback = {}) {
  try {
    return read();
  } catch (const std::exception&) {
    return fallback;
  }
}

bool Safe_Flag(const std::function<bool()>& read) {
  try {
    return read();
  } catch (const std::exception&) {
    return false;
  }
}

int16_t Text_To_Int16(const QString& text, int16_t low, int16_t high) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok) return 0;
  return static_cast<int16_t>(std::clamp(value, int{low}, int{high}));
}

// A picture side from the header: 0 when missing or not a number, else the number itself.
int64_t Text_To_Side(const QString& text) {
  bool ok = false;
  const qlonglong value = text.trimmed().toLongLong(&ok);
  return ok ? value : 0;
}

} // namespace

Recording_Kind Kind_Of_Suffix(const QString& suffix) {
  const QString upper = suffix.toUpper();
  if (upper == QLatin1String("QN3")) return Recording_Kind::QN3;
  for (const char* known : {"AVI", "QN1", "SDV", "DV", "QN2"})
    if (upper == QLatin1String(known)) return Recording_Kind::Known_Unsupported;
  return Recording_Kind::Unknown;
}

bool File_Is_Read_Only(const QString& path) {
  const QFileDevice::Permissions writable = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
  if ((QFile::permissions(path) & writable) == 0) return true;
  QFile probe(path);
  if (!probe.open(QIODevice::ReadWrite)) return true;
  probe.close();
  return false;
}

cls_VideoFile_handler::cls_VideoFile_handler() : header_(std::make_unique<Cls_XML_header>()) {}

cls_VideoFile_handler::~cls_VideoFile_handler() {
  try {
    Close_File();
  } catch (...) {
    // Nothing may leave a destructor; Close_File reports its own failures.
  }
}

void cls_VideoFile_handler::Reset_File_State() {
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

void cls_VideoFile_handler::Make_Surfaces() {
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

bool cls_VideoFile_handler::Open_File(const QString& file_name, bool no_play) {
  (void)no_play; // playback starts elsewhere; the flag is kept for callers
  int32_t step = 10;
  try {
    Close_File();
    file_name_ = file_name;
    file_suffix_.clear();
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
      read_only_ = File_Is_Read_Only(file_name);
      recovery = qn3::Recover_Header(file_name, !read_only_);
      info.refresh();
    }
    if (info.size() <= 99) {
      Msg_Box(QStringLiteral("Corrupt file, (Invalid file length)"));
      return false;
    }
    step = 30;
    file_suffix_ = info.suffix().toLower();
    switch (Kind_Of_Suffix(file_suffix_)) {
    case Recording_Kind::Unknown:
      Msg_Box(file_name + QStringLiteral("cls_AVI_handler can't open this file type! "));
      return false;
    case Recording_Kind::Known_Unsupported:
      Msg_Box(file_name + QStringLiteral("\r\nRecordings of type .") + file_suffix_ +
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
    return File_open();
  } catch (...) {
    report_current_exception(step, open_location);
    if (file_) file_->close();
    file_number_ = 0;
    return false;
  }
}

bool cls_VideoFile_handler::Open_QN3(const qn3::Recovery_Result& recovery) {
  file_length_ = QFileInfo(file_name_).size();
  last_decoded_frame_ = 0;
  decoded_frame_ = 0;
  file_ = std::make_unique<QFile>(file_name_);
  // A file the user may not write is still reviewed; only writing to it is refused. One without
  // write permission is opened for reading even where the system would allow more (root).
  if (read_only_ || !file_->open(QIODevice::ReadWrite)) {
    read_only_ = true;
    if (!file_->open(QIODevice::ReadOnly)) {
      Beep();
      file_number_ = 0;
      Msg_Box(QStringLiteral("Windows error when trying to open file: ") + file_name_ + QStringLiteral("\r\n") +
              QStringLiteral("Windows says: ") + file_->errorString() + QStringLiteral(" ,error number = 75"));
      file_.reset();
      return false;
    }
  }
  file_number_ = 1;

  // A fixed amount is read however long the recording is: the first records and the header.
  std::vector<uint8_t> head(static_cast<size_t>(std::min<int64_t>(file_length_, qn3::Marker_Search_Bytes)));
  const int64_t got = file_->read(reinterpret_cast<char*>(head.data()), static_cast<qint64>(head.size()));
  if (got < 0) throw Dora_Error(75, QStringLiteral("Path/File access error: ") + file_->errorString());
  const qn3::Record_Layout layout = qn3::Measure_Records(head.data(), got, file_length_);

  // A recording that cannot be written keeps its journal; the journal holds its newest header.
  if (recovery.outcome == qn3::Recovery::Read_Only)
    header_->set_XML_string(qn3::Parse_Header_Text(recovery.block.data(), qn3::Header_Block_Size));
  else
    header_->set_XML_string(qn3::Parse_Header_Text(head.data(), got));
  first_record_pos_ = qn3::Header_Block_Size;
  const Cls_XML_header& h = *header_;
  creation_date_ = Safe_Text([&] { return h.Creation_date(); });
  const int64_t width = Text_To_Side(Safe_Text([&] { return h.RGB_X(); }));
  const int64_t height = Text_To_Side(Safe_Text([&] { return h.RGB_Y(); }));
  // The surfaces are made at this size: a size no camera gives is a damaged header. A side of
  // 0 (or no number) is no size at all.
  const bool given = width != 0 && height != 0;
  if (width < 0 || height < 0 || width > qn3::Max_Picture_Side || height > qn3::Max_Picture_Side ||
      (given && !qn3::Picture_Size_Allowed(width, height))) {
    Trace_Message(QStringLiteral("*Open_QN3, picture size"), width, height);
    Msg_Box(Invalid_Picture_Size_Message());
    file_->close();
    file_.reset();
    file_number_ = 0;
    return false;
  }
  const int16_t old_width = width_;
  // Half a size is none: the pictures then come at their own size.
  width_ = given ? static_cast<int16_t>(width) : 0;
  height_ = given ? static_cast<int16_t>(height) : 0;
  interlaced_ = Safe_Flag([&] { return h.RGB_interlaced(); });
  codec_tag_ = Safe_Text([&] { return h.RGB_fourcc(); });
  rotated_ = Safe_Flag([&] { return h.RGB_Rotated(); });
  const QString spare = Safe_Text([&] { return h.Hdr_spare1(); }, QStringLiteral("0000"));
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
  const QString header_size = Safe_Text([&] { return h.RGB_Sample_Size(); });
  const QString header_frames = Safe_Text([&] { return h.Frames_no(); });
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

void cls_VideoFile_handler::Close_File() {
  int32_t step = 10;
  try {
    if (File_open() && frames_appended_ > 0) {
      step = 20;
      Finish_Append_Pass();
    }
    step = 30;
    if (file_) {
      if (file_->isOpen()) {
        file_->seek(0);
        file_->close();
      }
      file_.reset();
    }
  } catch (...) {
    report_current_exception(step, QStringLiteral("Close_File of Class Module Class_RGB_file_handler"));
    file_.reset();
  }
  file_number_ = 0;
  Reset_File_State();
}

void cls_VideoFile_handler::Finish_Append_Pass() {
  const int32_t appended = frames_appended_;
  frames_appended_ = 0; // a failure below is reported once, not again at the close
  // The records reach the disk before the header counts them.
  qn3::Sync_Descriptor(file_->handle(), file_name_);
  Cls_XML_header& h = *header_;
  // Counts of a damaged header are taken within what a file can hold, so adding cannot overflow.
  const auto number = [](const QString& text) {
    return std::clamp<int64_t>(text.trimmed().toLongLong(), 0, INT32_MAX);
  };
  h.set_Frames_no(QString::number(number(Safe_Text([&] { return h.Frames_no(); })) + appended));
  if (writer_record_size_ > 0) h.set_RGB_Sample_Size(QString::number(writer_record_size_));
  h.set_Segments_no(QString::number(number(Safe_Text([&] { return h.Segments_no(); })) + 1));
  const int64_t stored_max = number(Safe_Text([&] { return h.RGB_Compressed_max_Size(); }));
  if (largest_jpeg_ > stored_max) h.set_RGB_Compressed_max_Size(QString::number(largest_jpeg_));
  // A stored 0 means no frame was measured yet, not a zero-byte JPEG.
  const int64_t stored_min = number(Safe_Text([&] { return h.RGB_Compressed_min_Size(); }));
  if (smallest_jpeg_ > 0 && (stored_min <= 0 || smallest_jpeg_ < stored_min))
    h.set_RGB_Compressed_min_Size(QString::number(smallest_jpeg_));
  Write_QN3_header();
}

bool cls_VideoFile_handler::Still_On_Disk() const {
  if (!File_open() || !file_ || !file_->isOpen()) return true;
  struct stat held {};
  struct stat named {};
  if (::fstat(file_->handle(), &held) != 0) return false;
  if (::stat(QFile::encodeName(file_name_).constData(), &named) != 0) return false;
  return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

void cls_VideoFile_handler::Write_QN3_header() {
  if (!File_open() || !file_) return;
  if (!Still_On_Disk()) throw Dora_Error(75, Recording_Gone_Message(file_name_));
  const QByteArray text = qn3::Encode_Header_Text(header_->XML_string());
  std::vector<uint8_t> block(qn3::Header_Block_Size);
  if (!qn3::Build_Header_Block(text, block.data()))
    throw Dora_Error(6, QStringLiteral("XML header of %1 characters does not fit the header block of %2")
                            .arg(text.size())
                            .arg(qn3::Text_Area_Size));
  if (!file_->isWritable()) throw Dora_Error(75, QStringLiteral("File is read only!"));
  const qint64 position = file_->pos();
  try {
    qn3::Rewrite_Header_Block(*file_, file_name_, block.data());
  } catch (...) {
    file_->seek(position);
    throw;
  }
  file_->seek(position);
}

bool cls_VideoFile_handler::Reopen_For_Update() {
  if (File_open() && file_ && file_->isWritable()) return true;
  if (File_open()) return false;
  if (file_name_.isEmpty() || File_Is_Read_Only(file_name_)) return false;
  // A rewrite cut short is finished first: the next one replaces its journal.
  qn3::Recover_Header(file_name_);
  file_ = std::make_unique<QFile>(file_name_);
  if (!file_->open(QIODevice::ReadWrite)) {
    file_.reset();
    return false;
  }
  file_number_ = 1;
  return true;
}
