#include "app/playback_controller.h"

#include "app/goal_lines_view.h"
#include "app/main_window_state.h"
#include "platform/error_report.h"
#include "platform/key_codes.h"
#include "platform/twips.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"
#include "timing/time_text.h"

#include <QAction>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>

namespace {

// A press left of this many twips goes back to the first picture: a click at the slider's left
// end, not a press anywhere near it.
constexpr double First_Picture_Zone_Twips = 170;

void report(int32_t step, const char* procedure) {
  report_current_exception(step, QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent"));
}

} // namespace

Playback_Controller::Playback_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  connect(ui_.Slider_play, &QSlider::valueChanged, this, [this] { Slider_play_Scroll(); });
  if (QAction* hd = ui_.item(QStringLiteral("item_display_HD_data")))
    connect(hd, &QAction::toggled, this, [this] { review_.Show_Again(); });
}

Playback_Controller::~Playback_Controller() = default;

void Playback_Controller::Slider_play_Scroll() { review_.Show(ui_.Slider_play->value()); }

void Playback_Controller::Recording_Opened() { Slider_play_Scroll(); }

void Playback_Controller::Picture_Shown(int32_t position) {
  int32_t step = 10;
  try {
    {
      // The slider follows a go-to without showing the picture a second time.
      const QSignalBlocker quiet(ui_.Slider_play);
      ui_.Slider_play->setValue(position);
    }
    ui_.Frame_dogs_Heat->hide();
    step = 40;
    const QSize shown = ui_.Picture_out->Picture().size();
    if (!shown.isEmpty()) {
      QImage& picture = ui_.Picture_out->Frame_Image(shown.width(), shown.height());
      const QAction* displace = ui_.item(QStringLiteral("item_displace_goalline"));
      Draw_Goal_Lines(picture, view_, displace && displace->isChecked());
      step = 50;
      const QAction* hd = ui_.item(QStringLiteral("item_display_HD_data"));
      if (hd && hd->isChecked()) Draw_HD_Data(picture);
    }
    step = 60;
    ui_.Picture_out->Refresh();
    step = 80;
    ui_.Label_heat_time->setText(Display_Mill_Time(review_.Shown_Time_Label_Ms(), false));
    ui_.Label_field->setText(QString::number(position));
  } catch (...) {
    report(step, "Slider_play_Scroll");
  }
}

void Playback_Controller::Draw_HD_Data(QImage& picture) {
  const cls_VideoFile_handler& h = review_.Recording();
  QPainter painter(&picture);
  QFont font(QStringLiteral("Times"), 20);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QColor(0, 255, 255));
  const QFontMetrics metrics(font, &picture);
  const int32_t top = 20;
  painter.drawText(QPoint(0, top + metrics.ascent()),
                   QStringLiteral("Cap. local = ") + Display_Mill_Time(h.QN3_Capture_local(), false));
  painter.drawText(QPoint(0, top + metrics.lineSpacing() + metrics.ascent()),
                   QStringLiteral("Cap. delta = ") + QString::number(h.QN3_Capture_Delta()));
}

void Playback_Controller::Form_KeyDown(int32_t keycode) {
  try {
    if ((keycode == key_code::Left || keycode == key_code::Right) && ui_.Slider_play->isEnabled())
      ui_.Slider_play->setFocus();
  } catch (...) {
    report(10, "Form_KeyDown");
  }
}

bool Playback_Controller::Slider_play_MouseDown(double x) {
  try {
    if (x * Twips_Per_Pixel() >= First_Picture_Zone_Twips) return false;
    review_.Show(ui_.Slider_play->minimum());
    return true;
  } catch (...) {
    report(10, "Slider_play_MouseDown");
  }
  return false;
}

void Playback_Controller::Slider_play_MouseUp() { view_.Print_Dog_Name.clear(); }

void Playback_Controller::Loose_Focus() {
  try {
    ui_.Picture_out->setFocus();
  } catch (...) {
    report(10, "Loose_Focus");
  }
}
