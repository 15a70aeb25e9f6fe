#include "metadata/xml_header.h"

#include "metadata/xml_header_text.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "platform/user_folders.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>
#include <pugixml.hpp>

#include <utility>

using namespace xml_header_text;

namespace {

const QString class_location = QStringLiteral(" of Class Module Cls_XML_header");

// Loading keeps comments, instructions and the whitespace text between elements, and leaves
// line ends alone, so a loaded document serializes back as it came.
constexpr unsigned load_options = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_comments | pugi::parse_pi |
                                  pugi::parse_declaration | pugi::parse_ws_pcdata | pugi::parse_doctype;

const char* const crlf = "\r\n";

class String_Writer final : public pugi::xml_writer {
public:
  explicit String_Writer(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override { out_.append(static_cast<const char*>(data), size); }

private:
  std::string& out_;
};

QString read_sys_text(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.read(256)).trimmed();
}

// Appends <name>text</name> and the line break after it.
void add_leaf(pugi::xml_node parent, const char* name, const QString& text) {
  pugi::xml_node element = parent.append_child(name);
  if (!text.isEmpty()) element.append_child(pugi::node_pcdata).set_value(To_Document(text).c_str());
  parent.append_child(pugi::node_pcdata).set_value(crlf);
}

pugi::xml_node add_section(pugi::xml_node parent, const char* name) {
  pugi::xml_node section = parent.append_child(name);
  section.append_child(pugi::node_pcdata).set_value(crlf);
  return section;
}

void end_section(pugi::xml_node parent) { parent.append_child(pugi::node_pcdata).set_value(crlf); }

struct Leaf {
  const char* name;
  const char* text;
};

void add_leaves(pugi::xml_node parent, std::initializer_list<Leaf> leaves) {
  for (const Leaf& leaf : leaves)
    add_leaf(parent, leaf.name, QString::fromLatin1(leaf.text));
}

void build_file_data(pugi::xml_node root, const Header_Environment& env) {
  pugi::xml_node fd = add_section(root, "file_data");
  add_leaf(fd, "update_program", QStringLiteral("program name"));
  add_leaf(fd, "creation_date", Local_Now().toString(QStringLiteral("yy-MM-dd hh:mm:ss")));
  add_leaves(fd, {{"update_date", "not updated"},
                  {"last_capture_time", ""},
                  {"last_append_time", ""},
                  {"num_streams", "1"},
                  {"frame_header_size", "000"},
                  {"num_frames", "000"},
                  {"num_segments", "000"},
                  {"timing_bias", "000"},
                  {"b_rotated", "f"}});
  add_leaf(fd, "comp_name", env.comp_name);
  add_leaf(fd, "comp_captureinfo", QStringLiteral("Unknown capture info!"));
  add_leaf(fd, "capture_sample_size", QStringLiteral("Unknown capture info!"));
  add_leaf(fd, "comp_cpuinfo", env.comp_cpuinfo);
  add_leaf(fd, "comp_cpubitness", env.comp_cpubitness);
  add_leaf(fd, "comp_physram", env.comp_physram);
  add_leaf(fd, "comp_osbitness", env.comp_osbitness);
  add_leaf(fd, "capture_property", env.capture_property);
  add_leaf(fd, "capture_source", env.capture_source);
  add_leaf(fd, "actual_sample", env.actual_sample);
  add_leaf(fd, "comp_manufacturer_model", env.comp_manufacturer_model);
  add_leaf(fd, "phidget_serial", env.phidget_serial);
  add_leaf(fd, "prog_id", program().Program_Name);
  add_leaf(fd, "exe_name", env.exe_name);
  add_leaf(fd, "prog_version", QStringLiteral("Compiled"));
  add_leaf(fd, "prog_major", QString::number(DORAVENT_VERSION_MAJOR));
  add_leaf(fd, "prog_minor", QString::number(DORAVENT_VERSION_MINOR));
  add_leaf(fd, "prog_revision", QString::number(DORAVENT_VERSION_PATCH));
  add_leaf(fd, "compile_date", QStringLiteral("2017-10-08 20:34"));
  const int32_t now = Mill_Now();
  add_leaf(fd, "computer_uptime", Padded_Mill_Time(now));
  const int32_t program_up = Mill_Difference(now, program().Program_Start_Mill);
  add_leaf(fd, "program_uptime", Padded_Mill_Time(program_up));
  add_leaf(fd, "exe_filedate", env.exe_filedate);
  add_leaf(fd, "os_version", env.os_version);
  add_leaves(fd, {{"subject_name", "0000"},
                  {"file_comment1", "0000"},
                  {"file_comment2", "0000"},
                  {"file_comment3", "0000"},
                  {"file_comment4", "0000"},
                  {"file_comment5", "0000"},
                  {"specapp1", ""},
                  {"specapp2", ""},
                  {"hdr_spare1", "0000"},
                  {"hdr_spare2", "0000"},
                  {"hdr_spare3", "0000"},
                  {"hdr_spare4", "0000"},
                  {"hdr_spare5", "0000"}});
  end_section(root);
}

void build_rgb_data(pugi::xml_node root) {
  pugi::xml_node rgb = add_section(root, "RGB_data");
  add_leaves(rgb, {{"RGB_X", "000"},
                   {"RGB_Y", "000"},
                   {"RGB_image_size", "0000000"},
                   {"RGB_max_seen_size", "0000000"},
                   {"RGB_comp_threshold", "0000000"},
                   {"RGB_compressed_max_size", "0000000"},
                   {"RGB_compressed_buffer_size", "0000000"},
                   {"RGB_compressed_min_size", "99999999"},
                   {"RGB_sample_size", "0000000"},
                   {"RGB_interlaced", "Y"},
                   {"RGB_rotated", "Y"},
                   {"RGB_preview_on", "Y"},
                   {"RGB_fourcc", "none"},
                   {"RGB_JPEG_Codec", "none"},
                   {"RGB_fps", "000"},
                   {"RGB_JPEG_Quality", "0000"},
                   {"RGB_JPEG_Quality_num_reduced", "0000"}});
  end_section(root);
}

void build_race(pugi::xml_node root) {
  pugi::xml_node race = add_section(root, "doravent");
  add_leaves(race, {{"dora_event", "Dora event name"},
                    {"dora_heat_ID", "Dora heat ID"},
                    {"dora_heat_name", "Dora heat name"},
                    {"dora_heat_length", "000"},
                    {"dora_goal_finish", "Dora goal finish"},
                    {"dora_goal_split", "Dora goal split"},
                    {"dora_start_datetime", "dora start date time"},
                    {"dora_start_local_mill", "dora_start_local_mill"},
                    {"dora_start_HDMI_events", "dora_start_HDMI_events"},
                    {"dora_start_PC_mill", "dora_start_PC_mill"},
                    {"dora_goal_time_offset", "0000"},
                    {"dora_split_time_offset", "0000"},
                    {"dora_box_delay", "0000"},
                    {"dora_split_firewire_ID", "000"},
                    {"dora_goal_firewire_ID", "000"},
                    {"dora_ph_serial", "000"}});
  for (int box = 1; box <= 8; ++box) {
    pugi::xml_node b = race.append_child("box");
    b.append_attribute("id").set_value(std::to_string(box).c_str());
    b.append_child(pugi::node_pcdata).set_value(crlf);
    add_leaves(b, {{"dog_name", "dog name"},
                   {"dog_weight", "dog weight"},
                   {"dog_heat_time", "000000"},
                   {"dog_heat_click_time", "000000"},
                   {"dog_heat_frame", "000000"},
                   {"dog_split_time", "000000"},
                   {"dog_split_click_time", "000000"},
                   {"dog_split_frame", "000000"},
                   {"dog_heat_rank", "00"},
                   {"dog_split_rank", "00"},
                   {"dog_dead_heat", "f"},
                   {"dog_heat_spare1", "00000"},
                   {"dog_heat_spare2", "00000"}});
    end_section(race);
  }
  end_section(root);
}

// The line of the text that holds the given character offset, and its number (from 1).
std::pair<int, QString> source_line(const QString& text, qsizetype offset) {
  offset = std::clamp<qsizetype>(offset, 0, text.size());
  const qsizetype start = text.lastIndexOf(QLatin1Char('\n'), offset > 0 ? offset - 1 : 0) + 1;
  qsizetype end = text.indexOf(QLatin1Char('\n'), offset);
  if (end < 0) end = text.size();
  const int line = static_cast<int>(text.left(start).count(QLatin1Char('\n'))) + 1;
  return {line, text.mid(start, std::min<qsizetype>(end - start, 200)).trimmed()};
}

} // namespace

