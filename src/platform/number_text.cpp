#include "platform/number_text.h"

#include "platform/error_report.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

// A whole number as the system converts one; Dora_Error 13 or 6 otherwise.
int64_t Whole_Number(const QString& text, int64_t low, int64_t high) {
  bool ok = false;
  const qlonglong v = text.trimmed().toLongLong(&ok, 10);
  if (!ok) {
    // Digits that only overflow the conversion are an overflow, not a mismatch.
    static const QRegularExpression digits(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    if (digits.match(text).hasMatch()) throw Dora_Error(6, QStringLiteral("Overflow"));
    throw Dora_Error(13, QStringLiteral("Type mismatch"));
  }
  if (v < low || v > high) throw Dora_Error(6, QStringLiteral("Overflow"));
  return v;
}

int32_t Whole_Int32(const QString& text) {
  return static_cast<int32_t>(
      Whole_Number(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

double Leading_Number(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
    ++i;
  const qsizetype start = i;
  if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) ++i;
  bool point = false;
  bool digits = false;
  for (; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isDigit() && c.unicode() < 128) {
      digits = true;
    } else if (c == QLatin1Char('.') && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  bool ok = false;
  const double value = text.mid(start, i - start).toDouble(&ok);
  return ok && std::isfinite(value) ? value : 0;
}
