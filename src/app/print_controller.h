#pragma once
// The main window's printing: the photo-finish pages of the recording under review ("Print this
// frame", "Print Goal photo series", "Print Split photo series"), the name for the next print
// ("Dog Name"), the printer dialog, and the heat competitors window ("Dog names").
#include "app/main_window_controls.h"
#include "presentation/competitors_form.h"
#include "timing/result_ranking.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>

class Form_event_registration;

class Print_Controller : public QObject, private Window_Binding {
public:
  Print_Controller(const Main_Window_Parts& parts, Form_event_registration& events);
  ~Print_Controller() override;
  Print_Controller(const Print_Controller&) = delete;
  Print_Controller& operator=(const Print_Controller&) = delete;

  // The photo-finish page: the shown frame (series false) or the photo series of the placed
  // runners, their split pictures when split. Beeps without a recording.
  void Print_Frame(bool series, bool split);
  // "Printer dialog": the dialog whatever the setting, and the chosen printer in the trace.
  void Show_Printer_Dialog();
  // "Dog Name": the name the next single-frame print carries.
  void Enter_Print_Dog_name();
  // "Dog names": the heat competitors window, made at each opening.
  void item_dog_names_Click();
  Form_heat_competitors* Competitors_Form() const { return competitors_; }

  // The waits between the print's steps (window events keep running); tests make them instant.
  void set_Wait(std::function<void(int32_t ms)> wait) { wait_ = std::move(wait); }

private:
  void wait(int32_t ms) const;
  void report(int32_t step, const QString& procedure);

  Form_event_registration& events_;
  std::function<void(int32_t)> wait_;
  QPointer<Form_heat_competitors> competitors_;
};
