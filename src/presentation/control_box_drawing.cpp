#include "presentation/control_box_drawing.h"

#include "imaging/api_draw.h"

#include <QFont>
#include <QPainter>
#include <cmath>

namespace {

// Colours for the drawing helpers carry red in the low byte.
uint32_t rgb(const QColor& c) {
  return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8U) |
         (static_cast<uint32_t>(c.blue()) << 16U);
}

const QColor White(255, 255, 255);

void disc(QPainter& painter, const QRect& shape, const QColor& rim) {
  const QPoint centre = shape.topLeft() + QPoint(shape.width() / 2, shape.height() / 2);
  Gradient_Circle(painter, centre.x(), centre.y(), shape.width() / 2, rgb(White), rgb(rim));
}

} // namespace

QImage Draw_Control_Lamps(const Control_Lamps_State& state) {
  QImage picture(Control_Box_Layout::Lamps, QImage::Format_RGB32);
  picture.fill(state.face);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing, false);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(16); // 12 points at 96 dots per inch
  painter.setFont(font);

  const QRect rm = Control_Box_Layout::RM_Open;
  disc(painter, rm, state.start_contact ? QColor(197, 132, 0) : state.face);
  painter.setPen(state.start_contact ? QColor(0, 0, 255) : White);
  painter.drawText(QPoint(rm.left(), rm.top() + rm.height() / 3 + painter.fontMetrics().ascent()),
                   state.start_contact ? QStringLiteral("Closed") : QStringLiteral("Open"));

  for (std::size_t i = 0; i < Control_Box_Layout::Camera.size(); ++i) {
    const QRect shape = Control_Box_Layout::Camera.at(i);
    const QColor colour = !state.attached ? state.face : (state.camera.at(i) ? QColor(255, 0, 0) : QColor(0, 192, 0));
    // The camera's body, then its lens as a disc.
    painter.fillRect(shape.adjusted(0, shape.height() / 4, 0, -shape.height() / 4), colour);
    disc(painter, shape, colour);
  }
  return picture;
}

QImage Draw_Start_Switch_Picture(QSize size, bool armed) {
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(armed ? QColor(0, 192, 0) : QColor(255, 192, 192));
  QPainter painter(&picture);
  const int h = static_cast<int>(std::lround(size.height() / 1.6));
  const int lever_height = size.height() / 3;
  const int lever_width = std::max(4, size.width() / 6);
  const int lever_top = armed ? h - lever_height : h;
  painter.fillRect(QRect(size.width() - 2 * lever_width, lever_top, lever_width, lever_height), QColor(64, 64, 64));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(12);
  painter.setFont(font);
  painter.setPen(QColor(0, 0, 0));
  painter.drawText(QPoint(2, 2 + painter.fontMetrics().ascent()),
                   armed ? QStringLiteral("Armed") : QStringLiteral("Not Armed"));
  return picture;
}

QImage Draw_LED_Picture(QSize size, bool lit, const QColor& background) {
  QImage picture(size, QImage::Format_RGB32);
  const QColor colour = lit ? QColor(255, 255, 0) : QColor(100, 100, 100);
  picture.fill(background);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(colour.darker(150), 2));
  painter.setBrush(colour);
  const double radius = size.width() / 3.0;
  painter.drawEllipse(QPointF(size.width() / 2.0, size.height() / 2.0), radius, radius);
  return picture;
}
