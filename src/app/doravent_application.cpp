#include "app/doravent_application.h"

#include "platform/error_report.h"

Doravent_Application::Doravent_Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Doravent_HDMI"));
  setApplicationVersion(QStringLiteral(DORAVENT_VERSION));
}

bool Doravent_Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    report_current_exception(0, QStringLiteral("Event loop of Module Module_main"),
                             receiver ? receiver->objectName() : QString());
    return false;
  }
}
