#include "platform/user_folders.h"

#include "platform/prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

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

QString Folder_Of(const QString& path) {
  const qsizetype last = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return last < 0 ? QString() : path.left(last + 1);
}

QString File_Size_Text(int16_t segments, int64_t bytes, int32_t bytes_per_megabyte) {
  const double megabytes = static_cast<double>(bytes) / (bytes_per_megabyte > 0 ? bytes_per_megabyte : 1048576);
  return QString::number(segments) + QStringLiteral(" / ") + QString::number(megabytes, 'f', 1) + QStringLiteral(" MB");
}

QString Validate_Folder(const QString& capture_folder) {
  const QString folder = Resolve_Drive_Default(capture_folder);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    Msg_Box(QStringLiteral("Capture folder does not exist!"));
    // The caller must not go on to write a recording there.
    return QStringLiteral("Path not found 76");
  }
  QFile test(QDir(folder).filePath(QStringLiteral("testfile.txt")));
  if (!test.open(QIODevice::WriteOnly)) return test.errorString() + QStringLiteral(" 75");
  test.close();
  if (!test.remove()) return test.errorString() + QStringLiteral(" 75");
  return {};
}
