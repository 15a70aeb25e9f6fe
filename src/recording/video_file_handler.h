#pragma once
// The recording handler: one object opens, reviews, creates and appends to a heat's recording.
//
// Files by concern (one class, several translation units):
//   video_file_handler.cpp        construction, Open_File, Close_File, header block I/O
//   video_file_handler_read.cpp   Read_RGB_sample, the placeholder, frame and field arithmetic
//   video_file_handler_props.cpp  counts, per-frame values, the Dora family, QN3_Properties
//   video_file_handler_write.cpp  the writer section below (creating, sizing, appending)
//
// Shared between reader and writer:
//  - `file_` is the one QFile of the recording, kept open while reviewing and during an
//    append pass; `File_open()` is true while it is open. All positions are 64-bit offsets.
//  - `Write_QN3_header()` (implemented with the reader) writes the whole header block from
//    the header document at offset 0 and returns to the previous position; nothing when no
//    file is open. The writer builds on it.
//  - `Close_File()` (implemented with the reader) ends an append pass when frames_appended_ > 0
//    (num_frames, RGB_sample_size from writer_record_size_, num_segments, JPEG size range,
//    header block), then closes and resets the per-file reading state.
//  - `Reopen_For_Update()` opens the named file read-write without reading it (for the writer's
//    header rewrites); false when that is impossible.
#include "imaging/dib_section.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"

#include <QFile>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Cls_XML_header;
class Frame_List;    // the captured frames (frame_buffers.h); the writer's concern
class Frame_Display; // where rendering draws (frame_display.h)
namespace qn3 {
class Frame_Encoder;    // writer: qn3_writer.h
struct Recovery_Result; // header_journal.h
} // namespace qn3

// Which frame holds a field, which of its fields it is, and the effective times.
struct Field_Position {
  int16_t frame = 0;
  int16_t field_in_frame = 1; // 1: first (odd field number), 2: second
};
// Field v belongs to frame Int(v / 2 + 0.5) = (v + 1) div 2; odd v is its first field.
Field_Position Field_To_Frame(int32_t field);
// Milliseconds from frame 1 / field 1 to the given frame / field.
double Frame_Effective_Time(int32_t frame, int32_t mill_per_frame);
double Field_Effective_Time(int32_t field, int32_t mill_per_field);
// Capture_Mill to the nearest multiple of 40 (ties to the even multiple), minus 10.
int32_t Snapped_Capture_Time(int32_t capture_mill);

// How a file name is treated by Open_File.
enum class Recording_Kind { QN3, Known_Unsupported, Unknown };
Recording_Kind Kind_Of_Suffix(const QString& suffix);

// Messages for recordings whose header or records claim sizes no file of a real camera has.
inline QString Invalid_Picture_Size_Message() { return QStringLiteral("Corrupt file, (Invalid picture size)"); }
// A recording deleted, moved or on a drive removed while it was open.
inline QString Recording_Gone_Message(const QString& path) {
  return QStringLiteral("The file %1 is no longer on the disk (deleted, moved or its drive removed).").arg(path);
}
inline QString Invalid_Record_Size_Message() { return QStringLiteral("Corrupt file, (Invalid record size)"); }

// The read-only decision: no write permission bit for anybody, or the file cannot be opened for
// writing (a root process passes every permission check, so the bits are asked first).
bool File_Is_Read_Only(const QString& path);

class cls_VideoFile_handler {
public:
  cls_VideoFile_handler();
  ~cls_VideoFile_handler();
  cls_VideoFile_handler(const cls_VideoFile_handler&) = delete;
  cls_VideoFile_handler& operator=(const cls_VideoFile_handler&) = delete;

  // ---- Opening and closing ----
  bool Open_File(const QString& file_name, bool no_play = false);
  void Close_File();

