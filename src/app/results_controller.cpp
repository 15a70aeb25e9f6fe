#include "app/results_controller.h"

#include "app/main_window_state.h"
#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "presentation/results_form.h"
#include "recording/video_file_handler.h"
#include "timing/beaten_distance.h"
#include "timing/declaration.h"
#include "timing/result_change.h"
#include "timing/review_session.h"

#include <QLabel>

Results_Controller::Results_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  for (std::size_t i = 0; i < ui_.Picture_dognum.size(); ++i)
    if (QLabel* picture = ui_.Picture_dognum.at(i)) {
      picture->setText({});
      Paint_box(picture, static_cast<int16_t>(i + 1));
    }
}

Results_Controller::~Results_Controller() = default;

void Results_Controller::report(int32_t step, const QString& procedure) {
  report_current_exception(step, procedure + QStringLiteral(" of Form Form_Doravent"));
}

Form_Dora_Results& Results_Controller::Results_Form() {
  if (form_) return *form_;
  form_ = new Form_Dora_Results(&frame_.Window());
  Results_Hooks hooks;
  hooks.goto_rank = [this](int16_t k) { review_.GoTo_rank(k); };
  hooks.goto_split_time = [this](int16_t k) { review_.Goto_SplitTime(k); };
  hooks.goto_box = [this](int16_t k) { review_.GoTo_Box(k); };
  hooks.set_print_dog_name = [this](const QString& name) { view_.Print_Dog_Name = name; };
  hooks.focus_slider = [this] { ui_.Focus_Slider(); };
  form_->set_Hooks(std::move(hooks));
  form_->set_Session(&review_);
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

void Results_Controller::Recording_Opened() {
  Show_Result_Form();
  review_.Reload_Results();
}

void Results_Controller::Display_Result_Array() {
  int32_t step = 10;
  try {
    if (!review_.Is_Open()) return;
    const cls_VideoFile_handler& recording = review_.Recording();
    Results_Heading heading;
    heading.event = recording.Dora_event();
    heading.heat_id = recording.Dora_Heat_ID();
    heading.heat_name = recording.Dora_Heat_Name();
    heading.started = recording.Dora_start_DateTime();
    heading.start_recovered = !recording.XML_Header().Dora_Start_Recovered().isEmpty();
    heading.state = review_.State();
    heading.audit_text = review_.Audit().text;
    heading.audit_sound = !review_.Audit().checked || review_.Audit().Sound();
    step = 20;
    // A declared result keeps the delay and rules it was declared with.
    const Result_Settings settings = Result_Settings_For(recording.XML_Header(), program().Box_Delay_Ms,
                                                         Read_Distance_Rules(program().Settings_File_Path));
    Results_Form().Display_Results(heading, review_.Results(), settings.box_delay_ms, settings.rules);
  } catch (...) {
    report(step, QStringLiteral("Display_Result_Array"));
  }
}

void Results_Controller::Result_Settings_Changed() {
  if (!review_.Is_Open()) return;
  Publish_Result_Files(review_.Recording());
  Display_Result_Array();
}

void Results_Controller::Clear_Results_Display() {
  if (form_) form_->Clear_Results_Display();
}
