#include "app/goal_line_controller.h"

#include "app/goal_lines_view.h"
#include "app/main_window_state.h"
#include "metadata/xml_header.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/key_codes.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/review_session.h"

#include <QAction>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSlider>
#include <limits>

namespace {

QString location(const char* procedure) {
  return QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent");
}

bool valid_camera(int16_t camera) { return camera == 1 || camera == 2; }

} // namespace

Goal_Line_Controller::Goal_Line_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  if (QAction* displace = displace_item()) {
    displace->setCheckable(true);
    connect(displace, &QAction::triggered, this, [this] { item_displace_goalline_Click(); });
  }
  if (QAction* reset = ui_.item(QStringLiteral("item_reset_line")))
    connect(reset, &QAction::triggered, this, [this] { item_reset_line_Click(); });
  Picture_Box* picture = ui_.Picture_out;
  const auto picture_position = [picture](QMouseEvent* e) { return picture->To_Picture(e->position()); };
  connect(picture, &Picture_Box::pressed, this, [this, picture_position](QMouseEvent* e) {
    const QPointF p = picture_position(e);
    Picture_out_MouseDown(e->buttons(), e->modifiers(), p.x(), p.y());
  });
  connect(picture, &Picture_Box::moved, this, [this, picture_position](QMouseEvent* e) {
    const QPointF p = picture_position(e);
    Picture_out_MouseMove(e->buttons(), e->modifiers(), p.x(), p.y());
  });
  connect(picture, &Picture_Box::released, this, [this, picture_position](QMouseEvent* e) {
    const QPointF p = picture_position(e);
    Picture_out_MouseUp(e->buttons(), e->modifiers(), p.x(), p.y());
  });
  for (int camera = 1; camera <= 2; ++camera)
    connect(ui_.Option_selected_camera.at(static_cast<size_t>(camera)), &QRadioButton::toggled, this,
            [this, camera](bool on) {
              if (on) Option_selected_camera_Click(static_cast<int16_t>(camera));
            });
}

Goal_Line_Controller::~Goal_Line_Controller() = default;

QAction* Goal_Line_Controller::displace_item() const { return ui_.item(QStringLiteral("item_displace_goalline")); }

bool Goal_Line_Controller::Displace_Mode() const {
  const QAction* displace = displace_item();
  return displace && displace->isChecked();
}

Goal_Line Goal_Line_Controller::Line(int16_t camera) const { return Goal_Line_Of(view_, camera); }

void Goal_Line_Controller::set_Line(int16_t camera, const Goal_Line& line) {
  if (!valid_camera(camera)) return;
  set_Goal_Line_Of(view_, camera, line);
  lines_changed();
}

void Goal_Line_Controller::lines_changed() { heat_.set_Goal_Lines(Line(1), Line(2)); }

QSize Goal_Line_Controller::Inner_Size() const {
  const QImage& shown = ui_.Picture_out->Picture();
  if (!shown.isNull()) return shown.size();
  return ui_.Picture_out->size();
}

void Goal_Line_Controller::request_redraw() {
  if (!review_.Is_Open()) {
    ui_.Picture_out->update();
    return;
  }
  review_.Show_Again();
}

void Goal_Line_Controller::Recording_Opened() {
  const Cls_XML_header& header = review_.Recording().XML_Header();
  const auto take = [this](int16_t camera, const auto& read) {
    // An older or damaged header must not cost the operator the lines he has.
    try {
      const QString text = read();
      if (const auto points = Parse_Goal_Line(text))
        set_Line(camera, {points->at(0), points->at(1), points->at(2), points->at(3)});
      else
        Trace_Message("*Take_From_Header, unusable goal line", camera, text);
    } catch (const std::exception& failure) {
      Trace_Message("*Take_From_Header, no goal line", camera, failure.what());
    }
  };
  take(1, [&header] { return header.Dora_Goal_Finish(); });
  take(2, [&header] { return header.Dora_Goal_Split(); });
  view_.Goal_Displacement = 0;
  // Opening switches displacement off; the first picture must not show the copy's colour.
  if (QAction* displace = displace_item()) displace->setChecked(false);
}

void Goal_Line_Controller::Check_Within_Goal_Selection_Boxes(double x, double y) {
  const int16_t camera = view_.Selected_Camera;
  if (camera == 0) return;
  drag_.Grabbed_Handle = Goal_Handle_At(Line(camera), x, y);
}

