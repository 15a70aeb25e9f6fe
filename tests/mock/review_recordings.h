#pragma once
// Recordings for the review tests, laid out with the format helpers: pictures whose fields and
// halves can be told apart after JPEG coding, and the header values that opening reads.
#include "imaging/dib_section.h"
#include "metadata/xml_header.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace review_recordings {

// The rows of the picture's top field (0, 2, 4, ...) are bright, those of the other field dark;
// with `top_half_bright` instead the upper half is bright and the lower half dark. Frame k
// shifts the blue channel so frames differ.
inline cDIBSection Picture(int32_t width, int32_t height, int32_t k, bool top_half_bright) {
  cDIBSection dib;
  dib.Create(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const bool bright = top_half_bright ? y < height / 2 : (y % 2) == 0;
    const auto level = static_cast<uint8_t>(bright ? 220 : 30);
    uint8_t* p = dib.Row(y);
    for (int32_t x = 0; x < width; ++x, p += 3) {
      p[0] = static_cast<uint8_t>((level + 10 * k) & 0xFF);
      p[1] = level;
      p[2] = level;
    }
  }
  return dib;
}

struct Spec {
  int32_t width = 64;
  int32_t height = 48;
  int32_t frames = 3;
  bool interlaced = true;
  bool rotated = false;
  bool top_half_bright = false;
  QString fps = QStringLiteral("25");
  int32_t start_pc_mill = 100000;
  int32_t first_mill = 101000;
  QString goal_finish;
  QString goal_split;
  QString heat_id = QStringLiteral("7");
  QString heat_name = QStringLiteral("Final");
  QString event = QStringLiteral("Spring Cup");
  QString heat_length = QStringLiteral("480");
  std::vector<int32_t> damaged;       // frames whose JPEG is overwritten with noise after its start
  std::vector<int32_t> capture_mills; // per frame when given, else first_mill + 40 per frame
  int32_t first_local = 0;            // local capture time of frame 1, + 40 per frame
  QString goal_compensation;          // stored when not empty
};

inline std::vector<uint8_t> JPEG_Of(const cDIBSection& dib) {
  std::vector<uint8_t> jpeg(static_cast<size_t>(dib.SizeImage()) + 8192);
  int32_t size = static_cast<int32_t>(jpeg.size());
  Jpeg_Codec codec;
  codec.Encode_JPEG(dib, jpeg.data(), size, 95);
  jpeg.resize(static_cast<size_t>(size));
  return jpeg;
}

inline QByteArray Recording(const Spec& spec) {
  std::vector<std::vector<uint8_t>> jpegs;
  size_t largest = 0;
  for (int32_t k = 1; k <= spec.frames; ++k) {
    jpegs.push_back(JPEG_Of(Picture(spec.width, spec.height, k, spec.top_half_bright)));
    largest = std::max(largest, jpegs.back().size());
  }
  const auto slot = static_cast<int32_t>(largest + 2000);
  Cls_XML_header header;
  header.rgb_let(-1);
  header.Create_Header();
  header.set_RGB_X(QString::number(spec.width));
  header.set_RGB_Y(QString::number(spec.height));
  header.set_RGB_interlaced(spec.interlaced);
  header.set_RGB_Rotated(spec.rotated);
  header.set_RGB_fourcc(QStringLiteral("IJL"));
  header.set_RGB_fps(spec.fps);
  header.set_Frames_no(QString::number(spec.frames));
  header.set_Segments_no(QStringLiteral("1"));
  header.set_RGB_Image_Size(QString::number(slot));
  header.set_RGB_Sample_Size(QString::number(qn3::Record_Size_For_Slot(slot)));
  header.set_Dora_heat_start_PC_mill(spec.start_pc_mill);
  header.set_Dora_Goal_Finish(spec.goal_finish);
  header.set_Dora_Goal_Split(spec.goal_split);
  header.set_Dora_Heat_ID(spec.heat_id);
  header.set_Dora_Heat_Name(spec.heat_name);
  header.set_Dora_event(spec.event);
  header.set_Dora_Heat_Length(spec.heat_length);
  if (!spec.goal_compensation.isEmpty()) header.set_Goal_Compensation(spec.goal_compensation);
  QByteArray bytes(qn3::Header_Block_Size, '\0');
  qn3::Build_Header_Block(qn3::Encode_Header_Text(header.XML_string()), reinterpret_cast<uint8_t*>(bytes.data()));

  std::vector<uint8_t> record(static_cast<size_t>(qn3::Record_Size_For_Slot(slot)));
  for (int32_t k = 1; k <= spec.frames; ++k) {
    std::vector<uint8_t> jpeg = jpegs.at(static_cast<size_t>(k - 1));
    if (std::find(spec.damaged.begin(), spec.damaged.end(), k) != spec.damaged.end())
      for (size_t i = jpeg.size() / 4; i < jpeg.size(); ++i)
        jpeg[i] = static_cast<uint8_t>((i * 131U + 7U) & 0xFFU);
    qn3::Record_Fields fields;
    const auto index = static_cast<size_t>(k - 1);
    fields.capture_mill =
        index < spec.capture_mills.size() ? spec.capture_mills[index] : spec.first_mill + (k - 1) * 40;
    fields.capture_local = spec.first_local + (k - 1) * 40;
    fields.capture_delta = 40;
    fields.quality = 95;
    qn3::Encode_Record(fields, jpeg.data(), static_cast<int32_t>(jpeg.size()), slot, record.data());
    bytes.append(reinterpret_cast<const char*>(record.data()), static_cast<qsizetype>(record.size()));
  }
  return bytes;
}

inline bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes) == bytes.size();
}

inline bool Write(const QString& path, const Spec& spec) { return Write(path, Recording(spec)); }

// Mean of the green channel over picture rows [top, bottom) of a 24-bit image.
inline double Mean_Level(const QImage& image, int top, int bottom) {
  double sum = 0;
  int64_t count = 0;
  for (int y = top; y < bottom && y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x, ++count)
      sum += qGreen(image.pixel(x, y));
  return count > 0 ? sum / static_cast<double>(count) : 0;
}

} // namespace review_recordings
