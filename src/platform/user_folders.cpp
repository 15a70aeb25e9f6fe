#include "platform/user_folders.h"

#include <QDir>
#include <QStandardPaths>

QString Local_AppData_Folder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (folder.isEmpty()) return {};
  if (!QDir().mkpath(folder)) return {};
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

QString Resolve_Drive_Default(const QString& path) {
  if (path.size() < 2 || path.at(1) != QLatin1Char(':') || path.at(0).toLower() != QLatin1Char('c')) return path;
  QString rest = path.mid(2);
  rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (rest.startsWith(QLatin1Char('/')))
    rest.remove(0, 1);
  return rest.isEmpty() ? QDir::homePath() : QDir::homePath() + QLatin1Char('/') + rest;
}
