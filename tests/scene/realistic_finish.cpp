#include "scene/realistic_finish.h"

#include "metadata/xml_header.h"
#include "recording/frame_buffers.h"
#include "recording/video_file_handler.h"
#include "timing/goal_line.h"
#include "timing/heat_header.h"

#include <QFileInfo>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>

namespace realistic {
namespace {

constexpr double Pi = std::numbers::pi;
// The start on the recording's clock; the fields' instants are whole ms after it.
constexpr int32_t Start_Mill = 5'000'000;
constexpr double Stride_Hz = 3.6;
constexpr double Nose_Radius = 0.02;

// Dog-local units: the torso is one long, x forward, y up, origin at the torso's middle.
struct Place {
  double x = 0; // picture column of the origin
  double y = 0; // picture row of the origin
  double scale = 1;
  double phase = 0;
};

double Lerp(double a, double b, double t) { return a + (b - a) * t; }

double Scale_At(const Scene& s, double depth) { return s.near_torso_px * Lerp(0.62, 1.0, depth); }
double Ground_Row(const Scene& s, double depth) { return s.height * Lerp(0.40, 0.92, depth); }
double Rail_Row(const Scene& s) { return 0.24 * s.height; }

// The head turns about the neck's base with the stride and reaches forward in the extension.
struct Head_Pose {
  double angle = 0; // radians, positive raises the nose
  double reach = 0;
};
Head_Pose Head_At(double phase) {
  const double w = 2 * Pi * phase;
  return {0.07 * std::sin(w), 0.025 * std::sin(w + 0.6)};
}
constexpr double Pivot_X = 0.35, Pivot_Y = 0.05;
constexpr double Nose_X = 1.0, Nose_Y = 0.225;

QPointF Turn_Head(QPointF p, const Head_Pose& h) {
  const double dx = p.x() - Pivot_X, dy = p.y() - Pivot_Y;
  const double c = std::cos(h.angle), s = std::sin(h.angle);
  return {Pivot_X + c * dx - s * dy + h.reach, Pivot_Y + s * dx + c * dy};
}

// The nose's foremost point in dog-local units.
QPointF Tip_Local(double phase) {
  const QPointF centre = Turn_Head({Nose_X, Nose_Y}, Head_At(phase));
  return {centre.x() + Nose_Radius, centre.y()};
}

double Bounce(double phase) { return 0.025 * std::sin(2 * Pi * phase + 1.2); }

double Speed_Px_Ms(const Scene& s, const Runner& r) { return r.speed_lengths_per_s * Scale_At(s, r.depth) / 1000.0; }

Place Place_At(const Scene& s, const Runner& r, double ms) {
  Place p;
  p.scale = Scale_At(s, r.depth);
  const double t = ms - *r.crossing_ms;
  p.phase = r.stride_phase + Stride_Hz * t / 1000.0;
  p.y = Ground_Row(s, r.depth) - 0.86 * p.scale - Bounce(p.phase) * p.scale;
  // Solved so that the tip stands on the line at the crossing.
  const double phase0 = r.stride_phase;
  const QPointF tip0 = Tip_Local(phase0);
  const double y0 = Ground_Row(s, r.depth) - 0.86 * p.scale - Bounce(phase0) * p.scale - tip0.y() * p.scale;
  const double x0 = Line_X(s, y0) - s.direction * tip0.x() * p.scale;
  p.x = x0 + s.direction * Speed_Px_Ms(s, r) * t;
  return p;
}

QColor Shade(const QColor& c, double f) {
  return QColor::fromRgb(std::clamp(static_cast<int>(c.red() * f), 0, 255),
                         std::clamp(static_cast<int>(c.green() * f), 0, 255),
                         std::clamp(static_cast<int>(c.blue() * f), 0, 255));
}

// A brush lit from above: lighter on the back, darker under the belly.
QBrush Lit(const QColor& c, double top = 0.25, double bottom = -0.35) {
  QLinearGradient g(0, top, 0, bottom);
  g.setColorAt(0, Shade(c, 1.08));
  g.setColorAt(1, Shade(c, 0.76));
  return QBrush(g);
}

struct Coat_Colours {
  QColor base;
  QColor second; // streaks, patches, the fawn's mask
  QColor nose;
};
Coat_Colours Colours_Of(Coat coat) {
  switch (coat) {
  case Coat::Fawn: return {{196, 150, 100}, {92, 66, 48}, {40, 30, 28}};
  case Coat::Brindle: return {{128, 92, 60}, {58, 40, 30}, {35, 28, 26}};
  case Coat::Black: return {{30, 28, 28}, {52, 50, 50}, {22, 20, 20}};
  case Coat::White: return {{232, 229, 220}, {214, 208, 198}, {150, 105, 100}};
  case Coat::Parti: return {{230, 226, 216}, {150, 104, 66}, {40, 30, 28}};
  }
  return {};
}

struct Jacket_Look {
  QColor colour;
  QColor stripe; // the second colour of a striped jacket (invalid: plain)
  QColor number;
};
Jacket_Look Jacket_Of(Jackets rows, int16_t box) {
  const QColor red(200, 28, 38), blue(28, 58, 168), white(236, 236, 232), black(26, 26, 30), orange(238, 122, 24),
      green(24, 128, 62), yellow(236, 204, 32);
  if (rows == Jackets::American) {
    switch (box) {
    case 1: return {red, {}, white};
    case 2: return {blue, {}, white};
    case 3: return {white, {}, black};
    case 4: return {green, {}, white};
    case 5: return {black, {}, yellow};
    default: return {yellow, {}, black};
    }
  }
  switch (box) {
  case 1: return {red, {}, white};
  case 2: return {blue, {}, white};
  case 3: return {white, {}, black};
  case 4: return {black, {}, white};
  case 5: return {orange, {}, black};
  default: return {black, white, red};
  }
}

QPainterPath Torso_Path() {
  QPainterPath p;
  p.moveTo(-0.5, 0.10);
  p.cubicTo(-0.25, 0.21, 0.05, 0.14, 0.28, 0.17);
  p.cubicTo(0.45, 0.17, 0.58, 0.05, 0.55, -0.06);
  p.cubicTo(0.53, -0.22, 0.40, -0.31, 0.25, -0.31);
  p.cubicTo(0.05, -0.29, -0.08, -0.13, -0.18, -0.11);
  p.cubicTo(-0.30, -0.09, -0.45, -0.19, -0.52, -0.12);
  p.cubicTo(-0.58, -0.05, -0.56, 0.08, -0.5, 0.10);
  p.closeSubpath();
  return p;
}

QPainterPath Neck_Path(const Head_Pose& h) {
  QPainterPath p;
  p.moveTo(0.18, 0.15);
  const QPointF top = Turn_Head({0.64, 0.36}, h), under = Turn_Head({0.70, 0.20}, h);
  p.cubicTo(0.35, 0.22, top.x() - 0.12, top.y(), top.x(), top.y());
  p.lineTo(under);
  p.cubicTo(under.x() - 0.08, under.y() - 0.05, 0.56, 0.02, 0.50, -0.10);
  p.closeSubpath();
  return p;
}

// Skull and muzzle; the wedge ends in the nose's circle, which is its foremost point.
QPainterPath Head_Path(const Head_Pose& h, QPainterPath& muzzle, QPainterPath& nose, QPainterPath& ear) {
  const auto T = [&h](double x, double y) { return Turn_Head({x, y}, h); };
  QPainterPath skull;
  skull.moveTo(T(0.60, 0.35));
  skull.cubicTo(T(0.66, 0.40), T(0.76, 0.38), T(0.82, 0.33));
  skull.lineTo(T(0.84, 0.20));
  skull.cubicTo(T(0.76, 0.17), T(0.66, 0.19), T(0.61, 0.23));
  skull.closeSubpath();
  muzzle = QPainterPath();
  muzzle.moveTo(T(0.80, 0.335));
  muzzle.lineTo(T(Nose_X, Nose_Y + Nose_Radius));
  muzzle.lineTo(T(Nose_X, Nose_Y - Nose_Radius));
  muzzle.cubicTo(T(0.93, 0.19), T(0.86, 0.18), T(0.80, 0.19));
  muzzle.closeSubpath();
  nose = QPainterPath();
  const QPointF c = T(Nose_X, Nose_Y);
  nose.addEllipse(c, Nose_Radius, Nose_Radius);
  ear = QPainterPath();
  ear.moveTo(T(0.64, 0.36));
  ear.lineTo(T(0.55, 0.39));
  ear.lineTo(T(0.60, 0.32));
  ear.closeSubpath();
  return skull;
}

// A leg as joints from its root, each segment stroked at its own width.
void Draw_Leg(QPainter& painter, QPointF root, const std::array<double, 3>& angles_deg,
              const std::array<double, 3>& lengths, const std::array<double, 3>& widths, const QColor& colour) {
  QPointF at = root;
  for (size_t i = 0; i < 3; ++i) {
    const double a = angles_deg[i] * Pi / 180;
    const QPointF next(at.x() + lengths[i] * std::cos(a), at.y() + lengths[i] * std::sin(a));
    QPen pen(colour, widths[i], Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawLine(at, next);
    at = next;
  }
  painter.setPen(Qt::NoPen);
}

void Draw_Legs(QPainter& painter, double phase, bool near, const QColor& colour) {
  // Rotary gallop: the fore legs reach forward while the hind legs push back; the near legs lead.
  const double lead = near ? 0.0 : 0.07;
  const double w = 2 * Pi * (phase + lead);
  const double s = std::sin(w), c = std::cos(w);
  const double fore = -85 + 48 * s;
  Draw_Leg(painter, {0.30, -0.08}, {fore, fore - 15 - 35 * std::max(0.0, c), fore - 5 - 50 * std::max(0.0, c)},
           {0.27, 0.29, 0.09}, {0.10, 0.055, 0.045}, colour);
  const double hind = -92 - 42 * s;
  Draw_Leg(painter, {-0.34, -0.03}, {hind, hind + 38 + 25 * std::max(0.0, -c), hind - 8}, {0.30, 0.30, 0.15},
           {0.16, 0.07, 0.045}, colour);
}

class Dog_Painter {
public:
  Dog_Painter(const Scene& s, const Runner& r) : scene_(s), runner_(r), colours_(Colours_Of(r.coat)) {
    const Jacket_Look look = Jacket_Of(s.jackets, r.box);
    jacket_ = look;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(100);
    number_.addText(0, 0, font, QString::number(r.box));
    const QRectF box = number_.boundingRect();
    // 0.19 units high, in the jacket's middle; the path's y runs down, so it is turned over.
    const double k = 0.19 / box.height();
    QTransform t;
    t.translate(0.03, -0.07);
    t.scale(k, -k);
    t.translate(-box.center().x(), -box.center().y());
    number_ = t.map(number_);
    // Each parti-coloured dog has its own patches.
    uint32_t h = s.seed * 2654435761U + static_cast<uint32_t>(r.box) * 40503U;
    const auto next = [&h] {
      h ^= h << 13;
      h ^= h >> 17;
      h ^= h << 5;
      return (h % 1000) / 1000.0;
    };
    for (int i = 0; i < 3; ++i)
      patches_.push_back(
          QRectF(Lerp(-0.6, 0.6, next()), Lerp(-0.2, 0.25, next()), Lerp(0.18, 0.4, next()), Lerp(0.14, 0.3, next())));
    patch_dark_ = next() < 0.5;
  }

  // Draws the dog into `painter`, whose transform maps dog units to the layer.
  void Draw(QPainter& painter, double phase) const {
    painter.setPen(Qt::NoPen);
    const Head_Pose h = Head_At(phase);
    const QColor far_leg = Shade(colours_.base, runner_.coat == Coat::White ? 0.82 : 0.7);
    Draw_Legs(painter, phase, false, far_leg);
    Draw_Tail(painter, phase);
    const QPainterPath neck = Neck_Path(h);
    QPainterPath muzzle, nose, ear;
    const QPainterPath skull = Head_Path(h, muzzle, nose, ear);
    const QPainterPath torso = Torso_Path();
    for (const QPainterPath* part : std::initializer_list<const QPainterPath*>{&neck, &skull, &muzzle, &torso})
      Fill_Coat(painter, *part);
    if (runner_.coat == Coat::Fawn) painter.fillPath(muzzle, Shade(colours_.second, 1.0));
    painter.fillPath(ear, Shade(colours_.base, 0.75));
    painter.fillPath(nose, colours_.nose);
    Draw_Jacket(painter, torso);
    Draw_Legs(painter, phase, true, Shade(colours_.base, 0.95));
  }

private:
  void Fill_Coat(QPainter& painter, const QPainterPath& part) const {
    painter.fillPath(part, Lit(colours_.base));
    if (runner_.coat == Coat::Brindle) {
      painter.save();
      painter.setClipPath(part);
      QPen streak(colours_.second, 0.028);
      painter.setPen(streak);
      for (double x = -1.2; x < 1.4; x += 0.075)
        painter.drawLine(QPointF(x, 0.5), QPointF(x + 0.22, -0.5));
      painter.restore();
    } else if (runner_.coat == Coat::Parti) {
      painter.save();
      painter.setClipPath(part);
      painter.setBrush(patch_dark_ ? QColor(36, 32, 32) : colours_.second);
      for (const QRectF& r : patches_)
        painter.drawEllipse(r);
      painter.restore();
    }
    painter.setPen(Qt::NoPen);
  }

  void Draw_Tail(QPainter& painter, double phase) const {
    const double sway = 0.07 * std::sin(2 * Pi * phase);
    QPainterPath tail;
    tail.moveTo(-0.50, 0.06);
    tail.cubicTo(-0.72, 0.02, -0.90, -0.16 + sway, -1.04, -0.08 + sway);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colours_.base, 0.035, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(tail);
    painter.setPen(Qt::NoPen);
  }

  void Draw_Jacket(QPainter& painter, const QPainterPath& torso) const {
    painter.save();
    painter.setClipPath(torso);
    const QRectF area(-0.28, -0.5, 0.60, 1.0);
    painter.fillRect(area, Lit(jacket_.colour));
    if (jacket_.stripe.isValid()) {
      // Hoops: bands round the body.
      for (int i = 0; i < 6; ++i)
        if (i % 2 == 1) painter.fillRect(QRectF(-0.28, 0.18 - 0.09 * (i + 1), 0.60, 0.09), Lit(jacket_.stripe));
    }
    // The number reads the right way round from either side of the track.
    if (scene_.direction < 0) {
      painter.translate(0.06, 0);
      painter.scale(-1, 1);
    }
    painter.fillPath(number_, jacket_.number);
    painter.restore();
  }

  const Scene& scene_;
  const Runner& runner_;
  Coat_Colours colours_;
  Jacket_Look jacket_;
  QPainterPath number_;
  std::vector<QRectF> patches_;
  bool patch_dark_ = false;
};

uint32_t Mix(uint32_t a, uint32_t b) {
  uint32_t h = a * 0x9E3779B1U ^ (b + 0x7F4A7C15U + (a << 6) + (a >> 2));
  h ^= h >> 16;
  h *= 0x85EBCA6BU;
  h ^= h >> 13;
  return h ? h : 1;
}

// The ground, the rail and the painted line: what the camera sees without dogs.
QImage Background(const Scene& s) {
  QImage img(s.width, s.height, QImage::Format_RGB32);
  uint32_t h = Mix(s.seed, 77);
  const auto grain = [&h] {
    h ^= h << 13;
    h ^= h >> 17;
    h ^= h << 5;
    return static_cast<int>(h % 15) - 7;
  };
  const double rail = Rail_Row(s);
  const double p1 = (s.seed % 97) / 15.0, p2 = (s.seed % 89) / 13.0;
  for (int y = 0; y < s.height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < s.width; ++x) {
      int r, g, b;
      if (y < rail - 3) {
        r = 44, g = 88, b = 46; // the infield's grass beyond the rail
      } else if (s.turf) {
        const int stripe = (static_cast<int>((x + 0.3 * y) / 40) % 2) ? 6 : -6;
        r = 58 + stripe, g = 124 + stripe, b = 52 + stripe / 2;
      } else {
        const double wave = 5 * std::sin(x / 37.0 + p1) + 4 * std::sin(y / 23.0 + p2) + 3 * std::sin((x + y) / 11.0);
        r = static_cast<int>(178 + wave), g = static_cast<int>(150 + wave), b = static_cast<int>(112 + wave * 0.8);
      }
      const int n = grain();
      row[x] = qRgb(std::clamp(r + n, 0, 255), std::clamp(g + n, 0, 255), std::clamp(b + n, 0, 255));
    }
  }
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(QRectF(0, rail - 4, s.width, 4), QColor(238, 238, 236));
  p.fillRect(QRectF(0, rail, s.width, 1), QColor(120, 120, 118));
  for (int x = 17; x < s.width; x += 64)
    p.fillRect(QRectF(x, rail, 3, 12), QColor(210, 210, 206));
  // The painted line, from the rail to the bottom.
  p.setPen(QPen(QColor(236, 236, 230), 2.0));
  p.drawLine(QPointF(Line_X(s, rail), rail), QPointF(Line_X(s, s.height), s.height));
  return img;
}

// How much light reaches each pixel: 1, or less under the shadow across the line.
std::vector<float> Light(const Scene& s) {
  std::vector<float> light(static_cast<size_t>(s.width) * s.height, 1.0F);
  if (!s.shadow) return light;
  QImage mask(s.width, s.height, QImage::Format_Grayscale8);
  mask.fill(0);
  QPainter p(&mask);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255));
  const double lx = Line_X(s, 0.6 * s.height);
  QPolygonF band;
  band << QPointF(lx - 0.4 * s.width, 0.50 * s.height) << QPointF(lx + 0.3 * s.width, 0.58 * s.height)
       << QPointF(lx + 0.3 * s.width, 0.74 * s.height) << QPointF(lx - 0.4 * s.width, 0.64 * s.height);
  p.drawPolygon(band);
  p.end();
  // A soft edge: the shadow's penumbra, a few pixels wide.
  constexpr int R = 3;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      int sum = 0, n = 0;
      for (int dy = -R; dy <= R; ++dy)
        for (int dx = -R; dx <= R; dx += 2) {
          const int yy = y + dy, xx = x + dx;
          if (yy < 0 || yy >= s.height || xx < 0 || xx >= s.width) continue;
          sum += mask.constScanLine(yy)[xx];
          ++n;
        }
      light[static_cast<size_t>(y) * s.width + x] = 1.0F - 0.45F * static_cast<float>(sum) / (255.0F * n);
    }
  return light;
}

