// Elements added to a box after the header was made.
#include "metadata/xml_header.h"

#include "platform/error_report.h"

#include <QRegularExpression>
#include <pugixml.hpp>

namespace {

bool Plain_Name(const QString& name) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,63}$"));
  return plain.match(name).hasMatch();
}

std::string Box_Xpath(int16_t box) { return "//box[@id='" + std::to_string(box) + "']"; }

} // namespace

std::optional<QString> Cls_XML_header::Box_Element(int16_t box, const QString& name) const {
  if (!Plain_Name(name)) return std::nullopt;
  const pugi::xml_node element = find(Box_Xpath(box) + "/" + name.toStdString());
  if (!element || element.type() != pugi::node_element) return std::nullopt;
  return read_text(Box_Xpath(box) + "/" + name.toStdString());
}

void Cls_XML_header::set_Box_Element(int16_t box, const QString& name, const QString& text) {
  if (!Plain_Name(name)) throw Dora_Error(5, QStringLiteral("Invalid element name: ") + name);
  const std::string path = Box_Xpath(box) + "/" + name.toStdString();
  if (!find(path)) {
    pugi::xml_node parent = require(Box_Xpath(box));
    // Laid out as the box's own elements are: each on a line of its own.
    parent.append_child(name.toStdString().c_str());
    parent.append_child(pugi::node_pcdata).set_value("\r\n");
  }
  write_text(path, text);
}

void Cls_XML_header::Remove_Box_Element(int16_t box, const QString& name) {
  if (!Plain_Name(name)) return;
  pugi::xml_node element = find(Box_Xpath(box) + "/" + name.toStdString());
  if (!element || element.type() != pugi::node_element) return;
  pugi::xml_node parent = element.parent();
  const pugi::xml_node after = element.next_sibling();
  if (after && after.type() == pugi::node_pcdata && std::string(after.value()) == "\r\n") parent.remove_child(after);
  parent.remove_child(element);
}
