#include "timing/muzzle_tip.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// A pixel differs from the ground when the mean of its 3 x 3 neighbourhood's difference from the
// background is this long (a colour distance): sensor noise averages away, a fawn coat on sand
// does not.
constexpr int32_t Ground_Difference = 15;
// The smallest jacket, in rows: a far dog's jacket in one field of an interlaced picture.
constexpr int32_t Least_Jacket_Rows = 6;
constexpr int32_t Least_Jacket_Area = 30;
// A patch wholly of another colour's surroundings is a number or a coat's patch.
constexpr double Inside_Share = 0.8;
// A striped jacket's bands: three at least down it (the waist shows fewer than the chest) at two
// of three places across it.
constexpr int32_t Stripe_Turns = 3;
constexpr double Stripes_Length = 0.8;
constexpr double Least_Band_Share = 0.25;
constexpr double Longest_Jacket = 3.0;
// The dog goes on beyond a jacket by at least this much of its height, in this share of its rows.
constexpr double Beyond_Reach = 0.5;
constexpr double Beyond_Rows = 0.3;
// The number of a white or black jacket: pixels of the other lightness inside it.
constexpr double Number_Share = 0.012;
constexpr int32_t Least_Number = 3;
// Where a head may be, in jacket heights: ahead of the jacket's front, above its top, below it.
constexpr double Head_Start = 0.3;
constexpr double Head_Reach = 3.1;
constexpr double Head_Above = 1.2;
constexpr double Head_Below = 0.9;
constexpr double Shortest_Head = 0.7;
constexpr double Longest_Head = 3.0;
// Below the head's band, beyond the chest, nothing of this dog touches the band.
constexpr double Chest_Reach = 1.0;
// The forelegs reach down out of the band ahead of the chest, but not this far.
constexpr double Legs_Reach = 1.8;
// A muzzle is narrow: near its tip it is no taller than this share of the jacket.
constexpr double Muzzle_Height = 0.5;
constexpr double Muzzle_Length = 0.25;
// Pixels of another jacket's colour in the head's band that make it another dog.
constexpr double Other_Jacket_Share = 0.04;
constexpr int32_t Least_Other_Jacket = 6;
// The same jacket a field later: about as high, about on the same rows (jackets of dogs just
// behind are hidden in part, so a little lower is allowed).
constexpr double Alike_Low = 0.55;
constexpr double Alike_High = 1.6;
constexpr double Alike_Rows = 0.4;

bool Chromatic(Jacket j) { return j != Jacket::None && j != Jacket::White && j != Jacket::Black; }

// A dye blurred into a coat or the sand, or coded into the field beside it, turns to the hue next
// to it (red to orange, orange to red or yellow): that is no other dog's jacket.
bool Neighbour_Hue(const Jacket_Design& design, Jacket j) {
  const auto near = [j](Jacket c) {
    switch (c) {
    case Jacket::Red: return j == Jacket::Orange;
    case Jacket::Orange: return j == Jacket::Red || j == Jacket::Yellow;
    case Jacket::Yellow: return j == Jacket::Orange || j == Jacket::Green;
    case Jacket::Green: return j == Jacket::Yellow;
    default: return false;
    }
  };
  return near(design.colour) || near(design.stripe);
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
  return values[middle];
}

} // namespace

Muzzle_Reader::Muzzle_Reader(Jacket_Rows rows, const Slit_Line& line) : rows_(rows), line_(line) {}

void Muzzle_Reader::Set_Picture(const cDIBSection* picture, const cDIBSection* background) {
  picture_ = picture;
  background_ = background;
  width_ = height_ = 0;
  if (!picture || !background || picture->Is_Empty() || picture->Width() != background->Width() ||
      picture->Height() != background->Height())
    return;
  width_ = picture->Width();
  height_ = picture->Height();
  const auto pixels = static_cast<size_t>(width_) * static_cast<size_t>(height_);
  rgb_.resize(pixels * 3);
  ground_rgb_.resize(pixels * 3);
  for (int32_t y = 0; y < height_; ++y) {
    const uint8_t* p = picture->Row(y);
    const uint8_t* b = background->Row(y);
    uint8_t* out = rgb_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_) * 3;
    uint8_t* ground = ground_rgb_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_) * 3;
    for (int32_t x = 0; x < width_; ++x, p += 3, b += 3, out += 3, ground += 3) {
      out[0] = p[2], out[1] = p[1], out[2] = p[0];
      ground[0] = b[2], ground[1] = b[1], ground[2] = b[0];
    }
  }
  classes_.assign(pixels, 0);
  ground_.assign(pixels, 0);
  if (visited_.size() != pixels) {
    visited_.assign(pixels, 0);
    fill_ = 0;
  }
}

