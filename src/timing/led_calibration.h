#pragma once
// Calibrating the goal camera's delay: the kit's LED lights at the start contact, so the first
// field in which the camera shows it lit, less the start instant, is how late the camera's
// pictures are (to within a field). Several trials give the delay with its spread.
#include "recording/record_reader.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

// The LED's place in the shown picture, in pixels.
struct Led_Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t w = 0;
  int32_t h = 0;
  friend bool operator==(const Led_Rect&, const Led_Rect&) = default;
};
// "X,Y,W,H", whole numbers, width and height above 0; nullopt otherwise.
std::optional<Led_Rect> Parse_Led_Rect(const QString& text);
QString Format_Led_Rect(const Led_Rect& rect);

struct Led_Trial {
  bool found = false;
  QString why;              // when not found
  int32_t column = -1;      // the first lit field (frame when not interlaced), from 0
  int32_t field_number = 0; // as the slider counts fields (frames when not interlaced)
  int16_t frame = 0;
  int16_t field_in_frame = 1;
  int32_t delay_ms = 0; // that field's instant less the heat's start
};

// The first field in which the LED inside `rect` is lit in the recording, which must show it
// dark before. `start_mill` is the heat's start on the capture clock.
Led_Trial Calibrate_Led(const Recording_Layout& layout, const Led_Rect& rect, int32_t start_mill,
                        const std::atomic<bool>* cancel = nullptr);

// The delay several trials propose: the smallest (each trial's field may come up to a field
// after the LED lit, never before it), and how far the trials lie apart.
struct Delay_Proposal {
  int32_t trials = 0;
  int32_t delay_ms = 0;
  int32_t spread_ms = 0; // largest less smallest
  double mean_ms = 0;
};
std::optional<Delay_Proposal> Propose_Delay(const std::vector<int32_t>& delays_ms);
