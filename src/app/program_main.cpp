#include "app/program_main.h"

#include <QApplication>
#include <cstdio>

int Doravent_Main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::printf("Doravent_HDMI %s\n", DORAVENT_VERSION);
  return 0;
}
