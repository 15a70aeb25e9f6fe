#pragma once
#include "imaging/dib_section.h"

#include <QSize>
#include <cstdint>

// Quarter turn and field extraction of 24-bit surfaces, working on the bits in one pass
// without allocating.
//
// Rotate90 turns the picture clockwise: the top row becomes the right-hand column, the
// top-left pixel goes to the top-right corner. The target is source height wide and source
// width high.
//
// deinterlaceFrame2 builds a full-height picture from one field by line doubling: each line of
// the field is shown twice, so every line on screen is a captured line of that field at the
// field's instant, nothing is made up between them. Selector 2 takes the field holding the
// picture's top row (the field shown first, field 1), selector 1 the other one (field 2);
// Field_Selector gives the selector for a field number.

// The bare-bits forms: the target must hold a surface of the target's size (for
// Rotate90: source height wide, source width high; for deinterlaceFrame2: the source's size),
// and must not be the source. False, touching nothing, for null bits, non-positive sizes, the
// same buffer or an unknown selector.
bool Rotate90(const uint8_t* source_bits, uint8_t* target_bits, int32_t source_width, int32_t source_height,
              int32_t reserved = 0);
bool deinterlaceFrame2(const uint8_t* source_bits, uint8_t* target_bits, int32_t width, int32_t height,
                       int32_t field_selector);

// The surface forms re-create the target only when its size is not the one needed.
bool Rotate90(const cDIBSection& source, cDIBSection& target);
bool deinterlaceFrame2(const cDIBSection& source, cDIBSection& target, int32_t field_selector);

constexpr int32_t Field_Selector(int32_t field_to_show) { return field_to_show == 1 ? 2 : 1; }

// The quarter turn uses the processor's vector unit when it has one; false forces the plain
// way, which must give the same picture.
void Allow_Vector_Rotation(bool allowed);

// Version number of these routines, for the about box.
int32_t BlendVersion();

// The picture box for a picture of width x height: its own size, or scaled down to max_height
// keeping the aspect ratio when it is taller (max_height <= 0: no limit).
QSize Review_Picture_Size(int32_t width, int32_t height, int32_t max_height);
