#pragma once
// The recording handler: the system's one way to a heat's recording. It holds no logic of its
// own; each named property forwards to the class that owns it:
//   Recording_File      the open file and the header document the others share (recording_file.h)
//   Recording_Reader    opening for review, reading and decoding records, counts and times
//   Recording_Writer    creating a recording, sizing its slot, appending, header rewrites
//   Recording_Renderer  drawing the decoded picture or one field of it, turned when rotated
// The heat data go straight to the header document (video_file_handler.cpp).
#include "recording/recording_file.h"
#include "recording/recording_reader.h"
#include "recording/recording_renderer.h"
#include "recording/recording_writer.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Cls_XML_header;
class Frame_List;
class Frame_Display;

class cls_VideoFile_handler {
public:
  cls_VideoFile_handler();
  ~cls_VideoFile_handler(); // closes the file, which ends an append pass under way
  cls_VideoFile_handler(const cls_VideoFile_handler&) = delete;
  cls_VideoFile_handler& operator=(const cls_VideoFile_handler&) = delete;

  // ---- Opening and closing (the reader) ----
  // The second argument (no_play) is kept for callers; playback starts elsewhere.
  bool Open_File(const QString& file_name, bool = false) { return reader_->Open_File(file_name); }
  // Ends an append pass under way (the header then counts its frames), closes, forgets the file.
  void Close_File() { reader_->Close_File(); }

  // ---- Frame access (the reader) ----
  // Reads record `frame` (decoding it when `decompress`); see the read-error flag.
  void Read_RGB_sample(int16_t frame, bool decompress) { reader_->Read_RGB_sample(frame, decompress); }
  bool Read_error() const { return reader_->Read_error(); }
  int16_t Last_Decoded_Frame() const { return reader_->Last_Decoded_Frame(); }
  int32_t Decode_Count() const { return reader_->Decode_Count(); } // JPEG decodes since construction
  cDIBSection& Decode_Surface() { return reader_->Decode_Surface(); }
  const cDIBSection& Decode_Surface() const { return reader_->Decode_Surface(); }
  cDIBSection& Field_Surface() { return reader_->Field_Surface(); }
  cDIBSection& Rotate_Surface() { return reader_->Rotate_Surface(); }
  const qn3::Record_Fields& Read_Record() const { return reader_->Read_Record(); }
  // Bookkeeping of a shown frame / field (rendering calls these after drawing).
  void Note_Frame_Shown(int16_t frame) { reader_->Note_Frame_Shown(frame); }
  void Note_Field_Shown(int32_t field) { reader_->Note_Field_Shown(field); }
  // Capture_Mill of record `frame` from its head alone, without decoding or touching the last
  // read record; nothing for a frame outside the recording or a record without its start
  // marker. The first call reads the heads of all records and keeps the stamps until the file
  // is closed or reopened.
  std::optional<int32_t> Record_Capture_Mill(int16_t frame) { return reader_->Record_Capture_Mill(frame); }
  int32_t Stamp_Reads() const { return reader_->Stamp_Reads(); } // record heads read for the stamps

  // ---- Counts and geometry ----
  int16_t Num_Frames() const { return reader_->Num_Frames(); }
  int16_t Num_fields() const { return reader_->Num_fields(); }
  int16_t QN3_Num_Frames() const { return reader_->QN3_Num_Frames(); }
  int16_t QN3_Num_fields() const { return reader_->QN3_Num_fields(); }
  int16_t Width() const { return reader_->Width(); }
  int16_t Height() const { return reader_->Height(); }
  bool RGB_interlaced() const { return reader_->RGB_interlaced(); }
  int32_t mill_per_frame() const { return reader_->mill_per_frame(); }
  int32_t mill_per_field() const { return reader_->mill_per_field(); }
  int32_t Total_Duration() const { return reader_->Total_Duration(); }
  int16_t Segments_Num() const { return reader_->Segments_Num(); }
  int32_t Largest_JPG() const { return reader_->Largest_JPG(); }
  int32_t Smallest_JPG() const { return reader_->Smallest_JPG(); }
  int64_t File_size() const { return reader_->File_size(); }
  int64_t Record_Size() const { return reader_->Record_Size(); }
  int64_t First_Record_Position() const { return reader_->First_Record_Position(); }
  bool Read_only() const { return recording_->Read_only(); }
  bool File_open() const { return recording_->Is_Open(); }
  // False when the open recording's name no longer leads to the file held open: what is written
  // then would reach no file anyone can open again. True when nothing is open.
  bool Still_On_Disk() const { return recording_->Still_On_Disk(); }
  int16_t File_Number() const { return recording_->Number(); }
  QString File_name() const { return recording_->Name(); }
  QString File_suffix() const { return recording_->Suffix(); }
  QString Codec_Tag() const { return reader_->Codec_Tag(); }
  bool Rotated() const { return reader_->Rotated(); }
  int16_t Top_Delimiter_Row() const { return reader_->Top_Delimiter_Row(); }
  QString Measured_fps() const { return reader_->Measured_fps(); }
  // Video streams in the open recording (the header's count; 0 when no file is open).
  int16_t Num_Video_streams() const { return reader_->Num_Video_streams(); }

