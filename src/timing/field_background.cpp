#include "timing/field_background.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Frames whose pictures make the background, spread over the heat.
constexpr int32_t Background_Frames = 15;
void Median(std::vector<cDIBSection>& samples, cDIBSection& out) {
  if (samples.empty() || !out.Create(samples[0].Width(), samples[0].Height())) return;
  const auto bytes = static_cast<size_t>(out.SizeImage());
  std::vector<uint8_t> values(samples.size());
  const size_t middle = samples.size() / 2;
  for (size_t i = 0; i < bytes; ++i) {
    for (size_t k = 0; k < samples.size(); ++k)
      values[k] = samples[k].DIBSectionBitsPtr()[i];
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    out.DIBSectionBitsPtr()[i] = values[middle];
  }
}

} // namespace

void Field_Background::Build(Field_Picture_Reader& fields) {
  const Recording_Layout& layout = fields.Layout();
  const int32_t parities = layout.interlaced ? 2 : 1;
  const int32_t frames = layout.frame_count;
  const int32_t take = std::min(frames, Background_Frames);
  for (int32_t p = 0; p < parities; ++p) {
    std::vector<cDIBSection> samples;
    for (int32_t k = 0; k < take; ++k) {
      const int32_t frame = take == 1 ? 0 : static_cast<int32_t>(int64_t{k} * (frames - 1) / (take - 1));
      const cDIBSection* picture = fields.Picture(layout.interlaced ? 2 * frame + p : frame);
      if (!picture) continue;
      cDIBSection copy;
      if (!copy.Create(picture->Width(), picture->Height())) continue;
      std::memcpy(copy.DIBSectionBitsPtr(), picture->DIBSectionBitsPtr(), static_cast<size_t>(copy.SizeImage()));
      samples.push_back(std::move(copy));
    }
    Median(samples, pictures_[static_cast<size_t>(p)]);
  }
  by_field_ = layout.interlaced;
}

const cDIBSection* Field_Background::For(int32_t column) const {
  const cDIBSection& picture = pictures_[by_field_ ? static_cast<size_t>(column % 2) : 0];
  return picture.Is_Empty() ? nullptr : &picture;
}
