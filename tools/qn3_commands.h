#pragma once
// The recording inspection command: each subcommand as a function of its arguments, so tests
// run them in-process. Exit statuses: 0 success, 1 missing / not a recording / damaged, 2 usage.
#include <QStringList>
#include <QTextStream>
#include <cstdint>

class cls_VideoFile_handler;

namespace qn3_tool {

inline constexpr int Exit_Ok = 0;
inline constexpr int Exit_Bad_File = 1;
inline constexpr int Exit_Usage = 2;

// `args` excludes the program name.
int Run(const QStringList& args, QTextStream& out, QTextStream& err);

// Shared by the subcommands. Opens `path` for reading; reports to `err` and returns false when it
// is missing or no recording.
bool Open_Recording(const QString& path, cls_VideoFile_handler& handler, QTextStream& err);
// The box delay the window shows and prints results with: the settings file's.
int32_t Setting_Box_Delay();
// The program's settings file, as start-up names it; empty when there is no data folder.
QString Settings_Path();

} // namespace qn3_tool
