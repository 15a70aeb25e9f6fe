#include "timing/goal_line.h"

#include "imaging/api_draw.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/number_text.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/trace.h"

#include <QPainter>
#include <QStringList>
#include <cmath>
#include <limits>

int16_t Goal_Handle_At(const Goal_Line& line, double x, double y) {
  const auto inside = [x, y](int32_t px, int32_t py) {
    return px - Goal_Handle_Half < x && x < px + Goal_Handle_Half && py - Goal_Handle_Half < y &&
           y < py + Goal_Handle_Half;
  };
  if (inside(line.x1, line.y1)) return 1;
  if (inside(line.x2, line.y2)) return 2;
  return 0;
}

int16_t Round_To_Int16(double value) {
  if (!std::isfinite(value)) throw Dora_Error(6, QStringLiteral("Overflow"));
  // The default rounding mode rounds halves to even.
  const double r = std::nearbyint(value);
  if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
    throw Dora_Error(6, QStringLiteral("Overflow"));
  return static_cast<int16_t>(r);
}

std::optional<Drag_Point> Drag_Candidate(Drag_Point start, int16_t press_x, int16_t press_y, double x, double y,
                                         int32_t inner_width, int32_t inner_height) {
  const int16_t cx = Round_To_Int16(start.x + (x - press_x));
  const int16_t cy = Round_To_Int16(start.y + (y - press_y));
  if (cx > 0 && cx < inner_width && cy > 0 && cy < inner_height) return Drag_Point{cx, cy};
  return std::nullopt;
}

Goal_Line Reset_Line(int32_t inner_width, int32_t inner_height) {
  const auto round_even = [](double v) { return static_cast<int32_t>(std::nearbyint(v)); };
  const int32_t x = round_even(inner_width / 2.0);
  return {x, round_even(inner_height / 10.0), x, round_even(inner_height * 0.9)};
}

Goal_Line Displaced_Line(const Goal_Line& line, int16_t displacement) {
  return {line.x1 + displacement, line.y1, line.x2 + displacement, line.y2};
}

Colour_Triple Goal_Line_Colour(int16_t camera, bool displaced, bool displace_mode) {
  // Triples are blue, green, red.
  if (displaced && displace_mode) return {255, 100, 255};
  if (camera == 1) return {255, 255, 255};
  return {0, 255, 255};
}

int16_t Goal_Offset_Step(int32_t keycode) {
  switch (keycode) {
  case key_code::Left:
  case key_code::Keypad_4: return -1;
  case key_code::Right:
  case key_code::Keypad_6: return 1;
  default: return 0;
  }
}

Hook_Action Hook_Key_Action(int32_t keycode, bool ctrl_held) {
  if (keycode == key_code::Keypad_4 || keycode == key_code::Keypad_6) return Hook_Action::Goal_Offset;
  if (keycode == key_code::Left || (keycode == key_code::Right && !ctrl_held)) return Hook_Action::Focus_Slider;
  return Hook_Action::None;
}

bool Key_Gap::Accept(int32_t now_ms) {
  const int32_t since = Mill_Difference(now_ms, last_ms_);
  if (handled_any_ && since >= 0 && since < Gap_Ms) return false;
  handled_any_ = true;
  last_ms_ = now_ms;
  return true;
}

