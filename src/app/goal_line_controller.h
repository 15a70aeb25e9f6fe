#pragma once
#include "timing/goal_line.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QSize>
#include <Qt>
#include <cstdint>
#include <functional>

class Cls_XML_header;
class Form_Doravent;
class QAction;
class QMouseEvent;
class cDIBSection;

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

// The goal lines of both cameras on the main window: drawing over the picture, editing with the
// mouse, reset, the displaced copy and its keys, and the application-wide key filter.
class Goal_Line_Controller : public QObject {
  Q_OBJECT
public:
  explicit Goal_Line_Controller(Form_Doravent& window);
  ~Goal_Line_Controller() override;
  Goal_Line_Controller(const Goal_Line_Controller&) = delete;
  Goal_Line_Controller& operator=(const Goal_Line_Controller&) = delete;

  struct Links {
    // The playback navigation: shows the current picture again, which calls Draw_Goal_Lines.
    std::function<void()> redraw;
  };
  Links& links() { return links_; }

  // A recorded frame: the selected camera's line, then its displaced copy. Call after the frame
  // is drawn, before the picture is shown.
  void Draw_Goal_Lines(QImage& picture);
  void Draw_Goal_Lines(cDIBSection& surface);
  // A live frame: the selected camera's line, its handles and "Goal" or, in yellow, "Split".
  void Draw_Live_Goal_Line(QImage& picture);

  // Called by the opening code: the recording's lines replace both cameras' lines, and
  // displacement is switched off. An unusable stored line leaves that camera's line as it was.
  void Take_From_Header(const Cls_XML_header& header);

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

  Goal_Line Line(int16_t camera) const;
  void set_Line(int16_t camera, const Goal_Line& line);
  const Goal_Drag_State& Drag_State() const { return drag_; }
  // The picture's size in pixels: the shown image's, else the picture box's.
  QSize Inner_Size() const;
  // A mouse position on the picture box in picture pixels.
  QPointF To_Picture(QPointF widget_position) const;

private:
  void request_redraw();
  bool recording_open() const;
  template <class Target> void draw_lines(Target& target);
  QAction* displace_item() const;

  Form_Doravent& window_;
  Links links_;
  Goal_Drag_State drag_;
  Key_Gap gap_;
};
