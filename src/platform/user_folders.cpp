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
