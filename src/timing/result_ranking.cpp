#include "timing/result_ranking.h"

#include "metadata/xml_header.h"
#include "timing/time_text.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// The box delay comes from the settings file: a huge one must not overflow the sum.
int32_t with_delay(int32_t ms, int32_t box_delay_ms) {
  const int64_t sum = static_cast<int64_t>(ms) + box_delay_ms;
  return static_cast<int32_t>(
      std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

bool ranks_before(const Result_Row& lower, const Result_Row& upper) {
  if (lower.Heat_Time != upper.Heat_Time) return lower.Heat_Time < upper.Heat_Time;
  return lower.Click_Time < upper.Click_Time;
}

} // namespace

Result_Array Load_Result_Array(const Box_Result_Table& boxes) {
  Result_Array rows;
  for (int i = 0; i < Result_Rows; ++i) {
    const Box_Result_Data& data = boxes.at(static_cast<std::size_t>(i));
    Result_Row& row = rows.at(static_cast<std::size_t>(i));
    row.Box = static_cast<int16_t>(i + 1);
    row.Heat_Time = data.heat_time == 0 ? Code_No_Time : data.heat_time;
    row.Split_Time = data.split_time == 0 ? Code_No_Time : data.split_time;
    row.Click_Time = data.click_time;
    row.Dog_Name = data.dog_name;
    row.Dead_Heat = data.dead_heat;
  }
  return rows;
}

Result_Array Load_Result_Array(const Cls_XML_header& header) {
  Box_Result_Table boxes;
  for (int16_t box = 1; box <= Result_Rows; ++box) {
    Box_Result_Data& data = boxes.at(static_cast<std::size_t>(box - 1));
    data.heat_time = header.Dora_Heat_time(box, false);
    data.split_time = header.Dora_Heat_time(box, true);
    data.click_time = header.Dora_Heat_Click_Time(box);
    data.dog_name = header.Dora_Dog_name(box);
    data.dead_heat = header.Dora_dead_heat(box);
  }
  return Load_Result_Array(boxes);
}

void Sort_Result_Array(Result_Array& rows) {
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
      if (ranks_before(rows.at(i + 1), rows.at(i))) {
        std::swap(rows.at(i), rows.at(i + 1));
        exchanged = true;
      }
    }
  }
}

std::array<Result_Row_Text, Result_Rows> Result_Row_Texts(const Result_Array& sorted, int32_t box_delay_ms) {
  std::array<Result_Row_Text, Result_Rows> texts;
  int last_plain_rank = 0;
  for (std::size_t r = 0; r < sorted.size(); ++r) {
    const Result_Row& row = sorted.at(r);
    Result_Row_Text& text = texts.at(r);
    // The dead-heat mark sits on the second dog of a tie: it shares the rank above it, and
    // the next plain row still takes its own position.
    if (row.Dead_Heat) {
      text.rank = QString::number(last_plain_rank);
      text.dead_heat_circle = true;
    } else {
      last_plain_rank = static_cast<int>(r) + 1;
      text.rank = QString::number(last_plain_rank);
    }
    text.split = row.Split_Time > Code_Did_Not_Finish - 1
                     ? QStringLiteral("00,00")
                     : Display_Mill_Time(with_delay(row.Split_Time, box_delay_ms), true);
    if (row.Heat_Time < Code_Did_Not_Finish) {
      text.time = Display_Mill_Time(with_delay(row.Heat_Time, box_delay_ms), true);
    } else {
      text.time = QStringLiteral("---,---");
      text.split = QStringLiteral("---,---");
      text.rank = QStringLiteral("---");
      if (row.Heat_Time == Code_Disqualified) text.time = QStringLiteral("DSQ");
      if (row.Heat_Time == Code_Did_Not_Finish) text.time = QStringLiteral("DNF");
    }
  }
  return texts;
}

QString Box_Delay_Text(int32_t box_delay_ms) {
  if (box_delay_ms < 1) return {};
  return QStringLiteral("Box delay = ") + QString::number(box_delay_ms) + QStringLiteral("ms");
}

std::array<Ranked_Result, Result_Rows> Rank_Results(const Cls_XML_header& header, int32_t box_delay_ms) {
  Result_Array rows = Load_Result_Array(header);
  Sort_Result_Array(rows);
  const auto texts = Result_Row_Texts(rows, box_delay_ms);
  std::array<Ranked_Result, Result_Rows> ranked;
  for (std::size_t r = 0; r < ranked.size(); ++r)
    ranked.at(r) = {rows.at(r), texts.at(r)};
  return ranked;
}
