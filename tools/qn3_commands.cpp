#include "qn3_commands.h"
#include "qn3_demo.h"
#include "qn3_finish.h"
#include "qn3_integrity.h"

#ifdef DORAVENT_QN3_PRINT
#include "qn3_print.h"
#endif

#include "imaging/dib_section.h"
#include "metadata/xml_header.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "recording/audit_trail.h"
#include "recording/file_digest.h"
#include "recording/frame_display.h"
#include "recording/header_journal.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"
#include "timing/beaten_distance.h"
#include "timing/declaration.h"
#include "timing/result_files.h"
#include "timing/result_ranking.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace qn3_tool {
namespace {

const char* const Usage_Text =
    "usage: doravent-qn3 info FILE [--json]\n"
    "       doravent-qn3 frames FILE\n"
    "       doravent-qn3 export FILE N OUT.(png|jpg) [--field 1|2]\n"
    "       doravent-qn3 xml FILE\n"
    "       doravent-qn3 verify FILE\n"
    "       doravent-qn3 results FILE [--json|--scoreboard] [--box-delay MS] [--seconds-per-length S]\n"
    "                                [--dis-limit LENGTHS]\n"
    "       doravent-qn3 audit FILE\n"
    "       doravent-qn3 verify-result FILE.json [--public-key KEY]\n"
    "       doravent-qn3 demo OUT.qn3 [--crossings T1,T2,T3,T4,T5,T6] [--speed V] [--video-delay D]\n"
    "                             [--crop WxH] [--from MS] [--to MS] [--rate 25|50|100]\n"
    "       doravent-qn3 print FILE OUT.pdf [--frame N [--field 1|2]] [--series] [--split] [--box-delay MS]\n"
    "       doravent-qn3 slit FILE OUT.png\n"
    "       doravent-qn3 autotime FILE [--json] [--jackets Automatic|Common|American|Synthetic]\n"
    "                             [--direction found|left-to-right|right-to-left]\n"
    "       doravent-qn3 calibrate FILE --led X,Y,W,H [--json]\n";

int Usage(QTextStream& err, const QString& why) {
  if (!why.isEmpty()) err << "doravent-qn3: " << why << "\n";
  err << Usage_Text;
  err.flush();
  return Exit_Usage;
}

// Options after the positional arguments: `flags` take no value, `valued` take one.
struct Parsed {
  QStringList positional;
  QStringList flags;
  QHash<QString, QString> values;
};
bool Parse(const QStringList& args, const QStringList& flags, const QStringList& valued, Parsed& parsed, QString& why) {
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (flags.contains(a)) {
      parsed.flags << a;
    } else if (valued.contains(a)) {
      if (i + 1 >= args.size()) {
        why = a + QStringLiteral(" needs a value");
        return false;
      }
      parsed.values.insert(a, args[++i]);
    } else if (a.startsWith(QStringLiteral("--"))) {
      why = QStringLiteral("unknown option ") + a;
      return false;
    } else {
      parsed.positional << a;
    }
  }
  return true;
}

// A header value that may be missing or malformed: empty text then.
QString Safe(const std::function<QString()>& get) {
  try {
    return get();
  } catch (...) {
    return {};
  }
}
// A header text as a JSON number when it holds one, else as text.
QJsonValue Number_Or_Text(const QString& text) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  if (ok) return v;
  return text;
}

} // namespace

bool Open_Recording(const QString& path, cls_VideoFile_handler& handler, QTextStream& err) {
  if (!QFileInfo(path).isFile()) {
    err << "doravent-qn3: file not found: " << path << "\n";
    return false;
  }
  {
    // The reader tolerates a damaged header block; a file without the magic is no recording.
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly) || probe.read(4) != QByteArray(qn3::Magic)) {
      err << "doravent-qn3: not a recording: " << path << "\n";
      return false;
    }
  }
  bool opened = false;
  try {
    opened = handler.Open_File(path, true);
  } catch (...) {
    opened = false;
  }
  if (!opened || !handler.File_open()) {
    err << "doravent-qn3: not a readable recording: " << path << "\n";
    return false;
  }
  return true;
}

