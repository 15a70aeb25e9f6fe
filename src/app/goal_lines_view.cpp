#include "app/goal_lines_view.h"

#include "app/main_window_state.h"
#include "platform/error_report.h"

#include <QFont>
#include <QPainter>

namespace {

QString location() { return QStringLiteral("Draw_Goal_Line of Form Form_Doravent"); }

bool valid_camera(int16_t camera) { return camera == 1 || camera == 2; }

} // namespace

Goal_Line Goal_Line_Of(const Main_Window_State& view, int16_t camera) {
  if (!valid_camera(camera)) return {};
  const Goal_Point& p1 = view.Goal_Point_1.at(static_cast<size_t>(camera));
  const Goal_Point& p2 = view.Goal_Point_2.at(static_cast<size_t>(camera));
  return {p1.x, p1.y, p2.x, p2.y};
}

void set_Goal_Line_Of(Main_Window_State& view, int16_t camera, const Goal_Line& line) {
  if (!valid_camera(camera)) return;
  view.Goal_Point_1.at(static_cast<size_t>(camera)) = {line.x1, line.y1};
  view.Goal_Point_2.at(static_cast<size_t>(camera)) = {line.x2, line.y2};
}

Goal_Line Selected_Goal_Line(const Main_Window_State& view) {
  return Goal_Line_Of(view, view.Selected_Camera == 2 ? int16_t{2} : int16_t{1});
}

void Draw_Goal_Lines(QImage& picture, const Main_Window_State& view, bool displace_mode) {
  const int16_t camera = view.Selected_Camera;
  if (!valid_camera(camera)) return;
  const Goal_Line line = Goal_Line_Of(view, camera);
  // Each copy is its own drawing: a copy pushed off the 16-bit range is reported alone.
  for (const bool displaced : {false, true}) {
    try {
      const Goal_Line drawn = displaced ? Displaced_Line(line, view.Goal_Displacement) : line;
      Draw_Goal_Line(picture, drawn, Goal_Line_Colour(camera, displaced, displace_mode));
    } catch (...) {
      report_current_exception(displaced ? 20 : 10, location());
    }
  }
}

void Draw_Live_Goal_Line(QImage& picture, const Main_Window_State& view) {
  const int16_t camera = view.Selected_Camera;
  if (!valid_camera(camera) || picture.isNull()) return;
  int32_t step = 10;
  try {
    const Goal_Line line = Goal_Line_Of(view, camera);
    Draw_Goal_Line(picture, line, Goal_Line_Colour(camera, false, false));
    step = 20;
    Draw_Goalline_Selection_Boxes(picture, line);
    step = 30;
    // The camera's role, large and low on the picture, where it hides no runner at the line.
    QPainter painter(&picture);
    painter.setFont(QFont(QStringLiteral("Times"), 52));
    painter.setPen(camera == 1 ? QColor(0, 255, 255) : QColor(255, 255, 0));
    painter.drawText(QPoint(picture.width() * 35 / 100, picture.height() * 90 / 100),
                     camera == 1 ? QStringLiteral("Goal") : QStringLiteral("Split"));
  } catch (...) {
    report_current_exception(step, location());
  }
}
