#pragma once
// The slit image: the pixels along the goal line of every field of a recording, side by side in
// time order, the picture a line-scan camera at that line would have taken. One column per field
// (per frame when the recording is not interlaced), one row per pixel along the line.
//
// Coordinates: the goal line is given as the window shows the picture (turned when the
// recording is rotated); the samples are taken from the decoded picture, the field's own rows.
#include "recording/record_reader.h"

#include <QImage>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A goal line as the window shows it: two end points in shown picture pixels.
struct Slit_Line {
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
  friend bool operator==(const Slit_Line&, const Slit_Line&) = default;
};

// Besides the line itself, the slit image keeps the pixels a little to its left and right (in the
// shown picture): a jacket that looks like the painted line is told from the turf there.
inline constexpr int32_t Slit_Views = 3;   // 0 the line, 1 left of it, 2 right of it
inline constexpr int32_t Slit_Side_Px = 6; // how far the side views lie from the line

// One point along the line: where the window shows it and where the decoded picture holds it
// and its side views (when inside the picture).
struct Slit_Sample {
  int32_t shown_x = 0;
  int32_t shown_y = 0;
  int32_t x = 0; // decoded picture
  int32_t y = 0;
  std::array<int32_t, 2> side_x{}; // decoded picture, left and right views
  std::array<int32_t, 2> side_y{};
  std::array<bool, 2> side_in{};
};

// The samples of a line, one per pixel along its longer extent, from point 1 to point 2, those
// outside the picture left out; `width` and `height` are the decoded picture's.
std::vector<Slit_Sample> Slit_Samples(const Slit_Line& line, int32_t width, int32_t height, bool rotated);

// The decoded picture row a field shows at row y: field 1 holds the top row and every second one
// after it, field 2 the others; the last row of an odd height belongs to field 1 (as the window's
// field pictures double the lines).
int32_t Field_Row(int32_t y, int16_t field, int32_t height);

// Where a column's picture comes from.
struct Slit_Column {
  int16_t frame = 0;
  int16_t field = 1;        // 1 or 2; 1 for every column of a recording that is not interlaced
  int32_t capture_mill = 0; // the record's stamp; the field's instant is 20 ms later for field 2
  bool stamped = false;     // the record was found: its stamp is known
  bool valid = false;       // and its picture decoded
};

class Slit_Image {
public:
  Slit_Image() = default;
  // A slit image of the recording's size whose pixels are still to be written.
  Slit_Image(const Recording_Layout& layout, const Slit_Line& line);

  bool Is_Empty() const { return columns_.empty() || samples_.empty(); }
  int32_t Columns() const { return static_cast<int32_t>(columns_.size()); }
  int32_t Rows() const { return static_cast<int32_t>(samples_.size()); }
  // Columns first..last of a view (0 the line itself, 1 and 2 beside it) as a picture, top-down,
  // one picture column per slit column; a null picture for an empty range.
  QImage Picture(int32_t first, int32_t last, int32_t view = 0) const;
  QImage Picture(int32_t view = 0) const { return Picture(0, Columns() - 1, view); }
  // A view's pixels, red, green, blue, column after column (each column's rows together).
  const uint8_t* Data(int32_t view) const { return views_.at(static_cast<size_t>(view)).get(); }
  uint8_t* Data(int32_t view) { return views_.at(static_cast<size_t>(view)).get(); }
  size_t View_Bytes() const { return columns_.size() * samples_.size() * 3; }
  const std::vector<Slit_Sample>& Samples() const { return samples_; }
  const std::vector<Slit_Column>& Column_Info() const { return columns_; }
  std::vector<Slit_Column>& Column_Info() { return columns_; }
  const Slit_Column& Column(int32_t c) const { return columns_.at(static_cast<size_t>(c)); }
  const Slit_Line& Line() const { return line_; }
  // The recording it was made of.
  const Recording_Layout& Layout() const { return layout_; }
  bool Interlaced() const { return layout_.interlaced; }
  int32_t Picture_Width() const { return layout_.width; }
  int32_t Picture_Height() const { return layout_.height; }
  bool Rotated() const { return layout_.rotated; }

  // The column of a frame's field, and back: field numbers as the slider counts them in field
  // mode (field v in frame (v + 1) div 2), frame numbers otherwise.
  int32_t Column_Of_Field(int32_t field_number) const { return field_number - 1; }
  int32_t Field_Number(int32_t column) const { return column + 1; }
  // The first column of a frame.
  int32_t Column_Of_Frame(int16_t frame) const { return layout_.interlaced ? 2 * (frame - 1) : frame - 1; }

  // Red, green, blue at (column, row) of a view.
  const uint8_t* Pixel(int32_t column, int32_t row, int32_t view = 0) const {
    return Data(view) + (static_cast<size_t>(column) * samples_.size() + static_cast<size_t>(row)) * 3;
  }
  uint8_t* Column_Pixels(int32_t column, int32_t view) {
    return Data(view) + static_cast<size_t>(column) * samples_.size() * 3;
  }
  // Paints a column of every view grey: its picture could not be had.
  void Mark_Missing(int32_t column);

  Slit_Image(const Slit_Image& other);
  Slit_Image& operator=(const Slit_Image& other);
  Slit_Image(Slit_Image&&) noexcept = default;
  Slit_Image& operator=(Slit_Image&&) noexcept = default;
  ~Slit_Image() = default;

private:
  // Column after column: a field's samples are written together. Left unset when made: the
  // build or the kept file writes every column.
  std::array<std::unique_ptr<uint8_t[]>, Slit_Views> views_;
  std::vector<Slit_Sample> samples_;
  std::vector<Slit_Column> columns_;
  Slit_Line line_;
  Recording_Layout layout_;
};

// Stops a build from another thread, and hears how far it got.
struct Slit_Build_Control {
  const std::atomic<bool>* cancel = nullptr;
  // Columns done and the total, after each frame.
  std::function<void(int32_t done, int32_t total)> progress;
};

// Writes a frame's fields into its columns, from `first_column` on, out of its picture as the
// camera keeps it (bottom-up 24-bit, rows padded to 4 bytes); false when `length` is short of it.
bool Fill_From_Picture(Slit_Image& slit, int32_t first_column, const uint8_t* bits, int64_t length);

// Builds the slit image of a recording from its records, decoding only the rows and iMCU
// columns the line crosses. nullopt with the reason when the recording cannot be read, the
// line misses the picture or the build was cancelled. Records that are missing or damaged give
// grey columns marked not valid.
std::optional<Slit_Image> Build_Slit_Image(const Recording_Layout& layout, const Slit_Line& line,
                                           const Slit_Build_Control& control, QString& why);
