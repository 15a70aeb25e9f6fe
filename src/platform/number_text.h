#pragma once
// Numbers read from texts the way the system reads them.
#include <QString>
#include <cstdint>

// A whole number within [low, high]; Dora_Error 13 "Type mismatch" for a text that is none,
// Dora_Error 6 "Overflow" for one out of range.
int64_t Whole_Number(const QString& text, int64_t low, int64_t high);
int32_t Whole_Int32(const QString& text);

// The number a text starts with (blanks skipped, digits with one optional point); 0 for none.
double Leading_Number(const QString& text);
