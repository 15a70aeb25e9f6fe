#pragma once
// Captured frames for the writer tests: pictures with texture, so JPEG sizes behave as with a
// camera, and some with pure noise, which compresses badly.
#include "imaging/dib_section.h"
#include "recording/frame_buffers.h"
#include "recording/qn3_format.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace writer_frames {

enum class Content { Textured, Flat, Noise };

inline std::vector<uint8_t> Picture(int32_t width, int32_t height, Content content, int32_t seed) {
  const int32_t stride = cDIBSection::Bytes_Per_Scan_Line_For(width);
  std::vector<uint8_t> bits(static_cast<size_t>(stride) * height, 0);
  std::mt19937 random(static_cast<uint32_t>(seed));
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> noise(-8, 8);
  const auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  for (int32_t row = 0; row < height; ++row) {
    uint8_t* p = bits.data() + static_cast<ptrdiff_t>(row) * stride;
    for (int32_t x = 0; x < width; ++x, p += 3) {
      switch (content) {
      case Content::Flat: p[0] = 90, p[1] = 140, p[2] = static_cast<uint8_t>(seed * 17); break;
      case Content::Noise: p[0] = clamp(byte(random)), p[1] = clamp(byte(random)), p[2] = clamp(byte(random)); break;
      case Content::Textured:
        p[0] = clamp(static_cast<int>(128 + 90 * std::sin((x + seed * 7) / 9.0)) + noise(random));
        p[1] = clamp(static_cast<int>(128 + 80 * std::cos(row / 11.0)) + noise(random));
        p[2] = clamp(static_cast<int>(120 + 100 * std::sin((x + row) / 17.0)) + noise(random));
        break;
      }
    }
  }
  return bits;
}

// Frame k arrives at 100000 + 40 k on the timer.
inline void Add(Frame_List& list, int32_t width, int32_t height, Content content, int32_t k) {
  const std::vector<uint8_t> bits = Picture(width, height, content, k);
  Store_Frame(list, bits.data(), static_cast<int32_t>(bits.size()), 100'000 + 40 * k, 50'000'000 + 40 * k,
              k == 1 ? 0 : 40);
}

inline void Fill(Frame_List& list, int32_t width, int32_t height, const std::vector<Content>& contents) {
  for (size_t i = 0; i < contents.size(); ++i)
    Add(list, width, height, contents[i], static_cast<int32_t>(list.Count() + 1));
}

inline QByteArray File_Bytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

inline const uint8_t* Bytes(const QByteArray& data, int64_t offset = 0) {
  return reinterpret_cast<const uint8_t*>(data.constData()) + offset;
}

// Record n (1-based) of the file's bytes for slot size `slot`.
inline qn3::Record_Fields Record_At(const QByteArray& file, int32_t n, int32_t slot) {
  qn3::Record_Fields fields;
  const int64_t at = qn3::Record_Offset(n, qn3::Record_Size_For_Slot(slot));
  qn3::Decode_Record_Head(Bytes(file, at), file.size() - at, fields);
  return fields;
}

} // namespace writer_frames
