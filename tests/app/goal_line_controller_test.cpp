#include "app/goal_line_controller.h"

#include "app/form_doravent.h"
#include "app/goal_lines_view.h"
#include "app/key_filter.h"
#include "app/review_controller.h"
#include "metadata/xml_header.h"
#include "mock/fake_clock.h"
#include "mock/main_controls.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

namespace {

const QString Lines = QStringLiteral("Goal_lines");

struct Goal_Window : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  Fake_Clock clock;
  QTemporaryDir dir;
  std::unique_ptr<Form_Doravent> w;
  int redraws = 0;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
    QFile::remove(program().Settings_File_Path);
  }

  void make(bool development = false) {
    Form_Doravent::Options o;
    o.development_mode = development;
    o.end_program = [](int) {};
    w = std::make_unique<Form_Doravent>(o);
    w->review().set_Open_Wait_Ms(0);
    ASSERT_TRUE(w->Form_Load());
    at_start = {stored(1), stored(2)};
  }
  // The lines stored when the window started (a new installation stores the reset line).
  std::array<QString, 2> at_start;
  // A recording open for review (of the test picture's size), whose redraws are counted.
  void open_recording() {
    const QString path = dir.filePath(QStringLiteral("heat.qn3"));
    review_recordings::Spec spec;
    spec.width = 400;
    spec.height = 880;
    ASSERT_TRUE(review_recordings::Write(path, spec));
    ASSERT_TRUE(w->review().Handle_Open(path));
    QObject::disconnect(counting_);
    counting_ = QObject::connect(&w->review_session(), &Review_Session::picture_shown, [this] { ++redraws; });
  }
  QMetaObject::Connection counting_;
  void TearDown() override {
    if (w) w->obj_QN3_Handler().Close_File();
  }
  // A 400 x 880 picture shown at half size, so widget and picture pixels differ.
  void show_picture() {
    QImage picture(400, 880, QImage::Format_BGR888);
    picture.fill(Qt::black);
    ui(w).Picture_out->set_Picture(picture);
    ui(w).Picture_out->setFixedSize(200, 440);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  }
  Goal_Line_Controller& goal() { return w->goal_line(); }
  QString stored(int camera) {
    return Read_Ini_Value(Lines, QStringLiteral("Goal_line%1").arg(camera), program().Settings_File_Path, {});
  }
  // Widget coordinates are picture coordinates halved.
  void press(int x, int y, Qt::KeyboardModifiers m = {}) {
    QTest::mousePress(ui(w).Picture_out, Qt::LeftButton, m, QPoint(x / 2, y / 2));
  }
  void drag_to(int x, int y) {
    QMouseEvent move(QEvent::MouseMove, QPointF(x / 2.0, y / 2.0),
                     ui(w).Picture_out->mapToGlobal(QPointF(x / 2.0, y / 2.0)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(ui(w).Picture_out, &move);
  }
  void release(int x, int y) { QTest::mouseRelease(ui(w).Picture_out, Qt::LeftButton, {}, QPoint(x / 2, y / 2)); }
  void key(Qt::Key k, Qt::KeyboardModifiers m = {}) {
    clock.advance(200); // beyond the key gap
    QTest::keyClick(w.get(), k, m);
  }
};

TEST_F(Goal_Window, DraggingAHandleMovesItInPicturePixelsAndSavesOnRelease) {
  make();
  show_picture();
  goal().set_Line(1, {200, 88, 200, 792});
  press(200, 88);
  EXPECT_TRUE(goal().Drag_State().Dragging);
  EXPECT_EQ(goal().Drag_State().Dragged_Handle, 1);
  drag_to(220, 108);
  EXPECT_EQ(goal().Line(1), (Goal_Line{220, 108, 200, 792}));
  EXPECT_EQ(stored(1), at_start[0]) << "saved only on release";
  drag_to(0, 300); // x = 0 refused: the point stays at its last accepted place
  EXPECT_EQ(goal().Line(1), (Goal_Line{220, 108, 200, 792}));
  drag_to(900, 300); // beyond the width
  EXPECT_EQ(goal().Line(1), (Goal_Line{220, 108, 200, 792}));
  release(900, 300);
  EXPECT_FALSE(goal().Drag_State().Dragging);
  EXPECT_EQ(goal().Drag_State().Dragged_Handle, 0);
  EXPECT_EQ(stored(1), "220,108,200,792");
  EXPECT_EQ(stored(2), at_start[1]);

  // Point 2, pressed inside its handle but off its centre: the offset is kept.
  press(204, 790);
  drag_to(214, 700);
  release(214, 700);
  EXPECT_EQ(stored(1), "220,108,210,702");
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Goal_Window, APressBesideTheHandlesDragsNothingAndSavesNothing) {
  make();
  show_picture();
  goal().set_Line(1, {200, 88, 200, 792});
  press(194, 88); // 6 pixels left of point 1: outside its box
  EXPECT_FALSE(goal().Drag_State().Dragging);
  drag_to(250, 150);
  release(250, 150);
  EXPECT_EQ(goal().Line(1), (Goal_Line{200, 88, 200, 792}));
  EXPECT_EQ(stored(1), at_start[0]);

  press(10, 20, Qt::ShiftModifier);
  EXPECT_EQ(w->windowTitle(), "X = 10 Y= 20");
  w->state().Selected_Camera = 0;
  press(200, 88);
  EXPECT_EQ(prompts->beeps(), 1);
  EXPECT_FALSE(goal().Drag_State().Dragging);
}

TEST_F(Goal_Window, CameraButtonsSwitchTheLineBeingEditedAndRedraw) {
  make();
  open_recording();
  show_picture();
  goal().set_Line(1, {100, 100, 100, 700});
  goal().set_Line(2, {300, 100, 300, 700});
  redraws = 0;
  ui(w).Option_selected_camera[2]->click();
  EXPECT_EQ(w->state().Selected_Camera, 2);
  EXPECT_EQ(redraws, 1);
  press(100, 100); // camera 1's handle is not editable now
  EXPECT_FALSE(goal().Drag_State().Dragging);
  release(100, 100);
  press(300, 700);
  drag_to(310, 690);
  release(310, 690);
  EXPECT_EQ(goal().Line(2), (Goal_Line{300, 100, 310, 690}));
  EXPECT_EQ(goal().Line(1), (Goal_Line{100, 100, 100, 700}));
  EXPECT_EQ(stored(2), "300,100,310,690");
  EXPECT_EQ(stored(1), at_start[0]);

  ui(w).Option_selected_camera[1]->click();
  EXPECT_EQ(w->state().Selected_Camera, 1);
  EXPECT_EQ(redraws, 2);
}

TEST_F(Goal_Window, ResetPutsTheSelectedLineInTheMiddleWithoutSaving) {
  make();
  show_picture();
  goal().set_Line(1, {5, 5, 6, 6});
  goal().set_Line(2, {7, 7, 8, 8});
  w->item("item_reset_line")->trigger();
  EXPECT_EQ(goal().Line(1), (Goal_Line{200, 88, 200, 792}));
  EXPECT_EQ(goal().Line(2), (Goal_Line{7, 7, 8, 8}));
  EXPECT_EQ(stored(1), at_start[0]);
  w->state().Selected_Camera = 0;
  w->item("item_reset_line")->trigger();
  EXPECT_EQ(goal().Line(2), (Goal_Line{7, 7, 8, 8}));
}

TEST_F(Goal_Window, CtrlGTogglesDisplacementAndOnlyThenDoKeypadKeysMoveTheCopy) {
  make();
  show_picture();
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  ASSERT_TRUE(w->key_filter().Hook_Installed());
  open_recording();
  show_picture();
  QAction* displace = w->item("item_displace_goalline");
  ASSERT_TRUE(displace->isEnabled());

  key(Qt::Key_6, Qt::KeypadModifier);
  EXPECT_EQ(w->state().Goal_Displacement, 0) << "mode off";

  key(Qt::Key_G, Qt::ControlModifier);
  ASSERT_TRUE(displace->isChecked());
  key(Qt::Key_6, Qt::KeypadModifier);     // Num Lock on
  key(Qt::Key_Right, Qt::KeypadModifier); // Num Lock off
  EXPECT_EQ(w->state().Goal_Displacement, 2);
  key(Qt::Key_Left, Qt::KeypadModifier);
  EXPECT_EQ(w->state().Goal_Displacement, 1);

  // A second notification inside the gap is ignored.
  clock.advance(200);
  QTest::keyClick(w.get(), Qt::Key_6, Qt::KeypadModifier);
  clock.advance(100);
  QTest::keyClick(w.get(), Qt::Key_6, Qt::KeypadModifier);
  EXPECT_EQ(w->state().Goal_Displacement, 2);

  w->obj_QN3_Handler().Close_File(); // no recording open for review
  key(Qt::Key_6, Qt::KeypadModifier);
  EXPECT_EQ(w->state().Goal_Displacement, 2);
  open_recording(); // opening puts the copy back on the line and ends displacement
  EXPECT_EQ(w->state().Goal_Displacement, 0);
  displace->setChecked(true);
  w->state().Goal_Displacement = 2;

  // The copy is drawn pink beside the line; turning the mode off puts it back at once.
  goal().set_Line(1, {100, 10, 100, 50});
  QImage picture(400, 880, QImage::Format_BGR888);
  picture.fill(Qt::black);
  Draw_Goal_Lines(picture, w->state(), goal().Displace_Mode());
  EXPECT_EQ(picture.pixel(100, 30), qRgb(255, 255, 255));
  EXPECT_EQ(picture.pixel(102, 30), qRgb(255, 100, 255));
  redraws = 0;
  key(Qt::Key_G, Qt::ControlModifier);
  EXPECT_FALSE(displace->isChecked());
  EXPECT_EQ(w->state().Goal_Displacement, 0);
  EXPECT_EQ(redraws, 1);
  picture.fill(Qt::black);
  Draw_Goal_Lines(picture, w->state(), goal().Displace_Mode());
  EXPECT_EQ(picture.pixel(102, 30), qRgb(0, 0, 0));
  EXPECT_EQ(picture.pixel(100, 30), qRgb(255, 255, 255));
}

TEST_F(Goal_Window, ArrowKeysGiveTheSliderTheFocusUnlessCtrlRight) {
  make();
  show_picture();
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  ui(w).Slider_play->setEnabled(true);
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool focused;
  };
  for (const Case& c : {Case{Qt::Key_Right, Qt::ControlModifier, false}, Case{Qt::Key_Left, {}, true},
                        Case{Qt::Key_Right, {}, true}, Case{Qt::Key_Up, {}, false}}) {
    ui(w).Text_filename->setFocus();
    ASSERT_TRUE(ui(w).Text_filename->hasFocus());
    clock.advance(200); // beyond the key gap
    QTest::keyClick(ui(w).Text_filename, c.key, c.modifiers);
    EXPECT_EQ(ui(w).Slider_play->hasFocus(), c.focused) << c.key << " " << c.modifiers;
  }
}

