#pragma once
// The whole application window: it owns its named controls, the two sessions (the heat and the
// recording under review) and one controller per concern, and connects them in one place
// (form_doravent_wiring.cpp). The controllers bind controls to the sessions; none calls another.
#include "app/main_window_controls.h"
#include "app/main_window_state.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <vector>

class Single_Instance;
class Review_Controller;
class Event_Controller;
class Results_Controller;
class Goal_Line_Controller;
class Playback_Controller;
class Set_Times_Controller;
class Print_Controller;
class App_Key_Filter;
class Kit_Controller;
class Camera_Controller;
class Heat_Controller;
class Form_timer;
class Capture_Component;
class Form_event_registration;
class Form_select_Video;
class Form_HDMI_performance;
class Slit_Controller;
class Subfield_Controller;
class Calibration_Controller;
class Loupe_Controller;
class Heat_Session;
class Review_Session;
class cls_VideoFile_handler;
class Race_Script_Player;
struct Race_Command;

class Form_Doravent : public QMainWindow, private Main_Window_Frame {
  Q_OBJECT
public:
  struct Options {
    bool development_mode = false;
    // The kit without hardware and its window, in place of the vendor library.
    bool simulated_kit = false;
    QString command_argument;
    // Where the capture source finds its cameras; empty: this machine's (V4L2, then synthetic).
    std::function<std::unique_ptr<Capture_Component>()> capture_devices;
    // Tests replace the end of the program so the test process survives Doravent_End.
    std::function<void(int)> end_program;
  };

  explicit Form_Doravent(Options options, QWidget* parent = nullptr);
  ~Form_Doravent() override;

  // Start-up in the system's order; false when the program is to end at once (second instance).
  bool Form_Load();
  void Form_Activate();
  void load_Capture_Folder();
  void Arrange_form() override;
  // Max_Picture_Height from the window as laid out on its screen; a recording already open is
  // sized again when it changes. Called when the window is shown, when it changes screens and
  // before a recording is sized.
  void Update_Max_Picture_Height() override;
  // Plays the race script's commands from the moment the simulated kit attaches (needs the
  // simulated kit).
  void Play_Race_Script(std::vector<Race_Command> commands);
  // False when the program does not end: frames of a heat are still held and the operator keeps them.
  bool Doravent_End();
  void Stop_All_Windows();

  const Main_Window_State& state() const { return state_; }
  Main_Window_State& state() { return state_; }
  bool Ending() const;
  // The two sessions every concern shares.
  Heat_Session& heat_session() { return *heat_session_; }
  Review_Session& review_session() { return *review_session_; }
  // The one recording handler of the review.
  cls_VideoFile_handler& obj_QN3_Handler();

  Review_Controller& review() { return *review_; }
  Event_Controller& events() { return *events_; }
  Results_Controller& results() { return *results_; }
  Goal_Line_Controller& goal_line() { return *goal_line_; }
  Playback_Controller& playback() { return *playback_; }
  Set_Times_Controller& set_times() { return *set_times_; }
  Camera_Controller& camera() { return *camera_; }
  Heat_Controller& heat() { return *heat_; }
  Form_select_Video& Source_Window() { return *select_video_; }
  Kit_Controller& kit() { return *kit_; }
  Print_Controller& printing() { return *print_; }
  App_Key_Filter& key_filter() { return *key_filter_; }
  Slit_Controller& slit() { return *slit_; }
  Subfield_Controller& subfield() { return *subfield_; }
  Calibration_Controller& calibration() { return *calibration_; }
  Loupe_Controller& loupe() { return *loupe_; }

  // Menus and their items, by control name.
  QAction* item(const QString& name) const;
  QMenu* menu(const QString& name) const;

protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void customEvent(QEvent* event) override;

private:
  QWidget& Window() override { return *this; }
  void build_controls();
  void build_menus();
  // The Finish menu and the loupe's keys in Help.
  void build_finish_menu();
  void set_menu_visibility();
  // Connects the sessions and the controllers, once all are built.
  void Wire_Controllers();
  void connect_commands();
  QAction* add_item(QMenu* menu, const QString& name, const QString& caption, const QString& shortcut = {});
  QMenu* add_menu(QMenu* parent, const QString& name, const QString& title);
  void Label_capture_folder_Click();
  void Misbehave(bool trapped);
  void item_associate_Click();
  void item_about_Click();
  // Shows or hides the heat clock window, made at first use.
  void item_timer_Click();
  void item_Select_Video_Source_Click();
  void item_HDMI_performance_Click();
  void item_validate_folder_Click();
  int32_t Compute_Max_Picture_Height() const;
  // The height the window's inner area may take on its screen (0: no screen).
  int32_t Client_Height_Available() const;
  void report(int32_t step, const QString& procedure);

  Options options_;
  Main_Window_State state_;
  Main_Window_Controls ui_;
  std::unique_ptr<Single_Instance> instance_;
  // Declared before the controllers, so they go after every controller that binds them.
  std::unique_ptr<Heat_Session> heat_session_;
  std::unique_ptr<Review_Session> review_session_;
  std::unique_ptr<Form_event_registration> event_window_;
  std::unique_ptr<Review_Controller> review_;
  std::unique_ptr<Event_Controller> events_;
  std::unique_ptr<Results_Controller> results_;
  std::unique_ptr<Goal_Line_Controller> goal_line_;
  std::unique_ptr<Playback_Controller> playback_;
  std::unique_ptr<Set_Times_Controller> set_times_;
  std::unique_ptr<Kit_Controller> kit_;
  std::unique_ptr<Camera_Controller> camera_;
  std::unique_ptr<Heat_Controller> heat_;
  std::unique_ptr<Print_Controller> print_;
  std::unique_ptr<App_Key_Filter> key_filter_;
  std::unique_ptr<Slit_Controller> slit_;
  std::unique_ptr<Subfield_Controller> subfield_;
  std::unique_ptr<Calibration_Controller> calibration_;
  std::unique_ptr<Loupe_Controller> loupe_;
  std::unique_ptr<Race_Script_Player> race_script_;
  Form_timer* timer_window_ = nullptr;           // a Qt child, made at first use
  Form_select_Video* select_video_ = nullptr;    // a Qt child, loaded hidden at start
  Form_HDMI_performance* performance_ = nullptr; // a Qt child, made at first use
  bool loaded_ = false;
  bool screen_watched_ = false;
  bool ended_ = false;
};
