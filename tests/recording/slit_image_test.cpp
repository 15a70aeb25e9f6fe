// The slit image: where its samples lie, which rows each field takes, and what a synthetic heat's
// slit shows: each runner on the line from its crossing field on, in the pixels the whole
// decoded picture has there.
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "qn3_tool_run.h"
#include "recording/field_pictures.h"
#include "recording/slit_image.h"
#include "recording/video_file_handler.h"
#include "timing/slit_render.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(SlitSamples, AlongTheLineInsideThePicture) {
  struct Case {
    Slit_Line line;
    int32_t width, height;
    bool rotated;
    size_t count;
    Slit_Sample first; // shown x, y, decoded x, y
    bool left_in, right_in;
  };
  const Case cases[] = {
      {{200, 1, 200, 878}, 400, 880, false, 878, {200, 1, 200, 1, {}, {}, {}}, true, true},
      {{200, 878, 200, 1}, 400, 880, false, 878, {200, 878, 200, 878, {}, {}, {}}, true, true}, // point 1 first
      {{200, -10, 200, 10}, 400, 880, false, 11, {200, 0, 200, 0, {}, {}, {}}, true, true},     // cut at the top
      {{5, 0, 5, 9}, 400, 880, false, 10, {5, 0, 5, 0, {}, {}, {}}, false, true},               // no left view
      {{500, 0, 500, 9}, 400, 880, false, 0, {}, false, false},                                 // beside it
      {{7, 7, 7, 7}, 400, 880, false, 1, {7, 7, 7, 7, {}, {}, {}}, true, true},                 // a point
      {{0, 0, 10, 100}, 400, 880, false, 101, {0, 0, 0, 0, {}, {}, {}}, false, true},           // slanted
      // Rotated: decoded 880 wide and 400 high, shown turned clockwise as 400 x 880.
      {{200, 5, 200, 878}, 880, 400, true, 874, {200, 5, 5, 199, {}, {}, {}}, true, true},
      {{0, 0, 100000, 0}, 400, 880, false, 0, {}, false, false}, // far longer than the picture
  };
  for (const Case& c : cases) {
    const std::vector<Slit_Sample> s = Slit_Samples(c.line, c.width, c.height, c.rotated);
    ASSERT_EQ(s.size(), c.count) << c.line.x1 << "," << c.line.y1 << " " << c.line.x2 << "," << c.line.y2;
    if (s.empty()) continue;
    EXPECT_EQ(s[0].shown_x, c.first.shown_x);
    EXPECT_EQ(s[0].shown_y, c.first.shown_y);
    EXPECT_EQ(s[0].x, c.first.x);
    EXPECT_EQ(s[0].y, c.first.y);
    EXPECT_EQ(s[0].side_in[0], c.left_in);
    EXPECT_EQ(s[0].side_in[1], c.right_in);
  }
  // The side views lie 6 shown pixels either way, in decoded coordinates when rotated.
  const auto rotated = Slit_Samples({200, 5, 200, 878}, 880, 400, true);
  EXPECT_EQ(rotated[0].side_x[0], 5);
  EXPECT_EQ(rotated[0].side_y[0], 205);
  EXPECT_EQ(rotated[0].side_y[1], 193);
  const auto slanted = Slit_Samples({0, 0, 10, 100}, 400, 880, false);
  EXPECT_EQ(slanted[50].shown_x, 5);
  EXPECT_EQ(slanted[50].shown_y, 50);
}

TEST(FieldRow, EachFieldItsOwnRows) {
  struct Case {
    int32_t y;
    int16_t field;
    int32_t height, row;
  };
  const Case cases[] = {{0, 1, 880, 0},     {1, 1, 880, 0},     {0, 2, 880, 1}, {1, 2, 880, 1},
                        {879, 1, 880, 878}, {879, 2, 880, 879}, {4, 2, 5, 3},   {4, 1, 5, 4}};
  for (const Case& c : cases)
    EXPECT_EQ(Field_Row(c.y, c.field, c.height), c.row) << c.y << " " << c.field << " " << c.height;
}

int32_t Distance(const uint8_t* rgb, const std::array<uint8_t, 3>& c) {
  return std::abs(rgb[0] - c[0]) + std::abs(rgb[1] - c[1]) + std::abs(rgb[2] - c[2]);
}

struct Synthetic_Slit : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  cls_VideoFile_handler h;
  QString path;
  void Make(const QStringList& extra) {
    path = dir.filePath(QStringLiteral("heat.qn3"));
    const Outcome o = Run_Tool(QStringList{"demo", path} + extra);
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    ASSERT_TRUE(h.Open_File(path));
  }
  std::optional<Slit_Image> Build(const Slit_Line& line, const Slit_Build_Control& control = {}) {
    QString why;
    auto slit = Build_Slit_Image(Recording_Layout::Of(h), line, control, why);
    EXPECT_TRUE(slit || why == "cancelled") << why.toStdString();
    return slit;
  }
};

