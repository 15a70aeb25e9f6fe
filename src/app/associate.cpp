#include "app/associate.h"

#include "platform/program_info.h"
#include "platform/trace.h"
#include "platform/user_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace {

QByteArray resource_text(const QString& name) {
  QFile file(QStringLiteral(":/packaging/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

bool write_file(const QString& path, const QByteArray& bytes) {
  if (bytes.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(bytes);
  return file.commit();
}

// The template names the program by its bare name; the user's copy must start this very file.
QByteArray desktop_entry(const QString& executable) {
  const QString text = QString::fromUtf8(resource_text(QStringLiteral("doravent.desktop")));
  if (text.isEmpty()) return {};
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& line : lines)
    if (line.startsWith(QStringLiteral("Exec=")))
      line = QStringLiteral("Exec=") + Desktop_Exec_Quote(executable) + QStringLiteral(" %f");
  return lines.join(QLatin1Char('\n')).toUtf8();
}

// A missing or failing cache tool only delays the desktop noticing the new files.
void run_if_present(const QString& tool, const QString& folder) {
  const QString program = QStandardPaths::findExecutable(tool);
  if (program.isEmpty()) return;
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, {folder});
  if (!process.waitForFinished(15000)) {
    process.kill();
    process.waitForFinished(1000);
  }
  Trace_Message(QStringLiteral("*Associate_File_Type, ") + tool, process.exitCode());
}

} // namespace

QString Desktop_Exec_Quote(const QString& path) {
  QString quoted;
  for (const QChar c : path) {
    // Inside the quotes these four are escaped with a backslash.
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
      quoted += QLatin1Char('\\');
    if (c == QLatin1Char('%')) quoted += QLatin1Char('%'); // field codes start with %
    quoted += c;
  }
  quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
  // The key's value is itself a string value, whose escape is the backslash again.
  quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  return quoted;
}

bool Associate_File_Type(const QString& executable) {
  QString program_file = executable;
  if (program_file.isEmpty()) program_file = program().Program_File;
  if (program_file.isEmpty()) program_file = QCoreApplication::applicationFilePath();
  const QString data = Local_AppData_Folder();
  if (data.isEmpty() || program_file.isEmpty()) return false;

  const bool written = write_file(data + Mime_Package_File, resource_text(QStringLiteral("doravent-qn3.xml"))) &&
                       write_file(data + Desktop_Entry_File, desktop_entry(program_file)) &&
                       write_file(data + Icon_File, resource_text(QStringLiteral("doravent.svg")));
  if (!written) {
    Trace_Text(QStringLiteral("*Associate_File_Type, cannot write in ") + data);
    return false;
  }
  run_if_present(QStringLiteral("update-mime-database"), data + QStringLiteral("mime"));
  run_if_present(QStringLiteral("update-desktop-database"), data + QStringLiteral("applications"));
  return true;
}
