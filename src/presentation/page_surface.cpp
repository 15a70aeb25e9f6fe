#include "presentation/page_surface.h"

#include "platform/error_report.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPen>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {
constexpr int16_t printer_error_number = 482;
constexpr double twips_per_point = 20.0;
} // namespace

Page_Surface::Page_Surface(QPagedPaintDevice& device) : device_(device), font_(QStringLiteral("Arial")) {
  font_.setPointSizeF(10);
  const int dpi = device_.logicalDpiX();
  dpi_ = dpi > 0 ? dpi : 1200;
  if (!painter_.begin(&device_)) throw Dora_Error(printer_error_number, QStringLiteral("Printer error"));
  painter_.setRenderHint(QPainter::Antialiasing, true);
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
  // Without it a PDF gets every picture re-encoded as JPEG at Qt's own quality: a photo finish
  // would lose detail its recording holds.
  painter_.setRenderHint(QPainter::LosslessImageRendering, true);
  apply_font();
}

Page_Surface::~Page_Surface() {
  if (painter_.isActive()) painter_.end();
}

double Page_Surface::ScaleWidth() const { return To_Twips(device_.width()); }
double Page_Surface::ScaleHeight() const { return To_Twips(device_.height()); }
double Page_Surface::Width() const { return device_.pageLayout().fullRectPoints().width() * twips_per_point; }
double Page_Surface::Height() const { return device_.pageLayout().fullRectPoints().height() * twips_per_point; }
QPointF Page_Surface::Printable_Origin() const {
  return QPointF(device_.pageLayout().paintRectPoints().topLeft()) * twips_per_point;
}

void Page_Surface::apply_font() {
  if (painter_.isActive()) painter_.setFont(font_);
}

void Page_Surface::set_FontName(const QString& name) {
  font_.setFamily(name);
  apply_font();
}

void Page_Surface::set_FontSize(double points) {
  if (std::isnan(points)) return;
  font_.setPointSizeF(std::clamp(points, 1.0, 1000.0));
  apply_font();
}

void Page_Surface::set_FontBold(bool on) {
  font_.setBold(on);
  apply_font();
}

void Page_Surface::set_FontItalic(bool on) {
  font_.setItalic(on);
  apply_font();
}

void Page_Surface::set_FontUnderline(bool on) {
  font_.setUnderline(on);
  apply_font();
}

double Page_Surface::TextWidth(const QString& text) const {
  const QFontMetricsF metrics(font_, &device_);
  double widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n')))
    widest = std::max(widest, metrics.horizontalAdvance(line));
  return To_Twips(widest);
}

double Page_Surface::TextHeight(const QString& text) const {
  const QFontMetricsF metrics(font_, &device_);
  const auto lines = static_cast<double>(text.count(QLatin1Char('\n')) + 1);
  return To_Twips(metrics.lineSpacing()) * lines;
}

void Page_Surface::print_one_line(const QString& text) {
  if (!painter_.isActive()) return;
  const QFontMetricsF metrics(font_, &device_);
  if (!text.isEmpty()) {
    painter_.setPen(QPen(fore_color_));
    painter_.drawText(QPointF(To_Dots(current_x_), To_Dots(current_y_) + metrics.ascent()), text);
  }
  current_x_ += To_Twips(metrics.horizontalAdvance(text));
}

void Page_Surface::Print_Text(const QString& text) {
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      current_x_ = left_margin_;
      current_y_ += TextHeight();
    }
    QString line = lines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    print_one_line(line);
  }
}

void Page_Surface::Print_Line(const QString& text) {
  Print_Text(text);
  current_x_ = left_margin_;
  current_y_ += TextHeight();
}

void Page_Surface::Line(double x1, double y1, double x2, double y2) { Line(x1, y1, x2, y2, fore_color_); }

void Page_Surface::Line(double x1, double y1, double x2, double y2, const QColor& colour) {
  if (painter_.isActive()) {
    painter_.setPen(QPen(colour, draw_width_));
    painter_.drawLine(QPointF(To_Dots(x1), To_Dots(y1)), QPointF(To_Dots(x2), To_Dots(y2)));
  }
  current_x_ = x2;
  current_y_ = y2;
}

void Page_Surface::Box(double x1, double y1, double x2, double y2, const QColor& colour) {
  if (painter_.isActive()) {
    painter_.setPen(QPen(colour, draw_width_));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRectF(QPointF(To_Dots(x1), To_Dots(y1)), QPointF(To_Dots(x2), To_Dots(y2))).normalized());
  }
  current_x_ = x2;
  current_y_ = y2;
}

void Page_Surface::Fill_Box(double x1, double y1, double x2, double y2, const QColor& colour) {
  if (painter_.isActive()) {
    painter_.fillRect(QRectF(QPointF(To_Dots(x1), To_Dots(y1)), QPointF(To_Dots(x2), To_Dots(y2))).normalized(),
                      colour);
  }
  current_x_ = x2;
  current_y_ = y2;
}

void Page_Surface::PaintPicture(const QImage& picture, double x, double y, double width, double height,
                                double twips_per_pixel) {
  if (!painter_.isActive() || picture.isNull()) return;
  if (!(twips_per_pixel > 0)) twips_per_pixel = 15.0;
  // A window grabbed on a scaled desktop holds more device pixels than its logical size: it is
  // printed at the size it has on the screen.
  const double ratio = picture.devicePixelRatio() > 0 ? picture.devicePixelRatio() : 1.0;
  if (!(width > 0)) width = picture.width() / ratio * twips_per_pixel;
  if (!(height > 0)) height = picture.height() / ratio * twips_per_pixel;
  painter_.drawImage(QRectF(To_Dots(x), To_Dots(y), To_Dots(width), To_Dots(height)), picture);
}

void Page_Surface::NewPage() {
  if (!painter_.isActive()) return;
  device_.newPage();
  current_x_ = left_margin_;
  current_y_ = 0;
}

void Page_Surface::EndDoc() {
  if (painter_.isActive()) painter_.end();
  ended_ = true;
}
