#pragma once
// A heat's result is provisional until the officials declare it "Official" or "No Race"; a
// declared result takes no time changes until it is reopened.
#include <QString>

enum class Result_State { Provisional, Official, No_Race };

// As the header stores it; an empty or unknown text is provisional.
Result_State Result_State_Of(const QString& stored);
// "Provisional", "Official" or "No Race".
QString Result_State_Text(Result_State state);
inline bool Result_Declared(Result_State state) { return state != Result_State::Provisional; }
