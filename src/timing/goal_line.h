#pragma once
#include "imaging/dib_section.h"
#include "imaging/wu_lines.h"
#include "platform/key_codes.h"

#include <QImage>
#include <QString>
#include <Qt>
#include <array>
#include <cstdint>
#include <optional>

// The goal line of one camera: two end points in picture pixels.
struct Goal_Line {
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
  friend bool operator==(const Goal_Line&, const Goal_Line&) = default;
};

// Half the side of an end point's selection box.
constexpr int32_t Goal_Handle_Half = 6;

// 1 when (x, y) lies strictly inside point 1's box, else 2 for point 2's, else 0. Point 1 wins
// where the boxes overlap.
int16_t Goal_Handle_At(const Goal_Line& line, double x, double y);

// Nearest 16-bit integer, halves to even; Dora_Error 6 "Overflow" when it does not fit.
int16_t Round_To_Int16(double value);

// Where a dragged end point goes: its position at the press moved by the mouse's travel since
// the press. nullopt when the result is not strictly inside the picture (0 < x < width,
// 0 < y < height), so the point stays where it was.
struct Drag_Point {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const Drag_Point&, const Drag_Point&) = default;
};
std::optional<Drag_Point> Drag_Candidate(Drag_Point start, int16_t press_x, int16_t press_y, double x, double y,
                                         int32_t inner_width, int32_t inner_height);

// The line a reset puts in the middle of a picture of that size.
Goal_Line Reset_Line(int32_t inner_width, int32_t inner_height);

// The copy shifted sideways by the displacement.
Goal_Line Displaced_Line(const Goal_Line& line, int16_t displacement);

// White for the goal camera, yellow for the split camera, pink for the displaced copy while
// displacement is on.
Colour_Triple Goal_Line_Colour(int16_t camera, bool displaced, bool displace_mode);

// -1, +1 or 0: what a key does to the displacement.
int16_t Goal_Offset_Step(int32_t keycode);

// What the application-wide key filter does with a key.
enum class Hook_Action { None, Goal_Offset, Focus_Slider };
Hook_Action Hook_Key_Action(int32_t keycode, bool ctrl_held);

// Key notifications closer than the gap to the last handled one are ignored.
class Key_Gap {
public:
  static constexpr int32_t Gap_Ms = 150;
  // True when the notification at now_ms is to be handled; it then becomes the last handled one.
  bool Accept(int32_t now_ms);

private:
  bool handled_any_ = false;
  int32_t last_ms_ = 0;
};

// Draws one line anti-aliased, 2 pixels wide; nothing when both end points are equal.
// Dora_Error 6 when a coordinate does not fit 16 bits (nothing is drawn then).
void Draw_Goal_Line(QImage& picture, const Goal_Line& line, Colour_Triple colour);
void Draw_Goal_Line(cDIBSection& surface, const Goal_Line& line, Colour_Triple colour);

// The blue, hollow 12 x 12 boxes round both end points.
void Draw_Goalline_Selection_Boxes(QImage& picture, const Goal_Line& line);
void Draw_Goalline_Selection_Boxes(cDIBSection& surface, const Goal_Line& line);

// A goal line as x1, y1, x2, y2 in image pixels, as the settings and the recording's header
// hold it in text.
using Goal_Line_Points = std::array<int32_t, 4>;

// nullopt for a text of 6 characters or fewer (no line stored) or one that is not four
// whole numbers joined by commas.
std::optional<Goal_Line_Points> Parse_Goal_Line(const QString& text);
QString Format_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// The stored goal line of camera 1 (goal) or 2 (split); nullopt when none or unusable.
std::optional<Goal_Line_Points> Read_Goal_Line(int16_t camera);
// 1 when written, 0 (after the settings store's message) when not.
int16_t Save_Goal_line(int16_t camera, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// Why a slit cannot be taken along `line` in a picture of width x height pixels: no line set
// (both ends at one point) or an end outside the picture. Empty when the line will do.
QString Goal_Line_Problem(const Goal_Line& line, int32_t width, int32_t height);