namespace {

// What lies beside the recording as a journal (empty: nothing); an inspection applies none.
QString Journal_Note(const QString& path) { return qn3::Pending_Journal_Note(path); }

QJsonObject Info_Object(cls_VideoFile_handler& h, const QString& path) {
  const Cls_XML_header& x = h.XML_Header();
  QJsonObject o;
  o[QStringLiteral("file")] = QFileInfo(path).absoluteFilePath();
  o[QStringLiteral("file_length")] = static_cast<double>(h.File_size());
  o[QStringLiteral("record_size")] = static_cast<double>(h.Record_Size());
  o[QStringLiteral("slot_size")] = static_cast<double>(std::max<int64_t>(0, h.Record_Size() - qn3::Record_Overhead));
  o[QStringLiteral("frames")] = h.Num_Frames();
  o[QStringLiteral("fields")] = h.Num_fields();
  o[QStringLiteral("header_frames")] = Number_Or_Text(Safe([&] { return x.Frames_no(); }));
  o[QStringLiteral("segments")] = Number_Or_Text(Safe([&] { return x.Segments_no(); }));
  o[QStringLiteral("width")] = h.Width();
  o[QStringLiteral("height")] = h.Height();
  o[QStringLiteral("interlaced")] = h.RGB_interlaced();
  o[QStringLiteral("rotated")] = h.Rotated();
  // Review times second fields by this interval; older recordings are taken as 25 interlaced.
  o[QStringLiteral("field_order")] = Safe([&] { return x.RGB_Field_Order(); });
  o[QStringLiteral("field_interval_ms")] = h.Field_Interval_Ms();
  o[QStringLiteral("fps")] = Number_Or_Text(Safe([&] { return x.RGB_fps(); }));
  o[QStringLiteral("fourcc")] = Safe([&] { return x.RGB_fourcc(); });
  o[QStringLiteral("codec")] = Safe([&] { return x.RGB_JPEG_codec(); });
  o[QStringLiteral("quality")] = Number_Or_Text(Safe([&] { return x.RGB_JPEG_Quality(); }));
  o[QStringLiteral("read_only")] = h.Read_only();
  o[QStringLiteral("sha256")] = File_SHA256_Hex(path);
  // The digest every printed page carries, to match a page to its evidence.
  o[QStringLiteral("frame_sha256")] = Frame_Data_SHA256_Hex(path);
  o[QStringLiteral("recording_id")] = Safe([&] { return x.Recording_ID(); });
  try {
    const QString journal = Journal_Note(path);
    if (!journal.isEmpty()) o[QStringLiteral("journal")] = journal;
  } catch (const std::exception& failure) {
    o[QStringLiteral("journal")] = QString::fromStdString(failure.what());
  }

  QJsonObject heat;
  heat[QStringLiteral("event")] = Safe([&] { return h.Dora_event(); });
  heat[QStringLiteral("heat_id")] = Safe([&] { return h.Dora_Heat_ID(); });
  heat[QStringLiteral("heat_name")] = Safe([&] { return h.Dora_Heat_Name(); });
  heat[QStringLiteral("heat_length")] = Number_Or_Text(Safe([&] { return h.Dora_Heat_Length(); }));
  heat[QStringLiteral("start_datetime")] = Safe([&] { return h.Dora_start_DateTime(); });
  heat[QStringLiteral("start_pc_mill")] =
      Number_Or_Text(Safe([&] { return QString::number(x.Dora_heat_start_PC_mill()); }));
  heat[QStringLiteral("start_local_mill")] =
      Number_Or_Text(Safe([&] { return QString::number(x.Dora_heat_start_Local_mill()); }));
  heat[QStringLiteral("goal_compensation")] = Number_Or_Text(Safe([&] { return h.Dora_Goal_compensation(); }));
  heat[QStringLiteral("split_compensation")] = Number_Or_Text(Safe([&] { return h.Dora_Split_compensation(); }));
  heat[QStringLiteral("box_delay")] = Number_Or_Text(Safe([&] { return h.Dora_box_delay(); }));
  heat[QStringLiteral("goal_finish")] = Safe([&] { return h.Dora_Goal_Finish(); });
  heat[QStringLiteral("goal_split")] = Safe([&] { return h.Dora_Goal_Split(); });
  o[QStringLiteral("heat")] = heat;

  QJsonArray boxes;
  for (int16_t b = 1; b <= 8; ++b) {
    QJsonObject box;
    box[QStringLiteral("box")] = b;
    box[QStringLiteral("dog_name")] = Safe([&] { return h.Dora_Dog_name(b); });
    const auto num = [&](const std::function<int32_t()>& get) {
      return Number_Or_Text(Safe([&] { return QString::number(get()); }));
    };
    box[QStringLiteral("heat_time")] = num([&] { return h.Dora_Heat_time(b, false); });
    box[QStringLiteral("split_time")] = num([&] { return h.Dora_Heat_time(b, true); });
    box[QStringLiteral("heat_frame")] = num([&] { return h.Dora_heat_frame(b); });
    box[QStringLiteral("split_frame")] = num([&] { return h.Dora_split_frame(b); });
    box[QStringLiteral("click_time")] = num([&] { return h.Dora_Heat_Click_Time(b); });
    bool dead = false;
    try {
      dead = h.Dora_dead_heat(b);
    } catch (...) {
    }
    box[QStringLiteral("dead_heat")] = dead;
    boxes.append(box);
  }
  o[QStringLiteral("boxes")] = boxes;
  return o;
}

int Info(const Parsed& p, QTextStream& out, QTextStream& err) {
  if (p.positional.size() != 1) return Usage(err, QStringLiteral("info takes one FILE"));
  cls_VideoFile_handler h;
  if (!Open_Recording(p.positional[0], h, err)) return Exit_Bad_File;
  const QJsonObject o = Info_Object(h, p.positional[0]);
  if (p.flags.contains(QStringLiteral("--json"))) {
    out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented));
    return Exit_Ok;
  }
  for (auto it = o.begin(); it != o.end(); ++it) {
    if (it.value().isObject() || it.value().isArray()) continue;
    out << it.key() << ": " << it.value().toVariant().toString() << "\n";
  }
  const QJsonObject heat = o[QStringLiteral("heat")].toObject();
  for (auto it = heat.begin(); it != heat.end(); ++it)
    out << "heat." << it.key() << ": " << it.value().toVariant().toString() << "\n";
  out << h.QN3_Properties() << "\n";
  return Exit_Ok;
}

