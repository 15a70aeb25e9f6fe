#include "timing/proposal_settings.h"

#include "platform/settings.h"

namespace {

QString Words(const QString& text) {
  QString t = text.trimmed().toLower();
  t.replace(QLatin1Char('-'), QLatin1Char(' '));
  t.replace(QLatin1Char('_'), QLatin1Char(' '));
  return t.simplified();
}

} // namespace

QStringList Jacket_Rows_Choices() {
  return {QStringLiteral("Automatic"), QStringLiteral("Common"), QStringLiteral("American"),
          QStringLiteral("Synthetic")};
}

QStringList Direction_Choices() {
  return {QStringLiteral("Found"), QStringLiteral("Left to right"), QStringLiteral("Right to left")};
}

int32_t Parse_Direction(const QString& text) {
  const QString t = Words(text);
  if (t == QStringLiteral("left to right")) return 1;
  if (t == QStringLiteral("right to left")) return -1;
  return 0;
}

bool Direction_Known(const QString& text) {
  return Parse_Direction(text) != 0 || Words(text) == QStringLiteral("found");
}

QString Direction_Text(int32_t direction) {
  return Direction_Choices().at(direction > 0 ? 1 : (direction < 0 ? 2 : 0));
}

Proposal_Settings Read_Proposal_Settings(const QString& settings_path) {
  Proposal_Settings s;
  if (settings_path.isEmpty()) return s;
  s.rows =
      Parse_Jacket_Rows(Read_Ini_Value(Proposal_Section, Jacket_Rows_Key, settings_path, QStringLiteral("Automatic")));
  s.direction =
      Parse_Direction(Read_Ini_Value(Proposal_Section, Direction_Key, settings_path, QStringLiteral("Found")));
  return s;
}

Proposal_Options Options_For(const Proposal_Settings& settings, const QString& capture_source) {
  Proposal_Options o;
  o.rows = Rows_For_Recording(settings.rows, capture_source);
  o.direction = settings.direction;
  return o;
}
