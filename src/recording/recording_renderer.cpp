#include "recording/recording_renderer.h"

#include "imaging/dib_section.h"
#include "imaging/image_ops.h"
#include "platform/error_report.h"
#include "platform/event_log.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "recording/frame_display.h"
#include "recording/recording_file.h"
#include "recording/recording_reader.h"

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

Recording_Renderer::Recording_Renderer(const Recording_File& recording, Recording_Reader& reader)
    : recording_(recording), reader_(reader) {}

void Recording_Renderer::Draw_Current_RGB_frame(Frame_Display& box) {
  cDIBSection& decoded = reader_.Decode_Surface();
  if (decoded.Is_Empty()) return; // nothing decoded yet: the previous picture stays
  if (reader_.Rotated()) {
    Fit_Unsized_Turn(decoded);
    cDIBSection& turned = reader_.Rotate_Surface();
    if (!Turn_Fits(decoded, turned)) {
      Msg_Box(QStringLiteral("Draw_Current_RGB_frame rotate size mismatch!"));
      return;
    }
    Rotate90(decoded.DIBSectionBitsPtr(), turned.DIBSectionBitsPtr(), decoded.Width(), decoded.Height(), 0);
    Draw_Surface(turned, box);
  } else {
    Draw_Surface(decoded, box);
  }
  box.Refresh();
}

void Recording_Renderer::Fit_Unsized_Turn(const cDIBSection& source) {
  // A recording whose header names no picture size has its size from its pictures; otherwise
  // the turn surface would never fit and every step would show the mismatch message.
  cDIBSection& turned = reader_.Rotate_Surface();
  if ((reader_.Width() <= 0 || reader_.Height() <= 0) && !source.Is_Empty() && !Turn_Fits(source, turned))
    turned.Create(source.Height(), source.Width());
}

void Recording_Renderer::Draw_Current_Field(Frame_Display& box) {
  cDIBSection& field = reader_.Field_Surface();
  if (reader_.Rotated()) {
    Fit_Unsized_Turn(field);
    cDIBSection& turned = reader_.Rotate_Surface();
    if (!Turn_Fits(field, turned)) {
      Msg_Box(QStringLiteral("Draw_Current_Field rotate size mismatch!"));
      return;
    }
    Rotate90(field.DIBSectionBitsPtr(), turned.DIBSectionBitsPtr(), field.Width(), field.Height(), 0);
    Draw_Surface(turned, box);
  } else {
    Draw_Surface(field, box);
  }
}

void Recording_Renderer::Draw_RGB_frame(int16_t frame, Frame_Display& box) {
  int32_t step = 10;
  try {
    reader_.Read_RGB_sample(frame, true);
    if (reader_.Read_error()) return;
    step = 20;
    Draw_Current_RGB_frame(box);
    reader_.Note_Frame_Shown(frame);
  } catch (...) {
    report_current_exception(step, QStringLiteral("Draw_RGB_frame") + render_location);
  }
}

void Recording_Renderer::Draw_RGB_Field(int32_t field, Frame_Display& box) {
  int32_t step = 10;
  try {
    reader_.Read_RGB_sample(Field_To_Frame(field).frame, true);
    if (reader_.Read_error()) return;
    step = 20;
    // Which field to show decides the selector, so the bookkeeping comes first.
    reader_.Note_Field_Shown(field);
    cDIBSection& decoded = reader_.Decode_Surface();
    cDIBSection& fields = reader_.Field_Surface();
    if (decoded.Is_Empty()) return;
    if (fields.Width() != decoded.Width() || fields.Height() != decoded.Height()) {
      step = 30;
      fields.Create(decoded.Width(), decoded.Height());
      const QString text = QStringLiteral("Deinterlace, size mismatch for file = ") + recording_.Name();
      Log_Event(text);
      Trace_Message(text);
      if (On_Size_Mismatch) On_Size_Mismatch();
    }
    if (fields.Is_Empty() || fields.SizeImage() != decoded.SizeImage()) {
      Msg_Box(QStringLiteral(" Draw_RFB_field deinterlaceFrame2 size mismatch!"));
      return;
    }
    step = 40;
    deinterlaceFrame2(decoded.DIBSectionBitsPtr(), fields.DIBSectionBitsPtr(), decoded.Width(), decoded.Height(),
                      Field_Selector(reader_.Field_To_Show()));
    step = 50;
    Draw_Current_Field(box);
    box.Refresh();
  } catch (...) {
    report_current_exception(step, QStringLiteral("Draw_RGB_Field") + render_location);
  }
}
