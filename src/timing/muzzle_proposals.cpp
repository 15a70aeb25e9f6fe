#include "timing/muzzle_proposals.h"

#include "timing/muzzle_tip.h"
#include "timing/run_time.h"
#include "timing/slit_crossings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>

namespace {

// Sights of a box's jacket tried, earliest first, before the box is given up.
constexpr size_t Sights_Tried = 4;
// Fields read back or on from the jacket's sight to find the two around the crossing.
constexpr int32_t Most_Steps = 10;
// A clean tip reading lies within about a pixel of the edge; a sure proposal's uncertainty spans
// this many of that spread, of both readings.
constexpr double Tip_Spread_Px = 1.0;
constexpr double Spread_Widths = 2.5;
constexpr double Least_Uncertainty_Ms = 0.5;
// The tip moves with its jacket: their speeds agree within this ratio, and its reach ahead of the
// jacket changes between the two fields by no more than this many jacket heights (the head bobs).
constexpr double Speed_Ratio = 1.45;
constexpr double Reach_Change = 0.35;
// Where a tip that cannot be read may be, ahead of its jacket's front, in jacket heights.
constexpr double Usual_Reach = 1.6;
constexpr double Least_Reach = 0.7;
constexpr double Most_Reach = 3.0;
// The fastest a jacket moves across the picture, px per ms; a speed when none was measured.
constexpr double Fastest_Px_Ms = 4.0;
constexpr double Assumed_Px_Ms = 2.0;
constexpr double Least_Motion_Px_Ms = 0.2;
// A dog reaches from this many of its jacket's heights ahead of the jacket to this many behind.
constexpr double Ahead_Heights = 2.2;
constexpr double Behind_Heights = 3.0;
// Two boxes' tips this close in one picture are one muzzle.
constexpr double Same_Tip_Px = 3.0;

const QString Hidden_Reason = QStringLiteral("the muzzle is hidden");
const QString Merged_Reason = QStringLiteral("two dogs merge at the line");
const QString Unseen_Reason = QStringLiteral("the jacket cannot be seen at the line");
const QString Coat_Reason = QStringLiteral("the jacket cannot be told from the coat");
const QString Unread_Reason = QStringLiteral("a picture around the crossing cannot be read");
const QString Outside_Reason = QStringLiteral("the crossing lies outside the pictures");
const QString Moving_Reason = QStringLiteral("the muzzle does not move with its jacket");
const QString Shared_Reason = QStringLiteral("two jackets lead to one muzzle");

struct Jacket_Track {
  int32_t column = 0; // the field in which the jacket was told
  Jacket_Sight sight;
  double speed = 0; // px per ms along the picture's rows, signed
  bool moving = false;
};

struct Box_Result {
  Finish_Proposal proposal;
  bool has_tip = false; // a sure proposal's tip in its column
  double tip_x = 0;
  double tip_y = 0;
  bool coat_like = false;
  // How far from its instant the crossing may lie should what was taken for the jacket not be it.
  double doubtful_ms = 0;
};

class Heat_Reader {
public:
  Heat_Reader(const Slit_Image& slit, Field_Picture_Reader& fields, const Field_Background& background,
              const Heat_Clock& clock, const Proposal_Options& options)
      : slit_(slit), fields_(fields), background_(background), clock_(clock), options_(options),
        reader_(options.rows, slit.Line()) {}

  std::optional<Jacket_Track> Tell_Jacket(int16_t box, const Slit_Crossing& sight);
  // `sights`: every sight of the box's jacket colours on the line, which an unsure proposal's
  // uncertainty spans.
  Box_Result Propose(int16_t box, const Jacket_Track& track, int32_t direction,
                     const std::vector<Slit_Crossing>& sights);

private:
  double Instant(int32_t column) const { return Column_Instant(slit_, column, clock_); }
  bool Load(int32_t column);
  Pixel_Box Hint_Of(const Slit_Crossing& c) const;
  const Muzzle_Reading* Read(int32_t column);
  bool Past(int32_t column);
  double Guessed_Distance(int32_t column) const;
  void Set_Field(Finish_Proposal& p, int32_t column) const;
  Box_Result Unsure(int32_t a, const QString& reason);
  double Doubtful_Ms(double ms) const;

