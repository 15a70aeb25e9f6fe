#include "platform/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {
constexpr double twips_per_inch = 1440.0;
constexpr double default_twips_per_pixel = 15.0;

const QScreen* primary_screen() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
  return QGuiApplication::primaryScreen();
}

int32_t rounded(double v) {
  if (!(std::abs(v) < 2147483647.0)) return v < 0 ? INT32_MIN : INT32_MAX;
  return static_cast<int32_t>(std::lround(v));
}
} // namespace

double Twips_Per_Pixel() {
  const QScreen* screen = primary_screen();
  if (!screen) return default_twips_per_pixel;
  const double dpi = screen->logicalDotsPerInch();
  if (!(dpi > 0.0)) return default_twips_per_pixel;
  return twips_per_inch / dpi;
}

int32_t Pixels_To_Twips(int32_t pixels) { return rounded(pixels * Twips_Per_Pixel()); }

int32_t Twips_To_Pixels(int32_t twips) { return rounded(twips / Twips_Per_Pixel()); }

QSize Screen_Size_Twips() {
  const QScreen* screen = primary_screen();
  if (!screen) return {};
  const QSize pixels = screen->size();
  return {Pixels_To_Twips(pixels.width()), Pixels_To_Twips(pixels.height())};
}
