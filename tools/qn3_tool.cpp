// doravent-qn3: inspects, checks, exports and makes recordings without the window.
#include "qn3_commands.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
  // Painting into images needs a GUI application, never a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  QTextStream out(stdout);
  QTextStream err(stderr);
  return qn3_tool::Run(args, out, err);
}
