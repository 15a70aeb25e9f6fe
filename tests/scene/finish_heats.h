#pragma once
// The realistic heats the finish proposals are measured on: every coat, both rows of jackets,
// dogs overlapping at the line in twos and threes, dead heats, finishes 5 ms apart, dogs that do
// not finish, both directions, the three rates, slanted goal lines, shadow, turf and sand,
// exposures from 1 to 4 ms.
#include "scene/realistic_finish.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace realistic {

struct Heat_Spec {
  Rate rate;
  int32_t direction;
  int32_t slant_px; // how far the line's bottom end lies from its top end, sideways
  bool shadow;
  bool turf;
  Jackets jackets;
  double exposure_ms;
  double noise;
  // Crossings in ms after the start (-1: does not finish), boxes 1 to 6, and their depths.
  double crossing[6];
  double depth[6];
};

inline Scene Scene_Of(const Heat_Spec& spec, uint32_t seed) {
  Scene s;
  s.seed = seed;
  s.rate = spec.rate;
  s.direction = spec.direction;
  s.shadow = spec.shadow;
  s.turf = spec.turf;
  s.jackets = spec.jackets;
  s.exposure_ms = spec.exposure_ms;
  s.noise = spec.noise;
  s.line_x1 = 200 - spec.slant_px / 2;
  s.line_y1 = 0;
  s.line_x2 = 200 + spec.slant_px / 2;
  s.line_y2 = s.height - 1;
  double first = 1e9, last = -1e9;
  for (int b = 0; b < 6; ++b) {
    Runner r;
    r.box = static_cast<int16_t>(b + 1);
    if (spec.crossing[b] >= 0) {
      r.crossing_ms = spec.crossing[b];
      first = std::min(first, spec.crossing[b]);
      last = std::max(last, spec.crossing[b]);
    }
    r.coat = All_Coats[(seed + static_cast<uint32_t>(b) * 3U) % 5];
    r.depth = spec.depth[b];
    r.speed_lengths_per_s = 20.5 + ((seed * 7 + static_cast<uint32_t>(b) * 5) % 8) * 0.5;
    r.stride_phase = ((seed * 13 + static_cast<uint32_t>(b) * 29) % 100) / 100.0;
    s.runners.push_back(r);
  }
  // The camera runs well before the first dog comes and after the last has gone, and its
  // pictures fall anywhere against the crossings.
  s.from_ms = static_cast<int32_t>(first) - 640 - static_cast<int32_t>(seed % 37);
  s.to_ms = static_cast<int32_t>(last) + 640;
  return s;
}

