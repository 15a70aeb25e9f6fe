#include "recording/recording_writer.h"

#include "metadata/xml_header.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/trace.h"
#include "recording/frame_buffers.h"
#include "recording/header_journal.h"
#include "recording/header_values.h"
#include "recording/qn3_writer.h"
#include "recording/recording_file.h"
#include "recording/recording_reader.h"

#include <QFileInfo>
#include <algorithm>
#include <numeric>

namespace {

const QString append_location = QStringLiteral("append_RGB_frame of cls_avi_handler");
const QString compress_location = QStringLiteral("Compress_Frame of Class Module Class_RGB_file_handler");

QString Class_Location(const char* procedure) {
  return QString::fromLatin1(procedure) + QStringLiteral(" of Class Module Class_RGB_file_handler");
}

} // namespace

Recording_Writer::Recording_Writer(Recording_File& recording, Recording_Reader& reader)
    : recording_(recording), reader_(reader) {}

Recording_Writer::~Recording_Writer() = default;

void Recording_Writer::set_Cropped_X(int32_t width) { crop_x_ = std::max(width, 0); }

void Recording_Writer::set_Cropped_Y(int32_t height) {
  crop_y_ = std::max(height, 0);
  encoder_.reset(); // its work surface takes the new size on next use
}

void Recording_Writer::set_Running_Fps(int16_t fps) {
  try {
    recording_.Header().set_RGB_fps(QString::number(fps));
  } catch (...) {
    report_current_exception(10, Class_Location("Running_Fps"));
  }
}

void Recording_Writer::set_File_name(const QString& path) { recording_.set_Name(path); }

bool Recording_Writer::Encode_Interlaced() const {
  // The header of the file being written says, also when another handler created it.
  try {
    return recording_.Header().RGB_interlaced();
  } catch (const std::exception&) {
    return interlaced_setting_;
  }
}

qn3::Frame_Encoder& Recording_Writer::Encoder() {
  const bool interlaced = Encode_Interlaced();
  if (!encoder_ || encoder_->Width() != crop_x_ || encoder_->Height() != crop_y_ ||
      encoder_->Interlaced() != interlaced)
    encoder_ = std::make_unique<qn3::Frame_Encoder>(crop_x_, crop_y_, interlaced);
  return *encoder_;
}

void Recording_Writer::Prepare_Record_Buffer() {
  const auto size = static_cast<std::size_t>(qn3::Record_Size_For_Slot(std::max(slot_size_, 0)));
  if (write_record_.size() != size) write_record_.assign(size, 0);
}

void Recording_Writer::Write_XML_Fields() {
  Cls_XML_header& h = recording_.Header();
  h.set_RGB_X(QString::number(crop_x_));
  h.set_RGB_Y(QString::number(crop_y_));
  h.set_RGB_interlaced(interlaced_setting_);
  h.set_RGB_preview_on(false);
  h.set_RGB_JPEG_Quality(QString::number(initial_quality_));
  h.set_RGB_fps(QStringLiteral("0"));
  h.set_RGB_Rotated(rotate_setting_);
  h.set_Hdr_spare1(QString::number(top_delimiter_setting_));
  h.set_comment(1, QString());
  if (jpeg_compression_on_) {
    h.set_RGB_fourcc(compressor_name_ == QLatin1String("Intel") ? QStringLiteral("IJL") : QStringLiteral("MJPG"));
    h.set_RGB_JPEG_codec(compressor_name_);
  } else {
    h.set_RGB_Image_Size(QString::number(cDIBSection::Bytes_Per_Scan_Line_For(crop_x_) * int64_t{crop_y_}));
  }
}

bool Recording_Writer::Initiate_QN3_File(const QString& path) {
  set_File_name(path);
  return Initiate_QN3_File();
}

