// Typed access to the header's elements.
#include "metadata/xml_header.h"

#include "metadata/xml_header_text.h"
#include "platform/error_report.h"

#include <pugixml.hpp>

using namespace xml_header_text;

namespace {

std::string single_path(const char* element) { return std::string("//") + element; }

// Box numbers outside 1 to 8 simply select nothing.
std::string box_path(int16_t box, const char* element) { return "//box[@id='" + std::to_string(box) + "']/" + element; }

const QString true_text = QStringLiteral("True");
const QString false_text = QStringLiteral("False");

QString flag_text(bool flag) { return flag ? true_text : false_text; }

} // namespace

pugi::xml_node Cls_XML_header::find(const std::string& xpath) const {
  try {
    return doc_->select_node(xpath.c_str()).node();
  } catch (const pugi::xpath_exception& e) {
    throw Dora_Error(
        5, QStringLiteral("Invalid XPath %1: %2").arg(QString::fromStdString(xpath), QString::fromUtf8(e.what())));
  }
}

pugi::xml_node Cls_XML_header::require(const std::string& xpath) const {
  pugi::xml_node node = find(xpath);
  if (!node || node.type() != pugi::node_element)
    throw Dora_Error(91, QStringLiteral("Object variable or With block variable not set: no XML element %1")
                             .arg(QString::fromStdString(xpath)));
  return node;
}

QString Cls_XML_header::read_text(const std::string& xpath) const {
  // All text below the element, in document order; walked without recursion, so a deeply
  // nested damaged header cannot exhaust the stack.
  const pugi::xml_node element = require(xpath);
  std::string text;
  pugi::xml_node node = element.first_child();
  while (node) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) text += node.value();
    if (node.first_child()) {
      node = node.first_child();
      continue;
    }
    while (node && node != element && !node.next_sibling())
      node = node.parent();
    if (!node || node == element) break;
    node = node.next_sibling();
  }
  return From_Document(text.c_str());
}

void Cls_XML_header::write_text(const std::string& xpath, const QString& text) {
  pugi::xml_node element = require(xpath);
  while (element.first_child())
    element.remove_child(element.first_child());
  if (!text.isEmpty()) element.append_child(pugi::node_pcdata).set_value(To_Document(text).c_str());
}

QString Cls_XML_header::read_single(const char* element) const { return read_text(single_path(element)); }

void Cls_XML_header::write_single(const char* element, const QString& text) { write_text(single_path(element), text); }

QString Cls_XML_header::read_single_or(const char* element, const QString& fallback) const {
  try {
    return read_single(element);
  } catch (const Dora_Error&) {
    return fallback;
  }
}

QString Cls_XML_header::Element_Text(const QString& element) const { return read_text("//" + To_Document(element)); }

void Cls_XML_header::set_Element_Text(const QString& element, const QString& text) {
  write_text("//" + To_Document(element), text);
}

void Cls_XML_header::set_Update_Time(const QString& text) { write_single("update_date", text); }
void Cls_XML_header::set_Update_Program(const QString& text) { write_single("update_program", text); }

// Race section.

QString Cls_XML_header::Dora_Dog_name(int16_t box) const { return read_text(box_path(box, "dog_name")); }
void Cls_XML_header::set_Dora_Dog_name(int16_t box, const QString& name) {
  write_text(box_path(box, "dog_name"), name);
}

int32_t Cls_XML_header::Dora_Heat_time(int16_t box, bool split) const {
  return Text_To_Long(read_text(box_path(box, split ? "dog_split_time" : "dog_heat_time")));
}
void Cls_XML_header::set_Dora_Heat_time(int16_t box, bool split, int32_t ms) {
  write_text(box_path(box, split ? "dog_split_time" : "dog_heat_time"), QString::number(ms));
}

int32_t Cls_XML_header::Dora_Heat_Click_Time(int16_t box) const {
  try {
    return Text_To_Long(read_text(box_path(box, "dog_heat_click_time")));
  } catch (const Dora_Error&) {
    return 0;
  }
}
void Cls_XML_header::set_Dora_Heat_Click_Time(int16_t box, int32_t ms) {
  try {
    write_text(box_path(box, "dog_heat_click_time"), QString::number(ms));
  } catch (const Dora_Error&) {
  }
}

