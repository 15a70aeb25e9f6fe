#include "timing/result_state.h"

namespace {

const QString official = QStringLiteral("Official");
const QString no_race = QStringLiteral("No Race");

} // namespace

Result_State Result_State_Of(const QString& stored) {
  if (stored == official) return Result_State::Official;
  if (stored == no_race) return Result_State::No_Race;
  return Result_State::Provisional;
}

QString Result_State_Text(Result_State state) {
  switch (state) {
  case Result_State::Official: return official;
  case Result_State::No_Race: return no_race;
  case Result_State::Provisional: break;
  }
  return QStringLiteral("Provisional");
}
