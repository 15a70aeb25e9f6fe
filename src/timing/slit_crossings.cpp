#include "timing/slit_crossings.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

uint8_t Median_Of(const std::array<int32_t, 256>& histogram, int32_t count) {
  int32_t seen = 0;
  for (int32_t v = 0; v < 256; ++v) {
    seen += histogram[static_cast<size_t>(v)];
    if (2 * seen >= count) return static_cast<uint8_t>(v);
  }
  return 255;
}

} // namespace

Slit_Background::Slit_Background(const Slit_Image& slit, int32_t view)
    : rows_(slit.Rows()), by_field_(slit.Interlaced()) {
  const int32_t fields = by_field_ ? 2 : 1;
  rgb_.assign(static_cast<size_t>(rows_) * 3 * static_cast<size_t>(fields), 0);
  for (int32_t f = 0; f < fields; ++f) {
    for (int32_t r = 0; r < rows_; ++r) {
      std::array<std::array<int32_t, 256>, 3> histogram{};
      int32_t count = 0;
      for (int32_t c = by_field_ ? f : 0; c < slit.Columns(); c += fields) {
        if (!slit.Column(c).valid) continue;
        const uint8_t* p = slit.Pixel(c, r, view);
        for (size_t k = 0; k < 3; ++k)
          ++histogram[k][p[k]];
        ++count;
      }
      uint8_t* out = rgb_.data() + (static_cast<size_t>(f) * static_cast<size_t>(rows_) + static_cast<size_t>(r)) * 3;
      for (size_t k = 0; k < 3; ++k)
        out[k] = count > 0 ? Median_Of(histogram[k], count) : 128;
    }
  }
}

const uint8_t* Slit_Background::At(int32_t column, int32_t row) const {
  const size_t field = by_field_ ? static_cast<size_t>(column % 2) : 0;
  return rgb_.data() + (field * static_cast<size_t>(rows_) + static_cast<size_t>(row)) * 3;
}

std::vector<Runner_Group> Column_Runners(const Slit_Image& slit, const Slit_Background& background, int32_t column,
                                         int32_t view, Jacket_Rows rows) {
  if (!slit.Column(column).valid) return {};
  std::vector<Jacket> along(static_cast<size_t>(slit.Rows()), Jacket::None);
  std::vector<bool> light(static_cast<size_t>(slit.Rows()), false);
  for (int32_t r = 0; r < slit.Rows(); ++r) {
    const uint8_t* p = slit.Pixel(column, r, view);
    along[static_cast<size_t>(r)] = Classify_Jacket(rows, p, background.At(column, r));
    light[static_cast<size_t>(r)] = Is_Light(p);
  }
  Fill_Stripes(along, light);
  return Runner_Groups(Jacket_Runs(along), 4, 10, rows);
}

