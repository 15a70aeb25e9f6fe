// The disk fills up while the heat's frames are appended, at capture end or while the trigger is
// held (the process's file size limit stands for the full disk): the failure reaches the error
// window, the frames already in the recording stay as they were, and the frames not written stay
// in memory until "Heat finish" brings them in once there is room again.
#include "app/heat_controller.h"
#include "mock/heat_window.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"

#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

// Files of this process cannot grow past `bytes` while the object lives; a write beyond fails
// with EFBIG instead of ending the process.
class File_Size_Limit {
public:
  explicit File_Size_Limit(int64_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~File_Size_Limit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  File_Size_Limit(const File_Size_Limit&) = delete;
  File_Size_Limit& operator=(const File_Size_Limit&) = delete;
  bool ok() const { return ok_; }

private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
  bool ok_ = false;
};

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Disk_Full : Heat_Window, testing::WithParamInterface<bool> {};

TEST_P(Disk_Full, TheFailureIsReportedAndTheFramesNotWrittenStayForTheRetry) {
  const bool while_held = GetParam();
  setting(QStringLiteral("Settings"), QStringLiteral("write_while_capturing"), while_held ? "1" : "0");
  load_heat_window();
  start_camera();
  ui(w).Command_initiate_file->click();
  const QString path = w->heat_session().Recording_Path();
  ASSERT_FALSE(path.isEmpty()) << prompts->messages().join('|').toStdString();
  ui(w).Command_start_heat->click();
  frames(80);

  // The first capture goes in whole.
  w->heat_session().Capture_Start();
  frames(12);
  w->heat_session().Capture_End();
  ASSERT_EQ(held(), 0);
  const QByteArray before = Bytes(path);
  int64_t record = 0;
  {
    cls_VideoFile_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    ASSERT_EQ(reader.Num_Frames(), 12);
    record = reader.Record_Size();
  }
  ASSERT_GT(record, 0);

  // The second one finds room for 10 of its 30 frames and a half.
  {
    File_Size_Limit full(before.size() + 10 * record + record / 2);
    ASSERT_TRUE(full.ok());
    w->heat_session().Capture_Start();
    frames(30);
    if (!while_held) {
      ASSERT_EQ(held(), 30);
    }
    w->heat_session().Capture_End();
  }
  EXPECT_EQ(held(), 20) << "the frames not written stay in memory";
  ASSERT_FALSE(errors.reports.empty()) << "the failure reaches the error window";
  EXPECT_EQ(errors.reports.front().location, QStringLiteral("append_RGB_frame of cls_avi_handler"));
  // Held, the writer's pass had as many frames as had come when it started.
  EXPECT_TRUE(errors.reports.front().extra.contains(
      QRegularExpression(while_held ? QStringLiteral("\\b10 of \\d+ frames") : QStringLiteral("\\b10 of 30 frames"))))
      << errors.reports.front().extra.toStdString();
  ASSERT_FALSE(prompts->messages().isEmpty());
  EXPECT_EQ(prompts->messages().last(),
            "20 frames of this heat could not be appended to its recording. They are kept in memory; \"Heat finish\" "
            "tries again.");
  const QByteArray after = Bytes(path);
  EXPECT_EQ(after.size(), qn3::Header_Block_Size + 22 * record) << "no part of a record stays behind";
  EXPECT_TRUE(after.mid(qn3::Header_Block_Size, 12 * record) == before.mid(qn3::Header_Block_Size))
      << "the earlier frames are intact";

  // Room again: finishing the heat appends the rest, in time order and none twice.
  errors.reports.clear();
  ui(w).Command_finish->click();
  EXPECT_EQ(held(), 0);
  EXPECT_FALSE(w->heat_session().Running());
  EXPECT_TRUE(errors.reports.empty());
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(path));
  ASSERT_EQ(reader.Num_Frames(), 42);
  EXPECT_EQ(reader.QN3_Num_Frames(), 42);
  // The camera ran on between the captures without a frame stepped: the stamps follow each other.
  for (int16_t f = 2; f <= 42; ++f)
    EXPECT_EQ(reader.Record_Capture_Mill(f).value_or(0) - reader.Record_Capture_Mill(f - 1).value_or(0), 40)
        << "frame " << f;
}

INSTANTIATE_TEST_SUITE_P(CaptureEndOrWhileHeld, Disk_Full, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& row) {
                           return row.param ? "WhileHeld" : "AtCaptureEnd";
                         });

} // namespace
