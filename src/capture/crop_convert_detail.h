#pragma once
// Shared between the converter's translation units.
#include "capture/capture_component.h"

#include <cstdint>

// Bytes a whole uncompressed frame of `format` occupies (its last row without padding); 0 for
// a compressed format or one without a size.
int64_t Frame_Bytes_Needed(const Video_Format& format);
