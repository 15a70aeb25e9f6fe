#include "timing/slit_render.h"

#include "timing/run_time.h"
#include "timing/time_text.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace {

// Label steps of the scale, in ms; the minor ticks divide each into five (two for 20s and 200s).
constexpr int32_t Steps[] = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 30000, 60000};
const QColor Band_Colour(235, 235, 235);
const QColor Cursor_Colour(0, 200, 255);
const QColor Unsure_Colour(190, 80, 0);

int32_t Floor_Div(int64_t a, int64_t b) { return static_cast<int32_t>(a >= 0 ? a / b : -((-a + b - 1) / b)); }

enum class Mark { Set, Proposal, Unsure };

void Draw_Mark(QPainter& painter, const QRect& band, double x, int16_t box, Mark mark) {
  const QColor colour = Box_Mark_Colour(box);
  const double top = band.top() + 1, bottom = band.bottom() - 1, half = (bottom - top) / 2 + 1;
  QPolygonF triangle;
  triangle << QPointF(x - half, top) << QPointF(x + half, top) << QPointF(x, bottom);
  painter.setPen(QPen(box == 4 || box == 6 ? QColor(255, 255, 255) : QColor(0, 0, 0), 1));
  painter.setBrush(mark == Mark::Set ? QBrush(colour) : Qt::NoBrush);
  if (mark == Mark::Proposal) painter.setPen(QPen(box == 3 ? QColor(0, 0, 0) : colour, 2, Qt::DashLine));
  if (mark == Mark::Unsure) {
    // A guess: hatched in the warning colour, whatever the box.
    painter.setPen(QPen(Unsure_Colour, 2, Qt::DotLine));
    painter.setBrush(QBrush(Unsure_Colour, Qt::BDiagPattern));
  }
  painter.drawPolygon(triangle);
  QFont font = painter.font();
  font.setPixelSize(std::max(8, band.height() - 6));
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(mark == Mark::Set && (box == 1 || box == 2 || box == 4) ? QColor(255, 255, 255) : QColor(0, 0, 0));
  if (mark == Mark::Unsure) painter.setPen(Unsure_Colour);
  const QString text = QString::number(box) + (mark == Mark::Unsure ? QStringLiteral("?") : QString());
  painter.drawText(QRectF(x - half - 4, top, 2 * half + 8, bottom - top - 2), Qt::AlignCenter, text);
}

} // namespace

int32_t Slit_Column_Of(const Slit_Image& slit, int32_t slider_value, bool field_mode) {
  if (slit.Is_Empty() || slider_value < 1) return -1;
  const int32_t column = field_mode || !slit.Interlaced() ? slider_value - 1 : 2 * (slider_value - 1);
  return column < slit.Columns() ? column : -1;
}

int32_t Slider_Value_Of(const Slit_Image& slit, int32_t column, bool field_mode) {
  if (column < 0 || column >= slit.Columns()) return 0;
  return field_mode || !slit.Interlaced() ? column + 1 : column / 2 + 1;
}

int32_t Column_Run_Time(const Slit_Image& slit, int32_t column, const Heat_Clock& clock) {
  const Slit_Column& c = slit.Column(column);
  return Picture_Run_Time(c.capture_mill, clock.start_mill, c.field, clock.compensation_ms, clock.field_interval_ms);
}

std::vector<Slit_Tick> Slit_Ticks(const Slit_Image& slit, const Heat_Clock& clock, int32_t first, int32_t last,
                                  double column_width, double label_spacing) {
  std::vector<Slit_Tick> ticks;
  first = std::max(first, 0);
  last = std::min(last, slit.Columns() - 1);
  // The run times of the stamped columns, in column order.
  std::vector<std::pair<int32_t, int32_t>> known;
  for (int32_t c = first; c <= last; ++c)
    if (slit.Column(c).stamped) known.emplace_back(c, Column_Run_Time(slit, c, clock));
  if (known.size() < 2 || column_width <= 0) return ticks;
  const double ms_per_column = static_cast<double>(known.back().second - known.front().second) /
                               static_cast<double>(known.back().first - known.front().first);
  if (!(ms_per_column > 0)) return ticks;
  int32_t step = Steps[std::size(Steps) - 1];
  for (int32_t s : Steps)
    if (s / ms_per_column * column_width >= label_spacing) {
      step = s;
      break;
    }
  const int32_t minor = (step == 20 || step == 200 || step == 2000) ? step / 2 : step / 5;
  for (size_t i = 0; i + 1 < known.size(); ++i) {
    const auto [c0, t0] = known[i];
    const auto [c1, t1] = known[i + 1];
    if (t1 <= t0) continue;
    // Ticks at multiples of the minor step from t0 (inclusive) to t1 (exclusive, the last pair inclusive).
    const bool last_pair = i + 2 == known.size();
    for (int64_t t = int64_t{Floor_Div(t0 + minor - 1, minor)} * minor; t < t1 || (last_pair && t == t1); t += minor) {
      Slit_Tick tick;
      tick.column = c0 + static_cast<double>(t - t0) / (t1 - t0) * (c1 - c0);
      tick.run_time_ms = static_cast<int32_t>(t);
      if (t % step == 0) tick.label = Display_Mill_Time(tick.run_time_ms, true);
      ticks.push_back(tick);
    }
  }
  return ticks;
}

