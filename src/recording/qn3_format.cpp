#include "recording/qn3_format.h"

#include <algorithm>

namespace qn3 {

QByteArray Encode_Header_Text(const QString& xml) {
  QByteArray bytes;
  bytes.resize(xml.size());
  for (qsizetype i = 0; i < xml.size(); ++i) {
    const char16_t c = xml.at(i).unicode();
    bytes[i] = static_cast<char>(c <= 0xFF ? c : u'?');
  }
  return bytes;
}

bool Build_Header_Block(const QByteArray& text, uint8_t* block) {
  if (text.size() > Text_Area_Size) return false;
  std::memset(block, 0, Header_Block_Size);
  put_marker(block + Magic_Offset, Magic);
  put_i32(block + Block_Length_Offset, Header_Block_Size);
  put_i32(block + Text_Length_Offset, static_cast<int32_t>(text.size()));
  if (!text.isEmpty()) std::memcpy(block + Text_Offset, text.constData(), static_cast<size_t>(text.size()));
  put_marker(block + End_Marker_Offset, Header_End_Marker);
  return true;
}

QString Parse_Header_Text(const uint8_t* block, int64_t available) {
  if (available < Text_Offset) return {};
  int64_t length = std::clamp<int64_t>(get_i32(block + Text_Length_Offset), 0, Text_Area_Size);
  length = std::min(length, available - Text_Offset);
  const auto* text = reinterpret_cast<const char*>(block + Text_Offset);
  const void* zero = std::memchr(text, 0, static_cast<size_t>(length));
  if (zero) length = static_cast<const char*>(zero) - text;
  return QString::fromLatin1(text, static_cast<qsizetype>(length));
}

void Encode_Record_Head(const Record_Fields& f, uint8_t* head) {
  put_marker(head + Off_Start_Marker, Record_Start_Marker);
  put_i16(head + Off_Header_Length, f.header_length);
  put_i16(head + Off_Reserved_1, f.reserved_1);
  put_i32(head + Off_Capture_Mill, f.capture_mill);
  put_i32(head + Off_Capture_Delta, f.capture_delta);
  put_i32(head + Off_Capture_Local, f.capture_local);
  put_i32(head + Off_Reserved_2, f.reserved_2);
  put_i32(head + Off_Quality, f.quality);
  put_i16(head + Off_Capture_X, f.capture_x);
  put_i16(head + Off_Capture_Y, f.capture_y);
  put_i32(head + Off_JPEG_Size, f.jpeg_size);
  put_i32(head + Off_Event_Count, f.event_count);
  put_marker(head + Off_Mid_Marker, Record_Mid_Marker);
  put_i16(head + Off_Slot_Dims, f.slot_dims);
  put_i32(head + Off_Slot_Count, f.slot_count);
  put_i32(head + Off_Slot_Lower_Bound, f.slot_lower_bound);
}

bool Decode_Record_Head(const uint8_t* head, int64_t available, Record_Fields& f) {
  if (available < Record_Peek_Size || !is_marker(head, Record_Start_Marker)) return false;
  f.header_length = get_i16(head + Off_Header_Length);
  f.reserved_1 = get_i16(head + Off_Reserved_1);
  f.capture_mill = get_i32(head + Off_Capture_Mill);
  f.capture_delta = get_i32(head + Off_Capture_Delta);
  f.capture_local = get_i32(head + Off_Capture_Local);
  f.reserved_2 = get_i32(head + Off_Reserved_2);
  f.quality = get_i32(head + Off_Quality);
  f.capture_x = get_i16(head + Off_Capture_X);
  f.capture_y = get_i16(head + Off_Capture_Y);
  f.jpeg_size = get_i32(head + Off_JPEG_Size);
  f.event_count = get_i32(head + Off_Event_Count);
  if (available >= Record_Head_Size) {
    f.slot_dims = get_i16(head + Off_Slot_Dims);
    f.slot_count = get_i32(head + Off_Slot_Count);
    f.slot_lower_bound = get_i32(head + Off_Slot_Lower_Bound);
  }
  return true;
}

int32_t Encode_Record(const Record_Fields& fields, const uint8_t* jpeg, int32_t jpeg_size, int32_t slot_size,
                      uint8_t* out) {
  const int32_t slot = std::max(slot_size, 0);
  const int32_t copied = jpeg ? std::clamp(jpeg_size, 0, slot) : 0;
  Record_Fields f = fields;
  f.jpeg_size = copied;
  f.slot_count = slot;
  Encode_Record_Head(f, out);
  uint8_t* data = out + Record_Head_Size;
  if (copied > 0) std::memcpy(data, jpeg, static_cast<size_t>(copied));
  std::memset(data + copied, 0, static_cast<size_t>(slot - copied));
  put_marker(data + slot, Record_End_Marker);
  return copied;
}

int32_t Valid_JPEG_Bytes(int32_t stored_size, int32_t slot_size) {
  return std::clamp(stored_size, 0, std::max(slot_size, 0));
}

int64_t Record_Offset(int32_t frame, int64_t record_size) {
  if (frame < 1 || record_size < 1) return -1;
  return int64_t{Header_Block_Size} + (int64_t{frame} - 1) * record_size;
}

int16_t Frame_Count_For_Length(int64_t file_length, int64_t record_size) {
  if (record_size < 1) return 0;
  // Record 1 always starts right after the header block: 1-based position 32017.
  const int64_t span = file_length - (int64_t{Header_Block_Size} + 1);
  if (span <= 0) return 0;
  int64_t count = span / record_size;
  const int64_t twice_rest = 2 * (span % record_size);
  if (twice_rest > record_size || (twice_rest == record_size && (count % 2) != 0)) ++count;
  return static_cast<int16_t>(std::min<int64_t>(count, Max_Frames));
}

namespace {

int64_t Find_Marker(const uint8_t* data, int64_t from, int64_t available) {
  const uint8_t* end = data + available;
  const uint8_t* p = data + from;
  while (end - p >= 4) {
    p = static_cast<const uint8_t*>(std::memchr(p, 'R', static_cast<size_t>(end - p - 3)));
    if (!p) return -1;
    if (is_marker(p, Record_Start_Marker)) return p - data;
    ++p;
  }
  return -1;
}

// R as the record at `at` describes itself, 0 when its descriptor is not readable.
int64_t Described_Record_Size(const uint8_t* data, int64_t at, int64_t available) {
  if (available - at < Record_Head_Size) return 0;
  const uint8_t* head = data + at;
  if (!is_marker(head + Off_Mid_Marker, Record_Mid_Marker)) return 0;
  const int32_t slot = get_i32(head + Off_Slot_Count);
  if (slot <= 0 || Record_Size_For_Slot(slot) > Max_Measurable_Record) return 0;
  return Record_Size_For_Slot(slot);
}

} // namespace

Record_Layout Measure_Records(const uint8_t* head, int64_t available, int64_t file_length) {
  Record_Layout layout;
  if (!head || available < Header_Block_Size + 4) return layout;
  const int64_t first = Find_Marker(head, Header_Block_Size, available);
  if (first < 0) return layout;
  layout.first_marker = first;
  const int64_t described = Described_Record_Size(head, first, available);
  int64_t plain_next = -1;
  for (int64_t next = Find_Marker(head, first + 1, available); next >= 0;
       next = Find_Marker(head, next + 1, available)) {
    if (plain_next < 0) plain_next = next;
    if (described == 0) break;
    const int64_t distance = next - first;
    // Further on, a record whose start marker was damaged lies between the two: its neighbour
    // must then describe itself alike.
    if (distance == described ||
        (distance % described == 0 && Described_Record_Size(head, next, available) == described)) {
      layout.record_size = described;
      break;
    }
    // Markers short of the described end are chance bytes inside the first record's JPEG; so
    // are markers at no multiple of it, inside later ones.
  }
  if (layout.record_size == 0 && plain_next >= 0) layout.record_size = plain_next - first;
  if (layout.record_size > 0) {
    layout.source = Layout_Source::Markers;
  } else {
    layout.record_size = described;
    if (layout.record_size == 0) return layout;
    layout.source = Layout_Source::Slot_Descriptor;
  }
  layout.described = described == layout.record_size;
  layout.frame_count = Frame_Count_For_Length(file_length, layout.record_size);
  return layout;
}

} // namespace qn3
