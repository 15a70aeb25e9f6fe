#pragma once
// The recording command run in-process, its output kept.
#include "qn3_commands.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

struct Outcome {
  int status = -1;
  QString out;
  QString err;
};

inline Outcome Run_Tool(const QStringList& args) {
  Outcome o;
  QTextStream out(&o.out);
  QTextStream err(&o.err);
  o.status = qn3_tool::Run(args, out, err);
  return o;
}
