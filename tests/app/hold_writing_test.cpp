// The frames of a held trigger reach the recording while it is still held when the setting says
// so, or when they would fill the memory; otherwise only at its end. Either way the recording
// ends holding every frame once, in time order, with the start that came during the hold.
#include "mock/heat_window.h"
#include "platform/user_folders.h"
#include "recording/video_file_handler.h"

#include <QFileInfo>
#include <QLabel>

#include <QPushButton>
#include <gtest/gtest.h>

namespace {

struct Hold_Row {
  const char* name;
  bool setting_on;
  int32_t ceiling_frames; // 0: the ceiling from the memory available
  bool written_while_held;
  int notices;
};

struct Hold_Writing : Heat_Window, testing::WithParamInterface<Hold_Row> {};

int32_t Count_Text(const QStringList& texts, const QString& part) {
  return static_cast<int32_t>(
      std::count_if(texts.begin(), texts.end(), [&](const QString& t) { return t.contains(part); }));
}

TEST_P(Hold_Writing, HeldFramesGoToTheRecordingAsTheSettingAndTheMemorySay) {
  const Hold_Row& row = GetParam();
  setting(QStringLiteral("Settings"), QStringLiteral("write_while_capturing"), row.setting_on ? "1" : "0");
  load_heat_window();
  start_camera();
  const int64_t frame_bytes =
      int64_t{w->camera().Capture().Crop_Width()} * w->camera().Capture().Crop_Height() * 3 + 44;
  if (row.ceiling_frames > 0) w->heat_session().set_Held_Ceiling_Bytes(row.ceiling_frames * frame_bytes);
  ui(w).Command_initiate_file->click();
  const QString path = w->heat_session().Recording_Path();
  ASSERT_FALSE(path.isEmpty());

  // Armed, the trigger closes before the start, so the start's header write meets the writer at work.
  w->heat_session().set_Armed(true);
  const QString size_before = ui(w).Label_filesize->text();
  w->heat_session().Capture_Start();
  const int32_t first_stamp = clock.mill;
  frames(50);
  const int32_t start_mill = clock.mill;
  ui(w).Command_start_heat->click();
  frames(100);
  // Only a liveness bound: the writer catches up to its last, unfilled pass, and what it wrote left memory.
  ASSERT_TRUE(Run_Events_Until(
      [this] {
        const Heat_Session& heat = w->heat_session();
        return !heat.Writing_While_Held() ||
               (heat.Frames_Being_Written() < 12 && held() == heat.Frames_Being_Written());
      },
      60000));
  EXPECT_EQ(w->heat_session().Writing_While_Held(), row.written_while_held);
  // The window shows the recording growing while the writer has it, and the size it has on disk.
  EXPECT_EQ(ui(w).Label_filesize->text() != size_before, row.written_while_held)
      << ui(w).Label_filesize->text().toStdString();
  if (row.written_while_held) {
    EXPECT_TRUE(ui(w).Label_filesize->text().endsWith(
        File_Size_Text(0, QFileInfo(path).size(), w->state().Bytes_Per_Megabyte).section('/', 1)))
        << ui(w).Label_filesize->text().toStdString();
  }
  {
    cls_VideoFile_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    if (row.written_while_held) {
      EXPECT_LT(held(), 12) << "memory holds only the frames not yet written";
      EXPECT_EQ(reader.Num_Frames(), 150 - held()) << "each frame is either on disk or held";
    } else {
      EXPECT_EQ(held(), 150);
      EXPECT_EQ(reader.Num_Frames(), 0) << "nothing is written before the trigger opens";
    }
  }
  frames(61);
  w->heat_session().Capture_End();
  Run_Queued_Events();
  EXPECT_EQ(held(), 0);
  EXPECT_EQ(Count_Text(prompts->messages(), QStringLiteral("the most that is kept")), row.notices)
      << prompts->messages().join('|').toStdString();

  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(path));
  ASSERT_EQ(reader.Num_Frames(), 211);
  EXPECT_EQ(reader.Dora_start_PC_mill(), start_mill);
  // The synthetic camera stamps each frame 40 ms after the last: none is missing, none twice.
  for (int16_t f = 1; f <= 211; ++f) {
    ASSERT_EQ(reader.Record_Capture_Mill(f).value_or(-1), first_stamp + 40 * (f - 1)) << "frame " << f;
    reader.Read_RGB_sample(f, true);
    ASSERT_FALSE(reader.Read_error()) << "frame " << f;
  }
  EXPECT_TRUE(errors.reports.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, Hold_Writing,
                         testing::Values(Hold_Row{"SettingOn", true, 0, true, 0},
                                         Hold_Row{"SettingOff", false, 0, false, 0},
                                         Hold_Row{"SettingOffPastTheCeiling", false, 20, true, 1}),
                         [](const testing::TestParamInfo<Hold_Row>& row) { return row.param.name; });

} // namespace