TEST_F(Synthetic_Slit, EachRunnerReachesTheLineAtItsCrossingField) {
  // 2 ms after a field: the field before shows the nose 4 px short of the line (2 px past the left
  // view), the crossing field 36 px past it.
  const int32_t crossing[6] = {29202, 29242, 29302, 29342, 29402, 29462};
  const int32_t delay = 60, from = 29000;
  Make({"--crossings", "29202,29242,29302,29342,29402,29462", "--video-delay", "60", "--from", "29000", "--to",
        "29700"});
  const std::optional<Slit_Image> slit = Build({200, 1, 200, 878});
  ASSERT_TRUE(slit);
  ASSERT_EQ(slit->Columns(), 2 * h.Num_Frames());
  ASSERT_EQ(slit->Rows(), 878);
  const std::array<uint8_t, 3> jackets[6] = {{220, 30, 30}, {30, 60, 220},  {240, 240, 240},
                                             {20, 20, 20},  {240, 140, 20}, {20, 20, 20}};
  const Heat_Clock clock{h.Dora_start_PC_mill(), h.Goal_Compensation_Ms()};
  for (int box = 1; box <= 6; ++box) {
    // The first field at or past the crossing: fields come every 20 ms from `from`.
    const int32_t column = (crossing[box - 1] + delay - from + 19) / 20;
    // A row of the runner's lane (crop rows start at picture row 100; the line at shown row 1),
    // in box 6's black part.
    const int32_t row = 200 + 110 * (box - 1) + 8 - 100 - 1;
    const uint8_t* background = slit->Pixel(0, row);
    std::array<uint8_t, 3> line{background[0], background[1], background[2]};
    const auto& jacket = jackets[box - 1];
    for (int32_t c = column; c < column + 2; ++c) // the runner covers the line for 60 ms
      EXPECT_LT(Distance(slit->Pixel(c, row), jacket), Distance(slit->Pixel(c, row), line)) << box << " " << c;
    EXPECT_LT(Distance(slit->Pixel(column - 1, row), line), Distance(slit->Pixel(column - 1, row), jacket)) << box;
    // Right of the line the runner shows in the crossing field, left of it in the field before.
    EXPECT_LT(Distance(slit->Pixel(column, row, 2), jacket), 40) << box;
    EXPECT_LT(Distance(slit->Pixel(column - 1, row, 1), jacket), 40) << box;
    // The scale's time of the crossing field is the field's run time: 2 to 21 ms after the crossing.
    const int32_t shown = Column_Run_Time(*slit, column, clock);
    EXPECT_GE(shown, crossing[box - 1] + 2) << box;
    EXPECT_LE(shown, crossing[box - 1] + 21) << box;
    EXPECT_TRUE(slit->Column(column).valid && slit->Column(column).stamped);
  }
}

TEST_F(Synthetic_Slit, PartialDecodingGivesTheWholePicturesPixels) {
  Make({"--from", "29180", "--to", "29500"});
  const Slit_Line line{200, 1, 200, 878};
  const std::optional<Slit_Image> slit = Build(line);
  ASSERT_TRUE(slit);
  Field_Picture_Reader fields;
  QString why;
  ASSERT_TRUE(fields.Open(Recording_Layout::Of(h), why));
  for (int32_t c : {0, 3, 4, 7, slit->Columns() - 1}) {
    const cDIBSection* picture = fields.Picture(c);
    ASSERT_TRUE(picture);
    EXPECT_EQ(fields.Capture_Mill(), slit->Column(c).capture_mill);
    for (int32_t r = 0; r < slit->Rows(); r += 7) {
      const Slit_Sample& s = slit->Samples()[static_cast<size_t>(r)];
      for (int32_t view = 0; view < Slit_Views; ++view) {
        const int32_t x = view == 0 ? s.shown_x : s.shown_x + (view == 1 ? -Slit_Side_Px : Slit_Side_Px);
        const uint8_t* bgr = picture->Row(s.shown_y) + 3 * x;
        const uint8_t* rgb = slit->Pixel(c, r, view);
        for (int k = 0; k < 3; ++k)
          ASSERT_LE(std::abs(rgb[k] - bgr[2 - k]), 2) << "column " << c << " row " << r << " view " << view;
      }
    }
  }
}

