#pragma once
// The main window's named controls as a test finds them: by objectName, as the operator's
// tools and the trace know them, never through the window's own members.
#include "app/form_doravent.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <memory>

namespace main_controls {

template <class W> W* find(const QObject& window, const QString& name) { return window.findChild<W*>(name); }

inline Main_Window_Controls Find(const QObject& window) {
  Main_Window_Controls c;
  // Only the window's own controls: the results window, a child of it, has names of its own.
  const QObject* client = window.findChild<QWidget*>("Form_Doravent_client", Qt::FindDirectChildrenOnly);
  const QObject& w = client ? *client : window;
  c.Picture_out = find<Picture_Box>(w, "Picture_out");
  c.Slider_play = find<QSlider>(w, "Slider_play");
  c.Frame_settimes = find<QGroupBox>(w, "Frame_settimes");
  c.Frame_controls = find<QGroupBox>(w, "Frame_controls");
  c.Frame_Control_status = find<QGroupBox>(w, "Frame_Control_status");
  c.Frame_dogs_Heat = find<QGroupBox>(w, "Frame_dogs_Heat");
  c.Frame_Control_box = find<QGroupBox>(w, "Frame_Control_box");
  for (int i = 0; i < 6; ++i) {
    const auto at = static_cast<size_t>(i);
    c.Command_BOX_set_time.at(at) = find<QPushButton>(w, QStringLiteral("Command_BOX_set_time_%1").arg(i));
    c.Picture_dognum.at(at) = find<QLabel>(w, QStringLiteral("Picture_dognum_%1").arg(i));
    c.Label_dog.at(at) = find<QLabel>(w, QStringLiteral("Label_dog_%1").arg(i));
  }
  c.Cmd_add_hundredth = find<QPushButton>(w, "Cmd_add_hundredth");
  c.Cmd_Split = find<QPushButton>(w, "Cmd_Split");
  c.Cmd_Notime = find<QPushButton>(w, "Cmd_Notime");
  c.Cmd_DeadHeat = find<QPushButton>(w, "Cmd_DeadHeat");
  c.cmd_live_view = find<QPushButton>(w, "cmd_live_view");
  c.Command_start_camera = find<QPushButton>(w, "Command_start_camera");
  c.Command_start_heat = find<QPushButton>(w, "Command_start_heat");
  c.Command_finish = find<QPushButton>(w, "Command_finish");
  c.Command_initiate_file = find<QPushButton>(w, "Command_initiate_file");
  c.Cmd_capture = find<QPushButton>(w, "Cmd_capture");
  c.Command_hide = find<QPushButton>(w, "Command_hide");
  c.Command1 = find<QPushButton>(w, "Command1");
  c.Option_selected_camera[1] = find<QRadioButton>(w, "Option_selected_camera_1");
  c.Option_selected_camera[2] = find<QRadioButton>(w, "Option_selected_camera_2");
  c.UpDown_heat = find<QSpinBox>(w, "UpDown_heat");
  c.Label_heat_num = find<QLabel>(w, "Label_heat_num");
  c.Label_heat_name = find<QLabel>(w, "Label_heat_name");
  c.Label_event = find<QLabel>(w, "Label_event");
  c.Label_heat_length = find<QLabel>(w, "Label_heat_length");
  c.Label_day = find<QLabel>(w, "Label_day");
  c.Text_filename = find<QLineEdit>(w, "Text_filename");
  c.Label_read_framesize = find<QLabel>(w, "Label_read_framesize");
  c.Label_filesize = find<QLabel>(w, "Label_filesize");
  c.Label_capture_folder = find<QLabel>(w, "Label_capture_folder");
  c.Label_heat_time = find<QLabel>(w, "Label_heat_time");
  c.Label_field = find<QLabel>(w, "Label_field");
  c.Label_Coll_count = find<QLabel>(w, "Label_Coll_count");
  c.Label_heat_state = find<QLabel>(w, "Label_heat_state");
  c.Label_running_fps = find<QLabel>(w, "Label_running_fps");
  c.Label_attached = find<QLabel>(w, "Label_attached");
  c.Label_Phidget_attached = find<QLabel>(w, "Label_Phidget_attached");
  c.Label_RM = find<QLabel>(w, "Label_RM");
  c.Label_remote_start = find<QLabel>(w, "Label_remote_start");
  c.Picture_lamps = find<QLabel>(w, "Picture_lamps");
  c.Label_GS[2] = find<QLabel>(w, "Label_GS_2");
  c.Label_GS[3] = find<QLabel>(w, "Label_GS_3");
  c.Picture_armed_switch = find<QLabel>(w, "Picture_armed_switch");
  c.Picture_arm = find<QLabel>(w, "Picture_arm");
  c.Picture_LED = find<QLabel>(w, "Picture_LED");
  c.Frame_heat = find<QGroupBox>(w, "Frame_heat");
  c.Label_event_file = find<QLabel>(w, "Label_event_file");
  c.Label_event_name = find<QLabel>(w, "Label_event_name");
  c.Label_heat_number2 = find<QLabel>(w, "Label_heat_number2");
  c.Label_heat_name2 = find<QLabel>(w, "Label_heat_name2");
  c.Timer1 = find<QTimer>(window, "Timer1");
  c.Timer_2 = find<QTimer>(window, "Timer_2");
  c.Frame_slit = find<QWidget>(w, "Frame_slit");
  c.Frame_loupe = find<QWidget>(w, "Frame_loupe");
  return c;
}

} // namespace main_controls

// The window's controls, found by name.
inline Main_Window_Controls ui(const Form_Doravent& w) { return main_controls::Find(w); }
inline Main_Window_Controls ui(const Form_Doravent* w) { return main_controls::Find(*w); }
inline Main_Window_Controls ui(const std::unique_ptr<Form_Doravent>& w) { return main_controls::Find(*w); }