  // ---- Frame access ----
  // Reads record `frame` (decoding it when `decompress`); see the read-error flag.
  void Read_RGB_sample(int16_t frame, bool decompress);
  bool Read_error() const { return read_error_; }
  int16_t Last_Decoded_Frame() const { return last_decoded_frame_; }
  int32_t Decode_Count() const { return decode_count_; } // JPEG decodes since construction
  cDIBSection& Decode_Surface() { return decode_dib_; }
  const cDIBSection& Decode_Surface() const { return decode_dib_; }
  cDIBSection& Field_Surface() { return field_dib_; }
  cDIBSection& Rotate_Surface() { return rotate_dib_; }
  const qn3::Record_Fields& Read_Record() const { return read_record_; }
  // Bookkeeping of a shown frame / field (rendering calls these after drawing).
  void Note_Frame_Shown(int16_t frame);
  void Note_Field_Shown(int32_t field);
  // Capture_Mill of record `frame` from its head alone, without decoding or touching the last
  // read record; nothing for a frame outside the recording or a record without its start
  // marker. The first call reads the heads of all records (one small read each) and keeps the
  // stamps until the file is closed or reopened (video_file_handler_stamps.cpp).
  std::optional<int32_t> Record_Capture_Mill(int16_t frame);
  // Record heads read for the stamps since construction.
  int32_t Stamp_Reads() const { return stamp_reads_; }

  // ---- Counts and geometry ----
  int16_t Num_Frames() const { return frame_count_; }
  int16_t Num_fields() const { return field_count_; }
  int16_t QN3_Num_Frames() const;
  int16_t QN3_Num_fields() const { return frame_count_; }
  int16_t Width() const { return width_; }
  int16_t Height() const { return height_; }
  bool RGB_interlaced() const { return interlaced_; }
  int32_t mill_per_frame() const { return mill_per_frame_; }
  int32_t mill_per_field() const { return mill_per_field_; }
  int32_t Total_Duration() const { return total_duration_; }
  int16_t Segments_Num() const;
  int32_t Largest_JPG() const;
  int32_t Smallest_JPG() const;
  int64_t File_size() const { return file_length_; }
  int64_t Record_Size() const { return record_size_; }
  int64_t First_Record_Position() const { return first_record_pos_; }
  bool Read_only() const { return read_only_; }
  bool File_open() const { return file_number_ >= 1; }
  // False when the open recording's name no longer leads to the file held open: what is written
  // then would reach no file anyone can open again. True when nothing is open.
  bool Still_On_Disk() const;
  int16_t File_Number() const { return file_number_; }
  QString File_name() const { return file_name_; }
  QString File_suffix() const { return file_suffix_; }
  QString Codec_Tag() const { return codec_tag_; }
  bool Rotated() const { return rotated_; }
  int16_t Top_Delimiter_Row() const { return top_delimiter_row_; }
  QString Measured_fps() const;

  // ---- Values of the last read record ----
  int32_t QN3_Capture_mill() const { return read_record_.capture_mill; }
  int32_t QN3_Capture_local() const { return read_record_.capture_local; }
  int16_t QN3_Capture_Delta() const { return static_cast<int16_t>(read_record_.capture_delta); }
  int32_t QN3_JPEG_Size() const { return read_record_.jpeg_size; }
  int16_t QN3_Compression_Quality() const { return static_cast<int16_t>(read_record_.quality); }
  int32_t Snapped_Capture_Mill() const { return snapped_capture_time_; }
  int16_t QN3_Displayed_Frame() const { return current_frame_; }
  int16_t QN3_Displayed_Field() const { return field_to_show_; }
  int32_t Current_Field() const { return current_field_; }
  int16_t Field_To_Show() const { return field_to_show_; }
  void set_Field_To_Show(int16_t field) { field_to_show_ = field == 2 ? 2 : 1; }
  int32_t Timestamp_long() const;
  float Player_Effective_Time() const;
  int32_t Effective_time() const;
  QString Formatted_Time() const;
  void Set_Base_time(bool on);

  QString QN3_Properties() const;

