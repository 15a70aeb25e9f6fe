#include "fuzz_recordings.h"

#include "recording/frame_buffers.h"
#include "recording/video_file_handler.h"

#include <QFile>
#include <vector>

namespace fuzz {

QByteArray Written_Recording(const QString& path, const Recording_Shape& shape) {
  QFile::remove(path);
  Frame_List frames;
  const int32_t stride = (shape.width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> pixels(static_cast<size_t>(stride) * shape.height);
  for (int32_t k = 0; k < shape.frames; ++k) {
    // A gradient that moves from frame to frame, so each record holds a picture of its own.
    for (int32_t y = 0; y < shape.height; ++y)
      for (int32_t x = 0; x < shape.width; ++x) {
        uint8_t* p = &pixels[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
        p[0] = static_cast<uint8_t>(x * 4 + k * 20);
        p[1] = static_cast<uint8_t>(y * 5);
        p[2] = static_cast<uint8_t>((x + y) * 2 + k * 7);
      }
    Store_Frame(frames, pixels.data(), static_cast<int32_t>(pixels.size()), shape.first_mill + 40 * k,
                36'000'000 + 40 * k, 40);
  }
  cls_VideoFile_handler writer;
  writer.set_Cropped_X(shape.width);
  writer.set_Cropped_Y(shape.height);
  writer.set_RGB_interlaced(shape.interlaced);
  writer.set_RGB_Rotated(shape.rotated);
  writer.set_Compression_Threads(1);
  if (!writer.Initiate_QN3_File(path)) return {};
  if (shape.frames > 0 && writer.Append_Frames(frames) != shape.frames) return {};
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace fuzz