double Muzzle_Reader::Line_X(double y) const {
  if (line_.y2 == line_.y1) return line_.x1;
  return line_.x1 + (y - line_.y1) * (line_.x2 - line_.x1) / static_cast<double>(line_.y2 - line_.y1);
}

const uint8_t* Muzzle_Reader::Pixel(int32_t x, int32_t y) const {
  return rgb_.data() + (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
}

Jacket Muzzle_Reader::Class_At(int32_t x, int32_t y) {
  const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
  if (classes_[i] == 0)
    classes_[i] = static_cast<uint8_t>(
        static_cast<uint8_t>(Classify_Jacket(rows_, rgb_.data() + i * 3, ground_rgb_.data() + i * 3)) + 1);
  return static_cast<Jacket>(classes_[i] - 1);
}

bool Muzzle_Reader::Ground_At(int32_t x, int32_t y) {
  const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
  if (ground_[i] == 0) {
    int32_t sum[3] = {0, 0, 0}, n = 0;
    for (int32_t yy = std::max(0, y - 1); yy <= std::min(height_ - 1, y + 1); ++yy)
      for (int32_t xx = std::max(0, x - 1); xx <= std::min(width_ - 1, x + 1); ++xx) {
        const size_t k = (static_cast<size_t>(yy) * static_cast<size_t>(width_) + static_cast<size_t>(xx)) * 3;
        for (size_t c = 0; c < 3; ++c)
          sum[c] += int32_t{rgb_[k + c]} - int32_t{ground_rgb_[k + c]};
        ++n;
      }
    const int64_t d2 = int64_t{sum[0]} * sum[0] + int64_t{sum[1]} * sum[1] + int64_t{sum[2]} * sum[2];
    ground_[i] = d2 < int64_t{Ground_Difference} * Ground_Difference * n * n ? 1 : 2;
  }
  return ground_[i] == 1;
}

bool Muzzle_Reader::In_Design(const Jacket_Design& design, Jacket j) const {
  return j != Jacket::None && (j == design.colour || j == design.stripe);
}

Pixel_Box Muzzle_Reader::Clip(Pixel_Box box) const {
  box.left = std::max(box.left, 0);
  box.top = std::max(box.top, 0);
  box.right = std::min(box.right, width_ - 1);
  box.bottom = std::min(box.bottom, height_ - 1);
  return box;
}

template <class Take>
std::vector<int32_t> Muzzle_Reader::Fill(const std::vector<int32_t>& seeds, const Pixel_Box& box, Take take) {
  std::vector<int32_t> taken, stack;
  ++fill_;
  if (fill_ == 0) {
    std::fill(visited_.begin(), visited_.end(), 0);
    fill_ = 1;
  }
  for (int32_t s : seeds) {
    if (visited_[static_cast<size_t>(s)] == fill_) continue;
    visited_[static_cast<size_t>(s)] = fill_;
    stack.push_back(s);
    while (!stack.empty()) {
      const int32_t i = stack.back();
      stack.pop_back();
      const int32_t x = i % width_, y = i / width_;
      taken.push_back(i);
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) {
          const int32_t xx = x + dx, yy = y + dy;
          if (xx < box.left || xx > box.right || yy < box.top || yy > box.bottom) continue;
          const int32_t k = yy * width_ + xx;
          if (visited_[static_cast<size_t>(k)] == fill_ || !take(xx, yy)) continue;
          visited_[static_cast<size_t>(k)] = fill_;
          stack.push_back(k);
        }
    }
  }
  return taken;
}

bool Muzzle_Reader::Alike(const Jacket_Sight& sight, const Jacket_Sight& like) const {
  const double h = like.Height();
  return sight.Height() >= Alike_Low * h && sight.Height() <= Alike_High * h &&
         std::abs(sight.centre_y - like.centre_y) <= Alike_Rows * h;
}

