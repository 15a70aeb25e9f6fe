#include "app/calibration_controller.h"

#include "app/main_window_state.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "recording/record_reader.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

const QString Section = QStringLiteral("Calibration");
const QString Led_Key = QStringLiteral("led_place");
const QString Title = QStringLiteral("Doravent camera delay");
// Trials further apart than a field do not agree.
constexpr int32_t Field_Ms = 20;

QString location(const char* procedure) {
  return QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent");
}

} // namespace

Calibration_Controller::Calibration_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  const auto on = [this](const char* name, auto&& handler) {
    if (QAction* a = ui_.item(QString::fromLatin1(name))) connect(a, &QAction::triggered, this, handler);
  };
  on("item_mark_led", [this] { item_mark_led_Click(); });
  on("item_calibrate_delay", [this] { item_calibrate_delay_Click(); });
  on("item_clear_calibration", [this] { item_clear_calibration_Click(); });
  ui_.Picture_out->installEventFilter(this);
}

Calibration_Controller::~Calibration_Controller() = default;

std::optional<Led_Rect> Calibration_Controller::Led_Place() const {
  const QString path = program().Settings_File_Path;
  if (path.isEmpty()) return std::nullopt;
  return Parse_Led_Rect(Read_Ini_Value(Section, Led_Key, path, QStringLiteral("N/A")));
}

void Calibration_Controller::item_mark_led_Click() {
  if (!review_.Is_Open()) {
    Beep();
    return;
  }
  marking_ = true;
  press_.reset();
  ui_.Picture_out->setCursor(Qt::CrossCursor);
}

bool Calibration_Controller::eventFilter(QObject* watched, QEvent* event) {
  if (watched != ui_.Picture_out || !marking_) return QObject::eventFilter(watched, event);
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove)
    return QObject::eventFilter(watched, event);
  const auto* mouse = static_cast<QMouseEvent*>(event);
  const QPointF at = ui_.Picture_out->To_Picture(mouse->position());
  if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) press_ = at;
  if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton && press_) {
    Mark_Led(*press_, at);
    press_.reset();
  }
  // The drag is the LED's, not the goal line's.
  return true;
}

void Calibration_Controller::Mark_Led(QPointF from, QPointF to) {
  try {
    marking_ = false;
    ui_.Picture_out->unsetCursor();
    const auto low_x = static_cast<int32_t>(std::floor(std::min(from.x(), to.x())));
    const auto low_y = static_cast<int32_t>(std::floor(std::min(from.y(), to.y())));
    const auto high_x = static_cast<int32_t>(std::floor(std::max(from.x(), to.x())));
    const auto high_y = static_cast<int32_t>(std::floor(std::max(from.y(), to.y())));
    const Led_Rect rect{low_x, low_y, high_x - low_x + 1, high_y - low_y + 1};
    if (rect.w < 2 || rect.h < 2) {
      Msg_Box(QStringLiteral("Drag over the LED to mark its place."), Title);
      return;
    }
    if (Write_Ini_Value(Section, Led_Key, Format_Led_Rect(rect), program().Settings_File_Path) == 1)
      Trace_Message(QStringLiteral("*LED place"), Format_Led_Rect(rect));
  } catch (...) {
    report_current_exception(10, location("Mark_Led"));
  }
}

void Calibration_Controller::item_calibrate_delay_Click() {
  int32_t step = 10;
  try {
    cls_VideoFile_handler& h = review_.Recording();
    if (!h.File_open()) {
      Beep();
      return;
    }
    const std::optional<Led_Rect> place = Led_Place();
    if (!place) {
      Msg_Box(QStringLiteral("Mark the LED's place in the picture first (Finish, Mark LED place)."), Title);
      return;
    }
    step = 20;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Led_Trial trial = Calibrate_Led(Recording_Layout::Of(h), *place, review_.Start_Mill());
    QApplication::restoreOverrideCursor();
    if (!trial.found) {
      Msg_Box(trial.why, Title);
      return;
    }
    step = 30;
    trials_[h.File_name()] = trial.delay_ms;
    const std::vector<int32_t> delays(trials_.begin(), trials_.end());
    const std::optional<Delay_Proposal> proposal = Propose_Delay(delays);
    QStringList each;
    for (int32_t d : delays)
      each << QString::number(d);
    QString text = QStringLiteral("First lit field %1 (frame %2, field %3): %4 ms after the start.\n")
                       .arg(trial.field_number)
                       .arg(trial.frame)
                       .arg(trial.field_in_frame)
                       .arg(trial.delay_ms);
    text += QStringLiteral("Trials: %1 ms (%2 trial%3, spread %4 ms).\n")
                .arg(each.join(QStringLiteral(", ")))
                .arg(proposal->trials)
                .arg(proposal->trials == 1 ? QString() : QStringLiteral("s"))
                .arg(proposal->spread_ms);
    if (proposal->spread_ms > Field_Ms)
      text += QStringLiteral("The trials lie more than a field apart: check the LED's place and the start.\n");
    text += QStringLiteral("Take %1 ms as the goal camera's delay (now %2 ms)?")
                .arg(proposal->delay_ms)
                .arg(program().Goal_Delay_Ms);
    step = 40;
    if (Msg_Box(text, Title, Prompt_Buttons::YesNo, Prompt_Icon::Question, Prompt_Answer::No) != Prompt_Answer::Yes)
      return;
    if (Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("goal_compensation"),
                        QString::number(proposal->delay_ms), program().Settings_File_Path) == 1)
      Load_Compensations();
  } catch (...) {
    QApplication::restoreOverrideCursor();
    report_current_exception(step, location("item_calibrate_delay_Click"));
  }
}

void Calibration_Controller::item_clear_calibration_Click() { trials_.clear(); }