TEST_F(Goal_Window, DevelopmentModeHasNoKeyFilter) {
  make(true);
  EXPECT_FALSE(w->key_filter().Hook_Installed());
}

// A new installation's first heat has a line to time along: the reset line of the picture,
// stored for both cameras.
TEST_F(Goal_Window, ANewInstallationStoresTheResetLine) {
  make();
  EXPECT_EQ(stored(1), "200,88,200,792");
  EXPECT_EQ(stored(2), "200,88,200,792");
  EXPECT_EQ(goal().Line(1), (Goal_Line{200, 88, 200, 792}));
}

TEST_F(Goal_Window, StoredLinesAreReadAtStartAndTakenFromARecording) {
  Write_Ini_Value(Lines, "Goal_line1", "1,2,3,4", program().Settings_File_Path);
  Write_Ini_Value(Lines, "Goal_line2", "1,2,3", program().Settings_File_Path);
  make();
  EXPECT_EQ(goal().Line(1), (Goal_Line{1, 2, 3, 4}));
  EXPECT_EQ(goal().Line(2), (Goal_Line{0, 0, 0, 0}));

  w->item("item_displace_goalline")->setChecked(true);
  w->state().Goal_Displacement = 5;
  review_recordings::Spec spec;
  spec.goal_finish = QStringLiteral("10,20,30,40");
  spec.goal_split = QStringLiteral("not a line");
  const QString path = dir.filePath(QStringLiteral("lines.qn3"));
  ASSERT_TRUE(review_recordings::Write(path, spec));
  ASSERT_TRUE(w->review().Handle_Open(path));
  EXPECT_EQ(goal().Line(1), (Goal_Line{10, 20, 30, 40}));
  EXPECT_EQ(goal().Line(2), (Goal_Line{0, 0, 0, 0}));
  EXPECT_EQ(w->state().Goal_Displacement, 0);
  EXPECT_FALSE(goal().Displace_Mode());
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Goal_Window, ALineBeyondSixteenBitsIsReportedAndNotDrawn) {
  make();
  goal().set_Line(1, {10, 10, 10, 70000});
  QImage picture(40, 40, QImage::Format_BGR888);
  picture.fill(Qt::black);
  const QImage before = picture;
  Draw_Goal_Lines(picture, w->state(), goal().Displace_Mode());
  EXPECT_EQ(picture, before);
  ASSERT_EQ(errors.reports.size(), 2U); // the line and its copy
  EXPECT_EQ(errors.reports[0].location, "Draw_Goal_Line of Form Form_Doravent");
  EXPECT_EQ(errors.reports[0].number, 6);
}