inline std::vector<Heat_Spec> Table_Heats() {
  const Rate I = Rate::Interlaced_25, P50 = Rate::Progressive_50, P100 = Rate::Progressive_100;
  const Jackets C = Jackets::Common, A = Jackets::American;
  // Depths spread across the track; each heat shuffles them by trap.
  const double D[6] = {0.0, 0.2, 0.4, 0.6, 0.8, 1.0};
  return {
      // Spread finishes, each rate and direction.
      {I,
       1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29410, 29530, 29305, 29660, 29790, 29902},
       {D[0], D[1], D[2], D[3], D[4], D[5]}},
      {I,
       -1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29203, 29411, 29607, 29815, 30009, 30213},
       {D[5], D[3], D[1], D[0], D[2], D[4]}},
      {P50,
       1,
       0,
       false,
       true,
       C,
       1,
       2,
       {30110, 29988, 30230, 29870, 30350, 30470},
       {D[2], D[4], D[0], D[5], D[1], D[3]}},
      {P50,
       -1,
       0,
       false,
       false,
       C,
       3,
       4,
       {28705, 28821, 28950, 29077, 29190, 29300},
       {D[1], D[0], D[3], D[2], D[5], D[4]}},
      {P100,
       1,
       0,
       false,
       false,
       C,
       2,
       3,
       {31000, 31130, 31250, 31390, 31505, 31640},
       {D[4], D[2], D[5], D[1], D[3], D[0]}},
      {P100,
       -1,
       0,
       false,
       true,
       C,
       1.5,
       3,
       {29620, 29500, 29740, 29860, 29390, 29980},
       {D[3], D[5], D[4], D[0], D[2], D[1]}},
      // The American rows.
      {I,
       1,
       0,
       false,
       false,
       A,
       2,
       3,
       {29400, 29520, 29640, 29760, 29880, 30000},
       {D[0], D[2], D[4], D[1], D[3], D[5]}},
      {P100,
       -1,
       0,
       false,
       true,
       A,
       2,
       3,
       {30300, 30190, 30410, 30080, 30520, 30630},
       {D[5], D[1], D[2], D[4], D[0], D[3]}},
      {P50,
       1,
       0,
       false,
       false,
       A,
       2,
       3,
       {29705, 29815, 29925, 30035, 30145, 30255},
       {D[1], D[3], D[5], D[0], D[2], D[4]}},
      // Two dogs overlapping at the line: neighbours in depth crossing close together.
      {I,
       1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29400, 29409, 29600, 29800, 30000, 30200},
       {D[2], D[3], D[0], D[5], D[1], D[4]}},
      {P100,
       1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29500, 29700, 29512, 29900, 30100, 30300},
       {D[0], D[5], D[1], D[3], D[2], D[4]}},
      {P50,
       -1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29830, 29500, 29700, 29826, 30100, 30300},
       {D[4], D[0], D[2], D[5], D[1], D[3]}},
      {I,
       -1,
       0,
       true,
       false,
       C,
       2,
       3,
       {29300, 29500, 29700, 29900, 29907, 30300},
       {D[0], D[1], D[2], D[3], D[4], D[5]}},
      // Three dogs together at the line.
      {I,
       1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29600, 29606, 29613, 29200, 29900, 30200},
       {D[1], D[2], D[3], D[0], D[5], D[4]}},
      {P100,
       -1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29200, 29400, 29700, 29708, 29697, 30100},
       {D[0], D[1], D[3], D[4], D[2], D[5]}},
      {P50,
       1,
       0,
       false,
       true,
       C,
       2,
       3,
       {29500, 29900, 29505, 29496, 30200, 30500},
       {D[4], D[0], D[3], D[5], D[1], D[2]}},
      // Dead heats.
      {I,
       1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29500, 29500, 29700, 29900, 30100, 30300},
       {D[1], D[4], D[0], D[2], D[3], D[5]}},
      {P100,
       1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29400, 29600, 29800, 29600, 30000, 30200},
       {D[0], D[5], D[2], D[1], D[4], D[3]}},
      {P50,
       -1,
       0,
       false,
       false,
       A,
       2,
       3,
       {29300, 29500, 29700, 29900, 29700, 30100},
       {D[2], D[3], D[0], D[5], D[1], D[4]}},
      // Finishes 5 ms apart.
      {I,
       -1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29500, 29505, 29510, 29515, 29520, 29525},
       {D[5], D[0], D[4], D[1], D[3], D[2]}},
      {P100,
       1,
       0,
       false,
       false,
       C,
       2,
       3,
       {29800, 29805, 29600, 29810, 30000, 29815},
       {D[0], D[2], D[5], D[4], D[1], D[3]}},
      {P50,
       1,
       0,
       true,
       false,
       C,
       2,
       3,
       {29700, 29900, 29705, 30100, 30105, 30400},
       {D[5], D[1], D[0], D[4], D[2], D[3]}},
      // Dogs that do not finish: nothing of them may be proposed for sure.
      {I, 1, 0, false, false, C, 2, 3, {29400, 29600, 29800, -1, 30000, 30200}, {D[0], D[1], D[2], D[3], D[4], D[5]}},
      {P100, -1, 0, false, false, C, 2, 3, {-1, 29600, -1, 29800, 29900, -1}, {D[0], D[1], D[2], D[3], D[4], D[5]}},
      {P50, 1, 0, false, false, A, 2, 3, {29400, -1, 29600, 29700, -1, 29900}, {D[3], D[1], D[0], D[5], D[2], D[4]}},
      // Slanted goal lines, shadow on the line, short and long exposures, more noise.
      {I,
       1,
       60,
       false,
       false,
       C,
       2,
       3,
       {29410, 29530, 29650, 29770, 29890, 30010},
       {D[2], D[0], D[4], D[1], D[5], D[3]}},
      {P100,
       -1,
       -80,
       true,
       false,
       C,
       2,
       3,
       {29300, 29430, 29560, 29690, 29820, 29950},
       {D[1], D[4], D[3], D[0], D[5], D[2]}},
      {P50,
       1,
       120,
       false,
       true,
       C,
       2,
       3,
       {29600, 29480, 29720, 29840, 29960, 30080},
       {D[4], D[5], D[0], D[3], D[2], D[1]}},
      {I,
       -1,
       -40,
       true,
       false,
       C,
       4,
       5,
       {29350, 29470, 29590, 29710, 29830, 29950},
       {D[3], D[2], D[5], D[4], D[0], D[1]}},
      {P100,
       1,
       30,
       true,
       true,
       A,
       1,
       2,
       {29500, 29620, 29740, 29860, 29980, 30100},
       {D[0], D[3], D[1], D[2], D[4], D[5]}},
      {I,
       1,
       0,
       false,
       false,
       C,
       1,
       5,
       {29333, 29444, 29555, 29666, 29777, 29888},
       {D[5], D[4], D[3], D[2], D[1], D[0]}},
      {P50,
       -1,
       50,
       true,
       false,
       C,
       4,
       4,
       {29700, 29580, 29820, 29940, 30060, 29460},
       {D[1], D[2], D[4], D[5], D[3], D[0]}},
  };
}

} // namespace realistic
