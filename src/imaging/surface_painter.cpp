#include "imaging/surface_painter.h"

#include <cstring>

Surface_Painter::Surface_Painter(cDIBSection& surface)
    : Surface_Painter(surface, QRect(0, 0, surface.Width(), surface.Height())) {}

Surface_Painter::Surface_Painter(cDIBSection& surface, const QRect& area) : surface_(surface) {
  const QRect whole(0, 0, surface.Width(), surface.Height());
  const QRect clipped = surface.Is_Empty() ? QRect() : area.intersected(whole);
  if (!clipped.isEmpty()) {
    rows_ = QRect(0, clipped.top(), surface.Width(), clipped.height());
    image_ = QImage(rows_.width(), rows_.height(), QImage::Format_BGR888);
  }
  if (image_.isNull()) {
    // Nothing to paint on: a scratch pixel keeps the painter active and quiet.
    rows_ = QRect();
    image_ = QImage(1, 1, QImage::Format_BGR888);
    painter_.begin(&image_);
    painter_.setClipRect(QRect(0, 0, 0, 0));
    return;
  }
  const auto row_bytes = static_cast<size_t>(rows_.width()) * 3;
  for (int j = 0; j < rows_.height(); ++j)
    std::memcpy(image_.scanLine(j), surface.Row(rows_.top() + j), row_bytes);
  painter_.begin(&image_);
  painter_.translate(0, -rows_.top());
  painter_.setClipRect(clipped);
}

Surface_Painter::~Surface_Painter() { end(); }

void Surface_Painter::end() {
  if (!painter_.isActive()) return;
  painter_.end();
  if (rows_.isEmpty() || surface_.Is_Empty() || surface_.Width() != rows_.width() ||
      rows_.bottom() >= surface_.Height())
    return; // the surface was re-created meanwhile
  const auto row_bytes = static_cast<size_t>(rows_.width()) * 3;
  for (int j = 0; j < rows_.height(); ++j)
    std::memcpy(surface_.Row(rows_.top() + j), image_.constScanLine(j), row_bytes);
}
