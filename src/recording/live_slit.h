#pragma once
// The slit image of the frames a camera trigger holds, made while they arrive: the pixels along
// the goal line of every field of each cropped frame, read straight from the frame (nothing is
// decoded), newest column last, as a line-scan camera at that line would show the hold.
#include "recording/slit_image.h"

#include <QImage>
#include <cstdint>
#include <vector>

class Live_Slit {
public:
  // The columns kept: about two minutes of fields at 50 a second. Beyond it the oldest go.
  static constexpr int32_t Most_Columns = 6000;

  // A new hold: frames of width x height (the crop), two fields each when interlaced. A line with
  // no point in the picture gives an empty slit.
  void Start(const Slit_Line& line, int32_t width, int32_t height, bool interlaced);
  void Clear();
  // One cropped frame as the capture keeps it (24-bit blue, green, red; rows bottom-up, each
  // padded to 4 bytes). A frame shorter than that is not read.
  bool Add_Frame(const uint8_t* bits, int64_t length);

  bool Is_Empty() const { return columns_ == 0 || samples_.empty(); }
  int32_t Columns() const { return columns_; }
  int32_t Rows() const { return static_cast<int32_t>(samples_.size()); }
  // Every column added since Start, the dropped oldest ones included.
  int64_t Columns_Added() const { return added_; }
  // The newest `count` columns (all there are when fewer), one picture column each, top-down
  // rows along the line; a null picture when empty.
  QImage Newest(int32_t count) const;

private:
  std::vector<Slit_Sample> samples_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int64_t stride_ = 0;
  bool interlaced_ = false;
  // Red, green, blue, column after column.
  std::vector<uint8_t> pixels_;
  int32_t columns_ = 0;
  int64_t added_ = 0;
};
