#include "imaging/wu_lines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

uint8_t blend(uint8_t line, uint8_t existing, double weight) {
  const double v = weight * line + (1.0 - weight) * existing;
  // Rounds half away from zero like lround, without the library call per channel.
  return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

Colour_Triple blend(Colour_Triple line, Colour_Triple existing, double weight) {
  return {blend(line.blue, existing.blue, weight), blend(line.green, existing.green, weight),
          blend(line.red, existing.red, weight)};
}

class Surface_Pixels {
public:
  explicit Surface_Pixels(cDIBSection& s) : s_(s) {}
  int width() const { return s_.Width(); }
  int height() const { return s_.Height(); }
  Colour_Triple get(int x, int y) const {
    const uint8_t* p = s_.Row(y) + 3 * x;
    return {p[0], p[1], p[2]};
  }
  void set(int x, int y, Colour_Triple c) {
    uint8_t* p = s_.Row(y) + 3 * x;
    p[0] = c.blue;
    p[1] = c.green;
    p[2] = c.red;
  }

private:
  cDIBSection& s_;
};

class Image_Pixels {
public:
  explicit Image_Pixels(QImage& i) : i_(i) {
    // The review picture (blue-green-red bytes) is written in place: a pixel() and setPixel()
    // per point cost more than the whole line.
    if (i_.format() == QImage::Format_BGR888) {
      bits_ = i_.bits();
      stride_ = i_.bytesPerLine();
    }
  }
  int width() const { return i_.width(); }
  int height() const { return i_.height(); }
  Colour_Triple get(int x, int y) const {
    if (bits_) {
      const uint8_t* p = bits_ + y * stride_ + 3 * x;
      return {p[0], p[1], p[2]};
    }
    const QRgb c = i_.pixel(x, y);
    return {static_cast<uint8_t>(qBlue(c)), static_cast<uint8_t>(qGreen(c)), static_cast<uint8_t>(qRed(c))};
  }
  void set(int x, int y, Colour_Triple c) {
    if (bits_) {
      uint8_t* p = bits_ + y * stride_ + 3 * x;
      p[0] = c.blue;
      p[1] = c.green;
      p[2] = c.red;
      return;
    }
    i_.setPixel(x, y, qRgb(c.red, c.green, c.blue));
  }

private:
  QImage& i_;
  uint8_t* bits_ = nullptr;
  qsizetype stride_ = 0;
};

// Swaps the axes so one loop serves both directions: "along" is the major axis.
template <class Pixels> class Axis_View {
public:
  Axis_View(Pixels& p, bool swapped) : p_(p), swapped_(swapped) {}
  int along_size() const { return swapped_ ? p_.height() : p_.width(); }
  int across_size() const { return swapped_ ? p_.width() : p_.height(); }
  Colour_Triple get(int along, int across) const { return swapped_ ? p_.get(across, along) : p_.get(along, across); }
  void set(int along, int across, Colour_Triple c) {
    if (swapped_)
      p_.set(across, along, c);
    else
      p_.set(along, across, c);
  }

private:
  Pixels& p_;
  bool swapped_;
};

template <class Pixels>
void wu_line(Pixels& pixels, Line_Point p1, Line_Point p2, Colour_Triple colour, int thickness, bool dashed) {
  if (p1.x == p2.x && p1.y == p2.y) return;
  if (pixels.width() <= 0 || pixels.height() <= 0) return;
  const int dx = std::abs(p2.x - p1.x);
  const int dy = std::abs(p2.y - p1.y);
  const bool x_major = dy < dx;
  const int h = thickness / 2;
  const int e = thickness - h;
  Axis_View<Pixels> view(pixels, !x_major);
  int a_start = x_major ? p1.x : p1.y;
  int c_start = x_major ? p1.y : p1.x;
  int a_end = x_major ? p2.x : p2.y;
  int c_end = x_major ? p2.y : p2.x;
  if (a_end < a_start) {
    std::swap(a_start, a_end);
    std::swap(c_start, c_end);
  }
  const int steps = a_end - a_start;
  const bool use_dashes = dashed && !x_major;
  const int across_size = view.across_size();
  // Steps whose column (or row) is off the picture are skipped, but still count for the dashes.
  const int s_first = std::max(0, -a_start);
  const int s_last = std::min(steps, view.along_size() - 1 - a_start);
  for (int s = s_first; s <= s_last; ++s) {
    if (use_dashes && s % 21 >= 10) continue;
    const int a = a_start + s;
    const double c = c_start + static_cast<double>(s) * (c_end - c_start) / steps;
    const double floor_c = std::floor(c);
    const double f = c - floor_c;
    const int i = static_cast<int>(floor_c);
    const int lead = i - h;
    const int trail = i + e;
    // On a whole position (every straight goal line) the lead pixel takes the colour and the
    // trail keeps its own: no blending is needed.
    if (f == 0.0) {
      if (lead >= 0 && lead < across_size) view.set(a, lead, colour);
    } else {
      if (lead >= 0 && lead < across_size) view.set(a, lead, blend(colour, view.get(a, lead), 1.0 - f));
      if (trail >= 0 && trail < across_size) view.set(a, trail, blend(colour, view.get(a, trail), f));
    }
    const int inner_first = std::max(lead + 1, 0);
    const int inner_last = std::min(trail - 1, across_size - 1);
    for (int k = inner_first; k <= inner_last; ++k)
      view.set(a, k, colour);
  }
}

} // namespace

void WuLine(cDIBSection& surface, Line_Point p1, Line_Point p2, Colour_Triple colour, int16_t thickness,
            int16_t dashed) {
  if (surface.Is_Empty()) return;
  Surface_Pixels pixels(surface);
  wu_line(pixels, p1, p2, colour, std::max<int>(thickness, 1), dashed != 0);
}

void WuLine(QImage& picture, Line_Point p1, Line_Point p2, Colour_Triple colour, int16_t thickness, int16_t dashed) {
  if (picture.isNull()) return;
  // Palette pictures take colours, not indexes.
  if (picture.depth() < 16 || picture.colorCount() > 0) picture = picture.convertToFormat(QImage::Format_RGB32);
  Image_Pixels pixels(picture);
  wu_line(pixels, p1, p2, colour, std::max<int>(thickness, 1), dashed != 0);
}
