#include "recording/header_journal.h"

#include "platform/durable_file.h"
#include "platform/error_report.h"
#include "platform/trace.h"
#include "recording/record_io.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
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

QByteArray Digest(const uint8_t* block) {
  return QCryptographicHash::hash(
      QByteArrayView(reinterpret_cast<const char*>(block), static_cast<qsizetype>(Header_Block_Size)),
      QCryptographicHash::Sha256);
}

// Removes the journal without asking whether that worked: for clearing up after a failure.
void Drop_Journal_Quietly(const QString& recording) noexcept {
  try {
    ::unlink(Native(Journal_Path(recording)).constData());
  } catch (...) {
  }
}

} // namespace

QString Journal_Path(const QString& recording) { return recording + QStringLiteral(".journal"); }

Journal_State Read_Journal(const QString& recording, std::vector<uint8_t>& block) {
  const QString path = Journal_Path(recording);
  const Unique_Fd fd(::open(Native(path).constData(), O_RDONLY | O_CLOEXEC));
  // A journal that cannot be read may still be the only whole copy of the header: never taken
  // for a torn one.
  if (!fd.ok()) {
    if (errno == ENOENT) return Journal_State::Absent;
    throw Access_Error(QStringLiteral("opening ") + path);
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(Journal_Size) + 1);
  const int64_t got = Read_At(fd.get(), 0, bytes.data(), static_cast<int64_t>(bytes.size()));
  if (got < 0) throw Access_Error(QStringLiteral("reading ") + path);
  if (got != Journal_Size) return Journal_State::Torn;
  const uint8_t* trailer = bytes.data() + Header_Block_Size;
  if (!is_marker(trailer, Journal_Marker)) return Journal_State::Torn;
  const QByteArray digest = Digest(bytes.data());
  if (std::memcmp(digest.constData(), trailer + 4, Journal_Digest_Size) != 0) return Journal_State::Torn;
  block.assign(bytes.begin(), bytes.begin() + Header_Block_Size);
  return Journal_State::Whole;
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

void Write_Journal(const QString& recording, const uint8_t* block) {
  const QString path = Journal_Path(recording);
  try {
    Unique_Fd fd(::open(Native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.ok()) throw Access_Error(QStringLiteral("creating ") + path);
    std::vector<uint8_t> bytes(static_cast<size_t>(Journal_Size));
    std::memcpy(bytes.data(), block, static_cast<size_t>(Header_Block_Size));
    put_marker(bytes.data() + Header_Block_Size, Journal_Marker);
    const QByteArray digest = Digest(block);
    std::memcpy(bytes.data() + Header_Block_Size + 4, digest.constData(), Journal_Digest_Size);
    if (!Write_All_At(fd.get(), bytes.data(), Journal_Size, 0)) throw Access_Error(QStringLiteral("writing ") + path);
    Sync_Descriptor(fd.get(), path);
    if (!fd.close()) throw Access_Error(QStringLiteral("closing ") + path);
    Sync_Folder_Of(path);
  } catch (...) {
    Drop_Journal_Quietly(recording);
    throw;
  }
}

void Remove_Journal(const QString& recording) {
  const QString path = Journal_Path(recording);
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
  bool journaled = true;
  try {
    Write_Journal(recording, block);
  } catch (const Dora_Error& failure) {
    journaled = false;
    Trace_Message(QStringLiteral("*Write_QN3_header, written without journal"), QString::fromStdString(failure.what()));
  }
  const auto failed = [&] {
    return Dora_Error(75, QStringLiteral("Path/File access error writing the header: ") + file.errorString());
  };
  const auto write_in_place = [&](const uint8_t* bytes) {
    if (!file.seek(0)) throw failed();
    if (file.write(reinterpret_cast<const char*>(bytes), Header_Block_Size) != Header_Block_Size) throw failed();
    // A buffered file accepts the bytes first and may refuse them only here.
    if (!file.flush()) throw failed();
    Sync_Descriptor(file.handle(), recording);
  };
  try {
    write_in_place(block);
  } catch (const Dora_Error&) {
    if (journaled && have_before) {
      // The journal now names the old header, whatever the failed write left in place.
      try {
        Write_Journal(recording, before.data());
        write_in_place(before.data());
        Remove_Journal(recording);
      } catch (const Dora_Error& failure) {
        Trace_Message(QStringLiteral("*Write_QN3_header, turning back"), QString::fromStdString(failure.what()));
      }
    }
    throw;
  }
  // A journal that stays behind holds the header now in place: restoring it changes nothing.
  if (journaled) {
    try {
      Remove_Journal(recording);
    } catch (const Dora_Error& failure) {
      Trace_Message(QStringLiteral("*Write_QN3_header, journal stays"), QString::fromStdString(failure.what()));
    }
  }
}

Recovery_Result Recover_Header(const QString& recording, bool may_write) {
  Recovery_Result result;
  std::vector<uint8_t> block;
  const Journal_State state = Read_Journal(recording, block);
  if (state == Journal_State::Absent) return result;
  const Unique_Fd fd(may_write ? ::open(Native(recording).constData(), O_RDWR | O_CLOEXEC) : -1);
  if (!fd.ok()) {
    if (may_write && errno == ENOENT) return result; // a journal without its recording belongs to nothing
    // Nothing of a recording that cannot be written is changed; the recovery waits until it can.
    result.outcome = state == Journal_State::Whole ? Recovery::Read_Only : Recovery::Ignored_Torn;
    if (state == Journal_State::Whole) result.block = std::move(block);
    Trace_Message(QStringLiteral("*Recover_Header, recording not writable, journal left"), recording);
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
  if (state == Journal_State::Torn) {
    remove();
    result.outcome = Recovery::Dropped_Torn;
    Trace_Message(QStringLiteral("*Recover_Header, torn journal dropped"), recording);
    return result;
  }
  if (!Write_All_At(fd.get(), block.data(), Header_Block_Size, 0))
    throw Access_Error(QStringLiteral("restoring the header of ") + recording + QStringLiteral(" from its journal"));
  Sync_Descriptor(fd.get(), recording);
  remove();
  result.outcome = Recovery::Restored;
  Trace_Message(QStringLiteral("*Recover_Header, header restored from journal"), recording);
  return result;
}

} // namespace qn3
