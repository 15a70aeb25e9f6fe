#pragma once
// The slit image of a heat's recording, made from each frame as the camera keeps it, before it is
// compressed: once the trigger opens it stands for the image a review would build from the
// records, so the recording opens with its slit and proposals at once. It is taken only for a
// recording whose records are these very frames (their stamps, one by one) and whose layout and
// goal line it was made for.
#include "recording/slit_image.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class Heat_Slit {
public:
  // A trigger stuck closed must not fill the memory with this either: past so many frames (four
  // minutes at 25 f/s, under 100 MB for a 880-pixel line) the review builds the slit instead.
  static constexpr int32_t Most_Frames = 6000;

  // A new recording of this picture size, field layout and turn, along `line`; nothing kept.
  void Start(const Recording_Layout& layout, const Slit_Line& line);
  void Clear();
  // The next frame of the recording: its picture as the camera keeps it and its stamp. A frame
  // that cannot be taken (another size, no line) makes the whole image unusable.
  void Add_Frame(const uint8_t* bits, int64_t length, int32_t capture_mill);
  int32_t Frames() const { return static_cast<int32_t>(stamps_.size()); }
  bool Usable() const { return usable_ && !stamps_.empty(); }

  // The slit image of the recording `layout` opens, when it holds exactly these frames; `heads`
  // is open on it. nullopt otherwise, and the image is built from the records.
  std::optional<Slit_Image> Image_For(const Recording_Layout& layout, const Slit_Line& line,
                                      Record_Reader& heads) const;

private:
  Recording_Layout layout_; // frame_count unused
  Slit_Line line_;
  bool usable_ = false;
  Slit_Image frame_;                                   // one frame's columns, filled afresh for each frame
  std::array<std::vector<uint8_t>, Slit_Views> views_; // column after column, as Slit_Image keeps them
  std::vector<int32_t> stamps_;
};
