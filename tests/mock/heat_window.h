#pragma once
// The main window with the simulated kit and the synthetic camera stepped on a test clock: a
// heat is recorded frame by frame without waiting in real time.
#include "app/camera_controller.h"
#include "app/heat_controller.h"
#include "app/kit_controller.h"
#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "kit/simulated_kit.h"
#include "mock/fake_clock.h"
#include "mock/kit_events.h"
#include "mock/window_test.h"
#include "platform/settings.h"

#include <QPushButton>

struct Heat_Window : Window_Test {
  Fake_Clock clock;
  Synthetic_Camera* synthetic = nullptr;

  void setting(const QString& section, const QString& key, const QString& value) {
    Write_Ini_Value(section, key, value, program().Settings_File_Path);
  }
  // The window, with the synthetic camera chosen as the saved source and recordings going to
  // the test's folder.
  void load_heat_window(int32_t goal_delay_ms = 0) {
    setting(QStringLiteral("capturesettings"), QStringLiteral("friendlyname"), QStringLiteral("Synthetic camera"));
    setting(QStringLiteral("capturesettings"), QStringLiteral("videoproperty"), QStringLiteral("0"));
    setting(QStringLiteral("Settings"), QStringLiteral("save_folder"), dir.path());
    setting(QStringLiteral("Settings"), QStringLiteral("goal_compensation"), QString::number(goal_delay_ms));
    Form_Doravent::Options options;
    options.simulated_kit = true;
    load_window(options, [](Form_Doravent& window) {
      window.kit().set_Open_Wait_Ms(0);
      window.heat_session().set_Append_Wait_Ms(0);
    });
    synthetic = w->camera().Capture().Synthetic();
    ASSERT_NE(synthetic, nullptr);
    synthetic->set_Stepped(true);
    ASSERT_TRUE(Run_Events_Until([this] { return w->heat_session().Kit_Attached(); }));
  }
  // The camera started and run until its rate is measured (two blocks of 50 frames).
  void start_camera() {
    ui(w).Command_start_camera->click();
    ASSERT_TRUE(w->camera().Cameras_Running());
    frames(101);
  }
  void frames(int count) {
    for (int i = 0; i < count; ++i) {
      clock.advance(40);
      synthetic->Step();
    }
    Run_Queued_Events(); // the window draws the frames once their reads are back
  }
  Simulated_Kit& kit() { return *w->kit().Simulated(); }
  void input(int32_t index, bool closed) {
    kit().set_Switch(index, closed);
    Run_Events_Until([this, index, closed] { return kit().Input(index) == closed; });
    Run_Queued_Events();
  }
  int32_t held() { return w->heat_session().Held_Frames(); }
};
