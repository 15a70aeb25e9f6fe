#include "timing/goal_line.h"

#include "imaging/api_draw.h"
#include "platform/error_report.h"

#include <QPainter>
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

int32_t Windows_Key_Code(int qt_key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (keypad) {
    // Keypad 4 and 6 arrive as digits with Num Lock on and as arrows with it off.
    if (qt_key == Qt::Key_4 || qt_key == Qt::Key_Left) return key_code::Keypad_4;
    if (qt_key == Qt::Key_6 || qt_key == Qt::Key_Right) return key_code::Keypad_6;
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return 96 + (qt_key - Qt::Key_0);
    switch (qt_key) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma: return 110;
    case Qt::Key_Slash: return 111;
    default: break;
    }
  }
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return 48 + (qt_key - Qt::Key_0);
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return 65 + (qt_key - Qt::Key_A);
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 112 + (qt_key - Qt::Key_F1);
  switch (qt_key) {
  case Qt::Key_Backspace: return 8;
  case Qt::Key_Tab:
  case Qt::Key_Backtab: return 9;
  case Qt::Key_Clear: return 12;
  case Qt::Key_Return:
  case Qt::Key_Enter: return 13;
  case Qt::Key_Shift: return 16;
  case Qt::Key_Control: return 17;
  case Qt::Key_Alt: return 18;
  case Qt::Key_Pause: return 19;
  case Qt::Key_CapsLock: return 20;
  case Qt::Key_Escape: return 27;
  case Qt::Key_Space: return 32;
  case Qt::Key_PageUp: return 33;
  case Qt::Key_PageDown: return 34;
  case Qt::Key_End: return 35;
  case Qt::Key_Home: return 36;
  case Qt::Key_Left: return key_code::Left;
  case Qt::Key_Up: return key_code::Up;
  case Qt::Key_Right: return key_code::Right;
  case Qt::Key_Down: return key_code::Down;
  case Qt::Key_Print: return 44;
  case Qt::Key_Insert: return 45;
  case Qt::Key_Delete: return 46;
  case Qt::Key_Meta: return 91;
  case Qt::Key_Menu: return 93;
  case Qt::Key_NumLock: return 144;
  case Qt::Key_ScrollLock: return 145;
  case Qt::Key_Semicolon: return 186;
  case Qt::Key_Equal: return 187;
  case Qt::Key_Comma: return 188;
  case Qt::Key_Minus: return 189;
  case Qt::Key_Period: return 190;
  case Qt::Key_Slash: return 191;
  default: return 0;
  }
}

Hook_Action Hook_Key_Action(int32_t keycode, bool ctrl_held) {
  if (keycode == key_code::Keypad_4 || keycode == key_code::Keypad_6) return Hook_Action::Goal_Offset;
  if (keycode == key_code::Left || (keycode == key_code::Right && !ctrl_held)) return Hook_Action::Focus_Slider;
  return Hook_Action::None;
}

bool Key_Gap::Accept(int32_t now_ms) {
  // The millisecond clock wraps; the difference is taken modulo 2^32.
  const auto since = static_cast<int32_t>(static_cast<uint32_t>(now_ms) - static_cast<uint32_t>(last_ms_));
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
