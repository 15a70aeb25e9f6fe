#pragma once
// Opening a recording for review in the main window, closing it again, and the read-only
// question every changing command asks first.
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

class Form_Doravent;

// Slower recordings are stepped by fields, faster ones (more than 40 frames per second) by
// frames. A recording without fields in it (not interlaced) is always stepped by frames.
bool Field_Mode_For(const QString& measured_fps, bool interlaced);
// The number a text starts with (blanks skipped, digits with one optional point); 0 for none.
double Leading_Number(const QString& text);
// The picture box for a picture of width x height: its own size, or scaled down to max_height
// keeping the aspect ratio when it is taller (max_height <= 0: no limit).
QSize Review_Picture_Size(int32_t width, int32_t height, int32_t max_height);
// "<segments> / <megabytes to one decimal> MB".
QString File_Size_Text(int16_t segments, int64_t bytes, int32_t bytes_per_megabyte);
// The path up to and including its last separator; empty when it has none.
QString Folder_Of(const QString& path);

class Review_Controller {
public:
  // The parts of opening and closing that belong to other subsystems. An empty hook is skipped
  // (the default noted beside it runs instead).
  struct Hooks {
    std::function<void()> stop_cameras;  // capture source: stop the cameras
    std::function<void()> finish_heat;   // heat lifecycle: finish the running heat
    std::function<void()> redraw_frame;  // navigation: show the slider's picture (default: draw it)
    std::function<void()> show_results;  // results window: show it, rank and display the results
    std::function<void()> open_goal;     // set-times buttons: goal mode and the goal frame
                                         // (default: the goal-mode captions and buttons)
    std::function<void()> clear_results; // results window: clear its display
  };

  explicit Review_Controller(Form_Doravent& window);
  Review_Controller(const Review_Controller&) = delete;
  Review_Controller& operator=(const Review_Controller&) = delete;

  Hooks& hooks() { return hooks_; }

  // Menu commands.
  void item_open_file_Click();
  void item_last_heat_Click();
  void item_close_file_Click() { Do_Close(); }

  // True when the recording is open for review afterwards.
  bool Handle_Open(const QString& path);
  void Do_Close();
  void Update_File_Size(const QString& path);
  // Shows "File is read only!" and answers true when the open recording may not be changed.
  bool Check_Read_Only();
  void Check_Read_Only(bool& refused) { refused = Check_Read_Only(); }

  // The picture at the slider's position, as a field or a frame by the field mode.
  void Show_Slider_Picture();

  // The pause after opening that lets pending window events run (500 ms).
  void set_Open_Wait_Ms(int32_t ms) { open_wait_ms_ = ms; }

private:
  void Wait_Letting_Events_Run(int32_t ms);
  void Open_Goal_Default();

  Form_Doravent& w_;
  Hooks hooks_;
  int32_t open_wait_ms_ = 500;
};
