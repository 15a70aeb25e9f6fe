#include "app/results_controller.h"

#include "app/form_doravent.h"
#include "app/review_open.h"
#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "presentation/results_form.h"
#include "recording/video_file_handler.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

namespace {

QLabel* make_label(QWidget* parent, const QString& name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  return label;
}

QString call(const std::function<QString()>& read) { return read ? read() : QString(); }

} // namespace

Results_Controller::Results_Controller(Form_Doravent& window) : window_(window) {
  recording_ = [this]() -> cls_VideoFile_handler* { return &window_.obj_QN3_Handler(); };
  clear_all_results = [this] { Clear_All_Results(); };
  Review_Controller::Hooks& review = window_.review().hooks();
  review.show_results = [this] {
    Show_Result_Form();
    Handle_results();
  };
  review.clear_results = [this] {
    if (form_) form_->Clear_Results_Display();
  };

  // The event file's own heat fields sit with the heat data, shown only while a file is in use.
  Frame_heat = new QGroupBox(QStringLiteral("Heat"), window_.Frame_controls);
  Frame_heat->setObjectName(QStringLiteral("Frame_heat"));
  auto* grid = new QGridLayout(Frame_heat);
  Label_event_file = make_label(Frame_heat, QStringLiteral("Label_event_file"));
  Label_event_name = make_label(Frame_heat, QStringLiteral("Label_event_name"));
  Label_heat_number2 = make_label(Frame_heat, QStringLiteral("Label_heat_number2"));
  Label_heat_name2 = make_label(Frame_heat, QStringLiteral("Label_heat_name2"));
  grid->addWidget(Label_event_file, 0, 0, 1, 2);
  grid->addWidget(Label_event_name, 1, 0, 1, 2);
  grid->addWidget(Label_heat_number2, 2, 0);
  grid->addWidget(Label_heat_name2, 2, 1);
  Frame_heat->hide();
  if (auto* column = qobject_cast<QBoxLayout*>(window_.Frame_controls->layout())) {
    const int after = column->indexOf(window_.Frame_dogs_Heat);
    column->insertWidget(after >= 0 ? after + 1 : 0, Frame_heat);
  }

  for (std::size_t i = 0; i < window_.Picture_dognum.size(); ++i)
    if (QLabel* picture = window_.Picture_dognum.at(i)) {
      picture->setText({});
      Paint_box(picture, static_cast<int16_t>(i + 1));
    }
  window_.installEventFilter(this);
}

Results_Controller::~Results_Controller() = default;

void Results_Controller::report(int32_t step, const QString& procedure) {
  report_current_exception(step, procedure + QStringLiteral(" of Form Form_Doravent"));
}

cls_VideoFile_handler* Results_Controller::open_recording() const {
  cls_VideoFile_handler* recording = recording_ ? recording_() : nullptr;
  return recording && recording->File_open() ? recording : nullptr;
}

bool Results_Controller::event_file_in_use() const {
  return window_.state().Event_File_Open && static_cast<bool>(event_.reg_dog_name);
}

void Results_Controller::focus_slider() {
  if (window_.Slider_play->isVisible() && window_.Slider_play->isEnabled()) window_.Slider_play->setFocus();
}

Form_Dora_Results& Results_Controller::Results_Form() {
  if (form_) return *form_;
  form_ = new Form_Dora_Results(&window_);
  Results_Hooks hooks;
  hooks.recording = [this] { return open_recording(); };
  hooks.goto_rank = [this](int16_t k) {
    if (goto_rank) goto_rank(k);
  };
  hooks.goto_split_time = [this](int16_t k) {
    if (goto_split_time) goto_split_time(k);
  };
  hooks.goto_box = [this](int16_t k) {
    if (goto_box) goto_box(k);
  };
  hooks.set_print_dog_name = [this](const QString& name) { window_.state().Print_Dog_Name = name; };
  hooks.focus_slider = [this] { focus_slider(); };
  hooks.clear_all_results = [this] {
    if (clear_all_results) clear_all_results();
  };
  hooks.handle_results = [this] { Handle_results(); };
  form_->set_Hooks(std::move(hooks));
  form_->Form_Load();
  return *form_;
}

void Results_Controller::Show_Result_Form() {
  try {
    Form_Dora_Results& form = Results_Form();
    if (form.isMinimized()) form.showNormal();
    form.show();
    form.raise();
  } catch (...) {
    report(10, QStringLiteral("item_show_result_Click"));
  }
}

void Results_Controller::Handle_results() {
  if (Load_Result_Array()) {
    Sort_Result_Array();
    Display_Result_Array();
  }
  if (set_buttons) set_buttons();
}

