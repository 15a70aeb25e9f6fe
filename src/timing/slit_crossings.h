#pragma once
// Where the slit image shows each box's runner arrive at the goal line: the first column in
// which its jackets stand on the line. The background a runner is told from is each row's
// median over the whole heat, taken apart for the two fields (their rows are different picture
// rows).
#include "recording/slit_image.h"
#include "timing/jacket_colours.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class Slit_Background {
public:
  // Of one view of the slit image (0 the line itself, 1 and 2 beside it).
  explicit Slit_Background(const Slit_Image& slit, int32_t view = 0);
  // Red, green, blue of the background at a row, for the column's field.
  const uint8_t* At(int32_t column, int32_t row) const;

private:
  int32_t rows_ = 0;
  bool by_field_ = false;
  std::vector<uint8_t> rgb_; // field 1 rows, then field 2 rows when by field
};

struct Slit_Crossing {
  int32_t column = 0; // the first column showing the runner on the line
  int32_t first_row = 0;
  int32_t last_row = 0;
  int32_t best_column = 0; // the column that shows most of its jacket
  int32_t view = 0;        // in which view that column shows it
};

using Slit_Crossings = std::array<std::optional<Slit_Crossing>, 6>;

// Per box 1..6 (index 0 is box 1): its first appearance in one view, nullopt when it never
// appears there.
Slit_Crossings Find_Slit_Crossings(const Slit_Image& slit, const Slit_Background& background, int32_t view);

// Where each box arrives: the earliest of its appearances on the line and beside it (a runner
// passes all three within a few fields; the side views see jackets the painted line hides),
// with the rows of its clearest view.
Slit_Crossings Find_Slit_Crossings(const Slit_Image& slit);

// Every sight of each box's jacket on the line (a runner seen on the line and beside it counted
// once), earliest first: where real dogs cross, a coat can look like a jacket, so each sight is
// only a place to look.
using Slit_Candidates = std::array<std::vector<Slit_Crossing>, 6>;
Slit_Candidates Find_Slit_Candidates(const Slit_Image& slit, Jacket_Rows rows);

// The runners a column of a view shows.
std::vector<Runner_Group> Column_Runners(const Slit_Image& slit, const Slit_Background& background, int32_t column,
                                         int32_t view = 0, Jacket_Rows rows = Jacket_Rows::Synthetic);
