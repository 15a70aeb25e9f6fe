#pragma once
// The main window's share of the results: ranking the recording under review into the results
// window.
#include "timing/result_ranking.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class Form_Doravent;
class Form_Dora_Results;
class cls_VideoFile_handler;

class Results_Controller : public QObject {
public:
  explicit Results_Controller(Form_Doravent& window);
  ~Results_Controller() override;
  Results_Controller(const Results_Controller&) = delete;
  Results_Controller& operator=(const Results_Controller&) = delete;

  // What the results window's commands ask of the other controllers; set where the window is
  // wired.
  struct Links {
    std::function<void(int16_t)> goto_rank;
    std::function<void(int16_t)> goto_split_time;
    std::function<void(int16_t)> goto_box;
    std::function<void()> set_buttons;
  };
  Links& links() { return links_; }

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
  // Empties the results window's rows (the recording was closed).
  void Clear_Results_Display();

private:
  cls_VideoFile_handler* open_recording() const;
  void focus_slider();
  void report(int32_t step, const QString& procedure);

  Form_Doravent& window_;
  Links links_;
  Form_Dora_Results* form_ = nullptr; // owned by the window as a Qt child
  Result_Array results_{};
};
