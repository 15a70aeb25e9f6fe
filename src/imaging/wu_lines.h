#pragma once
#include "imaging/dib_section.h"

#include <QImage>
#include <cstdint>

// One 24-bit pixel in surface byte order.
struct Colour_Triple {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  friend bool operator==(const Colour_Triple&, const Colour_Triple&) = default;
};

// Colours as 32-bit values: red in the low byte, green next, blue in the third.
constexpr Colour_Triple Triple_From_Colour(uint32_t colour) {
  return {static_cast<uint8_t>((colour >> 16U) & 0xFFU), static_cast<uint8_t>((colour >> 8U) & 0xFFU),
          static_cast<uint8_t>(colour & 0xFFU)};
}
constexpr uint32_t Colour_From_Triple(Colour_Triple t) {
  return static_cast<uint32_t>(t.red) | (static_cast<uint32_t>(t.green) << 8U) | (static_cast<uint32_t>(t.blue) << 16U);
}

struct Line_Point {
  int16_t x = 0;
  int16_t y = 0;
};

// Anti-aliased line of the given thickness: the two edge pixels of each column (x-major) or
// row (y-major) are blended with what is already there, the pixels between get the colour.
// A dashed y-major line draws 10 rows and skips 11; x-major lines are never dashed. Pixels
// off the picture are skipped; a thickness below 1 draws as 1.
void WuLine(cDIBSection& surface, Line_Point p1, Line_Point p2, Colour_Triple colour, int16_t thickness,
            int16_t dashed);
void WuLine(QImage& picture, Line_Point p1, Line_Point p2, Colour_Triple colour, int16_t thickness, int16_t dashed);
