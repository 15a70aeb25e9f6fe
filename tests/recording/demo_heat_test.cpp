// The demo heat after its JPEG round trip: every field shows each runner where the synthetic
// camera's definition puts it, the LED changes at the zero plus the delay, and the first field
// at or past the line is the crossing instant's.
#include "mock/scripted_prompts.h"
#include "qn3_tool_run.h"
#include "recording/video_file_handler.h"

#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

namespace {

const QRgb Box_Colours[6] = {qRgb(220, 30, 30), qRgb(30, 60, 220),  qRgb(240, 240, 240),
                             qRgb(20, 20, 20),  qRgb(240, 140, 20), qRgb(20, 20, 20)};

int Distance(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// Rightmost column near the colour (the JPEG blurs colour edges by a pixel or two), skipping the painted line (crop
// columns 199 and 200 and the JPEG's blur around them).
std::optional<int> Nose(const QImage& p, int row, QRgb colour) {
  for (int x = p.width() - 1; x >= 0; --x) {
    if (x >= 197 && x <= 202) continue;
    if (Distance(p.pixel(x, row), colour) <= 60) return x;
  }
  return std::nullopt;
}

struct Demo_Heat : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  cls_VideoFile_handler h;
  void Make(const QStringList& extra) {
    const QString path = dir.filePath(QStringLiteral("heat.qn3"));
    const Outcome o = Run_Tool(QStringList{"demo", path} + extra);
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    ASSERT_TRUE(h.Open_File(path));
  }
  QImage Frame(int16_t frame) {
    h.Read_RGB_sample(frame, true);
    EXPECT_FALSE(h.Read_error());
    return h.Decode_Surface().To_QImage();
  }
};

TEST_F(Demo_Heat, FieldsShowTheRunnersWhereTheDefinitionPutsThem) {
  // Off the 20 ms grid of the fields, so no field shows a nose hidden on the painted line.
  const int32_t crossing[6] = {29505, 29533, 29561, 29612, 29647, 0};
  const int32_t delay = 60;
  Make({"--crossings", "29505,29533,29561,29612,29647,-", "--video-delay", "60", "--from", "29300", "--to", "29900"});
  EXPECT_TRUE(h.RGB_interlaced());
  const int32_t zero = h.Dora_start_PC_mill();
  EXPECT_EQ(h.Dora_Goal_compensation(), "60");
  int checked = 0;
  std::optional<int32_t> first_past[6];
  for (int16_t f = 1; f <= h.Num_Frames(); ++f) {
    const QImage picture = Frame(f);
    ASSERT_EQ(picture.size(), QSize(400, 880));
    for (int field = 1; field <= 2; ++field) {
      const int32_t s = h.QN3_Capture_mill() + (field == 2 ? 20 : 0);
      for (int box = 1; box <= 6; ++box) {
        // Crop row of the lane's middle in this field (the crop starts at picture row 100).
        const int row = 200 + 110 * (box - 1) + 8 + (field - 1) - 100;
        const auto seen = Nose(picture, row, Box_Colours[box - 1]);
        if (box == 6) { // no crossing: never seen
          ASSERT_FALSE(seen.has_value()) << "frame " << f;
          continue;
        }
        const int64_t nose = static_cast<int64_t>(std::floor(960 + 2.0 * (s - zero - delay - crossing[box - 1]))) - 760;
        if (nose >= 3 && nose < 400 && !(nose >= 196 && nose <= 203)) { // a sliver at the edge may blur away
          ASSERT_TRUE(seen.has_value()) << "frame " << f << " field " << field << " box " << box;
          EXPECT_LE(std::abs(*seen - nose), 2) << "frame " << f << " field " << field << " box " << box;
          ++checked;
        } else if (nose < -1 || nose - 119 > 400) {
          EXPECT_FALSE(seen.has_value()) << "frame " << f << " field " << field << " box " << box;
        }
        if (!first_past[box - 1] && seen && *seen >= 200 && nose >= 200) first_past[box - 1] = s - zero - delay;
      }
    }
  }
  EXPECT_GT(checked, 20);
  for (int box = 1; box <= 5; ++box) {
    ASSERT_TRUE(first_past[box - 1].has_value()) << box;
    EXPECT_GE(*first_past[box - 1], crossing[box - 1]) << box;
    EXPECT_LT(*first_past[box - 1], crossing[box - 1] + 20) << box;
  }
}

TEST_F(Demo_Heat, LedLightsAtTheZeroPlusTheDelay) {
  Make({"--video-delay", "50", "--from", "-120", "--to", "120"});
  const int32_t zero = h.Dora_start_PC_mill();
  int grey = 0, yellow = 0;
  for (int16_t f = 1; f <= h.Num_Frames(); ++f) {
    const QImage picture = Frame(f);
    for (int field = 1; field <= 2; ++field) {
      const int32_t s = h.QN3_Capture_mill() + (field == 2 ? 20 : 0);
      // The LED square, picture rows 860-899 and columns 1100-1139, in the crop.
      const QRgb led = picture.pixel(360, 860 - 100 + 10 + (field - 1));
      const bool lit = s - zero >= 50;
      EXPECT_LE(Distance(led, lit ? qRgb(255, 255, 0) : qRgb(100, 100, 100)), 40) << "at " << s - zero;
      (lit ? yellow : grey) += 1;
    }
  }
  EXPECT_GT(grey, 4);
  EXPECT_GT(yellow, 4);
}

} // namespace