// One record as stored, read straight from the file.
struct Raw_Record {
  bool complete = false;   // the whole record is in the file
  bool markers_ok = false; // start, middle and closing markers where they belong
  qn3::Record_Fields fields;
  std::vector<uint8_t> bytes;
};
Raw_Record Read_Raw(QFile& file, int64_t offset, int64_t record_size) {
  Raw_Record r;
  if (record_size < qn3::Record_Overhead || !file.seek(offset)) return r;
  r.bytes.resize(static_cast<size_t>(record_size));
  const qint64 got = file.read(reinterpret_cast<char*>(r.bytes.data()), record_size);
  if (got < 0) return r;
  r.bytes.resize(static_cast<size_t>(got));
  r.complete = got == record_size;
  qn3::Decode_Record_Head(r.bytes.data(), got, r.fields);
  r.markers_ok = r.complete && qn3::is_marker(r.bytes.data(), qn3::Record_Start_Marker) &&
                 qn3::is_marker(r.bytes.data() + qn3::Off_Mid_Marker, qn3::Record_Mid_Marker) &&
                 qn3::is_marker(r.bytes.data() + record_size - 4, qn3::Record_End_Marker);
  return r;
}

int64_t Offset_Of(const cls_VideoFile_handler& h, int32_t frame) {
  return h.First_Record_Position() + static_cast<int64_t>(frame - 1) * h.Record_Size();
}

// The recording opened by the handler, and its file for reading records as they are stored.
bool Open_For_Records(const QString& path, cls_VideoFile_handler& h, QFile& file, QTextStream& err) {
  if (!Open_Recording(path, h, err)) return false;
  if (file.open(QIODevice::ReadOnly)) return true;
  err << "doravent-qn3: cannot read " << path << "\n";
  return false;
}

int Frames(const Parsed& p, QTextStream& out, QTextStream& err) {
  if (p.positional.size() != 1) return Usage(err, QStringLiteral("frames takes one FILE"));
  cls_VideoFile_handler h;
  QFile file(p.positional[0]);
  if (!Open_For_Records(p.positional[0], h, file, err)) return Exit_Bad_File;
  out << "frame,capture_mill,capture_delta,capture_local,quality,jpeg_size,marker_ok\n";
  for (int32_t f = 1; f <= h.Num_Frames(); ++f) {
    const Raw_Record r = Read_Raw(file, Offset_Of(h, f), h.Record_Size());
    const auto& x = r.fields;
    out << f << ',' << x.capture_mill << ',' << x.capture_delta << ',' << x.capture_local << ',' << x.quality << ','
        << x.jpeg_size << ',' << (r.markers_ok ? 1 : 0) << "\n";
  }
  return Exit_Ok;
}

