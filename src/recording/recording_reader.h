#pragma once
// The recording handler's reader: opens a recording for review, reads and decodes its records
// and keeps what it measured (counts, picture size, the shown frame and field, the times) until
// the file closes. (Record_Reader, record_reader.h, is the read-only second way in for workers.)
#include "imaging/dib_section.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class Recording_File;
namespace qn3 {
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

class Recording_Reader {
public:
  explicit Recording_Reader(Recording_File& recording);
  Recording_Reader(const Recording_Reader&) = delete;
  Recording_Reader& operator=(const Recording_Reader&) = delete;

  bool Open_File(const QString& file_name);
  // Ends an append pass under way, closes the file and forgets what was measured in it.
  void Close_File();

  // Reads record `frame` (decoding it when `decompress`); see the read-error flag.
  void Read_RGB_sample(int16_t frame, bool decompress);
  bool Read_error() const { return read_error_; }
  int16_t Last_Decoded_Frame() const { return last_decoded_frame_; }
  int32_t Decode_Count() const { return decode_count_; }
  // The surfaces are made at the recording's picture size when it opens; rendering draws
  // through the field and turn surfaces.
  cDIBSection& Decode_Surface() { return decode_dib_; }
  const cDIBSection& Decode_Surface() const { return decode_dib_; }
  cDIBSection& Field_Surface() { return field_dib_; }
  cDIBSection& Rotate_Surface() { return rotate_dib_; }
  const qn3::Record_Fields& Read_Record() const { return read_record_; }
  void Note_Frame_Shown(int16_t frame);
  void Note_Field_Shown(int32_t field);
  // From the record heads alone (recording_reader_values.cpp): the first call reads them all,
  // one small read each, and keeps the stamps until the file is closed or reopened.
  std::optional<int32_t> Record_Capture_Mill(int16_t frame);
  int32_t Stamp_Reads() const { return stamp_reads_; }

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
  QString Codec_Tag() const { return codec_tag_; }
  bool Rotated() const { return rotated_; }
  int16_t Top_Delimiter_Row() const { return top_delimiter_row_; }
  QString Measured_fps() const;
  int16_t Num_Video_streams() const;

  int32_t QN3_Capture_mill() const { return read_record_.capture_mill; }
  int32_t QN3_Capture_local() const { return read_record_.capture_local; }
  int16_t QN3_Capture_Delta() const { return static_cast<int16_t>(read_record_.capture_delta); }
  int32_t QN3_JPEG_Size() const { return read_record_.jpeg_size; }
  int16_t QN3_Compression_Quality() const { return static_cast<int16_t>(read_record_.quality); }
  int32_t Snapped_Capture_Mill() const { return snapped_capture_time_; }
  int16_t QN3_Displayed_Frame() const { return current_frame_; }
  int32_t Current_Field() const { return current_field_; }
  int16_t Field_To_Show() const { return field_to_show_; }
  void set_Field_To_Show(int16_t field) { field_to_show_ = field == 2 ? 2 : 1; }
  int32_t Timestamp_long() const;
  float Player_Effective_Time() const;
  int32_t Effective_time() const;
  QString Formatted_Time() const;
  void Set_Base_time(bool on);
  QString QN3_Properties() const;

  // A stored "0" gives Default_Goal_Compensation when that is above 0.
  QString Dora_Goal_compensation() const;
  double Goal_Compensation_Ms() const;
  // From the first to the second field of a frame (0: progressive), and between frames.
  double Field_Interval_Ms() const;
  double Frame_Interval_Ms() const;
  int32_t Default_Goal_Compensation() const { return default_goal_compensation_; }
  void set_Default_Goal_Compensation(int32_t ms) { default_goal_compensation_ = ms; }

private:
  // Opens the named recording for writing (locked), or for reading when it may not or cannot be
  // written; false after the system's message when it cannot be opened at all.
  bool Open_For_Review();
  bool Open_QN3(const qn3::Recovery_Result& recovery);
  void Reset_File_State();
  void Make_Surfaces();
  void Show_Placeholder();
  void Report_Read_Error(int16_t frame, int64_t position);
  void Build_Stamps();

  Recording_File& recording_;
  int64_t file_length_ = 0;
  int64_t record_size_ = 0;
  int64_t first_record_pos_ = qn3::Header_Block_Size;
  int16_t frame_count_ = 0;
  int16_t field_count_ = 0;
  int32_t mill_per_frame_ = 20;
  int32_t mill_per_field_ = 20;
  int32_t total_duration_ = 0;
  // The picture's description outlives a close: it is what the next opening compares with.
  int16_t width_ = 0;
  int16_t height_ = 0;
  bool interlaced_ = false;
  bool rotated_ = false;
  int16_t top_delimiter_row_ = 0;
  QString codec_tag_;
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

  cDIBSection decode_dib_;
  cDIBSection field_dib_;
  cDIBSection rotate_dib_;
  Jpeg_Codec codec_;
  QImage placeholder_; // the "Corrupted video" picture, drawn once per image size
};
