#pragma once
// The main window's share of the event file: answers the event window's commands, keeps the
// heat labels in step with the file in use, and tells the heat session which heat the next
// recording is prepared for.
#include "app/main_window_controls.h"

#include <QObject>
#include <QString>
#include <cstdint>

class Form_event_registration;

class Event_Controller : public QObject, private Window_Binding {
  Q_OBJECT
public:
  Event_Controller(const Main_Window_Parts& parts, Form_event_registration& events);
  ~Event_Controller() override;

  Form_event_registration& Event_Window() { return events_; }
  const Form_event_registration& Event_Window() const { return events_; }
  bool Event_File_Open() const { return event_file_open_; }

  // Start-up: the event window opens the stored event file, staying hidden.
  void Load();
  // Start-up: the stored heat is selected.
  void Select_Stored_Heat(int heat);

  void item_event_registration_Click();
  void item_open_event_file_Click();
  void item_No_event_file_Click();

  // The main window's heat fields, from the event file in use.
  void Show_Event_Labels();
  void Display_Heat_Data();
  // The heat fields follow the up-down while no recording is under review.
  void UpDown_heat_Change();
  // A review ended: the heat fields show the selected heat again.
  void Recording_Closed();

private:
  void Event_File_Changed();
  // The heat the labels show is the next recording's.
  void Publish_Heat_Data();
  void report(int32_t step, const QString& procedure);

  Form_event_registration& events_;
  bool event_file_open_ = false;
};
