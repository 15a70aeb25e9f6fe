#pragma once
// Recordings written byte by byte with the layout helpers, for the reader tests.
#include "imaging/dib_section.h"
#include "metadata/xml_header.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

namespace reader_files {

inline constexpr int32_t Width = 64;
inline constexpr int32_t Height = 48;

// Frame k: a flat colour that differs from frame to frame, so decoded frames can be told apart.
inline uint32_t Frame_Colour(int32_t k) {
  return static_cast<uint32_t>((k * 40) % 256) | (static_cast<uint32_t>((200 - k * 30) & 0xFF) << 8) | (0x40u << 16);
}

inline std::vector<uint8_t> Frame_JPEG(int32_t k, int32_t width = Width, int32_t height = Height) {
  cDIBSection dib;
  dib.Create(width, height);
  dib.Fill_with_RGB(Frame_Colour(k));
  std::vector<uint8_t> jpeg(static_cast<size_t>(width) * height * 3 + 4096);
  int32_t size = static_cast<int32_t>(jpeg.size());
  Jpeg_Codec codec;
  codec.Encode_JPEG(dib, jpeg.data(), size, 90);
  jpeg.resize(static_cast<size_t>(size));
  return jpeg;
}

struct Recording_Spec {
  int32_t frames = 3;
  int32_t slot_size = 4000;
  QString header_frames = QStringLiteral("3"); // what num_frames claims
  QString header_sample_size;                  // what RGB_sample_size claims; empty: the true size
  bool interlaced = false;
  QString fourcc = QStringLiteral("IJL");
  int32_t first_mill = 100000;
  int32_t width = Width;
  int32_t height = Height;
  std::function<void(Cls_XML_header&)> edit; // last changes to the header, when set
};

// The pixel at the picture's top-left corner, red in the low byte.
inline uint32_t Corner(const cDIBSection& dib) {
  const uint8_t* p = dib.Row(0);
  return p[2] | (uint32_t{p[1]} << 8) | (uint32_t{p[0]} << 16);
}
// Colours equal but for JPEG's small errors.
inline bool Near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 6) return false;
  return true;
}
inline constexpr uint32_t Placeholder_Blue = 0xFF0000;

inline QByteArray Header_Block(const Recording_Spec& spec, Cls_XML_header* out_header = nullptr) {
  Cls_XML_header header;
  header.rgb_let(-1);
  header.Create_Header();
  header.set_RGB_X(QString::number(spec.width));
  header.set_RGB_Y(QString::number(spec.height));
  header.set_RGB_interlaced(spec.interlaced);
  header.set_RGB_fourcc(spec.fourcc);
  header.set_Frames_no(spec.header_frames);
  header.set_Segments_no(QStringLiteral("2"));
  header.set_RGB_Image_Size(QString::number(spec.slot_size));
  header.set_RGB_Sample_Size(spec.header_sample_size.isEmpty()
                                 ? QString::number(qn3::Record_Size_For_Slot(spec.slot_size))
                                 : spec.header_sample_size);
  if (spec.edit) spec.edit(header);
  QByteArray block(qn3::Header_Block_Size, '\0');
  qn3::Build_Header_Block(qn3::Encode_Header_Text(header.XML_string()), reinterpret_cast<uint8_t*>(block.data()));
  if (out_header) out_header->set_XML_string(header.XML_string());
  return block;
}

inline QByteArray Record(int32_t k, int32_t slot_size, int32_t mill) {
  const std::vector<uint8_t> jpeg = Frame_JPEG(k);
  qn3::Record_Fields fields;
  fields.capture_mill = mill;
  fields.capture_delta = 40;
  fields.capture_local = 36'000'000 + mill;
  fields.quality = 90;
  QByteArray record(static_cast<qsizetype>(qn3::Record_Size_For_Slot(slot_size)), '\0');
  qn3::Encode_Record(fields, jpeg.data(), static_cast<int32_t>(jpeg.size()), slot_size,
                     reinterpret_cast<uint8_t*>(record.data()));
  return record;
}

inline QByteArray Recording(const Recording_Spec& spec) {
  QByteArray bytes = Header_Block(spec);
  for (int32_t k = 1; k <= spec.frames; ++k)
    bytes += Record(k, spec.slot_size, spec.first_mill + (k - 1) * 40);
  return bytes;
}

inline bool Write_File(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes) == bytes.size();
}

} // namespace reader_files
