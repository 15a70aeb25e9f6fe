#include "presentation/runner_label.h"

#include "platform/error_report.h"
#include "platform/prompts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Largest_Size = 110;
constexpr int Smallest_Size = 8;

QFont sized(QFont font, double points, double pixels_per_point) {
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * pixels_per_point))));
  return font;
}

} // namespace

int Max_Font(const QString& text, const QFont& font, int32_t width_px, double pixels_per_point) {
  int32_t step = 10;
  try {
    if (!(pixels_per_point > 0)) throw Dora_Error(5, QStringLiteral("Invalid procedure call or argument"));
    for (int size = Largest_Size; size >= Smallest_Size; size -= 2) {
      step = 20;
      const QFontMetricsF metrics(sized(font, size, pixels_per_point));
      if (metrics.horizontalAdvance(text) <= width_px) return size;
    }
  } catch (...) {
    const Error_Info info = describe_exception(std::current_exception());
    Msg_Box(info.description + QStringLiteral(" ") + QString::number(step) + QStringLiteral(" Max_Font error! "));
  }
  return Smallest_Size;
}

void print_BOX_Time(QImage& picture, int16_t rank, int16_t box, const QString& dog_name, const QString& header_name,
                    const Runner_Label_Style& style) {
  int32_t step = 10;
  try {
    if (picture.isNull()) return;
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(style.colour ? QColor(255, 255, 0) : QColor(0, 0, 0));
    double points = Runner_Label_Points;
    QFont font(QStringLiteral("Arial"));
    font = sized(font, points, style.pixels_per_point);
    painter.setFont(font);
    const double x = 0.02 * picture.width();
    double y = 0.8 * picture.height();

    step = 20;
    QString name = dog_name;
    if (name.isEmpty()) {
      const QFontMetricsF metrics(font);
      painter.drawText(QPointF(x, y + metrics.ascent()),
                       QString::number(rank) + QStringLiteral("     Dog:") + QString::number(box));
      y += metrics.lineSpacing();
      name = header_name;
    }

    step = 30;
    // The name keeps clear of both sides of the picture.
    const auto room = static_cast<int32_t>(picture.width() - 2 * x);
    const int fitting = Max_Font(name, font, room, style.pixels_per_point);
    if (fitting < points) {
      points = fitting;
      font = sized(font, points, style.pixels_per_point);
      painter.setFont(font);
    }
    step = 40;
    const QFontMetricsF metrics(font);
    painter.drawText(QPointF(x, y + metrics.ascent()), name);
  } catch (...) {
    report_current_exception(step, QStringLiteral("print_BOX_Time of Form Form_Doravent"));
  }
}