  // ---- Values of the last read record and the shown picture ----
  int32_t QN3_Capture_mill() const { return reader_->QN3_Capture_mill(); }
  int32_t QN3_Capture_local() const { return reader_->QN3_Capture_local(); }
  int16_t QN3_Capture_Delta() const { return reader_->QN3_Capture_Delta(); }
  int32_t QN3_JPEG_Size() const { return reader_->QN3_JPEG_Size(); }
  int16_t QN3_Compression_Quality() const { return reader_->QN3_Compression_Quality(); }
  int32_t Snapped_Capture_Mill() const { return reader_->Snapped_Capture_Mill(); }
  int16_t QN3_Displayed_Frame() const { return reader_->QN3_Displayed_Frame(); }
  int16_t QN3_Displayed_Field() const { return reader_->Field_To_Show(); }
  int32_t Current_Field() const { return reader_->Current_Field(); }
  int16_t Field_To_Show() const { return reader_->Field_To_Show(); }
  void set_Field_To_Show(int16_t field) { reader_->set_Field_To_Show(field); }
  int32_t Timestamp_long() const { return reader_->Timestamp_long(); }
  float Player_Effective_Time() const { return reader_->Player_Effective_Time(); }
  int32_t Effective_time() const { return reader_->Effective_time(); }
  QString Formatted_Time() const { return reader_->Formatted_Time(); }
  void Set_Base_time(bool on) { reader_->Set_Base_time(on); }
  QString QN3_Properties() const { return reader_->QN3_Properties(); }

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
  QString Dora_Goal_compensation() const { return reader_->Dora_Goal_compensation(); }
  void set_Dora_Goal_compensation(const QString& text);
  // The goal camera's delay as the run times take it off: the number the text starts with.
  double Goal_Compensation_Ms() const { return reader_->Goal_Compensation_Ms(); }
  double Field_Interval_Ms() const { return reader_->Field_Interval_Ms(); }
  // The time between two pictures as review steps them: fields, or frames of a progressive source.
  double Picture_Interval_Ms() const {
    return Field_Interval_Ms() > 0 ? Field_Interval_Ms() : reader_->Frame_Interval_Ms();
  }
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

  int32_t Default_Goal_Compensation() const { return reader_->Default_Goal_Compensation(); }
  void set_Default_Goal_Compensation(int32_t ms) { reader_->set_Default_Goal_Compensation(ms); }

  Cls_XML_header& XML_Header() { return recording_->Header(); }
  const Cls_XML_header& XML_Header() const { return recording_->Header(); }

  // Writes the whole header block at offset 0 from the header document; no file open: nothing.
  void Write_QN3_header() { recording_->Write_Header_Block(); }
  // Opens the named file read-write without reading it; false when that is impossible.
  bool Reopen_For_Update() { return recording_->Reopen_For_Update(); }

