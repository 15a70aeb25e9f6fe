#pragma once
// Header journals as a crash leaves them, made byte by byte for the recovery tests.
#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QString>

namespace journal_files {

// Where the journal of a recording lies.
inline QString Journal_Of(const QString& recording) { return recording + QStringLiteral(".journal"); }

// A whole journal of a header block: the block, "QN3J", the block's SHA-256.
inline QByteArray Journal_Bytes(const QByteArray& block) {
  return block + QByteArray("QN3J") + QCryptographicHash::hash(block, QCryptographicHash::Sha256);
}

inline bool Put(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray Get(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace journal_files
