#include "recording/file_digest.h"

#include "recording/qn3_format.h"

#include <QCryptographicHash>
#include <QFile>

#include <map>
#include <mutex>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace {

// From `offset` to the end, in a fixed buffer (a recording may be larger than memory allows to
// hold at once); empty when the file cannot be read to its end or changed length meanwhile, since
// it is then not the file the digest would name.
QString Digest_From(QFile& file, qint64 offset) {
  if (!file.seek(std::min(offset, file.size()))) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  std::vector<char> buffer(1 << 20);
  qint64 total = file.pos();
  for (;;) {
    const qint64 got = file.read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (got < 0) return {};
    if (got == 0) break;
    hash.addData(QByteArrayView(buffer.data(), got));
    total += got;
  }
  if (total != file.size()) return {};
  return QString::fromLatin1(hash.result().toHex());
}

// A file of this name and length whose first and last frame bytes are these has this digest.
struct Frame_Digests {
  std::mutex mutex;
  std::map<std::tuple<dev_t, ino_t, off_t, QByteArray>, QString> known;
};

// The frame data's first and last few kilobytes: what tells a file that took the place of
// another (a name or an inode used again) from the one digested before.
QByteArray Ends_Of(QFile& file) {
  constexpr qint64 span = 4096;
  QByteArray ends;
  const qint64 size = file.size();
  if (file.seek(std::min<qint64>(qn3::Header_Block_Size, size))) ends += file.read(span);
  if (file.seek(std::max<qint64>(qn3::Header_Block_Size, size - span))) ends += file.read(span);
  return QCryptographicHash::hash(ends, QCryptographicHash::Sha256);
}

Frame_Digests& frame_digests() {
  static Frame_Digests instance;
  return instance;
}

} // namespace

QString File_SHA256_Hex(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return Digest_From(file, 0);
}

QString Frame_Data_SHA256_Hex(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  struct stat st {};
  if (::fstat(file.handle(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  const auto key = std::make_tuple(st.st_dev, st.st_ino, st.st_size, Ends_Of(file));
  Frame_Digests& digests = frame_digests();
  {
    const std::lock_guard lock(digests.mutex);
    if (const auto it = digests.known.find(key); it != digests.known.end()) return it->second;
  }
  const QString digest = Digest_From(file, qn3::Header_Block_Size);
  if (digest.isEmpty()) return {};
  const std::lock_guard lock(digests.mutex);
  digests.known[key] = digest;
  return digest;
}
