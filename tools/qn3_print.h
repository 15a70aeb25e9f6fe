#pragma once
// doravent-qn3 print: a recording's photo-finish page as a PDF, without the window, through the
// page code the window prints with.
#include <QStringList>
#include <QTextStream>

namespace qn3_tool {

// `args` follow the word "print": FILE OUT.pdf [--frame N [--field 1|2]] [--series] [--split]
// [--box-delay MS]. Exit statuses as Run's.
int Print(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace qn3_tool