  // ---- Heat data (forwarded to the header document) ----
  QString Dora_event() const;
  void set_Dora_event(const QString& text);
  QString Dora_Heat_ID() const;
  void set_Dora_Heat_ID(const QString& text);
  QString Dora_Heat_Name() const;
  void set_Dora_Heat_Name(const QString& text);
  QString Dora_Heat_Length() const;
  void set_Dora_Heat_Length(const QString& text);
  QString Dora_start_DateTime() const;
  void set_Dora_start_DateTime(const QString& text);
  int32_t Dora_start_PC_mill() const;
  void set_Dora_start_PC_mill(int32_t ms);
  void set_Dora_heat_start_local(int32_t ms);
  void set_Dora_start_HDMI_events(int32_t count);
  QString Dora_box_delay() const;
  void set_Dora_box_delay(const QString& text);
  // A stored "0" gives Default_Goal_Compensation when that is above 0.
  QString Dora_Goal_compensation() const;
  void set_Dora_Goal_compensation(const QString& text);
  // The goal camera's delay as the run times take it off: the number the text starts with.
  double Goal_Compensation_Ms() const;
  QString Dora_Split_compensation() const;
  void set_Dora_Split_compensation(const QString& text);
  QString Dora_Goal_Finish() const;
  void set_Dora_Goal_Finish(const QString& text);
  QString Dora_Goal_Split() const;
  void set_Dora_Goal_Split(const QString& text);
  void set_Dora_goal_firewire_ID(const QString& text);
  void set_Dora_split_firewire_ID(const QString& text);
  QString Dora_Dog_name(int16_t box) const;
  void set_Dora_Dog_name(int16_t box, const QString& name);
  int16_t Dora_heat_frame(int16_t box) const;
  void set_Dora_heat_frame(int16_t box, int16_t frame);
  int16_t Dora_split_frame(int16_t box) const;
  void set_Dora_split_frame(int16_t box, int16_t frame);
  int32_t Dora_Heat_Click_Time(int16_t box) const;
  void set_Dora_Heat_Click_Time(int16_t box, int32_t ms);
  int32_t Dora_Heat_time(int16_t box, bool split) const;
  void set_Dora_Heat_time(int16_t box, bool split, int32_t ms);
  bool Dora_dead_heat(int16_t box) const;
  void set_Dora_dead_heat(int16_t box, bool dead_heat);

  int32_t Default_Goal_Compensation() const { return default_goal_compensation_; }
  void set_Default_Goal_Compensation(int32_t ms) { default_goal_compensation_ = ms; }

  Cls_XML_header& XML_Header() { return *header_; }
  const Cls_XML_header& XML_Header() const { return *header_; }

  // Writes the whole header block at offset 0 from the header document; no file open: nothing.
  void Write_QN3_header();
  bool Reopen_For_Update();

  // ======================= Writer section (video_file_handler_write.cpp) ====================
  // Declarations below belong to the writer; its engineer may add to and adjust them.
  void set_Cropped_X(int32_t width);
  void set_Cropped_Y(int32_t height);
  void set_RGB_interlaced(bool flag);
  void set_Running_Fps(int16_t fps);
  void set_File_name(const QString& path);
  void set_RGB_Rotated(bool flag) { rotate_setting_ = flag; }
  void set_Top_Delimiter_Row(int16_t row) { top_delimiter_setting_ = row; }
  void set_Initial_Quality(int16_t quality) { initial_quality_ = quality; }
  int16_t Initial_Quality() const { return initial_quality_; }
  // Creates the named file with a fresh header block; false (reported) when it cannot, and
  // always when the file exists and already holds frames, which are never overwritten.
  bool Initiate_QN3_File();
  bool Initiate_QN3_File(const QString& path);
  // Rewrites the header block in place; opens the file when needed and leaves it open.
  bool Write_XML_Header();
  void ReCreate_XML_header();
  // Opens the file for appending behind its last complete record and takes the slot size of
  // the frames already there. Throws Dora_Error when that is impossible.
  void Open_qn3_for_Append();
  int32_t Rounded_Compressed_Size() const { return slot_size_; }
  void Calculate_Compressed_Size(const Frame_List& buffers);
  // Compresses captured buffer `index` at `quality` into the writer's JPEG buffer; false
  // (reported) on failure, the JPEG size then keeps its previous value.
  bool Compress_Frame(const Frame_List& buffers, int32_t index, int32_t quality);
  int32_t Last_JPEG_Size() const { return last_jpeg_size_; }
  const uint8_t* Last_JPEG() const { return jpeg_buffer_.data(); }
  void Append_RGB_Frame(const Frame_List& buffers, int32_t index);
  void JPG_Sizes(int32_t smallest, int32_t largest);
  QString RGB_Max_Seen_size() const;
  void set_RGB_Max_Seen_size(const QString& text);
  QString RGB_Comp_Threshold() const;
  void set_RGB_Comp_Threshold(const QString& text);

