#include "imaging/dib_section.h"

#include "imaging/surface_painter.h"
#include "platform/error_report.h"
#include "platform/prompts.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

bool draw_in_progress = false;

// Clears the drawing flag however the draw ends.
class Drawing_Scope {
public:
  Drawing_Scope() { draw_in_progress = true; }
  ~Drawing_Scope() { draw_in_progress = false; }
  Drawing_Scope(const Drawing_Scope&) = delete;
  Drawing_Scope& operator=(const Drawing_Scope&) = delete;
};

QRect surface_rect(const cDIBSection& s) { return {0, 0, s.Width(), s.Height()}; }

// Rows are block copies; `area` lies inside the surface.
QImage top_down_copy(const cDIBSection& s, const QRect& area) {
  QImage image(area.width(), area.height(), QImage::Format_BGR888);
  if (image.isNull()) throw std::bad_alloc();
  const auto row_bytes = static_cast<size_t>(area.width()) * 3;
  for (int j = 0; j < area.height(); ++j)
    std::memcpy(image.scanLine(j), s.Row(area.top() + j) + 3 * area.left(), row_bytes);
  return image;
}

// An unscaled copy into an image of the surface's byte order, clipped to both.
void copy_into_image(const cDIBSection& s, QImage& target, QPoint at, QRect source) {
  const QRect wanted = QRect(at, source.size()).intersected(target.rect());
  const QRect from = QRect(source.topLeft() + (wanted.topLeft() - at), wanted.size()).intersected(surface_rect(s));
  if (from.isEmpty()) return;
  const QPoint to = at + (from.topLeft() - source.topLeft());
  const auto row_bytes = static_cast<size_t>(from.width()) * 3;
  for (int j = 0; j < from.height(); ++j)
    std::memcpy(target.scanLine(to.y() + j) + 3 * to.x(), s.Row(from.top() + j) + 3 * from.left(), row_bytes);
}

// The source rectangle (which may reach past the surface) mapped onto the target rectangle;
// only the part that lies on the surface is drawn, at the place it would have had.
void draw_scaled(const cDIBSection& s, QPainter& painter, const QRectF& target, const QRect& source,
                 QPainter::CompositionMode op) {
  if (source.width() <= 0 || source.height() <= 0 || target.isEmpty()) return;
  const QRect on_surface = source.intersected(surface_rect(s));
  if (on_surface.isEmpty()) return;
  const double kx = target.width() / source.width();
  const double ky = target.height() / source.height();
  const QRectF placed(target.left() + (on_surface.left() - source.left()) * kx,
                      target.top() + (on_surface.top() - source.top()) * ky, on_surface.width() * kx,
                      on_surface.height() * ky);
  painter.save();
  painter.setCompositionMode(op);
  painter.drawImage(placed, top_down_copy(s, on_surface));
  painter.restore();
}

void draw_on_device(const cDIBSection& s, QPaintDevice& device, const QRect& target, const QRect& source,
                    QPainter::CompositionMode op) {
  if (s.Is_Empty() || source.width() <= 0 || source.height() <= 0) return;
  if (device.devType() == QInternal::Image && op == QPainter::CompositionMode_Source &&
      target.size() == source.size()) {
    auto& image = static_cast<QImage&>(device);
    if (image.format() == QImage::Format_BGR888) {
      copy_into_image(s, image, target.topLeft(), source);
      return;
    }
  }
  QPainter painter(&device);
  if (!painter.isActive()) throw Dora_Error(5, QStringLiteral("The target cannot be drawn on"));
  draw_scaled(s, painter, target, source, op);
}

int32_t or_own(int32_t requested, int32_t own) { return requested < 0 ? own : requested; }

} // namespace

QRect Inner_Area(const QPaintDevice& box, const QRect& inner) {
  return inner.isValid() ? inner : QRect(0, 0, box.width(), box.height());
}

bool cDIBSection::Create(int32_t width, int32_t height) {
  const bool draw_dib = use_draw_dib_;
  ClearUp();
  use_draw_dib_ = draw_dib;
  width_ = width;
  height_ = height;
  header_ = Bitmap_Info_Header{};
  header_.biWidth = width;
  header_.biHeight = height;
  // 24-bit rows of more than INT32_MAX bytes cannot be addressed by the 32-bit size fields.
  if (width <= 0 || height <= 0 || width > (std::numeric_limits<int32_t>::max() - 3) / 3 ||
      static_cast<int64_t>(Bytes_Per_Scan_Line_For(width)) * height > std::numeric_limits<int32_t>::max())
    return false;
  header_.biSizeImage = static_cast<uint32_t>(SizeImage());
  bits_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(SizeImage())]);
  if (!bits_) return false;
  std::memset(bits_.get(), 0, static_cast<size_t>(SizeImage()));
  return true;
}

bool cDIBSection::CreateFromPicture(const QImage& picture) {
  if (picture.isNull()) {
    ClearUp();
    return false;
  }
  if (!Create(picture.width(), picture.height())) return false;
  LoadPictureBlt(picture, 0, 0, -1, -1);
  return true;
}

void cDIBSection::ClearUp() {
  bits_.reset();
  use_draw_dib_ = false;
}

