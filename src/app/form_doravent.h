#pragma once
#include "app/main_window_state.h"
#include "recording/frame_display.h"

#include <QImage>
#include <QMainWindow>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTimer;
class Single_Instance;
class Review_Controller;
class Event_Controller;
class Results_Controller;
class cls_VideoFile_handler;
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
class Form_select_Video;
class Form_HDMI_performance;
class Slit_Controller;
class Subfield_Controller;
class Calibration_Controller;
class Loupe_Controller;

// The frame display: shows one picture, scaled to the widget.
class Picture_Box : public QWidget, public Frame_Display {
  Q_OBJECT
public:
  explicit Picture_Box(QWidget* parent = nullptr);
  void set_Picture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  // The recording handler draws straight into the kept picture: no copy per frame.
  QImage& Frame_Image(int32_t width, int32_t height) override;
  void Refresh() override { update(); }
  void Clear_Picture() override;

Q_SIGNALS:
  void pressed(QMouseEvent* event);
  void moved(QMouseEvent* event);
  void released(QMouseEvent* event);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  QImage picture_;
};

// The whole application window: owns the shared state and the named controls; the subsystems'
// controllers read and write them.
class Form_Doravent : public QMainWindow {
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
  // Empty text when the folder is usable; else the failure's description and number.
  QString Validate_Folder();
  void Arrange_form();
  // Max_Picture_Height from the window as laid out on its screen; a recording already open is
  // sized again when it changes. Called when the window is shown, when it changes screens and
  // before a recording is sized.
  void Update_Max_Picture_Height();
  // False when the program does not end: frames of a heat are still held and the operator keeps them.
  bool Doravent_End();
  void Stop_All_Windows();

  Main_Window_State& state() { return state_; }
  const Main_Window_State& state() const { return state_; }
  bool Ending() const;
  // The one recording handler, and the opening and closing of recordings for review.
  cls_VideoFile_handler& obj_QN3_Handler() { return *obj_QN3_Handler_; }
  Review_Controller& review() { return *review_; }
  // The event window and the event file in use.
  Event_Controller& events() { return *events_; }
  Results_Controller& results() { return *results_; }
  Goal_Line_Controller& goal_line() { return *goal_line_; }
  // Moving through the recording under review: the slider, its keys and the go-to procedures.
  Playback_Controller& playback() { return *playback_; }
  // The set-times buttons, goal and split mode, and the Assign times commands.
  Set_Times_Controller& set_times() { return *set_times_; }
  // The camera: capture source, live view, crop size and the per-frame handler.
  Camera_Controller& camera() { return *camera_; }
  // The heat's life: preparing, starting, capturing, finishing, aborting.
  Heat_Controller& heat() { return *heat_; }
  Form_select_Video& Source_Window() { return *select_video_; }
  // The interface kit: its events, the LED and the Control Box.
  Kit_Controller& kit() { return *kit_; }
  // The photo-finish prints, the printer dialog and the heat competitors window.
  Print_Controller& printing() { return *print_; }
  // The one application-wide key and slider filter, with the keyboard hook.
  App_Key_Filter& key_filter() { return *key_filter_; }
  // Beyond field precision: the slit image and the finish proposals, times between two fields
  // by hand, the camera delay from the kit's LED, and the loupe.
  Slit_Controller& slit() { return *slit_; }
  Subfield_Controller& subfield() { return *subfield_; }
  Calibration_Controller& calibration() { return *calibration_; }
  Loupe_Controller& loupe() { return *loupe_; }

