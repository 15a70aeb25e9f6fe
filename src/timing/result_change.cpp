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
#include "timing/result_files.h"
#include "timing/result_ranking.h"
#include "timing/result_state.h"

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

// Where the next entries chain on: the head the header names, else the trail's last entry.
Audit_Head chain_head(const Cls_XML_header& header, const QString& trail_path) {
  if (const auto named = Parse_Audit_Head(header.Dora_Audit_Head())) return *named;
  return Check_Audit_Trail(Read_Audit_Trail(trail_path), std::nullopt).head;
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
  const QString trail_path = Audit_Trail_Path(recording.File_name());
  Audit_Head head = chain_head(header, trail_path);
  QByteArray lines;
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
      // The header names the trail's new head, so an entry cut off the end is found.
      lines = Audit_Lines(head, Local_Now(), command, changes);
      header.set_Dora_Audit_Head(Audit_Head_Text(head));
    });
  } catch (const Declared_Refusal&) {
    refuse_message(state);
    return false;
  }
  if (!written) return false;

  try {
    Append_Durably(trail_path, lines);
  } catch (...) {
    report_current_exception(10, QStringLiteral("Append_Audit_Trail") + module_location, trail_path);
  }
  try {
    const Program_Info& info = program();
    const Published_Result result =
        Publish_Result(header, info.Box_Delay_Ms, Read_Distance_Rules(info.Settings_File_Path));
    Write_Result_Files(Results_Folder(info.Settings_File_Path), recording.File_name(), result);
  } catch (...) {
    report_current_exception(20, QStringLiteral("Write_Result_Files") + module_location, recording.File_name());
  }
  return true;
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
