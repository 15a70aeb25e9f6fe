#include "recording/header_journal.h"

#include "platform/durable_file.h"
#include "platform/error_report.h"
#include "platform/trace.h"
#include "recording/record_io.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3 {
namespace {

QString System_Text() { return QString::fromLocal8Bit(std::strerror(errno)); }

Dora_Error Access_Error(const QString& what) {
  return Dora_Error(75, QStringLiteral("Path/File access error ") + what + QStringLiteral(": ") + System_Text());
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

bool Write_All_At(int fd, const uint8_t* data, int64_t size, int64_t offset) {
  int64_t done = 0;
  while (done < size) {
    const ssize_t wrote =
        ::pwrite(fd, data + done, static_cast<size_t>(size - done), static_cast<off_t>(offset + done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += wrote;
  }
  return true;
}

QByteArray Sha256(const char* data, qsizetype size) {
  return QCryptographicHash::hash(QByteArrayView(data, size), QCryptographicHash::Sha256);
}

QByteArray Sha256(const uint8_t* data, qsizetype size) { return Sha256(reinterpret_cast<const char*>(data), size); }

QString Temporary_Journal_Path(const QString& recording) { return Journal_Path(recording) + QStringLiteral(".new"); }

void Unlink_Quietly(const QString& path) noexcept {
  try {
    ::unlink(Native(path).constData());
  } catch (...) {
  }
}

bool Is_Hex_ID(const QByteArray& id) {
  if (id.size() != Journal_ID_Size) return false;
  return std::all_of(id.begin(), id.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// The mode a recording's companions get: readable by whom the recording is, never more.
unsigned Mode_Of(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return 0600;
  return static_cast<unsigned>(st.st_mode) & 0666U;
}

} // namespace

QString Journal_Path(const QString& recording) { return recording + QStringLiteral(".journal"); }
QString Stale_Journal_Path(const QString& recording) { return Journal_Path(recording) + QStringLiteral(".stale"); }

QByteArray Recording_ID_In_Block(const uint8_t* block, int64_t available) {
  static const QByteArray open = QByteArrayLiteral("<recording_id>");
  const QByteArray text(reinterpret_cast<const char*>(block),
                        static_cast<qsizetype>(std::clamp<int64_t>(available, 0, Header_Block_Size)));
  const qsizetype at = text.indexOf(open);
  if (at < 0) return {};
  const QByteArray id = text.mid(at + open.size(), Journal_ID_Size);
  if (!Is_Hex_ID(id) || text.mid(at + open.size() + Journal_ID_Size, 2) != "</") return {};
  return id;
}

Journal_Identity Identity_Of(int fd, const QByteArray& recording_id, const QString& recording) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw Access_Error(QStringLiteral("examining ") + recording);
  Journal_Identity identity;
  identity.recording_id = Is_Hex_ID(recording_id) ? recording_id : QByteArray();
  identity.frame_length = std::max<int64_t>(0, static_cast<int64_t>(st.st_size) - Header_Block_Size);
  std::vector<uint8_t> first(static_cast<size_t>(std::min<int64_t>(identity.frame_length, Anchor_Bytes)));
  const int64_t got =
      first.empty() ? 0 : Read_At(fd, Header_Block_Size, first.data(), static_cast<int64_t>(first.size()));
  if (got < 0) throw Access_Error(QStringLiteral("reading ") + recording);
  identity.anchor = Sha256(first.data(), static_cast<qsizetype>(got));
  return identity;
}

QByteArray Encode_Journal(const uint8_t* block, const Journal_Identity& identity) {
  QByteArray bytes(reinterpret_cast<const char*>(block), Header_Block_Size);
  bytes += Journal_Marker;
  QByteArray id = identity.recording_id.left(Journal_ID_Size);
  id.append(QByteArray(Journal_ID_Size - id.size(), '0'));
  bytes += id;
  QByteArray length(8, '\0');
  for (int i = 0; i < 8; ++i)
    length[i] = static_cast<char>((static_cast<uint64_t>(identity.frame_length) >> (8 * i)) & 0xFF);
  bytes += length;
  bytes += identity.anchor.left(Journal_Digest_Size);
  bytes.append(QByteArray(Journal_Size - Journal_Digest_Size - bytes.size(), '\0'));
  bytes += Sha256(bytes.constData(), bytes.size());
  return bytes;
}

Journal_Read Read_Journal(const QString& recording) {
  Journal_Read result;
  const QString path = Journal_Path(recording);
  // Never a link's target, and never a wait on a pipe or device planted in its place.
  const Unique_Fd fd(::open(Native(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.ok()) {
    if (errno == ENOENT) return result;
    if (errno == ELOOP || errno == ENXIO || errno == EISDIR) {
      result.state = Journal_State::Not_A_File;
      return result;
    }
    // A journal that cannot be read may still be the only whole copy of the header: never taken
    // for a torn one.
    throw Access_Error(QStringLiteral("opening ") + path);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw Access_Error(QStringLiteral("examining ") + path);
  if (!S_ISREG(st.st_mode)) {
    result.state = Journal_State::Not_A_File;
    return result;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(Journal_Size) + 1);
  const int64_t got = Read_At(fd.get(), 0, bytes.data(), static_cast<int64_t>(bytes.size()));
  if (got < 0) throw Access_Error(QStringLiteral("reading ") + path);
  result.state = Journal_State::Torn;
  const uint8_t* trailer = bytes.data() + Header_Block_Size;
  if (got == Unnamed_Journal_Size && is_marker(trailer, Unnamed_Journal_Marker)) {
    if (Sha256(bytes.data(), Header_Block_Size) == QByteArray(reinterpret_cast<const char*>(trailer + 4), 32)) {
      result.state = Journal_State::Unnamed;
      result.block.assign(bytes.begin(), bytes.begin() + Header_Block_Size);
    }
    return result;
  }
  if (got != Journal_Size || !is_marker(trailer, Journal_Marker)) return result;
  const int32_t signed_size = Journal_Size - Journal_Digest_Size;
  if (Sha256(bytes.data(), signed_size) != QByteArray(reinterpret_cast<const char*>(bytes.data() + signed_size), 32))
    return result;
  const uint8_t* identity = trailer + 4;
  const QByteArray id(reinterpret_cast<const char*>(identity), Journal_ID_Size);
  result.identity.recording_id = Is_Hex_ID(id) ? id : QByteArray();
  uint64_t length = 0;
  for (int i = 0; i < 8; ++i)
    length |= static_cast<uint64_t>(identity[Journal_ID_Size + i]) << (8 * i);
  result.identity.frame_length = static_cast<int64_t>(std::min<uint64_t>(length, INT64_MAX));
  result.identity.anchor = QByteArray(reinterpret_cast<const char*>(identity + Journal_ID_Size + 8), 32);
  result.block.assign(bytes.begin(), bytes.begin() + Header_Block_Size);
  result.state = Journal_State::Whole;
  return result;
}

bool Journal_Belongs(const Journal_Read& journal, int fd, const QString& recording) {
  if (journal.state != Journal_State::Whole) return false;
  std::vector<uint8_t> header(static_cast<size_t>(Header_Block_Size));
  const int64_t got = Read_At(fd, 0, header.data(), Header_Block_Size);
  if (got < 0) throw Access_Error(QStringLiteral("reading ") + recording);
  const QByteArray in_place = Recording_ID_In_Block(header.data(), got);
  const Journal_Identity now = Identity_Of(fd, in_place, recording);
  if (now.frame_length != journal.identity.frame_length || now.anchor != journal.identity.anchor) return false;
  return in_place.isEmpty() || in_place == journal.identity.recording_id;
}

namespace {
std::atomic<Sync_Function> sync_function{nullptr};
} // namespace

Sync_Function Install_Sync_Function(Sync_Function sync) { return sync_function.exchange(sync); }

void Sync_Descriptor(int fd, const QString& what) {
  const Sync_Function sync = sync_function.load();
  while ((sync ? sync(fd) : ::fsync(fd)) != 0) {
    if (errno != EINTR) throw Access_Error(QStringLiteral("flushing ") + what + QStringLiteral(" to disk"));
  }
}

void Sync_Folder_Of(const QString& path) { Sync_Folder(QFileInfo(path).absolutePath()); }

void Write_Journal(const QString& recording, const uint8_t* block, const Journal_Identity& identity, unsigned mode) {
  const QString path = Journal_Path(recording);
  const QString temporary = Temporary_Journal_Path(recording);
  try {
    // Whatever lies under the temporary name (a link, a pipe) is replaced, never opened.
    Unlink_Quietly(temporary);
    Unique_Fd fd(::open(Native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        static_cast<mode_t>(mode & 0666U)));
    if (!fd.ok()) throw Access_Error(QStringLiteral("creating ") + temporary);
    const QByteArray bytes = Encode_Journal(block, identity);
    if (!Write_All_At(fd.get(), reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size(), 0))
      throw Access_Error(QStringLiteral("writing ") + temporary);
    Sync_Descriptor(fd.get(), temporary);
    if (!fd.close()) throw Access_Error(QStringLiteral("closing ") + temporary);
    // The journal's name goes from one whole journal to the other, never through a part.
    if (::rename(Native(temporary).constData(), Native(path).constData()) != 0)
      throw Access_Error(QStringLiteral("renaming ") + temporary);
    Sync_Folder_Of(path);
  } catch (...) {
    Unlink_Quietly(temporary);
    throw;
  }
}

void Remove_Journal(const QString& recording) {
  const QString path = Journal_Path(recording);
  Unlink_Quietly(Temporary_Journal_Path(recording));
  if (::unlink(Native(path).constData()) != 0) {
    if (errno == ENOENT) return;
    throw Access_Error(QStringLiteral("removing ") + path);
  }
  Sync_Folder_Of(path);
}

void Rewrite_Header_Block(QFile& file, const QString& recording, const uint8_t* block) {
  // The header as it is: a rewrite that fails is turned back to it, so a change reported as not
  // made never shows up later through the journal.
  std::vector<uint8_t> before(static_cast<size_t>(Header_Block_Size));
  const bool have_before =
      file.seek(0) && file.read(reinterpret_cast<char*>(before.data()), Header_Block_Size) == Header_Block_Size;
  const int fd = file.handle();
  if (fd < 0)
    throw Dora_Error(75, QStringLiteral("Path/File access error: ") + recording + QStringLiteral(" is not open"));
  const Journal_Identity identity = Identity_Of(fd, Recording_ID_In_Block(block, Header_Block_Size), recording);
  const unsigned mode = Mode_Of(fd);
  try {
    Write_Journal(recording, block, identity, mode);
  } catch (const Dora_Error& failure) {
    // A header rewritten without its journal could be lost half way by a crash.
    throw Dora_Error(75, QStringLiteral("The header of ") + recording +
                             QStringLiteral(" was not rewritten: no journal could be made beside it (") +
                             QString::fromStdString(failure.what()) + QStringLiteral(")"));
  }
  const auto failed = [&] {
    return Dora_Error(75, QStringLiteral("Path/File access error writing the header: ") + file.errorString());
  };
  const auto write_in_place = [&](const uint8_t* bytes) {
    if (!file.seek(0)) throw failed();
    if (file.write(reinterpret_cast<const char*>(bytes), Header_Block_Size) != Header_Block_Size) throw failed();
    // A buffered file accepts the bytes first and may refuse them only here.
    if (!file.flush()) throw failed();
    Sync_Descriptor(fd, recording);
  };
  try {
    write_in_place(block);
  } catch (const Dora_Error&) {
    if (have_before) {
      // The journal is replaced whole by one naming the old header: at every moment one of them
      // is whole, whatever the failed write left in place.
      try {
        // Under the new header's ID: the torn block in place may carry it already.
        Write_Journal(recording, before.data(), Identity_Of(fd, identity.recording_id, recording), mode);
        write_in_place(before.data());
        Remove_Journal(recording);
      } catch (const Dora_Error& failure) {
        Trace_Message(QStringLiteral("*Write_QN3_header, turning back"), QString::fromStdString(failure.what()));
      }
    }
    throw;
  }
  // A journal that stays behind holds the header now in place: restoring it changes nothing.
  try {
    Remove_Journal(recording);
  } catch (const Dora_Error& failure) {
    Trace_Message(QStringLiteral("*Write_QN3_header, journal stays"), QString::fromStdString(failure.what()));
  }
}

namespace {

// A free name for a journal set aside: ".stale", else ".stale.2", ".stale.3", ...
QString Free_Stale_Path(const QString& recording) {
  const QString base = Stale_Journal_Path(recording);
  struct stat st {};
  if (::lstat(Native(base).constData(), &st) != 0) return base;
  for (int n = 2; n < 1000; ++n) {
    const QString candidate = base + QLatin1Char('.') + QString::number(n);
    if (::lstat(Native(candidate).constData(), &st) != 0) return candidate;
  }
  return base + QStringLiteral(".last");
}

} // namespace

Recovery_Result Recover_Header(QFile& file, const QString& recording, bool may_write) {
  Recovery_Result result;
  if (may_write) Unlink_Quietly(Temporary_Journal_Path(recording)); // never renamed: never a journal
  const Journal_Read journal = Read_Journal(recording);
  if (journal.state == Journal_State::Absent) return result;
  const int fd = file.handle();
  const bool belongs = fd >= 0 && Journal_Belongs(journal, fd, recording);
  const bool torn = journal.state == Journal_State::Torn;
  if (!may_write) {
    // Nothing of a recording that is not written now is changed; the recovery waits until it is.
    result.outcome = torn ? Recovery::Ignored_Torn : belongs ? Recovery::Read_Only : Recovery::Foreign_Left;
    if (belongs) result.block = journal.block;
    Trace_Message(QStringLiteral("*Recover_Header, recording not written now, journal left"), recording);
    return result;
  }
  // Once the header is whole, a journal that cannot be removed is harmless: it is either torn
  // or holds the header now in place.
  const auto remove = [&] {
    try {
      Remove_Journal(recording);
    } catch (const Dora_Error& failure) {
      Trace_Message(QStringLiteral("*Recover_Header, journal stays"), QString::fromStdString(failure.what()));
    }
  };
  if (torn) {
    remove();
    result.outcome = Recovery::Dropped_Torn;
    Trace_Message(QStringLiteral("*Recover_Header, torn journal dropped"), recording);
    return result;
  }
  if (!belongs) {
    // Kept for whoever wants to look at it, under a name nothing ever applies.
    const QString stale = Free_Stale_Path(recording);
    if (::rename(Native(Journal_Path(recording)).constData(), Native(stale).constData()) != 0)
      throw Access_Error(QStringLiteral("setting aside the journal of another recording beside ") + recording);
    Sync_Folder_Of(stale);
    result.outcome = Recovery::Set_Aside;
    result.stale_path = stale;
    Trace_Message(QStringLiteral("*Recover_Header, journal of another recording set aside"), stale);
    return result;
  }
  if (!Write_All_At(fd, journal.block.data(), Header_Block_Size, 0))
    throw Access_Error(QStringLiteral("restoring the header of ") + recording + QStringLiteral(" from its journal"));
  Sync_Descriptor(fd, recording);
  remove();
  result.outcome = Recovery::Restored;
  Trace_Message(QStringLiteral("*Recover_Header, header restored from journal"), recording);
  return result;
}

QString Recovery_Message(const Recovery_Result& result, const QString& recording) {
  switch (result.outcome) {
  case Recovery::Set_Aside:
    return QStringLiteral("The header journal beside ") + recording +
           QStringLiteral(" does not belong to this recording (another recording's, or older than its frames); it "
                          "was not applied and was set aside as ") +
           result.stale_path;
  case Recovery::Foreign_Left:
    return QStringLiteral("The header journal beside ") + recording +
           QStringLiteral(" does not belong to this recording; it was not applied.");
  default: return {};
  }
}

QString Pending_Journal_Note(const QString& recording) {
  const Journal_Read journal = Read_Journal(recording);
  switch (journal.state) {
  case Journal_State::Absent: return {};
  case Journal_State::Torn: return QStringLiteral("a torn journal lies beside it; the header was not touched");
  case Journal_State::Unnamed:
    return QStringLiteral("a journal that names no recording lies beside it; it is never applied");
  case Journal_State::Not_A_File:
    return QStringLiteral("something that is no journal file lies in the journal's place; it is never applied");
  case Journal_State::Whole: break;
  }
  const Unique_Fd fd(::open(Native(recording).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.ok()) throw Access_Error(QStringLiteral("opening ") + recording);
  if (!Journal_Belongs(journal, fd.get(), recording))
    return QStringLiteral("a journal of another recording lies beside it; it is never applied");
  return QStringLiteral("a header rewrite is pending in its journal; the program applies it at the next opening");
}

} // namespace qn3
