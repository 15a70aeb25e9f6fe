#pragma once
#include "imaging/dib_section.h"

#include <QPainter>
#include <QPoint>
#include <cstdint>

enum class Brush_Style : int32_t { Solid = 0, Hollow = 1, Hatched = 2 };
enum class Brush_Hatch : int32_t {
  Horizontal = 0,
  Vertical = 1,
  Forward_Diagonal = 2,
  Backward_Diagonal = 3,
  Cross = 4,
  Diagonal_Cross = 5
};
enum class Pen_Style : int32_t {
  Solid = 0,
  Dash = 1,
  Dot = 2,
  Dash_Dot = 3,
  Dash_Dot_Dot = 4,
  Null = 5,
  Inside_Frame = 6
};

// Rectangle from the first corner up to, not including, the second (either corner may come
// first): inside with the brush, outline with the pen. Colours have red in the low byte. The
// painter's pen and brush are as before afterwards.
void API_Rectangle(QPainter& target, QPoint corner1, QPoint corner2, uint32_t brush_colour, Brush_Hatch brush_hatch,
                   Brush_Style brush_style, Pen_Style pen_style, int32_t pen_width, uint32_t pen_colour);
void API_Rectangle(cDIBSection& target, QPoint corner1, QPoint corner2, uint32_t brush_colour, Brush_Hatch brush_hatch,
                   Brush_Style brush_style, Pen_Style pen_style, int32_t pen_width, uint32_t pen_colour);

// A filled disc of circles 2 pixels wide, r = 1 .. radius, each colour component running
// from the centre colour at r = 1 in steps of (rim - centre) / radius.
void Gradient_Circle(QPainter& target, int32_t centre_x, int32_t centre_y, int32_t radius, uint32_t centre_colour,
                     uint32_t rim_colour);
void Gradient_Circle(int32_t centre_x, int32_t centre_y, int32_t radius, uint32_t centre_colour, uint32_t rim_colour,
                     QPaintDevice& box);
void Gradient_Circle(int32_t centre_x, int32_t centre_y, int32_t radius, uint32_t centre_colour, uint32_t rim_colour,
                     cDIBSection& box);

// The colour of the circle of radius r.
uint32_t Gradient_Colour(int32_t r, int32_t radius, uint32_t centre_colour, uint32_t rim_colour);
