#pragma once
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdint>
#include <memory>

class QPaintDevice;

// The header that describes a surface's bits, field for field as the bitmap file header block.
struct Bitmap_Info_Header {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0; // positive: rows bottom-up
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 24;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// The in-memory picture: 24-bit, rows bottom-up (the first row in memory is the bottom
// picture row), pixels blue, green, red, each row padded to a multiple of 4 bytes.
// Pixel (x, y), y = 0 at the top, is at (Height - 1 - y) * BytesPerScanLine + 3 * x.
class cDIBSection {
public:
  cDIBSection() = default;
  ~cDIBSection() = default;
  cDIBSection(const cDIBSection&) = delete;
  cDIBSection& operator=(const cDIBSection&) = delete;
  cDIBSection(cDIBSection&&) noexcept = default;
  cDIBSection& operator=(cDIBSection&&) noexcept = default;

  // Releases the previous bitmap first. False (and an empty surface) when width or height is
  // not positive or the memory cannot be had. UseDrawDib survives.
  bool Create(int32_t width, int32_t height);
  // A surface of the picture's size holding a copy of it; false (empty surface) for a null picture.
  bool CreateFromPicture(const QImage& picture);
  void ClearUp();
  bool Is_Empty() const { return !bits_; }

  // Saturates instead of overflowing for widths no surface can have; 0 for none.
  static int32_t Bytes_Per_Scan_Line_For(int32_t width) {
    if (width <= 0) return 0;
    const int64_t bytes = (static_cast<int64_t>(width) * 3 + 3) & ~int64_t{3};
    return bytes > INT32_MAX ? INT32_MAX : static_cast<int32_t>(bytes);
  }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BytesPerScanLine() const { return Bytes_Per_Scan_Line_For(width_); }
  int32_t SizeImage() const {
    const int64_t bytes = static_cast<int64_t>(height_) * BytesPerScanLine();
    if (bytes <= 0) return 0;
    return bytes > INT32_MAX ? INT32_MAX : static_cast<int32_t>(bytes);
  }
  int32_t BitCount() const { return 24; }
  int32_t Planes() const { return 1; }
  int32_t Compression() const { return 0; }
  int32_t SizeInfoHeader() const { return 40; }
  int32_t ClrImportant() const { return 0; }
  int32_t ClrUsed() const { return 0; }
  int32_t XPelsPerMeter() const { return 0; }
  int32_t YPelsPerMeter() const { return 0; }
  // The header of the surface as created (or as last requested, when Create failed).
  const Bitmap_Info_Header* pBitmapInfo() const { return &header_; }
  const Bitmap_Info_Header* Addr_InfoHeader() const { return &header_; }

  uint8_t* DIBSectionBitsPtr() { return bits_.get(); }
  const uint8_t* DIBSectionBitsPtr() const { return bits_.get(); }
  // Start of picture row y (y = 0 at the top).
  uint8_t* Row(int32_t y) { return bits_.get() + static_cast<std::ptrdiff_t>(height_ - 1 - y) * BytesPerScanLine(); }
  const uint8_t* Row(int32_t y) const {
    return bits_.get() + static_cast<std::ptrdiff_t>(height_ - 1 - y) * BytesPerScanLine();
  }

  // Colour with red in the low byte, green next, blue in the third.
  void Fill_with_RGB(uint32_t colour);

  // Scaled drawing is always at hand; the flag only records what the owner asked for, and
  // like the original handle it survives re-creation and is dropped by ClearUp.
  bool UseDrawDib() const { return use_draw_dib_; }
  void set_UseDrawDib(bool on) { use_draw_dib_ = on; }

  // Copies from the source picture into the surface at (0, 0); a negative width or height
  // means the surface's own. Parts outside either picture are left alone.
  void LoadPictureBlt(const QImage& source, int32_t source_left, int32_t source_top, int32_t source_width,
                      int32_t source_height, QPainter::CompositionMode op = QPainter::CompositionMode_Source);
  // Unscaled copy of the surface from (source_left, source_top) to (left, top) of the target;
  // negative width or height means the surface's.
  void PaintPicture(QPaintDevice& target, int32_t left, int32_t top, int32_t width, int32_t height,
                    int32_t source_left = 0, int32_t source_top = 0,
                    QPainter::CompositionMode op = QPainter::CompositionMode_Source) const;
  void PaintPicture(QPainter& target, int32_t left, int32_t top, int32_t width, int32_t height, int32_t source_left = 0,
                    int32_t source_top = 0, QPainter::CompositionMode op = QPainter::CompositionMode_Source) const;
  // The surface from the source position, at its own size, scaled into the target rectangle
  // (negative width or height: the surface's). Shows "DIB_paintpicture error" on a failure.
  void DIB_PaintPicture(QPaintDevice& target, int32_t left, int32_t top, int32_t width, int32_t height,
                        int32_t source_left = 0, int32_t source_top = 0,
                        QPainter::CompositionMode op = QPainter::CompositionMode_Source);
  // The whole surface stretched into the box's inner area: `inner` when given (a framed
  // window's contents), else the whole device.
  void StretchPicture(QPaintDevice& box, const QRect& inner = {}) const;
  void DIB_DrawDib(QPaintDevice& box, const QRect& inner = {});
  // The source rectangle scaled into the box's inner area. Returns at once while another
  // DIB_DrawDib2 is drawing.
  void DIB_DrawDib2(QPaintDevice& box, int16_t source_top, int16_t source_left, int16_t source_width,
                    int16_t source_height, const QRect& inner = {});
  static bool Drawing_In_Progress();

  // A top-down copy, for display and export; null for an empty surface.
  QImage To_QImage() const;

  // Values kept for the owner, not interpreted here.
  int32_t Capture_events() const { return capture_events_; }
  void set_Capture_events(int32_t v) { capture_events_ = v; }
  int32_t Capture_Local() const { return capture_local_; }
  void set_Capture_Local(int32_t v) { capture_local_ = v; }
  int32_t Capture_Mill() const { return capture_mill_; }
  void set_Capture_Mill(int32_t v) { capture_mill_ = v; }
  const QString& ID_string() const { return id_string_; }
  void set_ID_string(const QString& v) { id_string_ = v; }

private:
  std::unique_ptr<uint8_t[]> bits_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t capture_events_ = 0;
  int32_t capture_local_ = 0;
  int32_t capture_mill_ = 0;
  QString id_string_;
  Bitmap_Info_Header header_;
  bool use_draw_dib_ = false;
};

// The area a picture box is drawn in: `inner` when it is valid, else the whole device.
QRect Inner_Area(const QPaintDevice& box, const QRect& inner = {});
