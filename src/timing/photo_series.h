#pragma once
// What a printed photo series shows: which runners get a picture, and the lines of its table.
#include "timing/result_ranking.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// A runner that gets a picture: its place in the result (1 to 6) and its box.
struct Series_Runner {
  int16_t rank = 0;
  int16_t box = 0;
  friend bool operator==(const Series_Runner&, const Series_Runner&) = default;
};

// The runners in rank order, up to the first whose time (split time in a split series) is not
// set: the places after it are left out.
std::vector<Series_Runner> Series_Runners(const Result_Array& sorted, bool split);

// A time as the table prints it: "00,00" when not set, "Notime", "DSQ" and "DNF" for the codes,
// else the time with the box delay added, compact.
QString Series_Time_Text(int32_t ms, int32_t box_delay_ms);

// The underlined heading of the table.
inline const QString Series_Table_Heading = QStringLiteral("  Dog Name                        Split Time");

// Dog names take exactly this many characters in a table line.
constexpr int Series_Name_Width = 27;

struct Series_Table_Line {
  QString text;
  bool dead_heat = false; // printed in italics, ending in " Dead heat"
  friend bool operator==(const Series_Table_Line&, const Series_Table_Line&) = default;
};

// The table lines in rank order, up to the first entry without a finish time. The count goes
// up on every entry not marked dead heat, so a marked entry repeats the count above it. The
// mark sits on the second dog of a tie; the dog above it shares the dead heat and its line.
// `distances` (by row of `sorted`, empty texts for none) end each line with the beaten distance.
std::vector<Series_Table_Line> Series_Table(const Result_Array& sorted, int32_t box_delay_ms,
                                            const std::array<QString, Result_Rows>& distances = {});
