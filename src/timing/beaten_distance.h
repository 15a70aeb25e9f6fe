#pragma once
// Beaten distances: how far each finisher was behind the one ranked just above it, in the terms
// of the track ("dht", "sh", "hd", "nk", lengths in quarters, "dis").
#include "timing/result_ranking.h"

#include <QString>
#include <array>
#include <optional>

struct Distance_Rules {
  double seconds_per_length = 0.08; // the time one length takes at the finish
  double dis_limit_lengths = 12;    // beyond this a runner is "dis"
};

// The text for a runner finishing `behind_ms` after the one ahead. The small margins are parts of
// a length, so they follow the seconds per length: a short head up to an eighth, a head up to a
// quarter, a neck up to three eighths (0.01, 0.02 and 0.03 s at 0.08 s per length). Beyond that
// the nearest quarter length, half a length at least; "dis" when that exceeds the limit. "dht" is
// only ever the judge's dead-heat mark: equal times alone are a short head.
QString Beaten_Distance(double behind_ms, const Distance_Rules& rules);

// Per sorted row: the distance to the finisher ranked just above it; empty for the first finisher
// and for rows without a finish. A row carrying the dead-heat mark is "dht" whatever its time.
// `finish_ms` holds each row's finish instant (nullopt: no finish), so finer times than the
// stored ones can be used where a heat has them.
std::array<QString, Result_Rows> Beaten_Distances(const std::array<std::optional<double>, Result_Rows>& finish_ms,
                                                  const std::array<bool, Result_Rows>& dead_heat,
                                                  const Distance_Rules& rules);
// The same from the stored goal times of the sorted rows.
std::array<QString, Result_Rows> Beaten_Distances(const Result_Array& sorted, const Distance_Rules& rules);

// The rules of the settings file (keys seconds_per_length and dis_limit of section Settings); a
// value that is missing or not a positive number leaves its default.
Distance_Rules Read_Distance_Rules(const QString& settings_path);
// A positive number as the settings hold it ("0.08"); nullopt otherwise.
std::optional<double> Positive_Setting_Value(const QString& text);
