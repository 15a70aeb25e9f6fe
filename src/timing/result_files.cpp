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

namespace {

const char* const Columns =
    "rank,box,name,time,split,dead_heat,distance,code,state,event,heat,heat_name,start_recovered";

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
  }
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

QByteArray Result_Csv(const Published_Result& result) {
  QString text = QString::fromLatin1(Columns) + QLatin1Char('\n');
  for (const Published_Row& row : result.rows) {
    const QStringList fields{row.rank,
                             QString::number(row.box),
                             row.name,
                             row.time,
                             row.split,
                             row.dead_heat ? QStringLiteral("1") : QStringLiteral("0"),
                             row.distance,
                             row.code,
                             result.state,
                             result.event,
                             result.heat,
                             result.heat_name,
                             result.start_recovered ? QStringLiteral("1") : QStringLiteral("0")};
    QStringList quoted;
    for (const QString& field : fields)
      quoted << Result_Csv_Field(field);
    text += quoted.join(QLatin1Char(',')) + QLatin1Char('\n');
  }
  return text.toUtf8();
}

QByteArray Result_Json(const Published_Result& result) {
  QJsonArray rows;
  for (const Published_Row& row : result.rows) {
    QJsonObject o;
    o[QStringLiteral("rank")] = row.rank;
    o[QStringLiteral("box")] = row.box;
    o[QStringLiteral("name")] = row.name;
    o[QStringLiteral("time")] = row.time;
    o[QStringLiteral("split")] = row.split;
    o[QStringLiteral("dead_heat")] = row.dead_heat;
    o[QStringLiteral("distance")] = row.distance;
    o[QStringLiteral("code")] = row.code;
    o[QStringLiteral("state")] = result.state;
    o[QStringLiteral("event")] = result.event;
    o[QStringLiteral("heat")] = result.heat;
    o[QStringLiteral("heat_name")] = result.heat_name;
    o[QStringLiteral("start_recovered")] = result.start_recovered;
    rows.append(o);
  }
  return QJsonDocument(rows).toJson(QJsonDocument::Indented);
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

void Write_Result_Files(const QString& folder, const QString& recording_path, const Published_Result& result) {
  if (folder.isEmpty()) throw Dora_Error(76, QStringLiteral("Path not found: no results folder"));
  if (!QDir().mkpath(folder)) throw Dora_Error(76, QStringLiteral("Path not found: ") + folder);
  const QString base = QDir(folder).filePath(QFileInfo(recording_path).completeBaseName());
  Write_Files_Durably(
      {{base + QStringLiteral(".csv"), Result_Csv(result)}, {base + QStringLiteral(".json"), Result_Json(result)}});
}
