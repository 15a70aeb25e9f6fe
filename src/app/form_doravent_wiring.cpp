// Where the controllers meet: every link between them and every window command is made here,
// after all of them are built, so no controller depends on the order of construction.
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
#include "capture/capture_hdmi.h"
#include "platform/trace.h"
#include "platform/user_folders.h"
#include "presentation/event_form.h"
#include "presentation/form_hdmi_performance.h"
#include "presentation/form_select_video.h"
#include "presentation/printer_select.h"
#include "presentation/settings_form.h"
#include "recording/video_file_handler.h"

#include <QAction>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

void Form_Doravent::Wire_Controllers() {
  Review_Controller::Hooks& review = review_->hooks();
  review.take_goal_lines = [this](const Cls_XML_header& header) { goal_line_->Take_From_Header(header); };
  review.redraw_frame = [this] {
    playback_->Redraw_After_Open();
    slit_->Recording_Opened();
  };
  review.show_results = [this] {
    results_->Show_Result_Form();
    results_->Handle_results();
  };
  review.open_goal = [this] { set_times_->Open_Goal(); };
  review.clear_results = [this] {
    results_->Clear_Results_Display();
    slit_->Recording_Closed();
    subfield_->Cancel();
    loupe_->Refresh();
  };

  goal_line_->links().redraw = [this] { playback_->Slider_play_Scroll(); };

  Playback_Controller::Links& playback = playback_->links();
  playback.draw_goal_lines = [this](QImage& picture) { goal_line_->Draw_Goal_Lines(picture); };
  playback.displace_mode = [this] { return goal_line_->Displace_Mode(); };
  playback.goal_offset = [this](int32_t keycode) { goal_line_->Handle_Goal_Offset(keycode); };
  playback.hook_installed = [this] { return key_filter_->Hook_Installed(); };
  playback.results = [this]() -> const Result_Array& { return results_->Results(); };
  playback.shown = [this] {
    slit_->Picture_Shown();
    loupe_->Refresh();
  };
  playback.close_review = [this] { review_->Do_Close(); };

  Results_Controller::Links& results = results_->links();
  results.goto_rank = [this](int16_t k) { playback_->GoTo_rank(k); };
  results.goto_box = [this](int16_t k) { playback_->GoTo_Box(k); };
  results.goto_split_time = [this](int16_t k) { playback_->Goto_SplitTime(k); };
  results.set_buttons = [this] { set_times_->Set_Buttons(); };

  Set_Times_Controller::Links& set_times = set_times_->links();
  set_times.goto_goal = [this] { playback_->Goto_Goal(); };
  set_times.redraw = [this] { playback_->Slider_play_Scroll(); };
  set_times.shown_run_time = [this] { return playback_->Shown_Run_Time(); };
  set_times.handle_results = [this] {
    results_->Handle_results();
    slit_->Update_Marks();
  };
  set_times.clear_all_results = [this] { results_->Clear_All_Results(); };

  review.stop_cameras = [this] {
    heat_->Flush_Held_Frames();
    camera_->Do_Stop_Cams();
  };
  review.finish_heat = [this] {
    if (heat_->Secure_Held_Frames()) heat_->Do_Heat_Finish();
  };

  Camera_Controller::Links& camera = camera_->links();
  camera.check_kit = [this] { kit_->Check_Attached(); };
  camera.close_review = [this] { review_->Do_Close(); };
  camera.close_writer = [this] { heat_->Writer().Close_File(); };
  camera.draw_live_line = [this](QImage& picture) { goal_line_->Draw_Live_Goal_Line(picture); };
  camera.abort_heat = [this] { heat_->Do_Abort(); };
  camera.escape_down = [this] { return key_filter_->Escape_Down(); };
  camera.secure_held_frames = [this] { return heat_->Secure_Held_Frames(); };
  camera.flush_held_frames = [this] { heat_->Flush_Held_Frames(); };
  camera.limit_to_25_fps = [this] { return select_video_ && select_video_->Limit_Capture_25(); };
  camera.performance_event = [this](int32_t last_mill, int32_t delta) {
    if (performance_ && performance_->isVisible()) performance_->HDMI_event(last_mill, delta);
  };

  Heat_Controller::Links& heat = heat_->links();
  heat.capture = [this]() -> cls_Capture_HDMI* { return camera_->Created() ? &camera_->Capture() : nullptr; };
  heat.cameras_running = [this] { return camera_->Cameras_Running(); };
  heat.kit_serial = [this] { return kit_->Serial_Number(); };
  heat.validate_folder = [this] { return Validate_Folder(); };
  heat.event_name = [this] { return events_->Event_Window().Event_name(); };
  heat.heat_name = [this](int16_t number) { return events_->Event_Window().Heat_Name(number); };
  heat.update_dog_names = [this](cls_VideoFile_handler& recording) { events_->Update_Dog_names(recording); };
  heat.open_last_heat = [this] { review_->item_last_heat_Click(); };
  heat.show_file_size = [this](const QString& path) {
    Label_filesize->setText(
        File_Size_Text(heat_->Writer().Segments_Num(), QFileInfo(path).size(), state_.Bytes_Per_Megabyte));
  };

  Kit_Controller::Links& kit = kit_->links();
  kit.handle_start = [this] { heat_->Handle_Start(); };
  kit.capture_start = [this] { heat_->Handle_Capture_Start(); };
  kit.capture_end = [this] { heat_->Handle_Capture_End(); };

  Print_Controller::Links& print = print_->links();
  print.show_value = [this](int32_t value) { playback_->Show_Value(value); };
  print.shown_readable = [this] { return playback_->Shown_Run_Time().has_value(); };
  print.results = [this]() -> const Result_Array& { return results_->Results(); };
  print.handle_results = [this] { results_->Handle_results(); };
  print.display_results = [this] { results_->Display_Result_Array(); };
  print.event_window = [this]() -> Form_event_registration& { return events_->Event_Window(); };

  // The selected camera's line, the one drawn over the picture.
  const auto selected_line = [this] { return goal_line_->Line(state_.Selected_Camera == 2 ? int16_t{2} : int16_t{1}); };
  const auto to_picture = [this](QPointF position) { return goal_line_->To_Picture(position); };
  const auto finish_results = [this] {
    results_->Handle_results();
    slit_->Update_Marks();
  };
  Slit_Controller::Links& slit = slit_->links();
  slit.show_value = [this](int32_t value) { Slider_play->setValue(value); };
  slit.goal_line = selected_line;
  slit.handle_results = finish_results;
  Subfield_Controller::Links& subfield = subfield_->links();
  subfield.goal_line = selected_line;
  subfield.to_picture = to_picture;
  subfield.handle_results = finish_results;
  calibration_->links().to_picture = to_picture;
  Loupe_Controller::Links& loupe = loupe_->links();
  loupe.goal_line = selected_line;
  loupe.to_picture = to_picture;

  App_Key_Filter::Links& keys = key_filter_->links();
  keys.hook_key = [this](int32_t code, Qt::KeyboardModifiers m) { goal_line_->IWindowsHook_HookProc(code, m); };
  keys.slider_key = [this](int32_t code, Qt::KeyboardModifiers m) { return playback_->Slider_play_KeyDown(code, m); };
  keys.slider_press = [this](Qt::MouseButtons b, Qt::KeyboardModifiers m, double x, double y) {
    return playback_->Slider_play_MouseDown(b, m, x, y);
  };
  keys.slider_release = [this] { playback_->Slider_play_MouseUp(); };
  keys.form_key = [this](int32_t code) { playback_->Form_KeyDown(code); };

  connect_commands();
}

