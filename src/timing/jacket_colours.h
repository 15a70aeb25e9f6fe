#pragma once
// The runners' jackets: box 1 red, 2 blue, 3 white, 4 black, 5 orange, 6 black and white
// stripes. A pixel is taken for a jacket only when it lies nearer that jacket's colour than the
// background it stands on.
#include <array>
#include <cstdint>
#include <vector>

enum class Jacket : uint8_t { None, Red, Blue, White, Black, Orange };

// Red, green, blue of a jacket's colour as the camera sees it.
std::array<uint8_t, 3> Jacket_Colour(Jacket jacket);

// The jacket nearest to `rgb`, or None when the background `background_rgb` is nearer than any
// jacket or no jacket is near at all.
Jacket Nearest_Jacket(const uint8_t* rgb, const uint8_t* background_rgb);

// Squared distance of two colours, red, green, blue.
inline int32_t Colour_Distance2(const uint8_t* a, const uint8_t* b) {
  const int32_t dr = int32_t{a[0]} - b[0], dg = int32_t{a[1]} - b[1], db = int32_t{a[2]} - b[2];
  return dr * dr + dg * dg + db * db;
}

// A stretch of rows of one jacket along a line.
struct Jacket_Run {
  Jacket jacket = Jacket::None;
  int32_t first = 0; // rows, inclusive
  int32_t last = 0;
  int32_t Length() const { return last - first + 1; }
};

// A runner seen along a line: neighbouring runs taken together, and the box its jackets name.
struct Runner_Group {
  int16_t box = 0; // 1..6, 0 when the runs name no box
  int32_t first = 0;
  int32_t last = 0;
  int32_t jacket_rows = 0; // rows of the box's jacket colours
};

// A light pixel: white or nearly so (a white line painted on the turf is one).
bool Is_Light(const uint8_t* rgb);
// Light pixels between two black stretches are the white of a striped jacket even where the
// background is light too: the rows between black rows no more than `widest` apart that are all
// light become White.
void Fill_Stripes(std::vector<Jacket>& along, const std::vector<bool>& light, int32_t widest = 24);

// Runs of equal jackets along a line, short gaps of other pixels bridged, short runs dropped.
std::vector<Jacket_Run> Jacket_Runs(const std::vector<Jacket>& along, int32_t gap = 2, int32_t shortest = 4);

// Runs closer than `gap` rows form one runner. Stripes (black runs with white runs between them)
// are box 6; a group of one jacket colour is that jacket's box; a group must hold at least
// `fewest_rows` rows of its box's colours.
std::vector<Runner_Group> Runner_Groups(const std::vector<Jacket_Run>& runs, int32_t gap = 4, int32_t fewest_rows = 10);