TEST_F(Goal_Window, AnOpenedRecordingShowsItsGoalLineAndTheKeysMoveTheCopy) {
  make();
  review_recordings::Spec spec;
  spec.goal_finish = QStringLiteral("30,5,30,40");
  spec.goal_split = QStringLiteral("10,2,12,44");
  const QString path = dir.filePath(QStringLiteral("lines.qn3"));
  ASSERT_TRUE(review_recordings::Write(path, spec));
  ASSERT_TRUE(w->review().Handle_Open(path));
  const auto at = [this](int x, int y) { return ui(w).Picture_out->Picture().pixel(x, y); };
  EXPECT_EQ(at(30, 20), qRgb(255, 255, 255));
  EXPECT_NE(at(40, 20), qRgb(255, 255, 255));

  w->item("item_displace_goalline")->trigger();
  clock.advance(200);
  goal().IWindowsHook_HookProc(102, {});
  clock.advance(200);
  goal().IWindowsHook_HookProc(102, {});
  EXPECT_EQ(w->state().Goal_Displacement, 2);
  EXPECT_EQ(at(32, 20), qRgb(255, 100, 255)) << "the picture is shown again with the copy";
  EXPECT_EQ(at(29, 20), qRgb(255, 255, 255));

  w->item("item_displace_goalline")->trigger();
  EXPECT_EQ(w->state().Goal_Displacement, 0);
  EXPECT_NE(at(32, 20), qRgb(255, 100, 255));
  EXPECT_EQ(at(30, 20), qRgb(255, 255, 255));
  w->obj_QN3_Handler().Close_File();
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace

namespace {

// A live frame carries the selected camera's line with its handles, and its role in large
// letters low on the picture: "Goal" in cyan, "Split" in yellow.
TEST_F(Goal_Window, TheLivePictureShowsTheLineHandlesAndTheRole) {
  make();
  goal().set_Line(1, {200, 20, 200, 860});
  goal().set_Line(2, {100, 20, 100, 860});
  struct Case {
    int16_t camera;
    int line_x;
    QRgb text;
  };
  for (const Case& c : {Case{1, 200, qRgb(0, 255, 255)}, Case{2, 100, qRgb(255, 255, 0)}}) {
    SCOPED_TRACE(c.camera);
    w->state().Selected_Camera = c.camera;
    QImage picture(400, 880, QImage::Format_BGR888);
    picture.fill(Qt::black);
    Draw_Live_Goal_Line(picture, w->state());
    EXPECT_NE(picture.pixel(c.line_x, 400), qRgb(0, 0, 0)) << "the line";
    EXPECT_EQ(picture.pixel(c.line_x - Goal_Handle_Half, 20), qRgb(0, 0, 255)) << "the handle's box";
    int text_low = 0;
    int text_high = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        if (std::abs(x - c.line_x) > 4 && picture.pixel(x, y) == c.text)
          (y > picture.height() * 3 / 4 ? text_low : text_high)++;
    EXPECT_GT(text_low, 200) << "the role's letters near the bottom";
    EXPECT_EQ(text_high, 0);
  }
}

} // namespace
