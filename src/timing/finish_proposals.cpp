#include "timing/finish_proposals.h"

#include "timing/field_background.h"
#include "timing/muzzle_proposals.h"
#include "timing/nose_edge.h"
#include "timing/run_time.h"
#include "timing/slit_crossings.h"
#include "timing/time_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

namespace {

// Fields read before and after the slit image's first sight of a runner, and how often the
// window moves on when the crossing lies outside it.
constexpr int32_t Window_Before = 5;
constexpr int32_t Window_After = 4;
constexpr int32_t Window_Moves = 3;
// Spread of an edge reading in pixels when too few readings measure it.
constexpr double Default_Edge_Noise = 0.3;

// A straight line D = slope * t + intercept through the clear readings.
struct Fit {
  double slope = 0;
  double intercept = 0;
  double noise = Default_Edge_Noise;
  double At(double t) const { return slope * t + intercept; }
};

struct Column_Reading {
  int32_t column = 0;
  double t = 0; // ms from the first instant of the window
  Nose_Reading nose;
  bool outlier = false;   // clear, but far off the line through the others
  bool near_line = false; // the edge lies by the painted line, where the coding blurs it most
  bool Trusted() const { return nose.clear && !outlier; }
};

// Readings this far off the line through the others are not believed.
constexpr double Outlier_Px = 1.0;
// Edges closer than this to the line are read from the line through the farther ones when
// there are enough of those.
constexpr double Near_Line_Px = 3.0;

double Median(std::vector<double> values) {
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
  return values[middle];
}

// Least squares through the readings `use` accepts.
template <class Use> std::optional<Fit> Least_Squares(const std::vector<Column_Reading>& readings, Use use) {
  double n = 0, st = 0, sd = 0, stt = 0, std_ = 0;
  for (const Column_Reading& r : readings) {
    if (!use(r)) continue;
    n += 1;
    st += r.t;
    sd += r.nose.distance;
    stt += r.t * r.t;
    std_ += r.t * r.nose.distance;
  }
  const double spread = n * stt - st * st;
  if (n < 2 || spread <= 1e-9) return std::nullopt;
  Fit fit;
  fit.slope = (n * std_ - st * sd) / spread;
  fit.intercept = (sd - fit.slope * st) / n;
  if (n >= 3) {
    double squares = 0;
    for (const Column_Reading& r : readings)
      if (use(r)) squares += std::pow(r.nose.distance - fit.At(r.t), 2);
    fit.noise = std::max(0.1, std::sqrt(squares / (n - 2)));
  }
  return fit;
}

// The line through the clear readings. A reading the coding spoilt (two fields of a fast runner
// bleed into each other) must not pull it: the line is first found from the median of the
// slopes between pairs, readings more than a pixel off that are dropped, and the rest fitted.
// When enough readings lie away from the painted line, those by it are left out as well.
std::optional<Fit> Fit_Line(std::vector<Column_Reading>& readings) {
  std::vector<const Column_Reading*> clear;
  for (Column_Reading& r : readings) {
    r.outlier = false;
    r.near_line = false;
    if (r.nose.clear) clear.push_back(&r);
  }
  if (clear.size() >= 3) {
    std::vector<double> slopes;
    for (size_t i = 0; i < clear.size(); ++i)
      for (size_t j = i + 1; j < clear.size(); ++j)
        if (clear[j]->t != clear[i]->t)
          slopes.push_back((clear[j]->nose.distance - clear[i]->nose.distance) / (clear[j]->t - clear[i]->t));
    const double slope = Median(slopes);
    std::vector<double> intercepts;
    intercepts.reserve(clear.size());
    for (const Column_Reading* r : clear)
      intercepts.push_back(r->nose.distance - slope * r->t);
    const double intercept = Median(intercepts);
    for (Column_Reading& r : readings)
      if (r.nose.clear && std::abs(r.nose.distance - (slope * r.t + intercept)) > Outlier_Px) r.outlier = true;
  }
  std::optional<Fit> fit = Least_Squares(readings, [](const Column_Reading& r) { return r.Trusted(); });
  if (!fit) return fit;
  int32_t far = 0;
  for (Column_Reading& r : readings) {
    r.near_line = std::abs(fit->At(r.t)) < Near_Line_Px;
    if (r.Trusted() && !r.near_line) ++far;
  }
  if (far < 3) {
    for (Column_Reading& r : readings)
      r.near_line = false;
    return fit;
  }
  return Least_Squares(readings, [](const Column_Reading& r) { return r.Trusted() && !r.near_line; });
}

// Where the edge stands in a column, from its own reading or, when that is not clear or not
// seen, from the line through the others (kept inside what the reading allows).
std::optional<double> Distance_At(const Column_Reading& r, const std::optional<Fit>& fit) {
  if (r.near_line && fit) return fit->At(r.t);
  if (r.Trusted() || (r.nose.clear && !fit)) return r.nose.distance;
  if (r.nose.seen) return fit ? std::clamp(fit->At(r.t), r.nose.low, r.nose.high) : r.nose.distance;
  if (fit && fit->slope > 0) return fit->At(r.t);
  return std::nullopt;
}

class Box_Proposer {
public:
  Box_Proposer(const Slit_Image& slit, Field_Picture_Reader& fields, const Field_Background& background,
               const Heat_Clock& clock)
      : slit_(slit), fields_(fields), background_(background), clock_(clock) {}

