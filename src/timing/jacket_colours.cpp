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

// A real jacket differs from the ground it passes over by at least this much.
constexpr int32_t Least_Difference2 = 45 * 45;

constexpr Jacket_Design Plain(Jacket j) { return {j, Jacket::None}; }
constexpr Jacket_Design Synthetic_Rows[] = {Plain(Jacket::Red),    Plain(Jacket::Blue),
                                            Plain(Jacket::White),  Plain(Jacket::Black),
                                            Plain(Jacket::Orange), {Jacket::Black, Jacket::White}};
constexpr Jacket_Design Common_Rows[] = {Plain(Jacket::Red),    Plain(Jacket::Blue),
                                         Plain(Jacket::White),  Plain(Jacket::Black),
                                         Plain(Jacket::Orange), {Jacket::Black, Jacket::White},
                                         Plain(Jacket::Green),  {Jacket::Yellow, Jacket::Black}};
constexpr Jacket_Design American_Rows[] = {Plain(Jacket::Red),   Plain(Jacket::Blue),  Plain(Jacket::White),
                                           Plain(Jacket::Green), Plain(Jacket::Black), Plain(Jacket::Yellow)};

template <size_t N> Jacket_Design At(const Jacket_Design (&rows)[N], int16_t box) {
  return box >= 1 && static_cast<size_t>(box) <= N ? rows[box - 1] : Jacket_Design{};
}

bool In_Stripes(Jacket_Rows rows, Jacket j) {
  for (int16_t box = 1; box <= 8; ++box) {
    const Jacket_Design d = Design_Of(rows, box);
    if (d.Striped() && (d.colour == j || d.stripe == j)) return true;
  }
  return false;
}

} // namespace

Jacket_Design Design_Of(Jacket_Rows rows, int16_t box) {
  switch (rows) {
  case Jacket_Rows::Synthetic: return At(Synthetic_Rows, box);
  case Jacket_Rows::Common: return At(Common_Rows, box);
  case Jacket_Rows::American: return At(American_Rows, box);
  }
  return {};
}

int16_t Box_Of(Jacket_Rows rows, Jacket plain) {
  for (int16_t box = 1; box <= 8; ++box) {
    const Jacket_Design d = Design_Of(rows, box);
    if (!d.Striped() && d.colour == plain && plain != Jacket::None) return box;
  }
  return 0;
}

int16_t Striped_Box(Jacket_Rows rows, Jacket a, Jacket b) {
  for (int16_t box = 1; box <= 8; ++box) {
    const Jacket_Design d = Design_Of(rows, box);
    if (d.Striped() && ((d.colour == a && d.stripe == b) || (d.colour == b && d.stripe == a))) return box;
  }
  return 0;
}

std::optional<Jacket_Rows> Parse_Jacket_Rows(const QString& text) {
  const QString t = text.trimmed().toLower();
  if (t == QStringLiteral("synthetic")) return Jacket_Rows::Synthetic;
  if (t == QStringLiteral("common")) return Jacket_Rows::Common;
  if (t == QStringLiteral("american")) return Jacket_Rows::American;
  return std::nullopt;
}

QString Jacket_Rows_Text(Jacket_Rows rows) {
  switch (rows) {
  case Jacket_Rows::Synthetic: return QStringLiteral("Synthetic");
  case Jacket_Rows::Common: return QStringLiteral("Common");
  case Jacket_Rows::American: return QStringLiteral("American");
  }
  return {};
}

Jacket_Rows Rows_For_Recording(std::optional<Jacket_Rows> chosen, const QString& capture_source) {
  if (chosen) return *chosen;
  // The header names the source "friendly name / format"; the synthetic camera paints its own rows.
  return capture_source.startsWith(QStringLiteral("Synthetic camera")) ? Jacket_Rows::Synthetic : Jacket_Rows::Common;
}

Jacket Real_Colour(const uint8_t* rgb) {
  const int32_t r = rgb[0], g = rgb[1], b = rgb[2];
  const int32_t high = std::max({r, g, b}), low = std::min({r, g, b}), chroma = high - low;
  if (high < 64 && chroma < 26) return Jacket::Black;
  // White in shade and under a shadow is still grey without colour; sand and turf have colour.
  if (high >= 100 && chroma * 100 <= 16 * high) return Jacket::White;
  // Jackets are dyed: coats (a brindle's dark brown included), sand and turf have less colour.
  if (high < 50 || chroma * 100 < 72 * high) return Jacket::None;
  double hue = 0;
  if (high == r)
    hue = 60.0 * (g - b) / chroma;
  else if (high == g)
    hue = 120.0 + 60.0 * (b - r) / chroma;
  else
    hue = 240.0 + 60.0 * (r - g) / chroma;
  if (hue < 0) hue += 360;
  if (hue < 12 || hue >= 335) return Jacket::Red;
  if (hue < 40) return Jacket::Orange;
  if (hue < 70) return Jacket::Yellow;
  if (hue >= 80 && hue < 170) return Jacket::Green;
  if (hue >= 190 && hue < 260) return Jacket::Blue;
  return Jacket::None;
}

Jacket Classify_Jacket(Jacket_Rows rows, const uint8_t* rgb, const uint8_t* background_rgb) {
  if (rows == Jacket_Rows::Synthetic) return Nearest_Jacket(rgb, background_rgb);
  const Jacket j = Real_Colour(rgb);
  if (j == Jacket::None || Colour_Distance2(rgb, background_rgb) < Least_Difference2) return Jacket::None;
  // Ground of the jacket's own colour (a white line, green turf) takes a wider margin.
  if (Real_Colour(background_rgb) == j && Colour_Distance2(rgb, background_rgb) < 2 * Least_Difference2)
    return Jacket::None;
  return j;
}

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
    while (j + 1 < n && along[static_cast<size_t>(j) + 1] == along[static_cast<size_t>(i)])
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

std::vector<Runner_Group> Runner_Groups(const std::vector<Jacket_Run>& runs, int32_t gap, int32_t fewest_rows,
                                        Jacket_Rows jacket_rows) {
  std::vector<Runner_Group> groups;
  for (size_t i = 0; i < runs.size();) {
    size_t j = i;
    while (j + 1 < runs.size() && runs[j + 1].first - runs[j].last - 1 <= gap)
      ++j;
    std::map<Jacket, int32_t> rows;
    // Stripes: runs of the two colours of a striped jacket taking turns, three at least.
    int32_t turns = 0;
    int16_t striped = 0;
    for (size_t k = i; k <= j; ++k) {
      const Jacket c = runs[k].jacket;
      rows[c] += runs[k].Length();
      if (turns > 0 && c == runs[k - 1].jacket) continue;
      const int16_t pair = turns > 0 ? Striped_Box(jacket_rows, runs[k - 1].jacket, c) : 0;
      if (pair != 0 && (striped == 0 || pair == striped)) {
        ++turns;
        striped = pair;
      } else {
        turns = In_Stripes(jacket_rows, c) ? 1 : 0;
        striped = 0;
      }
    }
    Runner_Group g;
    g.first = runs[i].first;
    g.last = runs[j].last;
    if (turns >= 3 && striped != 0) {
      g.box = striped;
      const Jacket_Design d = Design_Of(jacket_rows, striped);
      g.jacket_rows = rows[d.colour] + rows[d.stripe];
    } else {
      const auto most =
          std::max_element(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
      g.box = Box_Of(jacket_rows, most->first);
      g.jacket_rows = most->second;
    }
    if (g.jacket_rows < fewest_rows) g.box = 0;
    groups.push_back(g);
    i = j + 1;
  }
  return groups;
}
