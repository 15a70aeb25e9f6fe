#pragma once
// The recording file, byte for byte. Pure layout code shared by the reader and the writer:
// no file access here, only byte buffers and arithmetic. File offsets are 0-based int64
// throughout; a file of 32767 large records passes 2 GiB.
//
// File: header block (32016 bytes at offset 0), then frame records 1, 2, ... of one fixed size
// R = S + 58 (S = slot size) back to back up to end of file, record n at 32016 + (n - 1) * R.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qn3 {

// ---- Header block ----
inline constexpr int32_t Header_Block_Size = 32016;
inline constexpr int32_t Magic_Offset = 0;        // "QNV3"
inline constexpr int32_t Block_Length_Offset = 4; // Int32, always 32016
inline constexpr int32_t Text_Length_Offset = 8;  // Int32, characters of XML text
inline constexpr int32_t Text_Offset = 12;
inline constexpr int32_t Text_Area_Size = 32000;
inline constexpr int32_t End_Marker_Offset = 32012; // "QNVX"
inline constexpr char Magic[] = "QNV3";
inline constexpr char Header_End_Marker[] = "QNVX";

// ---- Frame record ----
inline constexpr char Record_Start_Marker[] = "RGBS";
inline constexpr char Record_Mid_Marker[] = "RGBE";
inline constexpr char Record_End_Marker[] = "RGBF";
inline constexpr int32_t Off_Start_Marker = 0;
inline constexpr int32_t Off_Header_Length = 4; // Int16, left 0
inline constexpr int32_t Off_Reserved_1 = 6;    // Int16
inline constexpr int32_t Off_Capture_Mill = 8;
inline constexpr int32_t Off_Capture_Delta = 12;
inline constexpr int32_t Off_Capture_Local = 16;
inline constexpr int32_t Off_Reserved_2 = 20;
inline constexpr int32_t Off_Quality = 24;
inline constexpr int32_t Off_Capture_X = 28; // Int16, reserved
inline constexpr int32_t Off_Capture_Y = 30; // Int16, reserved
inline constexpr int32_t Off_JPEG_Size = 32;
inline constexpr int32_t Off_Event_Count = 36;
inline constexpr int32_t Off_Mid_Marker = 40;
inline constexpr int32_t Off_Slot_Dims = 44;        // Int16, 1
inline constexpr int32_t Off_Slot_Count = 46;       // Int32, S
inline constexpr int32_t Off_Slot_Lower_Bound = 50; // Int32, 1
inline constexpr int32_t Record_Head_Size = 54;     // bytes before the slot
inline constexpr int32_t Record_Peek_Size = 44;     // what a reader looks at before the whole record
inline constexpr int32_t Record_Overhead = 58;      // R - S: head plus the closing marker

// ---- Limits ----
inline constexpr int32_t Max_Frames = 32767;              // frame numbers are 16-bit
inline constexpr int32_t Marker_Search_Bytes = 1'000'000; // bytes searched to measure R
inline constexpr int32_t Max_Measurable_Record = Marker_Search_Bytes - Header_Block_Size - 4;
// The picture a recording may claim: a crop of the largest camera the system handles
// (1920 x 1080), in either orientation. Larger claims come from damaged headers.
inline constexpr int32_t Max_Picture_Side = 1920;
inline constexpr int64_t Max_Picture_Pixels = int64_t{1920} * 1080;
inline constexpr bool Picture_Size_Allowed(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= Max_Picture_Side && height <= Max_Picture_Side &&
         width * height <= Max_Picture_Pixels;
}

// ---- Little-endian access into byte buffers ----
inline void put_i16(uint8_t* p, int16_t v) {
  const auto u = static_cast<uint16_t>(v);
  p[0] = static_cast<uint8_t>(u & 0xFF);
  p[1] = static_cast<uint8_t>(u >> 8);
}
inline void put_i32(uint8_t* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<uint8_t>((u >> (8 * i)) & 0xFF);
}
inline int16_t get_i16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (static_cast<uint16_t>(p[1]) << 8)));
}
inline int32_t get_i32(const uint8_t* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i)
    u |= static_cast<uint32_t>(p[i]) << (8 * i);
  return static_cast<int32_t>(u);
}
inline void put_marker(uint8_t* p, const char* marker) { std::memcpy(p, marker, 4); }
inline bool is_marker(const uint8_t* p, const char* marker) { return std::memcmp(p, marker, 4) == 0; }

