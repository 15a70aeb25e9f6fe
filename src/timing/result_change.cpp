#include "timing/result_change.h"

#include "metadata/xml_header.h"
#include "platform/clock.h"
#include "platform/durable_file.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "recording/header_change.h"
#include "recording/video_file_handler.h"
#include "timing/declaration.h"
#include "timing/result_files.h"
#include "timing/result_ranking.h"
#include "timing/result_state.h"

#include <QFile>
#include <QFileInfo>
#include <optional>
#include <sys/stat.h>

namespace {

const QString module_location = QStringLiteral(" of Module Module_Results");

// Thrown inside the header change to have it taken back.
struct Declared_Refusal {};

template <class Get> QString readable(Get get) {
  try {
    return get();
  } catch (...) {
    return QStringLiteral("(unreadable)");
  }
}

QString box_what(int16_t box, const char* value) {
  return QStringLiteral("box ") + QString::number(box) + QLatin1Char(' ') + QString::fromLatin1(value);
}

// Where the next entries chain on: the head the header names, else the trail's last entry. A change
// cut short after its entries reached the trail (`cut`) is chained after, and named first.
Audit_Head chain_head(const Cls_XML_header& header, const QString& trail_path, std::optional<Entry_Range>& cut) {
  const auto named = Parse_Audit_Head(header.Dora_Audit_Head());
  if (!named) return Check_Audit_Trail(Read_Audit_Trail(trail_path), std::nullopt).head;
  QByteArray trail;
  try {
    trail = Read_Audit_Trail(trail_path);
  } catch (const Dora_Error&) {
    // A trail that cannot be read now fails its append, which is reported; the head still holds.
    return *named;
  }
  // Only a trail longer than the head can hold a change cut short; the whole check is for that.
  if (trail.count('\n') <= named->count) return *named;
  const Audit_Check whole = Check_Audit_Trail(trail, std::nullopt);
  cut = Interrupted_Change(whole, *named);
  return cut ? whole.head : *named;
}

// The recording's companions are as private as it is.
unsigned recording_mode(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0600;
  return static_cast<unsigned>(st.st_mode) & 0666U;
}

qint64 file_size_or_none(const QString& path) {
  const QFileInfo info(path);
  return info.exists() ? info.size() : -1;
}

void refuse_message(Result_State state) {
  Msg_Box(QStringLiteral("The result is ") + Result_State_Text(state) +
          QStringLiteral(": reopen it with a reason to change times."));
}

} // namespace

QString Audit_Time_Text(int32_t ms) {
  switch (ms) {
  case 0: return QStringLiteral("not set");
  case Code_Did_Not_Finish: return QStringLiteral("DNF");
  case Code_Disqualified: return QStringLiteral("DSQ");
  case Code_No_Rank: return QStringLiteral("No Rnk");
  default: return QString::number(ms) + QStringLiteral(" ms");
  }
}

std::vector<Result_Value> Read_Result_Values(const Cls_XML_header& header) {
  std::vector<Result_Value> values;
  values.push_back(
      {QStringLiteral("result state"), Result_State_Text(Result_State_Of(header.Dora_Result_State())), false});
  values.push_back({QStringLiteral("event"), readable([&] { return header.Dora_event(); }), false});
  values.push_back({QStringLiteral("heat name"), readable([&] { return header.Dora_Heat_Name(); }), false});
  // The instant every time counts from; a recovered one says how it was recovered.
  values.push_back({QStringLiteral("start"), readable([&] {
                      const QString recovered = header.Dora_Start_Recovered();
                      if (!header.Dora_Start_Stamped()) return QStringLiteral("none");
                      return QString::number(header.Dora_heat_start_PC_mill()) +
                             (recovered.isEmpty() ? QString() : QStringLiteral(" (") + recovered + QLatin1Char(')'));
                    }),
                    true});
  for (int16_t box = 1; box <= 8; ++box) {
    values.push_back(
        {box_what(box, "time"), readable([&] { return Audit_Time_Text(header.Dora_Heat_time(box, false)); }), true});
    values.push_back(
        {box_what(box, "split"), readable([&] { return Audit_Time_Text(header.Dora_Heat_time(box, true)); }), true});
    values.push_back(
        {box_what(box, "dead heat"),
         readable([&] { return header.Dora_dead_heat(box) ? QStringLiteral("yes") : QStringLiteral("no"); }), true});
    values.push_back({box_what(box, "dog name"), readable([&] { return header.Dora_Dog_name(box); }), false});
  }
  return values;
}

std::vector<Audit_Change> Result_Changes(const std::vector<Result_Value>& before,
                                         const std::vector<Result_Value>& after) {
  std::vector<Audit_Change> changes;
  for (std::size_t i = 0; i < before.size() && i < after.size(); ++i)
    if (before.at(i).text != after.at(i).text)
      changes.push_back({after.at(i).what, before.at(i).text, after.at(i).text});
  return changes;
}

