#pragma once
// The main window's set-times buttons: a box's finish or split time from the picture shown, the
// one-shot modifiers (+1/100, dead heat, no-time codes), goal and split mode, and the Assign
// times commands. Every time goes to the review session's one result change.
#include "app/main_window_controls.h"

#include <QObject>
#include <QString>
#include <Qt>
#include <cstdint>
#include <optional>

class QColor;

// The buttons' modes until the next box takes them.
struct Set_Times_Modes {
  bool plus_hundredth = false;
  bool no_time = false;
  bool dead_heat = false;
  bool split = false;
  int16_t held_box = 0; // box whose set-time button is held down, 0 when none
};

class Set_Times_Controller : public QObject, private Window_Binding {
public:
  explicit Set_Times_Controller(const Main_Window_Parts& parts);
  ~Set_Times_Controller() override;
  Set_Times_Controller(const Set_Times_Controller&) = delete;
  Set_Times_Controller& operator=(const Set_Times_Controller&) = delete;

  // Button commands (index 0-5 is box 1-6).
  void Command_BOX_set_time_Click(int index);
  void Cmd_add_hundredth_Click();
  void Cmd_DeadHeat_Click();
  void Cmd_Notime_Click();
  // A Notime menu item: the kind of no-time the next box gets.
  void Notime_Choice(const QString& caption);
  void Cmd_Split_Click();

  // Stores one box's time at the slider's position, with the command that asked for it named in
  // the audit trail; false (told) when it was refused or could not be written, and then the
  // recording keeps what it held before. A dead-heat mark goes on when `dead_heat`.
  bool Set_Time(int16_t box, int32_t time, bool split, const QString& command, bool dead_heat);

  void Set_Buttons();
  void Paint_cmd_100();
  void Paint_Deadheat();
  void Paint_Notime();

  // The session's recording opened and closed.
  void Recording_Opened();
  void Recording_Closed();

  // Assign times commands, on the box whose button is held.
  void item_set_time_Click(bool plus_hundredth);
  void item_set_split_Click(bool plus_hundredth);
  void item_set_notime_Click();
  void item_dead_heat_Click();
  void item_clear_result_Click();
  std::optional<int32_t> Last_Set_Time() const { return last_set_time_; }
  Set_Times_Modes& Modes() { return modes_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void connect_controls();
  // The held box for an Assign times command after the refusals; 0 when refused.
  int16_t assign_box();
  // The run time of the picture shown; nullopt (refused with a message) when the picture at the
  // slider's position could not be read.
  std::optional<int32_t> shown_time();
  int16_t slider_position() const;
  void set_goal_mode(bool goal);
  static void paint(QPushButton* button, bool on, const QColor& on_colour);

  Set_Times_Modes modes_;
  // The last goal time set (buttons and "Set time"): the time "Dead heat" gives the held box.
  std::optional<int32_t> last_set_time_;
};
