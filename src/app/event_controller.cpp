#include "app/event_controller.h"

#include "app/main_window_state.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "presentation/event_form.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/result_ranking.h"
#include "timing/review_session.h"

#include <QAction>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {
const QString form_location = QStringLiteral(" of Form Form_Doravent");
}

Event_Controller::Event_Controller(const Main_Window_Parts& parts, Form_event_registration& events)
    : Window_Binding(parts), events_(events) {
  connect(&events_, &Form_event_registration::Event_File_Changed, this, [this] { Event_File_Changed(); });
  connect(&events_, &Form_event_registration::Heat_Data_Requested, this, [this] { Show_Event_Labels(); });
  connect(ui_.item(QStringLiteral("item_event_registration")), &QAction::triggered, this,
          [this] { item_event_registration_Click(); });
  connect(ui_.item(QStringLiteral("item_open_event_file")), &QAction::triggered, this,
          [this] { item_open_event_file_Click(); });
  connect(ui_.item(QStringLiteral("item_No_event_file")), &QAction::triggered, this,
          [this] { item_No_event_file_Click(); });
  connect(ui_.UpDown_heat, &QSpinBox::valueChanged, this, [this] { UpDown_heat_Change(); });
}

Event_Controller::~Event_Controller() = default;

void Event_Controller::Load() {
  events_.Form_Load();
  event_file_open_ = events_.Event_File_Open();
}

void Event_Controller::Select_Stored_Heat(int heat) {
  ui_.Label_event->setText(events_.Event_name());
  {
    const QSignalBlocker block(ui_.UpDown_heat);
    ui_.UpDown_heat->setValue(heat);
    ui_.Label_heat_num->setText(QString::number(ui_.UpDown_heat->value()));
  }
  Publish_Heat_Data();
  // The stored heat is selected as a change of the up-down would: its name, length and dogs,
  // not heat 1's, are shown from the start.
  UpDown_heat_Change();
}

void Event_Controller::Event_File_Changed() {
  event_file_open_ = events_.Event_File_Open();
  Show_Event_Labels();
}

void Event_Controller::item_event_registration_Click() {
  events_.show();
  events_.raise();
  events_.activateWindow();
}

void Event_Controller::item_open_event_file_Click() {
  int32_t step = 10;
  try {
    events_.item_open_event_file_Click();
    step = 20;
    event_file_open_ = events_.Event_File_Open();
    UpDown_heat_Change();
    step = 30;
    Show_Event_Labels();
  } catch (...) {
    report_current_exception(step, QStringLiteral("item_open_event_file_Click") + form_location);
  }
}

void Event_Controller::item_No_event_file_Click() {
  int32_t step = 10;
  try {
    events_.Drop_Event_File();
    step = 20;
    event_file_open_ = false;
    ui_.Frame_dogs_Heat->hide();
    Show_Event_Labels();
  } catch (...) {
    report_current_exception(step, QStringLiteral("item_No_event_file_Click") + form_location);
  }
}

void Event_Controller::Show_Event_Labels() { Display_Heat_Data(); }

void Event_Controller::report(int32_t step, const QString& procedure) {
  report_current_exception(step, procedure + form_location);
}

void Event_Controller::Display_Heat_Data() {
  int32_t step = 10;
  try {
    if (event_file_open_) {
      const Form_event_registration& events = events_;
      ui_.Frame_heat->show();
      ui_.Label_event_file->setText(QFileInfo(events.Event_File_Path()).fileName());
      const QString event_name = events.Event_name();
      ui_.Label_event_name->setText(event_name);
      ui_.Label_heat_number2->setText(QString::number(ui_.UpDown_heat->value()));
      step = 20;
      const auto heat = static_cast<int16_t>(ui_.Label_heat_number2->text().toInt());
      const QString heat_name = events.Heat_Name(heat);
      ui_.Label_heat_name2->setText(heat_name);
      for (std::size_t i = 0; i < ui_.Label_dog.size(); ++i)
        ui_.Label_dog.at(i)->setText(events.Reg_Dog_Name(heat, static_cast<int16_t>(i + 1)));
      step = 30;
      ui_.Label_day->setText(events.Text_day->text());
      ui_.Label_heat_num->setText(QString::number(heat));
      ui_.Label_heat_name->setText(heat_name);
      ui_.Label_heat_name->setToolTip(heat_name);
      ui_.Label_event->setText(event_name);
      ui_.Label_event->setToolTip(event_name);
      const QString length = events.Heat_Length(heat);
      ui_.Label_heat_length->setText(length.isEmpty() ? length : length + QStringLiteral(" m"));
    } else {
      ui_.Label_heat_length->clear();
      ui_.Label_day->clear();
      ui_.Label_heat_num->clear();
      ui_.Label_heat_name->setText(QStringLiteral("Test"));
      ui_.Label_heat_name->setToolTip(QStringLiteral("Test"));
      ui_.Label_event->setText(QStringLiteral("Test"));
    }
    Publish_Heat_Data();
  } catch (...) {
    report(step, QStringLiteral("Display_Heat_Data"));
  }
}

void Event_Controller::UpDown_heat_Change() {
  int32_t step = 10;
  try {
    // A heat under review is not the selected heat: the up-down changes nothing then.
    if (review_.Is_Open() || !event_file_open_) return;
    ui_.Frame_dogs_Heat->show();
    Display_Heat_Data();
    step = 20;
    Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("Heat_ID"), QString::number(ui_.UpDown_heat->value()),
                    program().Settings_File_Path);
  } catch (...) {
    report(step, QStringLiteral("UpDown_heat_Change"));
  }
}

void Event_Controller::Publish_Heat_Data() {
  try {
    Heat_Data data;
    data.event_file = event_file_open_;
    data.event = ui_.Label_event->text();
    data.heat_id = ui_.Label_heat_num->text();
    if (event_file_open_) {
      const auto heat = static_cast<int16_t>(data.heat_id.toInt());
      data.event = events_.Event_name();
      data.heat_name = events_.Heat_Name(heat);
      data.heat_length = events_.Heat_Length(heat);
      for (int16_t box = 1; box <= 6; ++box)
        data.dog_names.at(static_cast<size_t>(box - 1)) = events_.Reg_Dog_Name(heat, box);
    }
    heat_.set_Heat_Data(data);
  } catch (...) {
    report(10, QStringLiteral("Update_Dog_names"));
  }
}

void Event_Controller::Recording_Closed() {
  // The labels showed the reviewed heat; the selected heat is the next one again.
  Show_Event_Labels();
}