  // One whole append pass at capture end: sizes the slot when needed, opens the file,
  // compresses every kept frame (in parallel, written in order; the bytes are those of a
  // one-thread pass) and closes the file, which updates the header. `order` lists the
  // positions in Frame_List to write (empty: 1..Count). `progress(done, total)` runs on the
  // caller's thread after each frame. Returns the frames written. Opening failures throw to
  // the caller; frame failures are reported and the pass goes on; a failed write ends the
  // pass with the frames before it intact. The caller empties the list afterwards.
  // `handled` (when given) gets how many of the positions, from the first, the pass is done with:
  // written, or left out because they cannot be encoded. The rest may be offered again; none
  // are when the pass could not bring its records to disk.
  int32_t Append_Frames(const Frame_List& frames, const std::function<void(int32_t, int32_t)>& progress = {},
                        const std::vector<int32_t>& order = {}, int32_t* handled = nullptr);
  // Threads that compress during Append_Frames; 0 (default) one per core.
  void set_Compression_Threads(int32_t threads) { compression_threads_ = threads; }
  // ==================== end of writer section ====================

  // ======================= Rendering section (video_file_handler_render.cpp) ================
  // Drawing needs no device context here; the display handed over is kept for callers that
  // draw without naming one.
  void Set_Screen_HDC(Frame_Display* display) { screen_display_ = display; }
  Frame_Display* Screen_Display() const { return screen_display_; }
  // Reads and decodes `frame`, draws it (turned when the recording is rotated) and refreshes.
  // A read that raised an error draws nothing.
  void Draw_RGB_frame(int16_t frame, Frame_Display& box);
  // Reads and decodes the frame holding `field`, draws that field at full height and refreshes.
  void Draw_RGB_Field(int32_t field, Frame_Display& box);
  // The decode surface, turned when rotated, then a refresh.
  void Draw_Current_RGB_frame(Frame_Display& box);
  // The field surface, turned when rotated; the caller refreshes.
  void Draw_Current_Field(Frame_Display& box);
  // Video streams in the open recording (the header's count; 0 when no file is open).
  int16_t Num_Video_streams() const;
  // Runs after the field surface had to be made again at the decoded picture's size.
  std::function<void()> On_Size_Mismatch;

private:
  void Fit_Unsized_Turn(const cDIBSection& source);
  Frame_Display* screen_display_ = nullptr;
  // ==================== end of rendering section ====================

private:
  bool Open_QN3(const qn3::Recovery_Result& recovery); // the QN3 steps of Open_File
  void Reset_File_State();
  void Make_Surfaces();
  void Show_Placeholder();
  void Report_Read_Error(int16_t frame, int64_t position);
  void Finish_Append_Pass(); // the append-pass steps of Close_File

  std::unique_ptr<Cls_XML_header> header_;
  std::unique_ptr<QFile> file_;
  int16_t file_number_ = 0;
  QString file_name_;
  QString file_suffix_;
  int64_t file_length_ = 0;
  bool read_only_ = false;

