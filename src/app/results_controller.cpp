#include "app/results_controller.h"

#include "app/form_doravent.h"
#include "app/review_controller.h"
#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "presentation/results_form.h"
#include "recording/video_file_handler.h"
#include "timing/beaten_distance.h"
#include "timing/result_change.h"
#include "timing/result_state.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

Results_Controller::Results_Controller(Form_Doravent& window) : window_(window) {
  for (std::size_t i = 0; i < window_.Picture_dognum.size(); ++i)
    if (QLabel* picture = window_.Picture_dognum.at(i)) {
      picture->setText({});
      Paint_box(picture, static_cast<int16_t>(i + 1));
    }
}

Results_Controller::~Results_Controller() = default;

void Results_Controller::report(int32_t step, const QString& procedure) {
  report_current_exception(step, procedure + QStringLiteral(" of Form Form_Doravent"));
}

cls_VideoFile_handler* Results_Controller::open_recording() const {
  cls_VideoFile_handler& recording = window_.obj_QN3_Handler();
  return recording.File_open() ? &recording : nullptr;
}

void Results_Controller::focus_slider() {
  if (window_.Slider_play->isVisible() && window_.Slider_play->isEnabled()) window_.Slider_play->setFocus();
}

Form_Dora_Results& Results_Controller::Results_Form() {
  if (form_) return *form_;
  form_ = new Form_Dora_Results(&window_);
  Results_Hooks hooks;
  hooks.recording = [this] { return open_recording(); };
  hooks.goto_rank = [this](int16_t k) { links_.goto_rank(k); };
  hooks.goto_split_time = [this](int16_t k) { links_.goto_split_time(k); };
  hooks.goto_box = [this](int16_t k) { links_.goto_box(k); };
  hooks.set_print_dog_name = [this](const QString& name) { window_.state().Print_Dog_Name = name; };
  hooks.focus_slider = [this] { focus_slider(); };
  hooks.clear_all_results = [this] { Clear_All_Results(); };
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
  links_.set_buttons();
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
    heading.state = Result_State_Of(recording->XML_Header().Dora_Result_State());
    step = 20;
    Results_Form().Display_Results(heading, results_, program().Box_Delay_Ms,
                                   Read_Distance_Rules(program().Settings_File_Path));
  } catch (...) {
    report(step, QStringLiteral("Display_Result_Array"));
  }
}

void Results_Controller::Clear_All_Results() {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = open_recording();
    if (!recording) {
      Beep();
      return;
    }
    if (Refuse_Read_Only(*recording) || Refuse_Declared_Result(*recording)) return;
    step = 20;
    // A failed write is reported by the recording and taken back; the results stay shown as the
    // file holds them.
    Write_Result_Change(*recording, QStringLiteral("Clear result"), [recording] {
      for (int16_t box = 1; box <= 8; ++box) {
        recording->set_Dora_heat_frame(box, 0);
        recording->set_Dora_Heat_time(box, false, 0);
        recording->set_Dora_Heat_time(box, true, 0);
        recording->set_Dora_Heat_Click_Time(box, 0);
        recording->set_Dora_dead_heat(box, false);
      }
    });
    step = 40;
    Handle_results();
    focus_slider();
  } catch (...) {
    report(step, QStringLiteral("Clear_all_Results"));
  }
}

void Results_Controller::Clear_Results_Display() {
  if (form_) form_->Clear_Results_Display();
}
