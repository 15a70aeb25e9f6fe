#pragma once
// Slit images kept between openings, so reopening a recording shows its slit at once.
//
// They are kept in the program's data folder, not beside the recordings: recordings are often
// read-only (kept heats, other computers' files, a USB stick) or in a folder of heats handed on to
// others, and the data folder is always the program's own to write. A kept image belongs to the
// recording's path, its goal line and its picture layout, and is taken while the recording's
// modification time is the one it was built at. Reviewing rewrites the header block, which moves
// that time on without touching a frame: an image whose recording has another time is still taken
// when the file's length and the heads of all its records (stamps, JPEG sizes) are unchanged.
#include "recording/record_reader.h"
#include "recording/slit_image.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

struct Slit_Cache_Key {
  int64_t modified_ms = 0; // the recording's modification time
  int64_t file_size = 0;
  uint64_t fingerprint = 0; // of the record heads; 0 when not taken
  friend bool operator==(const Slit_Cache_Key&, const Slit_Cache_Key&) = default;
};

// The modification time and length of the recording now (fingerprint 0).
Slit_Cache_Key Current_Cache_Key(const QString& recording_path);
// Of the heads of all records: what an appended or changed frame changes.
uint64_t Records_Fingerprint(Record_Reader& reader);

// The kept image's file for a recording, in the data folder; empty when there is none.
QString Slit_Cache_Path(const QString& recording_path);

// False when it could not be written (nothing is kept then). Older kept images beyond the most
// recent ones are removed.
bool Save_Slit_Cache(const QString& cache_path, const Slit_Image& slit, const Slit_Cache_Key& key);

// The kept image when it belongs to this recording as it is now: same layout and line, and the
// same modification time or, failing that, the same length and `fingerprint()`. Anything else
// (missing, damaged, another recording's) gives nullopt.
std::optional<Slit_Image> Load_Slit_Cache(const QString& cache_path, const Recording_Layout& layout,
                                          const Slit_Line& line, const Slit_Cache_Key& now,
                                          const std::function<uint64_t()>& fingerprint);

// How many kept images stay.
inline constexpr int32_t Slit_Cache_Keep = 40;
