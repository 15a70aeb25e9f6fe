#include "recording/jpeg_region.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

struct Error_Manager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int warnings;
};

extern "C" void Region_Error_Exit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<Error_Manager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

extern "C" void Region_Emit_Message(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<Error_Manager*>(cinfo->err);
  if (level < 0) ++err->warnings;
}

struct Region {
  int32_t left, top, right, bottom;
};

// What the decode made: the span of columns and the rows, or why not.
struct Span {
  Jpeg_Region_Decoder::Outcome outcome = Jpeg_Region_Decoder::Outcome::Damaged;
  int32_t left = 0;
  int32_t width = 0;
};

// Plain data only between setjmp and longjmp: nothing here has a destructor to skip. The rows go
// into `rows`, which the caller sized for the whole picture width times the region's height, one
// after the other at the span's own width (`stride` tells it), so they lie close together.
Span Decode_Rows(jpeg_decompress_struct* cinfo, Error_Manager* err, const uint8_t* data, unsigned long length,
                 int32_t width, int32_t height, Region r, uint8_t* rows, size_t capacity, size_t* stride) {
  Span span;
  if (setjmp(err->jump)) {
    jpeg_abort_decompress(cinfo);
    span.outcome = Jpeg_Region_Decoder::Outcome::Damaged;
    return span;
  }
  err->warnings = 0;
  jpeg_mem_src(cinfo, data, length);
  jpeg_read_header(cinfo, TRUE);
  if (static_cast<int64_t>(cinfo->image_width) != width || static_cast<int64_t>(cinfo->image_height) != height) {
    jpeg_abort_decompress(cinfo);
    span.outcome = Jpeg_Region_Decoder::Outcome::Wrong_Size;
    return span;
  }
  cinfo->out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(cinfo);
  // One column more on each side where the picture has it: the upsampling takes the span's edges
  // for the picture's, so the region's own edge columns must lie inside the span.
  const int32_t want_left = std::max(r.left - 1, 0);
  const int32_t want_right = std::min(r.right + 2, width);
  JDIMENSION left = static_cast<JDIMENSION>(want_left);
  JDIMENSION span_width = static_cast<JDIMENSION>(want_right - want_left);
  jpeg_crop_scanline(cinfo, &left, &span_width);
  *stride = static_cast<size_t>(cinfo->output_width) * 3;
  if (cinfo->output_components != 3 || *stride * static_cast<size_t>(r.bottom - r.top + 1) > capacity ||
      static_cast<int32_t>(left) > r.left || static_cast<int32_t>(left + span_width) <= r.right) {
    jpeg_abort_decompress(cinfo);
    span.outcome = Jpeg_Region_Decoder::Outcome::Damaged;
    return span;
  }
  if (r.top > 0 && jpeg_skip_scanlines(cinfo, static_cast<JDIMENSION>(r.top)) != static_cast<JDIMENSION>(r.top)) {
    jpeg_abort_decompress(cinfo);
    return span;
  }
  for (int32_t y = r.top; y <= r.bottom; ++y) {
    JSAMPROW row = rows + static_cast<size_t>(y - r.top) * *stride;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
      jpeg_abort_decompress(cinfo);
      return span;
    }
  }
  // The rows below the region are not wanted.
  jpeg_abort_decompress(cinfo);
  span.left = static_cast<int32_t>(left);
  span.width = static_cast<int32_t>(span_width);
  span.outcome = err->warnings > 0 ? Jpeg_Region_Decoder::Outcome::Damaged : Jpeg_Region_Decoder::Outcome::Ok;
  return span;
}

} // namespace

struct Jpeg_Region_Decoder::Jpeg {
  jpeg_decompress_struct cinfo{};
  Error_Manager err{};

  Jpeg() {
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = Region_Error_Exit;
    err.pub.emit_message = Region_Emit_Message;
    jpeg_create_decompress(&cinfo);
  }
  ~Jpeg() { jpeg_destroy_decompress(&cinfo); }
  Jpeg(const Jpeg&) = delete;
  Jpeg& operator=(const Jpeg&) = delete;
};

Jpeg_Region_Decoder::Jpeg_Region_Decoder() : jpeg_(std::make_unique<Jpeg>()) {}
Jpeg_Region_Decoder::~Jpeg_Region_Decoder() = default;

Jpeg_Region_Decoder::Outcome Jpeg_Region_Decoder::Decode(const uint8_t* jpeg, int32_t length, int32_t width,
                                                         int32_t height, int32_t left, int32_t top, int32_t right,
                                                         int32_t bottom) {
  if (!jpeg || length <= 0 || width <= 0 || height <= 0 || left < 0 || top < 0 || right < left || bottom < top ||
      right >= width || bottom >= height)
    return Outcome::Bad_Region;
  // A span never exceeds the picture's width, and the caller bounds the picture.
  const size_t needed = static_cast<size_t>(width) * 3 * static_cast<size_t>(bottom - top + 1);
  if (rows_.size() < needed) rows_.resize(needed);
  stride_ = 0;
  const Span span = Decode_Rows(&jpeg_->cinfo, &jpeg_->err, jpeg, static_cast<unsigned long>(length), width, height,
                                Region{left, top, right, bottom}, rows_.data(), rows_.size(), &stride_);
  top_ = top;
  span_left_ = span.width > 0 ? span.left : left;
  span_width_ = span.width;
  return span.outcome;
}