bool Recording_Writer::Initiate_QN3_File() {
  int32_t step = 10;
  try {
    slot_size_ = 0;
    last_jpeg_size_ = 0;
    // A new file may get another slot size, so its record size is measured afresh.
    recording_.Tally() = Append_Tally{};
    // The fresh header must never land in a recording that happens to be open for review.
    if (recording_.Is_Open()) reader_.Close_File();
    step = 20;
    if (recording_.Name().isEmpty()) throw Dora_Error(75, QStringLiteral("No file name for the new recording"));
    if (crop_x_ > qn3::Max_Picture_Side || crop_y_ > qn3::Max_Picture_Side ||
        int64_t{crop_x_} * crop_y_ > qn3::Max_Picture_Pixels)
      throw Dora_Error(6, QStringLiteral("A picture of %1 x %2 is larger than the largest camera's (%3 x %4)")
                              .arg(crop_x_)
                              .arg(crop_y_)
                              .arg(qn3::Max_Picture_Side)
                              .arg(qn3::Max_Picture_Pixels / qn3::Max_Picture_Side));
    const auto holds_frames = [&] {
      return Dora_Error(58, QStringLiteral("File already exists and holds frames, it is not overwritten: ") +
                                recording_.Name());
    };
    const QFileInfo info(recording_.Name());
    if (info.exists() && info.size() > qn3::Header_Block_Size) throw holds_frames();
    step = 30;
    recording_.Header().rgb_let(-1);
    recording_.Header().Create_Header();
    recording_.Header().set_Recording_ID(New_Recording_ID());
    Write_XML_Fields();
    header_owner_.clear();
    step = 40;
    QString why;
    // Emptied only under the lock, and only when no frames came in since the look above.
    if (!recording_.Open(QIODevice::ReadWrite, &why))
      throw Dora_Error(75,
                       QStringLiteral("Cannot create the recording ") + recording_.Name() + QStringLiteral(": ") + why);
    if (recording_.Device()->size() > qn3::Header_Block_Size) {
      recording_.Drop();
      throw holds_frames();
    }
    if (!recording_.Device()->resize(0))
      throw Dora_Error(75, QStringLiteral("Cannot create the recording ") + recording_.Name() + QStringLiteral(": ") +
                               recording_.Device()->errorString());
    // A journal left by an earlier file of this name must never land in the new one.
    qn3::Remove_Journal(recording_.Name());
    step = 50;
    recording_.Write_Header_Block();
    qn3::Sync_Folder_Of(recording_.Name()); // the new file's entry, too, reaches the disk
    header_owner_ = recording_.Name();
    reader_.Close_File();
    Trace_Message(QStringLiteral("*Initiate_QN3_File, end"), recording_.Name());
    return true;
  } catch (...) {
    report_current_exception(step, Class_Location("Initiate_QN3_File"));
    reader_.Close_File();
    return false;
  }
}