Jacket_Sight Muzzle_Reader::Describe(const std::vector<int32_t>& patch) const {
  Jacket_Sight sight;
  sight.found = true;
  sight.area = static_cast<int32_t>(patch.size());
  sight.bounds = {width_, height_, -1, -1};
  for (int32_t i : patch) {
    const int32_t x = i % width_, y = i / width_;
    sight.bounds.left = std::min(sight.bounds.left, x);
    sight.bounds.right = std::max(sight.bounds.right, x);
    sight.bounds.top = std::min(sight.bounds.top, y);
    sight.bounds.bottom = std::max(sight.bounds.bottom, y);
  }
  const auto rows = static_cast<size_t>(sight.bounds.Height());
  std::vector<int32_t> row_left(rows, width_), row_right(rows, -1);
  double sx = 0, sy = 0;
  for (int32_t i : patch) {
    const int32_t x = i % width_, y = i / width_;
    const auto r = static_cast<size_t>(y - sight.bounds.top);
    row_left[r] = std::min(row_left[r], x);
    row_right[r] = std::max(row_right[r], x);
    sx += x;
    sy += y;
  }
  std::vector<double> lefts, rights;
  for (size_t r = 0; r < rows; ++r)
    if (row_right[r] >= 0) {
      lefts.push_back(row_left[r] - 0.5);
      rights.push_back(row_right[r] + 0.5);
    }
  sight.left = Median(lefts);
  sight.right = Median(rights);
  sight.centre_x = sx / sight.area;
  sight.centre_y = sy / sight.area;
  return sight;
}

void Muzzle_Reader::Narrow_To_Stripes(const Jacket_Design& design, Jacket_Sight& sight) {
  // A coat of one of the stripes' colours joins the jacket into one patch: the jacket is where
  // the colours take turns down a column, the widest such run of columns (the number and the
  // coding may break a column or two).
  const Pixel_Box b = sight.bounds;
  std::vector<int32_t> first(static_cast<size_t>(b.Width()), -1), last(static_cast<size_t>(b.Width()), -1);
  std::vector<bool> striped(static_cast<size_t>(b.Width()), false);
  for (int32_t x = b.left; x <= b.right; ++x) {
    int32_t turns = 0, run_start = -1, runs_total = 0;
    Jacket previous = Jacket::None;
    const auto c = static_cast<size_t>(x - b.left);
    std::vector<int32_t> lengths;
    int32_t run_end = -1;
    for (int32_t y = b.top; y <= b.bottom; ++y) {
      const Jacket j = Class_At(x, y);
      if (!In_Design(design, j)) continue;
      if (j != previous) {
        if (previous != Jacket::None) lengths.push_back(run_end - run_start + 1);
        ++turns;
        previous = j;
        run_start = y;
        if (first[c] < 0) first[c] = y;
      }
      run_end = y;
    }
    if (previous != Jacket::None) lengths.push_back(run_end - run_start + 1);
    runs_total = static_cast<int32_t>(lengths.size());
    if (turns < Stripe_Turns || runs_total < 2) continue;
    striped[c] = true;
    // The last band ends where its width does, not down a leg of its colour.
    std::vector<int32_t> inner(lengths.begin() + 1, lengths.end() - 1);
    int32_t band = 0;
    if (!inner.empty()) {
      std::nth_element(inner.begin(), inner.begin() + static_cast<std::ptrdiff_t>(inner.size() / 2), inner.end());
      band = inner[inner.size() / 2];
    } else {
      band = lengths.front();
    }
    last[c] = run_start + std::min(lengths.back(), 2 * band) - 1;
    if (lengths.front() > 2 * band) first[c] = first[c] + lengths.front() - 2 * band;
  }
  int32_t best_from = -1, best_to = -2, from = -1, gap = 0;
  for (int32_t c = 0; c < b.Width(); ++c) {
    if (striped[static_cast<size_t>(c)]) {
      if (from < 0) from = c;
      gap = 0;
      if (c - from > best_to - best_from) {
        best_from = from;
        best_to = c;
      }
    } else if (from >= 0 && ++gap > 2) {
      from = -1;
    }
  }
  if (best_from < 0) return;
  Jacket_Sight narrowed;
  narrowed.found = true;
  narrowed.bounds = {b.left + best_from, height_, b.left + best_to, -1};
  int32_t area = 0, of_colour = 0;
  double sx = 0, sy = 0;
  for (int32_t c = best_from; c <= best_to; ++c) {
    const auto i = static_cast<size_t>(c);
    if (first[i] < 0 || last[i] < first[i]) continue;
    narrowed.bounds.top = std::min(narrowed.bounds.top, first[i]);
    narrowed.bounds.bottom = std::max(narrowed.bounds.bottom, last[i]);
    for (int32_t y = first[i]; y <= last[i]; ++y) {
      const Jacket j = Class_At(b.left + c, y);
      if (!In_Design(design, j)) continue;
      ++area;
      of_colour += j == design.colour ? 1 : 0;
      sx += b.left + c;
      sy += y;
    }
  }
  // Bands share the jacket; a number or a streak of the other colour is a small part of it.
  if (of_colour < Least_Band_Share * area || area - of_colour < Least_Band_Share * area) return;
  // A jacket is longer than it is high; a narrow run of turns is a leg or a number crossing bands.
  if (area == 0 || narrowed.bounds.Empty() || narrowed.bounds.Width() < Stripes_Length * narrowed.bounds.Height())
    return;
  narrowed.area = area;
  narrowed.left = narrowed.bounds.left - 0.5;
  narrowed.right = narrowed.bounds.right + 0.5;
  narrowed.centre_x = sx / area;
  narrowed.centre_y = sy / area;
  sight = narrowed;
}

