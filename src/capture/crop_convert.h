#pragma once
// Cutting the crop out of a delivered frame: only the crop's pixels are converted, into the
// system's 24-bit bottom-up surface.
#include "capture/capture_component.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class cDIBSection;

// The matrix a YUV format of `format` is converted with: what the driver said, else by size.
Yuv_Matrix Resolved_Matrix(const Video_Format& format);

// Keeps the decoder state that MJPEG frames reuse from frame to frame.
class Crop_Converter {
public:
  Crop_Converter();
  ~Crop_Converter();
  Crop_Converter(const Crop_Converter&) = delete;
  Crop_Converter& operator=(const Crop_Converter&) = delete;

  // Converts the rectangle at (x0, y0), counted from the top-left of the picture as the camera
  // sees it, of the size of `into`, out of one frame of `format` held in `length` bytes. The
  // rectangle must lie inside the frame. False, with the reason in `error`, when the frame is
  // shorter than its format says, the rectangle does not fit or a compressed frame is damaged;
  // the surface may then hold part of a picture. Never reads outside `data`.
  bool Convert(const Video_Format& format, const uint8_t* data, int32_t length, int32_t x0, int32_t y0,
               cDIBSection& into, QString& error);

private:
  bool Convert_Mjpeg(const Video_Format& format, const uint8_t* data, int32_t length, int32_t x0, int32_t y0,
                     cDIBSection& into, QString& error);

  struct Jpeg;
  std::unique_ptr<Jpeg> jpeg_;
  std::vector<uint8_t> planes_;  // one row of packed 4:2:2 as blue, green, red, alpha
  std::vector<uint8_t> scratch_; // a converted row that starts one pixel early
};
