#pragma once
// Opening a recording for review in the main window, closing it again, and the read-only
// question every changing command asks first.
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

class Form_Doravent;
class Cls_XML_header;
class cls_VideoFile_handler;

// Shows "File is read only!" and answers true when the open recording may not be changed: the
// first step of every command that would change it.
bool Refuse_Read_Only(const cls_VideoFile_handler& recording);

class Review_Controller {
public:
  // The parts of opening and closing that belong to other controllers; set where the window is
  // wired. The capture source and the heat lifecycle may be absent (their hooks empty).
  struct Hooks {
    std::function<void()> stop_cameras;                         // capture source: stop the cameras
    std::function<void()> finish_heat;                          // heat lifecycle: finish the running heat
    std::function<void(const Cls_XML_header&)> take_goal_lines; // goal line: the recording's lines
    std::function<void()> redraw_frame;                         // navigation: show the slider's picture
    std::function<void()> show_results;                         // results window: show it, rank and display the results
    std::function<void()> open_goal;                            // set-times buttons: goal mode and the goal frame
    std::function<void()> clear_results;                        // results window: clear its display
  };

  explicit Review_Controller(Form_Doravent& window);
  Review_Controller(const Review_Controller&) = delete;
  Review_Controller& operator=(const Review_Controller&) = delete;

  Hooks& hooks() { return hooks_; }

  // Menu commands.
  void item_open_file_Click();
  void item_last_heat_Click();
  void item_close_file_Click() { Do_Close(); }
  // The recording's property text in a message box; a beep without one.
  void item_qn3_properties_Click();

  // True when the recording is open for review afterwards.
  bool Handle_Open(const QString& path);
  void Do_Close();
  void Update_File_Size(const QString& path);
  // The picture box for the open recording: its own size, or scaled down to the screen's
  // largest picture height.
  void Size_Picture();
  // Shows "File is read only!" and answers true when the open recording may not be changed.
  bool Check_Read_Only();
  void Check_Read_Only(bool& refused) { refused = Check_Read_Only(); }

  // The pause after opening that lets pending window events run (500 ms).
  void set_Open_Wait_Ms(int32_t ms) { open_wait_ms_ = ms; }

private:
  void Wait_Letting_Events_Run(int32_t ms);

  Form_Doravent& w_;
  Hooks hooks_;
  int32_t open_wait_ms_ = 500;
};
