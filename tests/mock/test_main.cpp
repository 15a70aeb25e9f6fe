// Shared main for every test binary: headless Qt, and a data folder of this process's own.
#ifdef DORAVENT_TEST_WIDGETS
#include <QApplication>
using Test_Application = QApplication;
#else
#include <QGuiApplication>
using Test_Application = QGuiApplication;
#endif
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // gtest_discover_tests runs the binary without the test's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", data_home.path().toLocal8Bit());
  Test_Application app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
