#include "app/event_controller.h"

#include "app/form_doravent.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "presentation/event_form.h"
#include "recording/video_file_handler.h"
#include "timing/result_ranking.h"

#include <QAction>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace {
const QString form_location = QStringLiteral(" of Form Form_Doravent");
}

Event_Controller::Event_Controller(Form_Doravent& window)
    : window_(window), event_window_(std::make_unique<Form_event_registration>()) {
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

void Event_Controller::Show_Event_Labels() { Display_Heat_Data(); }

void Event_Controller::report(int32_t step, const QString& procedure) {
  report_current_exception(step, procedure + form_location);
}

bool Event_Controller::event_file_in_use() const { return window_.state().Event_File_Open; }

void Event_Controller::Display_Heat_Data() {
  int32_t step = 10;
  try {
    if (event_file_in_use()) {
      const Form_event_registration& events = *event_window_;
      window_.Frame_heat->show();
      window_.Label_event_file->setText(QFileInfo(events.Event_File_Path()).fileName());
      const QString event_name = events.Event_name();
      window_.Label_event_name->setText(event_name);
      window_.Label_heat_number2->setText(QString::number(window_.UpDown_heat->value()));
      step = 20;
      const auto heat = static_cast<int16_t>(window_.Label_heat_number2->text().toInt());
      const QString heat_name = events.Heat_Name(heat);
      window_.Label_heat_name2->setText(heat_name);
      for (std::size_t i = 0; i < window_.Label_dog.size(); ++i)
        window_.Label_dog.at(i)->setText(events.Reg_Dog_Name(heat, static_cast<int16_t>(i + 1)));
      step = 30;
      window_.Label_day->setText(events.Text_day->text());
      window_.Label_heat_num->setText(QString::number(heat));
      window_.Label_heat_name->setText(heat_name);
      window_.Label_heat_name->setToolTip(heat_name);
      window_.Label_event->setText(event_name);
      window_.Label_event->setToolTip(event_name);
      const QString length = events.Heat_Length(heat);
      window_.Label_heat_length->setText(length.isEmpty() ? length : length + QStringLiteral(" m"));
    } else {
      window_.Label_heat_length->clear();
      window_.Label_day->clear();
      window_.Label_heat_num->clear();
      window_.Label_heat_name->setText(QStringLiteral("Test"));
      window_.Label_heat_name->setToolTip(QStringLiteral("Test"));
      window_.Label_event->setText(QStringLiteral("Test"));
    }
  } catch (...) {
    report(step, QStringLiteral("Display_Heat_Data"));
  }
}

void Event_Controller::UpDown_heat_Change() {
  int32_t step = 10;
  try {
    // A heat under review is not the selected heat: the up-down changes nothing then.
    if (window_.obj_QN3_Handler().File_open() || !event_file_in_use()) return;
    window_.Frame_dogs_Heat->show();
    Display_Heat_Data();
    step = 20;
    Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("Heat_ID"),
                    QString::number(window_.UpDown_heat->value()), program().Settings_File_Path);
  } catch (...) {
    report(step, QStringLiteral("UpDown_heat_Change"));
  }
}

void Event_Controller::Update_Dog_names(cls_VideoFile_handler& recording) {
  int32_t step = 10;
  try {
    dog_name_list_.clear();
    const auto heat = static_cast<int16_t>(window_.Label_heat_num->text().toInt());
    for (int16_t box = 1; box <= Result_Rows; ++box) {
      step = 20;
      const QString name = event_window_->Reg_Dog_Name(heat, box);
      recording.set_Dora_Dog_name(box, name);
      dog_name_list_ += name + QStringLiteral("\r\n");
    }
  } catch (...) {
    report(step, QStringLiteral("Update_Dog_names"));
  }
}