// ---- Header block ----
// The text as stored: one Latin-1 byte per character, characters beyond Latin-1 become '?'.
QByteArray Encode_Header_Text(const QString& xml);
// Fills `block` (Header_Block_Size bytes) from the stored text. False, and nothing written,
// when the text is longer than the area.
bool Build_Header_Block(const QByteArray& text, uint8_t* block);
// The XML text of a header block of which `available` bytes were read: the length field is
// taken at most up to the area's end (negative as 0), the text ends at the first zero byte.
// The magic and end marker are not checked.
QString Parse_Header_Text(const uint8_t* block, int64_t available);

// ---- Frame record ----
struct Record_Fields {
  int16_t header_length = 0;
  int16_t reserved_1 = 0;
  int32_t capture_mill = 0;
  int32_t capture_delta = 0;
  int32_t capture_local = 0;
  int32_t reserved_2 = 0;
  int32_t quality = 0;
  int16_t capture_x = 0;
  int16_t capture_y = 0;
  int32_t jpeg_size = 0;
  int32_t event_count = 0;
  int16_t slot_dims = 1;
  int32_t slot_count = 0; // S
  int32_t slot_lower_bound = 1;
};

inline constexpr int64_t Record_Size_For_Slot(int32_t slot_size) { return int64_t{slot_size} + Record_Overhead; }
// Writes the 54 bytes before the slot ("RGBS" ... descriptor), slot_count included.
void Encode_Record_Head(const Record_Fields& fields, uint8_t* head);
// Reads the 54 bytes before the slot (44 are enough for all but the descriptor; with fewer
// than 54 the descriptor keeps its defaults). False when `available` < 44 or the start
// marker is missing: the fields are then untouched.
bool Decode_Record_Head(const uint8_t* head, int64_t available, Record_Fields& fields);
// A whole record into `out` (Record_Size_For_Slot(slot_size) bytes): head, the JPEG, zeros to
// the slot's end, "RGBF". The JPEG is cut to the slot when longer; the stored size is the
// bytes actually copied. Returns that size.
int32_t Encode_Record(const Record_Fields& fields, const uint8_t* jpeg, int32_t jpeg_size, int32_t slot_size,
                      uint8_t* out);
// Bytes of the slot that hold the JPEG: the stored size limited to 0..slot_size.
int32_t Valid_JPEG_Bytes(int32_t stored_size, int32_t slot_size);

// ---- Locating records ----
// 0-based offset of record n (1-based) for record size R; -1 for n < 1 or R < 1.
int64_t Record_Offset(int32_t frame, int64_t record_size);
// (file length - a) / R to the nearest integer, ties to even, with a the 1-based position of
// the first record; 0 for a file without a whole half record; at most Max_Frames.
int16_t Frame_Count_For_Length(int64_t file_length, int64_t record_size);

enum class Layout_Source {
  Markers,         // two start markers, R = their distance
  Slot_Descriptor, // one record only: R from its slot descriptor
  None             // no record found
};
struct Record_Layout {
  Layout_Source source = Layout_Source::None;
  int64_t first_marker = -1; // 0-based offset of the first start marker found, -1 none
  int64_t record_size = 0;   // R, 0 when unknown
  int16_t frame_count = 0;
  bool described = false; // the first record's slot descriptor gives this R
};
// Measures R and the frame count from the first bytes of the file (`head`, `available` of them,
// normally the first Marker_Search_Bytes) and the file's length. The header's counts play no
// part, and markers are searched only after the header block: its text may spell one. A marker
// pair is accepted when the first record's slot descriptor agrees with the distance (or with a
// multiple of it that the second record's descriptor confirms: records between lost their
// marker), so a chance "RGBS" inside JPEG data does not mislead; when no descriptor agrees the
// plain distance of the first two markers serves. With one record only, its descriptor gives R. A descriptor
// claiming a record larger than Max_Measurable_Record is not believed.
Record_Layout Measure_Records(const uint8_t* head, int64_t available, int64_t file_length);

} // namespace qn3