Jacket_Sight Muzzle_Reader::Find_Jacket(const Jacket_Design& design, const Pixel_Box& hint, const Jacket_Sight* like) {
  Jacket_Sight best;
  if (width_ == 0 || design.colour == Jacket::None) return best;
  const Pixel_Box seeds_in = Clip(hint);
  if (seeds_in.Empty()) return best;
  const int32_t h = std::max(hint.Height(), Least_Jacket_Rows);
  const Pixel_Box area = Clip({hint.left - 3 * h, hint.top - h / 2, hint.right + 3 * h, hint.bottom + h / 2});
  const auto take = [&](int32_t x, int32_t y) { return In_Design(design, Class_At(x, y)); };
  // Each patch of the colours that reaches into the hint, one fill each; the largest is the one.
  std::vector<int32_t> largest;
  std::vector<bool> done(static_cast<size_t>(seeds_in.Width()) * static_cast<size_t>(seeds_in.Height()), false);
  for (int32_t y = seeds_in.top; y <= seeds_in.bottom; ++y)
    for (int32_t x = seeds_in.left; x <= seeds_in.right; ++x) {
      const size_t d = static_cast<size_t>(y - seeds_in.top) * static_cast<size_t>(seeds_in.Width()) +
                       static_cast<size_t>(x - seeds_in.left);
      if (done[d] || !take(x, y)) continue;
      std::vector<int32_t> patch = Fill({y * width_ + x}, area, take);
      for (int32_t i : patch) {
        const int32_t px = i % width_, py = i / width_;
        if (px >= seeds_in.left && px <= seeds_in.right && py >= seeds_in.top && py <= seeds_in.bottom)
          done[static_cast<size_t>(py - seeds_in.top) * static_cast<size_t>(seeds_in.Width()) +
               static_cast<size_t>(px - seeds_in.left)] = true;
      }
      Jacket_Sight sight = Describe(patch);
      if (design.Striped()) Narrow_To_Stripes(design, sight);
      if (like && !Alike(sight, *like)) continue;
      if (sight.area > best.area) {
        best = sight;
        largest = std::move(patch);
      }
    }
  if (largest.empty()) return best;
  // The patch's pixels marked as the last fill, for the checks to know them.
  ++fill_;
  if (fill_ == 0) {
    std::fill(visited_.begin(), visited_.end(), 0);
    fill_ = 1;
  }
  for (int32_t i : largest)
    visited_[static_cast<size_t>(i)] = fill_;
  sight_fill_ = fill_;
  Check_Jacket(design, best);
  return best;
}

