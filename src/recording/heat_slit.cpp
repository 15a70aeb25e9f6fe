#include "recording/heat_slit.h"

#include <cstring>

void Heat_Slit::Start(const Recording_Layout& layout, const Slit_Line& line) {
  Clear();
  layout_ = layout;
  layout_.frame_count = 1;
  line_ = line;
  frame_ = Slit_Image(layout_, line_);
  usable_ = !frame_.Is_Empty();
}

void Heat_Slit::Clear() {
  usable_ = false;
  // Given back, not kept: a heat past the most frames must not hold on to them.
  for (auto& view : views_)
    view = std::vector<uint8_t>();
  stamps_ = std::vector<int32_t>();
}

void Heat_Slit::Add_Frame(const uint8_t* bits, int64_t length, int32_t capture_mill) {
  if (!usable_) return;
  if (Frames() >= Most_Frames) {
    Clear();
    return;
  }
  try {
    if (!Fill_From_Picture(frame_, 0, bits, length)) {
      Clear();
      return;
    }
    for (int32_t v = 0; v < Slit_Views; ++v)
      views_[static_cast<size_t>(v)].insert(views_[static_cast<size_t>(v)].end(), frame_.Data(v),
                                            frame_.Data(v) + frame_.View_Bytes());
    stamps_.push_back(capture_mill);
  } catch (const std::bad_alloc&) {
    Clear(); // the review builds it from the records instead
  }
}

std::optional<Slit_Image> Heat_Slit::Image_For(const Recording_Layout& layout, const Slit_Line& line,
                                               Record_Reader& heads) const {
  if (!Usable() || !(line == line_) || layout.frame_count != Frames() || layout.width != layout_.width ||
      layout.height != layout_.height || layout.interlaced != layout_.interlaced || layout.rotated != layout_.rotated)
    return std::nullopt;
  for (int32_t f = 1; f <= Frames(); ++f) {
    qn3::Record_Fields head;
    if (!heads.Read_Head(static_cast<int16_t>(f), head) || head.capture_mill != stamps_[static_cast<size_t>(f - 1)])
      return std::nullopt;
  }
  Slit_Image slit(layout, line);
  if (slit.Is_Empty() || slit.View_Bytes() != views_[0].size()) return std::nullopt;
  for (int32_t v = 0; v < Slit_Views; ++v)
    std::memcpy(slit.Data(v), views_[static_cast<size_t>(v)].data(), slit.View_Bytes());
  const int32_t fields = layout.interlaced ? 2 : 1;
  for (int32_t c = 0; c < slit.Columns(); ++c) {
    Slit_Column& info = slit.Column_Info()[static_cast<size_t>(c)];
    info.capture_mill = stamps_[static_cast<size_t>(c / fields)];
    info.stamped = true;
    info.valid = true;
  }
  return slit;
}
