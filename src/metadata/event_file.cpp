#include "metadata/event_file.h"

#include "metadata/xml_header_text.h"
#include "platform/durable_file.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <pugixml.hpp>

#include <cmath>
#include <string>
#include <string_view>

using xml_header_text::From_Document;
using xml_header_text::Normalize_Document;
using xml_header_text::To_Document;

namespace {

// Keeps comments, the declaration and the line-break text nodes, and leaves line ends alone, so a
// file saves back as it came.
constexpr unsigned load_options = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_comments | pugi::parse_pi |
                                  pugi::parse_declaration | pugi::parse_ws_pcdata | pugi::parse_doctype;

const char* const crlf = "\r\n";

class Bytes_Writer final : public pugi::xml_writer {
public:
  explicit Bytes_Writer(QByteArray& out) : out_(out) {}
  void write(const void* data, size_t size) override {
    out_.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
  }

private:
  QByteArray& out_;
};

void add_empty(pugi::xml_node parent, const char* name) {
  parent.append_child(name);
  parent.append_child(pugi::node_pcdata).set_value(crlf);
}

pugi::xml_node add_numbered(pugi::xml_node parent, const char* name, int id) {
  pugi::xml_node node = parent.append_child(name);
  node.append_attribute("id").set_value(std::to_string(id).c_str());
  return node;
}

std::string heat_path(int16_t heat) { return "//heat[@id='" + std::to_string(heat) + "']"; }

std::string box_path(int16_t heat, int16_t box) { return heat_path(heat) + "/box[@id='" + std::to_string(box) + "']"; }

void set_text(pugi::xml_node node, const QString& text) {
  // An empty value leaves the element without a text node, as it was created.
  while (pugi::xml_node child = node.first_child())
    node.remove_child(child);
  if (!text.isEmpty()) node.append_child(pugi::node_pcdata).set_value(To_Document(text).c_str());
}

bool Valid_Utf8(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString decoded = utf8.decode(bytes); // the decoder works only when its result is taken
  return !utf8.hasError();
}

// Whether a name of the parsed (UTF-8) document survives a Latin-1 save: text becomes '?'
// where it must, but a name with '?' in it no longer parses.
bool Fits_Latin1(const char* name) {
  for (const auto* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
    if (*p >= 0xC4) return false; // lead byte of a character beyond U+00FF
  return true;
}

bool Names_Fit_Latin1(pugi::xml_document& doc) {
  struct Walker final : pugi::xml_tree_walker {
    bool fits = true;
    bool for_each(pugi::xml_node& node) override {
      fits = Fits_Latin1(node.name());
      for (pugi::xml_attribute a = node.first_attribute(); fits && a; a = a.next_attribute())
        fits = Fits_Latin1(a.name());
      return fits;
    }
  } walker;
  doc.traverse(walker);
  return walker.fits;
}

bool is_blank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString trim_blanks(const QString& text) {
  qsizetype start = 0;
  qsizetype end = text.size();
  while (start < end && is_blank(text.at(start)))
    ++start;
  while (end > start && is_blank(text.at(end - 1)))
    --end;
  return text.mid(start, end - start);
}

} // namespace

Event_Document::Event_Document() : doc_(std::make_unique<pugi::xml_document>()) {}
Event_Document::~Event_Document() = default;
Event_Document::Event_Document(Event_Document&&) noexcept = default;
Event_Document& Event_Document::operator=(Event_Document&&) noexcept = default;

void Event_Document::Create(const QDateTime& created) {
  doc_->reset();
  pugi::xml_node declaration = doc_->append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value("iso-8859-1");
  pugi::xml_node root = doc_->append_child("Doravent_event_file");
  const QString comment = QStringLiteral("XML file containing Doravent event definition file, created at: ") +
                          QLocale::system().toString(created, QLocale::ShortFormat);
  root.append_child(pugi::node_comment).set_value(To_Document(comment).c_str());
  root.append_child(pugi::node_pcdata).set_value(crlf);
  for (const char* name : {"event_name", "event_date", "event_day", "event_venue"})
    add_empty(root, name);
  for (int h = 1; h <= Event_Heat_Count; ++h) {
    pugi::xml_node heat = add_numbered(root, "heat", h);
    for (const char* name : {"heat_time", "heat_length", "heat_description", "heat_name"})
      add_empty(heat, name);
    for (int b = 1; b <= Event_Box_Count; ++b) {
      pugi::xml_node box = add_numbered(heat, "box", b);
      for (const char* name :
           {"dog_name", "dog_weight", "dog_heat_time", "dog_heat_rank", "dog_heat_split_time", "dog_heat_split_rank"})
        add_empty(box, name);
      heat.append_child(pugi::node_pcdata).set_value(crlf);
    }
    root.append_child(pugi::node_pcdata).set_value(crlf);
  }
}

void Event_Document::Clear() { doc_->reset(); }

bool Event_Document::Empty() const { return !doc_->first_child(); }

std::optional<QString> Event_Document::Load(const QByteArray& bytes) {
  auto parsed = std::make_unique<pugi::xml_document>();
  // The declaration names the encoding; pugixml honours it.
  pugi::xml_parse_result result =
      parsed->load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()), load_options, pugi::encoding_auto);
  // A file without a declaration that is no UTF-8 was written in Latin-1 by hand or by an older
  // machine: read as UTF-8 its accented letters would be lost at the next save.
  if (result && result.encoding == pugi::encoding_utf8 && !Valid_Utf8(bytes))
    result =
        parsed->load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()), load_options, pugi::encoding_latin1);
  if (!result) {
    const qsizetype offset = std::min<qsizetype>(static_cast<qsizetype>(result.offset), bytes.size());
    const auto line = bytes.left(offset).count('\n') + 1;
    return QString::fromLatin1(result.description()) + QStringLiteral(", line ") + QString::number(line);
  }
  if (!parsed->document_element()) return QStringLiteral("No root element");
  Normalize_Document(*parsed);
  if (!Names_Fit_Latin1(*parsed))
    return QStringLiteral("Element or attribute names with characters outside ISO-8859-1 (the file's text)");
  // The file is saved in Latin-1 whatever it came in: its declaration must say so, or a reader
  // would take the saved bytes for UTF-8. It is written afresh: with any other attribute in it
  // (a damaged one) a reader no longer finds the encoding and takes the bytes for UTF-8.
  pugi::xml_node old = parsed->first_child();
  const bool had = old.type() == pugi::node_declaration;
  const std::string version = had && old.attribute("version") ? old.attribute("version").value() : "1.0";
  const std::string standalone = had ? old.attribute("standalone").value() : "";
  if (had) parsed->remove_child(old);
  pugi::xml_node declaration = parsed->prepend_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value(version == "1.0" || version == "1.1" ? version.c_str() : "1.0");
  declaration.append_attribute("encoding").set_value("iso-8859-1");
  if (standalone == "yes" || standalone == "no")
    declaration.append_attribute("standalone").set_value(standalone.c_str());
  doc_ = std::move(parsed);
  return std::nullopt;
}