// One dog in a layer of its own, smeared along its motion over the exposure, laid over `img`.
void Composite_Dog(QImage& img, const Scene& s, const Runner& r, const Dog_Painter& painter, double ms) {
  const Place at = Place_At(s, r, ms);
  const double blur = Speed_Px_Ms(s, r) * s.exposure_ms;
  const double half_w = 1.15 * at.scale + blur / 2 + 2, up = 0.45 * at.scale, down = 0.95 * at.scale;
  const QRect area = QRectF(at.x - half_w, at.y - up - 2, 2 * half_w, up + down + 4).toAlignedRect();
  const QRect clipped = area.intersected(img.rect());
  if (clipped.isEmpty()) return;
  QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  {
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(at.x - area.left(), at.y - area.top());
    p.scale(s.direction * at.scale, -at.scale);
    painter.Draw(p, at.phase);
  }
  // Motion blur: a box of the exposure's length along the row, centred on the instant.
  const int w = layer.width();
  std::vector<double> sums(static_cast<size_t>(w + 1) * 4);
  std::vector<QRgb> out(static_cast<size_t>(w));
  const double reach = blur / 2;
  const auto sample = [&](int row_y, double x0, double x1, int channel) {
    // The integral of a channel over [x0, x1) of the row, pixels as unit steps.
    const auto prefix = [&](double x) {
      x = std::clamp(x, 0.0, static_cast<double>(w));
      const int i = static_cast<int>(x);
      const double f = x - i;
      double v = sums[static_cast<size_t>(i) * 4 + static_cast<size_t>(channel)];
      if (i < w)
        v += f * (sums[static_cast<size_t>(i + 1) * 4 + static_cast<size_t>(channel)] -
                  sums[static_cast<size_t>(i) * 4 + static_cast<size_t>(channel)]);
      return v;
    };
    (void)row_y;
    return prefix(x1) - prefix(x0);
  };
  for (int y = 0; y < layer.height(); ++y) {
    const int iy = area.top() + y;
    if (iy < 0 || iy >= img.height()) continue;
    const auto* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      const QRgb c = src[x];
      const size_t i = static_cast<size_t>(x + 1) * 4;
      sums[i + 0] = sums[i - 4] + qAlpha(c);
      sums[i + 1] = sums[i - 3] + qRed(c);
      sums[i + 2] = sums[i - 2] + qGreen(c);
      sums[i + 3] = sums[i - 1] + qBlue(c);
    }
    auto* dst = reinterpret_cast<QRgb*>(img.scanLine(iy));
    for (int x = 0; x < w; ++x) {
      const int ix = area.left() + x;
      if (ix < 0 || ix >= img.width()) continue;
      const double x0 = x + 0.5 - reach - 0.5, x1 = x + 0.5 + reach + 0.5, span = x1 - x0;
      const double a = sample(y, x0, x1, 0) / span;
      if (a < 0.5) continue;
      const double keep = 1 - a / 255.0;
      const QRgb d = dst[ix];
      dst[ix] = qRgb(static_cast<int>(sample(y, x0, x1, 1) / span + qRed(d) * keep + 0.5),
                     static_cast<int>(sample(y, x0, x1, 2) / span + qGreen(d) * keep + 0.5),
                     static_cast<int>(sample(y, x0, x1, 3) / span + qBlue(d) * keep + 0.5));
    }
  }
}

} // namespace

