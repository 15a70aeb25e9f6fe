#pragma once
#include <cstdint>

// What the system says it can still give without swapping (MemAvailable), in bytes; -1 when
// it does not say.
int64_t Memory_Available_Bytes();

// The most bytes of frames a held trigger keeps in memory before they are written: half of
// what is available, and never more than the fixed cap, which a positive `setting_mb` lowers.
constexpr int64_t Held_Frames_Cap_MB = 1024;
int64_t Held_Frames_Ceiling(int64_t available_bytes, int64_t setting_mb);
