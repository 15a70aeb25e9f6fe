#pragma once
// The main window with demo heats of the synthetic camera written by doravent-qn3 into the
// test's folder.
#include "mock/window_test.h"
#include "recording/qn3_tool_run.h"

#include <QStringList>

struct Demo_Window : Window_Test {
  QString Demo(const QString& name, const QStringList& options) {
    const QString path = dir.filePath(name);
    const Outcome o = Run_Tool(QStringList{"demo", path} + options);
    EXPECT_EQ(o.status, 0) << o.err.toStdString();
    return path;
  }
};
