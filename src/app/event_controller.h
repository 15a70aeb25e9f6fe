#pragma once
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class Form_Doravent;
class Form_event_registration;
class cls_VideoFile_handler;

// The main window's share of the event file: owns the event window, answers its commands and
// keeps the heat labels in step with the file in use.
class Event_Controller : public QObject {
  Q_OBJECT
public:
  explicit Event_Controller(Form_Doravent& window);
  ~Event_Controller() override;

  Form_event_registration& Event_Window() { return *event_window_; }
  const Form_event_registration& Event_Window() const { return *event_window_; }

  // Start-up: the heat fields learn to read the event window, which opens the stored event
  // file, staying hidden.
  void Load();

  void item_event_registration_Click();
  void item_open_event_file_Click();
  void item_No_event_file_Click();

  // The main window's heat fields, from the event file in use.
  void Show_Event_Labels();
  void Display_Heat_Data();
  // The heat fields follow the up-down while no recording is under review.
  void UpDown_heat_Change();
  // Copies the selected heat's dog names into the recording being prepared.
  void Update_Dog_names(cls_VideoFile_handler& recording);
  const QString& Dog_Name_List() const { return dog_name_list_; }

private:
  void Event_File_Changed();
  bool event_file_in_use() const;
  void report(int32_t step, const QString& procedure);

  Form_Doravent& window_;
  std::unique_ptr<Form_event_registration> event_window_;
  QString dog_name_list_;
};
