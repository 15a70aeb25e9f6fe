#include "timing/result_files.h"

#include "metadata/xml_header.h"
#include "platform/durable_file.h"
#include "platform/error_report.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "timing/result_state.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {

const char* const Columns = "rank,box,name,time,time_ms,split,split_ms,dead_heat,distance,code,state,event,"
                            "heat,heat_name,start_recovered,recording_id,frame_sha256,audit_head";

int32_t shown_ms(int32_t ms, int32_t box_delay_ms) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{ms} + box_delay_ms, INT32_MIN, INT32_MAX));
}

QString ms_field(const std::optional<int32_t>& ms) { return ms ? QString::number(*ms) : QString(); }

QJsonValue ms_value(const std::optional<int32_t>& ms) { return ms ? QJsonValue(*ms) : QJsonValue(); }

} // namespace

QString Result_Code_Text(int32_t heat_time) {
  if (heat_time < Code_Did_Not_Finish) return {};
  if (heat_time == Code_Did_Not_Finish) return QStringLiteral("DNF");
  if (heat_time == Code_Disqualified) return QStringLiteral("DSQ");
  if (heat_time == Code_No_Rank) return QStringLiteral("No Rnk");
  return QStringLiteral("unset");
}

Published_Result Publish_Result(const Cls_XML_header& header, int32_t box_delay_ms, const Distance_Rules& rules) {
  Published_Result result;
  result.event = header.Dora_event();
  result.heat = header.Dora_Heat_ID();
  result.heat_name = header.Dora_Heat_Name();
  result.state = Result_State_Text(Result_State_Of(header.Dora_Result_State()));
  result.start_recovered = !header.Dora_Start_Recovered().isEmpty();
  const auto ranked = Rank_Results(header, box_delay_ms);
  Result_Array sorted;
  for (std::size_t r = 0; r < ranked.size(); ++r)
    sorted.at(r) = ranked.at(r).row;
  const auto distances = Beaten_Distances(sorted, rules);
  for (std::size_t r = 0; r < ranked.size(); ++r) {
    const Ranked_Result& in = ranked.at(r);
    Published_Row& out = result.rows.at(r);
    out.rank = in.text.rank;
    out.box = in.row.Box;
    out.name = in.row.Dog_Name;
    out.time = in.text.time;
    out.split = in.text.split;
    out.dead_heat = in.row.Dead_Heat;
    out.distance = distances.at(r);
    out.code = Result_Code_Text(in.row.Heat_Time);
    if (in.row.Heat_Time < Code_Did_Not_Finish) {
      out.time_ms = shown_ms(in.row.Heat_Time, box_delay_ms);
      if (in.row.Split_Time < Code_Did_Not_Finish) out.split_ms = shown_ms(in.row.Split_Time, box_delay_ms);
    }
  }
  // The mark sits on the second dog of a tie; the dog it ties with is in the dead heat as well.
  for (std::size_t r = 0; r < ranked.size(); ++r) {
    const bool marked = ranked.at(r).row.Dead_Heat && ranked.at(r).row.Heat_Time < Code_Did_Not_Finish;
    if (!marked) continue;
    result.rows.at(r).in_dead_heat = true;
    if (r > 0) result.rows.at(r - 1).in_dead_heat = true;
  }
  result.recording_id = header.Recording_ID();
  result.audit_head = header.Dora_Audit_Head();
  result.box_delay_ms = box_delay_ms;
  result.rules = rules;
  return result;
}

QString Result_Csv_Field(const QString& text) {
  // Quoted when it holds a separator (every time text does), a quote or a line break.
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
      !text.contains(QLatin1Char('\r')))
    return text;
  QString quoted = text;
  quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString Csv_Text(const QString& text) {
  static const QString starts = QStringLiteral("=+-@\t\r");
  if (!text.isEmpty() && starts.contains(text.front())) return QLatin1Char('\'') + text;
  return text;
}

QByteArray Result_Csv(const Published_Result& result) {
  QString text = QString::fromLatin1(Columns) + QLatin1Char('\n');
  for (const Published_Row& row : result.rows) {
    const QStringList fields{row.rank,
                             QString::number(row.box),
                             Csv_Text(row.name),
                             row.time,
                             ms_field(row.time_ms),
                             row.split,
                             ms_field(row.split_ms),
                             row.in_dead_heat ? QStringLiteral("1") : QStringLiteral("0"),
                             row.distance,
                             row.code,
                             result.state,
                             Csv_Text(result.event),
                             Csv_Text(result.heat),
                             Csv_Text(result.heat_name),
                             result.start_recovered ? QStringLiteral("1") : QStringLiteral("0"),
                             result.recording_id,
                             result.frame_sha256,
                             result.audit_head};
    QStringList quoted;
    for (const QString& field : fields)
      quoted << Result_Csv_Field(field);
    text += quoted.join(QLatin1Char(',')) + QLatin1Char('\n');
  }
  return text.toUtf8();
}

