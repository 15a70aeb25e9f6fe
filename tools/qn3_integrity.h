#pragma once
// The integrity commands: the audit trail held against the recording's header, and a result
// file's signature checked.
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace qn3_tool {

// doravent-qn3 audit FILE: 0 when the trail holds and matches the header, 1 when it is broken,
// missing or does not match (naming field and entry), 2 for an interrupted change.
int Audit(const QStringList& positional, QTextStream& out, QTextStream& err);
// doravent-qn3 verify-result FILE.json [--public-key KEY]: 0 when the signature holds, 1 otherwise.
int Verify_Result(const QStringList& positional, const QString& public_key, QTextStream& out, QTextStream& err);

} // namespace qn3_tool
