#include "app/set_times_controller.h"

#include "app/form_doravent.h"
#include "app/review_controller.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "recording/video_file_handler.h"
#include "timing/result_change.h"
#include "timing/result_ranking.h"
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

Set_Times_Controller::Set_Times_Controller(Form_Doravent& window) : w_(window) {
  for (QPushButton* b : w_.Command_BOX_set_time)
    b->setEnabled(true);
  for (QPushButton* b : {w_.Cmd_add_hundredth, w_.Cmd_Split, w_.Cmd_Notime, w_.Cmd_DeadHeat})
    b->setEnabled(true);
  connect_controls();
}

Set_Times_Controller::~Set_Times_Controller() = default;

void Set_Times_Controller::connect_controls() {
  for (std::size_t i = 0; i < w_.Command_BOX_set_time.size(); ++i) {
    QPushButton* b = w_.Command_BOX_set_time.at(i);
    connect(b, &QPushButton::clicked, this, [this, i] { Command_BOX_set_time_Click(static_cast<int>(i)); });
    b->installEventFilter(this);
  }
  connect(w_.Cmd_add_hundredth, &QPushButton::clicked, this, [this] { Cmd_add_hundredth_Click(); });
  connect(w_.Cmd_DeadHeat, &QPushButton::clicked, this, [this] { Cmd_DeadHeat_Click(); });
  connect(w_.Cmd_Notime, &QPushButton::clicked, this, [this] { Cmd_Notime_Click(); });
  w_.Cmd_Notime->installEventFilter(this);
  connect(w_.Cmd_Split, &QPushButton::clicked, this, [this] { Cmd_Split_Click(); });

  const auto on = [this](const char* name, auto&& handler) {
    connect(w_.item(QString::fromLatin1(name)), &QAction::triggered, this, handler);
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
  if (watched == w_.Cmd_Notime) {
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton) {
      // A pop-up, not exec(): nothing waits for the choice.
      w_.menu(QStringLiteral("menu_notime"))->popup(mouse->globalPosition().toPoint());
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
  const auto box = std::find(w_.Command_BOX_set_time.begin(), w_.Command_BOX_set_time.end(), watched);
  if (box == w_.Command_BOX_set_time.end()) return QObject::eventFilter(watched, event);
  if (type == QEvent::MouseButtonRelease) {
    w_.state().Held_Box = 0;
    return QObject::eventFilter(watched, event);
  }
  w_.state().Held_Box = static_cast<int16_t>(box - w_.Command_BOX_set_time.begin() + 1);
  if (mouse->button() == Qt::RightButton) {
    // The Assign times commands are reached from the box they act on; the pop-up takes the
    // release, so the box stays held for the chosen command.
    w_.menu(QStringLiteral("menu_assign_times"))->popup(mouse->globalPosition().toPoint());
    return true;
  }
  return QObject::eventFilter(watched, event);
}

cls_VideoFile_handler* Set_Times_Controller::open_recording() const {
  cls_VideoFile_handler& h = w_.obj_QN3_Handler();
  return h.File_open() ? &h : nullptr;
}

int16_t Set_Times_Controller::slider_position() const {
  return static_cast<int16_t>(std::clamp(w_.Slider_play->value(), 0, int{std::numeric_limits<int16_t>::max()}));
}

void Set_Times_Controller::focus_slider() {
  if (w_.Slider_play->isVisible() && w_.Slider_play->isEnabled()) w_.Slider_play->setFocus();
}

void Set_Times_Controller::paint(QPushButton* button, bool on, const QColor& on_colour) {
  QPalette palette = button->palette();
  palette.setColor(QPalette::Button, on ? on_colour : QApplication::palette().color(QPalette::Button));
  button->setPalette(palette);
}

void Set_Times_Controller::Command_BOX_set_time_Click(int index) {
  int32_t step = 10;
  try {
    if (index < 0 || index >= static_cast<int>(w_.Command_BOX_set_time.size())) return;
    if (!open_recording()) {
      Beep();
      Trace_Message("*Command_BOX_set_time_Click, no recording open");
      return;
    }
    if (Refuse_Read_Only(w_.obj_QN3_Handler()) || Refuse_Declared_Result(w_.obj_QN3_Handler())) return;
    step = 20;
    Main_Window_State& st = w_.state();
    const std::optional<int32_t> shown = shown_time();
    if (!shown) return;
    const int32_t time = Box_Button_Time(*shown, st.Plus_Hundredth_Mode);
    const bool split = st.Split_Mode;
    const bool real_time = !st.No_Time_Mode;
    step = 30;
    const QString command = QStringLiteral("Box %1 button").arg(index + 1) +
                            (st.Plus_Hundredth_Mode ? QStringLiteral(" + 1/100") : QString());
    if (Set_Time(static_cast<int16_t>(index + 1), time, split, command) && !split && real_time) last_set_time_ = time;
    step = 40;
    w_.Picture_out->setFocus();
    st.Plus_Hundredth_Mode = false;
    Paint_cmd_100();
    Handle_results();
    focus_slider();
  } catch (...) {
    report_current_exception(step, location("Command_BOX_set_time_Click"));
  }
}

bool Set_Times_Controller::Set_Time(int16_t box, int32_t time, bool split) {
  return Set_Time(box, time, split, QStringLiteral("Set_Time"));
}

bool Set_Times_Controller::Set_Time(int16_t box, int32_t time, bool split, const QString& command) {
  int32_t step = 10;
  cls_VideoFile_handler* h = open_recording();
  if (!h) {
    // The handler would write the last file it knew; a closed recording takes no times.
    Beep();
    Trace_Message("*Set_Time, no recording open");
    return false;
  }
  try {
    Main_Window_State& st = w_.state();
    // The modes that shape the stored values name themselves in the audit trail.
    QString audited = command + (split ? QStringLiteral(", split") : QString());
    if (!split && st.Dead_Heat_Mode) audited += QStringLiteral(", dead-heat mark");
    if (!split && st.No_Time_Mode) audited += QStringLiteral(", No Time: ") + w_.Cmd_Notime->text();
    // A failed write has been reported by the recording and taken back: the file, and so what
    // is shown and ranked, keeps the old values.
    return Write_Result_Change(*h, audited, [&] {
      h->set_Dora_Heat_time(box, split, time);
      if (split) {
        step = 20;
        h->set_Dora_split_frame(box, slider_position());
        return;
      }
      step = 30;
      h->set_Dora_heat_frame(box, slider_position());
      h->set_Dora_Heat_Click_Time(box, Mill_Now());
      step = 40;
      h->set_Dora_dead_heat(box, st.Dead_Heat_Mode);
      st.Dead_Heat_Mode = false;
      Paint_Deadheat();
      step = 50;
      if (st.No_Time_Mode) {
        h->set_Dora_Heat_time(box, false, No_Time_Code(w_.Cmd_Notime->text()));
        st.No_Time_Mode = false;
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
  w_.state().Plus_Hundredth_Mode = !w_.state().Plus_Hundredth_Mode;
  Paint_cmd_100();
}

void Set_Times_Controller::Cmd_DeadHeat_Click() {
  w_.state().Dead_Heat_Mode = !w_.state().Dead_Heat_Mode;
  Paint_Deadheat();
}

void Set_Times_Controller::Cmd_Notime_Click() {
  w_.state().No_Time_Mode = !w_.state().No_Time_Mode;
  Paint_Notime();
}

void Set_Times_Controller::Notime_Choice(const QString& caption) { w_.Cmd_Notime->setText(caption); }

void Set_Times_Controller::Paint_cmd_100() {
  paint(w_.Cmd_add_hundredth, w_.state().Plus_Hundredth_Mode, Yellow);
  w_.Picture_out->setFocus();
}

void Set_Times_Controller::Paint_Deadheat() {
  paint(w_.Cmd_DeadHeat, w_.state().Dead_Heat_Mode, Yellow);
  w_.Picture_out->setFocus();
}

void Set_Times_Controller::Paint_Notime() {
  paint(w_.Cmd_Notime, w_.state().No_Time_Mode, Yellow);
  w_.Picture_out->setFocus();
}

void Set_Times_Controller::set_goal_mode(bool goal) {
  w_.Cmd_Split->setText(goal ? Split_Caption : Goal_Caption);
  w_.Frame_settimes->setTitle(goal ? QStringLiteral("Set Goal times") : QStringLiteral("Set Split times"));
  w_.Cmd_DeadHeat->setVisible(goal);
  w_.Cmd_Notime->setVisible(goal);
}

void Set_Times_Controller::Cmd_Split_Click() {
  int32_t step = 10;
  try {
    Main_Window_State& st = w_.state();
    const int32_t now = Mill_Now();
    int32_t& last = st.click_mill(Click_Button::Goal_Split);
    if (!Click_Accepted(now, last, Split_Click_Gap_Ms)) {
      Trace_Message("*Cmd_Split_Click, bounce ignored");
      return;
    }
    last = now;
    if (!open_recording()) {
      Beep();
      return;
    }
    step = 20;
    const bool to_split = w_.Cmd_Split->text() == Split_Caption;
    set_goal_mode(!to_split);
    st.Selected_Camera = to_split ? 2 : 1;
    step = 30;
    links_.redraw();
    st.Split_Mode = w_.Cmd_Split->text() == Goal_Caption;
    Set_Buttons();
    focus_slider();
  } catch (...) {
    report_current_exception(step, location("Cmd_Split_Click"));
  }
}

void Set_Times_Controller::Set_Buttons() {
  int32_t step = 10;
  try {
    const cls_VideoFile_handler* h = open_recording();
    const bool split = w_.state().Split_Mode;
    for (std::size_t i = 0; i < w_.Command_BOX_set_time.size(); ++i) {
      step = 20;
      const auto box = static_cast<int16_t>(i + 1);
      const bool has_time = h && h->Dora_Heat_time(box, split) > 0;
      paint(w_.Command_BOX_set_time.at(i), has_time, Light_Cyan);
    }
  } catch (...) {
    report_current_exception(step, location("Set_Buttons"));
  }
}

void Set_Times_Controller::Handle_results() { links_.handle_results(); }

void Set_Times_Controller::Open_Goal() {
  int32_t step = 10;
  try {
    set_goal_mode(true);
    w_.state().Split_Mode = false;
    // A time remembered from another recording is no time of this one.
    last_set_time_.reset();
    Set_Buttons();
    step = 20;
    links_.goto_goal();
  } catch (...) {
    report_current_exception(step, location("Open_Goal"));
  }
}

int16_t Set_Times_Controller::assign_box() {
  const int16_t box = w_.state().Held_Box;
  if (box < 1 || box > static_cast<int16_t>(w_.Command_BOX_set_time.size()) || !open_recording()) {
    Beep();
    Trace_Message("*Assign times, no box held or no recording open");
    return 0;
  }
  cls_VideoFile_handler& h = w_.obj_QN3_Handler();
  return Refuse_Read_Only(h) || Refuse_Declared_Result(h) ? 0 : box;
}

std::optional<int32_t> Set_Times_Controller::shown_time() {
  const std::optional<int32_t> shown = links_.shown_run_time();
  if (!shown) {
    Beep();
    Msg_Box(QStringLiteral("Picture %1 could not be read: no time was stored!").arg(w_.Slider_play->value()));
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
    const bool real_time = !w_.state().No_Time_Mode;
    if (Set_Time(box, time, false,
                 plus_hundredth ? QStringLiteral("Assign times: Set time + 1/100")
                                : QStringLiteral("Assign times: Set time")) &&
        real_time)
      last_set_time_ = time;
    step = 30;
    Handle_results();
    focus_slider();
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
                            : QStringLiteral("Assign times: Set split"));
    step = 30;
    Handle_results();
    focus_slider();
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
    Set_Time(box, Code_No_Rank, false, QStringLiteral("Assign times: No time"));
    step = 30;
    Handle_results();
    focus_slider();
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
    // The mark goes on through Set_Time's own dead-heat step, which then ends the mode.
    w_.state().Dead_Heat_Mode = true;
    Set_Time(box, *last_set_time_, false, QStringLiteral("Assign times: Dead heat"));
    w_.state().Dead_Heat_Mode = false;
    Paint_Deadheat();
    step = 30;
    Handle_results();
    focus_slider();
  } catch (...) {
    report_current_exception(step, location("item_dead_heat_Click"));
  }
}

void Set_Times_Controller::item_clear_result_Click() { links_.clear_all_results(); }