QString Bool_to_XML_string(bool flag) { return flag ? QStringLiteral("t") : QStringLiteral("f"); }

bool XML_string_to_Bool(const QString& text) { return text == QLatin1String("t") || text == QLatin1String("Y"); }

Header_Environment Current_Header_Environment() {
  const Program_Info& info = program();
  Header_Environment env;
  env.comp_name = info.Computer_Name.isEmpty() ? QSysInfo::machineHostName() : info.Computer_Name;
  env.comp_cpuinfo = info.Processor_Description;
  env.comp_cpubitness = info.CPU_Bitness;
  env.comp_physram = info.Memory_Total;
  env.comp_osbitness = info.OS_Bitness;
  const QString vendor = read_sys_text(QStringLiteral("/sys/class/dmi/id/sys_vendor"));
  const QString model = read_sys_text(QStringLiteral("/sys/class/dmi/id/product_name"));
  env.comp_manufacturer_model = (vendor + QLatin1Char(' ') + model).trimmed();
  if (env.comp_manufacturer_model.isEmpty()) env.comp_manufacturer_model = QStringLiteral("Unknown");
  QString exe = info.Program_File;
  if (exe.isEmpty() && QCoreApplication::instance()) exe = QCoreApplication::applicationFilePath();
  if (!exe.isEmpty()) {
    const QFileInfo file(exe);
    env.exe_name = file.completeBaseName();
    if (file.exists()) env.exe_filedate = QLocale::system().toString(file.lastModified(), QLocale::ShortFormat);
  }
  env.os_version = info.Windows_Version.isEmpty() ? QSysInfo::prettyProductName() : info.Windows_Version;
  return env;
}

