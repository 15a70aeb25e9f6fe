#include "app/set_times_controller.h"

#include "app/main_window_state.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "recording/video_file_handler.h"
#include "timing/result_change.h"
#include "timing/result_ranking.h"
#include "timing/review_session.h"
#include "timing/run_time.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QGroupBox>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <limits>

namespace {

const QString Goal_Caption = QStringLiteral("Goal");
const QString Split_Caption = QStringLiteral("Split");
const QColor Yellow(255, 255, 0);
const QColor Light_Cyan(192, 255, 255);
constexpr int32_t Split_Click_Gap_Ms = 300;

QString location(const char* procedure) {
  return QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent");
}

} // namespace

Set_Times_Controller::Set_Times_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  for (QPushButton* b : ui_.Command_BOX_set_time)
    b->setEnabled(true);
  for (QPushButton* b : {ui_.Cmd_add_hundredth, ui_.Cmd_Split, ui_.Cmd_Notime, ui_.Cmd_DeadHeat})
    b->setEnabled(true);
  connect_controls();
}

Set_Times_Controller::~Set_Times_Controller() = default;

void Set_Times_Controller::connect_controls() {
  for (std::size_t i = 0; i < ui_.Command_BOX_set_time.size(); ++i) {
    QPushButton* b = ui_.Command_BOX_set_time.at(i);
    connect(b, &QPushButton::clicked, this, [this, i] { Command_BOX_set_time_Click(static_cast<int>(i)); });
    b->installEventFilter(this);
  }
  connect(ui_.Cmd_add_hundredth, &QPushButton::clicked, this, [this] { Cmd_add_hundredth_Click(); });
  connect(ui_.Cmd_DeadHeat, &QPushButton::clicked, this, [this] { Cmd_DeadHeat_Click(); });
  connect(ui_.Cmd_Notime, &QPushButton::clicked, this, [this] { Cmd_Notime_Click(); });
  ui_.Cmd_Notime->installEventFilter(this);
  connect(ui_.Cmd_Split, &QPushButton::clicked, this, [this] { Cmd_Split_Click(); });

  const auto on = [this](const char* name, auto&& handler) {
    connect(ui_.item(QString::fromLatin1(name)), &QAction::triggered, this, handler);
  };
  on("item_disqualified", [this] { Notime_Choice(QStringLiteral("DSQ")); });
  on("item_DNF", [this] { Notime_Choice(QStringLiteral("DNF")); });
  on("item_NoRank", [this] { Notime_Choice(QStringLiteral("No Rnk")); });
  on("item_set_time", [this] { item_set_time_Click(false); });
  on("item_plus_one_hundredth", [this] { item_set_time_Click(true); });
  on("item_set_split", [this] { item_set_split_Click(false); });
  on("item_split_plus_one_hundredth", [this] { item_set_split_Click(true); });
  on("item_set_notime", [this] { item_set_notime_Click(); });
  on("item_dead_heat", [this] { item_dead_heat_Click(); });
  on("item_clear_result", [this] { item_clear_result_Click(); });
}

bool Set_Times_Controller::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
    return QObject::eventFilter(watched, event);
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (watched == ui_.Cmd_Notime) {
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton) {
      // A pop-up, not exec(): nothing waits for the choice.
      ui_.menu(QStringLiteral("menu_notime"))->popup(mouse->globalPosition().toPoint());
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
  const auto box = std::find(ui_.Command_BOX_set_time.begin(), ui_.Command_BOX_set_time.end(), watched);
  if (box == ui_.Command_BOX_set_time.end()) return QObject::eventFilter(watched, event);
  if (type == QEvent::MouseButtonRelease) {
    modes_.held_box = 0;
    return QObject::eventFilter(watched, event);
  }
  modes_.held_box = static_cast<int16_t>(box - ui_.Command_BOX_set_time.begin() + 1);
  if (mouse->button() == Qt::RightButton) {
    // The Assign times commands are reached from the box they act on; the pop-up takes the
    // release, so the box stays held for the chosen command.
    ui_.menu(QStringLiteral("menu_assign_times"))->popup(mouse->globalPosition().toPoint());
    return true;
  }
  return QObject::eventFilter(watched, event);
}

int16_t Set_Times_Controller::slider_position() const {
  return static_cast<int16_t>(std::clamp(ui_.Slider_play->value(), 0, int{std::numeric_limits<int16_t>::max()}));
}

void Set_Times_Controller::paint(QPushButton* button, bool on, const QColor& on_colour) {
  QPalette palette = button->palette();
  palette.setColor(QPalette::Button, on ? on_colour : QApplication::palette().color(QPalette::Button));
  button->setPalette(palette);
}

