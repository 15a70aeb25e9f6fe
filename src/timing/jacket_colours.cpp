#include "timing/jacket_colours.h"

#include <algorithm>
#include <map>

namespace {

struct Prototype {
  Jacket jacket;
  uint8_t rgb[3];
};
// As the synthetic camera paints them; real jackets of these six colours lie nearer their own
// than any other.
constexpr Prototype Prototypes[] = {
    {Jacket::Red, {220, 30, 30}},  {Jacket::Blue, {30, 60, 220}},    {Jacket::White, {240, 240, 240}},
    {Jacket::Black, {20, 20, 20}}, {Jacket::Orange, {240, 140, 20}},
};
// Farther than this from every jacket, a pixel is no jacket's.
constexpr int32_t Farthest2 = 90 * 90;

int16_t Box_Of(Jacket jacket) {
  switch (jacket) {
  case Jacket::Red: return 1;
  case Jacket::Blue: return 2;
  case Jacket::White: return 3;
  case Jacket::Black: return 4;
  case Jacket::Orange: return 5;
  case Jacket::None: return 0;
  }
  return 0;
}

} // namespace

std::array<uint8_t, 3> Jacket_Colour(Jacket jacket) {
  for (const Prototype& p : Prototypes)
    if (p.jacket == jacket) return {p.rgb[0], p.rgb[1], p.rgb[2]};
  return {0, 0, 0};
}

Jacket Nearest_Jacket(const uint8_t* rgb, const uint8_t* background_rgb) {
  Jacket best = Jacket::None;
  int32_t best_distance = Farthest2;
  for (const Prototype& p : Prototypes) {
    const int32_t d = Colour_Distance2(rgb, p.rgb);
    if (d < best_distance) {
      best_distance = d;
      best = p.jacket;
    }
  }
  // Clearly nearer the jacket than the background (by a factor of 0.7 in distance): an edge's
  // blur between the two is neither.
  if (best == Jacket::None || 2 * best_distance >= Colour_Distance2(rgb, background_rgb)) return Jacket::None;
  return best;
}

std::vector<Jacket_Run> Jacket_Runs(const std::vector<Jacket>& along, int32_t gap, int32_t shortest) {
  std::vector<Jacket_Run> merged;
  const auto n = static_cast<int32_t>(along.size());
  for (int32_t i = 0; i < n;) {
    int32_t j = i;
    while (j + 1 < n && along[static_cast<size_t>(j + 1)] == along[static_cast<size_t>(i)])
      ++j;
    const Jacket jacket = along[static_cast<size_t>(i)];
    if (jacket != Jacket::None) {
      if (!merged.empty() && merged.back().jacket == jacket && i - merged.back().last - 1 <= gap)
        merged.back().last = j;
      else
        merged.push_back({jacket, i, j});
    }
    i = j + 1;
  }
  std::vector<Jacket_Run> runs;
  for (const Jacket_Run& r : merged)
    if (r.Length() >= shortest) runs.push_back(r);
  return runs;
}

void Fill_Stripes(std::vector<Jacket>& along, const std::vector<bool>& light, int32_t widest) {
  const auto n = static_cast<int32_t>(along.size());
  int32_t last_black = -1;
  for (int32_t i = 0; i < n; ++i) {
    if (along[static_cast<size_t>(i)] != Jacket::Black) continue;
    if (last_black >= 0 && i - last_black > 1 && i - last_black - 1 <= widest) {
      bool all_light = true;
      for (int32_t k = last_black + 1; k < i && all_light; ++k)
        all_light = along[static_cast<size_t>(k)] == Jacket::White ||
                    (along[static_cast<size_t>(k)] == Jacket::None && light[static_cast<size_t>(k)]);
      if (all_light)
        for (int32_t k = last_black + 1; k < i; ++k)
          along[static_cast<size_t>(k)] = Jacket::White;
    }
    last_black = i;
  }
}

bool Is_Light(const uint8_t* rgb) {
  const uint8_t low = std::min({rgb[0], rgb[1], rgb[2]});
  const uint8_t high = std::max({rgb[0], rgb[1], rgb[2]});
  return low >= 170 && high - low <= 48;
}

std::vector<Runner_Group> Runner_Groups(const std::vector<Jacket_Run>& runs, int32_t gap, int32_t fewest_rows) {
  std::vector<Runner_Group> groups;
  for (size_t i = 0; i < runs.size();) {
    size_t j = i;
    while (j + 1 < runs.size() && runs[j + 1].first - runs[j].last - 1 <= gap)
      ++j;
    std::map<Jacket, int32_t> rows;
    // Stripes: black and white runs taking turns, three at least.
    int32_t turns = 0;
    for (size_t k = i; k <= j; ++k) {
      rows[runs[k].jacket] += runs[k].Length();
      const bool black_white = runs[k].jacket == Jacket::Black || runs[k].jacket == Jacket::White;
      if (!black_white)
        turns = 0;
      else if (turns == 0 || runs[k].jacket != runs[k - 1].jacket)
        ++turns;
    }
    Runner_Group g;
    g.first = runs[i].first;
    g.last = runs[j].last;
    if (turns >= 3) {
      g.box = 6;
      g.jacket_rows = rows[Jacket::Black] + rows[Jacket::White];
    } else {
      const auto most =
          std::max_element(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
      g.box = Box_Of(most->first);
      g.jacket_rows = most->second;
    }
    if (g.jacket_rows < fewest_rows) g.box = 0;
    groups.push_back(g);
    i = j + 1;
  }
  return groups;
}
