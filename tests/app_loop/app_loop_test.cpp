// A failure that no procedure catches reaches the top of the event loop, is reported in the error
// window, and the program goes on.
#include "app/doravent_application.h"
#include "app/form_doravent.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
  QTemporaryDir data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  Doravent_Application app(argc, argv);
  Prompts_Guard prompts;
  Recorded_Errors errors;
  program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
  Form_Doravent::Options options;
  options.development_mode = true;
  options.end_program = [](int code) { QCoreApplication::exit(code); };
  Form_Doravent window(options);
  if (!window.Form_Load()) return 3;
  window.show();
  QTimer::singleShot(0, &window, [&] { window.item(QStringLiteral("item_misbehave_untrapped"))->trigger(); });
  // The window must still answer after the failure: end through the normal path.
  QTimer::singleShot(200, &window, [&] { window.item(QStringLiteral("item_Exit"))->trigger(); });
  const int code = Doravent_Application::exec();
  if (code != 0) return code;
  if (errors.reports.size() != 1 || errors.reports[0].number != 11 ||
      errors.reports[0].description != QStringLiteral("Division by zero")) {
    std::fprintf(stderr, "expected one division-by-zero report, got %zu\n", errors.reports.size());
    return 1;
  }
  std::puts("1 passed, 0 failed");
  return 0;
}
