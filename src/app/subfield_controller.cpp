#include "app/subfield_controller.h"

#include "app/goal_lines_view.h"
#include "app/main_window_state.h"
#include "platform/error_report.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "recording/video_file_handler.h"
#include "timing/finish_proposals.h"
#include "timing/interpolated_time.h"
#include "timing/result_change.h"
#include "timing/review_session.h"
#include "timing/run_time.h"
#include "timing/time_text.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <cmath>

namespace {

QString location(const char* procedure) {
  return QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent");
}

} // namespace

Subfield_Controller::Subfield_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  status_ = new QLabel(ui_.Frame_settimes);
  status_->setObjectName(QStringLiteral("Label_subfield"));
  status_->setWordWrap(true);
  status_->hide();
  if (auto* grid = qobject_cast<QGridLayout*>(ui_.Frame_settimes->layout())) grid->addWidget(status_, 4, 0, 1, 6);
  for (int16_t box = 1; box <= 6; ++box)
    if (QAction* a = ui_.item(QStringLiteral("item_subfield_box_%1").arg(box)))
      connect(a, &QAction::triggered, this, [this, box] { Start(box); });
  ui_.Picture_out->installEventFilter(this);
}

Subfield_Controller::~Subfield_Controller() = default;

QString Subfield_Controller::Status_Text() const { return status_->isHidden() ? QString() : status_->text(); }

void Subfield_Controller::Show_Status(const QString& text) {
  status_->setText(text);
  status_->setVisible(!text.isEmpty());
}

void Subfield_Controller::Start(int16_t box) {
  try {
    if (!review_.Is_Open() || box < 1 || box > 6) {
      Beep();
      return;
    }
    // Refused before the marking, as a box button is.
    if (review_.Refuse_Change(Result_Change::Times)) return;
    box_ = box;
    first_.reset();
    Show_Status(QStringLiteral("Box %1: click the nose in the field before the line (Esc ends)").arg(box));
    ui_.Picture_out->setFocus();
  } catch (...) {
    report_current_exception(10, location("Subfield_Start"));
  }
}

void Subfield_Controller::Cancel() {
  box_ = 0;
  first_.reset();
  Show_Status({});
}

bool Subfield_Controller::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_.Picture_out && box_ != 0) {
    if (event->type() == QEvent::MouseButtonPress) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) return Mark(ui_.Picture_out->To_Picture(mouse->position()));
      if (mouse->button() == Qt::RightButton) {
        Cancel();
        return true;
      }
    } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      Cancel();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

bool Subfield_Controller::Mark(QPointF picture_position) {
  int32_t step = 10;
  try {
    cls_VideoFile_handler& h = review_.Recording();
    if (box_ == 0) return false;
    if (!h.File_open()) {
      Cancel();
      return false;
    }
    step = 20;
    Nose_Mark mark;
    mark.slider_value = review_.Position();
    const int16_t field = review_.Field_Mode() ? h.Field_To_Show() : int16_t{1};
    mark.instant = int64_t{h.Timestamp_long()} + (field == 2 ? std::lround(h.Field_Interval_Ms()) : 0);
    mark.x = static_cast<int32_t>(std::floor(picture_position.x()));
    mark.y = static_cast<int32_t>(std::floor(picture_position.y()));
    mark.field_time_ms = Picture_Run_Time(h.Timestamp_long(), review_.Start_Mill(), field, h.Goal_Compensation_Ms(),
                                          h.Field_Interval_Ms());
    Trace_Message(QStringLiteral("*Subfield mark"), box_, mark.slider_value, mark.x, mark.y);
    if (!first_) {
      first_ = mark;
      Show_Status(QStringLiteral("Box %1: nose marked at x %2 in picture %3; now click it in the field after the line")
                      .arg(box_)
                      .arg(mark.x)
                      .arg(mark.slider_value));
      return true;
    }
    step = 30;
    Offer(mark);
    return true;
  } catch (...) {
    report_current_exception(step, location("Subfield_Mark"));
    Cancel();
    return true;
  }
}

void Subfield_Controller::Offer(const Nose_Mark& second) {
  cls_VideoFile_handler& h = review_.Recording();
  QString why;
  const std::optional<Subfield_Result> r = Interpolate_Marks(*first_, second, Selected_Goal_Line(view_), why);
  if (!r) {
    // The second mark is the one to make again.
    Beep();
    Msg_Box(why, QStringLiteral("Doravent time between fields"));
    return;
  }
  const Heat_Clock clock{review_.Start_Mill(), h.Goal_Compensation_Ms(), h.Field_Interval_Ms(),
                         h.Picture_Interval_Ms()};
  const double crossing = Crossing_Ms(r->before_instant, clock) + r->after_before_ms;
  const auto time = static_cast<int32_t>(std::nearbyint(crossing));
  const int16_t box = box_;
  const QString text =
      QStringLiteral("Box %1 crossed the line at %2 s \u00b1 %3 ms (the field after it shows %4).\nSet this time?")
          .arg(box)
          .arg(QString::number(crossing / 1000.0, 'f', 4))
          .arg(QString::number(r->uncertainty_ms, 'f', 1))
          .arg(Display_Mill_Time(r->field_time_ms, true));
  Cancel();
  if (Msg_Box(text, QStringLiteral("Doravent time between fields"), Prompt_Buttons::YesNo, Prompt_Icon::Question,
              Prompt_Answer::Yes) != Prompt_Answer::Yes)
    return;
  const Interpolated_Time t{time, r->field_time_ms, r->uncertainty_ms};
  const Box_Time stored{box, static_cast<int16_t>(r->after_value), t.field_time_ms, t, false};
  review_.Change_Result(QStringLiteral("Time between fields, box %1").arg(box), [&] { Apply_Box_Times(h, {stored}); });
}
