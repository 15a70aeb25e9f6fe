#include "app/playback_controller.h"

#include "app/form_doravent.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/key_codes.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "platform/twips.h"
#include "recording/video_file_handler.h"
#include "timing/run_time.h"
#include "timing/time_text.h"

#include <QAction>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

namespace {

// A press left of this many twips goes back to the first picture: a click at the slider's left
// end, not a press anywhere near it.
constexpr double First_Picture_Zone_Twips = 170;

struct Busy_Guard {
  explicit Busy_Guard(bool& flag) : flag_(flag) { flag_ = true; }
  ~Busy_Guard() { flag_ = false; }
  Busy_Guard(const Busy_Guard&) = delete;
  Busy_Guard& operator=(const Busy_Guard&) = delete;
  bool& flag_;
};

int16_t To_Frame(int32_t value) { return static_cast<int16_t>(std::clamp(value, 0, int32_t{INT16_MAX})); }

} // namespace

Playback_Controller::Playback_Controller(Form_Doravent& window) : w_(window) {
  connect(w_.Slider_play, &QSlider::valueChanged, this, [this] { Slider_play_Scroll(); });
  if (QAction* hd = w_.item(QStringLiteral("item_display_HD_data")))
    connect(hd, &QAction::toggled, this, [this] { Slider_play_Scroll(); });
}

Playback_Controller::~Playback_Controller() = default;

std::optional<int32_t> Playback_Controller::Shown_Run_Time() const {
  if (!shown_readable_ || !w_.obj_QN3_Handler().File_open()) return std::nullopt;
  return w_.state().Heat_Elapsed_Mill;
}

