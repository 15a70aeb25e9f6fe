#pragma once
// Opening a recording for review in the main window and closing it again: the menu commands,
// and the window's share of an opening (the picture's size, the slider, the heat's labels and
// the caption), which follows the review session.
#include "app/main_window_controls.h"

#include <QObject>
#include <QString>
#include <cstdint>

class Review_Controller : public QObject, private Window_Binding {
public:
  explicit Review_Controller(const Main_Window_Parts& parts);
  Review_Controller(const Review_Controller&) = delete;
  Review_Controller& operator=(const Review_Controller&) = delete;

  // Menu commands.
  void item_open_file_Click();
  void item_last_heat_Click();
  void item_close_file_Click() { Do_Close(); }
  // The recording's property text in a message box; a beep without one.
  void item_qn3_properties_Click();
  // "Start from hand time": the picture shown is the winner's crossing; the start is set from the
  // winner's hand-timed run time or the start's time of day read off another clock.
  void item_start_from_hand_time_Click();

  // True when the recording is open for review afterwards.
  bool Handle_Open(const QString& path);
  void Do_Close();
  // The session opened and closed a recording: the window follows, first its picture and slider,
  // then, once the other concerns have taken the recording, its layout, labels and caption.
  void Recording_Opened();
  void Recording_Shown();
  void Recording_Closed();
  // The heat was finished: its recording is opened when the settings ask for it.
  void Heat_Finished();
  void Update_File_Size(const QString& path);
  // The picture box for the open recording: its own size, or scaled down to the screen's
  // largest picture height.
  void Size_Picture();
  // Shows "File is read only!" and answers true when the open recording may not be changed.
  bool Check_Read_Only();

  // The pause after opening that lets pending window events run (500 ms).
  void set_Open_Wait_Ms(int32_t ms) { open_wait_ms_ = ms; }

private:
  void Wait_Letting_Events_Run(int32_t ms);

  int32_t open_wait_ms_ = 500;
};
