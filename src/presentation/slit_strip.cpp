#include "presentation/slit_strip.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

Slit_Strip::Slit_Strip(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Slit_strip"));
  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setObjectName(QStringLiteral("Slit_strip_scroll"));
  connect(scroll_, &QScrollBar::valueChanged, this, [this] { update(); });
  setMinimumHeight(sizeHint().height());
  setCursor(Qt::PointingHandCursor);
}

QSize Slit_Strip::sizeHint() const {
  return {400, Slit_Marks_Height + Picture_Height + Slit_Scale_Height + scroll_->sizeHint().height()};
}

QRect Slit_Strip::Picture_Area() const { return {0, Slit_Marks_Height, width(), Picture_Height}; }

void Slit_Strip::set_Slit(std::shared_ptr<const Slit_Image> slit, const Heat_Clock& clock) {
  slit_ = std::move(slit);
  clock_ = clock;
  fitted_ = true;
  Fit_Columns();
  Update_Scroll_Range();
  update();
}

void Slit_Strip::Fit_Columns() {
  // A short heat fills the strip; a long one starts at a width that still shows each field.
  if (!fitted_ || !slit_ || slit_->Columns() <= 0) return;
  column_width_ = std::clamp(width() / slit_->Columns(), Default_Width, Fitted_Widest);
  Update_Scroll_Range();
}

void Slit_Strip::set_Live(QImage picture) {
  live_ = std::move(picture);
  update();
}

void Slit_Strip::Clear() {
  slit_.reset();
  live_ = QImage();
  marks_ = {};
  Update_Scroll_Range();
  update();
}

void Slit_Strip::set_Marks(const Slit_Marks& marks) {
  const int32_t cursor = marks.cursor_column;
  marks_ = marks;
  marks_.cursor_column = -1;
  set_Cursor(cursor);
  update();
}

void Slit_Strip::set_Cursor(int32_t column) {
  marks_.cursor_column = column;
  if (slit_ && column >= 0) {
    // Scrolled only as far as needed to show it, with a few columns to spare.
    const int32_t x = column * column_width_;
    const int32_t spare = 8 * column_width_;
    if (x - spare < scroll_->value()) scroll_->setValue(std::max(0, x - spare));
    if (x + column_width_ + spare > scroll_->value() + width())
      scroll_->setValue(std::min(scroll_->maximum(), x + column_width_ + spare - width()));
  }
  update();
}

void Slit_Strip::set_Column_Width(int32_t width) {
  fitted_ = false;
  width = std::clamp(width, Narrowest, Widest);
  if (width == column_width_) return;
  // The column in the middle stays in the middle.
  const double middle = (scroll_->value() + this->width() / 2.0) / column_width_;
  column_width_ = width;
  Update_Scroll_Range();
  scroll_->setValue(static_cast<int>(middle * column_width_ - this->width() / 2.0));
  update();
}

void Slit_Strip::Update_Scroll_Range() {
  const int32_t total = slit_ ? slit_->Columns() * column_width_ : 0;
  scroll_->setRange(0, std::max(0, total - width()));
  scroll_->setPageStep(std::max(1, width()));
  scroll_->setSingleStep(column_width_);
}

int32_t Slit_Strip::X_Of_Column(int32_t column) const { return column * column_width_ - scroll_->value(); }

int32_t Slit_Strip::Column_At(QPoint position) const {
  if (!slit_ || position.y() < 0 || position.y() >= scroll_->y()) return -1;
  const int32_t column = (position.x() + scroll_->value()) / column_width_;
  return column >= 0 && column < slit_->Columns() ? column : -1;
}

void Slit_Strip::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int h = scroll_->sizeHint().height();
  scroll_->setGeometry(0, height() - h, width(), h);
  Fit_Columns();
  Update_Scroll_Range();
}

void Slit_Strip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (!live_.isNull()) {
    // Growing to the right from the strip's left edge; once full, the newest column at its right.
    const int32_t drawn = live_.width() * Default_Width;
    const QRect area = Picture_Area();
    const int32_t left = drawn <= area.width() ? 0 : area.width() - drawn;
    painter.drawImage(QRect(left, area.top(), drawn, area.height()), live_);
    return;
  }
  if (!slit_ || slit_->Is_Empty()) return;
  Slit_View view;
  view.column_width = column_width_;
  view.first_column = scroll_->value() / column_width_;
  view.left = view.first_column * column_width_ - scroll_->value();
  view.last_column = std::min(slit_->Columns() - 1, view.first_column + width() / column_width_ + 1);
  view.marks_band = QRect(0, 0, width(), Slit_Marks_Height);
  view.picture = Picture_Area();
  view.scale_band = QRect(0, Slit_Marks_Height + Picture_Height, width(), Slit_Scale_Height);
  Paint_Slit(painter, *slit_, view, marks_, clock_);
}

void Slit_Strip::mousePressEvent(QMouseEvent* event) {
  const int32_t column = Column_At(event->position().toPoint());
  if (event->button() == Qt::LeftButton && column >= 0) Q_EMIT column_clicked(column);
  QWidget::mousePressEvent(event);
}

void Slit_Strip::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 120;
  if (event->modifiers() & Qt::ControlModifier) {
    set_Column_Width(column_width_ + steps);
  } else {
    scroll_->setValue(scroll_->value() - steps * 8 * column_width_);
  }
  event->accept();
}
