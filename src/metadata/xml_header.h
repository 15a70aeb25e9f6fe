#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

// Texts about the computer and the capture set-up that a fresh header records.
struct Header_Environment {
  QString comp_name;
  QString comp_cpuinfo;
  QString comp_cpubitness;
  QString comp_physram;
  QString comp_osbitness;
  QString capture_property;
  QString capture_source;
  QString actual_sample;
  QString comp_manufacturer_model;
  QString phidget_serial;
  QString exe_name;
  QString exe_filedate;
  QString os_version;
};

// From program() and the running system; the capture texts and the kit serial stay empty
// (the capture side supplies them through Cls_XML_header::set_Environment_Source).
Header_Environment Current_Header_Environment();

// "t"/"f" flags of older headers; "t" or "Y" reads true.
QString Bool_to_XML_string(bool flag);
bool XML_string_to_Bool(const QString& text);

// The recording's XML header: one document, typed access to its elements by XPath.
// Properties without a fallback throw Dora_Error when their element is missing or unreadable.
class Cls_XML_header {
public:
  Cls_XML_header();
  ~Cls_XML_header();
  Cls_XML_header(const Cls_XML_header&) = delete;
  Cls_XML_header& operator=(const Cls_XML_header&) = delete;

  // Section switches, -1 true and 0 false (any non-zero value switches on).
  void Doravent_let(int16_t flag) { race_on_ = flag != 0 ? -1 : 0; }
  void rgb_let(int16_t flag) { rgb_on_ = flag != 0 ? -1 : 0; }
  int16_t Doravent_flag() const { return race_on_; }
  int16_t rgb_flag() const { return rgb_on_; }

  void set_Environment_Source(std::function<Header_Environment()> source);

  // Document operations.
  void Create_Header();
  QString XML_string();
  void set_XML_string(const QString& text);
  int32_t Len_XML();
  int16_t XML_len() const;
  bool XML_Valid() const { return valid_; }
  QString Loaded_Text() const { return loaded_text_; }
  QString Get_DOM_string() const;
  void DOM_serialize();
  void Dump_XML_to_File(const QString& name);
  void set_Update_Time(const QString& text);
  void set_Update_Program(const QString& text);

  // Any single element by name ("//" + name), for elements without a property of their own.
  QString Element_Text(const QString& element) const;
  void set_Element_Text(const QString& element, const QString& text);

  // Elements a box may hold beyond those it is made with; readers that do not know them pass
  // them by. nullopt when the box or the element is missing (xml_header_box.cpp).
  std::optional<QString> Box_Element(int16_t box, const QString& name) const;
  // Writes the element, appended to the box when missing; Dora_Error when the box is missing or
  // the name is no plain element name.
  void set_Box_Element(int16_t box, const QString& name, const QString& text);
  void Remove_Box_Element(int16_t box, const QString& name);

  // Race section; boxes 1 to 8.
  QString Dora_Dog_name(int16_t box) const;
  void set_Dora_Dog_name(int16_t box, const QString& name);
  int32_t Dora_Heat_time(int16_t box, bool split) const;
  void set_Dora_Heat_time(int16_t box, bool split, int32_t ms);
  int32_t Dora_Heat_Click_Time(int16_t box) const;
  void set_Dora_Heat_Click_Time(int16_t box, int32_t ms);
  int16_t Dora_heat_frame(int16_t box) const;
  void set_Dora_heat_frame(int16_t box, int16_t frame);
  int16_t Dora_split_frame(int16_t box) const;
  void set_Dora_split_frame(int16_t box, int16_t frame);
  bool Dora_dead_heat(int16_t box) const;
  void set_Dora_dead_heat(int16_t box, bool dead_heat);

  QString Dora_event() const;
  void set_Dora_event(const QString& text);
  QString Dora_Heat_ID() const;
  void set_Dora_Heat_ID(const QString& text);
  QString Dora_Heat_Name() const;
  void set_Dora_Heat_Name(const QString& text);
  QString Dora_Heat_Length() const;
  void set_Dora_Heat_Length(const QString& text);
  QString Dora_Goal_Finish() const;
  void set_Dora_Goal_Finish(const QString& text);
  QString Dora_Goal_Split() const;
  void set_Dora_Goal_Split(const QString& text);
  QString Dora_start_DateTime() const;
  void set_Dora_start_DateTime(const QString& text);
  int32_t Dora_heat_start_Local_mill() const;
  void set_Dora_heat_start_Local_mill(int32_t ms);
  int32_t Dora_heat_start_PC_mill() const;
  void set_Dora_heat_start_PC_mill(int32_t ms);
  int32_t Dora_start_HDMI_events() const;
  void set_Dora_start_HDMI_events(int32_t count);
  QString Goal_Compensation() const;
  void set_Goal_Compensation(const QString& text);
  QString Split_Compensation() const;
  void set_Split_Compensation(const QString& text);
  QString Dora_box_delay() const;
  void set_Dora_box_delay(const QString& text);
  void set_Dora_goal_firewire_ID(const QString& text);
  void set_Dora_split_firewire_ID(const QString& text);
  void set_Dora_ph_serial(const QString& text);
  // The officials' elements: made at the end of the race section when first written, so a
  // header that never uses them stays as it was, and readers that select elements by name pass
  // over them. Empty when absent; writing throws when there is no race section.
  QString Dora_Result_State() const;
  void set_Dora_Result_State(const QString& text);
  QString Dora_Audit_Head() const;
  void set_Dora_Audit_Head(const QString& text);
  // How a start that never reached the file was recovered; empty for a start taken at the contact.
  QString Dora_Start_Recovered() const;
  // False for a recording whose trigger kept frames before any start was stamped.
  bool Dora_Start_Stamped() const;
  void set_Dora_Start_Recovered(const QString& text);
  // The declared result as it was frozen (canonical JSON, empty while provisional), its Ed25519
  // signature and the public key that made it (hex; empty when unsigned).
  QString Dora_Declaration() const;
  void set_Dora_Declaration(const QString& text);
  QString Dora_Declaration_Signature() const;
  void set_Dora_Declaration_Signature(const QString& text);
  QString Dora_Declaration_Key() const;
  void set_Dora_Declaration_Key(const QString& text);
  // 128 random bits as 32 hex digits, made with the recording (file_data section); empty in
  // recordings made before there were IDs.
  QString Recording_ID() const;
  void set_Recording_ID(const QString& text);

