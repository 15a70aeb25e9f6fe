#include "imaging/image_ops.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/event_log.h"
#include "recording/frame_display.h"
#include "recording/video_file_handler.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace review_recordings;

namespace {

class RenderTest : public ::testing::Test {
protected:
  QString Make(const Spec& spec, const QString& name = QStringLiteral("heat.qn3")) {
    const QString path = dir_.filePath(name);
    EXPECT_TRUE(Write(path, spec));
    return path;
  }

  QTemporaryDir dir_;
  Prompts_Guard prompts_;
  Recorded_Errors errors_;
  cls_VideoFile_handler handler_;
  Image_Display display_;
};

// Field 1 holds the top row: its picture is the bright rows doubled; field 2 the dark ones.
// Both come from one decode, and field 3 belongs to the next frame.
TEST_F(RenderTest, FieldsOfOneFrameComeFromOneDecodeAndShowTheirOwnLines) {
  ASSERT_TRUE(handler_.Open_File(Make({})));
  const int32_t before = handler_.Decode_Count();

  handler_.Draw_RGB_Field(1, display_);
  ASSERT_EQ(display_.image.size(), QSize(64, 48));
  const double field1 = Mean_Level(display_.image, 0, 48);
  // Line doubling: picture rows 0 and 1 are the same captured line.
  EXPECT_EQ(display_.image.pixel(10, 0), display_.image.pixel(10, 1));
  EXPECT_EQ(handler_.Field_To_Show(), 1);
  EXPECT_EQ(handler_.Effective_time(), 0);

  handler_.Draw_RGB_Field(2, display_);
  const double field2 = Mean_Level(display_.image, 0, 48);
  EXPECT_EQ(handler_.Field_To_Show(), 2);
  EXPECT_EQ(handler_.Effective_time(), 20);
  EXPECT_EQ(handler_.Decode_Count() - before, 1) << "the second field must not decode again";
  EXPECT_GT(field1, 170);
  EXPECT_LT(field2, 80);

  handler_.Draw_RGB_Field(3, display_);
  EXPECT_EQ(handler_.Decode_Count() - before, 2);
  EXPECT_EQ(handler_.QN3_Displayed_Frame(), 2);
  EXPECT_EQ(handler_.Field_To_Show(), 1);
  EXPECT_EQ(display_.refreshes, 3);
  EXPECT_TRUE(errors_.reports.empty());
}

// A rotated recording is shown a quarter turn clockwise, as frames and as fields: its upper
// half (bright) becomes the right half, and the picture is height wide and width high.
TEST_F(RenderTest, RotatedRecordingsAreShownTurned) {
  Spec spec;
  spec.rotated = true;
  spec.top_half_bright = true;
  spec.width = 64;
  spec.height = 40;
  ASSERT_TRUE(handler_.Open_File(Make(spec)));
  for (const bool by_field : {false, true}) {
    SCOPED_TRACE(by_field ? "field" : "frame");
    display_.image = QImage();
    if (by_field)
      handler_.Draw_RGB_Field(2, display_);
    else
      handler_.Draw_RGB_frame(1, display_);
    ASSERT_EQ(display_.image.size(), QSize(40, 64));
    double left = 0;
    double right = 0;
    for (int y = 0; y < 64; ++y) {
      left += qGreen(display_.image.pixel(5, y));
      right += qGreen(display_.image.pixel(34, y));
    }
    EXPECT_GT(right / 64, 170);
    EXPECT_LT(left / 64, 80);
  }
  EXPECT_TRUE(prompts_->messages().isEmpty());
}

// Surfaces of the wrong size: a turn target that does not fit is refused with its message and
// the previous picture stays; a field surface of another size is made again, logged, and drawn.
TEST_F(RenderTest, SurfaceSizeMismatches) {
  struct Case {
    const char* name;
    bool rotated;
    bool by_field;
    bool spoil_rotate; // else the field surface
    QString message;
  };
  const Case cases[] = {
      {"frame turn", true, false, true, QStringLiteral("Draw_Current_RGB_frame rotate size mismatch!")},
      {"field turn", true, true, true, QStringLiteral("Draw_Current_Field rotate size mismatch!")},
      {"field surface", false, true, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Spec spec;
    spec.rotated = c.rotated;
    const QString path = Make(spec, QString::fromLatin1(c.name) + QStringLiteral(".qn3"));
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(path));
    Image_Display display;
    handler.Draw_RGB_frame(1, display);
    const QImage previous = display.image.copy();
    int mismatch_events = 0;
    handler.On_Size_Mismatch = [&] { ++mismatch_events; };
    prompts_->seen.clear();

    if (c.spoil_rotate)
      handler.Rotate_Surface().Create(10, 10);
    else
      handler.Field_Surface().Create(10, 10);
    if (c.by_field)
      handler.Draw_RGB_Field(4, display);
    else
      handler.Draw_RGB_frame(2, display);

    if (!c.message.isEmpty()) {
      EXPECT_EQ(prompts_->messages(), QStringList{c.message});
      EXPECT_EQ(display.image, previous);
    } else {
      EXPECT_TRUE(prompts_->messages().isEmpty());
      EXPECT_EQ(mismatch_events, 1);
      EXPECT_EQ(handler.Field_Surface().Width(), 64);
      EXPECT_LT(Mean_Level(display.image, 0, 48), 80) << "field 2 of frame 2 is drawn";
      QFile log(Event_Log_Path());
      ASSERT_TRUE(log.open(QIODevice::ReadOnly));
      EXPECT_TRUE(log.readAll().contains(("Deinterlace, size mismatch for file = " + path).toLatin1()));
    }
  }
}

// A frame whose JPEG is damaged shows the blue placeholder; its neighbours decode normally and
// nothing is reported as a failure.
TEST_F(RenderTest, DamagedFrameShowsThePlaceholder) {
  Spec spec;
  spec.interlaced = false;
  spec.damaged = {2};
  ASSERT_TRUE(handler_.Open_File(Make(spec)));
  handler_.Draw_RGB_frame(2, display_);
  ASSERT_EQ(display_.image.size(), QSize(64, 48));
  EXPECT_EQ(display_.image.pixel(2, 2), qRgb(0, 0, 255));
  handler_.Draw_RGB_frame(3, display_);
  EXPECT_NE(display_.image.pixel(2, 2), qRgb(0, 0, 255));
  EXPECT_TRUE(errors_.reports.empty());
}

// Stepping draws into the display's one image: no picture is allocated per step.
TEST_F(RenderTest, SteppingReusesTheDisplayImage) {
  ASSERT_TRUE(handler_.Open_File(Make({})));
  handler_.Draw_RGB_Field(1, display_);
  const uchar* bits = display_.image.constBits();
  for (int32_t field = 2; field <= 6; ++field) {
    handler_.Draw_RGB_Field(field, display_);
    EXPECT_EQ(display_.image.constBits(), bits) << field;
  }
}

} // namespace
