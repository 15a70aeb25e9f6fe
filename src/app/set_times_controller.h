#pragma once
// The main window's set-times buttons: a box's finish or split time from the picture shown, the
// one-shot modifiers (+1/100, dead heat, no-time codes), goal and split mode, and the Assign
// times commands.
#include <QObject>
#include <QString>
#include <Qt>
#include <cstdint>
#include <functional>
#include <optional>

class Form_Doravent;
class QColor;
class QPushButton;
class cls_VideoFile_handler;

class Set_Times_Controller : public QObject {
public:
  // What the buttons ask of the other controllers; set where the window is wired.
  struct Links {
    std::function<void()> goto_goal;                        // move to the goal frame
    std::function<void()> redraw;                           // show the current picture again
    std::function<std::optional<int32_t>()> shown_run_time; // the run time of the picture shown
    std::function<void()> handle_results;                   // rank and show the results, then Set_Buttons
    std::function<void()> clear_all_results;                // "Clear result"
  };

  explicit Set_Times_Controller(Form_Doravent& window);
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

  // Stores one box's time and rewrites the header; false (reported) when it could not, and
  // then the recording keeps what it held before.
  bool Set_Time(int16_t box, int32_t time, bool split);
  // The same, with the command that asked for it named in the audit trail.
  bool Set_Time(int16_t box, int32_t time, bool split, const QString& command);

  void Set_Buttons();
  void Paint_cmd_100();
  void Paint_Deadheat();
  void Paint_Notime();
  void Handle_results();
  void Open_Goal();

  // Assign times commands, on the box whose button is held.
  void item_set_time_Click(bool plus_hundredth);
  void item_set_split_Click(bool plus_hundredth);
  void item_set_notime_Click();
  void item_dead_heat_Click();
  void item_clear_result_Click();
  std::optional<int32_t> Last_Set_Time() const { return last_set_time_; }
  Links& links() { return links_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void connect_controls();
  cls_VideoFile_handler* open_recording() const;
  // The held box for an Assign times command after the read-only check; 0 when refused.
  int16_t assign_box();
  // The run time of the picture shown; nullopt (refused with a message) when the picture at the
  // slider's position could not be read.
  std::optional<int32_t> shown_time();
  int16_t slider_position() const;
  void focus_slider();
  void set_goal_mode(bool goal);
  static void paint(QPushButton* button, bool on, const QColor& on_colour);

  Form_Doravent& w_;
  Links links_;
  // The last goal time set (buttons and "Set time"): the time "Dead heat" gives the held box.
  std::optional<int32_t> last_set_time_;
};
