#pragma once
// The digest that ties a printed page to the recording it came from.
#include <QString>

// SHA-256 of the whole file as 64 lower-case hex digits; empty when the file cannot be read
// to its end.
QString File_SHA256_Hex(const QString& path);

// The part of a digest a page has room for.
constexpr int Printed_Digest_Digits = 16;
