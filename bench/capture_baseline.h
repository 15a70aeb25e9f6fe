#pragma once
// The hand-written crop converter the capture source used before libyuv (BT.601 limited, AVX2
// where the processor has it), kept so that one run of the benchmark measures both.
#include <cstdint>
#include <immintrin.h>

namespace baseline {

namespace yuv_fixed {
inline constexpr int32_t Y_Scale = 19003;
inline constexpr int32_t Y_Bias = 1192;
inline constexpr int32_t B_U = 16525;
inline constexpr int32_t G_U = 6419;
inline constexpr int32_t G_V = 13320;
inline constexpr int32_t R_V = 26149;
inline constexpr int32_t Half = 32;
} // namespace yuv_fixed

inline bool Have_Avx2() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
}

__attribute__((target("avx2"))) inline int32_t Swap_Red_Blue_Avx2(const uint8_t* src, int64_t readable, int32_t width,
                                                                  uint8_t* out) {
  // Five pixels (15 bytes) per 16-byte load; the 16th byte written is the next pixel's, which
  // the next step writes again, so the loop stops while a whole 16 bytes fit.
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  int32_t x = 0;
  while (int64_t{3} * x + 16 <= readable && int64_t{3} * (x + 5) + 1 <= int64_t{3} * width) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(in, order));
    x += 5;
  }
  return x;
}

__attribute__((target("avx2"))) inline int32_t Packed_422_Pairs_Avx2(const uint8_t* src, int32_t pairs, bool uyvy,
                                                                     uint8_t* out) {
  using namespace yuv_fixed;
  const char z = static_cast<char>(0x80);
  const __m256i low_bytes = _mm256_set1_epi16(0x00FF);
  // Each 128-bit lane holds 8 pixels; U and V words are repeated for both pixels of a pair.
  const __m256i dup_u = _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13, 0, 1, 0, 1, 4, 5, 4, 5, 8,
                                         9, 8, 9, 12, 13, 12, 13);
  const __m256i dup_v = _mm256_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15, 2, 3, 2, 3, 6, 7, 6, 7,
                                         10, 11, 10, 11, 14, 15, 14, 15);
  // From [b0..b7 g0..g7] and [r0..r7] of a lane: its first 16 and last 8 bytes of blue, green, red.
  const __m256i bg_1 = _mm256_setr_epi8(0, 8, z, 1, 9, z, 2, 10, z, 3, 11, z, 4, 12, z, 5, 0, 8, z, 1, 9, z, 2, 10, z,
                                        3, 11, z, 4, 12, z, 5);
  const __m256i r_1 =
      _mm256_setr_epi8(z, z, 0, z, z, 1, z, z, 2, z, z, 3, z, z, 4, z, z, z, 0, z, z, 1, z, z, 2, z, z, 3, z, z, 4, z);
  const __m256i bg_2 = _mm256_setr_epi8(13, z, 6, 14, z, 7, 15, z, z, z, z, z, z, z, z, z, 13, z, 6, 14, z, 7, 15, z, z,
                                        z, z, z, z, z, z, z);
  const __m256i r_2 =
      _mm256_setr_epi8(z, 5, z, z, 6, z, z, 7, z, z, z, z, z, z, z, z, z, 5, z, z, 6, z, z, 7, z, z, z, z, z, z, z, z);
  const __m256i k_y = _mm256_set1_epi16(Y_Scale), y_bias = _mm256_set1_epi16(Y_Bias);
  const __m256i k_bu = _mm256_set1_epi16(B_U), k_gu = _mm256_set1_epi16(G_U), k_gv = _mm256_set1_epi16(G_V),
                k_rv = _mm256_set1_epi16(R_V), half = _mm256_set1_epi16(Half), k128 = _mm256_set1_epi16(128);
  int32_t i = 0;
  for (; i + 8 <= pairs; i += 8) {
    __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * i));
    if (uyvy) in = _mm256_or_si256(_mm256_srli_epi16(in, 8), _mm256_slli_epi16(in, 8)); // to YUYV
    const __m256i y = _mm256_and_si256(in, low_bytes);
    const __m256i yt = _mm256_sub_epi16(_mm256_mulhi_epu16(_mm256_or_si256(y, _mm256_slli_epi16(y, 8)), k_y), y_bias);
    const __m256i uv = _mm256_slli_epi16(_mm256_sub_epi16(_mm256_srli_epi16(in, 8), k128), 8);
    const __m256i u = _mm256_shuffle_epi8(uv, dup_u);
    const __m256i v = _mm256_shuffle_epi8(uv, dup_v);
    const __m256i bt = _mm256_slli_epi16(_mm256_mulhi_epi16(u, k_bu), 1);
    const __m256i gt = _mm256_add_epi16(_mm256_mulhi_epi16(u, k_gu), _mm256_mulhi_epi16(v, k_gv));
    const __m256i rt = _mm256_mulhi_epi16(v, k_rv);
    const __m256i b = _mm256_srai_epi16(_mm256_adds_epi16(_mm256_adds_epi16(yt, bt), half), 6);
    const __m256i g = _mm256_srai_epi16(_mm256_adds_epi16(_mm256_subs_epi16(yt, gt), half), 6);
    const __m256i r = _mm256_srai_epi16(_mm256_adds_epi16(_mm256_adds_epi16(yt, rt), half), 6);
    const __m256i bg = _mm256_packus_epi16(b, g); // saturation clamps to 0..255
    const __m256i rr = _mm256_packus_epi16(r, r);
    const __m256i first = _mm256_or_si256(_mm256_shuffle_epi8(bg, bg_1), _mm256_shuffle_epi8(rr, r_1));
    const __m256i second = _mm256_or_si256(_mm256_shuffle_epi8(bg, bg_2), _mm256_shuffle_epi8(rr, r_2));
    uint8_t* o = out + 6 * i;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm256_castsi256_si128(first));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o + 16), _mm256_castsi256_si128(second));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 24), _mm256_extracti128_si256(first, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o + 40), _mm256_extracti128_si256(second, 1));
  }
  return i;
}

