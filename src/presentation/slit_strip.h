#pragma once
// The strip under the picture that shows the slit image: scrolled sideways, each field a column
// some pixels wide (Ctrl and the wheel change how wide), the boxes' goal fields and the
// proposals marked above it, the run time below it, and the field shown in the window framed.
// A click on a column asks for that field.
#include "recording/slit_image.h"
#include "timing/slit_render.h"

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <memory>

class QScrollBar;

class Slit_Strip : public QWidget {
  Q_OBJECT
public:
  static constexpr int32_t Picture_Height = 150;
  static constexpr int32_t Narrowest = 1;
  static constexpr int32_t Widest = 16;
  static constexpr int32_t Default_Width = 2;
  static constexpr int32_t Fitted_Widest = 8;

  explicit Slit_Strip(QWidget* parent = nullptr);

  void set_Slit(std::shared_ptr<const Slit_Image> slit, const Heat_Clock& clock);
  void Clear();
  // While a trigger is held: the slit of the held frames, newest column last; it grows to the
  // right and, once the strip is full, moves left. A null picture ends it.
  void set_Live(QImage picture);
  bool Showing_Live() const { return !live_.isNull(); }
  // How many columns of a live slit the strip shows at once.
  int32_t Live_Columns() const { return width() / Default_Width + 1; }
  const Slit_Image* Slit() const { return slit_.get(); }
  void set_Marks(const Slit_Marks& marks);
  const Slit_Marks& Marks() const { return marks_; }
  // Frames the column and scrolls it into view.
  void set_Cursor(int32_t column);

  int32_t Column_Width() const { return column_width_; }
  void set_Column_Width(int32_t width);
  // The column under a point of the widget; -1 outside the columns.
  int32_t Column_At(QPoint position) const;
  // Where a column's left edge is drawn now, in widget pixels.
  int32_t X_Of_Column(int32_t column) const;
  QScrollBar* Scroll_Bar() const { return scroll_; }
  QSize sizeHint() const override;

Q_SIGNALS:
  void column_clicked(int32_t column);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void Update_Scroll_Range();
  // The width that fills the strip, until the operator chooses one.
  void Fit_Columns();
  QRect Picture_Area() const;

  std::shared_ptr<const Slit_Image> slit_;
  QImage live_;
  Heat_Clock clock_;
  Slit_Marks marks_;
  int32_t column_width_ = Default_Width;
  bool fitted_ = true;
  QScrollBar* scroll_ = nullptr;
};