Cls_XML_header::Cls_XML_header()
    : doc_(std::make_unique<pugi::xml_document>()), environment_(&Current_Header_Environment) {}

Cls_XML_header::~Cls_XML_header() = default;

void Cls_XML_header::set_Environment_Source(std::function<Header_Environment()> source) {
  environment_ = source ? std::move(source) : std::function<Header_Environment()>(&Current_Header_Environment);
}

void Cls_XML_header::Create_Header() {
  int32_t step = 10;
  try {
    doc_->reset();
    step = 20;
    pugi::xml_node declaration = doc_->append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("iso-8859-1");
    doc_->append_child(pugi::node_comment).set_value("XML file containing QNV QN3 header");
    step = 30;
    pugi::xml_node root = doc_->append_child("QNV_header");
    root.append_child(pugi::node_pcdata).set_value(crlf);
    build_file_data(root, environment_());
    step = 40;
    if (rgb_on_ != 0) build_rgb_data(root);
    step = 50;
    if (race_on_ != 0) build_race(root);
    step = 60;
    DOM_serialize();
  } catch (...) {
    report_current_exception(step, QStringLiteral("Create_Header") + class_location);
  }
}

std::string Cls_XML_header::serialize() const {
  std::string out;
  String_Writer writer(out);
  // Each top-level node on a line of its own.
  for (pugi::xml_node node : doc_->children()) {
    node.print(writer, "", pugi::format_raw, pugi::encoding_latin1);
    out += crlf;
  }
  return out;
}

void Cls_XML_header::DOM_serialize() {
  try {
    const std::string bytes = serialize();
    xml_text_ = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  } catch (...) {
    report_current_exception(10, QStringLiteral("DOM_serialize") + class_location);
  }
}

QString Cls_XML_header::XML_string() {
  DOM_serialize();
  return xml_text_;
}

void Cls_XML_header::set_XML_string(const QString& text) {
  // Stored headers end at their first zero byte; the parser would stop there anyway.
  const qsizetype nul = text.indexOf(QChar(0));
  loaded_text_ = nul >= 0 ? text.left(nul) : text;
  bool replaced = false;
  const QByteArray bytes = To_Latin1(loaded_text_, &replaced);
  if (replaced) Trace_Message(QStringLiteral("*XML_string, characters outside Latin-1 replaced by '?'"));
  const pugi::xml_parse_result result =
      doc_->load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()), load_options, pugi::encoding_latin1);
  valid_ = static_cast<bool>(result);
  if (valid_) Normalize_Document(*doc_);
  if (!valid_) {
    doc_->reset();
    Trace_Message(QStringLiteral("*XML_string, parse failed"), QString::fromLatin1(result.description()));
    if (program().Development_Mode) {
      const auto [line, src] = source_line(loaded_text_, static_cast<qsizetype>(result.offset));
      Msg_Box(QStringLiteral("XML parse failed! reason = ") + QString::fromLatin1(result.description()) +
              QStringLiteral(" line = ") + QString::number(line) + QStringLiteral(" srctext = ") + src);
    }
  }
  DOM_serialize();
}

int32_t Cls_XML_header::Len_XML() {
  DOM_serialize();
  return static_cast<int32_t>(xml_text_.size());
}

int16_t Cls_XML_header::XML_len() const {
  if (xml_text_.size() > 32767)
    throw Dora_Error(6, QStringLiteral("Overflow: XML text of %1 characters").arg(xml_text_.size()));
  return static_cast<int16_t>(xml_text_.size());
}

QString Cls_XML_header::Get_DOM_string() const {
  const std::string bytes = serialize();
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void Cls_XML_header::Dump_XML_to_File(const QString& name) {
  int32_t step = 10;
  try {
    // Only a plain file name: the dump stays in the data folder.
    QString file_name = QFileInfo(name).fileName();
    if (file_name.isEmpty()) file_name = QStringLiteral("xmldump.xml");
    const QString folder = Local_AppData_Folder();
    if (folder.isEmpty()) throw Dora_Error(76, QStringLiteral("Path not found: local application-data folder"));
    const QString path = folder + file_name;
    step = 20;
    if (QFile::exists(path) && !QFile::remove(path))
      throw Dora_Error(75, QStringLiteral("Path/File access error: ") + path);
    step = 30;
    QFile file(path);
    const std::string bytes = serialize();
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
      throw Dora_Error(75, QStringLiteral("Path/File access error: ") + path);
    file.close();
    step = 40;
    Msg_Box(QStringLiteral("XML header dumped to: ") + path);
  } catch (...) {
    report_current_exception(step, QStringLiteral("Dump_XML_to_File") + class_location);
  }
}
