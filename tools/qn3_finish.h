#pragma once
// The finish commands: the slit image along the goal line, the finish proposals, and the
// calibration of the goal camera's delay from the kit's LED.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace qn3_tool {

int Slit(const QStringList& positional, QTextStream& err);
// `values` may hold --jackets and --direction, else the settings' are taken.
int Autotime(const QStringList& positional, const QHash<QString, QString>& values, bool json, QTextStream& out,
             QTextStream& err);
int Calibrate(const QStringList& positional, const QHash<QString, QString>& values, bool json, QTextStream& out,
              QTextStream& err);

} // namespace qn3_tool
