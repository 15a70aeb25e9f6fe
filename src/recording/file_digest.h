#pragma once
// The digest that ties a printed page to the recording it came from.
#include <QString>

// SHA-256 of the whole file as 64 lower-case hex digits; empty when the file cannot be read
// to its end.
QString File_SHA256_Hex(const QString& path);

// The part of a digest a page has room for.
constexpr int Printed_Digest_Digits = 16;

// SHA-256 of the frame data (every byte after the header block, in file order) as 64 hex
// digits: it identifies the evidence, and no header rewrite changes it. Empty when the file
// cannot be read. The frames of a recording are only ever appended to, so a digest is kept for
// a file of the same length until it grows.
QString Frame_Data_SHA256_Hex(const QString& path);