namespace {

// The row's own fields, the same in both files.
QJsonObject Row_Object(const Published_Row& row) {
  QJsonObject o;
  o[QStringLiteral("rank")] = row.rank;
  o[QStringLiteral("box")] = row.box;
  o[QStringLiteral("name")] = row.name;
  o[QStringLiteral("time")] = row.time;
  o[QStringLiteral("time_ms")] = ms_value(row.time_ms);
  o[QStringLiteral("split")] = row.split;
  o[QStringLiteral("split_ms")] = ms_value(row.split_ms);
  o[QStringLiteral("dead_heat")] = row.in_dead_heat;
  o[QStringLiteral("distance")] = row.distance;
  o[QStringLiteral("code")] = row.code;
  return o;
}

// What names the heat and its evidence: in every row of the JSON file, once in the declaration.
void Add_Heat_Fields(QJsonObject& o, const Published_Result& result) {
  o[QStringLiteral("state")] = result.state;
  o[QStringLiteral("event")] = result.event;
  o[QStringLiteral("heat")] = result.heat;
  o[QStringLiteral("heat_name")] = result.heat_name;
  o[QStringLiteral("start_recovered")] = result.start_recovered;
  o[QStringLiteral("recording_id")] = result.recording_id;
  o[QStringLiteral("frame_sha256")] = result.frame_sha256;
  o[QStringLiteral("audit_head")] = result.audit_head;
}

} // namespace

QByteArray Result_Json(const Published_Result& result) {
  QJsonArray rows;
  for (const Published_Row& row : result.rows) {
    QJsonObject o = Row_Object(row);
    Add_Heat_Fields(o, result);
    rows.append(o);
  }
  return QJsonDocument(rows).toJson(QJsonDocument::Indented);
}

QJsonObject Result_Object(const Published_Result& result) {
  QJsonArray rows;
  for (const Published_Row& row : result.rows) {
    QJsonObject o = Row_Object(row);
    o[QStringLiteral("dead_heat_mark")] = row.dead_heat;
    rows.append(o);
  }
  QJsonObject o;
  o[QStringLiteral("rows")] = rows;
  Add_Heat_Fields(o, result);
  o[QStringLiteral("box_delay_ms")] = result.box_delay_ms;
  // As text: the same digits wherever the object is made again.
  o[QStringLiteral("seconds_per_length")] = QString::number(result.rules.seconds_per_length);
  o[QStringLiteral("dis_limit_lengths")] = QString::number(result.rules.dis_limit_lengths);
  return o;
}

QByteArray Canonical_Json(const QJsonObject& object) {
  const QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
  QByteArray out;
  out.reserve(text.size());
  for (const QChar c : text) {
    if (c.unicode() < 0x80) {
      out += static_cast<char>(c.unicode());
    } else {
      // UTF-16 units, so characters beyond the first plane come as their surrogate pair.
      out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toLatin1();
    }
  }
  return out;
}

QByteArray Scoreboard_Json(const QJsonObject& result, const QString& signature, const QString& public_key) {
  QJsonObject o;
  o[QStringLiteral("result")] = result;
  if (!signature.isEmpty()) {
    o[QStringLiteral("signature")] = signature;
    o[QStringLiteral("public_key")] = public_key;
  }
  return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QString Scoreboard_Folder(const QString& results_folder) {
  return results_folder.isEmpty() ? QString() : results_folder + QStringLiteral("scoreboard/");
}

QString Results_Folder(const QString& settings_path) {
  QString folder;
  if (!settings_path.isEmpty()) {
    folder = Read_Ini_Value(QStringLiteral("Settings"), QStringLiteral("results_folder"), settings_path, {});
    if (folder == QLatin1String("N/A")) folder.clear();
  }
  if (folder.trimmed().isEmpty()) {
    const QString data = Local_AppData_Folder();
    if (data.isEmpty()) return {};
    folder = data + QStringLiteral("Doravent Results");
  }
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

void Write_Result_Files(const QString& folder, const QString& recording_path, const Published_Result& result,
                        const QByteArray& scoreboard_json) {
  if (folder.isEmpty()) throw Dora_Error(76, QStringLiteral("Path not found: no results folder"));
  const QString scoreboard = Scoreboard_Folder(folder);
  if (!QDir().mkpath(folder) || !QDir().mkpath(scoreboard))
    throw Dora_Error(76, QStringLiteral("Path not found: ") + folder);
  const QString name = QFileInfo(recording_path).completeBaseName();
  const QString base = QDir(folder).filePath(name);
  const QString machine = QDir(scoreboard).filePath(name);
  Write_Files_Durably({{base + QStringLiteral(".csv"), Result_Csv(result)},
                       {base + QStringLiteral(".json"), Result_Json(result)},
                       {machine + QStringLiteral(".json"),
                        scoreboard_json.isEmpty() ? Scoreboard_Json(Result_Object(result), {}, {}) : scoreboard_json}});
}
