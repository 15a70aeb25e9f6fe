#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

// The two plain-text logs in the local application-data folder: ISO-8859-1, CR LF line ends,
// appended to, never trimmed.

// Full paths; empty when the application-data folder cannot be determined.
QString Error_Log_Path();
QString Event_Log_Path();

// Appends each text as one line. Throws Dora_Error when the file cannot be opened or written
// (an empty path counts as a file that cannot be opened).
void Append_Log_Lines(const QString& path, const QStringList& lines);

// The system's general date-and-time text (locale short form).
QString General_Date_Text(const QDateTime& when);

// Appends "<date and time><text>" to the event log; a failure shows "Log error..." and is
// otherwise ignored.
void Log_Event(const QString& text);