inline uint8_t Clamp8(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }
inline int32_t High(int32_t a, int32_t k) { return (a * k) >> 16; }

inline void Yuv_To_Bgr(int32_t y, int32_t u, int32_t v, uint8_t* out) {
  using namespace yuv_fixed;
  const int32_t yt = ((y * 257 * Y_Scale) >> 16) - Y_Bias;
  const int32_t d = (u - 128) * 256;
  const int32_t e = (v - 128) * 256;
  out[0] = Clamp8((yt + 2 * High(d, B_U) + Half) >> 6);
  out[1] = Clamp8((yt - (High(d, G_U) + High(e, G_V)) + Half) >> 6);
  out[2] = Clamp8((yt + High(e, R_V) + Half) >> 6);
}

inline void Swap_Red_Blue_Row(const uint8_t* src, int64_t readable, int32_t width, uint8_t* out) {
  const int32_t done = Have_Avx2() ? Swap_Red_Blue_Avx2(src, readable, width, out) : 0;
  for (int32_t x = done; x < width; ++x) {
    out[3 * x] = src[3 * x + 2];
    out[3 * x + 1] = src[3 * x + 1];
    out[3 * x + 2] = src[3 * x];
  }
}

// A YUYV row's whole pairs (the crop starts on an even column).
inline void Yuyv_Pairs(const uint8_t* src, int32_t pairs, uint8_t* out) {
  const int32_t done = Have_Avx2() ? Packed_422_Pairs_Avx2(src, pairs, false, out) : 0;
  for (int32_t i = done; i < pairs; ++i) {
    Yuv_To_Bgr(src[4 * i], src[4 * i + 1], src[4 * i + 3], out + 6 * i);
    Yuv_To_Bgr(src[4 * i + 2], src[4 * i + 1], src[4 * i + 3], out + 6 * i + 3);
  }
}

} // namespace baseline