int Verify(const Parsed& p, QTextStream& out, QTextStream& err) {
  if (p.positional.size() != 1) return Usage(err, QStringLiteral("verify takes one FILE"));
  cls_VideoFile_handler h;
  QFile file(p.positional[0]);
  QString journal_note;
  try {
    journal_note = Journal_Note(p.positional[0]);
  } catch (const std::exception& failure) {
    err << "doravent-qn3: " << failure.what() << "\n";
    return Exit_Bad_File;
  }
  if (!Open_For_Records(p.positional[0], h, file, err)) return Exit_Bad_File;
  const auto slot = static_cast<int32_t>(std::max<int64_t>(0, h.Record_Size() - qn3::Record_Overhead));
  int32_t damaged = 0;
  if (!journal_note.isEmpty()) out << "header: " << journal_note << "\n";
  if (!h.XML_Header().XML_Valid()) {
    ++damaged;
    out << "header: the XML text does not parse\n";
  }
  // No frame is decoded larger than the recording's picture (or the largest camera's).
  Jpeg_Size_Limit limit{qn3::Max_Picture_Side, qn3::Max_Picture_Side, qn3::Max_Picture_Pixels};
  if (h.Width() > 0 && h.Height() > 0) limit = {h.Width(), h.Height(), int64_t{h.Width()} * h.Height()};
  Jpeg_Codec codec;
  cDIBSection dib;
  for (int32_t f = 1; f <= h.Num_Frames(); ++f) {
    const Raw_Record r = Read_Raw(file, Offset_Of(h, f), h.Record_Size());
    QString why;
    if (!r.complete) {
      why = QStringLiteral("record cut short");
    } else if (!r.markers_ok) {
      why = QStringLiteral("record markers missing");
    } else {
      const int32_t bytes = qn3::Valid_JPEG_Bytes(r.fields.jpeg_size, slot);
      if (bytes != r.fields.jpeg_size)
        why = QStringLiteral("JPEG size out of range");
      else if (!codec.Decode_JPEG(dib, r.bytes.data() + qn3::Record_Head_Size, bytes, limit))
        why = QStringLiteral("JPEG does not decode");
      else if (h.Width() > 0 && (dib.Width() != h.Width() || dib.Height() != h.Height()))
        why = QStringLiteral("JPEG of another picture size");
    }
    if (!why.isEmpty()) {
      ++damaged;
      out << "frame " << f << ": " << why << "\n";
    }
  }
  out.flush();
  if (damaged > 0) {
    err << "doravent-qn3: " << damaged << " of " << h.Num_Frames() << " frames damaged\n";
    return Exit_Bad_File;
  }
  out << h.Num_Frames() << " frames ok\n";
  return Exit_Ok;
}

int Xml(const Parsed& p, QTextStream& out, QTextStream& err) {
  if (p.positional.size() != 1) return Usage(err, QStringLiteral("xml takes one FILE"));
  cls_VideoFile_handler h;
  if (!Open_Recording(p.positional[0], h, err)) return Exit_Bad_File;
  // The header as the file holds it; a pending journal is named, never applied.
  QString journal_note;
  try {
    journal_note = Journal_Note(p.positional[0]);
  } catch (const std::exception& failure) {
    err << "doravent-qn3: " << failure.what() << "\n";
    return Exit_Bad_File;
  }
  if (!journal_note.isEmpty()) err << "doravent-qn3: " << journal_note << "\n";
  QFile file(p.positional[0]);
  if (!file.open(QIODevice::ReadOnly)) return Exit_Bad_File;
  const QByteArray block = file.read(qn3::Header_Block_Size);
  out << qn3::Parse_Header_Text(reinterpret_cast<const uint8_t*>(block.constData()), block.size()) << "\n";
  return Exit_Ok;
}

