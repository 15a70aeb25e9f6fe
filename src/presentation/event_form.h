#pragma once
#include "metadata/event_file.h"
#include "presentation/event_print.h"

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSpinBox;
class Form_Doravent_SpeakerCard;

// The event window: creates, opens, closes and edits the event file, imports dog names, and
// answers the main window's questions about the event. Loaded hidden at start and kept until
// the main window goes.
class Form_event_registration : public QMainWindow {
  Q_OBJECT
public:
  explicit Form_event_registration(QWidget* parent = nullptr);
  ~Form_event_registration() override;

  // Opens the event file named in the settings, or asks for the heat data without one.
  void Form_Load();

  // Menu commands.
  void item_open_event_file_Click();
  void item_create_event_file_Click();
  void item_close_event_file_Click();
  void item_import_dogs_Click();
  void item_print_form_Click();
  // "Make speaker card": the card shows the heat on screen now.
  void item_speaker_card_Click();
  Form_Doravent_SpeakerCard* Speaker_Card() const { return speaker_card_; }
  // The main window's "No Event File": the file is no longer in use and nothing more is saved to it.
  void Drop_Event_File();

  // Writes the document back to its file (the path's owner may forbid it: then only the message).
  // The open file's event name and day as it was saved, over what was typed for a new file.
  void Keep_Saved_Name_And_Day();
  void XML_to_File();
  void Load_Heat_Data();
  void Update_Event_file_name();

  // Readers for the other windows; empty text when the answer cannot be read.
  QString Event_name() const;
  QString Heat_Name(int16_t heat) const;
  QString Heat_Length(int16_t heat) const;
  QString Reg_Dog_Name(int16_t heat, int16_t box) const;
  QString Get_day() const;
  QString Event_File_Path() const { return path_; }
  bool Event_File_Open() const { return open_; }
  bool Editing() const { return editing_; }
  int16_t Current_Heat() const { return heat_; }
  const Event_Document& Document() const { return doc_; }

  // The pauses of the window's own print (an image of itself).
  void set_Print_Waits(Window_Print_Waits waits) { print_waits_ = waits; }
  // The pause after each imported dog, so the operator can follow the import.
  void set_Import_Pause_ms(int32_t ms) { import_pause_ms_ = ms; }

  // Named controls.
  QLineEdit* Text_event_name = nullptr;
  QLineEdit* Text_day = nullptr;
  QLabel* Label_event_file = nullptr;
  QGroupBox* Frame_heat = nullptr;
  QSpinBox* UpDown_heat = nullptr;
  QLineEdit* Text_heat_name = nullptr;
  QLineEdit* Text_heat_length = nullptr;
  QLineEdit* Text_heat_time = nullptr;
  std::array<QLineEdit*, 6> Text_dog_name{};
  std::array<QLabel*, 6> Picture_box{};

  QAction* item(const QString& name) const;
  QMenu* menu(const QString& name) const;

Q_SIGNALS:
  // The file in use, its usability or the event name changed.
  void Event_File_Changed();
  // There is no event file: the main window shows its own heat data.
  void Heat_Data_Requested();

protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void build_controls();
  void build_menus();
  // Judges and parses the file and, when both succeed, puts it in use. A file that fails
  // leaves the event in use as it was (and the file untouched).
  bool Use_Event_File(const QString& path);
  void Show_Heat(int16_t heat);
  void UpDown_heat_Change(int value);
  void Text_event_name_Change();
  void Text_day_Change();
  void Text_dog_name_Change(int index);
  void Heat_Box_Validate(QLineEdit* box);
  void Fill_Event_Boxes();
  void Paint_Boxes();
  void Pause(int32_t ms);
  void report(int32_t step, const QString& procedure);

  Event_Document doc_;
  QString path_;
  bool open_ = false;
  bool editing_ = false;
  bool saving_ = false;
  int16_t heat_ = 1;
  int32_t import_pause_ms_ = 500;
  Window_Print_Waits print_waits_;
  Form_Doravent_SpeakerCard* speaker_card_ = nullptr; // a Qt child, made at first use
  std::vector<QMenu*> menus_;
  std::vector<QAction*> items_;
};