void Set_Times_Controller::Command_BOX_set_time_Click(int index) {
  int32_t step = 10;
  try {
    if (index < 0 || index >= static_cast<int>(ui_.Command_BOX_set_time.size())) return;
    if (review_.Refuse_Change(Result_Change::Times)) return;
    step = 20;
    const std::optional<int32_t> shown = shown_time();
    if (!shown) return;
    const int32_t time = Box_Button_Time(*shown, modes_.plus_hundredth);
    const bool split = modes_.split;
    const bool real_time = !modes_.no_time;
    step = 30;
    const QString command = QStringLiteral("Box %1 button").arg(index + 1) +
                            (modes_.plus_hundredth ? QStringLiteral(" + 1/100") : QString());
    if (Set_Time(static_cast<int16_t>(index + 1), time, split, command, modes_.dead_heat) && !split && real_time)
      last_set_time_ = time;
    step = 40;
    ui_.Picture_out->setFocus();
    modes_.plus_hundredth = false;
    Paint_cmd_100();
    ui_.Focus_Slider();
  } catch (...) {
    report_current_exception(step, location("Command_BOX_set_time_Click"));
  }
}

bool Set_Times_Controller::Set_Time(int16_t box, int32_t time, bool split, const QString& command, bool dead_heat) {
  int32_t step = 10;
  try {
    // The modes that shape the stored values name themselves in the audit trail.
    QString audited = command + (split ? QStringLiteral(", split") : QString());
    if (!split && dead_heat) audited += QStringLiteral(", dead-heat mark");
    const bool no_time = !split && modes_.no_time;
    if (no_time) audited += QStringLiteral(", No Time: ") + ui_.Cmd_Notime->text();
    const int16_t position = slider_position();
    const int32_t no_time_code = No_Time_Code(ui_.Cmd_Notime->text());
    cls_VideoFile_handler& h = review_.Recording();
    return review_.Change_Result(audited, [&] {
      h.set_Dora_Heat_time(box, split, time);
      if (split) {
        step = 20;
        h.set_Dora_split_frame(box, position);
        return;
      }
      step = 30;
      h.set_Dora_heat_frame(box, position);
      h.set_Dora_Heat_Click_Time(box, Mill_Now());
      step = 40;
      h.set_Dora_dead_heat(box, dead_heat);
      modes_.dead_heat = false;
      Paint_Deadheat();
      step = 50;
      if (no_time) {
        h.set_Dora_Heat_time(box, false, no_time_code);
        modes_.no_time = false;
        Paint_Notime();
      }
      step = 60;
    });
  } catch (...) {
    report_current_exception(step, location("Set_Time"));
    return false;
  }
}

void Set_Times_Controller::Cmd_add_hundredth_Click() {
  modes_.plus_hundredth = !modes_.plus_hundredth;
  Paint_cmd_100();
}

void Set_Times_Controller::Cmd_DeadHeat_Click() {
  modes_.dead_heat = !modes_.dead_heat;
  Paint_Deadheat();
}

void Set_Times_Controller::Cmd_Notime_Click() {
  modes_.no_time = !modes_.no_time;
  Paint_Notime();
}

void Set_Times_Controller::Notime_Choice(const QString& caption) { ui_.Cmd_Notime->setText(caption); }

void Set_Times_Controller::Paint_cmd_100() {
  paint(ui_.Cmd_add_hundredth, modes_.plus_hundredth, Yellow);
  ui_.Picture_out->setFocus();
}

void Set_Times_Controller::Paint_Deadheat() {
  paint(ui_.Cmd_DeadHeat, modes_.dead_heat, Yellow);
  ui_.Picture_out->setFocus();
}

void Set_Times_Controller::Paint_Notime() {
  paint(ui_.Cmd_Notime, modes_.no_time, Yellow);
  ui_.Picture_out->setFocus();
}

void Set_Times_Controller::set_goal_mode(bool goal) {
  ui_.Cmd_Split->setText(goal ? Split_Caption : Goal_Caption);
  ui_.Frame_settimes->setTitle(goal ? QStringLiteral("Set Goal times") : QStringLiteral("Set Split times"));
  ui_.Cmd_DeadHeat->setVisible(goal);
  ui_.Cmd_Notime->setVisible(goal);
}

void Set_Times_Controller::Cmd_Split_Click() {
  int32_t step = 10;
  try {
    const int32_t now = Mill_Now();
    int32_t& last = view_.click_mill(Click_Button::Goal_Split);
    if (!Click_Accepted(now, last, Split_Click_Gap_Ms)) {
      Trace_Message("*Cmd_Split_Click, bounce ignored");
      return;
    }
    last = now;
    if (!review_.Is_Open()) {
      Beep();
      return;
    }
    step = 20;
    const bool to_split = ui_.Cmd_Split->text() == Split_Caption;
    set_goal_mode(!to_split);
    view_.Selected_Camera = to_split ? 2 : 1;
    step = 30;
    review_.Show_Again();
    modes_.split = ui_.Cmd_Split->text() == Goal_Caption;
    Set_Buttons();
    ui_.Focus_Slider();
  } catch (...) {
    report_current_exception(step, location("Cmd_Split_Click"));
  }
}

