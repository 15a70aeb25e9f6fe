#pragma once
// The ranking of a heat's six boxes and the texts the results show for each row.
#include <QString>
#include <array>
#include <cstdint>

class Cls_XML_header;

// Codes stored in place of a goal time, and the stand-in for a box without a time.
constexpr int32_t Code_Did_Not_Finish = 888886;
constexpr int32_t Code_Disqualified = 888887;
constexpr int32_t Code_No_Rank = 888888;
constexpr int32_t Code_No_Time = 999999;

struct Result_Row {
  int16_t Box = 0;
  int32_t Heat_Time = Code_No_Time;
  int32_t Split_Time = Code_No_Time;
  int32_t Click_Time = 0;
  QString Dog_Name;
  bool Dead_Heat = false;
};

constexpr int Result_Rows = 6;
using Result_Array = std::array<Result_Row, Result_Rows>;

// One box's values as the recording stores them (0: not set).
struct Box_Result_Data {
  int32_t heat_time = 0;
  int32_t split_time = 0;
  int32_t click_time = 0;
  QString dog_name;
  bool dead_heat = false;
};
// Index 0 is box 1; boxes 7 and 8 are stored but take no part in a result.
using Box_Result_Table = std::array<Box_Result_Data, 8>;

// Rows in box order 1..6; a time of 0 becomes Code_No_Time.
Result_Array Load_Result_Array(const Box_Result_Table& boxes);
// Throws when the header lacks an element of the race section.
Result_Array Load_Result_Array(const Cls_XML_header& header);

// Exchange sort, pass after pass until a pass exchanges nothing: a row moves up past its
// neighbour on a smaller heat time, or on the same heat time and a smaller click time.
void Sort_Result_Array(Result_Array& rows);

// What one row of the results shows.
struct Result_Row_Text {
  QString rank;
  QString time;
  QString split;
  bool dead_heat_circle = false;
};

// The texts of the sorted rows, with the box delay added to shown times. A dead-heat row takes
// the rank of the nearest plain row above it (0 when there is none); a row without a real time
// shows "---" as rank, "---,---" as split and "DNF", "DSQ" or "---,---" as time.
std::array<Result_Row_Text, Result_Rows> Result_Row_Texts(const Result_Array& sorted, int32_t box_delay_ms);

// "Box delay = 100ms"; empty when the delay is below 1 (the label is hidden then).
QString Box_Delay_Text(int32_t box_delay_ms);

// One ranked row with its texts, as the results window shows it.
struct Ranked_Result {
  Result_Row row;
  Result_Row_Text text;
};
// The six rows of a recording's header in rank order (throws like Load_Result_Array).
std::array<Ranked_Result, Result_Rows> Rank_Results(const Cls_XML_header& header, int32_t box_delay_ms);
