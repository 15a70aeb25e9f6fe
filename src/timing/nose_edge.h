#pragma once
// Where a runner's nose stands against the goal line in one field picture, to a fraction of a
// pixel: along the runner's rows, each pixel is taken as the share of it the runner covers (its
// colour between the background's and the jacket's), the shares of all rows are summed column by
// column, and the nose is where that profile falls through one half.
#include "imaging/dib_section.h"

#include <array>
#include <cstdint>
#include <vector>

// The runner's rows in the shown picture, the goal line's pixel in each and the jacket's colour
// (red, green, blue) in each.
struct Runner_Rows {
  std::vector<int32_t> row;
  std::vector<int32_t> line_x;
  std::vector<std::array<uint8_t, 3>> colour;
  void Add(int32_t y, int32_t x, const uint8_t* rgb) {
    row.push_back(y);
    line_x.push_back(x);
    colour.push_back({rgb[0], rgb[1], rgb[2]});
  }
  size_t Size() const { return row.size(); }
};

struct Nose_Reading {
  bool seen = false;  // the runner is in the picture and its nose too
  bool clear = false; // the nose's edge lies on pixels that tell the jacket from the background
  // Signed distance of the nose's edge past the line in pixels, positive when at or past it (the
  // nose's pixel on the line's or beyond); the middle of [low, high] when not clear.
  double distance = 0;
  double low = 0; // where the edge may lie when it is not clear
  double high = 0;
  double centre = 0; // mean offset of the runner's pixels from the line, left negative
};

// `direction` +1: runners move to larger x (the nose is the right end), -1: to smaller x. The
// background is the picture without runners, of the same size as the field.
Nose_Reading Read_Nose(const cDIBSection& field, const cDIBSection& background, const Runner_Rows& rows,
                       int32_t direction);
