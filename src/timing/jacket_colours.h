#pragma once
// The runners' jackets. The synthetic camera paints box 1 red, 2 blue, 3 white, 4 black, 5 orange
// and 6 black with a white stripe in exact colours; a pixel is its jacket's only when it lies
// nearer that colour than the background it stands on. Real jackets come in the rows a track
// uses (Jacket_Rows), seen in sun and shade: a pixel is told by its hue, saturation and lightness,
// and only where it differs plainly from the background.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

enum class Jacket : uint8_t { None, Red, Blue, White, Black, Orange, Green, Yellow };

// The rows of jackets: the synthetic camera's; the rows most tracks use (1 red, 2 blue, 3 white,
// 4 black, 5 orange, 6 black and white stripes, 7 green, 8 yellow and black stripes); the
// American rows (1 red, 2 blue, 3 white, 4 green, 5 black, 6 yellow).
enum class Jacket_Rows : uint8_t { Synthetic, Common, American };

// A box's jacket: one colour, or stripes of two.
struct Jacket_Design {
  Jacket colour = Jacket::None;
  Jacket stripe = Jacket::None; // None: plain
  bool Striped() const { return stripe != Jacket::None; }
  // White and black jackets look like white and black coats.
  bool Coat_Like() const { return !Striped() && (colour == Jacket::White || colour == Jacket::Black); }
};
// Box 1 and on of the rows; None beyond them. The program times six boxes; the common rows' 7
// and 8 are known so that a dog wearing them is never taken for another box.
Jacket_Design Design_Of(Jacket_Rows rows, int16_t box);
// The box whose plain jacket has this colour, or whose stripes are these two; 0 when none.
int16_t Box_Of(Jacket_Rows rows, Jacket plain);
int16_t Striped_Box(Jacket_Rows rows, Jacket a, Jacket b);

// The setting's words: "Synthetic", "Common", "American"; "Automatic" (and anything unknown)
// gives nullopt, which means the synthetic camera's rows for its own recordings and the common
// rows for every other.
std::optional<Jacket_Rows> Parse_Jacket_Rows(const QString& text);
QString Jacket_Rows_Text(Jacket_Rows rows);
// The rows for a recording whose header names `capture_source`, under the setting's `chosen`.
Jacket_Rows Rows_For_Recording(std::optional<Jacket_Rows> chosen, const QString& capture_source);

// A pixel's jacket colour with these rows' way of telling (see above); None when it is no jacket's.
Jacket Classify_Jacket(Jacket_Rows rows, const uint8_t* rgb, const uint8_t* background_rgb);
// By hue, saturation and lightness alone.
Jacket Real_Colour(const uint8_t* rgb);

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
  int16_t box = 0; // 1 and on, 0 when the runs name no box
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

// Runs closer than `gap` rows form one runner. Stripes (runs of two colours taking turns, three
// at least) are the striped box of the rows (black and white: box 6); a group of one jacket
// colour is that jacket's box; a group must hold at least `fewest_rows` rows of its box's colours.
std::vector<Runner_Group> Runner_Groups(const std::vector<Jacket_Run>& runs, int32_t gap = 4, int32_t fewest_rows = 10,
                                        Jacket_Rows rows = Jacket_Rows::Synthetic);