void Set_Times_Controller::Set_Buttons() {
  int32_t step = 10;
  try {
    const cls_VideoFile_handler& h = review_.Recording();
    const bool open = review_.Is_Open();
    const bool split = modes_.split;
    for (std::size_t i = 0; i < ui_.Command_BOX_set_time.size(); ++i) {
      step = 20;
      const auto box = static_cast<int16_t>(i + 1);
      const bool has_time = open && h.Dora_Heat_time(box, split) > 0;
      paint(ui_.Command_BOX_set_time.at(i), has_time, Light_Cyan);
    }
  } catch (...) {
    report_current_exception(step, location("Set_Buttons"));
  }
}

void Set_Times_Controller::Recording_Opened() {
  set_goal_mode(true);
  modes_.split = false;
  // A time remembered from another recording is no time of this one.
  last_set_time_.reset();
  Set_Buttons();
}

void Set_Times_Controller::Recording_Closed() { ui_.Cmd_Split->setText(Split_Caption); }

int16_t Set_Times_Controller::assign_box() {
  const int16_t box = modes_.held_box;
  if (box < 1 || box > static_cast<int16_t>(ui_.Command_BOX_set_time.size()) || !review_.Is_Open()) {
    Beep();
    Trace_Message("*Assign times, no box held or no recording open");
    return 0;
  }
  return review_.Refuse_Change(Result_Change::Times) ? 0 : box;
}

std::optional<int32_t> Set_Times_Controller::shown_time() {
  const std::optional<int32_t> shown = review_.Shown_Run_Time();
  if (!shown) {
    Beep();
    Msg_Box(QStringLiteral("Picture %1 could not be read: no time was stored!").arg(ui_.Slider_play->value()));
  }
  return shown;
}

void Set_Times_Controller::item_set_time_Click(bool plus_hundredth) {
  int32_t step = 10;
  try {
    const int16_t box = assign_box();
    if (box == 0) return;
    step = 20;
    const std::optional<int32_t> shown = shown_time();
    if (!shown) return;
    const int32_t time = Box_Button_Time(*shown, plus_hundredth);
    const bool real_time = !modes_.no_time;
    if (Set_Time(box, time, false,
                 plus_hundredth ? QStringLiteral("Assign times: Set time + 1/100")
                                : QStringLiteral("Assign times: Set time"),
                 modes_.dead_heat) &&
        real_time)
      last_set_time_ = time;
    step = 30;
    ui_.Focus_Slider();
  } catch (...) {
    report_current_exception(step, location(plus_hundredth ? "item_plus_one_hundredth_Click" : "item_set_time_Click"));
  }
}

void Set_Times_Controller::item_set_split_Click(bool plus_hundredth) {
  int32_t step = 10;
  try {
    const int16_t box = assign_box();
    if (box == 0) return;
    step = 20;
    const std::optional<int32_t> shown = shown_time();
    if (!shown) return;
    Set_Time(box, Box_Button_Time(*shown, plus_hundredth), true,
             plus_hundredth ? QStringLiteral("Assign times: Set split +1/100")
                            : QStringLiteral("Assign times: Set split"),
             false);
    step = 30;
    ui_.Focus_Slider();
  } catch (...) {
    report_current_exception(step,
                             location(plus_hundredth ? "item_split_plus_one_hundredth_Click" : "item_set_split_Click"));
  }
}

void Set_Times_Controller::item_set_notime_Click() {
  int32_t step = 10;
  try {
    const int16_t box = assign_box();
    if (box == 0) return;
    step = 20;
    Set_Time(box, Code_No_Rank, false, QStringLiteral("Assign times: No time"), modes_.dead_heat);
    step = 30;
    ui_.Focus_Slider();
  } catch (...) {
    report_current_exception(step, location("item_set_notime_Click"));
  }
}

void Set_Times_Controller::item_dead_heat_Click() {
  int32_t step = 10;
  try {
    if (!last_set_time_) {
      // Without a time to share, the box would lose the time it holds.
      Beep();
      Trace_Message("*item_dead_heat_Click, no time set yet");
      return;
    }
    const int16_t box = assign_box();
    if (box == 0) return;
    step = 20;
    Set_Time(box, *last_set_time_, false, QStringLiteral("Assign times: Dead heat"), true);
    modes_.dead_heat = false;
    Paint_Deadheat();
    step = 30;
    ui_.Focus_Slider();
  } catch (...) {
    report_current_exception(step, location("item_dead_heat_Click"));
  }
}

void Set_Times_Controller::item_clear_result_Click() {
  int32_t step = 10;
  try {
    review_.Change_Result(QStringLiteral("Clear result"), [this] { Clear_Box_Results(review_.Recording()); });
    step = 20;
    ui_.Focus_Slider();
  } catch (...) {
    report_current_exception(step, location("Clear_all_Results"));
  }
}
