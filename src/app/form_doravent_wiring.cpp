// Where the sessions and the controllers meet: every session signal a controller follows, and
// every window command, is connected here, after all of them are built. The order of the
// connections is the order in which the concerns follow a signal.
#include "app/calibration_controller.h"
#include "app/camera_controller.h"
#include "app/event_controller.h"
#include "app/form_doravent.h"
#include "app/goal_line_controller.h"
#include "app/heat_controller.h"
#include "app/key_filter.h"
#include "app/kit_controller.h"
#include "app/loupe_controller.h"
#include "app/playback_controller.h"
#include "app/print_controller.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "app/set_times_controller.h"
#include "app/slit_controller.h"
#include "app/subfield_controller.h"
#include "platform/trace.h"
#include "platform/user_folders.h"
#include "presentation/form_hdmi_performance.h"
#include "presentation/settings_form.h"
#include "timing/heat_session.h"
#include "timing/review_session.h"

#include <QAction>
#include <QGroupBox>
#include <QPushButton>

void Form_Doravent::Wire_Controllers() {
  Review_Session& review = *review_session_;
  Heat_Session& heat = *heat_session_;

  // A recording is opened for review: the heat's frames are secured and the cameras stop.
  connect(&review, &Review_Session::about_to_open, camera_.get(), [this] { camera_->Review_Opening(); });
  // Opened: the heat refuses to start into the window's review, the window sizes the picture
  // and the slider, the recording's goal lines are taken before the first picture is drawn, then
  // the slit is built, the results shown, the buttons set to goal mode, and the window arranged
  // around all of it.
  connect(&review, &Review_Session::opened, &heat, [&heat] { heat.set_Reviewing(true); });
  connect(&review, &Review_Session::opened, review_.get(), [this] { review_->Recording_Opened(); });
  connect(&review, &Review_Session::opened, goal_line_.get(), [this] { goal_line_->Recording_Opened(); });
  connect(&review, &Review_Session::opened, playback_.get(), [this] { playback_->Recording_Opened(); });
  connect(&review, &Review_Session::opened, slit_.get(), [this] { slit_->Recording_Opened(); });
  connect(&review, &Review_Session::opened, results_.get(), [this] { results_->Recording_Opened(); });
  connect(&review, &Review_Session::opened, set_times_.get(), [this] { set_times_->Recording_Opened(); });
  connect(&review, &Review_Session::opened, review_.get(), [this] { review_->Recording_Shown(); });

  connect(&review, &Review_Session::closed, &heat, [&heat] { heat.set_Reviewing(false); });
  connect(&review, &Review_Session::closed, review_.get(), [this] { review_->Recording_Closed(); });
  connect(&review, &Review_Session::closed, events_.get(), [this] { events_->Recording_Closed(); });
  connect(&review, &Review_Session::closed, set_times_.get(), [this] { set_times_->Recording_Closed(); });
  connect(&review, &Review_Session::closed, results_.get(), [this] { results_->Clear_Results_Display(); });
  connect(&review, &Review_Session::closed, slit_.get(), [this] { slit_->Recording_Closed(); });
  connect(&review, &Review_Session::start_changed, slit_.get(), [this] { slit_->Recording_Opened(); });
  connect(&review, &Review_Session::closed, subfield_.get(), [this] { subfield_->Cancel(); });
  connect(&review, &Review_Session::closed, loupe_.get(), [this] { loupe_->Refresh(); });

  connect(&review, &Review_Session::picture_shown, playback_.get(),
          [this](int32_t position) { playback_->Picture_Shown(position); });
  connect(&review, &Review_Session::picture_shown, slit_.get(),
          [this](int32_t position) { slit_->Picture_Shown(position); });
  connect(&review, &Review_Session::picture_shown, loupe_.get(), [this] { loupe_->Refresh(); });

  connect(&review, &Review_Session::results_changed, results_.get(), [this] { results_->Display_Result_Array(); });
  connect(&review, &Review_Session::results_changed, set_times_.get(), [this] { set_times_->Set_Buttons(); });
  connect(&review, &Review_Session::results_changed, slit_.get(), [this] { slit_->Update_Marks(); });

  connect(&heat, &Heat_Session::state_changed, heat_.get(), [this] { heat_->Heat_State_Changed(); });
  connect(&heat, &Heat_Session::state_changed, kit_.get(), [this] { kit_->Heat_State_Changed(); });
  connect(&heat, &Heat_Session::prepared, heat_.get(),
          [this](const QString& path) { heat_->Recording_Prepared(path); });
  connect(&heat, &Heat_Session::recording_written, heat_.get(),
          [this](const QString& path) { heat_->Recording_Written(path); });
  connect(&heat, &Heat_Session::recording_grew, heat_.get(),
          [this](const QString& path, int32_t segments) { heat_->Recording_Grew(path, segments); });
  connect(&heat, &Heat_Session::appending, heat_.get(), [this](bool on) { heat_->Appending(on); });
  connect(&heat, &Heat_Session::append_progress, heat_.get(), [this](int percent) { heat_->Append_Progress(percent); });
  connect(&heat, &Heat_Session::abort_requested, heat_.get(), [this] { heat_->Abort_Requested(); });
  connect(&heat, &Heat_Session::notice, heat_.get(), [this](const QString& text) { heat_->Notice(text); });
  connect(&heat, &Heat_Session::held_slit, &review,
          [&review](const QString& path, const std::shared_ptr<const Heat_Slit>& slit) {
            review.Offer_Held_Slit(path, slit);
          });
  connect(&heat, &Heat_Session::live_slit_grew, slit_.get(), [this] { slit_->Live_Slit_Grew(); });
  connect(&heat, &Heat_Session::aborted, heat_.get(), [this] { heat_->Heat_Aborted(); });
  connect(&heat, &Heat_Session::finished, heat_.get(), [this] { heat_->Heat_Finished(); });
  connect(&heat, &Heat_Session::finished, review_.get(), [this] { review_->Heat_Finished(); });

  // The kit's inputs are the heat's commands.
  connect(kit_.get(), &Kit_Controller::start_signal, &heat, [&heat](const Start_Stamp& stamp) { heat.Start(stamp); });
  connect(kit_.get(), &Kit_Controller::capture_start, &heat, [&heat] { heat.Capture_Start(); });
  connect(kit_.get(), &Kit_Controller::capture_end, &heat, [&heat] { heat.Capture_End(); });

  connect(camera_.get(), &Camera_Controller::frame_timing, this, [this](int32_t last_mill, int32_t delta) {
    if (performance_ && performance_->isVisible()) performance_->HDMI_event(last_mill, delta);
  });

  App_Key_Filter& keys = *key_filter_;
  connect(&keys, &App_Key_Filter::hook_key, goal_line_.get(),
          [this](int32_t code, Qt::KeyboardModifiers m) { goal_line_->IWindowsHook_HookProc(code, m); });
  connect(&keys, &App_Key_Filter::slider_key, goal_line_.get(),
          [this](int32_t code, Qt::KeyboardModifiers m, bool hooked, bool& taken) {
            taken = goal_line_->Slider_play_KeyDown(code, m, hooked);
          });
  connect(&keys, &App_Key_Filter::slider_press, playback_.get(),
          [this](double x, bool& taken) { taken = playback_->Slider_play_MouseDown(x); });
  connect(&keys, &App_Key_Filter::slider_release, playback_.get(), [this] { playback_->Slider_play_MouseUp(); });
  connect(&keys, &App_Key_Filter::form_key, playback_.get(), [this](int32_t code) { playback_->Form_KeyDown(code); });

  connect_commands();
}