int16_t Cls_XML_header::Dora_heat_frame(int16_t box) const {
  return Text_To_Integer(read_text(box_path(box, "dog_heat_frame")));
}
void Cls_XML_header::set_Dora_heat_frame(int16_t box, int16_t frame) {
  write_text(box_path(box, "dog_heat_frame"), QString::number(frame));
}
int16_t Cls_XML_header::Dora_split_frame(int16_t box) const {
  return Text_To_Integer(read_text(box_path(box, "dog_split_frame")));
}
void Cls_XML_header::set_Dora_split_frame(int16_t box, int16_t frame) {
  write_text(box_path(box, "dog_split_frame"), QString::number(frame));
}

bool Cls_XML_header::Dora_dead_heat(int16_t box) const {
  try {
    return read_text(box_path(box, "dog_dead_heat")) == true_text;
  } catch (const Dora_Error&) {
    return false;
  }
}
void Cls_XML_header::set_Dora_dead_heat(int16_t box, bool dead_heat) {
  try {
    write_text(box_path(box, "dog_dead_heat"), flag_text(dead_heat));
  } catch (const Dora_Error&) {
  }
}

#define DORA_TEXT_PROPERTY(Name, element)                                                                              \
  QString Cls_XML_header::Name() const { return read_single(element); }                                                \
  void Cls_XML_header::set_##Name(const QString& text) { write_single(element, text); }

#define DORA_LONG_PROPERTY(Name, element)                                                                              \
  int32_t Cls_XML_header::Name() const { return Text_To_Long(read_single(element)); }                                  \
  void Cls_XML_header::set_##Name(int32_t value) { write_single(element, QString::number(value)); }

DORA_TEXT_PROPERTY(Dora_event, "dora_event")
DORA_TEXT_PROPERTY(Dora_Heat_ID, "dora_heat_ID")
DORA_TEXT_PROPERTY(Dora_Heat_Name, "dora_heat_name")
DORA_TEXT_PROPERTY(Dora_Heat_Length, "dora_heat_length")
DORA_TEXT_PROPERTY(Dora_Goal_Finish, "dora_goal_finish")
DORA_TEXT_PROPERTY(Dora_Goal_Split, "dora_goal_split")
DORA_TEXT_PROPERTY(Dora_start_DateTime, "dora_start_datetime")
DORA_LONG_PROPERTY(Dora_heat_start_Local_mill, "dora_start_local_mill")
DORA_LONG_PROPERTY(Dora_heat_start_PC_mill, "dora_start_PC_mill")
DORA_LONG_PROPERTY(Dora_start_HDMI_events, "dora_start_HDMI_events")

QString Cls_XML_header::Goal_Compensation() const {
  const QString text = read_single_or("dora_goal_time_offset", QStringLiteral("0"));
  return Is_Numeric(text) ? text : QStringLiteral("0");
}
void Cls_XML_header::set_Goal_Compensation(const QString& text) { write_single("dora_goal_time_offset", text); }
QString Cls_XML_header::Split_Compensation() const {
  const QString text = read_single_or("dora_split_time_offset", QStringLiteral("0"));
  return Is_Numeric(text) ? text : QStringLiteral("0");
}
void Cls_XML_header::set_Split_Compensation(const QString& text) { write_single("dora_split_time_offset", text); }
QString Cls_XML_header::Dora_box_delay() const { return read_single_or("dora_box_delay", QStringLiteral("0")); }
void Cls_XML_header::set_Dora_box_delay(const QString& text) { write_single("dora_box_delay", text); }
void Cls_XML_header::set_Dora_goal_firewire_ID(const QString& text) { write_single("dora_goal_firewire_ID", text); }
void Cls_XML_header::set_Dora_split_firewire_ID(const QString& text) { write_single("dora_split_firewire_ID", text); }
void Cls_XML_header::set_Dora_ph_serial(const QString& text) { write_single("dora_ph_serial", text); }

// File, computer and image properties.

#define DORA_FALLBACK_PROPERTY(Name, element, fallback)                                                                \
  QString Cls_XML_header::Name() const { return read_single_or(element, QStringLiteral(fallback)); }                   \
  void Cls_XML_header::set_##Name(const QString& text) { write_single(element, text); }

#define DORA_FLAG_PROPERTY(Name, element)                                                                              \
  bool Cls_XML_header::Name() const { return read_single(element) == true_text; }                                      \
  void Cls_XML_header::set_##Name(bool flag) { write_single(element, flag_text(flag)); }

