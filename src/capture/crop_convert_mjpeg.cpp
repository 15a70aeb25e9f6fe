// MJPEG frames through libjpeg-turbo's libjpeg interface: the rows above the crop are skipped
// without being decoded in full, the columns are cut to the iMCUs the crop touches, and the
// rows below it are never read.
#include "capture/crop_convert.h"
#include "imaging/dib_section.h"
#include "recording/jpeg_codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace {

struct Error_Manager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int warnings;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void Jpeg_Error_Exit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<Error_Manager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

extern "C" void Jpeg_Emit_Message(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<Error_Manager*>(cinfo->err);
  if (level < 0 && err->warnings++ == 0) (*cinfo->err->format_message)(cinfo, err->message);
}

enum class Outcome { Ok, Damaged, Wrong_Size, Not_Fit };

// Plain data only between setjmp and longjmp: no object here has a destructor to skip.
Outcome Decode_Rows(jpeg_decompress_struct* cinfo, Error_Manager* err, const uint8_t* data, unsigned long length,
                    int32_t frame_width, int32_t frame_height, int32_t x0, int32_t y0, uint8_t* row_buffer,
                    size_t row_buffer_size, cDIBSection* into) {
  if (setjmp(err->jump)) {
    jpeg_abort_decompress(cinfo);
    return Outcome::Damaged;
  }
  err->warnings = 0;
  err->message[0] = 0;
  jpeg_mem_src(cinfo, data, length);
  jpeg_read_header(cinfo, TRUE);
  if (static_cast<int64_t>(cinfo->image_width) != frame_width ||
      static_cast<int64_t>(cinfo->image_height) != frame_height) {
    jpeg_abort_decompress(cinfo);
    return Outcome::Wrong_Size;
  }
  cinfo->out_color_space = JCS_EXT_BGR;
  // The smoothing upsampler's rows of a column-cut decode are not always those of the whole
  // decode (found on damaged frames); replicated chroma gives the same pixels either way.
  cinfo->do_fancy_upsampling = FALSE;
  jpeg_start_decompress(cinfo);
  // One column more on each side where the picture has it: the upsampling treats the decoded
  // span's edges as the picture's, so the crop's own edge columns must lie inside the span.
  const int32_t want_left = x0 > 0 ? x0 - 1 : 0;
  const int32_t want_right = std::min(x0 + into->Width() + 1, frame_width);
  JDIMENSION left = static_cast<JDIMENSION>(want_left);
  JDIMENSION width = static_cast<JDIMENSION>(want_right - want_left);
  jpeg_crop_scanline(cinfo, &left, &width);
  const size_t needed = static_cast<size_t>(cinfo->output_width) * static_cast<size_t>(cinfo->output_components);
  if (cinfo->output_components != 3 || needed > row_buffer_size || left > static_cast<JDIMENSION>(x0)) {
    jpeg_abort_decompress(cinfo);
    return Outcome::Not_Fit;
  }
  if (y0 > 0 && jpeg_skip_scanlines(cinfo, static_cast<JDIMENSION>(y0)) != static_cast<JDIMENSION>(y0)) {
    jpeg_abort_decompress(cinfo);
    return Outcome::Damaged;
  }
  const size_t offset = (static_cast<size_t>(x0) - left) * 3;
  const size_t bytes = static_cast<size_t>(into->Width()) * 3;
  for (int32_t r = 0; r < into->Height(); ++r) {
    JSAMPROW row = row_buffer;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
      jpeg_abort_decompress(cinfo);
      return Outcome::Damaged;
    }
    std::memcpy(into->Row(r), row_buffer + offset, bytes);
  }
  // The rows below the crop are not wanted.
  jpeg_abort_decompress(cinfo);
  return err->warnings > 0 ? Outcome::Damaged : Outcome::Ok;
}

} // namespace

struct Crop_Converter::Jpeg {
  jpeg_decompress_struct cinfo{};
  Error_Manager err{};
  std::vector<uint8_t> row;

  Jpeg() {
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = Jpeg_Error_Exit;
    err.pub.emit_message = Jpeg_Emit_Message;
    jpeg_create_decompress(&cinfo);
  }
  ~Jpeg() { jpeg_destroy_decompress(&cinfo); }
  Jpeg(const Jpeg&) = delete;
  Jpeg& operator=(const Jpeg&) = delete;
};

Crop_Converter::Crop_Converter() = default;
Crop_Converter::~Crop_Converter() = default;

bool Crop_Converter::Convert_Mjpeg(const Video_Format& format, const uint8_t* data, int32_t length, int32_t x0,
                                   int32_t y0, cDIBSection& into, QString& error) {
  if (format.width > Jpeg_Max_Side || format.height > Jpeg_Max_Side) {
    error = QStringLiteral("Frame size %1 x %2 is beyond what is decoded").arg(format.width).arg(format.height);
    return false;
  }
  if (!jpeg_) jpeg_ = std::make_unique<Jpeg>();
  // Cropping widens the decoded span to whole iMCUs (at most 32 pixels each) on both sides.
  const size_t row_size = (static_cast<size_t>(into.Width()) + 96) * 3;
  if (jpeg_->row.size() < row_size) jpeg_->row.resize(row_size);
  const Outcome outcome = Decode_Rows(&jpeg_->cinfo, &jpeg_->err, data, static_cast<unsigned long>(length),
                                      format.width, format.height, x0, y0, jpeg_->row.data(), jpeg_->row.size(), &into);
  switch (outcome) {
  case Outcome::Ok: return true;
  case Outcome::Wrong_Size:
    error = QStringLiteral("MJPEG frame is %1 x %2, not the format's %3 x %4")
                .arg(jpeg_->cinfo.image_width)
                .arg(jpeg_->cinfo.image_height)
                .arg(format.width)
                .arg(format.height);
    return false;
  case Outcome::Not_Fit: error = QStringLiteral("MJPEG frame cannot be cut to the crop"); return false;
  case Outcome::Damaged:
    error = QStringLiteral("Damaged MJPEG frame: ") + QString::fromLatin1(jpeg_->err.message);
    return false;
  }
  return false;
}
