#pragma once
#include <QString>
#include <array>
#include <cstdint>

// The main window's own view state: what its controls show and how they were last used. The
// heat and the recording under review live in their sessions. One instance, owned by
// Form_Doravent.
struct Goal_Point {
  int32_t x = 0;
  int32_t y = 0;
};

// A capture source slot of the main window: its name and value, cleared at every camera start.
struct Source_Slot {
  QString name;
  int32_t value = 0;
};

// Indices of Click_Mill: each debounced button keeps its last accepted click time.
enum class Click_Button : std::size_t { Capture_Down = 0, Capture_Up = 1, Live_View = 2, Goal_Split = 3 };

struct Main_Window_State {
  QString Capture_Folder;
  int32_t Max_Picture_Height = 0;
  // The goal lines drawn over the picture, indexed by camera 1..2; element 0 is unused so the
  // system's camera numbers index directly.
  std::array<Goal_Point, 3> Goal_Point_1{};
  std::array<Goal_Point, 3> Goal_Point_2{};
  int16_t Goal_Displacement = 0;
  int16_t Selected_Camera = 1;
  bool Live_View = false;
  std::array<Source_Slot, 2> Sources{};
  bool Arm_Green = false;
  // The Escape key is held down (the frame handler's abort check).
  bool Escape_Down = false;
  std::array<int32_t, 4> Click_Mill{};
  int32_t Bytes_Per_Megabyte = 1048576;
  QString Command_Argument;
  QString Print_Dog_Name;

  int32_t& click_mill(Click_Button b) { return Click_Mill.at(static_cast<std::size_t>(b)); }
};