struct Camera::Parts {
  QImage background;
  std::vector<float> light;
  std::vector<std::unique_ptr<Dog_Painter>> painters; // by runner
};

Camera::Camera(Scene scene) : scene_(std::move(scene)), parts_(std::make_unique<Parts>()) {
  parts_->background = Background(scene_);
  parts_->light = Light(scene_);
  for (const Runner& r : scene_.runners)
    parts_->painters.push_back(std::make_unique<Dog_Painter>(scene_, r));
}

Camera::~Camera() = default;

QImage Camera::Clean(double ms) const {
  const Scene& s = scene_;
  QImage img = parts_->background.copy();
  std::vector<size_t> order(s.runners.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&s](size_t a, size_t b) { return s.runners[a].depth < s.runners[b].depth; });
  for (size_t i : order)
    if (s.runners[i].crossing_ms) Composite_Dog(img, s, s.runners[i], *parts_->painters[i], ms);
  return img;
}

void Camera::Expose(QImage& img, uint32_t key) const {
  const Scene& s = scene_;
  uint32_t h = Mix(s.seed, key);
  const auto uniform = [&h] {
    h ^= h << 13;
    h ^= h >> 17;
    h ^= h << 5;
    return static_cast<double>(h & 0xFFFF) / 32768.0 - 1.0;
  };
  for (int y = 0; y < img.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    const float* light = parts_->light.data() + static_cast<size_t>(y) * s.width;
    for (int x = 0; x < img.width(); ++x) {
      int v[3] = {qRed(row[x]), qGreen(row[x]), qBlue(row[x])};
      for (int& c : v) {
        // The sum of three uniforms has unit variance.
        const double n = s.noise * (uniform() + uniform() + uniform());
        c = std::clamp(static_cast<int>(std::lround(c * light[x] + n)), 0, 255);
      }
      row[x] = qRgb(v[0], v[1], v[2]);
    }
  }
}

