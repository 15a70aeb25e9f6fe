#include "platform/event_log.h"

#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/prompts.h"
#include "platform/user_folders.h"

#include <QFile>
#include <QLocale>

namespace {

QString log_path(const QString& name) {
  const QString folder = Local_AppData_Folder();
  // Without a folder the name alone would land in the working directory.
  if (folder.isEmpty()) return {};
  return folder + name;
}

} // namespace

QString Error_Log_Path() { return log_path(QStringLiteral("Doravent_errlog.txt")); }

QString Event_Log_Path() { return log_path(QStringLiteral("Doravent_eventlog.txt")); }

QString General_Date_Text(const QDateTime& when) {
  // The same text on every machine, to the second: a header read elsewhere means the same instant.
  return when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

void Append_Log_Lines(const QString& path, const QStringList& lines) {
  if (path.isEmpty()) throw Dora_Error(76, QStringLiteral("Path not found"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) throw Dora_Error(75, file.errorString());
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes += line.toLatin1();
    bytes += "\r\n";
  }
  if (file.write(bytes) != bytes.size() || !file.flush()) throw Dora_Error(57, file.errorString());
}

void Log_Event(const QString& text) {
  try {
    Append_Log_Lines(Event_Log_Path(), {General_Date_Text(Local_Now()) + text});
  } catch (...) {
    const Error_Info info = describe_exception(std::current_exception());
    Msg_Box(QStringLiteral("Log error") + info.description + QLatin1Char(' ') + QString::number(info.number));
  }
}
