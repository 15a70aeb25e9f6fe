#pragma once
#include <QString>
#include <array>
#include <cstdint>

// The state of the main window that the timing and capture code share. One instance, owned by
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
  QString Last_Folder;
  QString Review_File_Name;
  QString Recording_Path;
  int32_t Heat_Start_Mill = 0;
  // A heat is running: its start instant is in Heat_Start_Mill. Kept apart from that instant,
  // which the wrapping clock may give as 0 or below.
  bool Heat_Running = false;
  int32_t Heat_Start_Local = 0;
  int32_t Review_Start_Mill = 0;
  bool Field_Mode = false;
  int32_t Max_Picture_Height = 0;
  int16_t Num_Video_Streams = 0;
  // Indexed by camera 1..2; element 0 is unused so the system's camera numbers index directly.
  std::array<Goal_Point, 3> Goal_Point_1{};
  std::array<Goal_Point, 3> Goal_Point_2{};
  int16_t Goal_Displacement = 0;
  int16_t Selected_Camera = 1;
  bool Split_Mode = false;
  int32_t Heat_Elapsed_Mill = 0;
  bool Plus_Hundredth_Mode = false;
  bool No_Time_Mode = false;
  bool Dead_Heat_Mode = false;
  int16_t Held_Box = 0; // box whose set-time button is held down, 0 when none
  bool Live_View = false;
  std::array<Source_Slot, 2> Sources{};
  bool Collecting = false;
  bool Arm_Green = false;
  bool Kit_Attached = false;
  bool Event_File_Open = false;
  std::array<int32_t, 4> Click_Mill{};
  int32_t Bytes_Per_Megabyte = 1048576;
  QString Command_Argument;
  QString Print_Dog_Name;

  int32_t& click_mill(Click_Button b) { return Click_Mill.at(static_cast<std::size_t>(b)); }
};
