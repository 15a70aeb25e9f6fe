#include "timing/nose_edge.h"

#include <algorithm>
#include <cmath>

namespace {

// A column of the profile tells the jacket from the background only when they differ by at
// least this much (per row, as a colour distance): a white jacket over the painted line differs
// from it by less than the JPEG coding changes either.
constexpr double Least_Contrast = 30.0;
// The nose must have a body behind it: of this many pixels behind it, most the jacket's and few
// the background's. Where a fast runner's two fields bleed into each other the coding leaves
// scattered pixels that look covered; they have no such body.
constexpr int32_t Body_Window = 10;
constexpr double Body_Share = 0.6;
constexpr int32_t Body_Gaps = 2;

enum class Share { Unknown, Runner, Background };

struct Profile {
  int32_t offset = 0; // bin b holds line offset b - offset
  std::vector<double> num;
  std::vector<double> den;
  std::vector<int32_t> count;
  std::vector<double> share;
  std::vector<Share> kind;
};

Profile Build_Profile(const cDIBSection& field, const cDIBSection& background, const Runner_Rows& rows) {
  Profile p;
  const int32_t width = field.Width();
  p.offset = width;
  const size_t bins = 2 * static_cast<size_t>(width) + 1;
  p.num.assign(bins, 0);
  p.den.assign(bins, 0);
  p.count.assign(bins, 0);
  for (size_t i = 0; i < rows.Size(); ++i) {
    const int32_t y = rows.row[i];
    if (y < 0 || y >= field.Height()) continue;
    const uint8_t* f = field.Row(y);
    const uint8_t* b = background.Row(y);
    const auto& c = rows.colour[i];
    // The surfaces hold blue, green, red.
    const double cb = c[2], cg = c[1], cr = c[0];
    for (int32_t x = 0; x < width; ++x, f += 3, b += 3) {
      const double jb = cb - b[0], jg = cg - b[1], jr = cr - b[2];
      const double pb = static_cast<double>(f[0]) - b[0], pg = static_cast<double>(f[1]) - b[1],
                   pr = static_cast<double>(f[2]) - b[2];
      const auto bin = static_cast<size_t>(int64_t{x} - rows.line_x[i] + p.offset);
      p.num[bin] += pb * jb + pg * jg + pr * jr;
      p.den[bin] += jb * jb + jg * jg + jr * jr;
      ++p.count[bin];
    }
  }
  p.share.assign(bins, 0);
  p.kind.assign(bins, Share::Unknown);
  for (size_t k = 0; k < bins; ++k) {
    if (p.count[k] == 0 || p.den[k] < Least_Contrast * Least_Contrast * p.count[k]) continue;
    p.share[k] = p.num[k] / p.den[k];
    p.kind[k] = p.share[k] >= 0.5 ? Share::Runner : Share::Background;
  }
  return p;
}

// The nose's bin walking from the front (the direction's end) back: the first runner bin with
// body behind it.
int32_t Nose_Bin(const Profile& p, int32_t direction) {
  const auto bins = static_cast<int32_t>(p.kind.size());
  const int32_t start = direction > 0 ? bins - 1 : 0;
  for (int32_t k = start; k >= 0 && k < bins; k -= direction) {
    if (p.kind[static_cast<size_t>(k)] != Share::Runner) continue;
    int32_t body = 0, bare = 0, there = 0;
    for (int32_t j = k; j >= 0 && j < bins && std::abs(j - k) < Body_Window; j -= direction) {
      if (p.count[static_cast<size_t>(j)] == 0) continue; // beyond the picture
      ++there;
      if (p.kind[static_cast<size_t>(j)] == Share::Runner) ++body;
      if (p.kind[static_cast<size_t>(j)] == Share::Background) ++bare;
    }
    if (there > 0 && body >= Body_Share * there && bare <= Body_Gaps) return k;
  }
  return -1;
}

} // namespace

Nose_Reading Read_Nose(const cDIBSection& field, const cDIBSection& background, const Runner_Rows& rows,
                       int32_t direction) {
  Nose_Reading reading;
  if (field.Is_Empty() || field.Width() != background.Width() || field.Height() != background.Height() ||
      rows.Size() == 0)
    return reading;
  direction = direction < 0 ? -1 : 1;
  const Profile p = Build_Profile(field, background, rows);
  double weight = 0, moment = 0;
  for (size_t k = 0; k < p.kind.size(); ++k)
    if (p.kind[k] == Share::Runner) {
      weight += 1;
      moment += static_cast<double>(static_cast<int32_t>(k) - p.offset);
    }
  if (weight > 0) reading.centre = moment / weight;
  const int32_t nose = Nose_Bin(p, direction);
  if (nose < 0) return reading;
  const auto bins = static_cast<int32_t>(p.kind.size());
  // The first bin ahead that the runner does not cover; unknown bins between leave the edge open.
  int32_t ahead = nose + direction;
  while (ahead >= 0 && ahead < bins && p.kind[static_cast<size_t>(ahead)] == Share::Unknown)
    ahead += direction;
  // The nose leaves the picture: no edge to read.
  if (ahead < 0 || ahead >= bins || p.count[static_cast<size_t>(ahead)] == 0) return reading;
  reading.seen = true;
  const double nose_offset = nose - p.offset;
  if (ahead == nose + direction) {
    reading.clear = true;
    // The covered shares summed from inside the body to beyond the edge say where the edge is,
    // a partly covered pixel and the coding's blur around the edge included.
    const int32_t from = nose - 2 * direction, to = ahead + 2 * direction;
    bool known = true;
    double covered = 0;
    for (int32_t k = from; known && k != to + direction; k += direction) {
      known = k >= 0 && k < bins && p.kind[static_cast<size_t>(k)] != Share::Unknown;
      if (known) covered += std::clamp(p.share[static_cast<size_t>(k)], 0.0, 1.0);
    }
    double edge = 0; // offset from the line pixel, in the direction of travel
    if (known) {
      edge = direction * (from - p.offset) - 0.5 + covered;
    } else {
      const double s0 = p.share[static_cast<size_t>(nose)], s1 = p.share[static_cast<size_t>(ahead)];
      edge = direction * nose_offset + std::clamp((s0 - 0.5) / std::max(s0 - s1, 1e-9), 0.0, 1.0);
    }
    reading.distance = reading.low = reading.high = edge;
    return reading;
  }
  // Somewhere between the last pixel seen covered and the first seen bare.
  const double near_edge = direction * (nose_offset + direction * 0.5);
  const double far_edge = direction * (static_cast<double>(ahead - p.offset) - direction * 0.5);
  reading.low = std::min(near_edge, far_edge);
  reading.high = std::max(near_edge, far_edge);
  reading.distance = (reading.low + reading.high) / 2;
  return reading;
}
