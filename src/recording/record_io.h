#pragma once
// Taking a recording's bytes from where they lie, for every reader of frame records and the
// journal: one read that goes on until it is done, and one way to take a record from the file.
#include "recording/qn3_format.h"

#include <cstdint>

class QFile;

namespace qn3 {

// Up to `size` bytes at `offset` into `target`, without moving the file's position. A short read
// or an interrupted call goes on, so fewer bytes come back only at the end of the file; -1 when the
// system refuses.
int64_t Read_At(int fd, int64_t offset, uint8_t* target, int64_t size);
// The same from an open file; one without a descriptor of its own is read through its own seek
// and read, and its position put back.
int64_t Read_At(QFile& file, int64_t offset, uint8_t* target, int64_t size);

enum class Record_Read { Read, Absent, Failed };
// The record at `offset` into `target`, which holds `size` bytes: a whole record, or its head
// only. A record cut short by a crash reads as the bytes present followed by zeros, and its head
// is decoded from those `size` bytes. Absent, with `fields` untouched, when fewer than `needed`
// bytes (never fewer than Record_Peek_Size, never more than `size`) are there or the start marker
// is missing; Failed when the system refuses the read.
Record_Read Read_Record_At(QFile& file, int64_t offset, uint8_t* target, int64_t size, int64_t needed,
                           Record_Fields& fields);

} // namespace qn3
