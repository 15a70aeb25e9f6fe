#include "recording/file_digest.h"

#include <QCryptographicHash>
#include <QFile>

#include <vector>

QString File_SHA256_Hex(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  // A fixed buffer: a recording may be larger than memory allows to hold at once.
  std::vector<char> buffer(1 << 20);
  qint64 total = 0;
  for (;;) {
    const qint64 got = file.read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (got < 0) return {};
    if (got == 0) break;
    hash.addData(QByteArrayView(buffer.data(), got));
    total += got;
  }
  // A file that changed length while it was read is not the file the digest would name.
  if (total != file.size()) return {};
  return QString::fromLatin1(hash.result().toHex());
}