  const Slit_Image& slit_;
  Field_Picture_Reader& fields_;
  const Field_Background& background_;
  Heat_Clock clock_;
  Proposal_Options options_;
  Muzzle_Reader reader_;
  int32_t loaded_ = -1;
  bool loaded_ok_ = false;
  // The box being proposed.
  Jacket_Design design_;
  Jacket_Track track_;
  int32_t direction_ = 1;
  std::map<int32_t, std::optional<Muzzle_Reading>> readings_;
  std::vector<int32_t> sight_columns_;
};

bool Heat_Reader::Load(int32_t column) {
  if (column == loaded_) return loaded_ok_;
  loaded_ = column;
  loaded_ok_ = false;
  if (column < 0 || column >= slit_.Columns() || !slit_.Column(column).valid) return false;
  const cDIBSection* picture = fields_.Picture(column);
  const cDIBSection* background = background_.For(column);
  if (!picture || !background) return false;
  reader_.Set_Picture(picture, background);
  loaded_ok_ = reader_.Width() > 0;
  return loaded_ok_;
}

Pixel_Box Heat_Reader::Hint_Of(const Slit_Crossing& c) const {
  Pixel_Box box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  const auto& samples = slit_.Samples();
  const int32_t side = c.view == 1 ? -Slit_Side_Px : (c.view == 2 ? Slit_Side_Px : 0);
  for (int32_t r = std::max(c.first_row, 0); r <= std::min(c.last_row, slit_.Rows() - 1); ++r) {
    const Slit_Sample& s = samples[static_cast<size_t>(r)];
    box.left = std::min(box.left, s.shown_x + side - 2);
    box.right = std::max(box.right, s.shown_x + side + 2);
    box.top = std::min(box.top, s.shown_y);
    box.bottom = std::max(box.bottom, s.shown_y);
  }
  return box;
}

std::optional<Jacket_Track> Heat_Reader::Tell_Jacket(int16_t box, const Slit_Crossing& sight) {
  const Jacket_Design design = Design_Of(options_.rows, box);
  if (!Load(sight.best_column)) return std::nullopt;
  Jacket_Track track;
  track.column = sight.best_column;
  track.sight = reader_.Find_Jacket(design, Hint_Of(sight));
  const Jacket_Doubt doubt = track.sight.doubt;
  if (!track.sight.found || (doubt != Jacket_Doubt::None && doubt != Jacket_Doubt::No_Number)) return std::nullopt;
  // Its move to the next field (or from the one before) is the dog's.
  for (const int32_t next : {track.column + 1, track.column - 1}) {
    if (!Load(next)) continue;
    const double dt = Instant(next) - Instant(track.column);
    const auto reach = static_cast<int32_t>(std::ceil(Fastest_Px_Ms * std::abs(dt))) + 4;
    const Pixel_Box b = track.sight.bounds;
    const Jacket_Sight later =
        reader_.Find_Jacket(design, {b.left - reach, b.top, b.right + reach, b.bottom}, &track.sight);
    if (!later.found || dt == 0) continue;
    std::vector<double> moves{later.left - track.sight.left, later.right - track.sight.right,
                              later.centre_x - track.sight.centre_x};
    std::sort(moves.begin(), moves.end());
    track.speed = moves[1] / dt;
    track.moving = std::abs(track.speed) >= Least_Motion_Px_Ms;
    // Faster than any dog: two different things of the colour, not one jacket moving.
    if (std::abs(track.speed) > Fastest_Px_Ms) {
      track.speed = 0;
      track.moving = false;
      continue;
    }
    break;
  }
  return track;
}

const Muzzle_Reading* Heat_Reader::Read(int32_t column) {
  auto it = readings_.find(column);
  if (it == readings_.end()) {
    std::optional<Muzzle_Reading> reading;
    if (Load(column)) {
      // Where the jacket should be by now, with room for the speed's error.
      const double shift = track_.speed * (Instant(column) - Instant(track_.column));
      const Pixel_Box b = track_.sight.bounds;
      const auto margin = static_cast<int32_t>(6 + 0.25 * b.Height() + 0.1 * std::abs(shift));
      const auto s = static_cast<int32_t>(std::lround(shift));
      reading = reader_.Read(design_, {b.left + s - margin, b.top, b.right + s + margin, b.bottom}, direction_,
                             &track_.sight);
    }
    it = readings_.emplace(column, reading).first;
  }
  return it->second ? &*it->second : nullptr;
}

double Heat_Reader::Guessed_Distance(int32_t column) const {
  // The jacket where its speed puts it, the tip a usual head's reach ahead of it.
  const Jacket_Sight& j = track_.sight;
  const double speed = track_.moving ? std::abs(track_.speed) : Assumed_Px_Ms;
  const double front = j.Front(direction_) + direction_ * speed * (Instant(column) - Instant(track_.column));
  const double tip = front + direction_ * Usual_Reach * j.Height();
  return direction_ * (tip - reader_.Line_X(j.bounds.top));
}

bool Heat_Reader::Past(int32_t column) {
  const Muzzle_Reading* r = Read(column);
  if (r && r->tip_found && r->trouble == Muzzle_Trouble::None) return r->distance >= 0;
  return Guessed_Distance(column) >= 0;
}

void Heat_Reader::Set_Field(Finish_Proposal& p, int32_t column) const {
  const Slit_Column& info = slit_.Column(column);
  p.found = true;
  p.column = column;
  p.frame = info.frame;
  p.field_in_frame = info.field;
  p.field_number = slit_.Field_Number(column);
  p.time_ms = Picture_Run_Time(info.capture_mill, clock_.start_mill, info.field, clock_.compensation_ms,
                               clock_.field_interval_ms);
}

// A best guess from what was seen of the jacket, spanning every reach a head may have.
Box_Result Heat_Reader::Unsure(int32_t a, const QString& reason) {
  Box_Result result;
  Finish_Proposal& p = result.proposal;
  const double speed = track_.moving ? std::abs(track_.speed) : Assumed_Px_Ms;
  const int32_t h = track_.sight.Height();
  // From the field nearest the crossing that shows the jacket (else where its speed puts it).
  int32_t from = std::clamp(a, 0, slit_.Columns() - 1);
  double distance = Guessed_Distance(from);
  for (const int32_t k : {a, a - 1, a + 1, a - 2}) {
    const auto it = readings_.find(k);
    if (it == readings_.end() || !it->second || !it->second->jacket.found) continue;
    const Jacket_Sight& j = it->second->jacket;
    distance =
        direction_ * (j.Front(direction_) + direction_ * Usual_Reach * j.Height() - reader_.Line_X(j.bounds.top));
    from = k;
    break;
  }
  const double ms = Column_Crossing_Ms(slit_, from, clock_) - distance / speed;
  // The first field at or past the guess is the picture to look at.
  int32_t column = from;
  const auto at = [&](int32_t c) { return Column_Crossing_Ms(slit_, c, clock_); };
  while (column > 0 && slit_.Column(column - 1).stamped && at(column - 1) >= ms)
    --column;
  while (column + 1 < slit_.Columns() && slit_.Column(column + 1).stamped && at(column) < ms)
    ++column;
  Set_Field(p, column);
  p.unsure = true;
  p.reason = reason;
  p.interpolated = true;
  p.interpolated_ms = std::round(ms * 10) / 10;
  const double spread = (Most_Reach - Least_Reach) / 2 * h / speed + clock_.picture_interval_ms / 2;
  p.uncertainty_ms = std::round(std::max(spread, Doubtful_Ms(ms)) * 10) / 10;
  result.coat_like = design_.Coat_Like();
  return result;
}

double Heat_Reader::Doubtful_Ms(double ms) const {
  // What was taken for the jacket may be a coat or another dog's: the crossing may lie at any sight
  // of the box's colours on the line, a head's reach before it, or a picture after it.
  const double speed = track_.moving ? std::abs(track_.speed) : Assumed_Px_Ms;
  const double reach_ms = Most_Reach * track_.sight.Height() / speed;
  const double interval = std::max(clock_.picture_interval_ms, 1.0);
  double widest = 0;
  for (const int32_t c : sight_columns_) {
    const double seen = Column_Crossing_Ms(slit_, c, clock_);
    widest = std::max({widest, seen + interval - ms, ms - (seen - reach_ms - interval)});
  }
  return widest;
}

QString Reason_Of(const Muzzle_Reading* r) {
  if (!r) return Unread_Reason;
  if (!r->jacket.found) return Unseen_Reason;
  if (r->trouble == Muzzle_Trouble::Merged) return Merged_Reason;
  return Hidden_Reason;
}

Box_Result Heat_Reader::Propose(int16_t box, const Jacket_Track& track, int32_t direction,
                                const std::vector<Slit_Crossing>& sights) {
  design_ = Design_Of(options_.rows, box);
  sight_columns_.clear();
  for (const Slit_Crossing& c : sights)
    sight_columns_.push_back(c.column);
  track_ = track;
  direction_ = direction;
  readings_.clear();
  // Back (or on) from the jacket's field to the first field at or past the line.
  int32_t a = track.column;
  if (Past(a)) {
    for (int32_t step = 0; step < Most_Steps && a > 0 && Past(a - 1); ++step)
      --a;
  } else {
    bool past = false;
    for (int32_t step = 0; step < Most_Steps && a + 1 < slit_.Columns() && !past; ++step)
      past = Past(++a);
    if (!past) return Unsure(a, Outside_Reason);
  }
  if (a == 0 || !Past(a) || Past(a - 1)) return Unsure(a, Outside_Reason);
  const auto clean = [](const Muzzle_Reading* r) {
    return r && r->tip_found && r->trouble == Muzzle_Trouble::None &&
           (r->jacket.doubt == Jacket_Doubt::None || r->jacket.doubt == Jacket_Doubt::No_Number);
  };
  // A picture in which only the jacket could not be told (the coding spoilt its colours in one
  // field) is stepped over to the next picture beyond it that reads cleanly on the same side of
  // the line; a hidden or merged muzzle is not.
  const auto jacket_only = [](const Muzzle_Reading* r) { return r && r->trouble == Muzzle_Trouble::No_Jacket; };
  int32_t lo = a - 1, hi = a;
  if (!clean(Read(hi)) && jacket_only(Read(hi)) && clean(Read(hi + 1)) && Read(hi + 1)->distance >= 0) ++hi;
  if (!clean(Read(lo)) && jacket_only(Read(lo)) && lo > 0 && clean(Read(lo - 1)) && Read(lo - 1)->distance < 0) --lo;
  if (hi - lo > 2) return Unsure(a, Reason_Of(Read(a)));
  const Muzzle_Reading* after = Read(hi);
  const Muzzle_Reading* before = Read(lo);
  if (!clean(after)) return Unsure(a, Reason_Of(after));
  if (!clean(before)) return Unsure(a, Reason_Of(before));
  const double dt = Instant(hi) - Instant(lo);
  const double tip_speed = (after->distance - before->distance) / dt;
  const auto agrees = [tip_speed](double speed) {
    speed = std::abs(speed);
    return tip_speed <= Speed_Ratio * speed && tip_speed * Speed_Ratio >= speed;
  };
  // The jacket's own move between the two pictures (the coding may trim one field's jacket, so
  // the middle of its edges' and centre's moves), or the move it was first seen making.
  std::vector<double> moves{after->jacket.left - before->jacket.left, after->jacket.right - before->jacket.right,
                            after->jacket.centre_x - before->jacket.centre_x};
  std::sort(moves.begin(), moves.end());
  const bool with_jacket = agrees(moves[1] / dt) || (track.moving && agrees(track.speed)) || !track.moving;
  // The head's reach in pixels: a far jacket's height changes from field to field by a few rows.
  const double before_h = before->jacket.Height(), after_h = after->jacket.Height();
  const bool steady_head =
      std::abs(after->reach * after_h - before->reach * before_h) <= Reach_Change * std::max(before_h, after_h);
  if (!(tip_speed > 0) || !steady_head || !with_jacket) return Unsure(a, Moving_Reason);
  Box_Result result;
  Finish_Proposal& p = result.proposal;
  const double since_before = -before->distance / tip_speed;
  const double crossing_ms = Column_Crossing_Ms(slit_, lo, clock_) + since_before;
  // The first picture at or past the crossing.
  Set_Field(p, hi - lo == 2 && crossing_ms <= Column_Crossing_Ms(slit_, lo + 1, clock_) ? lo + 1 : hi);
  p.interpolated = true;
  p.interpolated_ms = std::round(crossing_ms * 10) / 10;
  // A third field on either side shows how far the readings stray from a steady tip.
  double spread = Tip_Spread_Px;
  for (const int32_t k : {hi + 1, lo - 1}) {
    const Muzzle_Reading* r = Read(k);
    if (!clean(r)) continue;
    const double expected = before->distance + tip_speed * (Instant(k) - Instant(lo));
    spread = std::max(spread, std::abs(r->distance - expected));
  }
  // Over a picture stepped across, the head's bob between the readings is not seen.
  if (hi - lo == 2) spread += Tip_Spread_Px;
  p.uncertainty_ms =
      std::max(Least_Uncertainty_Ms, std::round(Spread_Widths * spread * std::sqrt(2.0) / tip_speed * 10) / 10);
  if (after->jacket.doubt == Jacket_Doubt::No_Number && before->jacket.doubt == Jacket_Doubt::No_Number) {
    p.unsure = true;
    p.reason = Coat_Reason;
    p.uncertainty_ms = std::max(p.uncertainty_ms, std::round(Doubtful_Ms(p.interpolated_ms) * 10) / 10);
  }
  result.doubtful_ms = std::round(Doubtful_Ms(p.interpolated_ms) * 10) / 10;
  result.has_tip = true;
  result.tip_x = after->tip_x;
  result.tip_y = after->tip_y;
  result.coat_like = design_.Coat_Like();
  return result;
}

} // namespace

