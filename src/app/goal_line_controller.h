#pragma once
// The goal lines of both cameras on the main window: editing with the mouse, reset, the
// displaced copy and its keys, the keyboard hook's keys, and the lines a recording brings when
// it is opened. The lines themselves are the window's view state (goal_lines_view.h); the heat
// takes them into the next recording.
#include "app/main_window_controls.h"
#include "timing/goal_line.h"

#include <QObject>
#include <QSize>
#include <Qt>
#include <cstdint>

class QAction;

// Where a drag of an end point stands.
struct Goal_Drag_State {
  int16_t Grabbed_Handle = 0; // result of the last hit test: 0 none, 1 point 1, 2 point 2
  int16_t Dragged_Handle = 0;
  bool Dragging = false;
  int16_t Press_X = 0;
  int16_t Press_Y = 0;
  Drag_Point Drag_Start_1;
  Drag_Point Drag_Start_2;
  bool Line_Changed = false;
};

class Goal_Line_Controller : public QObject, private Window_Binding {
  Q_OBJECT
public:
  explicit Goal_Line_Controller(const Main_Window_Parts& parts);
  ~Goal_Line_Controller() override;
  Goal_Line_Controller(const Goal_Line_Controller&) = delete;
  Goal_Line_Controller& operator=(const Goal_Line_Controller&) = delete;

  // A recording opened for review: its lines replace both cameras' lines, and displacement is
  // switched off. An unusable stored line leaves that camera's line as it was.
  void Recording_Opened();

  // x, y in picture pixels.
  void Picture_out_MouseDown(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, double x, double y);
  void Picture_out_MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, double x, double y);
  void Picture_out_MouseUp(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, double x, double y);
  void Check_Within_Goal_Selection_Boxes(double x, double y);

  void Reset_Goal_Line(int16_t camera);
  void Save_Goal_line();
  void Read_Goal_Lines();
  void Handle_Goal_Offset(int32_t keycode);
  void item_displace_goalline_Click();
  void item_reset_line_Click();
  void Option_selected_camera_Click(int16_t camera);
  bool Displace_Mode() const;

  // One key notification, as the keyboard hook hands it on.
  void IWindowsHook_HookProc(int32_t keycode, Qt::KeyboardModifiers modifiers);
  // A key on the slider: taken (the slider must not step on it) when it moves the copy.
  bool Slider_play_KeyDown(int32_t keycode, Qt::KeyboardModifiers shift, bool hook_installed);

  Goal_Line Line(int16_t camera) const;
  void set_Line(int16_t camera, const Goal_Line& line);
  const Goal_Drag_State& Drag_State() const { return drag_; }
  // The picture's size in pixels: the shown image's, else the picture box's.
  QSize Inner_Size() const;

private:
  void request_redraw();
  void lines_changed();
  QAction* displace_item() const;

  Goal_Drag_State drag_;
  Key_Gap gap_;
};
