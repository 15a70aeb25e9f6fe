// Turning the decoded picture into what the operator sees: one field at full height for
// interlaced recordings, a quarter turn for rotated ones, copied into the display's image.
#include "recording/video_file_handler.h"

#include "imaging/image_ops.h"
#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "platform/event_log.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "recording/frame_display.h"

#include <algorithm>
#include <cstring>

namespace {

const QString render_location = QStringLiteral(" of Class Module Class_RGB_file_handler");

// The surface at its own size into the display's image: one row copy per picture row, as the
// display's image has the surface's pixel layout turned top-down.
void Draw_Surface(const cDIBSection& surface, Frame_Display& box) {
  if (surface.Is_Empty()) return;
  QImage& image = box.Frame_Image(surface.Width(), surface.Height());
  if (image.isNull()) throw Dora_Error(7, QStringLiteral("Out of memory for the picture"));
  uchar* target = image.bits(); // detaches only when somebody else holds the same image
  const qsizetype line = image.bytesPerLine();
  const auto row_bytes = static_cast<size_t>(surface.Width()) * 3;
  for (int32_t y = 0; y < surface.Height(); ++y)
    std::memcpy(target + y * line, surface.Row(y), row_bytes);
}

// The turned picture must be the source's height wide and its width high. (Comparing the byte
// counts instead would refuse every width that is not a multiple of four, where the two
// surfaces pad their rows differently.)
bool Turn_Fits(const cDIBSection& source, const cDIBSection& turned) {
  return !source.Is_Empty() && turned.Width() == source.Height() && turned.Height() == source.Width();
}

} // namespace

void cls_VideoFile_handler::Draw_Current_RGB_frame(Frame_Display& box) {
  if (decode_dib_.Is_Empty()) return; // nothing decoded yet: the previous picture stays
  if (rotated_) {
    Fit_Unsized_Turn(decode_dib_);
    if (!Turn_Fits(decode_dib_, rotate_dib_)) {
      Msg_Box(QStringLiteral("Draw_Current_RGB_frame rotate size mismatch!"));
      return;
    }
    Rotate90(decode_dib_.DIBSectionBitsPtr(), rotate_dib_.DIBSectionBitsPtr(), decode_dib_.Width(),
             decode_dib_.Height(), 0);
    Draw_Surface(rotate_dib_, box);
  } else {
    Draw_Surface(decode_dib_, box);
  }
  box.Refresh();
}

void cls_VideoFile_handler::Fit_Unsized_Turn(const cDIBSection& source) {
  // A recording whose header names no picture size has its size from its pictures; otherwise
  // the turn surface would never fit and every step would show the mismatch message.
  if ((width_ <= 0 || height_ <= 0) && !source.Is_Empty() && !Turn_Fits(source, rotate_dib_))
    rotate_dib_.Create(source.Height(), source.Width());
}

void cls_VideoFile_handler::Draw_Current_Field(Frame_Display& box) {
  if (rotated_) {
    Fit_Unsized_Turn(field_dib_);
    if (!Turn_Fits(field_dib_, rotate_dib_)) {
      Msg_Box(QStringLiteral("Draw_Current_Field rotate size mismatch!"));
      return;
    }
    Rotate90(field_dib_.DIBSectionBitsPtr(), rotate_dib_.DIBSectionBitsPtr(), field_dib_.Width(), field_dib_.Height(),
             0);
    Draw_Surface(rotate_dib_, box);
  } else {
    Draw_Surface(field_dib_, box);
  }
}

void cls_VideoFile_handler::Draw_RGB_frame(int16_t frame, Frame_Display& box) {
  int32_t step = 10;
  try {
    Read_RGB_sample(frame, true);
    if (read_error_) return;
    step = 20;
    Draw_Current_RGB_frame(box);
    Note_Frame_Shown(frame);
  } catch (...) {
    report_current_exception(step, QStringLiteral("Draw_RGB_frame") + render_location);
  }
}

void cls_VideoFile_handler::Draw_RGB_Field(int32_t field, Frame_Display& box) {
  int32_t step = 10;
  try {
    Read_RGB_sample(Field_To_Frame(field).frame, true);
    if (read_error_) return;
    step = 20;
    // Which field to show decides the selector, so the bookkeeping comes first.
    Note_Field_Shown(field);
    if (decode_dib_.Is_Empty()) return;
    if (field_dib_.Width() != decode_dib_.Width() || field_dib_.Height() != decode_dib_.Height()) {
      step = 30;
      field_dib_.Create(decode_dib_.Width(), decode_dib_.Height());
      const QString text = QStringLiteral("Deinterlace, size mismatch for file = ") + file_name_;
      Log_Event(text);
      Trace_Message(text);
      if (On_Size_Mismatch) On_Size_Mismatch();
    }
    if (field_dib_.Is_Empty() || field_dib_.SizeImage() != decode_dib_.SizeImage()) {
      Msg_Box(QStringLiteral(" Draw_RFB_field deinterlaceFrame2 size mismatch!"));
      return;
    }
    step = 40;
    deinterlaceFrame2(decode_dib_.DIBSectionBitsPtr(), field_dib_.DIBSectionBitsPtr(), decode_dib_.Width(),
                      decode_dib_.Height(), Field_Selector(field_to_show_));
    step = 50;
    Draw_Current_Field(box);
    box.Refresh();
  } catch (...) {
    report_current_exception(step, QStringLiteral("Draw_RGB_Field") + render_location);
  }
}

int16_t cls_VideoFile_handler::Num_Video_streams() const {
  if (!File_open()) return 0;
  try {
    bool ok = false;
    const int value = header_->Streams_no().trimmed().toInt(&ok);
    // Every recording this program writes holds one stream; a missing count means that one.
    if (!ok || value < 1) return 1;
    return static_cast<int16_t>(std::min(value, int{INT16_MAX}));
  } catch (const std::exception&) {
    return 1;
  }
}