Finish_Proposals Propose_Muzzle_Finishes(const Slit_Image& slit, Field_Picture_Reader& fields,
                                         const Field_Background& background, const Heat_Clock& clock,
                                         const Proposal_Options& options, const std::atomic<bool>* cancel) {
  Finish_Proposals proposals;
  for (int16_t b = 1; b <= 6; ++b)
    proposals[static_cast<size_t>(b - 1)].box = b;
  const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
  Heat_Reader heat(slit, fields, background, clock, options);
  const Slit_Candidates candidates = Find_Slit_Candidates(slit, options.rows);
  std::array<std::optional<Jacket_Track>, 6> tracks;
  const auto at = [&](int32_t column) { return Column_Crossing_Ms(slit, column, clock); };
  // A sight on a dog whose own jacket another box has: that dog's coat, not this box's jacket.
  const auto on_claimed_dog = [&](size_t box, const Slit_Crossing& c) {
    for (size_t o = 0; o < tracks.size(); ++o) {
      // Only a jacket beyond doubt names its dog.
      if (o == box || !tracks[o] || tracks[o]->sight.doubt != Jacket_Doubt::None) continue;
      const Jacket_Track& t = *tracks[o];
      const double h = t.sight.Height();
      const double ms_per_height = h / (t.moving ? std::abs(t.speed) : Assumed_Px_Ms);
      const double since = at(c.column) - at(t.column);
      if (since >= -Ahead_Heights * ms_per_height && since <= Behind_Heights * ms_per_height &&
          (c.first_row + c.last_row) / 2.0 <= t.sight.bounds.bottom + h / 2 &&
          (c.first_row + c.last_row) / 2.0 >= t.sight.bounds.top - h / 2)
        return true;
    }
    return false;
  };
  int32_t votes = 0;
  // Dyed jackets first: no coat has their colours, so the dogs they name are known before a white
  // or black jacket is looked for among the coats.
  for (const bool coat_like : {false, true})
    for (size_t b = 0; b < tracks.size() && !cancelled(); ++b) {
      if (Design_Of(options.rows, static_cast<int16_t>(b + 1)).Coat_Like() != coat_like) continue;
      // The first sight that is the jacket beyond doubt; else the first that may be.
      size_t tried = 0;
      for (size_t k = 0; k < candidates[b].size() && tried < Sights_Tried; ++k) {
        if (coat_like && on_claimed_dog(b, candidates[b][k])) continue;
        ++tried;
        std::optional<Jacket_Track> t = heat.Tell_Jacket(static_cast<int16_t>(b + 1), candidates[b][k]);
        if (!t) continue;
        const bool clear = t->sight.doubt == Jacket_Doubt::None;
        if (!tracks[b] || clear) tracks[b] = t;
        if (clear) break;
      }
      if (tracks[b] && tracks[b]->moving) votes += tracks[b]->speed > 0 ? 1 : -1;
    }
  const int32_t direction = options.direction != 0 ? (options.direction > 0 ? 1 : -1) : (votes < 0 ? -1 : 1);
  std::array<Box_Result, 6> results;
  for (size_t b = 0; b < tracks.size() && !cancelled(); ++b)
    if (tracks[b]) {
      results[b] = heat.Propose(static_cast<int16_t>(b + 1), *tracks[b], direction, candidates[b]);
    }
  // One muzzle belongs to one dog: of two jackets that lead to it, a coloured one over a white or
  // black one (which may be a coat); two alike are both unsure.
  for (size_t i = 0; i < results.size(); ++i)
    for (size_t j = i + 1; j < results.size(); ++j) {
      Box_Result& x = results[i];
      Box_Result& y = results[j];
      if (!x.has_tip || !y.has_tip || x.proposal.column != y.proposal.column ||
          std::hypot(x.tip_x - y.tip_x, x.tip_y - y.tip_y) > Same_Tip_Px)
        continue;
      for (Box_Result* r : {&x, &y})
        if (x.coat_like == y.coat_like || r->coat_like) {
          r->proposal.unsure = true;
          r->proposal.reason = Shared_Reason;
          r->proposal.uncertainty_ms = std::max(r->proposal.uncertainty_ms, r->doubtful_ms);
        }
    }
  for (size_t b = 0; b < results.size(); ++b)
    if (results[b].proposal.found) {
      proposals[b] = results[b].proposal;
      proposals[b].box = static_cast<int16_t>(b + 1);
    }
  return proposals;
}
