#pragma once
// The one open file of a recording and its header document, shared by the recording handler's
// reader and writer. All positions are 64-bit offsets.
#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>

class Cls_XML_header;
namespace qn3 {
struct Recovery_Result; // header_journal.h
} // namespace qn3

// How a file name is treated by Open_File.
enum class Recording_Kind { QN3, Known_Unsupported, Unknown };
Recording_Kind Kind_Of_Suffix(const QString& suffix);

// Messages for recordings whose header or records claim sizes no file of a real camera has.
inline QString Invalid_Picture_Size_Message() { return QStringLiteral("Corrupt file, (Invalid picture size)"); }
// A recording deleted, moved or on a drive removed while it was open.
inline QString Recording_Gone_Message(const QString& path) {
  return QStringLiteral("The file %1 is no longer on the disk (deleted, moved or its drive removed).").arg(path);
}
inline QString Invalid_Record_Size_Message() { return QStringLiteral("Corrupt file, (Invalid record size)"); }

// The read-only decision: no write permission bit for anybody, or the file cannot be opened for
// writing (a root process passes every permission check, so the bits are asked first).
bool File_Is_Read_Only(const QString& path);

// 128 random bits as 32 lower-case hex digits: a recording's ID, given when it is made.
QString New_Recording_ID();
// Where IDs come from; tests that compare two recordings byte for byte put a fixed one in, as
// they fix the clock. nullptr restores the system's random numbers. Returns the one before.
using Recording_ID_Source = QString (*)();
Recording_ID_Source Install_Recording_ID_Source(Recording_ID_Source source);

// Recordings in this process are only looked at (doravent-qn3's inspections): they are opened
// for reading, never locked, and a journal beside one is reported, never applied. Opening one for
// writing is refused while this is on.
bool Inspection_Only();
class Inspection_Scope {
public:
  Inspection_Scope();
  ~Inspection_Scope();
  Inspection_Scope(const Inspection_Scope&) = delete;
  Inspection_Scope& operator=(const Inspection_Scope&) = delete;

private:
  bool before_;
};

// What the writer appended that the header must still count when the file closes. The record
// size and the JPEG size range outlive a pass: only a new recording starts them again.
struct Append_Tally {
  int32_t frames = 0; // since the header last counted them
  int64_t record_size = 0;
  int32_t smallest_jpeg = 0;
  int32_t largest_jpeg = 0;
};

class Recording_File {
public:
  Recording_File();
  ~Recording_File(); // closes, which ends an append pass under way
  Recording_File(const Recording_File&) = delete;
  Recording_File& operator=(const Recording_File&) = delete;

  Cls_XML_header& Header() { return *header_; }
  const Cls_XML_header& Header() const { return *header_; }

  bool Is_Open() const { return number_ >= 1; }
  int16_t Number() const { return number_; }
  // The open file; null when there is none.
  QFile* Device() const { return file_.get(); }
  const QString& Name() const { return name_; }
  void set_Name(const QString& path) { name_ = path; }
  const QString& Suffix() const { return suffix_; }
  void set_Suffix(const QString& suffix) { suffix_ = suffix; }
  bool Read_only() const { return read_only_; }
  void set_Read_only(bool flag) { read_only_ = flag; }
  Append_Tally& Tally() { return tally_; }
  // Append passes the disk has confirmed (records, then the header counting them), and the file's
  // length at the last of them.
  int32_t Syncs() const { return syncs_; }
  int64_t Synced_Length() const { return synced_length_; }

  // Opens the named file in `mode`. False, with the file's reason in `why` when given and no
  // file kept, when it cannot. A file opened for writing is locked (flock) for as long as it is
  // open: one process writes a recording at a time, and a second is refused (Locked_Elsewhere).
  // Truncate happens only once the lock is held.
  bool Open(QIODevice::OpenMode mode, QString* why = nullptr);
  // The last Open for writing was refused because another process holds the recording.
  bool Locked_Elsewhere() const { return locked_elsewhere_; }
  // Finishes, drops or sets aside a journal beside the open file (header_journal.h), writing only
  // when the file is open for writing.
  qn3::Recovery_Result Recover();
  // Closes without ending an append pass, for an opening given up half way.
  void Drop();
  // Ends an append pass when frames were appended (the records reach the disk, then the header
  // counts them), then closes. Failures are reported, and the file is closed all the same.
  void Close();
  // The append-pass steps of Close.
  void Finish_Append_Pass();

  // Writes the whole header block at offset 0 from the header document and returns to the
  // previous position; nothing when no file is open. A recording without an ID gets one here.
  void Write_Header_Block();
  // Opens the named file read-write without reading it (for header rewrites); false when that is
  // impossible.
  bool Reopen_For_Update();
  // False when the open recording's name no longer leads to the file held open: what is written
  // then would reach no file anyone can open again. True when nothing is open.
  bool Still_On_Disk() const;

private:
  std::unique_ptr<Cls_XML_header> header_;
  std::unique_ptr<QFile> file_;
  int16_t number_ = 0;
  QString name_;
  QString suffix_;
  bool read_only_ = false;
  bool locked_elsewhere_ = false;
  Append_Tally tally_;
  int32_t syncs_ = 0;
  int64_t synced_length_ = 0;
};