double Line_X(const Scene& s, double y) {
  if (s.line_y2 == s.line_y1) return s.line_x1;
  return s.line_x1 + (y - s.line_y1) * (s.line_x2 - s.line_x1) / static_cast<double>(s.line_y2 - s.line_y1);
}

Point Muzzle_Tip(const Scene& s, const Runner& r, double ms) {
  const Place at = Place_At(s, r, ms);
  const QPointF tip = Tip_Local(at.phase);
  return {at.x + s.direction * tip.x() * at.scale, at.y - tip.y() * at.scale};
}

int32_t Frame_Interval_Ms(Rate rate) {
  switch (rate) {
  case Rate::Interlaced_25: return 40;
  case Rate::Progressive_50: return 20;
  case Rate::Progressive_100: return 10;
  }
  return 40;
}

int32_t Frame_Count(const Scene& s) { return (s.to_ms - s.from_ms) / Frame_Interval_Ms(s.rate) + 1; }

QImage Camera::Render(double ms) const {
  QImage img = Clean(ms);
  Expose(img, static_cast<uint32_t>(std::lround(ms * 16)));
  return img;
}

QImage Camera::Frame(int32_t k) const {
  const Scene& s = scene_;
  const double at = s.from_ms + static_cast<double>(k) * Frame_Interval_Ms(s.rate);
  QImage img = Clean(at);
  if (s.rate == Rate::Interlaced_25) {
    const QImage second = Clean(at + 20);
    for (int y = 1; y < img.height(); y += 2)
      std::memcpy(img.scanLine(y), second.constScanLine(y), static_cast<size_t>(img.bytesPerLine()));
  }
  Expose(img, static_cast<uint32_t>(k + 1));
  return img;
}