  // File, computer and image properties.
  QString Creation_date() const;
  QString Last_Capture_time() const;
  void set_Last_Capture_time(const QString& text);
  QString Last_Append_time() const;
  void set_Last_Append_time(const QString& text);
  QString Comp_Name() const;
  void set_Comp_Name(const QString& text);
  QString Comp_CaptureInfo() const;
  void set_Comp_CaptureInfo(const QString& text);
  QString Comp_CPUInfo() const;
  void set_Comp_CPUInfo(const QString& text);
  QString Comp_CPUbitness() const;
  void set_Comp_CPUbitness(const QString& text);
  QString Comp_OSbitness() const;
  void set_Comp_OSbitness(const QString& text);
  QString Phidget_serial() const;
  void set_Phidget_serial(const QString& text);
  QString RGB_JPEG_codec() const;
  void set_RGB_JPEG_codec(const QString& text);
  QString RGB_JPEG_Quality() const;
  void set_RGB_JPEG_Quality(const QString& text);
  // n = 1 to 5; any other n names no element.
  QString comment(int16_t n) const;
  void set_comment(int16_t n, const QString& text);
  QString SpecApp() const;
  void set_SpecApp(const QString& text);

  QString Streams_no() const;
  void set_Streams_no(const QString& text);
  QString Frames_no() const;
  void set_Frames_no(const QString& text);
  QString Segments_no() const;
  void set_Segments_no(const QString& text);
  QString Capture_source() const;
  void set_Capture_source(const QString& text);
  QString Capture_property() const;
  void set_Capture_property(const QString& text);
  QString Capture_sample_size() const;
  void set_Capture_sample_size(const QString& text);
  QString Actual_sample() const;
  void set_Actual_sample(const QString& text);
  QString prog_id() const;
  void set_prog_id(const QString& text);
  QString Prog_Major() const;
  void set_Prog_Major(const QString& text);
  QString Prog_Minor() const;
  void set_Prog_Minor(const QString& text);
  QString Prog_Revision() const;
  void set_Prog_Revision(const QString& text);
  QString OS_version() const;
  void set_OS_version(const QString& text);
  QString Hdr_spare1() const;
  void set_Hdr_spare1(const QString& text);
  QString File_comment1() const;
  void set_File_comment1(const QString& text);
  QString Subject_name() const;
  void set_Subject_name(const QString& text);

  QString RGB_X() const;
  void set_RGB_X(const QString& text);
  QString RGB_Y() const;
  void set_RGB_Y(const QString& text);
  QString RGB_Image_Size() const;
  void set_RGB_Image_Size(const QString& text);
  QString RGB_Max_Seen_size() const;
  void set_RGB_Max_Seen_size(const QString& text);
  QString RGB_Comp_Threshold() const;
  void set_RGB_Comp_Threshold(const QString& text);
  QString RGB_Compressed_max_Size() const;
  void set_RGB_Compressed_max_Size(const QString& text);
  QString RGB_Compressed_min_Size() const;
  void set_RGB_Compressed_min_Size(const QString& text);
  QString RGB_Compressed_buffer_Size() const;
  void set_RGB_Compressed_buffer_Size(const QString& text);
  QString RGB_Sample_Size() const;
  void set_RGB_Sample_Size(const QString& text);
  QString RGB_fourcc() const;
  void set_RGB_fourcc(const QString& text);
  // How the frames' fields hold time. A recording without these is interlaced at 25 frames per
  // second: fields 20 ms apart, frames 40 ms.
  QString RGB_Field_Order() const;
  void set_RGB_Field_Order(const QString& text);
  int32_t RGB_Field_Interval_Us() const;
  void set_RGB_Field_Interval_Us(int32_t us);
  int32_t RGB_Frame_Interval_Us() const;
  void set_RGB_Frame_Interval_Us(int32_t us);
  QString RGB_fps() const;
  void set_RGB_fps(const QString& text);
  QString JPG_Reduced_Qual_num() const;
  void set_JPG_Reduced_Qual_num(const QString& text);
  bool RGB_interlaced() const;
  void set_RGB_interlaced(bool flag);
  bool RGB_Rotated() const;
  void set_RGB_Rotated(bool flag);
  bool RGB_preview_on() const;
  void set_RGB_preview_on(bool flag);

private:
  // The element at the path, or a null node when there is none.
  pugi::xml_node find(const std::string& xpath) const;
  pugi::xml_node require(const std::string& xpath) const;
  QString read_text(const std::string& xpath) const;
  void write_text(const std::string& xpath, const QString& text);
  QString read_single(const char* element) const;
  void write_single(const char* element, const QString& text);
  // The text, or the fallback when the element is missing.
  QString read_single_or(const char* element, const QString& fallback) const;
  void write_race_element(const char* element, const QString& text);
  void write_section_element(const char* section, const char* element, const QString& text);
  std::string serialize() const;

  std::unique_ptr<pugi::xml_document> doc_;
  std::function<Header_Environment()> environment_;
  QString xml_text_;
  QString loaded_text_;
  int16_t race_on_ = -1;
  int16_t rgb_on_ = 0;
  bool valid_ = false;
};