void Playback_Controller::report(int32_t step, const char* procedure) {
  report_current_exception(step, QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent"));
}

void Playback_Controller::Redraw_After_Open() {
  // Opening switches displacement off; the first picture must not show the copy's colour.
  if (QAction* displace = w_.item(QStringLiteral("item_displace_goalline"))) displace->setChecked(false);
  Slider_play_Scroll();
}

void Playback_Controller::Slider_play_Scroll() {
  int32_t step = 10;
  try {
    cls_VideoFile_handler& h = w_.obj_QN3_Handler();
    if (!h.File_open()) return;
    if (!h.Still_On_Disk()) {
      // Nothing more can be read from it or written to it with any meaning.
      const QString path = h.File_name();
      links_.close_review();
      Msg_Box(Recording_Gone_Message(path) + QStringLiteral("\r\nIt was closed."));
      return;
    }
    w_.Frame_dogs_Heat->hide();
    step = 20;
    // A slider event arriving while a picture is drawn (a message box lets events run).
    if (busy_) return;
    const Busy_Guard busy(busy_);
    Main_Window_State& st = w_.state();
    const int32_t value = w_.Slider_play->value();

    step = 30;
    shown_readable_ = false;
    const int16_t frame = st.Field_Mode ? Field_To_Frame(value).frame : To_Frame(value);
    if (st.Field_Mode)
      h.Draw_RGB_Field(value, *w_.Picture_out);
    else
      h.Draw_RGB_frame(frame, *w_.Picture_out);
    // A record without a frame, or one the reader failed on, leaves the previous picture and
    // its stamp in place: they must not be taken for this position's.
    shown_readable_ = !h.Read_error() && h.Record_Capture_Mill(frame).has_value();

    step = 40;
    const QSize shown = w_.Picture_out->Picture().size();
    if (!shown.isEmpty()) {
      QImage& picture = w_.Picture_out->Frame_Image(shown.width(), shown.height());
      links_.draw_goal_lines(picture);
      step = 50;
      const QAction* hd = w_.item(QStringLiteral("item_display_HD_data"));
      if (hd && hd->isChecked()) Draw_HD_Data(picture);
    }
    step = 60;
    w_.Picture_out->Refresh();

    step = 70;
    const int32_t elapsed = Mill_Difference(h.Timestamp_long(), st.Review_Start_Mill);
    const int16_t field = h.Field_To_Show();
    st.Heat_Elapsed_Mill = Picture_Run_Time(h.Timestamp_long(), st.Review_Start_Mill, field, h.Goal_Compensation_Ms());

    step = 80;
    w_.Label_heat_time->setText(Display_Mill_Time(st.Heat_Elapsed_Mill, false));
    w_.Label_field->setText(QString::number(value));
    if (Trace_Window_Present()) {
      const int64_t with_start = int64_t{elapsed} + 2;
      QString line = QStringLiteral("*Frame = ") + QString::number(value) +
                     QStringLiteral(" obj_QN3_Handler.Field_To_Show ") + QString::number(field) +
                     QStringLiteral(" Heat_Elapsed = ") + QString::number(elapsed) +
                     QStringLiteral(" m_Heat_Elapsed_AR = ") + QString::number(with_start);
      if (field == 2) line += QStringLiteral(" m_Heat_Elapsed_AR + 20 = ") + QString::number(with_start + 20);
      Trace_Text(line);
    }
    step = 90;
    if (links_.shown) links_.shown();
  } catch (...) {
    report(step, "Slider_play_Scroll");
  }
}

void Playback_Controller::Draw_HD_Data(QImage& picture) {
  const cls_VideoFile_handler& h = w_.obj_QN3_Handler();
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

bool Playback_Controller::Slider_play_KeyDown(int32_t keycode, Qt::KeyboardModifiers shift) {
  try {
    Trace_Message("*Slider_play_KeyDown , KeyCode = " + QString::number(keycode));
    if (!links_.displace_mode()) return false;
    if (keycode == key_code::Keypad_4 || keycode == key_code::Keypad_6) {
      // The keyboard hook has already moved the copy for this key.
      if (!links_.hook_installed()) links_.goal_offset(keycode);
      return true;
    }
    if ((keycode == key_code::Left || keycode == key_code::Right) && shift.testFlag(Qt::AltModifier)) {
      links_.goal_offset(keycode);
      return true;
    }
  } catch (...) {
    report(10, "Slider_play_KeyDown");
  }
  return false;
}

void Playback_Controller::Form_KeyDown(int32_t keycode) {
  try {
    if ((keycode == key_code::Left || keycode == key_code::Right) && w_.Slider_play->isEnabled())
      w_.Slider_play->setFocus();
  } catch (...) {
    report(10, "Form_KeyDown");
  }
}

bool Playback_Controller::Slider_play_MouseDown(Qt::MouseButtons, Qt::KeyboardModifiers, double x, double) {
  try {
    if (x * Twips_Per_Pixel() >= First_Picture_Zone_Twips) return false;
    Show_Value(w_.Slider_play->minimum());
    return true;
  } catch (...) {
    report(10, "Slider_play_MouseDown");
  }
  return false;
}

void Playback_Controller::Slider_play_MouseUp() { w_.state().Print_Dog_Name.clear(); }

void Playback_Controller::Show_Value(int32_t value) {
  {
    // One scroll per go-to: the value change itself must not run a second one.
    const QSignalBlocker quiet(w_.Slider_play);
    w_.Slider_play->setValue(value);
  }
  Slider_play_Scroll();
}

Scan_End Playback_Controller::Scan(int32_t first, int32_t step, const std::function<bool(int32_t)>& reached) {
  cls_VideoFile_handler& h = w_.obj_QN3_Handler();
  const Main_Window_State& st = w_.state();
  Scan_Setup setup;
  setup.first = first;
  setup.step = step;
  setup.last = w_.Slider_play->maximum();
  setup.start_mill = st.Review_Start_Mill;
  setup.compensation_ms = h.Goal_Compensation_Ms();
  setup.shown_stamp = h.Timestamp_long();
  const bool field_mode = st.Field_Mode;
  // Stepping by frames leaves the field to show as it was.
  const int16_t shown_field = h.Field_To_Show();
  const auto picture = [field_mode, shown_field](int32_t value) {
    if (!field_mode) return Scan_Picture{To_Frame(value), shown_field};
    const Field_Position at = Field_To_Frame(value);
    return Scan_Picture{at.frame, at.field_in_frame};
  };
  return ::Scan(
      setup, picture, [&h](int16_t frame) { return h.Record_Capture_Mill(frame); }, reached);
}

void Playback_Controller::Show_Scan_End(const Scan_End& end) {
  // The final record is no frame: show what a picture-by-picture scan would have left there.
  if (end.carried_frame != 0) w_.obj_QN3_Handler().Read_RGB_sample(end.carried_frame, true);
  Show_Value(end.value);
  if (w_.state().Heat_Elapsed_Mill != end.heat_elapsed)
    Trace_Message(QStringLiteral("*Show_Scan_End, run time differs from the scan"), end.value, end.heat_elapsed,
                  w_.state().Heat_Elapsed_Mill);
}

void Playback_Controller::Goto_Time(int32_t target_ms) {
  try {
    if (!w_.obj_QN3_Handler().File_open()) return;
    Show_Scan_End(Scan(w_.Slider_play->minimum(), 1, [target_ms](int32_t t) { return t >= target_ms; }));
  } catch (...) {
    report(10, "Goto_Time");
  }
}

void Playback_Controller::Goto_Goal() {
  try {
    if (!w_.obj_QN3_Handler().File_open()) return;
    Show_Scan_End(Scan(w_.Slider_play->minimum(), Goal_Search_Step, [](int32_t t) { return t > Goal_Search_Ms; }));
  } catch (...) {
    report(10, "Goto_Goal");
  }
}

void Playback_Controller::Goto_SplitTime(int16_t k) {
  int32_t step = 10;
  try {
    const Result_Array& rows = links_.results();
    if (k < 1 || k > Result_Rows) {
      Beep();
      return;
    }
    const int32_t split = rows.at(static_cast<size_t>(k - 1)).Split_Time;
    if (split == 0 || split == Code_No_Time) {
      Beep();
      return;
    }
    step = 20;
    Goto_Time(split);
  } catch (...) {
    report(step, "Goto_SplitTime");
  }
}

void Playback_Controller::GoTo_Box(int16_t k) {
  int32_t step = 10;
  try {
    cls_VideoFile_handler& h = w_.obj_QN3_Handler();
    const Result_Array& rows = links_.results();
    if (!h.File_open() || k < 1 || k > Result_Rows) {
      Beep();
      return;
    }
    const int16_t box = rows.at(static_cast<size_t>(k - 1)).Box;
    step = 20;
    const int16_t frame = box >= 1 ? h.Dora_heat_frame(box) : int16_t{0};
    if (frame <= 0) {
      Beep();
      return;
    }
    step = 30;
    Show_Value(frame);
  } catch (...) {
    report(step, "GoTo_Box");
  }
}

void Playback_Controller::GoTo_rank(int16_t k) {
  try {
    GoTo_Box(k);
  } catch (...) {
    report(10, "GoTo_rank");
  }
}

void Playback_Controller::Goto_Split() {
  try {
    Show_Value(w_.Slider_play->minimum());
  } catch (...) {
    report(10, "Goto_Split");
  }
}

void Playback_Controller::Loose_Focus() {
  try {
    w_.Picture_out->setFocus();
  } catch (...) {
    report(10, "Loose_Focus");
  }
}
