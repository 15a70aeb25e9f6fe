// The capture source's own drawing: the cropped picture and the running arm.
#include "capture/capture_hdmi.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

void cls_Capture_HDMI::Draw_Cropped_DIB(QPaintDevice& box) const {
  if (!cropped_.Is_Empty()) cropped_.StretchPicture(box);
}

void cls_Capture_HDMI::Draw_Running_Arm_2(QPaintDevice& box, const QColor& colour, const QColor& background) const {
  const QRect inner = Inner_Area(box);
  QPainter painter(&box);
  painter.fillRect(inner, background);
  const double a = arm_counter_ / 100.0 * 2 * 3.14159 - 1.570795;
  const int32_t cx = inner.width() / 2;
  const int32_t cy = inner.height() / 2;
  const int32_t width = std::min(inner.width() / 8, 4);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(colour, std::max(width, 1), Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(inner.left() + cx + cx * std::cos(a), inner.top() + cy + cy * std::sin(a)),
                   QPointF(inner.left() + cx, inner.top() + cy));
}
