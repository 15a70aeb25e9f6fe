#pragma once
// Finish proposals: for each box, the first field at or past the goal line and the instant the
// nose crossed it, interpolated between the last field before and the first field after. The
// slit image says roughly where each runner arrives; the field pictures around that say exactly.
// A proposal is never stored by itself: the operator accepts it. Where the pictures do not show
// the nose for certain (it is hidden, two dogs merge, the jacket cannot be told), the proposal is
// unsure: a best guess with its reason and the picture to look at, never taken by "all".
#include "recording/field_pictures.h"
#include "recording/slit_image.h"
#include "timing/jacket_colours.h"

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>

struct Finish_Proposal {
  int16_t box = 0;
  bool found = false;
  int32_t column = -1;        // slit column of the first field at or past the line
  int16_t frame = 0;          // its record
  int16_t field_in_frame = 1; // 1 or 2 (1 when the recording is not interlaced)
  int32_t field_number = 0;   // as the slider counts fields (frames when not interlaced)
  int32_t time_ms = 0;        // that field's run time by the system's rule
  // The crossing instant in ms after the start, goal delay removed, and how far off it may be.
  double interpolated_ms = 0;
  double uncertainty_ms = 0;
  bool interpolated = false; // false: the fields around it could not be read; the instant is
                             // the middle between the field and the one before it
  bool dead_heat = false;    // proposed equal to another box, and not the first of them by box number
  bool unsure = false;       // a best guess: `column` is the picture to look at
  QString reason;            // why it is unsure
};

using Finish_Proposals = std::array<Finish_Proposal, 6>;

// The heat's start on the capture clock, the goal camera's delay, and how the recording's pictures
// are spaced (recordings without the values: 25 interlaced frames per second).
struct Heat_Clock {
  int32_t start_mill = 0;
  double compensation_ms = 0;
  double field_interval_ms = 20;   // a frame's second field after its first; 0: progressive
  double picture_interval_ms = 20; // between the slit's columns
};

// The crossing instant in ms after the start, goal delay removed, of a capture-clock instant.
double Crossing_Ms(int64_t instant, const Heat_Clock& clock);

// How the pictures are read: which jackets the dogs wear and which way they run (found from the
// pictures unless set).
struct Proposal_Options {
  Jacket_Rows rows = Jacket_Rows::Synthetic;
  int32_t direction = 0; // +1 left to right, -1 right to left, 0 found from the pictures
};

// The instant a slit column's picture shows, on the capture clock, and in ms after the start with
// the goal delay removed.
double Column_Instant(const Slit_Image& slit, int32_t column, const Heat_Clock& clock);
double Column_Crossing_Ms(const Slit_Image& slit, int32_t column, const Heat_Clock& clock);

// The proposals of a heat; `fields` reads the same recording as the slit image. Boxes whose
// runner never reaches the line are not found.
Finish_Proposals Propose_Finishes(const Slit_Image& slit, Field_Picture_Reader& fields, const Heat_Clock& clock,
                                  const Proposal_Options& options, const std::atomic<bool>* cancel = nullptr);
inline Finish_Proposals Propose_Finishes(const Slit_Image& slit, Field_Picture_Reader& fields, const Heat_Clock& clock,
                                         const std::atomic<bool>* cancel = nullptr) {
  return Propose_Finishes(slit, fields, clock, Proposal_Options{}, cancel);
}

// Boxes whose instants differ by no more than their uncertainties together are proposed as
// equal (the mean of their instants), all but the first by box number marked as dead heats (the
// ranking orders equal times stored together by box); no box passes another. Unsure proposals
// are left as they are.
void Join_Dead_Heats(Finish_Proposals& proposals);

// "29,20" style text of a proposal for the buttons and the strip: the field's time, and the
// interpolated instant with its uncertainty, and "unsure: reason" after an unsure one; "not
// found" when not found.
QString Proposal_Text(const Finish_Proposal& proposal);
