#include "recording/field_pictures.h"

#include "imaging/image_ops.h"

#include <algorithm>
#include <cstring>

bool Field_Picture_Reader::Open(const Recording_Layout& layout, QString& why) {
  decoded_frame_ = 0;
  decoded_ok_ = false;
  decodes_ = 0;
  failures_.clear();
  return reader_.Open(layout, why);
}

bool Field_Picture_Reader::Decode_Frame(int16_t frame) {
  if (frame == decoded_frame_) return decoded_ok_;
  decoded_frame_ = frame;
  decoded_ok_ = false;
  const Recording_Layout& layout = reader_.Layout();
  if (!reader_.Read(frame)) return false;
  ++decodes_;
  if (layout.jpeg) {
    const Jpeg_Size_Limit limit{layout.width, layout.height, int64_t{layout.width} * layout.height};
    QString why;
    decoded_ok_ = codec_.Decode_Quietly(frame_, reader_.Picture_Bytes(), reader_.Picture_Length(), limit, why);
    if (decoded_ok_ && (frame_.Width() != layout.width || frame_.Height() != layout.height)) {
      decoded_ok_ = false;
      why = QStringLiteral("its picture is %1 x %2 pixels, not the recording's %3 x %4")
                .arg(frame_.Width())
                .arg(frame_.Height())
                .arg(layout.width)
                .arg(layout.height);
    }
    if (!decoded_ok_ && std::none_of(failures_.begin(), failures_.end(),
                                     [frame](const Picture_Failure& f) { return f.frame == frame; }))
      failures_.push_back({frame, why});
    return decoded_ok_;
  }
  if (frame_.Width() != layout.width || frame_.Height() != layout.height) frame_.Create(layout.width, layout.height);
  if (frame_.Is_Empty() || frame_.SizeImage() > reader_.Picture_Length()) return false;
  std::memcpy(frame_.DIBSectionBitsPtr(), reader_.Picture_Bytes(), static_cast<size_t>(frame_.SizeImage()));
  decoded_ok_ = true;
  return true;
}

const cDIBSection* Field_Picture_Reader::Picture(int32_t column) {
  const Recording_Layout& layout = reader_.Layout();
  if (column < 0 || column >= layout.Columns()) return nullptr;
  const auto frame = static_cast<int16_t>(layout.interlaced ? column / 2 + 1 : column + 1);
  if (!Decode_Frame(frame)) return nullptr;
  const cDIBSection* picture = &frame_;
  if (layout.interlaced) {
    const int32_t field = column % 2 + 1;
    if (!deinterlaceFrame2(frame_, field_, Field_Selector(field))) return nullptr;
    picture = &field_;
  }
  if (!layout.rotated) return picture;
  return Rotate90(*picture, shown_) ? &shown_ : nullptr;
}
