#pragma once
// The recording handler's writer: creates a heat's recording, rewrites its header in place, sizes
// the slot from the first frames and appends the frames kept at capture end.
#include "recording/jpeg_codec.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class Frame_List;
class Recording_File;
class Recording_Reader;
namespace qn3 {
class Frame_Encoder;
} // namespace qn3

class Recording_Writer {
public:
  // The writer takes the file over from a review through the reader, which then forgets it.
  Recording_Writer(Recording_File& recording, Recording_Reader& reader);
  ~Recording_Writer();
  Recording_Writer(const Recording_Writer&) = delete;
  Recording_Writer& operator=(const Recording_Writer&) = delete;

  void set_Cropped_X(int32_t width);
  void set_Cropped_Y(int32_t height);
  void set_RGB_interlaced(bool flag) { interlaced_setting_ = flag; }
  void set_Running_Fps(int16_t fps);
  void set_File_name(const QString& path);
  void set_RGB_Rotated(bool flag) { rotate_setting_ = flag; }
  void set_Top_Delimiter_Row(int16_t row) { top_delimiter_setting_ = row; }
  void set_Initial_Quality(int16_t quality) { initial_quality_ = quality; }
  int16_t Initial_Quality() const { return initial_quality_; }
  bool Initiate_QN3_File();
  bool Initiate_QN3_File(const QString& path);
  bool Write_XML_Header();
  void ReCreate_XML_header();
  void Open_qn3_for_Append();
  int32_t Rounded_Compressed_Size() const { return slot_size_; }
  void Calculate_Compressed_Size(const Frame_List& buffers);
  bool Compress_Frame(const Frame_List& buffers, int32_t index, int32_t quality);
  int32_t Last_JPEG_Size() const { return last_jpeg_size_; }
  const uint8_t* Last_JPEG() const { return jpeg_buffer_.data(); }
  void Append_RGB_Frame(const Frame_List& buffers, int32_t index);
  int32_t Append_Frames(const Frame_List& frames, const std::function<void(int32_t, int32_t)>& progress,
                        const std::vector<int32_t>& order, int32_t* handled);
  void set_Compression_Threads(int32_t threads) { compression_threads_ = threads; }
  void JPG_Sizes(int32_t smallest, int32_t largest);
  QString RGB_Max_Seen_size() const;
  void set_RGB_Max_Seen_size(const QString& text);
  QString RGB_Comp_Threshold() const;
  void set_RGB_Comp_Threshold(const QString& text);

private:
  // `record` holds Record_Size_For_Slot(record_slot) bytes; refused unless that is the file's slot.
  void Write_Record(const uint8_t* record, int32_t record_slot, int32_t jpeg_size);
  void Write_XML_Fields();
  void Prepare_Record_Buffer();
  // `pass_slot`: the slot the pass already writes, which the file's records must have; 0 takes the file's.
  void Open_For_Append(bool adopt_header, int32_t pass_slot);
  qn3::Frame_Encoder& Encoder(); // made again when the picture size or interlacing changed
  bool Encode_Interlaced() const;
  Jpeg_Encode_Result Encode_Sample(const Frame_List& buffers, int32_t index, int32_t quality);

  Recording_File& recording_;
  Recording_Reader& reader_;
  int32_t crop_x_ = 0;
  int32_t crop_y_ = 0;
  bool interlaced_setting_ = false;
  bool rotate_setting_ = false;
  int16_t top_delimiter_setting_ = 0;
  int32_t slot_size_ = 0;
  bool jpeg_compression_on_ = true;
  QString compressor_name_ = QStringLiteral("Intel");
  int16_t initial_quality_ = 80;
  int64_t pass_start_length_ = 0;
  int32_t last_jpeg_size_ = 0;
  std::vector<uint8_t> jpeg_buffer_;
  std::vector<uint8_t> write_record_;
  std::unique_ptr<qn3::Frame_Encoder> encoder_; // for sizing and single frames
  int32_t compression_threads_ = 0;
  QString header_owner_; // file whose header the document holds (empty: none known)
};
