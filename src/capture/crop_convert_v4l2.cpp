#include "capture/crop_convert_v4l2.h"

#include <linux/videodev2.h>

namespace {
// Below this interval (100 ns units) a source runs at 30 frames/s or more: a 60 Hz standard.
constexpr int64_t Sixty_Hz_Below = 370'000;
} // namespace

std::optional<Field_Order> Field_Order_From_V4l2(uint32_t field, int64_t interval_100ns, QString& error) {
  switch (field) {
  case V4L2_FIELD_ANY:
  case V4L2_FIELD_NONE: return Field_Order::Progressive;
  case V4L2_FIELD_TOP:
  case V4L2_FIELD_BOTTOM:
  case V4L2_FIELD_ALTERNATE:
    error = QStringLiteral("The camera sends each field as a picture of its own (half the lines, one after the "
                           "other), which cannot be recorded as whole frames. Choose a progressive format, or "
                           "set the camera or its capture device to deliver whole interlaced frames.");
    return std::nullopt;
  case V4L2_FIELD_INTERLACED_TB: return Field_Order::Interlaced_Top_First;
  case V4L2_FIELD_INTERLACED_BT: return Field_Order::Interlaced_Bottom_First;
  case V4L2_FIELD_INTERLACED:
    return interval_100ns > 0 && interval_100ns < Sixty_Hz_Below ? Field_Order::Interlaced_Bottom_First
                                                                 : Field_Order::Interlaced_Top_First;
  case V4L2_FIELD_SEQ_TB: return Field_Order::Sequential_Top_First;
  case V4L2_FIELD_SEQ_BT: return Field_Order::Sequential_Bottom_First;
  default: break;
  }
  error = QStringLiteral("The camera answers an unknown field layout (%1)").arg(field);
  return std::nullopt;
}

void Colour_From_V4l2(uint32_t colorspace, uint32_t ycbcr_enc, uint32_t quantization, Video_Format& format) {
  switch (ycbcr_enc) {
  case V4L2_YCBCR_ENC_601:
  case V4L2_YCBCR_ENC_XV601: format.yuv_matrix = Yuv_Matrix::BT601; break;
  case V4L2_YCBCR_ENC_709:
  case V4L2_YCBCR_ENC_XV709: format.yuv_matrix = Yuv_Matrix::BT709; break;
  default:
    // Only a colour space that names its matrix says anything; sRGB, the USB cameras' answer,
    // leaves it to the size.
    if (colorspace == V4L2_COLORSPACE_REC709)
      format.yuv_matrix = Yuv_Matrix::BT709;
    else if (colorspace == V4L2_COLORSPACE_SMPTE170M || colorspace == V4L2_COLORSPACE_470_SYSTEM_BG ||
             colorspace == V4L2_COLORSPACE_470_SYSTEM_M || colorspace == V4L2_COLORSPACE_JPEG)
      format.yuv_matrix = Yuv_Matrix::BT601;
    else
      format.yuv_matrix = Yuv_Matrix::By_Size;
    break;
  }
  format.full_range = quantization == V4L2_QUANTIZATION_FULL_RANGE ||
                      (quantization == V4L2_QUANTIZATION_DEFAULT && colorspace == V4L2_COLORSPACE_JPEG);
}
