#pragma once
#include <QString>
#include <cstdint>
#include <memory>

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
  // not positive or the memory cannot be had.
  bool Create(int32_t width, int32_t height);
  void ClearUp();
  bool Is_Empty() const { return !bits_; }

  static int32_t Bytes_Per_Scan_Line_For(int32_t width) { return (width * 3 + 3) & ~3; }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BytesPerScanLine() const { return Bytes_Per_Scan_Line_For(width_); }
  int32_t SizeImage() const { return height_ * BytesPerScanLine(); }
  int32_t BitCount() const { return 24; }
  int32_t Planes() const { return 1; }
  int32_t Compression() const { return 0; }
  int32_t SizeInfoHeader() const { return 40; }
  int32_t ClrImportant() const { return 0; }
  int32_t ClrUsed() const { return 0; }
  int32_t XPelsPerMeter() const { return 0; }
  int32_t YPelsPerMeter() const { return 0; }

  uint8_t* DIBSectionBitsPtr() { return bits_.get(); }
  const uint8_t* DIBSectionBitsPtr() const { return bits_.get(); }
  // Start of picture row y (y = 0 at the top).
  uint8_t* Row(int32_t y) { return bits_.get() + static_cast<std::ptrdiff_t>(height_ - 1 - y) * BytesPerScanLine(); }
  const uint8_t* Row(int32_t y) const {
    return bits_.get() + static_cast<std::ptrdiff_t>(height_ - 1 - y) * BytesPerScanLine();
  }

  // Colour with red in the low byte, green next, blue in the third.
  void Fill_with_RGB(uint32_t colour);

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
};