bool Refuse_Read_Only(const cls_VideoFile_handler& recording) {
  if (recording.File_open() && recording.Read_only()) {
    Msg_Box(QStringLiteral("File is read only!"));
    return true;
  }
  return false;
}

bool Refuse_Declared_Result(const cls_VideoFile_handler& recording) {
  const Result_State state = Result_State_Of(recording.XML_Header().Dora_Result_State());
  if (!Result_Declared(state)) return false;
  Trace_Message(QStringLiteral("*Refuse_Declared_Result, the result is ") + Result_State_Text(state));
  refuse_message(state);
  return true;
}

bool Write_Result_Change(cls_VideoFile_handler& recording, const QString& command,
                         const std::function<void()>& change) {
  Cls_XML_header& header = recording.XML_Header();
  const Result_State state = Result_State_Of(header.Dora_Result_State());
  const std::vector<Result_Value> before = Read_Result_Values(header);
  const QString path = recording.File_name();
  const QString trail_path = Audit_Trail_Path(path);
  std::optional<Entry_Range> cut;
  Audit_Head head = chain_head(header, trail_path, cut);
  const Program_Info& info = program();
  const Result_Settings live{info.Box_Delay_Ms, Read_Distance_Rules(info.Settings_File_Path), false};
  const qint64 trail_before = file_size_or_none(trail_path);
  bool appended = false;
  QString unsigned_why;
  bool written = false;
  try {
    written = Write_Header_Change(recording, [&] {
      change();
      std::vector<Audit_Change> changes = Result_Changes(before, Read_Result_Values(header));
      if (Result_Declared(state))
        for (const Audit_Change& c : changes)
          for (const Result_Value& v : before)
            if (v.timing && v.what == c.what) throw Declared_Refusal{};
      // A command that left every value as it was is still a command on the result.
      if (changes.empty()) changes.push_back({QStringLiteral("nothing changed"), {}, {}});
      if (cut) changes.insert(changes.begin(), Interrupted_Marker(*cut));
      // The header names the trail's new head, so an entry cut off the end is found.
      const QByteArray lines = Audit_Lines(head, Local_Now(), command, changes);
      header.set_Dora_Audit_Head(Audit_Head_Text(head));
      // The declaration names the recording and the head it was made at.
      if (header.Recording_ID().isEmpty()) header.set_Recording_ID(New_Recording_ID());
      const Result_State after = Result_State_Of(header.Dora_Result_State());
      if (!Result_Declared(after))
        Clear_Declaration(header);
      else
        unsigned_why =
            Freeze_Declaration(header, path, Result_Declared(state) ? Result_Settings_For(header, 0, {}) : live);
      // The trail before the header: a crash between them leaves an interrupted change, which
      // the check tells from a change by hand. A trail that cannot be written is reported; the
      // change stands and the check names the entries the trail lacks.
      try {
        Append_Durably(trail_path, lines, recording_mode(path));
        appended = true;
      } catch (...) {
        report_current_exception(10, QStringLiteral("Append_Audit_Trail") + module_location, trail_path);
      }
    });
  } catch (const Declared_Refusal&) {
    refuse_message(state);
    return false;
  }
  if (!written) {
    // The header kept the result before the change: its entries go again.
    if (appended) {
      try {
        Cut_Back_Durably(trail_path, trail_before);
      } catch (...) {
        Trace_Message(QStringLiteral("*Write_Result_Change, the trail keeps an interrupted change"), trail_path);
      }
    }
    return false;
  }
  if (!unsigned_why.isEmpty() && Result_Declared(Result_State_Of(header.Dora_Result_State())))
    Trace_Message(QStringLiteral("*Write_Result_Change, declared without a signature: ") + unsigned_why);

  Publish_Result_Files(recording);
  return true;
}

void Publish_Result_Files(cls_VideoFile_handler& recording) {
  try {
    const Program_Info& info = program();
    const Cls_XML_header& header = recording.XML_Header();
    const Result_Settings settings =
        Result_Settings_For(header, info.Box_Delay_Ms, Read_Distance_Rules(info.Settings_File_Path));
    const Published_Result result = Current_Result(header, recording.File_name(), settings);
    Write_Result_Files(Results_Folder(info.Settings_File_Path), recording.File_name(), result,
                       Scoreboard_Json_Of(header, result));
  } catch (...) {
    report_current_exception(20, QStringLiteral("Write_Result_Files") + module_location, recording.File_name());
  }
}

void Clear_Box_Results(cls_VideoFile_handler& recording) {
  for (int16_t box = 1; box <= 8; ++box) {
    recording.set_Dora_heat_frame(box, 0);
    recording.set_Dora_Heat_time(box, false, 0);
    recording.set_Dora_Heat_time(box, true, 0);
    recording.set_Dora_Heat_Click_Time(box, 0);
    recording.set_Dora_dead_heat(box, false);
  }
}