void cDIBSection::Fill_with_RGB(uint32_t colour) {
  if (!bits_) return;
  const uint8_t red = colour & 0xFFU;
  const uint8_t green = (colour >> 8U) & 0xFFU;
  const uint8_t blue = (colour >> 16U) & 0xFFU;
  uint8_t* first = Row(0);
  uint8_t* p = first;
  for (int32_t x = 0; x < width_; ++x, p += 3) {
    p[0] = blue;
    p[1] = green;
    p[2] = red;
  }
  for (int32_t y = 1; y < height_; ++y)
    std::memcpy(Row(y), first, static_cast<size_t>(width_) * 3);
}

void cDIBSection::LoadPictureBlt(const QImage& source, int32_t source_left, int32_t source_top, int32_t source_width,
                                 int32_t source_height, QPainter::CompositionMode op) {
  if (!bits_ || source.isNull()) return;
  const QRect wanted(source_left, source_top, or_own(source_width, width_), or_own(source_height, height_));
  // The wanted rectangle's corner lands on (0, 0); what falls off either picture is skipped.
  QRect from = wanted.intersected(source.rect());
  from = from.intersected(surface_rect(*this).translated(wanted.topLeft()));
  if (from.isEmpty()) return;
  const QPoint to = from.topLeft() - wanted.topLeft();
  if (op != QPainter::CompositionMode_Source) {
    Surface_Painter painter(*this);
    painter->setCompositionMode(op);
    painter->drawImage(to, source, from);
    return;
  }
  QImage converted;
  const QImage* rows = &source;
  QPoint origin = from.topLeft();
  if (source.format() != QImage::Format_BGR888) {
    converted = source.copy(from).convertToFormat(QImage::Format_BGR888);
    if (converted.isNull()) return;
    rows = &converted;
    origin = {0, 0};
  }
  const auto row_bytes = static_cast<size_t>(from.width()) * 3;
  for (int j = 0; j < from.height(); ++j)
    std::memcpy(Row(to.y() + j) + 3 * to.x(), rows->constScanLine(origin.y() + j) + 3 * origin.x(), row_bytes);
}

void cDIBSection::PaintPicture(QPaintDevice& target, int32_t left, int32_t top, int32_t width, int32_t height,
                               int32_t source_left, int32_t source_top, QPainter::CompositionMode op) const {
  const QSize size(or_own(width, width_), or_own(height, height_));
  draw_on_device(*this, target, QRect(QPoint(left, top), size), QRect(QPoint(source_left, source_top), size), op);
}

void cDIBSection::PaintPicture(QPainter& target, int32_t left, int32_t top, int32_t width, int32_t height,
                               int32_t source_left, int32_t source_top, QPainter::CompositionMode op) const {
  if (!bits_) return;
  const QSize size(or_own(width, width_), or_own(height, height_));
  draw_scaled(*this, target, QRectF(QPoint(left, top), size), QRect(QPoint(source_left, source_top), size), op);
}

void cDIBSection::DIB_PaintPicture(QPaintDevice& target, int32_t left, int32_t top, int32_t width, int32_t height,
                                   int32_t source_left, int32_t source_top, QPainter::CompositionMode op) {
  try {
    use_draw_dib_ = true;
    const QRect to(left, top, or_own(width, width_), or_own(height, height_));
    draw_on_device(*this, target, to, QRect(source_left, source_top, width_, height_), op);
  } catch (...) {
    Msg_Box(QStringLiteral("DIB_paintpicture error"));
  }
}

void cDIBSection::StretchPicture(QPaintDevice& box, const QRect& inner) const {
  try {
    draw_on_device(*this, box, Inner_Area(box, inner), surface_rect(*this), QPainter::CompositionMode_Source);
  } catch (...) {
    report_current_exception(1, QStringLiteral("StretchPicture of Class Module cDIBSection"));
  }
}

void cDIBSection::DIB_DrawDib(QPaintDevice& box, const QRect& inner) {
  try {
    use_draw_dib_ = true;
    draw_on_device(*this, box, Inner_Area(box, inner), surface_rect(*this), QPainter::CompositionMode_Source);
  } catch (...) {
    report_current_exception(1, QStringLiteral("DIB_DrawDib of Class Module cDIBSection"));
  }
}

void cDIBSection::DIB_DrawDib2(QPaintDevice& box, int16_t source_top, int16_t source_left, int16_t source_width,
                               int16_t source_height, const QRect& inner) {
  if (draw_in_progress) return;
  int32_t step = 1;
  try {
    const Drawing_Scope scope;
    use_draw_dib_ = true;
    step = 2;
    draw_on_device(*this, box, Inner_Area(box, inner), QRect(source_left, source_top, source_width, source_height),
                   QPainter::CompositionMode_Source);
  } catch (...) {
    report_current_exception(step, QStringLiteral("DIB_DrawDib2 of Class Module cDIBSection"));
  }
}

bool cDIBSection::Drawing_In_Progress() { return draw_in_progress; }

QImage cDIBSection::To_QImage() const {
  if (!bits_) return {};
  try {
    return top_down_copy(*this, surface_rect(*this));
  } catch (const std::bad_alloc&) {
    return {};
  }
}
