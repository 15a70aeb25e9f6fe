#pragma once
// How a camera's frames hold time, as a recording stores it with its frames.
#include <QString>
#include <cstdint>

struct Field_Timing {
  QString order;                 // as the source sends it, e.g. "interlaced, top field first"
  int32_t field_interval_us = 0; // first to second field; 0: progressive frames
  int32_t frame_interval_us = 0;
};
