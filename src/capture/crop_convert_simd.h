#pragma once
// Vector forms of the hottest row conversions, for processors with AVX2 (chosen at run time).
// Each converts as many pixels from the start of the row as it safely can and answers how many;
// the caller converts the rest.
#include <cstdint>

bool Have_Avx2();

// Red and blue swapped: `readable` bytes may be read from `src`, `width` pixels written to `out`.
int32_t Swap_Red_Blue_Avx2(const uint8_t* src, int64_t readable, int32_t width, uint8_t* out);

// Fixed-point BT.601 limited range in 16-bit steps, shared by the plain and the vector forms so
// both give the same bytes: each term is the product's high 16 bits (a floor), the sum carries 6
// fractional bits. Y * 257 * Y_Scale >> 16 is Y * 1.164 * 64; chroma enters shifted left by 8.
namespace yuv_fixed {
inline constexpr int32_t Y_Scale = 19003;
inline constexpr int32_t Y_Bias = 1192; // 16 * 1.164 * 64
inline constexpr int32_t B_U = 16525;   // 2.017 * 8192, doubled after the product
inline constexpr int32_t G_U = 6419;    // 0.392 * 16384
inline constexpr int32_t G_V = 13320;   // 0.813 * 16384
inline constexpr int32_t R_V = 26149;   // 1.596 * 16384
inline constexpr int32_t Half = 32;
} // namespace yuv_fixed

// Whole pixel pairs of YUYV (`uyvy` false) or UYVY to blue, green, red with the arithmetic above.
int32_t Packed_422_Pairs_Avx2(const uint8_t* src, int32_t pairs, bool uyvy, uint8_t* out);
