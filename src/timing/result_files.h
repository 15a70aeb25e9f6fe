#pragma once
// The published result of a heat: its ranked rows with the texts the results window shows and
// the beaten distances, as CSV and JSON, written into the results folder whenever the result
// changes, so a scoreboard or tote system can watch the folder: every time also in milliseconds,
// both dogs of a dead heat marked, and the recording's ID, frame-data digest and audit head. In
// the folder's "scoreboard" folder, the canonical result a declaration signs, with the signature
// when there is one.
#include "timing/beaten_distance.h"
#include "timing/result_ranking.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class Cls_XML_header;

struct Published_Row {
  QString rank;
  int16_t box = 0;
  QString name;
  QString time;
  QString split;
  bool dead_heat = false; // the dead-heat mark, which the second dog of a tie carries
  QString distance;
  QString code; // "", "DNF", "DSQ", "No Rnk", or "unset" for a box without a time
  // The shown times in ms (box delay included); nullopt where the text shows no time.
  std::optional<int32_t> time_ms;
  std::optional<int32_t> split_ms;
  bool in_dead_heat = false; // either dog of a tie
};

struct Published_Result {
  QString event;
  QString heat;
  QString heat_name;
  QString state;                // "Provisional", "Official" or "No Race"
  bool start_recovered = false; // the times count from a start recovered by hand
  std::array<Published_Row, Result_Rows> rows;
  // What ties the result to its evidence and states how it was shown.
  QString recording_id;
  QString frame_sha256;
  QString audit_head;
  int32_t box_delay_ms = 0;
  Distance_Rules rules;
};

// The code column of a stored goal time.
QString Result_Code_Text(int32_t heat_time);

// The header's result in rank order; throws when the header lacks an element of the race section.
Published_Result Publish_Result(const Cls_XML_header& header, int32_t box_delay_ms, const Distance_Rules& rules);

// One line of names (rank,box,name,time,time_ms,split,split_ms,dead_heat,distance,code,state,event,
// heat,heat_name,recording_id,frame_sha256,audit_head), then one line per row; every row names
// its event, heat and state, so each line stands on its own.
QByteArray Result_Csv(const Published_Result& result);
QString Result_Csv_Field(const QString& text);
// An array of the rows as objects with the same names as the CSV columns.
QByteArray Result_Json(const Published_Result& result);
// A text typed by a person, safe in a CSV field a spreadsheet opens: one that would start a
// formula (=, +, -, @, tab, carriage return) gets a leading apostrophe.
QString Csv_Text(const QString& text);

// The canonical result: every value a declaration freezes, as one JSON object.
QJsonObject Result_Object(const Published_Result& result);
// Compact JSON with sorted keys and every character beyond ASCII written as \uXXXX: the same
// bytes for the same object wherever it is made again, and safe in the header's Latin-1 text.
QByteArray Canonical_Json(const QJsonObject& object);
// {"result": <canonical result>, "signature": hex, "public_key": hex}; no signature while the
// result is provisional or was declared without a key.
QByteArray Scoreboard_Json(const QJsonObject& result, const QString& signature, const QString& public_key);

// The folder of the setting results_folder (section Settings), ending in '/'; without a setting,
// "Doravent Results" in the local application-data folder.
QString Results_Folder(const QString& settings_path);
// Replaces "<recording's name without .qn3>.csv" and ".json" in the folder (made when missing),
// and "scoreboard/<name>.json"; throws Dora_Error when they cannot be written,
// leaving the files as they were. `scoreboard_json` is the declaration's signed file, when there is
// one (Scoreboard_Json_Of); without it the result's own, unsigned.
void Write_Result_Files(const QString& folder, const QString& recording_path, const Published_Result& result,
                        const QByteArray& scoreboard_json = {});
QString Scoreboard_Folder(const QString& results_folder);
