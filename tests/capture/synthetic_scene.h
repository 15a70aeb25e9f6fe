#pragma once
// Reading the synthetic camera's pictures back: where each runner's nose is in a field, and
// the LED's colour. Works on any top-down BGR picture, so it serves decoded recordings too.
#include <QColor>
#include <QImage>
#include <cmath>
#include <cstdint>
#include <optional>

namespace synthetic_scene {

inline constexpr QRgb Box_Colours[6] = {qRgb(220, 30, 30), qRgb(30, 60, 220),  qRgb(240, 240, 240),
                                        qRgb(20, 20, 20),  qRgb(240, 140, 20), qRgb(20, 20, 20)};
inline constexpr QRgb Turf = qRgb(40, 120, 50);

inline int Distance(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// Frame row of box b's lane that belongs to `field` (1: even rows, 2: odd rows), in the
// middle of the body and off box 6's stripe. `top` is the picture row of frame row 0.
inline int Lane_Row(int box, int field, int top = 0) { return 200 + 110 * (box - 1) + 8 + (field - 1) - top; }

// Rightmost column of the runner's colour on that row (within `tolerance`), scanning the
// picture; nullopt when none.
inline std::optional<int> Nose_In(const QImage& picture, int row, QRgb colour, int tolerance) {
  if (row < 0 || row >= picture.height()) return std::nullopt;
  for (int x = picture.width() - 1; x >= 0; --x)
    if (Distance(picture.pixel(x, row), colour) <= tolerance) return x;
  return std::nullopt;
}

} // namespace synthetic_scene
