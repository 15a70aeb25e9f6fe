#pragma once
// The main window's share of the results: ranking the recording under review into the results
// window, the heat fields from the event file, and dog names into a recording being prepared.
#include "timing/result_ranking.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class Form_Doravent;
class Form_Dora_Results;
class QGroupBox;
class QLabel;
class cls_VideoFile_handler;

// The event file's reads that the heat fields use; the event window supplies them.
// Unset reads give empty texts.
struct Event_Heat_Source {
  std::function<QString()> file_path;
  std::function<QString()> event_name;
  std::function<QString(int16_t)> heat_name;
  std::function<QString(int16_t)> heat_length;
  std::function<QString(int16_t, int16_t)> reg_dog_name; // heat, box
  std::function<QString()> day_text;
};

class Results_Controller : public QObject {
public:
  explicit Results_Controller(Form_Doravent& window);
  ~Results_Controller() override;
  Results_Controller(const Results_Controller&) = delete;
  Results_Controller& operator=(const Results_Controller&) = delete;

  // The recording under review (default: the window's handler); open while it reports File_open.
  void set_Recording(std::function<cls_VideoFile_handler*()> recording) { recording_ = std::move(recording); }
  void set_Event_Source(Event_Heat_Source source) { event_ = std::move(source); }

  // Hooks into the other parts of the main window; unset hooks do nothing.
  std::function<void(int16_t)> goto_rank;
  std::function<void(int16_t)> goto_split_time;
  std::function<void(int16_t)> goto_box;
  std::function<void()> set_buttons;
  // Clears every box of the recording; Clear_All_Results unless replaced.
  std::function<void()> clear_all_results;

  // The results window, made and placed at first use.
  Form_Dora_Results& Results_Form();
  bool Results_Form_Made() const { return form_ != nullptr; }
  // "Show result form": shows the window, restored when it is minimised.
  void Show_Result_Form();

  // Load, sort and display, then mark the box buttons.
  void Handle_results();
  // False (reported) when the recording's results cannot be read; the array keeps its rows.
  bool Load_Result_Array();
  void Sort_Result_Array();
  void Display_Result_Array();
  const Result_Array& Results() const { return results_; }

  // Boxes 1 to 8 lose frame, times, click time and dead-heat mark; refused on a read-only
  // recording with "File is read only!".
  void Clear_All_Results();

  void Display_Heat_Data();
  // The heat fields follow the up-down while no recording is under review.
  void UpDown_heat_Change();
  // Copies the selected heat's dog names into the recording being prepared.
  void Update_Dog_names(cls_VideoFile_handler& recording);
  const QString& Dog_Name_List() const { return dog_name_list_; }

  // Heat fields of the event file.
  QGroupBox* Frame_heat = nullptr;
  QLabel* Label_event_file = nullptr;
  QLabel* Label_event_name = nullptr;
  QLabel* Label_heat_number2 = nullptr;
  QLabel* Label_heat_name2 = nullptr;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  cls_VideoFile_handler* open_recording() const;
  bool event_file_in_use() const;
  void focus_slider();
  void report(int32_t step, const QString& procedure);

  Form_Doravent& window_;
  std::function<cls_VideoFile_handler*()> recording_;
  Event_Heat_Source event_;
  Form_Dora_Results* form_ = nullptr; // owned by the window as a Qt child
  Result_Array results_{};
  QString dog_name_list_;
};
