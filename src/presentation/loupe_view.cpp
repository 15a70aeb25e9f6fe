#include "presentation/loupe_view.h"

#include "timing/subfield_time.h"

#include <QPainter>

Loupe_View::Loupe_View(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Picture_loupe"));
  setFixedSize(sizeHint());
}

void Loupe_View::set_View(const QImage& patch, QPoint origin, int32_t zoom, const std::optional<Goal_Line>& line) {
  patch_ = patch;
  origin_ = origin;
  zoom_ = zoom;
  line_ = line;
  update();
}

void Loupe_View::Clear() {
  patch_ = QImage();
  line_.reset();
  update();
}

void Loupe_View::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (patch_.isNull() || zoom_ <= 0) return;
  // Nearest pixels: each picture pixel a zoom x zoom square.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRect(1, 1, patch_.width() * zoom_, patch_.height() * zoom_), patch_);
  if (line_) {
    // The line's pixel in each row, marked along its left edge: a nose in that pixel or beyond
    // has reached the line.
    painter.setPen(QPen(QColor(255, 0, 255), 1));
    for (int32_t row = 0; row < patch_.height(); ++row) {
      const int32_t x = Line_Pixel_At(*line_, origin_.y() + row) - origin_.x();
      if (x < 0 || x > patch_.width()) continue;
      const int32_t sx = 1 + x * zoom_;
      painter.drawLine(sx, 1 + row * zoom_, sx, row * zoom_ + zoom_);
    }
  }
  painter.setPen(QColor(255, 255, 0));
  painter.drawText(QRect(4, 2, Side, 16), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("x%1").arg(zoom_));
  painter.setPen(QColor(128, 128, 128));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
