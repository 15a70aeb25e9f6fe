// An interlaced recording keeps each field's own colours: a runner's colour in field 1 does not
// change with what field 2 shows on the rows between.
#include "imaging/dib_section.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "recording/frame_buffers.h"
#include "recording/video_file_handler.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr int W = 400, H = 880;

// Field 1 (even rows) shows a red jacket over columns 100-219; field 2 (odd rows) shows there
// what `other` says: turf, or a blue jacket.
std::vector<uint8_t> Picture(QRgb other) {
  cDIBSection dib;
  dib.Create(W, H);
  dib.Fill_with_RGB(40 | (120 << 8) | (50 << 16));
  for (int y = 300; y < 350; ++y)
    for (int x = 100; x < 220; ++x) {
      const QRgb c = y % 2 == 0 ? qRgb(220, 30, 30) : other;
      uint8_t* p = dib.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(qBlue(c));
      p[1] = static_cast<uint8_t>(qGreen(c));
      p[2] = static_cast<uint8_t>(qRed(c));
    }
  return {dib.DIBSectionBitsPtr(), dib.DIBSectionBitsPtr() + dib.SizeImage()};
}

struct Decoded {
  QRgb field1;
};

Decoded Record(const QString& path, bool interlaced, QRgb other) {
  cls_VideoFile_handler h;
  h.set_RGB_interlaced(interlaced);
  h.set_Cropped_X(W);
  h.set_Cropped_Y(H);
  EXPECT_TRUE(h.Initiate_QN3_File(path));
  Frame_List list;
  const std::vector<uint8_t> bits = Picture(other);
  for (int k = 0; k < 3; ++k)
    Store_Frame(list, bits.data(), static_cast<int32_t>(bits.size()), 1000 + 40 * k, 2000 + 40 * k, 40);
  EXPECT_EQ(h.Append_Frames(list), 3);
  cls_VideoFile_handler r;
  EXPECT_TRUE(r.Open_File(path));
  r.Read_RGB_sample(2, true);
  const QImage image = r.Decode_Surface().To_QImage();
  // Average of the jacket's inside on field 1's rows.
  int64_t red = 0, green = 0, blue = 0, n = 0;
  for (int y = 310; y < 340; y += 2)
    for (int x = 110; x < 210; ++x, ++n) {
      const QRgb p = image.pixel(x, y);
      red += qRed(p);
      green += qGreen(p);
      blue += qBlue(p);
    }
  return {qRgb(static_cast<int>(red / n), static_cast<int>(green / n), static_cast<int>(blue / n))};
}

int Distance(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

TEST(Field_Colour, InterlacedRecordingKeepsFieldOneColourWhateverFieldTwoShows) {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  const QString name = dir.filePath(QStringLiteral("f%1.qn3"));
  const Decoded over_turf = Record(name.arg(1), true, qRgb(40, 120, 50));
  const Decoded over_blue = Record(name.arg(2), true, qRgb(30, 60, 220));
  EXPECT_LE(Distance(over_turf.field1, over_blue.field1), 12);
  EXPECT_LE(Distance(over_turf.field1, qRgb(220, 30, 30)), 30);
  // What the 4:2:0 encoding of a progressive recording does to the same pictures: the jacket
  // takes colour from the other field. The measure above would see it.
  const Decoded flat_turf = Record(name.arg(3), false, qRgb(40, 120, 50));
  const Decoded flat_blue = Record(name.arg(4), false, qRgb(30, 60, 220));
  EXPECT_GT(Distance(flat_turf.field1, flat_blue.field1), 60);
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
