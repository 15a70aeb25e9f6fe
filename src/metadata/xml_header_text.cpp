#include "metadata/xml_header_text.h"

#include "platform/error_report.h"

#include <QVector>
#include <cmath>
#include <functional>
#include <limits>

namespace xml_header_text {

QByteArray To_Latin1(const QString& text, bool* replaced) {
  QByteArray out;
  out.reserve(text.size());
  bool any = false;
  const QVector<uint> points = text.toUcs4();
  for (const uint c : points) {
    if (c <= 0xFF) {
      out.append(static_cast<char>(c));
    } else {
      out.append('?');
      any = true;
    }
  }
  if (replaced) *replaced = any;
  return out;
}

std::string To_Document(const QString& text) {
  const QByteArray utf8 = QString::fromLatin1(To_Latin1(text)).toUtf8();
  return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

QString From_Document(const char* text) {
  // A character reference may name a character the Latin-1 file cannot hold: it reads as the
  // '?' that the next save stores, so what is shown is what is kept.
  return text ? QString::fromLatin1(To_Latin1(QString::fromUtf8(text))) : QString();
}

void Normalize_Document(pugi::xml_node root) {
  struct Walker final : pugi::xml_tree_walker {
    static void mend(const char* value, const std::function<void(const char*)>& set) {
      const std::string shown = To_Document(From_Document(value));
      if (shown != value) set(shown.c_str());
    }
    bool for_each(pugi::xml_node& node) override {
      if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
        mend(node.value(), [&](const char* v) { node.set_value(v); });
      for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        mend(a.value(), [&](const char* v) { a.set_value(v); });
      return true;
    }
  } walker;
  root.traverse(walker);
}

std::optional<double> Number_Value(const QString& text) {
  const QString t = text.trimmed();
  qsizetype i = 0;
  const qsizetype n = t.size();
  auto digit = [&](qsizetype k) { return k < n && t[k] >= QLatin1Char('0') && t[k] <= QLatin1Char('9'); };
  if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) ++i;
  qsizetype digits = 0;
  while (digit(i))
    ++i, ++digits;
  if (i < n && t[i] == QLatin1Char('.')) {
    ++i;
    while (digit(i))
      ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
    ++i;
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) ++i;
    if (!digit(i)) return std::nullopt;
    while (digit(i))
      ++i;
  }
  if (i != n) return std::nullopt;
  bool ok = false;
  const double value = t.toDouble(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool Is_Numeric(const QString& text) { return Number_Value(text).has_value(); }

namespace {

template <class T> T rounded(const QString& text) {
  const std::optional<double> value = Number_Value(text);
  if (!value) throw Dora_Error(13, QStringLiteral("Type mismatch: \"%1\" is not a number").arg(text.left(40)));
  const double r = std::nearbyint(*value); // default rounding: half to even
  if (r < static_cast<double>(std::numeric_limits<T>::min()) || r > static_cast<double>(std::numeric_limits<T>::max()))
    throw Dora_Error(6, QStringLiteral("Overflow: \"%1\"").arg(text.left(40)));
  return static_cast<T>(r);
}

QString two(int64_t v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); }

} // namespace

int32_t Text_To_Long(const QString& text) { return rounded<int32_t>(text); }
int16_t Text_To_Integer(const QString& text) { return rounded<int16_t>(text); }

QString Padded_Mill_Time(int32_t ms) {
  const bool negative = ms < 0;
  const int64_t magnitude = negative ? -static_cast<int64_t>(ms) : ms;
  int64_t hundredths = magnitude / 10;
  const int64_t rest = magnitude % 10;
  if (rest > 5 || (rest == 5 && hundredths % 2 == 1)) ++hundredths;
  const int64_t of_day = (hundredths * 10) % 86400000;
  const int64_t hours = of_day / 3600000;
  const int64_t minutes = of_day / 60000 % 60;
  const int64_t seconds = of_day / 1000 % 60;
  QString text = hours > 0 ? QString::number(hours) + QLatin1Char(':') : QString();
  text += two(minutes) + QLatin1Char(':') + two(seconds) + QLatin1Char(',') + two(of_day % 1000 / 10);
  return (negative ? QStringLiteral("-") : QStringLiteral(" ")) + text;
}

} // namespace xml_header_text
