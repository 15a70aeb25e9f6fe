// The elements of the results' integrity: the recording's ID, the declared result and its
// signature, and the audit trail's head.
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