namespace {

Line_Point point16(int32_t x, int32_t y) {
  const auto fits = [](int32_t v) {
    return v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max();
  };
  if (!fits(x) || !fits(y)) throw Dora_Error(6, QStringLiteral("Overflow"));
  return {static_cast<int16_t>(x), static_cast<int16_t>(y)};
}

template <class Target> void draw_line(Target& target, const Goal_Line& line, Colour_Triple colour) {
  if (line.x1 == line.x2 && line.y1 == line.y2) return;
  const Line_Point p1 = point16(line.x1, line.y1);
  const Line_Point p2 = point16(line.x2, line.y2);
  WuLine(target, p1, p2, colour, 2, 0);
}

constexpr uint32_t Handle_Blue = 0xFF0000U; // red in the low byte

void draw_box(QPainter& painter, int32_t x, int32_t y) {
  API_Rectangle(painter, QPoint(x - Goal_Handle_Half, y - Goal_Handle_Half),
                QPoint(x + Goal_Handle_Half, y + Goal_Handle_Half), 0, Brush_Hatch::Horizontal, Brush_Style::Hollow,
                Pen_Style::Solid, 1, Handle_Blue);
}

void draw_box(cDIBSection& surface, int32_t x, int32_t y) {
  API_Rectangle(surface, QPoint(x - Goal_Handle_Half, y - Goal_Handle_Half),
                QPoint(x + Goal_Handle_Half, y + Goal_Handle_Half), 0, Brush_Hatch::Horizontal, Brush_Style::Hollow,
                Pen_Style::Solid, 1, Handle_Blue);
}

} // namespace

void Draw_Goal_Line(QImage& picture, const Goal_Line& line, Colour_Triple colour) { draw_line(picture, line, colour); }

void Draw_Goal_Line(cDIBSection& surface, const Goal_Line& line, Colour_Triple colour) {
  draw_line(surface, line, colour);
}

void Draw_Goalline_Selection_Boxes(QImage& picture, const Goal_Line& line) {
  if (picture.isNull()) return;
  if (picture.depth() < 16 || picture.colorCount() > 0) picture = picture.convertToFormat(QImage::Format_RGB32);
  QPainter painter(&picture);
  draw_box(painter, line.x1, line.y1);
  draw_box(painter, line.x2, line.y2);
}

void Draw_Goalline_Selection_Boxes(cDIBSection& surface, const Goal_Line& line) {
  draw_box(surface, line.x1, line.y1);
  draw_box(surface, line.x2, line.y2);
}

std::optional<Goal_Line_Points> Parse_Goal_Line(const QString& text) {
  if (text.size() <= 6) return std::nullopt;
  const QStringList items = text.split(QLatin1Char(','));
  if (items.size() < 4) return std::nullopt;
  Goal_Line_Points points{};
  try {
    for (size_t i = 0; i < points.size(); ++i)
      points[i] = Whole_Int32(items.at(static_cast<qsizetype>(i)));
  } catch (const Dora_Error&) {
    return std::nullopt;
  }
  return points;
}

QString Format_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return QStringLiteral("%1,%2,%3,%4").arg(x1).arg(y1).arg(x2).arg(y2);
}

std::optional<Goal_Line_Points> Read_Goal_Line(int16_t camera) {
  const QString text = Read_Ini_Value(QStringLiteral("Goal_Lines"), "goal_Line" + QString::number(camera),
                                      program().Settings_File_Path, QStringLiteral("N/A"));
  auto points = Parse_Goal_Line(text);
  if (!points && text.size() > 6) Trace_Message("*Read_Goal_Lines, unusable goal line", camera, text);
  return points;
}

int16_t Save_Goal_line(int16_t camera, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return Write_Ini_Value(QStringLiteral("Goal_lines"), "Goal_line" + QString::number(camera),
                         Format_Goal_Line(x1, y1, x2, y2), program().Settings_File_Path);
}

QString Goal_Line_Problem(const Goal_Line& line, int32_t width, int32_t height) {
  if (line.x1 == line.x2 && line.y1 == line.y2)
    return QStringLiteral("no goal line is set (Form, Reset Goal line puts one in the middle)");
  const auto inside = [&](int32_t x, int32_t y) { return x >= 0 && y >= 0 && x < width && y < height; };
  if (!inside(line.x1, line.y1) || !inside(line.x2, line.y2))
    return QStringLiteral("the goal line lies outside the %1*%2 picture (Form, Reset Goal line)")
        .arg(width)
        .arg(height);
  return {};
}
