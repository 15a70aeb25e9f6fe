#pragma once
// Crash-safe rewrite of a recording's header block. The new block first goes to a journal
// beside the recording ("<recording>.journal") and reaches the disk, then it is written in
// place and flushed, then the journal is removed. A crash at any moment leaves either the old
// header or a whole journal holding the new one.
//
// A journal names the recording it belongs to: its recording ID and the length and first bytes
// of its frame data. Only the program's window applies one, and only to the recording it names;
// any other (copied from another recording, left from before frames were appended, written by an
// older program, or no plain file at all) is set aside as "<recording>.journal.stale".
#include "recording/qn3_format.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

class QFile;

namespace qn3 {

// Journal file: the header block, "QN3K", the identity (recording ID as 32 characters, zeros
// when none; frame-data length, 8 bytes; SHA-256 of the first Anchor_Bytes of the frame data),
// then the SHA-256 of everything before it. Journals of older programs end after the block in
// "QN3J" and the block's SHA-256: they name no recording.
inline constexpr char Journal_Marker[] = "QN3K";
inline constexpr char Unnamed_Journal_Marker[] = "QN3J";
inline constexpr int32_t Journal_Digest_Size = 32;
inline constexpr int32_t Journal_ID_Size = 32;
inline constexpr int32_t Anchor_Bytes = 4096;
inline constexpr int32_t Journal_Identity_Size = Journal_ID_Size + 8 + Journal_Digest_Size;
inline constexpr int32_t Journal_Size = Header_Block_Size + 4 + Journal_Identity_Size + Journal_Digest_Size;
inline constexpr int32_t Unnamed_Journal_Size = Header_Block_Size + 4 + Journal_Digest_Size;

QString Journal_Path(const QString& recording);
QString Stale_Journal_Path(const QString& recording);

// What a journal says of the recording it was written for.
struct Journal_Identity {
  QByteArray recording_id; // empty when the header had none
  int64_t frame_length = 0;
  QByteArray anchor; // 32 bytes
  bool operator==(const Journal_Identity&) const = default;
};
// The "<recording_id>" of a header block's text; empty when it has none.
QByteArray Recording_ID_In_Block(const uint8_t* block, int64_t available);
// The identity of the open recording `fd` as it is now, under the given ID. Throws Dora_Error(75).
Journal_Identity Identity_Of(int fd, const QByteArray& recording_id, const QString& recording);
// The journal's bytes for `block` (Header_Block_Size bytes).
QByteArray Encode_Journal(const uint8_t* block, const Journal_Identity& identity);

enum class Journal_State {
  Absent,
  Torn,       // cut while it was written: never applied
  Whole,      // block and identity as written
  Unnamed,    // whole, from an older program: it names no recording
  Not_A_File, // a link, a pipe, a device or a folder in the journal's place
};
struct Journal_Read {
  Journal_State state = Journal_State::Absent;
  std::vector<uint8_t> block; // Whole and Unnamed
  Journal_Identity identity;  // Whole
};
// Reads the journal beside `recording` without following a link or waiting on a pipe. A journal
// that is there but cannot be read throws Dora_Error(75).
Journal_Read Read_Journal(const QString& recording);
// True when a whole journal names the recording open as `fd`: the same frame data, and the same
// recording ID unless the header in place has none (its first rewrite gives it one).
bool Journal_Belongs(const Journal_Read& journal, int fd, const QString& recording);

// fsync of an open descriptor, and of the folder holding `path` (for entries made or removed
// there). Both throw Dora_Error(75) naming `what` when the system refuses.
void Sync_Descriptor(int fd, const QString& what);
// What brings a descriptor to disk (fsync); tests put a failing one in to see a disk that fails
// at the worst moment. nullptr restores fsync. Returns the one installed before.
using Sync_Function = int (*)(int fd);
Sync_Function Install_Sync_Function(Sync_Function sync);
void Sync_Folder_Of(const QString& path);

// Writes the journal for `block` (Header_Block_Size bytes) under a temporary name, brings it to
// disk and renames it into place, so the journal's name always holds a whole journal. New files
// get `mode`. Throws Dora_Error(75); nothing half written is left then.
void Write_Journal(const QString& recording, const uint8_t* block, const Journal_Identity& identity,
                   unsigned mode = 0600);
// Removes the journal and brings the folder to disk; without a journal nothing happens.
// Throws Dora_Error(75) when the journal stays.
void Remove_Journal(const QString& recording);

// Writes `block` over the header block of `file` (open for writing), journaled as above, and
// returns when it is on disk. The file's position is left at the block's end. A rewrite that
// cannot be journaled is not made: Dora_Error(75) says why, and the header stays as it was.
void Rewrite_Header_Block(QFile& file, const QString& recording, const uint8_t* block);

enum class Recovery {
  None,         // no journal
  Restored,     // a journal of this recording was copied into place and removed
  Dropped_Torn, // a torn journal was removed; the header was never touched
  Read_Only,    // a journal of this recording, which is not written now: `block` is its header
  Ignored_Torn, // a torn journal beside a recording that is not written now: left alone
  Set_Aside,    // a journal of another recording was renamed to `stale_path`, never applied
  Foreign_Left, // a journal of another recording beside one that is not written now: left, unused
};
struct Recovery_Result {
  Recovery outcome = Recovery::None;
  std::vector<uint8_t> block; // Read_Only: the header block to use instead of the file's
  QString stale_path;         // Set_Aside
};
// Run once the recording is open (`file`, locked when `may_write`), before anything is read:
// finishes or drops a header rewrite a crash cut short. A recording that is not written now is
// never changed, nor its journal. Throws Dora_Error(75) when the restore itself fails.
Recovery_Result Recover_Header(QFile& file, const QString& recording, bool may_write);
// The operator's message for a journal set aside or left unused; empty for other outcomes.
QString Recovery_Message(const Recovery_Result& result, const QString& recording);

// What an inspection finds beside a recording, changing nothing: empty when there is no journal.
QString Pending_Journal_Note(const QString& recording);

} // namespace qn3