  Finish_Proposal Propose(int16_t box, const Slit_Crossing& crossing) {
    Finish_Proposal p;
    p.box = box;
    Runner_Rows rows;
    int32_t last_y = -1;
    for (int32_t r = crossing.first_row; r <= crossing.last_row; ++r) {
      const Slit_Sample& s = slit_.Samples().at(static_cast<size_t>(r));
      if (s.shown_y == last_y) continue;
      last_y = s.shown_y;
      rows.Add(s.shown_y, s.shown_x, slit_.Pixel(crossing.best_column, r, crossing.view));
    }
    const int32_t last = slit_.Columns() - 1;
    const int32_t span = Window_Before + Window_After;
    int32_t from = std::max(0, crossing.column - Window_Before);
    int32_t to = std::min(last, crossing.column + Window_After);
    for (int32_t move = 0; move <= Window_Moves; ++move) {
      Read_Window(rows, from, to);
      if (readings_.empty()) break;
      const std::optional<Fit> fit = Fit_Line(readings_);
      const int32_t at = First_Past(fit);
      if (at < 0) {
        // Not yet at the line anywhere in the window: look later.
        if (to == last) break;
        from = to - 1;
        to = std::min(last, to + span);
        continue;
      }
      if (at == readings_.front().column && from > 0) {
        // Past the line already in the window's first field: the crossing lies before it.
        to = from + 1;
        from = std::max(0, from - span);
        continue;
      }
      return Finish(p, at, fit);
    }
    // The fields do not show it: the slit image's first sight is all there is.
    return Coarse(p, crossing.column);
  }

private:
  void Read_Window(const Runner_Rows& rows, int32_t from, int32_t to) {
    readings_.clear();
    for (int32_t c = from; c <= to; ++c) {
      if (!slit_.Column(c).stamped) continue;
      Column_Reading r;
      r.column = c;
      r.t = readings_.empty() ? 0.0 : Instant(c) - Instant(readings_.front().column);
      readings_.push_back(r);
    }
    // Which way the runners go: their pixels move that way from field to field.
    std::vector<std::pair<double, double>> centres;
    for (Column_Reading& r : readings_) {
      const cDIBSection* picture = fields_.Picture(r.column);
      const cDIBSection* background = background_.For(r.column);
      if (!picture || !background) continue;
      r.nose = Read_Nose(*picture, *background, rows, direction_);
      if (r.nose.seen) centres.emplace_back(r.t, r.nose.centre);
    }
    if (centres.size() >= 2) {
      double drift = 0;
      for (size_t i = 1; i < centres.size(); ++i)
        drift += centres[i].second - centres[i - 1].second;
      const int32_t direction = drift < 0 ? -1 : 1;
      if (direction != direction_) {
        direction_ = direction;
        for (Column_Reading& r : readings_) {
          const cDIBSection* picture = fields_.Picture(r.column);
          const cDIBSection* background = background_.For(r.column);
          if (picture && background) r.nose = Read_Nose(*picture, *background, rows, direction_);
        }
      }
    }
  }

