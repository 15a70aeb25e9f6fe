// The recording under review is deleted, moved or replaced while it is open (an operator's file
// manager, a drive pulled out). The next step says so and closes the review; a time pressed
// before that step is refused rather than written to a file nobody can open again.
#include "app/review_controller.h"
#include "mock/review_recordings.h"
#include "mock/window_test.h"
#include "recording/video_file_handler.h"

#include <QFile>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Recording_Gone : Window_Test {
  QString path;
  QByteArray original;

  void open() {
    path = dir.filePath(QStringLiteral("heat.qn3"));
    review_recordings::Spec spec;
    spec.interlaced = false;
    spec.frames = 6;
    ASSERT_TRUE(review_recordings::Write(path, spec));
    original = Bytes(path);
    load_window();
    ASSERT_TRUE(w->review().Handle_Open(path));
    ui(w).Slider_play->setValue(2);
    prompts->seen.clear();
  }
};

struct Way {
  const char* name;
  std::function<QString(const QString& path)> act; // where the recording's bytes now are, if anywhere
};

const Way Ways[] = {
    {"deleted",
     [](const QString& path) {
       QFile::remove(path);
       return QString();
     }},
    {"moved",
     [](const QString& path) {
       const QString moved = path + QStringLiteral(".moved");
       QFile::rename(path, moved);
       return moved;
     }},
    {"replaced by a copy",
     [](const QString& path) {
       const QString copy = path + QStringLiteral(".copy");
       QFile::copy(path, copy);
       QFile::remove(path);
       QFile::rename(copy, path);
       return path;
     }},
};

TEST_F(Recording_Gone, TheNextStepSaysSoAndClosesTheReview) {
  open();
  for (const Way& way : Ways) {
    SCOPED_TRACE(way.name);
    if (!w->obj_QN3_Handler().File_open()) {
      QFile::remove(path);
      open();
    }
    const QString now_at = way.act(path);
    ui(w).Slider_play->setValue(3);
    EXPECT_FALSE(w->obj_QN3_Handler().File_open());
    ASSERT_EQ(prompts->messages().size(), 1);
    EXPECT_EQ(prompts->messages().at(0), Recording_Gone_Message(path) + QStringLiteral("\r\nIt was closed."));
    EXPECT_FALSE(ui(w).Slider_play->isEnabled());
    if (!now_at.isEmpty()) {
      EXPECT_EQ(Bytes(now_at), original);
    }
    EXPECT_TRUE(errors.reports.empty());
    ui(w).Slider_play->setValue(4); // nothing open: no second message
    EXPECT_EQ(prompts->messages().size(), 1);
  }
}

TEST_F(Recording_Gone, ATimePressedAfterwardsIsRefusedNotLost) {
  for (const Way& way : Ways) {
    SCOPED_TRACE(way.name);
    if (w) w->obj_QN3_Handler().Close_File();
    w.reset();
    if (!path.isEmpty()) QFile::remove(path);
    errors.reports.clear();
    open();
    const QString now_at = way.act(path);
    ui(w).Command_BOX_set_time.at(0)->click();
    ASSERT_FALSE(errors.reports.empty()) << "the press must not pass for stored";
    EXPECT_EQ(errors.reports.front().description, Recording_Gone_Message(path));
    EXPECT_EQ(w->obj_QN3_Handler().Dora_Heat_time(1, false), 0) << "the time is not kept as if stored";
    if (now_at.isEmpty()) {
      EXPECT_FALSE(QFile::exists(path)) << "no new file appears";
    } else {
      EXPECT_EQ(Bytes(now_at), original) << "no byte reaches the file";
    }
  }
}

} // namespace