bool Event_Document::Is_Event() const {
  return std::string_view(doc_->document_element().name()) == "Doravent_event_file";
}

QByteArray Event_Document::Bytes() const {
  QByteArray out;
  Bytes_Writer writer(out);
  for (pugi::xml_node node : doc_->children()) {
    node.print(writer, "", pugi::format_raw, pugi::encoding_latin1);
    out += crlf;
  }
  return out;
}

pugi::xml_node Event_Document::require(const std::string& xpath) const {
  const pugi::xpath_node found = doc_->select_node(xpath.c_str());
  if (!found.node())
    throw Dora_Error(91, QStringLiteral("Object variable not set: no element ") + QString::fromStdString(xpath));
  return found.node();
}

QString Event_Document::Single(const char* element) const {
  return From_Document(require(std::string("//") + element).text().get());
}

void Event_Document::set_Single(const char* element, const QString& text) {
  set_text(require(std::string("//") + element), text);
}

QString Event_Document::Heat_Text(int16_t heat, const char* element) const {
  return From_Document(require(heat_path(heat) + "/" + element).text().get());
}

void Event_Document::set_Heat_Text(int16_t heat, const char* element, const QString& text) {
  set_text(require(heat_path(heat) + "/" + element), text);
}

QString Event_Document::Dog_Name(int16_t heat, int16_t box) const {
  return From_Document(require(box_path(heat, box) + "/dog_name").text().get());
}

