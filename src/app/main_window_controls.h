#pragma once
// The main window's named controls, which the window builds and owns (as Qt children) and the
// controllers bind to, and what a controller may ask of the window itself. Tests find the same
// controls by objectName.
#include "recording/frame_display.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMouseEvent;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTimer;
class Heat_Session;
class Review_Session;
struct Main_Window_State;

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
  // A mouse position on the box in picture pixels (the picture is stretched over the box).
  QPointF To_Picture(QPointF widget_position) const;

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

struct Main_Window_Controls {
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
  QLabel* Label_heat_state = nullptr;
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
  // the window places them when shown.
  QWidget* Frame_slit = nullptr;
  QWidget* Frame_loupe = nullptr;

  // Menus and their items, by control name.
  std::vector<QMenu*> menus;
  std::vector<QAction*> items;
  QAction* item(const QString& name) const;
  QMenu* menu(const QString& name) const;
  // The slider takes the focus when it can (after a command, the arrow keys step it again).
  void Focus_Slider() const;
};

// What a controller may ask of the window it sits in.
class Main_Window_Frame {
public:
  virtual ~Main_Window_Frame() = default;
  // The window itself: the parent of dialogs, its caption and visibility.
  virtual QWidget& Window() = 0;
  // Places the controls around the picture again after a size or visibility changed.
  virtual void Arrange_form() = 0;
  // The tallest picture the screen leaves room for, measured again.
  virtual void Update_Max_Picture_Height() = 0;
};

// Everything a controller binds: the controls, the window's view state and frame, and the two
// sessions. Controllers reach each other only through the sessions.
struct Main_Window_Parts {
  Main_Window_Controls& ui;
  Main_Window_State& view;
  Main_Window_Frame& frame;
  Review_Session& review;
  Heat_Session& heat;
};

class Window_Binding {
protected:
  explicit Window_Binding(const Main_Window_Parts& parts)
      : ui_(parts.ui), view_(parts.view), frame_(parts.frame), review_(parts.review), heat_(parts.heat) {}

  Main_Window_Controls& ui_;
  Main_Window_State& view_;
  Main_Window_Frame& frame_;
  Review_Session& review_;
  Heat_Session& heat_;
};
