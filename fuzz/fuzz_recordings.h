#pragma once
// Small recordings made by the program's own writer, for the targets that need a sound file
// and for the seed corpus.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace fuzz {

struct Recording_Shape {
  int32_t frames = 3;
  int32_t width = 64;
  int32_t height = 48;
  bool interlaced = false;
  bool rotated = false;
  int32_t first_mill = 100000;
};

// Writes the recording at `path` and returns its bytes; empty when the writer failed.
QByteArray Written_Recording(const QString& path, const Recording_Shape& shape);

} // namespace fuzz