void Goal_Line_Controller::Picture_out_MouseDown(Qt::MouseButtons, Qt::KeyboardModifiers shift, double x, double y) {
  int32_t step = 10;
  try {
    if (shift.testFlag(Qt::ShiftModifier))
      frame_.Window().setWindowTitle(QStringLiteral("X = ") + QString::number(x) + QStringLiteral(" Y= ") +
                                     QString::number(y));
    step = 20;
    const int16_t camera = view_.Selected_Camera;
    if (!valid_camera(camera)) {
      Beep();
      return;
    }
    step = 30;
    drag_.Press_X = Round_To_Int16(x);
    drag_.Press_Y = Round_To_Int16(y);
    const Goal_Line line = Line(camera);
    drag_.Drag_Start_1 = {line.x1, line.y1};
    drag_.Drag_Start_2 = {line.x2, line.y2};
    step = 40;
    Check_Within_Goal_Selection_Boxes(x, y);
    if (drag_.Grabbed_Handle != 0) {
      drag_.Dragged_Handle = drag_.Grabbed_Handle;
      drag_.Dragging = true;
    }
    drag_.Line_Changed = false;
  } catch (...) {
    report_current_exception(step, location("Picture_out_MouseDown"));
  }
}

void Goal_Line_Controller::Picture_out_MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers, double x, double y) {
  int32_t step = 10;
  try {
    const int16_t camera = view_.Selected_Camera;
    if (!valid_camera(camera)) {
      ui_.Picture_out->unsetCursor();
      return;
    }
    step = 20;
    Check_Within_Goal_Selection_Boxes(x, y);
    if (drag_.Grabbed_Handle != 0)
      ui_.Picture_out->setCursor(Qt::CrossCursor);
    else
      ui_.Picture_out->unsetCursor();
    if (!buttons.testFlag(Qt::LeftButton) || (drag_.Dragged_Handle != 1 && drag_.Dragged_Handle != 2)) return;
    step = 30;
    const bool first = drag_.Dragged_Handle == 1;
    const QSize inner = Inner_Size();
    const auto candidate = Drag_Candidate(first ? drag_.Drag_Start_1 : drag_.Drag_Start_2, drag_.Press_X, drag_.Press_Y,
                                          x, y, inner.width(), inner.height());
    if (!candidate) return;
    step = 40;
    Goal_Line line = Line(camera);
    if (first) {
      line.x1 = candidate->x;
      line.y1 = candidate->y;
    } else {
      line.x2 = candidate->x;
      line.y2 = candidate->y;
    }
    set_Line(camera, line);
    drag_.Line_Changed = true;
    Trace_Message((first ? QStringLiteral("*Goal_pt_1 = ") : QStringLiteral("*Goal_pt_2 = ")) +
                  QString::number(candidate->x) + QLatin1Char(',') + QString::number(candidate->y));
  } catch (...) {
    report_current_exception(step, location("Picture_out_MouseMove"));
  }
}

void Goal_Line_Controller::Picture_out_MouseUp(Qt::MouseButtons, Qt::KeyboardModifiers, double, double) {
  int32_t step = 10;
  try {
    if (view_.Selected_Camera == 0) return;
    drag_.Dragging = false;
    drag_.Dragged_Handle = 0;
    drag_.Grabbed_Handle = 0;
    step = 20;
    if (drag_.Line_Changed) {
      Save_Goal_line();
      drag_.Line_Changed = false;
    }
  } catch (...) {
    report_current_exception(step, location("Picture_out_MouseUp"));
  }
}

void Goal_Line_Controller::Reset_Goal_Line(int16_t camera) {
  try {
    if (!valid_camera(camera)) return;
    const QSize inner = Inner_Size();
    set_Line(camera, Reset_Line(inner.width(), inner.height()));
  } catch (...) {
    report_current_exception(10, location("Reset_Goal_Line"));
  }
}

void Goal_Line_Controller::item_reset_line_Click() { Reset_Goal_Line(view_.Selected_Camera); }

