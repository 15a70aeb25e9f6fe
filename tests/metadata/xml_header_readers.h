#pragma once
// Every reading property of the header, as text, for table-driven and damaged-input tests.
#include "metadata/xml_header.h"

#include <QString>
#include <functional>
#include <vector>

struct Header_Reader {
  const char* name;
  std::function<QString(const Cls_XML_header&)> read;
};

inline QString flag(bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); }

inline std::vector<Header_Reader> Every_Header_Reader(int16_t box = 1) {
  using H = const Cls_XML_header&;
  return {
      {"Dora_Dog_name", [box](H h) { return h.Dora_Dog_name(box); }},
      {"Dora_Heat_time", [box](H h) { return QString::number(h.Dora_Heat_time(box, false)); }},
      {"Dora_Heat_time split", [box](H h) { return QString::number(h.Dora_Heat_time(box, true)); }},
      {"Dora_Heat_Click_Time", [box](H h) { return QString::number(h.Dora_Heat_Click_Time(box)); }},
      {"Dora_heat_frame", [box](H h) { return QString::number(h.Dora_heat_frame(box)); }},
      {"Dora_split_frame", [box](H h) { return QString::number(h.Dora_split_frame(box)); }},
      {"Dora_dead_heat", [box](H h) { return flag(h.Dora_dead_heat(box)); }},
      {"Dora_event", [](H h) { return h.Dora_event(); }},
      {"Dora_Heat_ID", [](H h) { return h.Dora_Heat_ID(); }},
      {"Dora_Heat_Name", [](H h) { return h.Dora_Heat_Name(); }},
      {"Dora_Heat_Length", [](H h) { return h.Dora_Heat_Length(); }},
      {"Dora_Goal_Finish", [](H h) { return h.Dora_Goal_Finish(); }},
      {"Dora_Goal_Split", [](H h) { return h.Dora_Goal_Split(); }},
      {"Dora_start_DateTime", [](H h) { return h.Dora_start_DateTime(); }},
      {"Dora_heat_start_Local_mill", [](H h) { return QString::number(h.Dora_heat_start_Local_mill()); }},
      {"Dora_heat_start_PC_mill", [](H h) { return QString::number(h.Dora_heat_start_PC_mill()); }},
      {"Dora_start_HDMI_events", [](H h) { return QString::number(h.Dora_start_HDMI_events()); }},
      {"Goal_Compensation", [](H h) { return h.Goal_Compensation(); }},
      {"Split_Compensation", [](H h) { return h.Split_Compensation(); }},
      {"Dora_box_delay", [](H h) { return h.Dora_box_delay(); }},
      {"Creation_date", [](H h) { return h.Creation_date(); }},
      {"Last_Capture_time", [](H h) { return h.Last_Capture_time(); }},
      {"Last_Append_time", [](H h) { return h.Last_Append_time(); }},
      {"Comp_Name", [](H h) { return h.Comp_Name(); }},
      {"Comp_CaptureInfo", [](H h) { return h.Comp_CaptureInfo(); }},
      {"Comp_CPUInfo", [](H h) { return h.Comp_CPUInfo(); }},
      {"Comp_CPUbitness", [](H h) { return h.Comp_CPUbitness(); }},
      {"Comp_OSbitness", [](H h) { return h.Comp_OSbitness(); }},
      {"Phidget_serial", [](H h) { return h.Phidget_serial(); }},
      {"RGB_JPEG_codec", [](H h) { return h.RGB_JPEG_codec(); }},
      {"RGB_JPEG_Quality", [](H h) { return h.RGB_JPEG_Quality(); }},
      {"comment", [](H h) { return h.comment(2); }},
      {"SpecApp", [](H h) { return h.SpecApp(); }},
      {"Streams_no", [](H h) { return h.Streams_no(); }},
      {"Frames_no", [](H h) { return h.Frames_no(); }},
      {"Segments_no", [](H h) { return h.Segments_no(); }},
      {"Capture_source", [](H h) { return h.Capture_source(); }},
      {"Capture_property", [](H h) { return h.Capture_property(); }},
      {"Capture_sample_size", [](H h) { return h.Capture_sample_size(); }},
      {"Actual_sample", [](H h) { return h.Actual_sample(); }},
      {"prog_id", [](H h) { return h.prog_id(); }},
      {"Prog_Major", [](H h) { return h.Prog_Major(); }},
      {"Prog_Minor", [](H h) { return h.Prog_Minor(); }},
      {"Prog_Revision", [](H h) { return h.Prog_Revision(); }},
      {"OS_version", [](H h) { return h.OS_version(); }},
      {"Hdr_spare1", [](H h) { return h.Hdr_spare1(); }},
      {"File_comment1", [](H h) { return h.File_comment1(); }},
      {"Subject_name", [](H h) { return h.Subject_name(); }},
      {"RGB_X", [](H h) { return h.RGB_X(); }},
      {"RGB_Y", [](H h) { return h.RGB_Y(); }},
      {"RGB_Image_Size", [](H h) { return h.RGB_Image_Size(); }},
      {"RGB_Max_Seen_size", [](H h) { return h.RGB_Max_Seen_size(); }},
      {"RGB_Comp_Threshold", [](H h) { return h.RGB_Comp_Threshold(); }},
      {"RGB_Compressed_max_Size", [](H h) { return h.RGB_Compressed_max_Size(); }},
      {"RGB_Compressed_min_Size", [](H h) { return h.RGB_Compressed_min_Size(); }},
      {"RGB_Compressed_buffer_Size", [](H h) { return h.RGB_Compressed_buffer_Size(); }},
      {"RGB_Sample_Size", [](H h) { return h.RGB_Sample_Size(); }},
      {"RGB_fourcc", [](H h) { return h.RGB_fourcc(); }},
      {"RGB_fps", [](H h) { return h.RGB_fps(); }},
      {"JPG_Reduced_Qual_num", [](H h) { return h.JPG_Reduced_Qual_num(); }},
      {"RGB_interlaced", [](H h) { return flag(h.RGB_interlaced()); }},
      {"RGB_Rotated", [](H h) { return flag(h.RGB_Rotated()); }},
      {"RGB_preview_on", [](H h) { return flag(h.RGB_preview_on()); }},
  };
}
