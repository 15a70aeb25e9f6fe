#pragma once
// A box's time between two fields by hand: the operator marks the nose in the field before the
// line and in the field after it, and the crossing is where the nose, moving evenly between the
// two, meets the line.
#include "timing/goal_line.h"

#include <QString>
#include <cstdint>
#include <optional>

struct Nose_Mark {
  int32_t slider_value = 0; // the picture it was made on
  int64_t instant = 0;      // the instant that picture shows, on the capture clock
  int32_t x = 0;            // the nose's pixel, in picture pixels
  int32_t y = 0;
  int32_t field_time_ms = 0; // that picture's run time by the system's rule
};

struct Subfield_Result {
  int64_t before_instant = 0; // the instant of the field before the line
  double after_before_ms = 0; // the crossing, this long after it
  double uncertainty_ms = 0;
  int32_t after_value = 0;   // the slider value of the field after the line
  int32_t field_time_ms = 0; // its run time
};

// The crossing from two marks in either order. The line's pixel in a row is the goal line's there,
// rounded; a nose on it has reached it. `why` tells the operator what is wrong when nullopt: marks
// on the same picture, or not on either side of the line.
std::optional<Subfield_Result> Interpolate_Marks(const Nose_Mark& a, const Nose_Mark& b, const Goal_Line& line,
                                                 QString& why);

// The goal line's pixel at row y (its x where it crosses the row, rounded); x1 for a line
// without height.
int32_t Line_Pixel_At(const Goal_Line& line, int32_t y);