void Muzzle_Reader::Check_Jacket(const Jacket_Design& design, Jacket_Sight& sight) {
  const Pixel_Box b = sight.bounds;
  const int32_t h = b.Height();
  if (h < Least_Jacket_Rows || sight.area < Least_Jacket_Area) {
    sight.doubt = Jacket_Doubt::Too_Small;
    return;
  }
  // A jacket is little longer than the torso is deep; a longer patch of a coat's colour is a coat
  // of that colour with the jacket on it, or the coat alone. (A dyed jacket is longer than high
  // when a nearer dog hides its lower part.)
  if (design.Coat_Like() && b.Width() > Longest_Jacket * h) {
    sight.doubt = Jacket_Doubt::Coat;
    return;
  }
  // Round it: nearly all one other colour, it lies inside that (a number, a coat's patch).
  int32_t ring = 0, most = 0;
  std::array<int32_t, 8> counts{};
  const Pixel_Box around = Clip({b.left - 2, b.top - 2, b.right + 2, b.bottom + 2});
  for (int32_t y = around.top; y <= around.bottom; ++y)
    for (int32_t x = around.left; x <= around.right; ++x) {
      const Jacket j = Class_At(x, y);
      if (In_Design(design, j)) continue;
      // Within two pixels of the patch, beside it or above or below.
      bool beside = false;
      for (int32_t dy = -2; dy <= 2 && !beside; ++dy)
        for (int32_t dx = -2; dx <= 2 && !beside; ++dx) {
          const int32_t xx = x + dx, yy = y + dy;
          beside =
              xx >= 0 && yy >= 0 && xx < width_ && yy < height_ &&
              visited_[static_cast<size_t>(yy) * static_cast<size_t>(width_) + static_cast<size_t>(xx)] == sight_fill_;
        }
      if (!beside) continue;
      ++ring;
      if (j != Jacket::None) most = std::max(most, ++counts[static_cast<size_t>(j)]);
    }
  if (ring > 0 && most > Inside_Share * ring) {
    sight.doubt = Jacket_Doubt::Inside_Another;
    return;
  }
  if (design.Striped()) {
    // The bands take turns across the whole jacket, not only where its number is.
    int32_t striped = 0;
    for (const double at : {0.25, 0.5, 0.75}) {
      const auto x = static_cast<int32_t>(std::lround(b.left + at * (b.Width() - 1)));
      int32_t turns = 0;
      Jacket last = Jacket::None;
      for (int32_t y = b.top; y <= b.bottom; ++y) {
        const Jacket j = Class_At(std::clamp(x, 0, width_ - 1), y);
        if (In_Design(design, j) && j != last) {
          ++turns;
          last = j;
        }
      }
      if (turns >= Stripe_Turns) ++striped;
    }
    if (striped < 2) {
      sight.doubt = Jacket_Doubt::No_Stripes;
      return;
    }
  }
  if (!design.Coat_Like() && !design.Striped()) return; // no coat has a jacket's colour
  // Along the torso's rows, the dog goes on ahead of the jacket and behind it, or not at all.
  const auto reach = static_cast<int32_t>(std::lround(Beyond_Reach * h));
  int32_t rows = 0, left_rows = 0, right_rows = 0;
  for (int32_t y = b.top + h / 5; y <= b.bottom - h / 5; ++y) {
    ++rows;
    const auto beyond = [&](int32_t from, int32_t step) {
      int32_t dog = 0;
      for (int32_t k = 1; k <= reach; ++k) {
        const int32_t x = from + step * k;
        if (x < 0 || x >= width_) break;
        if (!Ground_At(x, y) && !In_Design(design, Class_At(x, y))) ++dog;
      }
      return dog >= 2;
    };
    if (beyond(b.left, -1)) ++left_rows;
    if (beyond(b.right, 1)) ++right_rows;
  }
  const bool left = left_rows > Beyond_Rows * rows, right = right_rows > Beyond_Rows * rows;
  if (left != right) {
    sight.doubt = Jacket_Doubt::Coat;
    return;
  }
  if (!design.Coat_Like()) return;
  // The number: pixels of another lightness between the jacket's ends on its middle rows.
  int32_t number = 0;
  for (int32_t y = b.top + h / 6; y <= b.bottom - h / 6; ++y) {
    int32_t first = -1, last = -1;
    for (int32_t x = b.left; x <= b.right; ++x)
      if (In_Design(design, Class_At(x, y))) {
        if (first < 0) first = x;
        last = x;
      }
    for (int32_t x = first + 1; x < last; ++x) {
      const Jacket j = Class_At(x, y);
      if (In_Design(design, j) || Ground_At(x, y)) continue;
      // Another jacket's dye beside a coat of this colour is no number.
      if (Chromatic(j) && j != Jacket::Yellow) continue;
      const uint8_t* p = Pixel(x, y);
      const int32_t high = std::max({p[0], p[1], p[2]});
      if (design.colour == Jacket::Black ? high >= 90 : high < 150) ++number;
    }
  }
  if (number < std::max(Least_Number, static_cast<int32_t>(Number_Share * sight.area)))
    sight.doubt = Jacket_Doubt::No_Number;
}