void Form_Doravent::connect_commands() {
  connect(item(QStringLiteral("item_Exit")), &QAction::triggered, this, [this] { Doravent_End(); });
  connect(item(QStringLiteral("item_show_result")), &QAction::triggered, this,
          [this] { results_->Show_Result_Form(); });
  connect(item(QStringLiteral("item_open_file")), &QAction::triggered, this,
          [this] { review_->item_open_file_Click(); });
  connect(item(QStringLiteral("item_last_heat")), &QAction::triggered, this,
          [this] { review_->item_last_heat_Click(); });
  connect(item(QStringLiteral("item_close_file")), &QAction::triggered, this,
          [this] { review_->item_close_file_Click(); });
  connect(item(QStringLiteral("item_Select_Video_Source")), &QAction::triggered, this,
          [this] { item_Select_Video_Source_Click(); });
  connect(item(QStringLiteral("item_HDMI_performance")), &QAction::triggered, this,
          [this] { item_HDMI_performance_Click(); });
  connect(item(QStringLiteral("item_timer")), &QAction::triggered, this, [this] { item_timer_Click(); });
  connect(item(QStringLiteral("item_Blink_LED")), &QAction::triggered, this, [this] { kit_->item_Blink_LED_Click(); });
  connect(item(QStringLiteral("item_qn3_properties")), &QAction::triggered, this,
          [this] { review_->item_qn3_properties_Click(); });
  connect(item(QStringLiteral("item_show_settings")), &QAction::triggered, this, [] {
    Form_Doravent_settings& settings = Form_Doravent_settings::instance();
    settings.show();
    settings.raise();
  });
  connect(item(QStringLiteral("item_validate_folder")), &QAction::triggered, this,
          [this] { item_validate_folder_Click(); });
  connect(item(QStringLiteral("item_misbehave")), &QAction::triggered, this, [this] { Misbehave(true); });
  connect(item(QStringLiteral("item_misbehave_untrapped")), &QAction::triggered, this, [this] { Misbehave(false); });
  connect(item(QStringLiteral("item_associate")), &QAction::triggered, this, [this] { item_associate_Click(); });
  connect(item(QStringLiteral("item_about")), &QAction::triggered, this, [this] { item_about_Click(); });
  for (int i = 0; i < 3; ++i)
    connect(item(QStringLiteral("item_crop_size_%1").arg(i)), &QAction::triggered, this,
            [this, i] { camera_->item_crop_size_Click(i); });
  connect(UpDown_heat, &QSpinBox::valueChanged, this, [this] { UpDown_heat_Change(); });
  connect(Command_hide, &QPushButton::clicked, Frame_dogs_Heat, &QWidget::hide);
  connect(Command1, &QPushButton::clicked, Frame_Control_status, &QWidget::hide);
  for (int camera = 1; camera <= 2; ++camera)
    connect(Option_selected_camera.at(static_cast<size_t>(camera)), &QRadioButton::toggled, this,
            [this, camera](bool on) {
              if (on) goal_line_->Option_selected_camera_Click(static_cast<int16_t>(camera));
            });
}