TEST_F(Synthetic_Slit, ProgressAndCancel) {
  Make({"--from", "29000", "--to", "29400", "--crop", "120x200"});
  std::vector<int32_t> done;
  Slit_Build_Control control;
  control.progress = [&](int32_t d, int32_t total) {
    EXPECT_EQ(total, 2 * h.Num_Frames());
    done.push_back(d);
  };
  ASSERT_TRUE(Build({60, 1, 60, 198}, control));
  ASSERT_EQ(done.size(), static_cast<size_t>(h.Num_Frames()));
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  EXPECT_EQ(done.back(), 2 * h.Num_Frames());

  std::atomic<bool> cancel{false};
  control.cancel = &cancel;
  int32_t calls = 0;
  control.progress = [&](int32_t, int32_t) {
    if (++calls == 3) cancel = true;
  };
  EXPECT_FALSE(Build({60, 1, 60, 198}, control));
  EXPECT_EQ(calls, 3);
}

TEST(SlitImage, ARotatedRecordingIsSampledAsItIsShown) {
  Prompts_Guard prompts;
  QTemporaryDir dir;
  review_recordings::Spec spec;
  spec.rotated = true;
  spec.top_half_bright = true; // decoded: bright above, dark below; shown turned clockwise
  const QString path = dir.filePath("rotated.qn3");
  ASSERT_TRUE(review_recordings::Write(path, spec));
  cls_VideoFile_handler h;
  ASSERT_TRUE(h.Open_File(path));
  const Recording_Layout layout = Recording_Layout::Of(h);
  Field_Picture_Reader fields;
  QString why;
  ASSERT_TRUE(fields.Open(layout, why));
  // Shown 48 wide and 64 high: the decoded picture's top half is the shown right half.
  for (const auto& [x, bright] : {std::pair{10, false}, std::pair{40, true}}) {
    const auto slit = Build_Slit_Image(layout, {x, 0, x, 63}, {}, why);
    ASSERT_TRUE(slit) << why.toStdString();
    ASSERT_EQ(slit->Rows(), 64);
    for (int32_t c = 0; c < slit->Columns(); ++c) {
      const cDIBSection* picture = fields.Picture(c);
      ASSERT_TRUE(picture);
      ASSERT_EQ(picture->Width(), 48);
      for (int32_t r = 0; r < 64; r += 3) {
        const uint8_t* bgr = picture->Row(r) + 3 * x;
        const uint8_t* rgb = slit->Pixel(c, r);
        for (int k = 0; k < 3; ++k)
          ASSERT_LE(std::abs(rgb[k] - bgr[2 - k]), 2) << x << " column " << c << " row " << r;
        EXPECT_EQ(rgb[1] > 128, bright) << x;
      }
    }
  }
}

TEST(SlitImage, DamagedAndMissingPicturesAndUnusableLines) {
  Prompts_Guard prompts;
  QTemporaryDir dir;
  review_recordings::Spec spec;
  spec.frames = 4;
  spec.damaged = {2};
  const QString path = dir.filePath("damaged.qn3");
  ASSERT_TRUE(review_recordings::Write(path, spec));
  cls_VideoFile_handler h;
  ASSERT_TRUE(h.Open_File(path));
  const Recording_Layout layout = Recording_Layout::Of(h);
  QString why;
  const auto slit = Build_Slit_Image(layout, {32, 0, 32, 47}, {}, why);
  ASSERT_TRUE(slit) << why.toStdString();
  for (int32_t c = 0; c < slit->Columns(); ++c) {
    EXPECT_TRUE(slit->Column(c).stamped) << c;
    EXPECT_EQ(slit->Column(c).valid, c / 2 + 1 != 2) << c; // frame 2's picture does not decode
  }
  // The damaged frame's columns are grey; the others show the picture's bright and dark fields.
  EXPECT_EQ(slit->Pixel(2, 10)[1], 128);
  EXPECT_GT(slit->Pixel(0, 10)[1], 150);                                 // field 1: the bright rows
  EXPECT_LT(slit->Pixel(1, 10)[1], 100);                                 // field 2: the dark rows
  EXPECT_EQ(slit->Column(1).capture_mill, slit->Column(0).capture_mill); // two fields of one frame
  EXPECT_EQ(slit->Column(1).field, 2);

  EXPECT_FALSE(Build_Slit_Image(layout, {500, 0, 500, 47}, {}, why));
  EXPECT_FALSE(why.isEmpty());
  Recording_Layout none = layout;
  none.frame_count = 0;
  EXPECT_FALSE(Build_Slit_Image(none, {32, 0, 32, 47}, {}, why));
  Recording_Layout missing = layout;
  missing.path = dir.filePath("gone.qn3");
  EXPECT_FALSE(Build_Slit_Image(missing, {32, 0, 32, 47}, {}, why));
}

} // namespace
