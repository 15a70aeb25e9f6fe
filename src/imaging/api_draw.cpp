#include "imaging/api_draw.h"

#include "imaging/surface_painter.h"

#include <algorithm>
#include <cmath>

namespace {

QColor colour_of(uint32_t c) {
  return {static_cast<int>(c & 0xFFU), static_cast<int>((c >> 8U) & 0xFFU), static_cast<int>((c >> 16U) & 0xFFU)};
}

Qt::BrushStyle hatch_pattern(Brush_Hatch hatch) {
  switch (hatch) {
  case Brush_Hatch::Horizontal: return Qt::HorPattern;
  case Brush_Hatch::Vertical: return Qt::VerPattern;
  case Brush_Hatch::Forward_Diagonal: return Qt::FDiagPattern;
  case Brush_Hatch::Backward_Diagonal: return Qt::BDiagPattern;
  case Brush_Hatch::Cross: return Qt::CrossPattern;
  case Brush_Hatch::Diagonal_Cross: return Qt::DiagCrossPattern;
  }
  return Qt::HorPattern;
}

Qt::PenStyle pen_pattern(Pen_Style style) {
  switch (style) {
  case Pen_Style::Solid:
  case Pen_Style::Inside_Frame: return Qt::SolidLine;
  case Pen_Style::Dash: return Qt::DashLine;
  case Pen_Style::Dot: return Qt::DotLine;
  case Pen_Style::Dash_Dot: return Qt::DashDotLine;
  case Pen_Style::Dash_Dot_Dot: return Qt::DashDotDotLine;
  case Pen_Style::Null: return Qt::NoPen;
  }
  return Qt::SolidLine;
}

// Far beyond any picture; keeps the arithmetic below from overflowing.
constexpr int far_away = 1 << 24;
int near(int v) { return std::clamp(v, -far_away, far_away); }

// Right and bottom edges excluded, as a rectangle between two corners is drawn.
QRect span(QPoint a, QPoint b) {
  a = {near(a.x()), near(a.y())};
  b = {near(b.x()), near(b.y())};
  const int left = std::min(a.x(), b.x());
  const int top = std::min(a.y(), b.y());
  return {left, top, std::abs(a.x() - b.x()), std::abs(a.y() - b.y())};
}

} // namespace

void API_Rectangle(QPainter& target, QPoint corner1, QPoint corner2, uint32_t brush_colour, Brush_Hatch brush_hatch,
                   Brush_Style brush_style, Pen_Style pen_style, int32_t pen_width, uint32_t pen_colour) {
  if (!target.isActive()) return;
  const QRect area = span(corner1, corner2);
  if (area.isEmpty()) return;
  target.save();
  target.setRenderHint(QPainter::Antialiasing, false);
  if (brush_style == Brush_Style::Solid)
    target.fillRect(area, colour_of(brush_colour));
  else if (brush_style == Brush_Style::Hatched)
    target.fillRect(area, QBrush(colour_of(brush_colour), hatch_pattern(brush_hatch)));
  if (pen_style != Pen_Style::Null) {
    const int width = std::max(pen_width, 1);
    QPen pen(colour_of(pen_colour), width, pen_pattern(pen_style), Qt::SquareCap, Qt::MiterJoin);
    target.setPen(pen);
    target.setBrush(Qt::NoBrush);
    if (width == 1) {
      target.drawRect(area.adjusted(0, 0, -1, -1));
    } else {
      // A wide pen is centred on the edge; an inside-frame pen stays within the rectangle.
      const double inset = pen_style == Pen_Style::Inside_Frame ? width / 2.0 : 0.5;
      target.drawRect(QRectF(area).adjusted(inset, inset, -inset, -inset));
    }
  }
  target.restore();
}

void API_Rectangle(cDIBSection& target, QPoint corner1, QPoint corner2, uint32_t brush_colour, Brush_Hatch brush_hatch,
                   Brush_Style brush_style, Pen_Style pen_style, int32_t pen_width, uint32_t pen_colour) {
  const int reach = std::max(pen_width, 1);
  Surface_Painter painter(target, span(corner1, corner2).adjusted(-reach, -reach, reach, reach));
  API_Rectangle(painter.painter(), corner1, corner2, brush_colour, brush_hatch, brush_style, pen_style, pen_width,
                pen_colour);
}

uint32_t Gradient_Colour(int32_t r, int32_t radius, uint32_t centre_colour, uint32_t rim_colour) {
  uint32_t result = 0;
  for (unsigned shift = 0; shift <= 16; shift += 8) {
    const double centre = (centre_colour >> shift) & 0xFFU;
    const double rim = (rim_colour >> shift) & 0xFFU;
    const double v = centre + (r - 1) * (rim - centre) / radius;
    result |= static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)) << shift;
  }
  return result;
}

void Gradient_Circle(QPainter& target, int32_t centre_x, int32_t centre_y, int32_t radius, uint32_t centre_colour,
                     uint32_t rim_colour) {
  if (!target.isActive() || radius < 1) return;
  radius = std::min(radius, int32_t{32767});
  target.save();
  target.setBrush(Qt::NoBrush);
  const QPointF centre(near(centre_x), near(centre_y));
  for (int32_t r = 1; r <= radius; ++r) {
    target.setPen(QPen(colour_of(Gradient_Colour(r, radius, centre_colour, rim_colour)), 2));
    target.drawEllipse(centre, r, r);
  }
  target.restore();
}

void Gradient_Circle(int32_t centre_x, int32_t centre_y, int32_t radius, uint32_t centre_colour, uint32_t rim_colour,
                     QPaintDevice& box) {
  QPainter painter(&box);
  Gradient_Circle(painter, centre_x, centre_y, radius, centre_colour, rim_colour);
}

void Gradient_Circle(int32_t centre_x, int32_t centre_y, int32_t radius, uint32_t centre_colour, uint32_t rim_colour,
                     cDIBSection& box) {
  if (radius < 1) return;
  const int reach = std::min(radius, int32_t{32767}) + 2;
  Surface_Painter painter(box, QRect(near(centre_x) - reach, near(centre_y) - reach, 2 * reach + 1, 2 * reach + 1));
  Gradient_Circle(painter.painter(), centre_x, centre_y, radius, centre_colour, rim_colour);
}