Muzzle_Reading Muzzle_Reader::Read(const Jacket_Design& design, const Pixel_Box& hint, int32_t direction,
                                   const Jacket_Sight* like) {
  Muzzle_Reading reading;
  direction = direction < 0 ? -1 : 1;
  reading.jacket = Find_Jacket(design, hint, like);
  const Jacket_Sight& jacket = reading.jacket;
  if (!jacket.found || jacket.doubt == Jacket_Doubt::Too_Small || jacket.doubt == Jacket_Doubt::Coat ||
      jacket.doubt == Jacket_Doubt::Inside_Another)
    return reading;
  const int32_t h = jacket.Height();
  const double front = jacket.Front(direction);
  const auto at = [&](double jacket_heights) {
    return static_cast<int32_t>(std::lround(front + direction * jacket_heights * h));
  };
  const int32_t near = at(-Head_Start), far = at(Head_Reach);
  const Pixel_Box band_raw{std::min(near, far), static_cast<int32_t>(std::lround(jacket.bounds.top - Head_Above * h)),
                           std::max(near, far), static_cast<int32_t>(std::lround(jacket.bounds.top + Head_Below * h))};
  const Pixel_Box band = Clip(band_raw);
  if (band.Empty()) {
    reading.trouble = Muzzle_Trouble::Hidden;
    return reading;
  }
  // From the jacket's front, everything that is not ground.
  std::vector<int32_t> seeds;
  for (int32_t y = std::max(band.top, jacket.bounds.top); y <= std::min(band.bottom, jacket.bounds.bottom); ++y)
    for (int32_t x = band.left; x <= band.right; ++x)
      if ((x - front) * direction <= 0 && In_Design(design, Class_At(x, y)) && !Ground_At(x, y))
        seeds.push_back(y * width_ + x);
  const std::vector<int32_t> dog = Fill(seeds, band, [&](int32_t x, int32_t y) { return !Ground_At(x, y); });
  // Its foremost column, and what touches the band's edges beyond the chest.
  int32_t tip = direction > 0 ? -1 : width_;
  bool leaks = false;
  int32_t other_jacket = 0;
  const bool top_free = band.top == band_raw.top, bottom_free = band.bottom == band_raw.bottom;
  for (int32_t i : dog) {
    const int32_t x = i % width_, y = i / width_;
    if ((x - tip) * direction > 0) tip = x;
    const double ahead = (x - front) * direction / h;
    if ((ahead > Chest_Reach && y == band.top && top_free) || (ahead > Legs_Reach && y == band.bottom && bottom_free))
      leaks = true;
    const Jacket j = Class_At(x, y);
    if (ahead > 0 && Chromatic(j) && !In_Design(design, j) && !Neighbour_Hue(design, j)) {
      ++other_jacket;
    }
  }
  // A head that leaves the picture has no tip to read.
  if (tip <= 0 || tip >= width_ - 1 || (tip - front) * direction < 1) {
    reading.trouble = Muzzle_Trouble::Hidden;
    return reading;
  }
  double sum_y = 0;
  int32_t at_tip = 0, top = height_, bottom = -1;
  for (int32_t i : dog) {
    const int32_t x = i % width_, y = i / width_;
    if (x == tip) {
      sum_y += y;
      ++at_tip;
    }
    if ((tip - x) * direction <= Muzzle_Length * h) {
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  reading.tip_found = true;
  // The smoothing spreads a covered pixel's difference a pixel further.
  reading.tip_x = tip + direction * (0.5 - 1.0);
  reading.tip_y = sum_y / std::max(at_tip, 1);
  reading.distance = direction * (reading.tip_x - Line_X(reading.tip_y));
  reading.reach = (reading.tip_x - front) * direction / h;
  const bool out_of_reach = tip == (direction > 0 ? band_raw.right : band_raw.left);
  if (out_of_reach || leaks || reading.reach > Longest_Head ||
      other_jacket >= std::max(Least_Other_Jacket, static_cast<int32_t>(Other_Jacket_Share * jacket.area)) ||
      bottom - top + 1 > Muzzle_Height * h) {
    reading.trouble = Muzzle_Trouble::Merged;
  } else if (reading.reach < Shortest_Head)
    reading.trouble = Muzzle_Trouble::Hidden;
  else
    reading.trouble = Muzzle_Trouble::None;
  return reading;
}
