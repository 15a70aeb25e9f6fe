#pragma once
#include <QImage>
#include <cstdint>

// Where the recording handler draws a picture: the main window's picture box, or a plain image
// for programs without a window. The image is kept and reused while its size stays the same,
// so stepping through a recording allocates nothing.
class Frame_Display {
public:
  virtual ~Frame_Display() = default;
  // An image of exactly width x height, 24-bit blue-green-red (QImage::Format_BGR888), to draw into.
  virtual QImage& Frame_Image(int32_t width, int32_t height) = 0;
  // Shows what was drawn.
  virtual void Refresh() = 0;
  // Drops the picture: the display shows nothing.
  virtual void Clear_Picture() = 0;
};

// The image a display keeps: made again only when the size or format is not the one asked for.
inline QImage& Keep_Frame_Image(QImage& image, int32_t width, int32_t height) {
  if (image.width() != width || image.height() != height || image.format() != QImage::Format_BGR888)
    image = QImage(width, height, QImage::Format_BGR888);
  return image;
}

// A display without a window.
class Image_Display final : public Frame_Display {
public:
  QImage& Frame_Image(int32_t width, int32_t height) override { return Keep_Frame_Image(image, width, height); }
  void Refresh() override { ++refreshes; }
  void Clear_Picture() override { image = QImage(); }

  QImage image;
  int32_t refreshes = 0;
};