bool Recording_Writer::Write_XML_Header() {
  int32_t step = 10;
  try {
    recording_.Header().set_Update_Time(Local_Now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    recording_.Header().set_Update_Program(program().Program_Name);
    step = 20;
    if (!recording_.Is_Open() && !recording_.Reopen_For_Update())
      throw Dora_Error(75, QStringLiteral("Cannot open the recording for writing: ") + recording_.Name());
    step = 30;
    recording_.Write_Header_Block();
    header_owner_ = recording_.Name();
    return true;
  } catch (...) {
    report_current_exception(step, Class_Location("Write_XML_Header"));
    return false;
  }
}

void Recording_Writer::ReCreate_XML_header() {
  try {
    // The recording stays the one it was: its ID goes into the new document.
    const QString id = recording_.Header().Recording_ID();
    recording_.Header().rgb_let(-1);
    recording_.Header().Create_Header();
    if (!id.isEmpty()) recording_.Header().set_Recording_ID(id);
    Write_XML_Fields();
    // A sized slot stays with the file, so that a later pass appends records of the same size.
    if (slot_size_ > 0) recording_.Header().set_RGB_Image_Size(QString::number(slot_size_));
  } catch (...) {
    report_current_exception(10, Class_Location("ReCreate_XML_header"));
    return;
  }
  Write_XML_Header();
}

void Recording_Writer::Open_qn3_for_Append() {
  Trace_Message(QStringLiteral("*Open_qn3_for_Append"), recording_.Name());
  // The document is read from the file only when it is not already this file's: changes made
  // in memory since the last header write must not be lost.
  Open_For_Append(header_owner_.isEmpty() || header_owner_ != recording_.Name(), 0);
}

void Recording_Writer::Open_For_Append(bool adopt_header, int32_t pass_slot) {
  Cls_XML_header& h = recording_.Header();
  if (!recording_.Is_Open()) {
    if (recording_.Name().isEmpty()) throw Dora_Error(75, QStringLiteral("No recording to append to"));
    if (QFileInfo::exists(recording_.Name()) && File_Is_Read_Only(recording_.Name()))
      throw Dora_Error(75, QStringLiteral("File is read only!"));
    // Unbuffered: after a refused write no bytes may wait in a buffer, to land later wherever
    // the next write goes (the header block).
    QString why;
    if (!recording_.Open(QIODevice::ReadWrite | QIODevice::Unbuffered, &why))
      throw Dora_Error(75, QStringLiteral("Cannot open the recording for appending: ") + recording_.Name() +
                               QStringLiteral(": ") + why);
    // A rewrite cut short must be finished before the header is read or written again.
    recording_.Recover();
  } else if (!recording_.Device()->isWritable()) {
    throw Dora_Error(75, QStringLiteral("File is read only!"));
  }

  QFile& file = *recording_.Device();
  const int64_t length = file.size();
  std::vector<uint8_t> head(static_cast<std::size_t>(std::min<int64_t>(length, qn3::Marker_Search_Bytes)));
  if (!file.seek(0)) throw Dora_Error(75, QStringLiteral("Path/File access error: ") + file.errorString());
  const int64_t got = file.read(reinterpret_cast<char*>(head.data()), static_cast<qint64>(head.size()));
  if (got < 0) throw Dora_Error(75, QStringLiteral("Path/File access error: ") + file.errorString());

  if (length < qn3::Header_Block_Size) {
    if (adopt_header)
      throw Dora_Error(75, recording_.Name() + QStringLiteral(" is not a recording: its header block is incomplete"));
    recording_.Write_Header_Block(); // the document is this file's: the block is made whole again
  } else if (adopt_header) {
    h.set_XML_string(qn3::Parse_Header_Text(head.data(), got));
    header_owner_ = recording_.Name();
    if (crop_x_ <= 0 || crop_y_ <= 0) {
      const int64_t width = header_values::Number([&] { return h.RGB_X(); }, 0);
      const int64_t height = header_values::Number([&] { return h.RGB_Y(); }, 0);
      // The encoders' surfaces are made at this size.
      if (!qn3::Picture_Size_Allowed(width, height))
        throw Dora_Error(75, Invalid_Picture_Size_Message() + QStringLiteral(": ") + recording_.Name());
      crop_x_ = static_cast<int32_t>(width);
      set_Cropped_Y(static_cast<int32_t>(height));
    }
  }

  int64_t header_slot = header_values::Number([&] { return h.RGB_Image_Size(); }, 0);
  if (header_slot < 1 || header_slot > qn3::Max_Measurable_Record - qn3::Record_Overhead) header_slot = 0;
  // Records already there fix the slot: every record of a file has the same size.
  const qn3::Append_Plan plan = qn3::Plan_Append(qn3::Measure_Records(head.data(), got, length), length,
                                                 static_cast<int32_t>(header_slot), pass_slot);
  switch (plan.refusal) {
  case qn3::Append_Refusal::None: break;
  case qn3::Append_Refusal::Unmeasured:
    throw Dora_Error(75, QStringLiteral("The frames already in the recording cannot be measured; nothing was "
                                        "appended, so that none of them is lost: ") +
                             recording_.Name());
  case qn3::Append_Refusal::Other_Slot:
    throw Dora_Error(75, QStringLiteral("The frames in the recording have slots of %1 bytes, these frames have "
                                        "slots of %2; nothing more was appended: ")
                                 .arg(plan.slot)
                                 .arg(pass_slot) +
                             recording_.Name());
  }
  if (plan.slot > 0) {
    if (slot_size_ != plan.slot) {
      if (slot_size_ != 0)
        Trace_Message(QStringLiteral("*Open_qn3_for_Append, slot of the file"), plan.slot, slot_size_);
      slot_size_ = plan.slot;
    }
    recording_.Tally().record_size = plan.record_size;
  } else if (slot_size_ == 0 && header_slot > 0 && header_slot <= qn3::Max_Slot_Size) {
    slot_size_ = static_cast<int32_t>(header_slot);
  }

  const int64_t now_length = file.size();
  if (now_length > plan.offset) {
    // A record cut short by an earlier failure (or bytes that are no record) would shift every
    // record written after it.
    Trace_Message(QStringLiteral("*Open_qn3_for_Append, cut incomplete tail"), now_length, plan.offset);
    if (!file.resize(plan.offset))
      throw Dora_Error(75, QStringLiteral("Cannot cut the incomplete last record: ") + file.errorString());
  }
  if (header_values::Number([&] { return h.Frames_no(); }, -1) != int64_t{plan.complete_records})
    h.set_Frames_no(QString::number(plan.complete_records));
  if (!file.seek(plan.offset)) throw Dora_Error(75, QStringLiteral("Path/File access error: ") + file.errorString());
  Prepare_Record_Buffer();
}

Jpeg_Encode_Result Recording_Writer::Encode_Sample(const Frame_List& buffers, int32_t index, int32_t quality) {
  if (jpeg_buffer_.size() != qn3::Sizing_Buffer_Capacity + 2) jpeg_buffer_.assign(qn3::Sizing_Buffer_Capacity + 2, 0);
  const CVideobuff_RGB* frame = buffers(index);
  Jpeg_Encode_Result result;
  if (!frame) {
    result.message = QStringLiteral("There is no captured frame %1").arg(index);
    return result;
  }
  qn3::Frame_Encoder& encoder = Encoder();
  if (!encoder.Load(*frame, result.message)) return result;
  return encoder.Encode(jpeg_buffer_.data(), qn3::Sizing_Buffer_Capacity, quality);
}

bool Recording_Writer::Compress_Frame(const Frame_List& buffers, int32_t index, int32_t quality) {
  try {
    if (compressor_name_ != QLatin1String("Intel")) return true;
    const Jpeg_Encode_Result result = Encode_Sample(buffers, index, quality);
    if (!result.ok()) throw Dora_Error(Jpeg_Error_Number, result.message);
    last_jpeg_size_ = result.size;
    return true;
  } catch (...) {
    report_current_exception(30, compress_location);
    return false;
  }
}

void Recording_Writer::Calculate_Compressed_Size(const Frame_List& buffers) {
  int32_t step = 10;
  try {
    if (!jpeg_compression_on_) return;
    int32_t largest = 0;
    if (compressor_name_ == QLatin1String("Intel")) {
      step = 20;
      for (const int32_t position : qn3::Sizing_Sample_Positions(buffers.Count())) {
        const Jpeg_Encode_Result result = Encode_Sample(buffers, position, initial_quality_);
        if (result.ok()) {
          last_jpeg_size_ = result.size;
          largest = std::max(largest, result.size);
        } else if (result.status == Jpeg_Encode_Status::Too_Large) {
          largest = qn3::Sizing_Buffer_Capacity; // the largest slot there is; frames get lower quality
        } else {
          QNV_Error_Handler(result.message, Jpeg_Error_Number, step, compress_location);
        }
      }
    }
    step = 30;
    slot_size_ = qn3::Slot_Size_For(largest);
    Prepare_Record_Buffer();
    std::fill(write_record_.begin(), write_record_.end(), uint8_t{0});
    recording_.Header().set_RGB_Image_Size(QString::number(slot_size_));
    Trace_Message(QStringLiteral("*Calculate_Compressed_Size"), largest, slot_size_);
  } catch (...) {
    report_current_exception(step, Class_Location("Calculate_Compressed_Size"));
    return;
  }
  Write_XML_Header();
}

void Recording_Writer::Write_Record(const uint8_t* record, int32_t record_slot, int32_t jpeg_size) {
  QFile& file = *recording_.Device();
  if (!(file.openMode() & QIODevice::Unbuffered))
    throw Dora_Error(75, QStringLiteral("The recording is not open for appending"));
  // Bytes beyond the buffer would be the process's memory, written into the recording.
  if (record_slot != slot_size_)
    throw Dora_Error(75, QStringLiteral("A record of a %1-byte slot cannot go into a recording of %2-byte slots")
                             .arg(record_slot)
                             .arg(slot_size_));
  Append_Tally& tally = recording_.Tally();
  const int64_t at = file.pos();
  if (tally.frames == 0) pass_start_length_ = file.size();
  try {
    qn3::Write_All(file, record, qn3::Record_Size_For_Slot(slot_size_),
                   QStringLiteral("a frame record to ") + recording_.Name());
  } catch (...) {
    // Part of a record must not stay behind: it would shift every record written later.
    file.resize(at);
    file.seek(at);
    throw;
  }
  ++tally.frames;
  last_jpeg_size_ = jpeg_size;
  tally.largest_jpeg = std::max(tally.largest_jpeg, jpeg_size);
  tally.smallest_jpeg = tally.smallest_jpeg <= 0 ? jpeg_size : std::min(tally.smallest_jpeg, jpeg_size);
  if (tally.frames == 1 && tally.record_size == 0) {
    reader_.Close_File();
    tally.record_size = QFileInfo(recording_.Name()).size() - pass_start_length_;
  }
}

void Recording_Writer::Append_RGB_Frame(const Frame_List& buffers, int32_t index) {
  int32_t step = 10;
  try {
    // A file opened for review or a header rewrite is buffered: appending reopens it.
    if (recording_.Is_Open() && recording_.Tally().frames == 0 &&
        !(recording_.Device()->openMode() & QIODevice::Unbuffered))
      reader_.Close_File();
    if (!recording_.Is_Open())
      Open_For_Append(header_owner_.isEmpty() || header_owner_ != recording_.Name(), slot_size_);
    step = 20;
    const CVideobuff_RGB* frame = buffers(index);
    if (!frame) throw Dora_Error(9, QStringLiteral("There is no captured frame %1").arg(index));
    Prepare_Record_Buffer();
    step = 30;
    const qn3::Fit_Result fit =
        qn3::Encode_Frame_Record(Encoder(), *frame, initial_quality_, slot_size_, write_record_.data());
    if (fit.status != qn3::Fit_Status::Fitted) throw Dora_Error(Jpeg_Error_Number, fit.message);
    step = 40;
    Write_Record(write_record_.data(), static_cast<int32_t>(write_record_.size()) - qn3::Record_Overhead, fit.size);
  } catch (...) {
    report_current_exception(step, append_location, QStringLiteral("frame %1").arg(index));
  }
}

int32_t Recording_Writer::Append_Frames(const Frame_List& frames, const std::function<void(int32_t, int32_t)>& progress,
                                        const std::vector<int32_t>& order, int32_t* handled) {
  if (handled) *handled = 0;
  std::vector<int32_t> positions = order;
  if (positions.empty()) {
    positions.resize(static_cast<std::size_t>(std::max(frames.Count(), 0)));
    std::iota(positions.begin(), positions.end(), 1);
  }
  const auto total = static_cast<int32_t>(positions.size());
  Trace_Message(QStringLiteral("*Append_Frames"), recording_.Name(), total);
  if (total == 0) return 0;

  if (recording_.Is_Open()) reader_.Close_File();
  try {
    Open_qn3_for_Append(); // its failures end the pass and reach the caller
  } catch (...) {
    reader_.Close_File();
    throw;
  }
  if (slot_size_ == 0) Calculate_Compressed_Size(frames);
  if (slot_size_ <= 0) {
    reader_.Close_File();
    throw Dora_Error(75, QStringLiteral("The slot size for the frames could not be found"));
  }
  // The slot is fixed for the whole pass: a reopen that measures another one refuses.
  const int32_t pass_slot = slot_size_;
  try {
    if (!recording_.Is_Open()) Open_For_Append(false, pass_slot);
  } catch (...) {
    reader_.Close_File();
    throw;
  }
  const int64_t record_size = qn3::Record_Size_For_Slot(pass_slot);
  const int64_t room = qn3::Max_Frames - (recording_.Device()->pos() - qn3::Header_Block_Size) / record_size;

  int32_t written = 0;
  int32_t done = 0;
  // What the disk has confirmed of this pass: the file's length before its first record, and
  // after the last records a sync brought to disk (the first record's own, say).
  int64_t call_start = -1;
  int64_t synced = -1;
  int32_t done_at_sync = 0;
  int32_t syncs = recording_.Syncs();
  {
    // Declared before the encoder, so its reports are shown only after the workers have stopped.
    const Error_Reports_Held held;
    std::unique_ptr<qn3::Ordered_Encoder> encoder;
    const int32_t threads = qn3::Pass_Threads(compression_threads_);
    try {
      encoder = std::make_unique<qn3::Ordered_Encoder>(frames, positions, crop_x_, crop_y_, initial_quality_, pass_slot,
                                                       threads, Encode_Interlaced());
    } catch (const std::system_error&) {
      encoder = std::make_unique<qn3::Ordered_Encoder>(frames, positions, crop_x_, crop_y_, initial_quality_, pass_slot,
                                                       1, Encode_Interlaced());
    }
    for (int32_t i = 0; i < total; ++i) {
      const qn3::Encoded_Frame& frame = encoder->Next();
      if (frame.fit.status != qn3::Fit_Status::Fitted) {
        // Reported and left out; the pass goes on with the next frame.
        QNV_Error_Handler(frame.fit.message, Jpeg_Error_Number, 30, append_location,
                          QStringLiteral("frame %1").arg(frame.position));
      } else if (written >= room) {
        QNV_Error_Handler(QStringLiteral("The recording holds %1 frames, the most a file can; %2 frames were not "
                                         "appended")
                              .arg(qn3::Max_Frames)
                              .arg(total - i),
                          6, 35, append_location);
        break;
      } else {
        try {
          if (!recording_.Is_Open()) Open_For_Append(false, pass_slot);
          Write_Record(frame.record, frame.slot_size, frame.fit.size);
          ++written;
          if (call_start < 0) call_start = pass_start_length_;
          if (recording_.Syncs() != syncs) {
            syncs = recording_.Syncs();
            synced = recording_.Synced_Length();
            done_at_sync = i + 1;
          }
        } catch (...) {
          report_current_exception(40, append_location,
                                   QStringLiteral("The recording keeps the frames written before; %1 of %2 frames "
                                                  "of this capture were appended.")
                                       .arg(written)
                                       .arg(total));
          break;
        }
      }
      done = i + 1;
      if (progress) progress(i + 1, total);
    }
  }
  // The pass is reported only once its records and header are on disk.
  bool on_disk = true;
  try {
    if (recording_.Is_Open() && recording_.Tally().frames > 0) recording_.Finish_Append_Pass();
  } catch (...) {
    on_disk = false;
    // The frames not confirmed stay in memory for another try: their records leave the file, so
    // the try writes each of them once, where they were.
    bool cut = false;
    const int64_t keep = synced >= 0 ? synced : call_start;
    if (recording_.Is_Open() && keep >= qn3::Header_Block_Size) cut = recording_.Device()->resize(keep);
    if (cut) done = done_at_sync;
    report_current_exception(
        50, append_location,
        cut ? QStringLiteral("The %1 frames of this capture could not be brought to the disk; "
                             "they are kept in memory for another try.")
                  .arg(written)
            : QStringLiteral("The %1 frames of this capture may not have reached the disk.").arg(written));
  }
  reader_.Close_File();
  Trace_Message(QStringLiteral("*Append_Frames, end"), written, total, on_disk);
  if (handled) *handled = on_disk || done == done_at_sync ? done : 0;
  return on_disk ? written : 0;
}

void Recording_Writer::JPG_Sizes(int32_t smallest, int32_t largest) {
  recording_.Tally().smallest_jpeg = smallest;
  recording_.Tally().largest_jpeg = largest;
}

QString Recording_Writer::RGB_Max_Seen_size() const { return recording_.Header().RGB_Max_Seen_size(); }
void Recording_Writer::set_RGB_Max_Seen_size(const QString& text) { recording_.Header().set_RGB_Max_Seen_size(text); }
QString Recording_Writer::RGB_Comp_Threshold() const { return recording_.Header().RGB_Comp_Threshold(); }
void Recording_Writer::set_RGB_Comp_Threshold(const QString& text) { recording_.Header().set_RGB_Comp_Threshold(text); }
