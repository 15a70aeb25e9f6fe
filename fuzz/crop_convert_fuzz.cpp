// The crop cut out of a camera frame of arbitrary bytes, in every pixel format, with random
// frame sizes, strides, crop sizes and positions. A conversion that succeeds gives the same
// pixels as the whole frame converted and cut afterwards.
//
// Input: pixel format, frame width and height, stride, crop size and position, then the frame.
#include "fuzz_support.h"

#include "capture/crop_convert.h"
#include "imaging/dib_section.h"

#include <cstring>

namespace {

constexpr Pixel_Format formats[] = {Pixel_Format::BGR24_Bottom_Up,
                                    Pixel_Format::RGB24,
                                    Pixel_Format::BGR24,
                                    Pixel_Format::YUYV,
                                    Pixel_Format::UYVY,
                                    Pixel_Format::NV12,
                                    Pixel_Format::MJPEG};
// The whole frame is converted for comparison only when it is this small.
constexpr int64_t Compared_Pixels = 256 * 256;

bool Same_Pixels(const cDIBSection& crop, const cDIBSection& whole, int32_t x0, int32_t y0) {
  for (int32_t r = 0; r < crop.Height(); ++r)
    if (std::memcmp(crop.Row(r), whole.Row(y0 + r) + static_cast<size_t>(x0) * 3,
                    static_cast<size_t>(crop.Width()) * 3))
      return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::Start(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input(data, size);
  Video_Format format;
  format.pixel_format = formats[input.Byte() % std::size(formats)];
  format.width = input.Range(-2, 2000);
  format.height = input.Range(-2, 1100);
  // Mostly the format's own stride (0), sometimes any, padded or short.
  format.stride = input.Byte() < 200 ? 0 : input.Range(-4, 8000);
  const int32_t crop_width = input.Range(1, 96);
  const int32_t crop_height = input.Range(1, 96);
  const int32_t x0 = input.Range(-2, 2000);
  const int32_t y0 = input.Range(-2, 1100);
  const uint8_t* frame = input.Rest();
  const auto length = static_cast<int32_t>(input.Rest_Size());

  cDIBSection crop;
  fuzz::Check(crop.Create(crop_width, crop_height), "a small crop surface is made");
  Crop_Converter converter;
  QString error;
  const bool converted = converter.Convert(format, frame, length, x0, y0, crop, error);
  fuzz::Check(converted == error.isEmpty(), "a failed conversion says why, a good one nothing");
  if (!converted) return 0;
  fuzz::Check(x0 >= 0 && y0 >= 0 && x0 + crop_width <= format.width && y0 + crop_height <= format.height,
              "only a crop inside the frame converts");
  if (int64_t{format.width} * format.height > Compared_Pixels) return 0;
  cDIBSection whole;
  fuzz::Check(whole.Create(format.width, format.height), "the whole-frame surface is made");
  Crop_Converter other;
  QString whole_error;
  const bool whole_converted = other.Convert(format, frame, length, 0, 0, whole, whole_error);
  // A compressed frame damaged below the crop converts for the crop alone: its rows below are never read.
  if (format.pixel_format == Pixel_Format::MJPEG && !whole_converted) return 0;
  fuzz::Check(whole_converted, "the whole frame converts too");
  fuzz::Check(Same_Pixels(crop, whole, x0, y0), "the crop is the whole frame's pixels at its place");
  return 0;
}