  // ---- The writer ----
  void set_Cropped_X(int32_t width) { writer_->set_Cropped_X(width); }
  void set_Cropped_Y(int32_t height) { writer_->set_Cropped_Y(height); }
  void set_RGB_interlaced(bool flag) { writer_->set_RGB_interlaced(flag); }
  void set_Running_Fps(int16_t fps) { writer_->set_Running_Fps(fps); }
  void set_File_name(const QString& path) { writer_->set_File_name(path); }
  void set_RGB_Rotated(bool flag) { writer_->set_RGB_Rotated(flag); }
  void set_Top_Delimiter_Row(int16_t row) { writer_->set_Top_Delimiter_Row(row); }
  void set_Initial_Quality(int16_t quality) { writer_->set_Initial_Quality(quality); }
  int16_t Initial_Quality() const { return writer_->Initial_Quality(); }
  // Creates the named file with a fresh header block; false (reported) when it cannot, and
  // always when the file exists and already holds frames, which are never overwritten.
  bool Initiate_QN3_File() { return writer_->Initiate_QN3_File(); }
  bool Initiate_QN3_File(const QString& path) { return writer_->Initiate_QN3_File(path); }
  // Rewrites the header block in place; opens the file when needed and leaves it open.
  bool Write_XML_Header() { return writer_->Write_XML_Header(); }
  void ReCreate_XML_header() { writer_->ReCreate_XML_header(); }
  // Opens the file for appending behind its last complete record and takes the slot size of
  // the frames already there. Throws Dora_Error when that is impossible.
  void Open_qn3_for_Append() { writer_->Open_qn3_for_Append(); }
  int32_t Rounded_Compressed_Size() const { return writer_->Rounded_Compressed_Size(); }
  void Calculate_Compressed_Size(const Frame_List& buffers) { writer_->Calculate_Compressed_Size(buffers); }
  // Compresses captured buffer `index` at `quality` into the writer's JPEG buffer; false
  // (reported) on failure, the JPEG size then keeps its previous value.
  bool Compress_Frame(const Frame_List& buffers, int32_t index, int32_t quality) {
    return writer_->Compress_Frame(buffers, index, quality);
  }
  int32_t Last_JPEG_Size() const { return writer_->Last_JPEG_Size(); }
  const uint8_t* Last_JPEG() const { return writer_->Last_JPEG(); }
  void Append_RGB_Frame(const Frame_List& buffers, int32_t index) { writer_->Append_RGB_Frame(buffers, index); }
  void JPG_Sizes(int32_t smallest, int32_t largest) { writer_->JPG_Sizes(smallest, largest); }
  QString RGB_Max_Seen_size() const { return writer_->RGB_Max_Seen_size(); }
  void set_RGB_Max_Seen_size(const QString& text) { writer_->set_RGB_Max_Seen_size(text); }
  QString RGB_Comp_Threshold() const { return writer_->RGB_Comp_Threshold(); }
  void set_RGB_Comp_Threshold(const QString& text) { writer_->set_RGB_Comp_Threshold(text); }

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
                        const std::vector<int32_t>& order = {}, int32_t* handled = nullptr) {
    return writer_->Append_Frames(frames, progress, order, handled);
  }
  // Threads that compress during Append_Frames; 0 (default) one per core.
  void set_Compression_Threads(int32_t threads) { writer_->set_Compression_Threads(threads); }

  // ---- Rendering ----
  // Drawing needs no device context here; the display handed over is kept for callers that
  // draw without naming one.
  void Set_Screen_HDC(Frame_Display* display) { renderer_->Set_Screen_HDC(display); }
  Frame_Display* Screen_Display() const { return renderer_->Screen_Display(); }
  // Reads and decodes `frame`, draws it (turned when the recording is rotated) and refreshes.
  // A read that raised an error draws nothing.
  void Draw_RGB_frame(int16_t frame, Frame_Display& box) { renderer_->Draw_RGB_frame(frame, box); }
  // Reads and decodes the frame holding `field`, draws that field at full height and refreshes.
  void Draw_RGB_Field(int32_t field, Frame_Display& box) { renderer_->Draw_RGB_Field(field, box); }
  // The decode surface, turned when rotated, then a refresh.
  void Draw_Current_RGB_frame(Frame_Display& box) { renderer_->Draw_Current_RGB_frame(box); }
  // The field surface, turned when rotated; the caller refreshes.
  void Draw_Current_Field(Frame_Display& box) { renderer_->Draw_Current_Field(box); }

private:
  std::unique_ptr<Recording_File> recording_;
  std::unique_ptr<Recording_Reader> reader_;
  std::unique_ptr<Recording_Writer> writer_;
  std::unique_ptr<Recording_Renderer> renderer_;

public:
  // Runs after the field surface had to be made again at the decoded picture's size (the
  // renderer's own callback, set through here).
  std::function<void()>& On_Size_Mismatch;
};
