// The header of a heat's recording as prepared and as stamped at the start signal.
#include "metadata/xml_header.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "recording/video_file_handler.h"
#include "timing/heat_header.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

Heat_Recording_Setup Heat_Setup(const QString& path) {
  Heat_Recording_Setup s;
  s.file_name = path;
  s.running_fps = 25;
  s.crop_width = 400;
  s.crop_height = 880;
  s.goal_finish = QStringLiteral("200,1,200,878");
  s.goal_split = QStringLiteral("10,20,30,40");
  s.event = QStringLiteral("Spring Cup");
  s.heat_id = QStringLiteral("7");
  s.heat_name = QStringLiteral("Final");
  s.dog_names = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                 QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F")};
  s.box_delay_ms = 30;
  s.goal_delay_ms = 150;
  s.split_delay_ms = 120;
  s.kit_serial = QStringLiteral("31337");
  s.capture_name = QStringLiteral("Synthetic camera");
  s.capture_format = QStringLiteral("1920*1080/25");
  s.ten_frames_ms = 400;
  return s;
}

TEST(Heat_Header, PreparedRecordingHoldsWhatAHeatHolds) {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  const struct {
    bool event_file;
    int16_t fps;
    int32_t ten_frames;
  } cases[] = {{true, 25, 400}, {false, 40, 0}};
  int n = 0;
  for (const auto& c : cases) {
    const QString path = dir.filePath(QStringLiteral("h%1.qn3").arg(++n));
    Heat_Recording_Setup s = Heat_Setup(path);
    s.event_file = c.event_file;
    s.running_fps = c.fps;
    s.ten_frames_ms = c.ten_frames;
    cls_VideoFile_handler writer;
    ASSERT_TRUE(Prepare_Heat_Recording(writer, s));
    EXPECT_FALSE(writer.File_open());

    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(path));
    const Cls_XML_header& x = h.XML_Header();
    EXPECT_EQ(h.RGB_interlaced(), c.fps != 40);
    EXPECT_EQ(h.Width(), 400);
    EXPECT_EQ(h.Height(), 880);
    EXPECT_EQ(x.RGB_fps(), QString::number(c.fps));
    EXPECT_EQ(h.Dora_Goal_Finish(), "200,1,200,878");
    EXPECT_EQ(h.Dora_Goal_Split(), "10,20,30,40");
    EXPECT_EQ(h.Dora_event(), c.event_file ? "Spring Cup" : "Test Event");
    EXPECT_EQ(h.Dora_Heat_ID(), c.event_file ? "7" : "1");
    EXPECT_EQ(h.Dora_Heat_Name(), c.event_file ? "Final" : "Test Heat");
    EXPECT_EQ(h.Dora_Dog_name(3), c.event_file ? "C" : "dog name"); // a fresh header's own text
    EXPECT_EQ(h.Dora_box_delay(), "30");
    EXPECT_EQ(h.Dora_Goal_compensation(), "150");
    EXPECT_EQ(h.Dora_Split_compensation(), "120");
    EXPECT_EQ(x.Element_Text(QStringLiteral("dora_ph_serial")), "31337");
    EXPECT_EQ(x.Capture_source(), "Synthetic camera / 1920*1080/25");
    EXPECT_EQ(x.Actual_sample(), c.ten_frames ? "1920*1080/25, 25 fps" : "");
    EXPECT_EQ(h.Num_Video_streams(), 1);
  }
  EXPECT_TRUE(errors.reports.empty());
}

TEST(Heat_Header, StartSignalIsStampedAndAFileWithFramesIsNeverPrepared) {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  const QString path = dir.filePath(QStringLiteral("s.qn3"));
  cls_VideoFile_handler writer;
  ASSERT_TRUE(Prepare_Heat_Recording(writer, Heat_Setup(path)));
  const QDateTime when(QDate(2026, 5, 17), QTime(14, 30, 5));
  ASSERT_TRUE(Stamp_Heat_Start(writer, -123456, 52205000, when));
  writer.Close_File();
  cls_VideoFile_handler h;
  ASSERT_TRUE(h.Open_File(path));
  EXPECT_EQ(h.Dora_start_PC_mill(), -123456);
  EXPECT_EQ(h.XML_Header().Dora_heat_start_Local_mill(), 52205000);
  EXPECT_FALSE(h.Dora_start_DateTime().isEmpty());
  h.Close_File();

  // A name that holds a recording with frames is refused, and the failure is reported.
  QFile grown(path);
  ASSERT_TRUE(grown.open(QIODevice::Append));
  grown.write(QByteArray(100, 'x'));
  grown.close();
  cls_VideoFile_handler again;
  EXPECT_FALSE(Prepare_Heat_Recording(again, Heat_Setup(path)));
  EXPECT_FALSE(errors.reports.empty());
}

} // namespace