  // Reading state of the open file.
  int64_t record_size_ = 0;
  int64_t first_record_pos_ = qn3::Header_Block_Size;
  int16_t frame_count_ = 0;
  int16_t field_count_ = 0;
  int32_t mill_per_frame_ = 20;
  int32_t mill_per_field_ = 20;
  int32_t total_duration_ = 0;
  int16_t width_ = 0;
  int16_t height_ = 0;
  bool interlaced_ = false;
  bool rotated_ = false;
  int16_t top_delimiter_row_ = 0;
  QString codec_tag_;
  QString creation_date_;
  int16_t last_decoded_frame_ = 0;
  int16_t decoded_frame_ = 0; // frame whose image the decode surface holds (validation reads skip decoding)
  qn3::Record_Fields read_record_;
  std::vector<uint8_t> read_buffer_; // one whole record
  int16_t current_frame_ = 0;
  int32_t current_field_ = 0;
  int16_t field_to_show_ = 1;
  int32_t snapped_capture_time_ = 0;
  double effective_player_time_ = 0;
  double base_time_ = 0;
  bool read_error_ = false;
  int32_t decode_count_ = 0;
  int32_t default_goal_compensation_ = 0;
  struct Record_Stamp {
    int32_t capture_mill = 0;
    bool valid = false;
  };
  std::vector<Record_Stamp> stamps_; // per record, built at the first Record_Capture_Mill
  bool stamps_built_ = false;
  int32_t stamp_reads_ = 0;
  void Build_Stamps();

  cDIBSection decode_dib_;
  cDIBSection field_dib_;
  cDIBSection rotate_dib_;
  Jpeg_Codec codec_;
  QImage placeholder_; // the "Corrupted video" picture, drawn once per image size

private:
  // Writer state (video_file_handler_write.cpp); Close_File reads the append-pass counters.
  int32_t crop_x_ = 0;
  int32_t crop_y_ = 0;
  bool interlaced_setting_ = false;
  bool rotate_setting_ = false;
  int16_t top_delimiter_setting_ = 0;
  int16_t running_fps_ = 0;
  int32_t slot_size_ = 0;
  bool jpeg_compression_on_ = true;
  QString compressor_name_ = QStringLiteral("Intel");
  int16_t initial_quality_ = 80;
  int32_t frames_appended_ = 0;
  int64_t writer_record_size_ = 0;
  int64_t pass_start_length_ = 0;
  int32_t smallest_jpeg_ = 0;
  int32_t largest_jpeg_ = 0;
  int32_t last_jpeg_size_ = 0;
  cDIBSection work_dib_;
  std::vector<uint8_t> jpeg_buffer_;
  std::vector<uint8_t> write_record_;
  // Added by the writer.
  struct Encoder_Deleter { // defined with the writer, where the encoder is a complete type
    void operator()(qn3::Frame_Encoder* encoder) const noexcept;
  };
  std::unique_ptr<qn3::Frame_Encoder, Encoder_Deleter> encoder_; // for sizing and single frames
  int32_t compression_threads_ = 0;
  QString header_owner_; // file whose header the document holds (empty: none known)
  // `record` holds Record_Size_For_Slot(record_slot) bytes; refused unless that is the file's slot.
  void Write_Record(const uint8_t* record, int32_t record_slot, int32_t jpeg_size);
  void Write_XML_Fields();
  void Prepare_Record_Buffer();
  // `pass_slot`: the slot the pass already writes, which the file's records must have; 0 takes the file's.
  void Open_For_Append(bool adopt_header, int32_t pass_slot);
  qn3::Frame_Encoder& Encoder(); // made again when the picture size or interlacing changed
  bool Encode_Interlaced() const;
  Jpeg_Encode_Result Encode_Sample(const Frame_List& buffers, int32_t index, int32_t quality);
};
