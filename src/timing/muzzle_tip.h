#pragma once
// Where a real dog's muzzle tip stands in one picture. The trap jacket is found by its colour and
// told from a coat of the same colour by where it sits: a jacket covers the middle of the torso,
// with the dog going on ahead of it and behind it (or the whole dog is of its colour), and a white
// or black jacket carries its number. From the jacket's front the dog is followed through every
// pixel that differs from the ground, within the reach of a head, to its foremost point. What
// cannot be a single dog's head (it runs on out of reach, holds another jacket, or is too short
// to be a head) is reported as trouble, never as a tip.
#include "imaging/dib_section.h"
#include "recording/slit_image.h"
#include "timing/jacket_colours.h"

#include <cstdint>
#include <vector>

// A rectangle of picture pixels, both ends inclusive.
struct Pixel_Box {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = -1;
  int32_t bottom = -1;
  int32_t Width() const { return right - left + 1; }
  int32_t Height() const { return bottom - top + 1; }
  bool Empty() const { return right < left || bottom < top; }
};

enum class Jacket_Doubt {
  None,
  Too_Small,
  Inside_Another, // a number or a patch: another jacket's or the coat's colour all round it
  Coat,           // the dog goes on only on one side of it: a chest, a head or hindquarters
  No_Stripes,     // a striped box's colours without their turns
  No_Number       // a white or black jacket without the number that tells it from the coat
};

struct Jacket_Sight {
  bool found = false;
  Pixel_Box bounds;
  double left = 0; // its edges: the median over its rows of each row's ends
  double right = 0;
  double centre_x = 0;
  double centre_y = 0;
  int32_t area = 0;
  Jacket_Doubt doubt = Jacket_Doubt::None; // why it may not be the jacket
  int32_t Height() const { return bounds.Height(); }
  double Front(int32_t direction) const { return direction > 0 ? right : left; }
};

enum class Muzzle_Trouble {
  None,
  No_Jacket,
  Hidden, // what lies ahead of the jacket is too short for a head
  Merged  // what lies ahead runs on into another dog
};

struct Muzzle_Reading {
  Jacket_Sight jacket;
  bool tip_found = false;
  double tip_x = 0; // the foremost point's edge, picture pixels
  double tip_y = 0;
  double distance = 0; // past the goal line in the direction of travel, pixels
  double reach = 0;    // ahead of the jacket's front, in jacket heights
  Muzzle_Trouble trouble = Muzzle_Trouble::No_Jacket;
};

// Reads one picture after another against the background (the same picture without runners).
class Muzzle_Reader {
public:
  Muzzle_Reader(Jacket_Rows rows, const Slit_Line& line);
  // Both of the same size (else nothing is found); valid until the next call.
  void Set_Picture(const cDIBSection* picture, const cDIBSection* background);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // The goal line's column at a picture row.
  double Line_X(double y) const;

  // The largest patch of the design's colours that has pixels in `hint`, with its doubt; with
  // `like`, only a patch of about its height and rows (the same jacket a field later).
  Jacket_Sight Find_Jacket(const Jacket_Design& design, const Pixel_Box& hint, const Jacket_Sight* like = nullptr);
  // The jacket as Find_Jacket finds it and, unless it is no jacket at all (too small, inside
  // another colour, a coat), the muzzle tip ahead of it. `direction` +1: the dogs move to larger x.
  Muzzle_Reading Read(const Jacket_Design& design, const Pixel_Box& hint, int32_t direction,
                      const Jacket_Sight* like = nullptr);

private:
  const uint8_t* Pixel(int32_t x, int32_t y) const; // red, green, blue
  Jacket Class_At(int32_t x, int32_t y);
  bool Ground_At(int32_t x, int32_t y); // false: differs from the background, the noise smoothed away
  bool In_Design(const Jacket_Design& design, Jacket j) const;
  void Check_Jacket(const Jacket_Design& design, Jacket_Sight& sight);
  bool Alike(const Jacket_Sight& sight, const Jacket_Sight& like) const;
  Jacket_Sight Describe(const std::vector<int32_t>& patch) const;
  void Narrow_To_Stripes(const Jacket_Design& design, Jacket_Sight& sight);
  // The 8-connected pixels from `seeds` that `take` accepts, inside `box`.
  template <class Take> std::vector<int32_t> Fill(const std::vector<int32_t>& seeds, const Pixel_Box& box, Take take);
  Pixel_Box Clip(Pixel_Box box) const;

  Jacket_Rows rows_;
  Slit_Line line_;
  const cDIBSection* picture_ = nullptr;
  const cDIBSection* background_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint8_t> rgb_;        // the picture top-down, red, green, blue
  std::vector<uint8_t> ground_rgb_; // the background likewise
  std::vector<uint8_t> classes_;    // Jacket + 1, 0 not yet told
  std::vector<uint8_t> ground_;     // 1 ground, 2 not, 0 not yet told
  std::vector<uint32_t> visited_;   // the fill that last took a pixel
  uint32_t fill_ = 0;
  uint32_t sight_fill_ = 0; // the mark of the patch Find_Jacket found
};