namespace {

// Where one box's jackets show in a track.
struct Sighting {
  int32_t first_column = -1;
  Runner_Group best;
  int32_t best_column = 0;
  void Add(int32_t column, const Runner_Group& g) {
    if (first_column < 0 || column < first_column) first_column = column;
    if (g.jacket_rows > best.jacket_rows) {
      best = g;
      best_column = column;
    }
  }
  void Join(const Sighting& other) {
    if (other.first_column < 0) return;
    if (first_column < 0 || other.first_column < first_column) first_column = other.first_column;
    if (other.best.jacket_rows > best.jacket_rows) {
      best = other.best;
      best_column = other.best_column;
    }
  }
};

constexpr size_t Boxes_Named = 9; // boxes 1 to 8 of the rows, 0 for none

// A runner followed from column to column while its rows go on overlapping.
struct Track {
  int32_t first_column = 0;
  int32_t last_column = 0;
  int32_t first_row = 0;
  int32_t last_row = 0;
  Runner_Group best; // the column's view that shows most of its jackets
  int32_t best_column = 0;
  std::array<int32_t, Boxes_Named> votes{}; // jacket rows seen per box over the track: the most names it
  std::array<Sighting, Boxes_Named> seen{};
  int16_t Box() const {
    return static_cast<int16_t>(std::max_element(votes.begin() + 1, votes.begin() + 7) - votes.begin());
  }
};

// Runners followed from column to column of a view while their rows go on overlapping.
std::vector<Track> Find_Tracks(const Slit_Image& slit, const Slit_Background& background, int32_t view,
                               Jacket_Rows rows) {
  std::vector<Track> open, closed;
  for (int32_t c = 0; c < slit.Columns(); ++c) {
    for (const Runner_Group& g : Column_Runners(slit, background, c, view, rows)) {
      if (g.box <= 0 || static_cast<size_t>(g.box) >= Boxes_Named) continue;
      // A view joins the tracks seen in the column before or the one before that (a field lost)
      // whose rows it overlaps; tracks it joins together are one runner seen in parts.
      Track* joined = nullptr;
      for (auto it = open.begin(); it != open.end();) {
        if (c - it->last_column > 2 || g.first > it->last_row || g.last < it->first_row) {
          ++it;
          continue;
        }
        if (!joined) {
          joined = &*it;
          ++it;
          continue;
        }
        joined->first_column = std::min(joined->first_column, it->first_column);
        joined->first_row = std::min(joined->first_row, it->first_row);
        joined->last_row = std::max(joined->last_row, it->last_row);
        for (size_t b = 0; b < joined->votes.size(); ++b) {
          joined->votes[b] += it->votes[b];
          joined->seen[b].Join(it->seen[b]);
        }
        if (it->best.jacket_rows > joined->best.jacket_rows) {
          joined->best = it->best;
          joined->best_column = it->best_column;
        }
        it = open.erase(it);
      }
      if (!joined) {
        open.push_back(Track{c, c, g.first, g.last, g, c, {}, {}});
        open.back().votes[static_cast<size_t>(g.box)] += g.jacket_rows;
        open.back().seen[static_cast<size_t>(g.box)].Add(c, g);
        continue;
      }
      joined->votes[static_cast<size_t>(g.box)] += g.jacket_rows;
      joined->seen[static_cast<size_t>(g.box)].Add(c, g);
      joined->last_column = c;
      joined->first_row = std::min(joined->first_row, g.first);
      joined->last_row = std::max(joined->last_row, g.last);
      if (g.jacket_rows > joined->best.jacket_rows) {
        joined->best = g;
        joined->best_column = c;
      }
    }
    for (auto it = open.begin(); it != open.end();) {
      if (c - it->last_column > 2) {
        closed.push_back(*it);
        it = open.erase(it);
      } else {
        ++it;
      }
    }
  }
  closed.insert(closed.end(), open.begin(), open.end());
  return closed;
}

} // namespace

Slit_Crossings Find_Slit_Crossings(const Slit_Image& slit, const Slit_Background& background, int32_t view) {
  Slit_Crossings found;
  for (const Track& t : Find_Tracks(slit, background, view, Jacket_Rows::Synthetic)) {
    auto& crossing = found[static_cast<size_t>(t.Box() - 1)];
    if (crossing && crossing->column <= t.first_column) continue;
    crossing = Slit_Crossing{t.first_column, t.best.first, t.best.last, t.best_column, view};
  }
  return found;
}

Slit_Crossings Find_Slit_Crossings(const Slit_Image& slit) {
  Slit_Crossings found = Find_Slit_Crossings(slit, Slit_Background(slit, 0), 0);
  for (int32_t view = 1; view < Slit_Views; ++view) {
    const Slit_Crossings beside = Find_Slit_Crossings(slit, Slit_Background(slit, view), view);
    for (size_t b = 0; b < found.size(); ++b) {
      if (!beside[b]) continue;
      if (!found[b]) {
        found[b] = beside[b];
      } else if (beside[b]->column < found[b]->column) {
        found[b]->column = beside[b]->column;
      }
    }
  }
  return found;
}

Slit_Candidates Find_Slit_Candidates(const Slit_Image& slit, Jacket_Rows rows) {
  Slit_Candidates found;
  for (int32_t view = 0; view < Slit_Views; ++view) {
    const Slit_Background background(slit, view);
    for (const Track& t : Find_Tracks(slit, background, view, rows))
      for (size_t b = 1; b <= found.size(); ++b) {
        const Sighting& s = t.seen[b];
        if (s.first_column < 0) continue;
        const Slit_Crossing c{s.first_column, s.best.first, s.best.last, s.best_column, view};
        // The same runner seen beside the line: its earliest sight, its clearest rows.
        std::vector<Slit_Crossing>& list = found[b - 1];
        const auto same = std::find_if(list.begin(), list.end(), [&](const Slit_Crossing& o) {
          return std::abs(o.column - c.column) <= 3 && c.first_row <= o.last_row && c.last_row >= o.first_row;
        });
        if (same == list.end()) {
          list.push_back(c);
          continue;
        }
        if (c.last_row - c.first_row > same->last_row - same->first_row) {
          same->first_row = c.first_row;
          same->last_row = c.last_row;
          same->best_column = c.best_column;
          same->view = c.view;
        }
        same->column = std::min(same->column, c.column);
      }
  }
  for (auto& list : found)
    std::sort(list.begin(), list.end(),
              [](const Slit_Crossing& a, const Slit_Crossing& b) { return a.column < b.column; });
  return found;
}
