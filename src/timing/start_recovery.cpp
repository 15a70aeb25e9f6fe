#include "timing/start_recovery.h"

#include "platform/clock.h"
#include "platform/event_log.h"
#include "timing/time_text.h"

#include <QRegularExpression>
#include <cmath>

namespace {

constexpr int64_t Day_Ms = 24LL * 3600 * 1000;

// Seconds with up to three decimals ("29,87", "29.875") as ms; -1 when they are not that.
int64_t Seconds_Ms(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^(\\d{1,5})(?:[,.](\\d{1,3}))?$"));
  const QRegularExpressionMatch m = form.match(text);
  if (!m.hasMatch()) return -1;
  QString fraction = m.captured(2);
  while (fraction.size() < 3)
    fraction += QLatin1Char('0');
  return m.captured(1).toLongLong() * 1000 + fraction.toLongLong();
}

// The start's date and time: the picture's day, the day before when the start's time of day is
// later than the picture's (a race over midnight).
QString Start_Date_Time(const Crossing_Picture& winner, int64_t start_local) {
  if (!winner.date.isValid()) return {};
  const QDate day = start_local > winner.capture_local ? winner.date.addDays(-1) : winner.date;
  return General_Date_Text(QDateTime(day, QTime::fromMSecsSinceStartOfDay(static_cast<int>(start_local))));
}

} // namespace

std::optional<Recovered_Start> Recover_Start(const QString& answer, const Crossing_Picture& winner, QString& why) {
  const QString text = answer.trimmed();
  const QStringList parts = text.split(QLatin1Char(':'));
  Recovered_Start start;
  if (parts.size() == 3) {
    // The start's time of day from another clock: the picture's own time of day says how long
    // before it the race began.
    bool hours_ok = false, minutes_ok = false;
    const int hours = parts[0].toInt(&hours_ok);
    const int minutes = parts[1].toInt(&minutes_ok);
    const int64_t seconds = Seconds_Ms(parts[2]);
    if (!hours_ok || !minutes_ok || hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 ||
        seconds >= 60000) {
      why = QStringLiteral("\"%1\" is no time of day (hours:minutes:seconds,hundredths)").arg(text);
      return std::nullopt;
    }
    const int64_t local = int64_t{hours} * 3600000 + int64_t{minutes} * 60000 + seconds;
    // The picture is of the same day's race, at most half a day after the start.
    int64_t before = (int64_t{winner.capture_local} - local) % Day_Ms;
    if (before < 0) before += Day_Ms;
    if (before > Day_Ms / 2) {
      why = QStringLiteral("the start at %1 lies after the winner's picture").arg(text);
      return std::nullopt;
    }
    start.start_local = static_cast<int32_t>(local);
    start.start_date_time = Start_Date_Time(winner, local);
    start.start_mill = static_cast<int32_t>(static_cast<uint32_t>(winner.capture_mill) - static_cast<uint32_t>(before));
    start.how = QStringLiteral("start recovered from the time of day %1 at picture %2").arg(text).arg(winner.position);
    return start;
  }
  int64_t run_ms = -1;
  if (parts.size() == 1) run_ms = Seconds_Ms(text);
  if (parts.size() == 2) {
    bool ok = false;
    const int minutes = parts[0].toInt(&ok);
    const int64_t seconds = Seconds_Ms(parts[1]);
    if (ok && minutes >= 0 && seconds >= 0 && seconds < 60000) run_ms = int64_t{minutes} * 60000 + seconds;
  }
  if (run_ms <= 0 || run_ms > 3600000) {
    why = QStringLiteral("\"%1\" is no run time (seconds,hundredths, or minutes:seconds,hundredths)").arg(text);
    return std::nullopt;
  }
  // The picture's run time by the system's rule (stamp - start + 2 + field lag - delay) is the
  // winner's hand time: the start follows.
  const double start_mill =
      double(winner.capture_mill) + 2.0 + winner.field_offset_ms - winner.compensation_ms - static_cast<double>(run_ms);
  start.start_mill = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(std::nearbyint(start_mill))));
  int64_t local = (int64_t{winner.capture_local} - run_ms) % Day_Ms;
  if (local < 0) local += Day_Ms;
  start.start_local = static_cast<int32_t>(local);
  start.start_date_time = Start_Date_Time(winner, local);
  start.how = QStringLiteral("start recovered from the winner's hand time %1 at picture %2")
                  .arg(Display_Mill_Time(static_cast<int32_t>(run_ms), true))
                  .arg(winner.position);
  return start;
}