void Goal_Line_Controller::Save_Goal_line() {
  try {
    const int16_t camera = view_.Selected_Camera;
    if (!valid_camera(camera)) return;
    const Goal_Line line = Line(camera);
    // A failed write has already shown its message.
    ::Save_Goal_line(camera, line.x1, line.y1, line.x2, line.y2);
  } catch (...) {
    report_current_exception(10, location("Save_Goal_line"));
  }
}

void Goal_Line_Controller::Read_Goal_Lines() {
  try {
    for (int16_t camera = 1; camera <= 2; ++camera) {
      if (const auto points = Read_Goal_Line(camera)) {
        set_Line(camera, {points->at(0), points->at(1), points->at(2), points->at(3)});
        continue;
      }
      const QString stored = Read_Ini_Value(QStringLiteral("Goal_Lines"), "goal_Line" + QString::number(camera),
                                            program().Settings_File_Path, QStringLiteral("N/A"));
      // A damaged line has been traced and is kept for the operator to see and mend.
      if (stored != QLatin1String("N/A")) continue;
      // A new installation has no line yet: the reset line, stored, so the first heat has one.
      const QSize inner = Inner_Size();
      const Goal_Line line = Reset_Line(inner.width(), inner.height());
      set_Line(camera, line);
      ::Save_Goal_line(camera, line.x1, line.y1, line.x2, line.y2);
    }
  } catch (...) {
    report_current_exception(10, location("Read_Goal_Lines"));
  }
}

void Goal_Line_Controller::Handle_Goal_Offset(int32_t keycode) {
  try {
    if (!review_.Is_Open() || !Displace_Mode()) return;
    Trace_Message("*Handle_Goal_Offset, keycode = " + QString::number(keycode));
    int16_t& displacement = view_.Goal_Displacement;
    const int16_t change = Goal_Offset_Step(keycode);
    const int32_t moved = displacement + change;
    if (moved >= std::numeric_limits<int16_t>::min() && moved <= std::numeric_limits<int16_t>::max())
      displacement = static_cast<int16_t>(moved);
    request_redraw();
  } catch (...) {
    report_current_exception(10, location("Handle_Goal_Offset"));
  }
}

void Goal_Line_Controller::item_displace_goalline_Click() {
  try {
    // The item is checkable, so the trigger has already toggled the mark. Keypad 4 and 6 give
    // their codes whatever Num Lock's state, so Num Lock is left alone.
    if (Displace_Mode()) return;
    view_.Goal_Displacement = 0;
    request_redraw();
  } catch (...) {
    report_current_exception(10, location("item_displace_goalline_Click"));
  }
}

void Goal_Line_Controller::Option_selected_camera_Click(int16_t camera) {
  try {
    view_.Selected_Camera = camera;
    request_redraw();
  } catch (...) {
    report_current_exception(10, location("Option_selected_camera_Click"));
  }
}

void Goal_Line_Controller::IWindowsHook_HookProc(int32_t keycode, Qt::KeyboardModifiers modifiers) {
  try {
    if (!gap_.Accept(Mill_Now())) return;
    Trace_Message("*IWindowsHook_HookProc, wParam = " + QString::number(keycode));
    switch (Hook_Key_Action(keycode, modifiers.testFlag(Qt::ControlModifier))) {
    case Hook_Action::Goal_Offset: Handle_Goal_Offset(keycode); break;
    case Hook_Action::Focus_Slider: ui_.Slider_play->setFocus(); break;
    case Hook_Action::None: break;
    }
  } catch (...) {
    report_current_exception(10, location("IWindowsHook_HookProc"));
  }
}

bool Goal_Line_Controller::Slider_play_KeyDown(int32_t keycode, Qt::KeyboardModifiers shift, bool hook_installed) {
  try {
    Trace_Message("*Slider_play_KeyDown , KeyCode = " + QString::number(keycode));
    if (!Displace_Mode()) return false;
    if (keycode == key_code::Keypad_4 || keycode == key_code::Keypad_6) {
      // The keyboard hook has already moved the copy for this key.
      if (!hook_installed) Handle_Goal_Offset(keycode);
      return true;
    }
    if ((keycode == key_code::Left || keycode == key_code::Right) && shift.testFlag(Qt::AltModifier)) {
      Handle_Goal_Offset(keycode);
      return true;
    }
  } catch (...) {
    report_current_exception(10, location("Slider_play_KeyDown"));
  }
  return false;
}
