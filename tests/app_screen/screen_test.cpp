// The main window on a 1920 x 1080 screen: a recording is drawn at its own size when it fits,
// measured from the window as it is laid out on that screen, not before.
#include "app/form_doravent.h"
#include "app/review_controller.h"
#include "mock/main_controls.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"
#include "recording/video_file_handler.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Screen_Window : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
  }
  QString recording(int width, int height) {
    review_recordings::Spec spec;
    spec.width = width;
    spec.height = height;
    const QString path = dir.filePath(QStringLiteral("heat_%1x%2.qn3").arg(width).arg(height));
    EXPECT_TRUE(review_recordings::Write(path, spec));
    return path;
  }
  std::unique_ptr<Form_Doravent> start(const QString& argument) {
    Form_Doravent::Options options;
    options.command_argument = argument;
    options.end_program = [](int) {};
    auto w = std::make_unique<Form_Doravent>(options);
    w->review().set_Open_Wait_Ms(0);
    EXPECT_TRUE(w->Form_Load());
    w->show();
    w->Arrange_form();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return w;
  }
};

TEST_F(Screen_Window, ARecordingThatFitsIsDrawnAtItsOwnSize) {
  ASSERT_EQ(QGuiApplication::primaryScreen()->geometry().size(), QSize(1920, 1080));
  // Opened from the command line, before the window is shown and measured.
  auto w = start(recording(400, 880));
  const int chrome = w->frameGeometry().height() - w->centralWidget()->height();
  // The buttons go beside a picture they do not fit under: the picture alone takes the height.
  EXPECT_EQ(w->state().Max_Picture_Height, 1080 - chrome - 8 - 1);
  ASSERT_GE(w->state().Max_Picture_Height, 880);
  EXPECT_EQ(ui(w).Picture_out->size(), QSize(400, 880));
  EXPECT_EQ(ui(w).Picture_out->Picture().size(), QSize(400, 880));

  // One taller than the screen allows keeps its shape at the largest height.
  const int32_t max = w->state().Max_Picture_Height;
  ASSERT_TRUE(w->review().Handle_Open(recording(400, 1200)));
  EXPECT_EQ(ui(w).Picture_out->height(), max);
  EXPECT_EQ(ui(w).Picture_out->width(), (400 * max + 600) / 1200);
  w->obj_QN3_Handler().Close_File();
  EXPECT_TRUE(errors.reports.empty());
}

// The whole window on the screen in review, with the slit strip and the proposals, whatever the
// picture's height: what does not fit under the picture goes beside it.
TEST_F(Screen_Window, TheWholeWindowFitsTheScreenInReview) {
  auto w = start({});
  for (const bool strip : {false, true}) {
    w->item(QStringLiteral("item_slit_image"))->setChecked(strip);
    for (const QSize size : {QSize(400, 500), QSize(400, 880), QSize(600, 1080)}) {
      SCOPED_TRACE(testing::Message() << strip << " " << size.width() << "x" << size.height());
      ASSERT_TRUE(w->review().Handle_Open(recording(size.width(), size.height())));
      QCoreApplication::processEvents();
      EXPECT_LE(w->frameGeometry().bottom(), 1079);
      EXPECT_LE(w->frameGeometry().right(), 1919);
      // The proposals' row at the buttons' bottom is inside the window.
      QWidget* buttons = ui(w).Frame_settimes;
      EXPECT_LE(buttons->mapTo(w.get(), QPoint(0, buttons->height() - 1)).y(), w->height() - 1);
      if (size.height() <= 880) {
        EXPECT_EQ(ui(w).Picture_out->size(), size) << "the picture keeps its own size";
      }
      w->review().Do_Close();
    }
  }
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace

int main(int argc, char** argv) {
  QTemporaryDir data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", data_home.path().toLocal8Bit());
  // An offscreen screen of the size the operators' screens have.
  const QString config = data_home.filePath(QStringLiteral("screen.json"));
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly)) return 2;
  file.write(R"({"synchronousWindowSystemEvents": false, "windowFrameMargins": false, "screens": [)"
             R"({"name": "Screen", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96,)"
             R"( "logicalBaseDpi": 96, "dpr": 1}]})");
  file.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
