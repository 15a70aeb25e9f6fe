#include "app/event_controller.h"

#include "app/form_doravent.h"
#include "app/results_controller.h"
#include "metadata/event_form.h"
#include "platform/error_report.h"
#include "platform/trace.h"
#include "presentation/event_print.h"
#include "presentation/results_form.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {
const QString form_location = QStringLiteral(" of Form Form_Doravent");
}

Event_Controller::Event_Controller(Form_Doravent& window)
    : window_(window), event_window_(std::make_unique<Form_event_registration>()) {
  event_window_->set_Print_Hook([](QWidget& form) { Print_Form_Window(form, QStringLiteral("Printing form, on")); });
  event_window_->set_Paint_Box_Hook([](QLabel& picture, int16_t box) { Paint_box(&picture, box); });
  connect(event_window_.get(), &Form_event_registration::Event_File_Changed, this, [this] { Event_File_Changed(); });
  connect(event_window_.get(), &Form_event_registration::Heat_Data_Requested, this, [this] { Show_Event_Labels(); });
  connect(window_.item(QStringLiteral("item_event_registration")), &QAction::triggered, this,
          [this] { item_event_registration_Click(); });
  connect(window_.item(QStringLiteral("item_open_event_file")), &QAction::triggered, this,
          [this] { item_open_event_file_Click(); });
  connect(window_.item(QStringLiteral("item_No_event_file")), &QAction::triggered, this,
          [this] { item_No_event_file_Click(); });
}

Event_Controller::~Event_Controller() = default;

void Event_Controller::Load() {
  const Form_event_registration* events = event_window_.get();
  Event_Heat_Source source;
  source.file_path = [events] { return events->Event_File_Path(); };
  source.event_name = [events] { return events->Event_name(); };
  source.heat_name = [events](int16_t heat) { return events->Heat_Name(heat); };
  source.heat_length = [events](int16_t heat) { return events->Heat_Length(heat); };
  source.reg_dog_name = [events](int16_t heat, int16_t box) { return events->Reg_Dog_Name(heat, box); };
  source.day_text = [events] { return events->Text_day->text(); };
  window_.results().set_Event_Source(std::move(source));
  event_window_->Form_Load();
  window_.state().Event_File_Open = event_window_->Event_File_Open();
}

void Event_Controller::Event_File_Changed() {
  window_.state().Event_File_Open = event_window_->Event_File_Open();
  Show_Event_Labels();
}

void Event_Controller::item_event_registration_Click() {
  event_window_->show();
  event_window_->raise();
  event_window_->activateWindow();
}

void Event_Controller::item_open_event_file_Click() {
  int32_t step = 10;
  try {
    event_window_->item_open_event_file_Click();
    step = 20;
    window_.state().Event_File_Open = event_window_->Event_File_Open();
    window_.UpDown_heat_Change();
    step = 30;
    Show_Event_Labels();
  } catch (...) {
    report_current_exception(step, QStringLiteral("item_open_event_file_Click") + form_location);
  }
}

void Event_Controller::item_No_event_file_Click() {
  int32_t step = 10;
  try {
    event_window_->Drop_Event_File();
    step = 20;
    window_.state().Event_File_Open = false;
    window_.Frame_dogs_Heat->hide();
    Show_Event_Labels();
  } catch (...) {
    report_current_exception(step, QStringLiteral("item_No_event_file_Click") + form_location);
  }
}

void Event_Controller::Show_Event_Labels() { window_.results().Display_Heat_Data(); }
