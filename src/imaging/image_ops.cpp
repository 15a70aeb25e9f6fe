#include "imaging/image_ops.h"

#include <algorithm>
#include <cstring>

namespace {

// A square tile keeps the strided side of the turn inside the first-level cache.
constexpr int32_t tile = 128;

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline uint32_t load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Four pixels, 12 bytes, as four 24-bit values.
struct Quad {
  uint32_t p[4];
};
inline Quad load_quad(const uint8_t* from) {
  const uint64_t a = load64(from);
  const uint32_t b = load32(from + 8);
  return {{static_cast<uint32_t>(a & 0xFFFFFFU), static_cast<uint32_t>((a >> 24U) & 0xFFFFFFU),
           static_cast<uint32_t>(a >> 48U) | ((b & 0xFFU) << 16U), b >> 8U}};
}
inline void store_quad(uint8_t* to, uint32_t p0, uint32_t p1, uint32_t p2, uint32_t p3) {
  const uint64_t a = p0 | (static_cast<uint64_t>(p1) << 24U) | (static_cast<uint64_t>(p2 & 0xFFFFU) << 48U);
  const uint32_t b = (p2 >> 16U) | (p3 << 8U);
  std::memcpy(to, &a, 8);
  std::memcpy(to + 8, &b, 4);
}

// In memory (rows bottom-up) a clockwise turn reads: target row r, pixel x <- source row x,
// pixel (source width - 1 - r).
struct Turn {
  const uint8_t* source;
  uint8_t* target;
  std::ptrdiff_t source_line;
  std::ptrdiff_t target_line;
  int32_t source_width;

  const uint8_t* from(int32_t r, int32_t x) const {
    return source + x * source_line + 3 * static_cast<std::ptrdiff_t>(source_width - 1 - r);
  }
  uint8_t* to(int32_t r, int32_t x) const { return target + r * target_line + 3 * static_cast<std::ptrdiff_t>(x); }

  void pixel(int32_t r, int32_t x) const { std::memcpy(to(r, x), from(r, x), 3); }

  // Target rows r .. r + 3, pixels x .. x + 3: each source row gives four neighbouring pixels
  // that go to four target rows.
  void block(int32_t r, int32_t x) const {
    const uint8_t* base = from(r + 3, x);
    const Quad q0 = load_quad(base);
    const Quad q1 = load_quad(base + source_line);
    const Quad q2 = load_quad(base + 2 * source_line);
    const Quad q3 = load_quad(base + 3 * source_line);
    for (int j = 0; j < 4; ++j)
      store_quad(to(r + j, x), q0.p[3 - j], q1.p[3 - j], q2.p[3 - j], q3.p[3 - j]);
  }
};

#if defined(__x86_64__)
#include <immintrin.h>

// Eight source rows by four pixels per step: each 128-bit lane turns a 4 x 4 block of 32-bit
// pixels (expanded from 24 bits), the two lanes give eight neighbouring target pixels.
__attribute__((target("avx2"))) void rotate_avx2(const Turn& t, int32_t target_rows, int32_t target_cols,
                                                 const uint8_t* source_end) {
  const __m256i expand = _mm256_setr_epi8(9, 10, 11, -1, 6, 7, 8, -1, 3, 4, 5, -1, 0, 1, 2, -1, 9, 10, 11, -1, 6, 7, 8,
                                          -1, 3, 4, 5, -1, 0, 1, 2, -1);
  const __m256i compact = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8,
                                           9, 10, 12, 13, 14, -1, -1, -1, -1);
  const std::ptrdiff_t line = t.source_line;
  for (int32_t r0 = 0; r0 < target_rows; r0 += tile) {
    const int32_t r1 = std::min(r0 + tile, target_rows);
    for (int32_t x0 = 0; x0 < target_cols; x0 += tile) {
      const int32_t x1 = std::min(x0 + tile, target_cols);
      int32_t r = r0;
      for (; r + 4 <= r1; r += 4) {
        int32_t x = x0;
        for (; x + 8 <= x1; x += 8) {
          const uint8_t* base = t.from(r + 3, x);
          if (base + 7 * line + 16 > source_end) break;
          __m256i v[4];
          for (int k = 0; k < 4; ++k) {
            const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + k * line));
            const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + (k + 4) * line));
            v[k] = _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1), expand);
          }
          const __m256i t0 = _mm256_unpacklo_epi32(v[0], v[1]);
          const __m256i t1 = _mm256_unpacklo_epi32(v[2], v[3]);
          const __m256i t2 = _mm256_unpackhi_epi32(v[0], v[1]);
          const __m256i t3 = _mm256_unpackhi_epi32(v[2], v[3]);
          const __m256i out[4] = {_mm256_unpacklo_epi64(t0, t1), _mm256_unpackhi_epi64(t0, t1),
                                  _mm256_unpacklo_epi64(t2, t3), _mm256_unpackhi_epi64(t2, t3)};
          for (int j = 0; j < 4; ++j) {
            const __m256i packed = _mm256_shuffle_epi8(out[j], compact);
            uint8_t* to = t.to(r + j, x);
            const __m128i hi = _mm256_extracti128_si256(packed, 1);
            // The low lane's four spare bytes are overwritten by the high lane's exact store.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm256_castsi256_si128(packed));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(to + 12), hi);
            const uint32_t last = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(hi, 8)));
            std::memcpy(to + 20, &last, 4);
          }
        }
        for (; x + 4 <= x1; x += 4)
          t.block(r, x);
        for (; x < x1; ++x)
          for (int j = 0; j < 4; ++j)
            t.pixel(r + j, x);
      }
      for (; r < r1; ++r)
        for (int32_t x = x0; x < x1; ++x)
          t.pixel(r, x);
    }
  }
}
#endif

