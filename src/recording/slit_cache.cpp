#include "recording/slit_cache.h"

#include "platform/user_folders.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cstring>

namespace {

constexpr quint32 Magic = 0x44534C54; // "DSLT"
constexpr quint32 Version = 1;
const QString Folder_Name = QStringLiteral("Slit images");

struct Stored_Layout {
  qint32 line[4];
  qint32 frames, width, height;
  qint64 record_size;
  quint8 interlaced, rotated;
};

Stored_Layout Layout_Of(const Recording_Layout& layout, const Slit_Line& line) {
  return {{line.x1, line.y1, line.x2, line.y2},
          layout.frame_count,
          layout.width,
          layout.height,
          layout.record_size,
          layout.interlaced,
          layout.rotated};
}

void Write(QDataStream& out, const Stored_Layout& s) {
  for (qint32 v : s.line)
    out << v;
  out << s.frames << s.width << s.height << s.record_size << s.interlaced << s.rotated;
}

bool Same(QDataStream& in, const Stored_Layout& s) {
  Stored_Layout r{};
  for (qint32& v : r.line)
    in >> v;
  in >> r.frames >> r.width >> r.height >> r.record_size >> r.interlaced >> r.rotated;
  return in.status() == QDataStream::Ok && std::equal(std::begin(r.line), std::end(r.line), std::begin(s.line)) &&
         r.frames == s.frames && r.width == s.width && r.height == s.height && r.record_size == s.record_size &&
         r.interlaced == s.interlaced && r.rotated == s.rotated;
}

// Removes all but the most recent kept images.
void Prune(const QString& folder) {
  QDir dir(folder);
  const QFileInfoList kept = dir.entryInfoList({QStringLiteral("*.slit")}, QDir::Files, QDir::Time); // newest first
  for (qsizetype i = Slit_Cache_Keep; i < kept.size(); ++i)
    QFile::remove(kept[i].absoluteFilePath());
}

uint64_t Mix(uint64_t hash, int64_t value) {
  for (int i = 0; i < 8; ++i) {
    hash ^= static_cast<uint64_t>(value >> (8 * i)) & 0xFFU;
    hash *= 1099511628211ULL;
  }
  return hash;
}

} // namespace

Slit_Cache_Key Current_Cache_Key(const QString& recording_path) {
  const QFileInfo info(recording_path);
  Slit_Cache_Key key;
  key.modified_ms = info.lastModified().toMSecsSinceEpoch();
  key.file_size = info.size();
  return key;
}

uint64_t Records_Fingerprint(Record_Reader& reader) {
  uint64_t hash = 14695981039346656037ULL;
  for (int32_t frame = 1; frame <= reader.Layout().frame_count; ++frame) {
    qn3::Record_Fields f;
    if (!reader.Read_Head(static_cast<int16_t>(frame), f)) {
      hash = Mix(hash, -1);
      continue;
    }
    hash = Mix(Mix(Mix(Mix(hash, f.capture_mill), f.capture_local), f.jpeg_size), f.quality);
  }
  return hash == 0 ? 1 : hash;
}

QString Slit_Cache_Path(const QString& recording_path) {
  const QString data = Local_AppData_Folder();
  if (data.isEmpty() || recording_path.isEmpty()) return {};
  const QByteArray name =
      QCryptographicHash::hash(QFileInfo(recording_path).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex();
  return data + Folder_Name + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".slit");
}

bool Save_Slit_Cache(const QString& cache_path, const Slit_Image& slit, const Slit_Cache_Key& key) {
  if (cache_path.isEmpty() || slit.Is_Empty()) return false;
  const QString folder = QFileInfo(cache_path).absolutePath();
  if (!QDir().mkpath(folder)) return false;
  QByteArray pixels;
  for (int32_t view = 0; view < Slit_Views; ++view)
    pixels.append(reinterpret_cast<const char*>(slit.Data(view)), static_cast<qsizetype>(slit.View_Bytes()));
  QSaveFile file(cache_path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QDataStream out(&file);
  out << Magic << Version << static_cast<qint64>(key.modified_ms) << static_cast<qint64>(key.file_size)
      << static_cast<quint64>(key.fingerprint);
  Write(out, Layout_Of(slit.Layout(), slit.Line()));
  out << static_cast<qint32>(slit.Columns()) << static_cast<qint32>(slit.Rows()) << static_cast<qint32>(Slit_Views);
  for (const Slit_Column& c : slit.Column_Info())
    out << static_cast<qint32>(c.capture_mill) << static_cast<quint8>((c.stamped ? 1 : 0) | (c.valid ? 2 : 0));
  out << qCompress(pixels, 1);
  if (out.status() != QDataStream::Ok || !file.commit()) return false;
  Prune(folder);
  return true;
}

std::optional<Slit_Image> Load_Slit_Cache(const QString& cache_path, const Recording_Layout& layout,
                                          const Slit_Line& line, const Slit_Cache_Key& now,
                                          const std::function<uint64_t()>& fingerprint) {
  QFile file(cache_path);
  if (cache_path.isEmpty() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
  QDataStream in(&file);
  quint32 magic = 0, version = 0;
  qint64 modified = 0, size = 0;
  quint64 stored_fingerprint = 0;
  in >> magic >> version >> modified >> size >> stored_fingerprint;
  if (in.status() != QDataStream::Ok || magic != Magic || version != Version) return std::nullopt;
  if (!Same(in, Layout_Of(layout, line))) return std::nullopt;
  if (modified != now.modified_ms) {
    // Only the header may have been rewritten since: the records must be as they were.
    if (size != now.file_size || stored_fingerprint == 0 || !fingerprint || fingerprint() != stored_fingerprint)
      return std::nullopt;
  }
  Slit_Image slit(layout, line);
  qint32 columns = 0, rows = 0, views = 0;
  in >> columns >> rows >> views;
  if (in.status() != QDataStream::Ok || slit.Is_Empty() || columns != slit.Columns() || rows != slit.Rows() ||
      views != Slit_Views)
    return std::nullopt;
  for (Slit_Column& c : slit.Column_Info()) {
    qint32 mill = 0;
    quint8 flags = 0;
    in >> mill >> flags;
    c.capture_mill = mill;
    c.stamped = (flags & 1) != 0;
    c.valid = (flags & 2) != 0;
  }
  // The compressed pixels: their stated length must be exactly the picture's before any memory
  // is taken for them.
  const auto view_bytes = static_cast<qsizetype>(columns) * rows * 3;
  const qsizetype expected = view_bytes * views;
  QByteArray compressed;
  in >> compressed;
  if (in.status() != QDataStream::Ok || compressed.size() < 4) return std::nullopt;
  const auto* head = reinterpret_cast<const uchar*>(compressed.constData());
  const qsizetype stated =
      (qsizetype{head[0]} << 24) | (qsizetype{head[1]} << 16) | (qsizetype{head[2]} << 8) | head[3];
  if (stated != expected) return std::nullopt;
  const QByteArray pixels = qUncompress(compressed);
  if (pixels.size() != expected) return std::nullopt;
  for (int32_t view = 0; view < Slit_Views; ++view)
    std::memcpy(slit.Data(view), pixels.constData() + view * view_bytes, static_cast<size_t>(view_bytes));
  return slit;
}