bool Write_Recording(const Scene& s, const QString& path, QString& why) {
  if (QFileInfo::exists(path)) {
    why = QStringLiteral("exists");
    return false;
  }
  const int32_t interval = Frame_Interval_Ms(s.rate);
  const int16_t fps = static_cast<int16_t>(1000 / interval);
  cls_VideoFile_handler recording;
  Heat_Recording_Setup setup;
  setup.file_name = path;
  setup.running_fps = fps;
  setup.crop_width = s.width;
  setup.crop_height = s.height;
  setup.goal_finish = Format_Goal_Line(s.line_x1, s.line_y1, s.line_x2, s.line_y2);
  setup.goal_split = setup.goal_finish;
  setup.goal_delay_ms = s.video_delay_ms;
  setup.capture_name = QStringLiteral("Finish scene");
  setup.capture_format = QStringLiteral("%1*%2/%3").arg(s.width).arg(s.height).arg(fps);
  setup.ten_frames_ms = 10 * interval;
  if (!Prepare_Heat_Recording(recording, setup)) {
    why = QStringLiteral("cannot create");
    return false;
  }
  // Progressive sources are recorded one picture per frame, as the program records them.
  if (s.rate != Rate::Interlaced_25) recording.XML_Header().set_RGB_interlaced(false);
  const QDateTime when(QDate(2024, 5, 4), QTime(19, 30));
  if (!Stamp_Heat_Start(recording, Start_Mill, when.time().msecsSinceStartOfDay(), when)) {
    why = QStringLiteral("cannot stamp the start");
    return false;
  }
  recording.Write_XML_Header();
  recording.Close_File();
  // Written in passes, so a long heat never holds all its pictures at once.
  const Camera camera(s);
  const int32_t count = Frame_Count(s);
  const int32_t stride = (s.width * 3 + 3) & ~3;
  std::vector<uint8_t> raw(static_cast<size_t>(stride) * s.height);
  int32_t written = 0;
  constexpr int32_t Pass = 200;
  for (int32_t first = 0; first < count; first += Pass) {
    Frame_List frames;
    for (int32_t k = first; k < std::min(count, first + Pass); ++k) {
      const QImage picture = camera.Frame(k);
      for (int y = 0; y < s.height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        uint8_t* out = raw.data() + static_cast<size_t>(s.height - 1 - y) * stride;
        for (int x = 0; x < s.width; ++x, out += 3) {
          out[0] = static_cast<uint8_t>(qBlue(in[x]));
          out[1] = static_cast<uint8_t>(qGreen(in[x]));
          out[2] = static_cast<uint8_t>(qRed(in[x]));
        }
      }
      // The picture's instant, on the clock the start was stamped on, the camera's delay later.
      const int32_t stamp = Start_Mill + s.from_ms + k * interval + s.video_delay_ms;
      Store_Frame(frames, raw.data(), static_cast<int32_t>(raw.size()), stamp, stamp, interval);
    }
    try {
      written += recording.Append_Frames(frames);
    } catch (...) {
      why = QStringLiteral("append failed");
      return false;
    }
  }
  recording.Close_File();
  if (written != count) {
    why = QStringLiteral("wrote %1 of %2 frames").arg(written).arg(count);
    return false;
  }
  return true;
}

} // namespace realistic
