#pragma once
#include "imaging/dib_section.h"

#include <QImage>
#include <QPainter>
#include <QRect>

// A QPainter over a surface in picture coordinates (y = 0 at the top). Painting goes into a
// top-down copy of the rows it may touch, written back bottom-up when the painter ends, so
// every caller keeps the surface's layout. Give the area to be painted when it is small: only
// its rows are copied, and painting is clipped to it.
class Surface_Painter {
public:
  explicit Surface_Painter(cDIBSection& surface);
  Surface_Painter(cDIBSection& surface, const QRect& area);
  ~Surface_Painter();
  Surface_Painter(const Surface_Painter&) = delete;
  Surface_Painter& operator=(const Surface_Painter&) = delete;

  QPainter& painter() { return painter_; }
  QPainter* operator->() { return &painter_; }
  // Ends painting and writes the rows back now; later drawing goes nowhere.
  void end();

private:
  cDIBSection& surface_;
  QRect rows_; // surface rows held in image_, full width
  QImage image_;
  QPainter painter_;
};
