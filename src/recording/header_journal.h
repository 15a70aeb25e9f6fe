#pragma once
// Crash-safe rewrite of a recording's header block. The new block first goes to a journal
// beside the recording ("<recording>.journal") and reaches the disk, then it is written in
// place and flushed, then the journal is removed. A crash at any moment leaves either the old
// header or a whole journal holding the new one: a journal found when the recording is next
// opened is copied into place. A torn journal was cut while it was written, before the
// recording was touched, and is dropped.
#include "recording/qn3_format.h"

#include <QString>
#include <cstdint>
#include <vector>

class QFile;

namespace qn3 {

// Journal file: the header block, then "QN3J" and the SHA-256 of the block.
inline constexpr char Journal_Marker[] = "QN3J";
inline constexpr int32_t Journal_Digest_Size = 32;
inline constexpr int32_t Journal_Size = Header_Block_Size + 4 + Journal_Digest_Size;

QString Journal_Path(const QString& recording);

enum class Journal_State { Absent, Torn, Whole };
// Reads the journal beside `recording`; `block` gets its header block when it is whole. A
// journal that is there but cannot be read throws Dora_Error(75).
Journal_State Read_Journal(const QString& recording, std::vector<uint8_t>& block);

// fsync of an open descriptor, and of the folder holding `path` (for entries made or removed
// there). Both throw Dora_Error(75) naming `what` when the system refuses.
void Sync_Descriptor(int fd, const QString& what);
// What brings a descriptor to disk (fsync); tests put a failing one in to see a disk that fails
// at the worst moment. nullptr restores fsync. Returns the one installed before.
using Sync_Function = int (*)(int fd);
Sync_Function Install_Sync_Function(Sync_Function sync);
void Sync_Folder_Of(const QString& path);

// Writes the journal for `block` (Header_Block_Size bytes) and brings it and its folder entry
// to disk. Throws Dora_Error(75); a journal cut short by the failure is then removed.
void Write_Journal(const QString& recording, const uint8_t* block);
// Removes the journal and brings the folder to disk; without a journal nothing happens.
// Throws Dora_Error(75) when the journal stays.
void Remove_Journal(const QString& recording);

// Writes `block` over the header block of `file` (open for writing), journaled as above, and
// returns when it is on disk. The file's position is left at the block's end. When no journal
// can be made beside the recording (a folder without room or write permission), the block is
// written unprotected rather than not at all: the event is traced. Throws Dora_Error(75).
void Rewrite_Header_Block(QFile& file, const QString& recording, const uint8_t* block);

enum class Recovery {
  None,         // no journal
  Restored,     // a whole journal was copied into place and removed
  Dropped_Torn, // a torn journal was removed; the header was never touched
  Read_Only,    // a whole journal beside a recording that cannot be written: `block` is its header
  Ignored_Torn  // a torn journal beside a recording that cannot be written: left alone
};
struct Recovery_Result {
  Recovery outcome = Recovery::None;
  std::vector<uint8_t> block; // Read_Only: the header block to use instead of the file's
};
// Run before a recording is opened: finishes or drops a header rewrite a crash cut short. A
// recording that may not or cannot be written (`may_write` false: it is read only) is never
// changed, nor its journal, so that the recovery happens once it can be. Throws
// Dora_Error(75) when the restore itself fails.
Recovery_Result Recover_Header(const QString& recording, bool may_write = true);

} // namespace qn3
