// A recording file of arbitrary bytes through the reader: the layout measured from the bytes,
// the file opened, every record's head and stamp read, pictures decoded and drawn as frames
// and as fields, and the properties text. The stamp table must agree with the records read one
// by one, and no frame may be placed outside the file.
#include "fuzz_support.h"

#include "recording/frame_display.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"

#include <algorithm>
#include <vector>

namespace {

// Pictures decoded per input: the first, the last and some between. Every record's head is
// read all the same.
constexpr int32_t Decoded_Frames = 40;

void Check_Layout(const uint8_t* data, size_t size) {
  const auto length = static_cast<int64_t>(size);
  const int64_t available = std::min<int64_t>(length, qn3::Marker_Search_Bytes);
  const qn3::Record_Layout layout = qn3::Measure_Records(data, available, length);
  fuzz::Check(layout.frame_count >= 0 && layout.frame_count <= qn3::Max_Frames, "frame count within the format");
  if (layout.source == qn3::Layout_Source::None) return;
  fuzz::Check(layout.record_size > 0, "a measured layout has a record size");
  fuzz::Check(layout.first_marker >= qn3::Header_Block_Size, "no record inside the header block");
  qn3::Parse_Header_Text(data, length);
}

std::vector<int16_t> Frames_To_Decode(int16_t count) {
  std::vector<int16_t> frames;
  if (count <= Decoded_Frames) {
    for (int16_t f = 1; f <= count; ++f)
      frames.push_back(f);
    return frames;
  }
  for (int32_t i = 0; i < Decoded_Frames; ++i)
    frames.push_back(static_cast<int16_t>(1 + int64_t{i} * (count - 1) / (Decoded_Frames - 1)));
  return frames;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::Start(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check_Layout(data, size);
  const QString path = fuzz::Write_Scratch(QStringLiteral("heat.qn3"), reinterpret_cast<const char*>(data), size);
  fuzz::Remove_Scratch(QStringLiteral("heat.qn3.journal"));
  {
    cls_VideoFile_handler h;
    if (h.Open_File(path, true)) {
      const int16_t count = h.Num_Frames();
      const int64_t record = h.Record_Size();
      fuzz::Check(count >= 0 && count <= qn3::Max_Frames, "frame count within the format");
      fuzz::Check(record == 0 || (record >= qn3::Record_Overhead && record <= qn3::Max_Measurable_Record),
                  "record size within the format");
      fuzz::Check(count == 0 || qn3::Record_Offset(count, record) < static_cast<int64_t>(size),
                  "the last frame starts inside the file");
      fuzz::Check(h.Num_fields() >= count, "at least one field per frame");

      // Every record's head, against the stamp table.
      for (int16_t f = 1; f <= count; ++f) {
        h.Read_RGB_sample(f, false);
        const std::optional<int32_t> stamp = h.Record_Capture_Mill(f);
        if (h.Read_error()) continue;
        fuzz::Check(stamp.has_value() == (h.Last_Decoded_Frame() == f), "stamp table and record reads agree");
        if (stamp) fuzz::Check(*stamp == h.Read_Record().capture_mill, "stamp table holds the record's stamp");
      }
      fuzz::Check(!h.Record_Capture_Mill(0) && !h.Record_Capture_Mill(static_cast<int16_t>(count + 1)),
                  "no stamp outside the recording");

      Image_Display frames;
      Image_Display fields;
      for (const int16_t f : Frames_To_Decode(count)) {
        h.Draw_RGB_frame(f, frames);
        if (!h.Read_error() && h.Width() > 0 && h.Last_Decoded_Frame() == f)
          fuzz::Check(h.Decode_Surface().Width() == h.Width() && h.Decode_Surface().Height() == h.Height(),
                      "a decoded frame has the recording's size");
        const int32_t field = h.RGB_interlaced() ? 2 * int32_t{f} - 1 : f;
        h.Draw_RGB_Field(field, fields);
        if (h.RGB_interlaced()) h.Draw_RGB_Field(field + 1, fields);
      }
      h.QN3_Properties();
      h.Measured_fps();
      h.Goal_Compensation_Ms();
    }
    h.Close_File();
  }
  fuzz::Take_Error_Reports();
  return 0;
}