void Form_Doravent::connect_commands() {
  connect(item(QStringLiteral("item_Exit")), &QAction::triggered, this, [this] { Doravent_End(); });
  connect(item(QStringLiteral("item_show_result")), &QAction::triggered, this,
          [this] { results_->Show_Result_Form(); });
  connect(item(QStringLiteral("item_Select_Video_Source")), &QAction::triggered, this,
          [this] { item_Select_Video_Source_Click(); });
  connect(item(QStringLiteral("item_HDMI_performance")), &QAction::triggered, this,
          [this] { item_HDMI_performance_Click(); });
  connect(item(QStringLiteral("item_timer")), &QAction::triggered, this, [this] { item_timer_Click(); });
  connect(item(QStringLiteral("item_show_settings")), &QAction::triggered, this, [this] {
    Form_Doravent_settings& settings = Form_Doravent_settings::instance();
    QObject::connect(&settings, &Form_Doravent_settings::result_settings_changed, results_.get(),
                     &Results_Controller::Result_Settings_Changed, Qt::UniqueConnection);
    settings.show();
    settings.raise();
  });
  connect(item(QStringLiteral("item_validate_folder")), &QAction::triggered, this,
          [this] { item_validate_folder_Click(); });
  connect(item(QStringLiteral("item_misbehave")), &QAction::triggered, this, [this] { Misbehave(true); });
  connect(item(QStringLiteral("item_misbehave_untrapped")), &QAction::triggered, this, [this] { Misbehave(false); });
  connect(item(QStringLiteral("item_associate")), &QAction::triggered, this, [this] { item_associate_Click(); });
  connect(item(QStringLiteral("item_about")), &QAction::triggered, this, [this] { item_about_Click(); });
  connect(ui_.Command_hide, &QPushButton::clicked, ui_.Frame_dogs_Heat, &QWidget::hide);
  connect(ui_.Command1, &QPushButton::clicked, ui_.Frame_Control_status, &QWidget::hide);
}
