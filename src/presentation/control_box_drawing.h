#pragma once
// The pictures of the main window's "Control Box": the lamps of the start contact and the two
// cameras, the armed switch and the on-screen LED, drawn from the kit's state.
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <array>

// Where the shapes sit in the lamp picture, in its pixels.
struct Control_Box_Layout {
  static constexpr QSize Lamps{200, 56};
  static constexpr QRect RM_Open{8, 4, 48, 48};                                              // Shape_RM_open
  static constexpr std::array<QRect, 2> Camera{QRect{84, 4, 48, 48}, QRect{144, 4, 48, 48}}; // Shape_camera 2, 3
};

struct Control_Lamps_State {
  bool attached = false;
  bool start_contact = false;   // input 0
  std::array<bool, 2> camera{}; // inputs 3 and 4
  QColor face;                  // the system's button-face colour
};

// The lamp picture: the start contact's disc with "Closed" or "Open", the cameras' shapes and
// discs in red (trigger closed) or green, in the face colour once the kit is detached.
QImage Draw_Control_Lamps(const Control_Lamps_State& state);

// The armed switch: lever up on green with "Armed", lever down on light red with "Not Armed".
QImage Draw_Start_Switch_Picture(QSize size, bool armed);

// The on-screen LED: a yellow or grey disc, its radius a third of the width, on the background.
QImage Draw_LED_Picture(QSize size, bool lit, const QColor& background);