QColor Box_Mark_Colour(int16_t box) {
  switch (box) {
  case 1: return {181, 0, 0};
  case 2: return {64, 116, 202};
  case 3: return {255, 255, 255};
  case 4: return {0, 0, 0};
  case 5: return {231, 177, 27};
  case 6: return {160, 160, 160};
  default: return {128, 128, 128};
  }
}

void Paint_Slit(QPainter& painter, const Slit_Image& slit, const Slit_View& view, const Slit_Marks& marks,
                const Heat_Clock& clock) {
  if (slit.Is_Empty() || view.last_column < view.first_column) return;
  const int32_t first = std::max(view.first_column, 0);
  const int32_t last = std::min(view.last_column, slit.Columns() - 1);
  painter.save();
  painter.fillRect(view.marks_band, Band_Colour);
  painter.fillRect(view.scale_band, Band_Colour);
  // The picture: nearest pixels, so each field stays a column of its own.
  const QRectF target(view.X_Of(first), view.picture.top(), (last - first + 1) * view.column_width,
                      view.picture.height());
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(target, slit.Picture(first, last));

  const auto centre = [&view](double column) { return view.X_Of(column) + view.column_width / 2; };
  painter.setRenderHint(QPainter::Antialiasing, true);
  // The scale.
  painter.setPen(QColor(0, 0, 0));
  QFont font = painter.font();
  font.setPixelSize(11);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const int32_t base = view.scale_band.top();
  for (const Slit_Tick& tick : Slit_Ticks(slit, clock, first, last, view.column_width)) {
    const double x = centre(tick.column);
    const bool major = !tick.label.isEmpty();
    painter.drawLine(QPointF(x, base), QPointF(x, base + (major ? 8 : 4)));
    if (major) {
      const int w = metrics.horizontalAdvance(tick.label);
      painter.drawText(QPointF(x - w / 2.0, base + 9 + metrics.ascent()), tick.label);
    }
  }
  // The cursor: the field the window shows.
  if (marks.cursor_column >= first && marks.cursor_column <= last) {
    painter.setPen(QPen(Cursor_Colour, 1));
    painter.setBrush(Qt::NoBrush);
    const double x = view.X_Of(marks.cursor_column);
    painter.drawRect(
        QRectF(x - 1, view.picture.top(), std::max(view.column_width, 1.0) + 1, view.picture.height() - 1));
  }
  // Proposals (hollow) under the stored fields (filled); marks of one field stand side by side.
  const double mark_width = view.marks_band.height();
  const auto place = [mark_width](std::vector<double>& taken, double x) {
    while (std::any_of(taken.begin(), taken.end(), [&](double t) { return std::abs(t - x) < mark_width * 0.9; }))
      x += mark_width;
    taken.push_back(x);
    return x;
  };
  std::vector<double> hollow, filled;
  if (marks.show_proposals)
    for (const Finish_Proposal& p : marks.proposals)
      if (p.found && p.column >= first && p.column <= last)
        Draw_Mark(painter, view.marks_band, place(hollow, centre(p.column)), p.box,
                  p.unsure ? Mark::Unsure : Mark::Proposal);
  for (int16_t box = 1; box <= 6; ++box) {
    const int32_t column = marks.set_column[static_cast<size_t>(box - 1)];
    if (column < first || column > last) continue;
    const double x = centre(column);
    Draw_Mark(painter, view.marks_band, place(filled, x), box, Mark::Set);
    painter.setPen(QPen(Box_Mark_Colour(box) == QColor(255, 255, 255) ? QColor(0, 0, 0) : Box_Mark_Colour(box), 2));
    painter.drawLine(QPointF(x, view.scale_band.top()), QPointF(x, view.scale_band.bottom()));
  }
  painter.restore();
}

int32_t Export_Column_Width(const Slit_Image& slit) {
  if (slit.Columns() <= 0) return 1;
  return std::clamp(800 / slit.Columns(), 1, 8);
}

QImage Render_Slit_Picture(const Slit_Image& slit, const Slit_Marks& marks, const Heat_Clock& clock,
                           int32_t column_width) {
  if (slit.Is_Empty()) return {};
  column_width = std::max(column_width, 1);
  const int32_t width = slit.Columns() * column_width;
  QImage out(width, Slit_Marks_Height + slit.Rows() + Slit_Scale_Height, QImage::Format_RGB888);
  out.fill(Band_Colour);
  Slit_View view;
  view.first_column = 0;
  view.last_column = slit.Columns() - 1;
  view.column_width = column_width;
  view.marks_band = QRect(0, 0, width, Slit_Marks_Height);
  view.picture = QRect(0, Slit_Marks_Height, width, slit.Rows());
  view.scale_band = QRect(0, Slit_Marks_Height + slit.Rows(), width, Slit_Scale_Height);
  QPainter painter(&out);
  Paint_Slit(painter, slit, view, marks, clock);
  return out;
}