int Export(const Parsed& p, QTextStream& err) {
  if (p.positional.size() != 3) return Usage(err, QStringLiteral("export takes FILE N OUT"));
  bool ok = false;
  const int frame = p.positional[1].toInt(&ok);
  if (!ok) return Usage(err, QStringLiteral("frame number expected, got ") + p.positional[1]);
  const QString target = p.positional[2];
  const QString suffix = QFileInfo(target).suffix().toLower();
  if (suffix != QStringLiteral("png") && suffix != QStringLiteral("jpg"))
    return Usage(err, QStringLiteral("OUT must end in .png or .jpg"));
  int field = 0;
  if (p.values.contains(QStringLiteral("--field"))) {
    const QString f = p.values.value(QStringLiteral("--field"));
    if (f != QStringLiteral("1") && f != QStringLiteral("2")) return Usage(err, QStringLiteral("--field takes 1 or 2"));
    field = f.toInt();
  }
  cls_VideoFile_handler h;
  if (!Open_Recording(p.positional[0], h, err)) return Exit_Bad_File;
  if (frame < 1 || frame > h.Num_Frames()) {
    err << "doravent-qn3: frame " << frame << " outside 1.." << h.Num_Frames() << "\n";
    return Exit_Usage;
  }
  Image_Display display;
  const auto f16 = static_cast<int16_t>(frame);
  if (field == 0)
    h.Draw_RGB_frame(f16, display);
  else
    h.Draw_RGB_Field(2 * frame - 2 + field, display);
  if (h.Read_error() || display.image.isNull()) {
    err << "doravent-qn3: frame " << frame << " could not be read\n";
    return Exit_Bad_File;
  }
  if (!display.image.save(target)) {
    err << "doravent-qn3: cannot write " << target << "\n";
    return Exit_Bad_File;
  }
  return Exit_Ok;
}

// A positive number option, or the setting's value when the option is not given.
bool Rule_Option(const Parsed& p, const QString& option, double& value) {
  if (!p.values.contains(option)) return true;
  const auto number = Positive_Setting_Value(p.values.value(option));
  if (number) value = *number;
  return number.has_value();
}

int Results(const Parsed& p, QTextStream& out, QTextStream& err) {
  if (p.positional.size() != 1) return Usage(err, QStringLiteral("results takes one FILE"));
  int32_t delay = 0;
  if (p.values.contains(QStringLiteral("--box-delay"))) {
    bool ok = false;
    delay = p.values.value(QStringLiteral("--box-delay")).toInt(&ok);
    if (!ok) return Usage(err, QStringLiteral("--box-delay takes milliseconds"));
  } else {
    delay = Setting_Box_Delay();
  }
  Distance_Rules rules = Read_Distance_Rules(Settings_Path());
  if (!Rule_Option(p, QStringLiteral("--seconds-per-length"), rules.seconds_per_length))
    return Usage(err, QStringLiteral("--seconds-per-length takes a positive number of seconds"));
  if (!Rule_Option(p, QStringLiteral("--dis-limit"), rules.dis_limit_lengths))
    return Usage(err, QStringLiteral("--dis-limit takes a positive number of lengths"));
  cls_VideoFile_handler h;
  if (!Open_Recording(p.positional[0], h, err)) return Exit_Bad_File;
  Published_Result result;
  // A declared result keeps the delay and rules it was declared with, whatever is asked now.
  const Result_Settings settings = Result_Settings_For(h.XML_Header(), delay, rules);
  if (settings.frozen &&
      (p.values.contains(QStringLiteral("--box-delay")) || p.values.contains(QStringLiteral("--seconds-per-length")) ||
       p.values.contains(QStringLiteral("--dis-limit"))))
    err << "doravent-qn3: the result is declared: it is shown with the delay and rules it was declared with\n";
  try {
    result = Current_Result(h.XML_Header(), p.positional[0], settings);
  } catch (...) {
    err << "doravent-qn3: the recording holds no heat results\n";
    return Exit_Bad_File;
  }
  // The same texts the program writes into the results folder.
  if (p.flags.contains(QStringLiteral("--scoreboard"))) {
    out << QString::fromUtf8(Scoreboard_Json_Of(h.XML_Header(), result));
    return Exit_Ok;
  }
  if (p.flags.contains(QStringLiteral("--json"))) {
    out << QString::fromUtf8(Result_Json(result));
    return Exit_Ok;
  }
  const QString delay_text = Box_Delay_Text(settings.box_delay_ms);
  if (!delay_text.isEmpty()) out << delay_text << "\n";
  out << QString::fromUtf8(Result_Csv(result));
  return Exit_Ok;
}

} // namespace

// The program's settings file, as start-up names it; empty when there is no data folder.
QString Settings_Path() {
  Program_Info& info = program();
  if (info.Settings_File_Path.isEmpty()) {
    const QString folder = Local_AppData_Folder();
    if (!folder.isEmpty()) info.Settings_File_Path = folder + info.Program_Name + QStringLiteral(".ini");
  }
  return info.Settings_File_Path;
}

// The delays in force: the current settings, loaded from the program's settings file the way
// start-up loads them (a bad value is reported and leaves its default).
const Program_Info& Setting_Delays() {
  if (!Settings_Path().isEmpty()) Load_Compensations();
  return program();
}

int32_t Setting_Box_Delay() { return Setting_Delays().Box_Delay_Ms; }

