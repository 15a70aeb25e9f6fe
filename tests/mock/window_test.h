#pragma once
// The base of the main-window tests: scripted prompts, recorded error reports, a folder for
// recordings, fresh program values and a settings file of the test's own.
#include "app/form_doravent.h"
#include "app/review_controller.h"
#include "mock/main_controls.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/review_session.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

struct Window_Test : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  std::unique_ptr<Form_Doravent> w;

  void SetUp() override {
    program() = Program_Info{};
    // Every test starts from no settings, whatever the tests before it in this process wrote.
    program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
    QFile::remove(program().Settings_File_Path);
  }
  void TearDown() override {
    if (w) w->obj_QN3_Handler().Close_File();
    w.reset();
    program().Ending = false;
    QFile::remove(program().Settings_File_Path);
  }
  // The window made and started; opening a recording does not pause. `before_load` runs between.
  template <class Before = void (*)(Form_Doravent&)>
  void load_window(
      Form_Doravent::Options options = {}, Before before_load = [](Form_Doravent&) {}) {
    if (!options.end_program) options.end_program = [](int) {};
    w = std::make_unique<Form_Doravent>(options);
    w->review().set_Open_Wait_Ms(0);
    before_load(*w);
    ASSERT_TRUE(w->Form_Load());
  }
};
