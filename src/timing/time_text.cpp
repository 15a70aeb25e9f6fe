#include "timing/time_text.h"

#include "platform/prompts.h"

#include <exception>

namespace {

QString two_digits(int64_t value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

} // namespace

QString Display_Mill_Time(int32_t ms, bool compact) {
  QString text;
  int step = 10;
  try {
    const bool negative = ms < 0;
    // 64 bits so that the magnitude of INT32_MIN fits.
    const int64_t magnitude = negative ? -static_cast<int64_t>(ms) : static_cast<int64_t>(ms);

    step = 20;
    int64_t hundredths = magnitude / 10;
    const int64_t rest = magnitude % 10;
    if (rest > 5 || (rest == 5 && hundredths % 2 != 0)) ++hundredths;
    const int64_t hours = hundredths / 360000 % 24;
    const int64_t minutes = hundredths / 6000 % 60;
    const int64_t seconds = hundredths / 100 % 60;

    step = 30;
    if (hours > 0) text = QString::number(hours) + QLatin1Char(':');
    text +=
        two_digits(minutes) + QLatin1Char(':') + two_digits(seconds) + QLatin1Char(',') + two_digits(hundredths % 100);

    step = 40;
    if (compact) {
      while (text.size() >= 5 && (text.front() == QLatin1Char('0') || text.front() == QLatin1Char(':')))
        text.remove(0, 1);
      if (negative) text.prepend(QLatin1Char('-'));
    } else {
      step = 50;
      text.prepend(negative ? QLatin1Char('-') : QLatin1Char(' '));
    }
  } catch (const std::exception&) {
    Msg_Box(QStringLiteral("Display_Mill_Time error ") + QString::number(step));
  }
  return text;
}
