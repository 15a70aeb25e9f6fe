#pragma once
// Header journals as a crash leaves them, made byte by byte for the recovery tests.
#include "recording/header_journal.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QString>

namespace journal_files {

// Where the journal of a recording lies.
inline QString Journal_Of(const QString& recording) { return recording + QStringLiteral(".journal"); }

// A whole journal of a header block for the recording whose frame data is `frames`: it names
// the block's recording ID and the frames, as the writer's journal does.
inline QByteArray Journal_Bytes(const QByteArray& block, const QByteArray& frames) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(block.constData());
  qn3::Journal_Identity identity;
  identity.recording_id = qn3::Recording_ID_In_Block(bytes, block.size());
  identity.frame_length = frames.size();
  identity.anchor = QCryptographicHash::hash(frames.left(qn3::Anchor_Bytes), QCryptographicHash::Sha256);
  return qn3::Encode_Journal(bytes, identity);
}

// A journal as programs before journals named their recording wrote it: the block, "QN3J", the
// block's SHA-256.
inline QByteArray Unnamed_Journal_Bytes(const QByteArray& block) {
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