  // Named controls.
  Picture_Box* Picture_out = nullptr;
  QSlider* Slider_play = nullptr;
  QGroupBox* Frame_settimes = nullptr;
  QGroupBox* Frame_controls = nullptr;
  QGroupBox* Frame_Control_status = nullptr;
  QGroupBox* Frame_dogs_Heat = nullptr;
  QGroupBox* Frame_Control_box = nullptr;
  std::array<QPushButton*, 6> Command_BOX_set_time{};
  QPushButton* Cmd_add_hundredth = nullptr;
  QPushButton* Cmd_Split = nullptr;
  QPushButton* Cmd_Notime = nullptr;
  QPushButton* Cmd_DeadHeat = nullptr;
  QPushButton* cmd_live_view = nullptr;
  QPushButton* Command_start_camera = nullptr;
  QPushButton* Command_start_heat = nullptr;
  QPushButton* Command_finish = nullptr;
  QPushButton* Command_initiate_file = nullptr;
  QPushButton* Cmd_capture = nullptr;
  QPushButton* Command_hide = nullptr;
  QPushButton* Command1 = nullptr;
  std::array<QRadioButton*, 3> Option_selected_camera{}; // index 1 "Goal", 2 "Split"
  QSpinBox* UpDown_heat = nullptr;
  QLabel* Label_heat_num = nullptr;
  QLabel* Label_heat_name = nullptr;
  QLabel* Label_event = nullptr;
  QLabel* Label_heat_length = nullptr;
  QLabel* Label_day = nullptr;
  QLineEdit* Text_filename = nullptr;
  QLabel* Label_read_framesize = nullptr;
  QLabel* Label_filesize = nullptr;
  QLabel* Label_capture_folder = nullptr;
  QLabel* Label_heat_time = nullptr;
  QLabel* Label_field = nullptr;
  QLabel* Label_Coll_count = nullptr;
  QLabel* Label_running_fps = nullptr;
  QLabel* Label_attached = nullptr;
  QLabel* Label_Phidget_attached = nullptr;
  QLabel* Label_RM = nullptr;           // the start contact
  QLabel* Label_remote_start = nullptr; // the armed switch
  QLabel* Picture_lamps = nullptr;
  std::array<QLabel*, 4> Label_GS{}; // index 2 "Goal", 3 "Split"
  QLabel* Picture_armed_switch = nullptr;
  QLabel* Picture_arm = nullptr;
  QLabel* Picture_LED = nullptr;
  std::array<QLabel*, 6> Picture_dognum{};
  std::array<QLabel*, 6> Label_dog{};
  // The event file's own heat fields, shown with the heat data while a file is in use.
  QGroupBox* Frame_heat = nullptr;
  QLabel* Label_event_file = nullptr;
  QLabel* Label_event_name = nullptr;
  QLabel* Label_heat_number2 = nullptr;
  QLabel* Label_heat_name2 = nullptr;
  QTimer* Timer1 = nullptr;
  QTimer* Timer_2 = nullptr;
  // Under the picture, the slit image's strip; beside it, the loupe. Hidden until switched on;
  // Arrange_form places them when shown.
  QWidget* Frame_slit = nullptr;
  QWidget* Frame_loupe = nullptr;

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
  void build_controls();
  void build_menus();
  // The Finish menu and the loupe's keys in Help.
  void build_finish_menu();
  void set_menu_visibility();
  // Connects the commands and the controllers to each other, once all are built.
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
  void UpDown_heat_Change();
  int32_t Compute_Max_Picture_Height() const;
  void report(int32_t step, const QString& procedure);

  Options options_;
  Main_Window_State state_;
  std::vector<QMenu*> menus_;
  std::vector<QAction*> items_;
  std::unique_ptr<Single_Instance> instance_;
  std::unique_ptr<cls_VideoFile_handler> obj_QN3_Handler_;
  std::unique_ptr<Review_Controller> review_;
  std::unique_ptr<Event_Controller> events_;
  friend class Event_Controller;
  std::unique_ptr<Results_Controller> results_;
  std::unique_ptr<Goal_Line_Controller> goal_line_;
  std::unique_ptr<Playback_Controller> playback_;
  std::unique_ptr<Set_Times_Controller> set_times_;
  std::unique_ptr<Kit_Controller> kit_;
  std::unique_ptr<Camera_Controller> camera_;
  std::unique_ptr<Heat_Controller> heat_;
  std::unique_ptr<Print_Controller> print_;
  std::unique_ptr<App_Key_Filter> key_filter_;
  Form_timer* timer_window_ = nullptr;           // a Qt child, made at first use
  Form_select_Video* select_video_ = nullptr;    // a Qt child, loaded hidden at start
  Form_HDMI_performance* performance_ = nullptr; // a Qt child, made at first use
  std::unique_ptr<Slit_Controller> slit_;
  std::unique_ptr<Subfield_Controller> subfield_;
  std::unique_ptr<Calibration_Controller> calibration_;
  std::unique_ptr<Loupe_Controller> loupe_;
  bool loaded_ = false;
  bool screen_watched_ = false;
  bool ended_ = false;
};
