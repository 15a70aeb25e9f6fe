#pragma once
// What a V4L2 driver answers of fields and colour, turned into the converter's terms.
#include "capture/capture_component.h"

#include <QString>
#include <cstdint>
#include <optional>

// The field layout of a driver's `field` answer; `interval_100ns` tells a 60 Hz source, whose
// plain "interlaced" is bottom-first. Nullopt, with the reason in `error`, for a layout that
// cannot be recorded as whole frames.
std::optional<Field_Order> Field_Order_From_V4l2(uint32_t field, int64_t interval_100ns, QString& error);

// The driver's colorspace, ycbcr_enc and quantization into `format`'s matrix and range.
void Colour_From_V4l2(uint32_t colorspace, uint32_t ycbcr_enc, uint32_t quantization, Video_Format& format);