QString Cls_XML_header::Creation_date() const { return read_single("creation_date"); }
QString Cls_XML_header::Last_Capture_time() const {
  try {
    return read_single("last_capture_time");
  } catch (const Dora_Error&) {
    return Creation_date();
  }
}
void Cls_XML_header::set_Last_Capture_time(const QString& text) { write_single("last_capture_time", text); }
DORA_TEXT_PROPERTY(Last_Append_time, "last_append_time")

DORA_FALLBACK_PROPERTY(Comp_Name, "comp_name", "Unknown computer name")
DORA_FALLBACK_PROPERTY(Comp_CaptureInfo, "comp_captureinfo", "Unknown Capture Info!")
DORA_FALLBACK_PROPERTY(Comp_CPUInfo, "comp_cpuinfo", "Not known!")
DORA_FALLBACK_PROPERTY(Comp_CPUbitness, "comp_cpubitness", "Not known!")
DORA_FALLBACK_PROPERTY(Comp_OSbitness, "comp_osbitness", "Not known!")
DORA_FALLBACK_PROPERTY(Phidget_serial, "phidget_serial", "Not known!")
DORA_FALLBACK_PROPERTY(RGB_JPEG_codec, "RGB_JPEG_Codec", "unknown")
DORA_FALLBACK_PROPERTY(RGB_JPEG_Quality, "RGB_JPEG_Quality", "0000")
DORA_FALLBACK_PROPERTY(SpecApp, "specapp1", "None")

QString Cls_XML_header::comment(int16_t n) const {
  try {
    return read_text(single_path(("file_comment" + std::to_string(n)).c_str()));
  } catch (const Dora_Error&) {
    return {};
  }
}
void Cls_XML_header::set_comment(int16_t n, const QString& text) {
  write_text(single_path(("file_comment" + std::to_string(n)).c_str()), text);
}

DORA_TEXT_PROPERTY(Streams_no, "num_streams")
DORA_TEXT_PROPERTY(Frames_no, "num_frames")
DORA_TEXT_PROPERTY(Segments_no, "num_segments")
DORA_TEXT_PROPERTY(Capture_source, "capture_source")
DORA_TEXT_PROPERTY(Capture_property, "capture_property")
DORA_TEXT_PROPERTY(Capture_sample_size, "capture_sample_size")
DORA_TEXT_PROPERTY(Actual_sample, "actual_sample")
DORA_TEXT_PROPERTY(prog_id, "prog_id")
DORA_TEXT_PROPERTY(Prog_Major, "prog_major")
DORA_TEXT_PROPERTY(Prog_Minor, "prog_minor")
DORA_TEXT_PROPERTY(Prog_Revision, "prog_revision")
DORA_TEXT_PROPERTY(OS_version, "os_version")
DORA_TEXT_PROPERTY(Hdr_spare1, "hdr_spare1")
DORA_TEXT_PROPERTY(File_comment1, "file_comment1")
DORA_TEXT_PROPERTY(Subject_name, "subject_name")

DORA_TEXT_PROPERTY(RGB_X, "RGB_X")
DORA_TEXT_PROPERTY(RGB_Y, "RGB_Y")
DORA_TEXT_PROPERTY(RGB_Image_Size, "RGB_image_size")
DORA_TEXT_PROPERTY(RGB_Max_Seen_size, "RGB_max_seen_size")
DORA_TEXT_PROPERTY(RGB_Comp_Threshold, "RGB_comp_threshold")
DORA_TEXT_PROPERTY(RGB_Compressed_max_Size, "RGB_compressed_max_size")
DORA_TEXT_PROPERTY(RGB_Compressed_min_Size, "RGB_compressed_min_size")
DORA_TEXT_PROPERTY(RGB_Compressed_buffer_Size, "RGB_compressed_buffer_size")
DORA_TEXT_PROPERTY(RGB_Sample_Size, "RGB_sample_size")
DORA_TEXT_PROPERTY(RGB_fourcc, "RGB_fourcc")
DORA_TEXT_PROPERTY(RGB_fps, "RGB_fps")
DORA_TEXT_PROPERTY(JPG_Reduced_Qual_num, "RGB_JPEG_Quality_num_reduced")
DORA_FLAG_PROPERTY(RGB_interlaced, "RGB_interlaced")
DORA_FLAG_PROPERTY(RGB_Rotated, "RGB_rotated")
DORA_FLAG_PROPERTY(RGB_preview_on, "RGB_preview_on")
