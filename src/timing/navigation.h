#pragma once
// Where the go-to procedures land, found from the record time stamps instead of decoding every
// picture on the way, and how a recording is stepped.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// Run time beyond which the goal frame lies, and the step of the search for it.
inline constexpr int32_t Goal_Search_Ms = 12000;
inline constexpr int32_t Goal_Search_Step = 4;

// Slower recordings are stepped by fields, faster ones (more than 40 frames per second) by
// frames. A recording without fields in it (not interlaced) is always stepped by frames.
bool Field_Mode_For(const QString& measured_fps, bool interlaced);

// The record and field a slider value shows.
struct Scan_Picture {
  int16_t frame = 0;
  int16_t field = 1;
};

struct Scan_Setup {
  int32_t first = 1;
  int32_t step = 1;
  int32_t last = 1;           // the slider's maximum
  int32_t start_mill = 0;     // the heat's start on the capture clock
  double compensation_ms = 0; // the goal camera's delay
  double field_interval_ms = 20;
  int32_t shown_stamp = 0; // stamp of the picture shown before the scan
};

// Where a go-to scan ends.
struct Scan_End {
  int32_t value = 0;         // slider value the scan stops on
  int32_t heat_elapsed = 0;  // its run time
  bool reached = false;      // the condition held there (else the last visited value)
  int16_t carried_frame = 0; // when the final record is no frame: the frame whose stamp and
                             // picture a scan that shows every picture would still show (0: the
                             // one shown before the scan)
};

// Values first, first + step, ... up to last, ending at the first whose run time satisfies
// `reached`. `stamp` answers a record's capture time, or nullopt for a record without a frame,
// which keeps the stamp before it, as the reader does.
Scan_End Scan(const Scan_Setup& setup, const std::function<Scan_Picture(int32_t value)>& picture,
              const std::function<std::optional<int32_t>(int16_t frame)>& stamp,
              const std::function<bool(int32_t run_time)>& reached);
