#pragma once
// The published result of a heat: its ranked rows with the texts the results window shows and
// the beaten distances, as CSV and JSON, written into the results folder whenever the result
// changes, so a scoreboard or tote system can watch the folder.
#include "timing/beaten_distance.h"
#include "timing/result_ranking.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

class Cls_XML_header;

struct Published_Row {
  QString rank;
  int16_t box = 0;
  QString name;
  QString time;
  QString split;
  bool dead_heat = false;
  QString distance;
  QString code; // "", "DNF", "DSQ", "No Rnk", or "unset" for a box without a time
};

struct Published_Result {
  QString event;
  QString heat;
  QString heat_name;
  QString state;                // "Provisional", "Official" or "No Race"
  bool start_recovered = false; // the times count from a start recovered by hand
  std::array<Published_Row, Result_Rows> rows;
};

// The code column of a stored goal time.
QString Result_Code_Text(int32_t heat_time);

// The header's result in rank order; throws when the header lacks an element of the race section.
Published_Result Publish_Result(const Cls_XML_header& header, int32_t box_delay_ms, const Distance_Rules& rules);

// One line of names, then one line per row; every row names its event, heat and state, so each
// line stands on its own.
QByteArray Result_Csv(const Published_Result& result);
QString Result_Csv_Field(const QString& text);
// An array of the rows as objects with the same names as the CSV columns.
QByteArray Result_Json(const Published_Result& result);

// The folder of the setting results_folder (section Settings), ending in '/'; without a setting,
// "Doravent Results" in the local application-data folder.
QString Results_Folder(const QString& settings_path);
// Replaces "<recording's name without .qn3>.csv" and ".json" in the folder (made when missing);
// throws Dora_Error when they cannot be written, leaving the files as they were.
void Write_Result_Files(const QString& folder, const QString& recording_path, const Published_Result& result);