  double Instant(int32_t column) const { return Column_Instant(slit_, column, clock_); }

  // The first column of the window at or past the line, -1 when none is.
  int32_t First_Past(const std::optional<Fit>& fit) const {
    for (size_t i = 0; i < readings_.size(); ++i) {
      const std::optional<double> d = Distance_At(readings_[i], fit);
      if (d && *d > 0) return readings_[i].column;
    }
    return -1;
  }

  const Column_Reading* Reading_Of(int32_t column) const {
    for (const Column_Reading& r : readings_)
      if (r.column == column) return &r;
    return nullptr;
  }

  void Set_Field(Finish_Proposal& p, int32_t column) const {
    const Slit_Column& info = slit_.Column(column);
    p.found = true;
    p.column = column;
    p.frame = info.frame;
    p.field_in_frame = info.field;
    p.field_number = slit_.Field_Number(column);
    p.time_ms = Picture_Run_Time(info.capture_mill, clock_.start_mill, info.field, clock_.compensation_ms,
                                 clock_.field_interval_ms);
  }

  Finish_Proposal Finish(Finish_Proposal& p, int32_t column, const std::optional<Fit>& fit) const {
    Set_Field(p, column);
    const Column_Reading* after = Reading_Of(column);
    const Column_Reading* before = Reading_Of(column - 1);
    const std::optional<double> after_d = after ? Distance_At(*after, fit) : std::nullopt;
    const std::optional<double> before_d = before ? Distance_At(*before, fit) : std::nullopt;
    const bool both = after_d.has_value() && before_d.has_value();
    const double d_after = after_d.value_or(0), d_before = before_d.value_or(0);
    const double base_ms = Column_Crossing_Ms(slit_, readings_.front().column, clock_);
    double crossing_t = 0, speed = 0;
    bool extrapolated = false;
    if (both && d_after > d_before && after->t > before->t) {
      speed = (d_after - d_before) / (after->t - before->t);
      crossing_t = before->t - d_before / speed;
      extrapolated = !after->Trusted() || !before->Trusted() || after->near_line || before->near_line;
    } else if (fit && fit->slope > 0) {
      speed = fit->slope;
      crossing_t = -fit->intercept / fit->slope;
      extrapolated = true;
    } else {
      return Coarse(p, column);
    }
    const double noise = fit ? fit->noise : Default_Edge_Noise;
    // Each edge is read to within half a pixel and its noise; an edge taken from the line through
    // the other fields carries that line's error as well.
    double uncertainty = (0.5 + 2 * noise) / speed;
    if (extrapolated) uncertainty *= 1.5;
    p.interpolated = true;
    p.interpolated_ms = std::round((base_ms + crossing_t) * 10) / 10;
    p.uncertainty_ms = std::max(0.1, std::round(uncertainty * 10) / 10);
    return p;
  }

  // The field the slit image shows first, and the middle of the interval before it.
  Finish_Proposal Coarse(Finish_Proposal& p, int32_t column) const {
    Set_Field(p, column);
    const double after = Instant(column);
    const double before =
        column > 0 && slit_.Column(column - 1).stamped ? Instant(column - 1) : after - clock_.picture_interval_ms;
    p.interpolated = false;
    const double before_ms = Column_Crossing_Ms(slit_, column, clock_) - (after - before);
    p.interpolated_ms = std::round(before_ms * 10 + (after - before) * 5) / 10;
    p.uncertainty_ms = (after - before) / 2;
    return p;
  }

  const Slit_Image& slit_;
  Field_Picture_Reader& fields_;
  const Field_Background& background_;
  Heat_Clock clock_;
  int32_t direction_ = 1;
  std::vector<Column_Reading> readings_;
};

} // namespace

double Crossing_Ms(int64_t instant, const Heat_Clock& clock) {
  // The capture clock wraps at 32 bits; a heat is far shorter than half its range.
  const auto since = static_cast<int32_t>(static_cast<uint32_t>(instant) - static_cast<uint32_t>(clock.start_mill));
  return static_cast<double>(since) - clock.compensation_ms;
}

