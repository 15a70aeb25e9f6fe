// A box press in a process of its own: the main window opens the recording, the button is pressed
// at a slider position, and "done" is written once the press has returned. The process then waits
// to be killed.
//   box_press_child RECORDING RESULTS_FOLDER POSITION BOX
#include "app/form_doravent.h"
#include "app/review_controller.h"
#include "mock/main_controls.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "recording/video_file_handler.h"

#include <QApplication>
#include <QPushButton>
#include <QSlider>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 5) {
    std::fputs("usage: box_press_child RECORDING RESULTS_FOLDER POSITION BOX\n", stderr);
    return 2;
  }
  Prompts_Guard prompts;
  Recorded_Errors errors;
  program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("results_folder"), args.at(2),
                  program().Settings_File_Path);
  Form_Doravent::Options options;
  options.end_program = [](int) {};
  Form_Doravent w(options);
  w.review().set_Open_Wait_Ms(0);
  if (!w.Form_Load()) return 3;
  w.obj_QN3_Handler().set_Default_Goal_Compensation(0);
  if (!w.review().Handle_Open(args.at(1))) return 4;
  ui(w).Slider_play->setValue(args.at(3).toInt());
  const int box = args.at(4).toInt();
  if (box < 1 || box > 6) return 2;
  ui(w).Command_BOX_set_time.at(static_cast<std::size_t>(box - 1))->click();
  if (!errors.reports.empty()) {
    std::fprintf(stderr, "%s\n",
                 qPrintable(errors.reports.front().location + ": " + errors.reports.front().description));
    return 5;
  }
  std::fputs("done\n", stdout);
  std::fflush(stdout);
  for (;;)
    pause();
}
