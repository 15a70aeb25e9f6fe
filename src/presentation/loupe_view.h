#pragma once
// The loupe: a patch of the picture magnified 2, 4 or 8 times, each pixel a square of its own
// colour (no smoothing), with the goal line marked at the left edge of its pixel in every row, so
// the operator sees pixel by pixel whether the nose has reached it.
#include "timing/goal_line.h"

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <optional>

class Loupe_View : public QWidget {
  Q_OBJECT
public:
  static constexpr int32_t Side = 224; // pixels on screen

  explicit Loupe_View(QWidget* parent = nullptr);

  // The patch (its top-left pixel is `origin` in the picture), the magnification and the line.
  void set_View(const QImage& patch, QPoint origin, int32_t zoom, const std::optional<Goal_Line>& line);
  void Clear();
  int32_t Zoom() const { return zoom_; }
  QPoint Origin() const { return origin_; }
  const QImage& Patch() const { return patch_; }
  // Picture pixels the loupe shows across at a magnification.
  static int32_t Span(int32_t zoom) { return zoom > 0 ? Side / zoom : Side; }
  QSize sizeHint() const override { return {Side + 2, Side + 2}; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QImage patch_;
  QPoint origin_;
  int32_t zoom_ = 4;
  std::optional<Goal_Line> line_;
};
