#include "recording/recording_file.h"

#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "recording/header_journal.h"
#include "recording/header_values.h"
#include "recording/qn3_format.h"

#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/file.h>
#include <sys/stat.h>
#include <vector>

namespace {
std::atomic<bool> inspection_only{false};
} // namespace

namespace {
std::atomic<Recording_ID_Source> id_source{nullptr};
} // namespace

Recording_ID_Source Install_Recording_ID_Source(Recording_ID_Source source) { return id_source.exchange(source); }

QString New_Recording_ID() {
  if (const Recording_ID_Source source = id_source.load()) return source();
  quint64 words[2];
  QRandomGenerator::system()->fillRange(words);
  return QStringLiteral("%1%2").arg(words[0], 16, 16, QLatin1Char('0')).arg(words[1], 16, 16, QLatin1Char('0'));
}

bool Inspection_Only() { return inspection_only.load(); }
Inspection_Scope::Inspection_Scope() : before_(inspection_only.exchange(true)) {}
Inspection_Scope::~Inspection_Scope() { inspection_only.store(before_); }

Recording_Kind Kind_Of_Suffix(const QString& suffix) {
  const QString upper = suffix.toUpper();
  if (upper == QLatin1String("QN3")) return Recording_Kind::QN3;
  for (const char* known : {"AVI", "QN1", "SDV", "DV", "QN2"})
    if (upper == QLatin1String(known)) return Recording_Kind::Known_Unsupported;
  return Recording_Kind::Unknown;
}

bool File_Is_Read_Only(const QString& path) {
  const QFileDevice::Permissions writable = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
  if ((QFile::permissions(path) & writable) == 0) return true;
  QFile probe(path);
  if (!probe.open(QIODevice::ReadWrite)) return true;
  probe.close();
  return false;
}

Recording_File::Recording_File() : header_(std::make_unique<Cls_XML_header>()) {}

Recording_File::~Recording_File() {
  try {
    Close();
  } catch (...) {
    // Nothing may leave a destructor; Close reports its own failures.
  }
}

bool Recording_File::Open(QIODevice::OpenMode mode, QString* why) {
  const bool writing = (mode & QIODevice::WriteOnly) != 0;
  locked_elsewhere_ = false;
  const auto refuse = [&](const QString& reason) {
    if (why) *why = reason;
    file_.reset();
    number_ = 0;
    return false;
  };
  if (writing && Inspection_Only()) return refuse(QStringLiteral("recordings are only inspected here"));
  const bool truncate = (mode & QIODevice::Truncate) != 0;
  file_ = std::make_unique<QFile>(name_);
  if (!file_->open(mode & ~QIODevice::OpenMode(QIODevice::Truncate))) return refuse(file_->errorString());
  if (writing) {
    int locked = 0;
    while ((locked = ::flock(file_->handle(), LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
      locked_elsewhere_ = errno == EWOULDBLOCK;
      const QString reason = locked_elsewhere_ ? QStringLiteral("it is being written by another program")
                                               : QString::fromLocal8Bit(std::strerror(errno));
      file_->close();
      return refuse(reason);
    }
    if (truncate && !file_->resize(0)) {
      const QString reason = file_->errorString();
      file_->close();
      return refuse(reason);
    }
  }
  number_ = 1;
  return true;
}

qn3::Recovery_Result Recording_File::Recover() {
  if (!file_ || !file_->isOpen() || Inspection_Only()) return {};
  return qn3::Recover_Header(*file_, name_, file_->isWritable());
}

void Recording_File::Drop() {
  if (file_) file_->close();
  file_.reset();
  number_ = 0;
}

void Recording_File::Close() {
  int32_t step = 10;
  try {
    if (Is_Open() && tally_.frames > 0) {
      step = 20;
      Finish_Append_Pass();
    }
    step = 30;
    if (file_) {
      if (file_->isOpen()) {
        file_->seek(0);
        file_->close();
      }
      file_.reset();
    }
  } catch (...) {
    report_current_exception(step, QStringLiteral("Close_File of Class Module Class_RGB_file_handler"));
    file_.reset();
  }
  number_ = 0;
}

void Recording_File::Finish_Append_Pass() {
  const int32_t appended = tally_.frames;
  tally_.frames = 0; // a failure below is reported once, not again at the close
  // The records reach the disk before the header counts them.
  qn3::Sync_Descriptor(file_->handle(), name_);
  Cls_XML_header& h = *header_;
  // Counts of a damaged header are taken within what a file can hold, so adding cannot overflow.
  const auto number = [](const std::function<QString()>& read) {
    return std::clamp<int64_t>(header_values::Number(read), 0, INT32_MAX);
  };
  h.set_Frames_no(QString::number(number([&] { return h.Frames_no(); }) + appended));
  if (tally_.record_size > 0) h.set_RGB_Sample_Size(QString::number(tally_.record_size));
  h.set_Segments_no(QString::number(number([&] { return h.Segments_no(); }) + 1));
  const int64_t stored_max = number([&] { return h.RGB_Compressed_max_Size(); });
  if (tally_.largest_jpeg > stored_max) h.set_RGB_Compressed_max_Size(QString::number(tally_.largest_jpeg));
  // A stored 0 means no frame was measured yet, not a zero-byte JPEG.
  const int64_t stored_min = number([&] { return h.RGB_Compressed_min_Size(); });
  if (tally_.smallest_jpeg > 0 && (stored_min <= 0 || tally_.smallest_jpeg < stored_min))
    h.set_RGB_Compressed_min_Size(QString::number(tally_.smallest_jpeg));
  Write_Header_Block();
  ++syncs_;
  synced_length_ = file_->size();
}

bool Recording_File::Still_On_Disk() const {
  if (!Is_Open() || !file_ || !file_->isOpen()) return true;
  struct stat held {};
  struct stat named {};
  if (::fstat(file_->handle(), &held) != 0) return false;
  if (::stat(QFile::encodeName(name_).constData(), &named) != 0) return false;
  return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

void Recording_File::Write_Header_Block() {
  if (!Is_Open() || !file_) return;
  if (!Still_On_Disk()) throw Dora_Error(75, Recording_Gone_Message(name_));
  if (header_->Recording_ID().isEmpty()) {
    try {
      header_->set_Recording_ID(New_Recording_ID());
    } catch (const Dora_Error&) {
      // A header without its file section keeps what it has; the rewrite goes on without an ID.
    }
  }
  const QByteArray text = qn3::Encode_Header_Text(header_->XML_string());
  std::vector<uint8_t> block(qn3::Header_Block_Size);
  if (!qn3::Build_Header_Block(text, block.data()))
    throw Dora_Error(6, QStringLiteral("XML header of %1 characters does not fit the header block of %2")
                            .arg(text.size())
                            .arg(qn3::Text_Area_Size));
  if (!file_->isWritable()) throw Dora_Error(75, QStringLiteral("File is read only!"));
  const qint64 position = file_->pos();
  try {
    qn3::Rewrite_Header_Block(*file_, name_, block.data());
  } catch (...) {
    file_->seek(position);
    throw;
  }
  file_->seek(position);
}

bool Recording_File::Reopen_For_Update() {
  if (Is_Open() && file_ && file_->isWritable()) return true;
  if (Is_Open()) return false;
  if (name_.isEmpty() || File_Is_Read_Only(name_)) return false;
  if (!Open(QIODevice::ReadWrite)) return false;
  // A rewrite cut short is finished first: the next one replaces its journal.
  Recover();
  return true;
}
