#pragma once
// The main window's share of the results: the results window, showing the review session's
// ranked results whenever they change.
#include "app/main_window_controls.h"

#include <QObject>
#include <QString>
#include <cstdint>

class Form_Dora_Results;

class Results_Controller : public QObject, private Window_Binding {
public:
  explicit Results_Controller(const Main_Window_Parts& parts);
  ~Results_Controller() override;
  Results_Controller(const Results_Controller&) = delete;
  Results_Controller& operator=(const Results_Controller&) = delete;

  // The results window, made and placed at first use.
  Form_Dora_Results& Results_Form();
  bool Results_Form_Made() const { return form_ != nullptr; }
  // "Show result form": shows the window, restored when it is minimised.
  void Show_Result_Form();

  // A recording opened: the window shows and the results are ranked.
  void Recording_Opened();
  // The session's results changed: shown again.
  void Display_Result_Array();
  // Empties the results window's rows (the recording was closed).
  void Clear_Results_Display();
  // The box delay or a distance rule changed: the result files are written again and the window
  // shows the result anew (a declared result keeps its own).
  void Result_Settings_Changed();

private:
  void report(int32_t step, const QString& procedure);

  Form_Dora_Results* form_ = nullptr; // owned by the window as a Qt child
};