bool vectors_allowed = true;

bool avx2_at_hand() {
  if (!vectors_allowed) return false;
#if defined(__x86_64__)
  static const bool present = __builtin_cpu_supports("avx2");
  return present;
#else
  return false;
#endif
}

} // namespace

bool Rotate90(const uint8_t* source_bits, uint8_t* target_bits, int32_t source_width, int32_t source_height,
              int32_t /*reserved*/) {
  if (!source_bits || !target_bits || source_bits == target_bits || source_width <= 0 || source_height <= 0)
    return false;
  const Turn turn{source_bits, target_bits, cDIBSection::Bytes_Per_Scan_Line_For(source_width),
                  cDIBSection::Bytes_Per_Scan_Line_For(source_height), source_width};
  const int32_t target_rows = source_width;
  const int32_t target_cols = source_height;
#if defined(__x86_64__)
  if (avx2_at_hand()) {
    rotate_avx2(turn, target_rows, target_cols, source_bits + turn.source_line * source_height);
    return true;
  }
#endif
  for (int32_t r0 = 0; r0 < target_rows; r0 += tile) {
    const int32_t r1 = std::min(r0 + tile, target_rows);
    for (int32_t x0 = 0; x0 < target_cols; x0 += tile) {
      const int32_t x1 = std::min(x0 + tile, target_cols);
      int32_t r = r0;
      for (; r + 4 <= r1; r += 4) {
        int32_t x = x0;
        for (; x + 4 <= x1; x += 4)
          turn.block(r, x);
        for (; x < x1; ++x)
          for (int j = 0; j < 4; ++j)
            turn.pixel(r + j, x);
      }
      for (; r < r1; ++r)
        for (int32_t x = x0; x < x1; ++x)
          turn.pixel(r, x);
    }
  }
  return true;
}

bool deinterlaceFrame2(const uint8_t* source_bits, uint8_t* target_bits, int32_t width, int32_t height,
                       int32_t field_selector) {
  if (!source_bits || !target_bits || source_bits == target_bits || width <= 0 || height <= 0) return false;
  if (field_selector != 1 && field_selector != 2) return false;
  const std::ptrdiff_t line = cDIBSection::Bytes_Per_Scan_Line_For(width);
  const auto row_bytes = static_cast<size_t>(width) * 3;
  const bool top_field = field_selector == 2;
  for (int32_t y = 0; y < height; ++y) {
    // Picture rows: the top field holds 0, 2, 4, ..., the other 1, 3, 5, ...
    int32_t from = top_field ? (y & ~1) : (y | 1);
    if (from >= height) from = height >= 2 ? height - 2 : 0;
    std::memcpy(target_bits + (height - 1 - y) * line, source_bits + (height - 1 - from) * line, row_bytes);
  }
  return true;
}

bool Rotate90(const cDIBSection& source, cDIBSection& target) {
  if (source.Is_Empty() || &source == &target) return false;
  if (target.Is_Empty() || target.Width() != source.Height() || target.Height() != source.Width())
    if (!target.Create(source.Height(), source.Width())) return false;
  return Rotate90(source.DIBSectionBitsPtr(), target.DIBSectionBitsPtr(), source.Width(), source.Height(), 0);
}

bool deinterlaceFrame2(const cDIBSection& source, cDIBSection& target, int32_t field_selector) {
  if (source.Is_Empty() || &source == &target) return false;
  if (field_selector != 1 && field_selector != 2) return false;
  if (target.Is_Empty() || target.Width() != source.Width() || target.Height() != source.Height())
    if (!target.Create(source.Width(), source.Height())) return false;
  return deinterlaceFrame2(source.DIBSectionBitsPtr(), target.DIBSectionBitsPtr(), source.Width(), source.Height(),
                           field_selector);
}

void Allow_Vector_Rotation(bool allowed) { vectors_allowed = allowed; }

int32_t BlendVersion() { return 200; }

QSize Review_Picture_Size(int32_t width, int32_t height, int32_t max_height) {
  if (width <= 0 || height <= 0) return {0, 0};
  if (max_height <= 0 || height <= max_height) return {width, height};
  const int64_t scaled = (int64_t{max_height} * width + height / 2) / height;
  return {static_cast<int>(std::max<int64_t>(1, scaled)), max_height};
}
