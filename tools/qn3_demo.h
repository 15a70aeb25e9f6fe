#pragma once
// The demo heat: a recording made through the synthetic camera, the capture source's frame
// handling and the frame list, on a simulated clock.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextStream>

struct Program_Info;

namespace qn3_tool {

struct Demo_Outcome {
  int status = 0;
  QString usage; // the reason when the arguments are wrong
};

Demo_Outcome Demo(const QStringList& positional, const QHash<QString, QString>& values, QTextStream& out,
                  QTextStream& err);

// The delays in force, loaded from the program's settings file as start-up loads them.
const Program_Info& Setting_Delays();

} // namespace qn3_tool
