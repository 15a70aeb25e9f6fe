#include "app/event_controller.h"

#include "app/form_doravent.h"
#include "metadata/event_form.h"
#include "platform/error_report.h"
#include "platform/trace.h"
#include "presentation/event_print.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>

namespace {
const QString form_location = QStringLiteral(" of Form Form_Doravent");
}

Event_Controller::Event_Controller(Form_Doravent& window)
    : window_(window), event_window_(std::make_unique<Form_event_registration>()) {
  event_window_->set_Print_Hook([](QWidget& form) { Print_Form_Window(form, QStringLiteral("Printing form, on")); });
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

void Event_Controller::Show_Event_Labels() {
  const Form_event_registration& events = *event_window_;
  if (!window_.state().Event_File_Open) {
    window_.Label_heat_length->clear();
    window_.Label_day->clear();
    window_.Label_heat_num->clear();
    window_.Label_heat_name->setText(QStringLiteral("Test"));
    window_.Label_heat_name->setToolTip(QStringLiteral("Test"));
    window_.Label_event->setText(QStringLiteral("Test"));
    window_.Label_event->setToolTip(QStringLiteral("Test"));
    return;
  }
  const auto heat = static_cast<int16_t>(window_.UpDown_heat->value());
  const QString name = events.Heat_Name(heat);
  const QString length = events.Heat_Length(heat);
  window_.Label_event->setText(events.Event_name());
  window_.Label_event->setToolTip(events.Event_name());
  window_.Label_day->setText(events.Get_day());
  window_.Label_heat_num->setText(QString::number(heat));
  window_.Label_heat_name->setText(name);
  window_.Label_heat_name->setToolTip(name);
  window_.Label_heat_length->setText(length.isEmpty() ? length : length + QStringLiteral(" m"));
  for (int16_t box = 1; box <= 6; ++box)
    window_.Label_dog.at(static_cast<size_t>(box - 1))->setText(events.Reg_Dog_Name(heat, box));
}