int Run(const QStringList& args, QTextStream& out, QTextStream& err) {
  if (args.isEmpty()) return Usage(err, {});
  const QString command = args[0];
  // Asked for, the forms are the answer, not a mistake.
  if (args.size() == 1 && (command == QStringLiteral("--help") || command == QStringLiteral("-h"))) {
    out << Usage_Text;
    out.flush();
    return 0;
  }
  const QStringList rest = args.mid(1);
  // Every command but demo only looks at recordings: not a byte of one changes, its journal included.
  std::optional<Inspection_Scope> inspecting;
  if (command != QStringLiteral("demo")) inspecting.emplace();
  Parsed p;
  QString why;
  int status = Exit_Usage;
  const auto parse = [&](const QStringList& flags, const QStringList& valued) {
    return Parse(rest, flags, valued, p, why);
  };
  if (command == QStringLiteral("info")) {
    status = parse({QStringLiteral("--json")}, {}) ? Info(p, out, err) : Usage(err, why);
  } else if (command == QStringLiteral("frames")) {
    status = parse({}, {}) ? Frames(p, out, err) : Usage(err, why);
  } else if (command == QStringLiteral("export")) {
    status = parse({}, {QStringLiteral("--field")}) ? Export(p, err) : Usage(err, why);
  } else if (command == QStringLiteral("xml")) {
    status = parse({}, {}) ? Xml(p, out, err) : Usage(err, why);
  } else if (command == QStringLiteral("verify")) {
    status = parse({}, {}) ? Verify(p, out, err) : Usage(err, why);
  } else if (command == QStringLiteral("results")) {
    status =
        parse({QStringLiteral("--json"), QStringLiteral("--scoreboard")},
              {QStringLiteral("--box-delay"), QStringLiteral("--seconds-per-length"), QStringLiteral("--dis-limit")})
            ? Results(p, out, err)
            : Usage(err, why);
  } else if (command == QStringLiteral("audit")) {
    status = parse({}, {}) ? Audit(p.positional, out, err) : Usage(err, why);
  } else if (command == QStringLiteral("verify-result")) {
    status = parse({}, {QStringLiteral("--public-key")})
                 ? Verify_Result(p.positional, p.values.value(QStringLiteral("--public-key")), out, err)
                 : Usage(err, why);
  } else if (command == QStringLiteral("print")) {
#ifdef DORAVENT_QN3_PRINT
    status = Print(rest, out, err);
#else
    status = Usage(err, QStringLiteral("print needs the build with the windows"));
#endif
  } else if (command == QStringLiteral("slit") || command == QStringLiteral("autotime") ||
             command == QStringLiteral("calibrate")) {
    if (parse({QStringLiteral("--json")},
              {QStringLiteral("--led"), QStringLiteral("--jackets"), QStringLiteral("--direction")})) {
      const bool json = p.flags.contains(QStringLiteral("--json"));
      if (command == QStringLiteral("slit"))
        status =
            json || !p.values.isEmpty() ? Usage(err, QStringLiteral("slit takes no options")) : Slit(p.positional, err);
      else if (command == QStringLiteral("autotime"))
        status = p.values.contains(QStringLiteral("--led"))
                     ? Usage(err, QStringLiteral("autotime takes --json, --jackets and --direction only"))
                     : Autotime(p.positional, p.values, json, out, err);
      else if (p.values.contains(QStringLiteral("--jackets")) || p.values.contains(QStringLiteral("--direction")))
        status = Usage(err, QStringLiteral("calibrate takes --led and --json only"));
      else
        status = Calibrate(p.positional, p.values, json, out, err);
      // The command said what was wrong; the forms follow.
      if (status == Exit_Usage) err << Usage_Text;
    } else {
      status = Usage(err, why);
    }
  } else if (command == QStringLiteral("demo")) {
    if (parse({},
              {QStringLiteral("--crossings"), QStringLiteral("--speed"), QStringLiteral("--video-delay"),
               QStringLiteral("--crop"), QStringLiteral("--from"), QStringLiteral("--to"), QStringLiteral("--rate")})) {
      const Demo_Outcome demo = Demo(p.positional, p.values, out, err);
      status = demo.status == Exit_Usage ? Usage(err, demo.usage) : demo.status;
    } else {
      status = Usage(err, why);
    }
  } else {
    status = Usage(err, QStringLiteral("unknown command ") + command);
  }
  out.flush();
  err.flush();
  return status;
}

} // namespace qn3_tool
