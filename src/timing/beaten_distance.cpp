#include "timing/beaten_distance.h"

#include "platform/settings.h"
#include "platform/trace.h"

#include <cmath>

namespace {

const QString section = QStringLiteral("Settings");
// Margins are compared with a little room, so 0.01 s at 0.08 s per length is a short head even
// though neither is exact in binary.
constexpr double slack = 1e-9;

QString quarters_text(long long quarters) {
  static const char* const parts[] = {"", "1/4", "1/2", "3/4"};
  const long long whole = quarters / 4;
  QString part = QString::fromLatin1(parts[quarters % 4]);
  if (whole == 0) return part;
  if (part.isEmpty()) return QString::number(whole);
  return QString::number(whole) + QLatin1Char(' ') + part;
}

} // namespace

QString Beaten_Distance(double behind_ms, const Distance_Rules& rules) {
  // Equal times are a dead heat only when the judge marks one; unmarked, the photo parted them by
  // less than the times can tell.
  const double behind = std::abs(behind_ms);
  const double lengths = behind / (rules.seconds_per_length * 1000.0);
  if (!std::isfinite(lengths)) return QStringLiteral("dis");
  if (lengths <= 1.0 / 8 + slack) return QStringLiteral("sh");
  if (lengths <= 2.0 / 8 + slack) return QStringLiteral("hd");
  if (lengths <= 3.0 / 8 + slack) return QStringLiteral("nk");
  // Past a neck the nearest quarter is at least a half, since 3/8 rounds up to 2/4.
  const double quarters = std::round(lengths * 4);
  if (quarters / 4 > rules.dis_limit_lengths + slack) return QStringLiteral("dis");
  return quarters_text(static_cast<long long>(quarters));
}

std::array<QString, Result_Rows> Beaten_Distances(const std::array<std::optional<double>, Result_Rows>& finish_ms,
                                                  const std::array<bool, Result_Rows>& dead_heat,
                                                  const Distance_Rules& rules) {
  std::array<QString, Result_Rows> distances;
  std::optional<double> ahead;
  for (std::size_t r = 0; r < finish_ms.size(); ++r) {
    const std::optional<double>& finish = finish_ms.at(r);
    if (!finish) continue;
    if (ahead) distances.at(r) = dead_heat.at(r) ? QStringLiteral("dht") : Beaten_Distance(*finish - *ahead, rules);
    ahead = finish;
  }
  return distances;
}

std::array<QString, Result_Rows> Beaten_Distances(const Result_Array& sorted, const Distance_Rules& rules) {
  std::array<std::optional<double>, Result_Rows> finish;
  std::array<bool, Result_Rows> dead_heat{};
  for (std::size_t r = 0; r < sorted.size(); ++r) {
    const Result_Row& row = sorted.at(r);
    if (row.Heat_Time < Code_Did_Not_Finish) finish.at(r) = row.Heat_Time;
    dead_heat.at(r) = row.Dead_Heat;
  }
  return Beaten_Distances(finish, dead_heat, rules);
}

std::optional<double> Positive_Setting_Value(const QString& text) {
  bool ok = false;
  const double value = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

Distance_Rules Read_Distance_Rules(const QString& settings_path) {
  Distance_Rules rules;
  if (settings_path.isEmpty()) return rules;
  const auto take = [&](const char* key, double& value) {
    const QString text = Read_Ini_Value(section, QString::fromLatin1(key), settings_path, QString::number(value));
    if (const auto number = Positive_Setting_Value(text))
      value = *number;
    else
      Trace_Message(QStringLiteral("*Read_Distance_Rules, not a positive number: ") + QString::fromLatin1(key) +
                    QStringLiteral(" = ") + text);
  };
  take("seconds_per_length", rules.seconds_per_length);
  take("dis_limit", rules.dis_limit_lengths);
  return rules;
}