void Event_Document::set_Dog_Name(int16_t heat, int16_t box, const QString& name) {
  set_text(require(box_path(heat, box) + "/dog_name"), name);
}

QString Event_Files_Folder() {
  QString folder = program().Event_Files_Folder;
  if (folder.isEmpty()) {
    const QString data = Local_AppData_Folder();
    if (data.isEmpty()) return {};
    folder = data + QStringLiteral("Doravent Event Files/");
  }
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

QString Event_File_Name(const QString& folder, const QString& event_name, const QString& day) {
  QString name = event_name + day + QStringLiteral(".xml");
  for (QChar& c : name)
    if (c == QLatin1Char(':') || c == QLatin1Char('-') || c == QLatin1Char(',') || c == QLatin1Char('/') ||
        c == QLatin1Char('\\') || c == QChar(0))
      c = QLatin1Char('_');
  QString base = folder;
  if (!base.isEmpty() && !base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
  return base + name;
}

bool Event_File_Usable(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile() || info.size() == 0) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray all = file.readAll();
  return file.error() == QFileDevice::NoError && !all.isEmpty();
}

bool Event_File_Read_Only(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

QByteArray Read_Event_File(const QString& path) {
  if (!QFileInfo(path).isFile()) throw Dora_Error(53, QStringLiteral("File not found: ") + path);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw Dora_Error(75, QStringLiteral("Path/File access error: ") + path + QStringLiteral(" ") + file.errorString());
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw Dora_Error(75, QStringLiteral("Path/File access error: ") + path + QStringLiteral(" ") + file.errorString());
  return bytes;
}

void Write_Event_File(const QString& path, const QByteArray& bytes) {
  // On the disk, its folder's entry included, before it is reported written.
  Write_File_Durably(path, bytes);
}

int32_t Leading_Whole_Number(const QString& text) {
  QString t;
  for (QChar c : text)
    if (!is_blank(c) && c != QLatin1Char('\n') && c != QLatin1Char('\r')) t += c;
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) negative = t[i++] == QLatin1Char('-');
  double value = 0;
  while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128)
    value = value * 10 + (t[i++].unicode() - '0');
  if (i < t.size() && t[i] == QLatin1Char('.')) {
    double scale = 0.1;
    for (++i; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i, scale /= 10)
      value += (t[i].unicode() - '0') * scale;
  }
  value = std::nearbyint(negative ? -value : value); // half to even, as whole-number conversion does
  return static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

QString Decode_Import_Text(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) return QString::fromLatin1(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

Dog_Import_Plan Plan_Dog_Import(const QString& text) {
  Dog_Import_Plan plan;
  QStringList lines = text.split(QLatin1Char('\n'));
  // A final line break ends the last line; it does not start another.
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  int32_t heat = 0;
  int32_t box = 0;
  for (QString line : lines) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    // "Start" and a heat number at the line's start: a dog named "Starter" is a dog.
    static const QRegularExpression heat_line(QStringLiteral("^Start\\s*\\d"));
    if (heat_line.match(line).hasMatch()) {
      // The number from character 6 on: characters 6 to 8 alone would read "Start 100" as heat 10.
      heat = Leading_Whole_Number(line.mid(5));
      box = 0;
      if (heat >= 1 && heat <= Event_Heat_Count) plan.steps.push_back({static_cast<int16_t>(heat), 0, {}});
      continue;
    }
    ++box;
    if (heat < 1 || heat > Event_Heat_Count) {
      plan.ending = Dog_Import_Plan::Ending::Invalid_Format;
      plan.message = QStringLiteral("Ivalid import file format!");
      return plan;
    }
    const QString name = trim_blanks(line);
    if (name.isEmpty()) continue;
    if (box > Event_Box_Count) {
      plan.ending = Dog_Import_Plan::Ending::Too_Many_Boxes;
      plan.message =
          QStringLiteral("Subscript out of range: heat %1 has no box %2 for \"%3\"").arg(heat).arg(box).arg(name);
      return plan;
    }
    plan.steps.push_back({static_cast<int16_t>(heat), static_cast<int16_t>(box), name});
    ++plan.imported;
  }
  plan.message = QString::number(plan.imported) + QStringLiteral(" Dogs imported!");
  return plan;
}
