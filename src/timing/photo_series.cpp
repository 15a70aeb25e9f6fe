#include "timing/photo_series.h"

#include "timing/time_text.h"

#include <algorithm>
#include <limits>

namespace {

bool time_set(int32_t ms) { return ms != 0 && ms != Code_No_Time; }

} // namespace

std::vector<Series_Runner> Series_Runners(const Result_Array& sorted, bool split) {
  std::vector<Series_Runner> runners;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const Result_Row& row = sorted.at(i);
    if (!time_set(split ? row.Split_Time : row.Heat_Time)) break;
    runners.push_back({static_cast<int16_t>(i + 1), row.Box});
  }
  return runners;
}

QString Series_Time_Text(int32_t ms, int32_t box_delay_ms) {
  switch (ms) {
  case Code_No_Time: return QStringLiteral("00,00");
  case Code_No_Rank: return QStringLiteral("Notime");
  case Code_Disqualified: return QStringLiteral("DSQ");
  case Code_Did_Not_Finish: return QStringLiteral("DNF");
  default: break;
  }
  // The box delay comes from the settings file: a huge one must not overflow the sum.
  const int64_t sum = int64_t{ms} + box_delay_ms;
  return Display_Mill_Time(static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                                    std::numeric_limits<int32_t>::max())),
                           true);
}

std::vector<Series_Table_Line> Series_Table(const Result_Array& sorted, int32_t box_delay_ms,
                                            const std::array<QString, Result_Rows>& distances) {
  std::size_t shown = 0;
  while (shown < sorted.size() && sorted.at(shown).Heat_Time != Code_No_Time)
    ++shown;
  std::vector<Series_Table_Line> lines;
  int count = 0;
  for (std::size_t i = 0; i < shown; ++i) {
    const Result_Row& row = sorted.at(i);
    if (!row.Dead_Heat) ++count;
    const bool partner = i + 1 < shown && sorted.at(i + 1).Dead_Heat;
    QString name = row.Dog_Name.left(Series_Name_Width);
    name = name.leftJustified(Series_Name_Width, QLatin1Char(' '));
    Series_Table_Line line;
    line.dead_heat = row.Dead_Heat || partner;
    line.text = QString::number(count) + QStringLiteral("  ") + QString::number(row.Box) + QStringLiteral("  ") + name +
                QLatin1Char(' ') + Series_Time_Text(row.Split_Time, box_delay_ms) + QLatin1Char(' ') +
                Series_Time_Text(row.Heat_Time, box_delay_ms);
    if (!distances.at(i).isEmpty()) line.text += QStringLiteral("  ") + distances.at(i);
    if (line.dead_heat) line.text += QStringLiteral(" Dead heat");
    lines.push_back(line);
  }
  return lines;
}
