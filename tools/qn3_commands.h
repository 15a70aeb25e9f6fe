#pragma once
// The recording inspection command: each subcommand as a function of its arguments, so tests
// run them in-process. Exit statuses: 0 success, 1 missing / not a recording / damaged, 2 usage.
#include <QStringList>
#include <QTextStream>

namespace qn3_tool {

inline constexpr int Exit_Ok = 0;
inline constexpr int Exit_Bad_File = 1;
inline constexpr int Exit_Usage = 2;

// `args` excludes the program name.
int Run(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace qn3_tool
