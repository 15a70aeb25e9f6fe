// The elements added to the header after its first layout: the results' integrity (the recording's
// ID, the declared result and its signature, the audit trail's head) and the frames' field timing.
#include "metadata/xml_header.h"

#include "metadata/xml_header_text.h"

#include <pugixml.hpp>

namespace {

const char* const result_state = "dora_result_state";
const char* const audit_head = "dora_audit_head";
const char* const start_recovered = "dora_start_recovered";
const char* const recording_id = "recording_id";
const char* const declaration = "dora_declaration";
const char* const declaration_signature = "dora_declaration_signature";
const char* const declaration_key = "dora_declaration_key";
const char* const field_order = "RGB_field_order";
const char* const field_interval = "RGB_field_interval_us";
const char* const frame_interval = "RGB_frame_interval_us";

int32_t Interval_Us(const QString& text, int32_t fallback) {
  bool ok = false;
  const int32_t us = text.toInt(&ok);
  return ok && us >= 0 && us <= 10'000'000 ? us : fallback;
}

} // namespace

void Cls_XML_header::write_section_element(const char* section, const char* element, const QString& text) {
  if (!find(std::string("//") + element)) {
    // Laid out like the section's own leaves: the element, then a line break.
    pugi::xml_node parent = require(std::string("//") + section);
    parent.append_child(element);
    parent.append_child(pugi::node_pcdata).set_value("\r\n");
  }
  write_single(element, text);
}

void Cls_XML_header::write_race_element(const char* element, const QString& text) {
  write_section_element("doravent", element, text);
}

QString Cls_XML_header::Dora_Result_State() const { return read_single_or(result_state, {}); }

void Cls_XML_header::set_Dora_Result_State(const QString& text) { write_race_element(result_state, text); }

QString Cls_XML_header::Dora_Audit_Head() const { return read_single_or(audit_head, {}); }

void Cls_XML_header::set_Dora_Audit_Head(const QString& text) { write_race_element(audit_head, text); }

bool Cls_XML_header::Dora_Start_Stamped() const {
  // A new header holds the element's name until a start is stamped.
  return xml_header_text::Is_Numeric(read_single_or("dora_start_PC_mill", {}));
}

QString Cls_XML_header::Dora_Start_Recovered() const { return read_single_or(start_recovered, {}); }

void Cls_XML_header::set_Dora_Start_Recovered(const QString& text) { write_race_element(start_recovered, text); }
QString Cls_XML_header::Recording_ID() const { return read_single_or(recording_id, {}); }

void Cls_XML_header::set_Recording_ID(const QString& text) { write_section_element("file_data", recording_id, text); }

QString Cls_XML_header::Dora_Declaration() const { return read_single_or(declaration, {}); }

void Cls_XML_header::set_Dora_Declaration(const QString& text) { write_race_element(declaration, text); }

QString Cls_XML_header::Dora_Declaration_Signature() const { return read_single_or(declaration_signature, {}); }

void Cls_XML_header::set_Dora_Declaration_Signature(const QString& text) {
  write_race_element(declaration_signature, text);
}

QString Cls_XML_header::Dora_Declaration_Key() const { return read_single_or(declaration_key, {}); }

void Cls_XML_header::set_Dora_Declaration_Key(const QString& text) { write_race_element(declaration_key, text); }

QString Cls_XML_header::RGB_Field_Order() const { return read_single_or(field_order, {}); }

void Cls_XML_header::set_RGB_Field_Order(const QString& text) { write_section_element("RGB_data", field_order, text); }

int32_t Cls_XML_header::RGB_Field_Interval_Us() const {
  return Interval_Us(read_single_or(field_interval, {}), 20'000);
}

void Cls_XML_header::set_RGB_Field_Interval_Us(int32_t us) {
  write_section_element("RGB_data", field_interval, QString::number(us));
}

int32_t Cls_XML_header::RGB_Frame_Interval_Us() const {
  const int32_t us = Interval_Us(read_single_or(frame_interval, {}), 40'000);
  return us > 0 ? us : 40'000;
}

void Cls_XML_header::set_RGB_Frame_Interval_Us(int32_t us) {
  write_section_element("RGB_data", frame_interval, QString::number(us));
}
