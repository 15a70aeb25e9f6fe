#include "app/loupe_controller.h"

#include "app/goal_lines_view.h"
#include "app/main_window_state.h"
#include "platform/error_report.h"
#include "platform/prompts.h"
#include "presentation/loupe_view.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"
#include "timing/subfield_time.h"

#include <QAction>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstring>

QString Loupe_Keys_Text() {
  return QStringLiteral("Loupe keys (Finish, Loupe):\n"
                        "Ctrl+2  loupe x2\n"
                        "Ctrl+4  loupe x4\n"
                        "Ctrl+8  loupe x8\n"
                        "Ctrl+0  loupe off\n"
                        "Ctrl+M  loupe under the mouse, or at the goal line at the mouse's row\n"
                        "Ctrl+I  slit image under the picture");
}

Loupe_Controller::Loupe_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  auto* layout = new QVBoxLayout(ui_.Frame_loupe);
  layout->setContentsMargins(0, 0, 0, 0);
  loupe_view_ = new Loupe_View(ui_.Frame_loupe);
  layout->addWidget(loupe_view_);
  const std::pair<const char*, int32_t> zooms[] = {
      {"item_loupe_off", 0}, {"item_loupe_2", 2}, {"item_loupe_4", 4}, {"item_loupe_8", 8}};
  for (const auto& [name, zoom] : zooms)
    if (QAction* a = ui_.item(QString::fromLatin1(name)))
      connect(a, &QAction::triggered, this, [this, zoom = zoom] { set_Zoom(zoom); });
  if (QAction* follow = ui_.item(QStringLiteral("item_loupe_mouse")))
    connect(follow, &QAction::toggled, this, [this](bool on) { set_Follow_Mouse(on); });
  if (QAction* keys = ui_.item(QStringLiteral("item_loupe_keys")))
    connect(keys, &QAction::triggered, this, [] { Msg_Box(Loupe_Keys_Text(), QStringLiteral("Loupe keys")); });
  ui_.Picture_out->installEventFilter(this);
}

Loupe_Controller::~Loupe_Controller() = default;

void Loupe_Controller::set_Zoom(int32_t zoom) {
  try {
    zoom_ = zoom == 2 || zoom == 4 || zoom == 8 ? zoom : 0;
    const char* name = zoom_ == 0   ? "item_loupe_off"
                       : zoom_ == 2 ? "item_loupe_2"
                       : zoom_ == 4 ? "item_loupe_4"
                                    : "item_loupe_8";
    if (QAction* a = ui_.item(QString::fromLatin1(name))) a->setChecked(true);
    const bool shown = zoom_ != 0;
    if (shown != !ui_.Frame_loupe->isHidden()) {
      ui_.Frame_loupe->setVisible(shown);
      frame_.Arrange_form();
    }
    Refresh();
  } catch (...) {
    report_current_exception(10, QStringLiteral("Loupe_Zoom of Form Form_Doravent"));
  }
}

void Loupe_Controller::set_Follow_Mouse(bool on) {
  follow_mouse_ = on;
  if (QAction* follow = ui_.item(QStringLiteral("item_loupe_mouse")); follow && follow->isChecked() != on)
    follow->setChecked(on);
  Refresh();
}

void Loupe_Controller::Mouse_At(QPointF picture_position) {
  mouse_ = picture_position;
  Refresh();
}

bool Loupe_Controller::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_.Picture_out && event->type() == QEvent::MouseMove && zoom_ != 0)
    Mouse_At(ui_.Picture_out->To_Picture(static_cast<QMouseEvent*>(event)->position()));
  return QObject::eventFilter(watched, event);
}

const cDIBSection* Loupe_Controller::Shown_Surface() const {
  cls_VideoFile_handler& h = review_.Recording();
  // The picture as decoded and turned, without the goal line drawn over the nose.
  const cDIBSection& surface =
      h.Rotated() ? h.Rotate_Surface() : (review_.Field_Mode() ? h.Field_Surface() : h.Decode_Surface());
  return surface.Is_Empty() ? nullptr : &surface;
}

void Loupe_Controller::Refresh() {
  try {
    if (zoom_ == 0) return;
    const cDIBSection* surface = review_.Is_Open() ? Shown_Surface() : nullptr;
    if (!surface) {
      loupe_view_->Clear();
      return;
    }
    const int32_t width = surface->Width(), height = surface->Height();
    const std::optional<Goal_Line> line = Selected_Goal_Line(view_);
    double cx = width / 2.0, cy = height / 2.0;
    if (mouse_) {
      cx = mouse_->x();
      cy = mouse_->y();
    } else if (line) {
      cy = (line->y1 + line->y2) / 2.0;
    }
    if (!follow_mouse_ && line) cx = Line_Pixel_At(*line, static_cast<int32_t>(std::floor(cy))) + 0.5;
    const int32_t span = std::min({Loupe_View::Span(zoom_), width, height});
    const int32_t left = std::clamp(static_cast<int32_t>(std::floor(cx)) - span / 2, 0, width - span);
    const int32_t top = std::clamp(static_cast<int32_t>(std::floor(cy)) - span / 2, 0, height - span);
    QImage patch(span, span, QImage::Format_BGR888);
    for (int32_t y = 0; y < span; ++y)
      std::memcpy(patch.scanLine(y), surface->Row(top + y) + 3 * left, static_cast<size_t>(span) * 3);
    loupe_view_->set_View(patch, QPoint(left, top), zoom_, line);
  } catch (...) {
    report_current_exception(10, QStringLiteral("Loupe_Refresh of Form Form_Doravent"));
  }
}