double Column_Instant(const Slit_Image& slit, int32_t column, const Heat_Clock& clock) {
  const Slit_Column& c = slit.Column(column);
  return static_cast<double>(c.capture_mill) + (c.field == 2 ? clock.field_interval_ms : 0.0);
}

double Column_Crossing_Ms(const Slit_Image& slit, int32_t column, const Heat_Clock& clock) {
  const Slit_Column& c = slit.Column(column);
  return Crossing_Ms(c.capture_mill, clock) + (c.field == 2 ? clock.field_interval_ms : 0.0);
}

Finish_Proposals Propose_Finishes(const Slit_Image& slit, Field_Picture_Reader& fields, const Heat_Clock& clock,
                                  const Proposal_Options& options, const std::atomic<bool>* cancel) {
  Finish_Proposals proposals;
  for (int16_t b = 1; b <= 6; ++b)
    proposals[static_cast<size_t>(b - 1)].box = b;
  if (slit.Is_Empty()) return proposals;
  if (options.rows != Jacket_Rows::Synthetic) {
    // Real dogs: the jacket tells the box, the muzzle ahead of it the crossing.
    Field_Background background;
    background.Build(fields);
    proposals = Propose_Muzzle_Finishes(slit, fields, background, clock, options, cancel);
    Join_Dead_Heats(proposals);
    return proposals;
  }
  const Slit_Crossings crossings = Find_Slit_Crossings(slit);
  Field_Background background;
  bool background_built = false;
  for (int16_t b = 1; b <= 6; ++b) {
    if (cancel && cancel->load(std::memory_order_relaxed)) break;
    const auto& crossing = crossings[static_cast<size_t>(b - 1)];
    if (!crossing) continue;
    if (!background_built) {
      background.Build(fields);
      background_built = true;
    }
    Box_Proposer proposer(slit, fields, background, clock);
    proposals[static_cast<size_t>(b - 1)] = proposer.Propose(b, *crossing);
  }
  Join_Dead_Heats(proposals);
  return proposals;
}

void Join_Dead_Heats(Finish_Proposals& proposals) {
  std::vector<Finish_Proposal*> found;
  for (Finish_Proposal& p : proposals) {
    p.dead_heat = false;
    if (p.found && !p.unsure) found.push_back(&p);
  }
  std::stable_sort(found.begin(), found.end(), [](const Finish_Proposal* a, const Finish_Proposal* b) {
    return a->interpolated_ms < b->interpolated_ms;
  });
  for (size_t i = 0; i < found.size();) {
    size_t j = i;
    while (j + 1 < found.size() && found[j + 1]->interpolated_ms - found[j]->interpolated_ms <=
                                       found[j + 1]->uncertainty_ms + found[j]->uncertainty_ms)
      ++j;
    if (j > i) {
      double sum = 0;
      for (size_t k = i; k <= j; ++k)
        sum += found[k]->interpolated_ms;
      const double mean = std::round(sum / static_cast<double>(j - i + 1) * 10) / 10;
      // As the ranking orders equal times stored together: by box.
      int16_t first_box = 7;
      for (size_t k = i; k <= j; ++k)
        first_box = std::min(first_box, found[k]->box);
      for (size_t k = i; k <= j; ++k) {
        found[k]->interpolated_ms = mean;
        found[k]->dead_heat = found[k]->box != first_box;
      }
    }
    i = j + 1;
  }
}

QString Proposal_Text(const Finish_Proposal& proposal) {
  if (!proposal.found) return QStringLiteral("not found");
  return Display_Mill_Time(proposal.time_ms, true) + QStringLiteral(" (") +
         QString::number(proposal.interpolated_ms / 1000.0, 'f', 4) + QStringLiteral(" \u00b1") +
         QString::number(proposal.uncertainty_ms, 'f', 1) + QStringLiteral(" ms)") +
         (proposal.unsure ? QStringLiteral(", unsure: ") + proposal.reason : QString());
}