bool Results_Controller::Load_Result_Array() {
  try {
    cls_VideoFile_handler* recording = open_recording();
    if (!recording) return false;
    // Read whole before anything is replaced, so a damaged header leaves the last ranking.
    results_ = ::Load_Result_Array(recording->XML_Header());
    return true;
  } catch (...) {
    report(10, QStringLiteral("Load_Result_Array"));
    return false;
  }
}

void Results_Controller::Sort_Result_Array() { ::Sort_Result_Array(results_); }

void Results_Controller::Display_Result_Array() {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = open_recording();
    if (!recording) return;
    Results_Heading heading;
    heading.event = recording->Dora_event();
    heading.heat_id = recording->Dora_Heat_ID();
    heading.heat_name = recording->Dora_Heat_Name();
    heading.started = recording->Dora_start_DateTime();
    step = 20;
    Results_Form().Display_Results(heading, results_, program().Box_Delay_Ms);
  } catch (...) {
    report(step, QStringLiteral("Display_Result_Array"));
  }
}

void Results_Controller::Clear_All_Results() {
  int32_t step = 10;
  cls_VideoFile_handler* recording = nullptr;
  QString before;
  try {
    recording = open_recording();
    if (!recording) {
      Beep();
      return;
    }
    if (window_.review().Check_Read_Only()) return;
    step = 20;
    before = recording->XML_Header().XML_string();
    for (int16_t box = 1; box <= 8; ++box) {
      recording->set_Dora_heat_frame(box, 0);
      recording->set_Dora_Heat_time(box, false, 0);
      recording->set_Dora_Heat_time(box, true, 0);
      recording->set_Dora_Heat_Click_Time(box, 0);
      recording->set_Dora_dead_heat(box, false);
    }
    step = 30;
    if (!recording->Write_XML_Header())
      throw Dora_Error(75, QStringLiteral("The cleared results could not be written to the recording"));
    step = 40;
    Handle_results();
    focus_slider();
  } catch (...) {
    report(step, QStringLiteral("Clear_all_Results"));
    // The file still holds the results; what is shown and ranked must agree with it.
    if (recording && step == 30 && !before.isEmpty()) {
      recording->XML_Header().set_XML_string(before);
      Handle_results();
    }
  }
}

void Results_Controller::Display_Heat_Data() {
  int32_t step = 10;
  try {
    if (event_file_in_use()) {
      Frame_heat->show();
      Label_event_file->setText(QFileInfo(call(event_.file_path)).fileName());
      const QString event_name = call(event_.event_name);
      Label_event_name->setText(event_name);
      Label_heat_number2->setText(QString::number(window_.UpDown_heat->value()));
      step = 20;
      const auto heat = static_cast<int16_t>(Label_heat_number2->text().toInt());
      const QString heat_name = event_.heat_name ? event_.heat_name(heat) : QString();
      Label_heat_name2->setText(heat_name);
      for (std::size_t i = 0; i < window_.Label_dog.size(); ++i)
        window_.Label_dog.at(i)->setText(event_.reg_dog_name(heat, static_cast<int16_t>(i + 1)));
      step = 30;
      window_.Label_day->setText(call(event_.day_text));
      window_.Label_heat_num->setText(QString::number(heat));
      window_.Label_heat_name->setText(heat_name);
      window_.Label_heat_name->setToolTip(heat_name);
      window_.Label_event->setText(event_name);
      window_.Label_event->setToolTip(event_name);
      const QString length = event_.heat_length ? event_.heat_length(heat) : QString();
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

void Results_Controller::UpDown_heat_Change() {
  try {
    if (open_recording() || !event_file_in_use()) return;
    window_.Frame_dogs_Heat->show();
    Display_Heat_Data();
  } catch (...) {
    report(10, QStringLiteral("UpDown_heat_Change"));
  }
}

void Results_Controller::Update_Dog_names(cls_VideoFile_handler& recording) {
  int32_t step = 10;
  try {
    dog_name_list_.clear();
    const auto heat = static_cast<int16_t>(window_.Label_heat_num->text().toInt());
    for (int16_t box = 1; box <= Result_Rows; ++box) {
      step = 20;
      const QString name = event_.reg_dog_name ? event_.reg_dog_name(heat, box) : QString();
      recording.set_Dora_Dog_name(box, name);
      dog_name_list_ += name + QStringLiteral("\r\n");
    }
  } catch (...) {
    report(step, QStringLiteral("Update_Dog_names"));
  }
}

bool Results_Controller::eventFilter(QObject* watched, QEvent* event) {
  // The results window follows the main window into and out of the task bar.
  if (watched == &window_ && event->type() == QEvent::WindowStateChange && form_) {
    if (window_.isMinimized()) {
      if (form_->isVisible()) form_->showMinimized();
    } else if (form_->isMinimized()) {
      form_->showNormal();
    }
  }
  return QObject::eventFilter(watched, event);
}
