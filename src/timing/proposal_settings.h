#pragma once
// The settings the finish proposals follow, in section "Slit" of the settings file: which rows of
// jackets the dogs wear ("jacket_colours": Automatic, Common, American or Synthetic) and which way
// they run ("direction": Found, Left to right or Right to left).
#include "timing/finish_proposals.h"

#include <QString>
#include <QStringList>
#include <optional>

inline const QString Proposal_Section = QStringLiteral("Slit");
inline const QString Jacket_Rows_Key = QStringLiteral("jacket_colours");
inline const QString Direction_Key = QStringLiteral("direction");

// The words the settings window offers, the default first.
QStringList Jacket_Rows_Choices();
QStringList Direction_Choices();

struct Proposal_Settings {
  std::optional<Jacket_Rows> rows; // nullopt: Automatic
  int32_t direction = 0;           // 0: found from the pictures
};

// "Found" (and anything unknown) is 0, "Left to right" +1, "Right to left" -1; case and spaces,
// dashes or underscores between the words do not matter.
int32_t Parse_Direction(const QString& text);
bool Direction_Known(const QString& text);
QString Direction_Text(int32_t direction);

Proposal_Settings Read_Proposal_Settings(const QString& settings_path);
// The options for a recording whose header names `capture_source`.
Proposal_Options Options_For(const Proposal_Settings& settings, const QString& capture_source);
