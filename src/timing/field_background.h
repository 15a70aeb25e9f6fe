#pragma once
// The pictures of a recording without runners, each pixel the median of that pixel over frames
// spread through the heat: per field when interlaced (their rows are different picture rows),
// per frame otherwise. Runners pass any pixel in a small part of a heat, so the median is the
// ground, rails, painted line and any standing shadow.
#include "imaging/dib_section.h"
#include "recording/field_pictures.h"

#include <array>
#include <cstdint>

class Field_Background {
public:
  void Build(Field_Picture_Reader& fields);
  // For a slit column (a field, or a frame when not interlaced); nullptr when none was made.
  const cDIBSection* For(int32_t column) const;

private:
  std::array<cDIBSection, 2> pictures_;
  bool by_field_ = false;
};
