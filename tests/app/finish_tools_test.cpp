// The finish tools on the real window: a box's time between two fields from two marked noses,
// the camera delay from the kit's LED over several trials, and the loupe.
#include "app/calibration_controller.h"
#include "app/loupe_controller.h"
#include "app/subfield_controller.h"

#include "app/form_doravent.h"
#include "app/goal_line_controller.h"
#include "app/review_controller.h"
#include "demo_window.h"
#include "platform/settings.h"
#include "presentation/loupe_view.h"
#include "recording/video_file_handler.h"
#include "timing/interpolated_time.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <cmath>
#include <cstring>

namespace {

struct Finish_Tools : Demo_Window {
  // The slider value of the field `ms` after the recording's first (fields every 20 ms).
  static int32_t Field_At(int32_t ms_after_first) { return ms_after_first / 20 + 1; }
};

TEST_F(Finish_Tools, TwoMarkedNosesGiveTheCrossing) {
  // Box 2 crosses 7 ms after the field at 29400 (from 28800: field 31), at 2 px per ms.
  const QString path = Demo("heat.qn3", {"--crossings", "-,29407,-,-,-,-", "--from", "28800", "--to", "29800"});
  load_window();
  ASSERT_TRUE(w->review().Handle_Open(path));
  Subfield_Controller& s = w->subfield();
  const auto at_field = [&](int32_t value) { ui(w).Slider_play->setValue(value); };
  // The noses where the synthetic camera puts them: 14 px before the line (shown column 200) in
  // the field at 29400, 26 px past it in the next.
  const int32_t before = Field_At(600), after = before + 1;
  w->item(QStringLiteral("item_subfield_box_2"))->trigger();
  EXPECT_EQ(s.Marking_Box(), 2);
  EXPECT_TRUE(s.Status_Text().contains("Box 2"));
  at_field(before);
  ASSERT_TRUE(s.Mark(QPointF(186.3, 340.5)));
  ASSERT_TRUE(s.First_Mark());
  // The same picture again is no second mark.
  ASSERT_TRUE(s.Mark(QPointF(190, 340)));
  EXPECT_TRUE(prompts->messages().last().contains("same picture"));
  EXPECT_EQ(w->obj_QN3_Handler().Dora_Heat_time(2, false), 0);
  prompts->answers = {Prompt_Answer::Yes};
  at_field(after);
  ASSERT_TRUE(s.Mark(QPointF(226.7, 340.5)));
  EXPECT_EQ(s.Marking_Box(), 0);
  EXPECT_TRUE(prompts->messages().last().contains("Box 2 crossed the line at 29.40"))
      << prompts->messages().last().toStdString();
  cls_VideoFile_handler& h = w->obj_QN3_Handler();
  EXPECT_NEAR(h.Dora_Heat_time(2, false), 29407, 1);
  EXPECT_EQ(h.Dora_heat_frame(2), after);
  const auto stored = Read_Interpolated_Time(h.XML_Header(), 2);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->field_time_ms, 29422);
  EXPECT_NEAR(stored->uncertainty_ms, 0.5, 1e-9);

  // Declined, or on the same side of the line: nothing stored.
  w->item(QStringLiteral("item_subfield_box_3"))->trigger();
  at_field(before);
  s.Mark(QPointF(180, 560));
  at_field(before - 1);
  s.Mark(QPointF(150, 560));
  EXPECT_TRUE(prompts->messages().last().contains("either side of the line"));
  EXPECT_EQ(s.Marking_Box(), 3); // the second mark may be made again
  at_field(after);
  prompts->answers = {Prompt_Answer::No};
  s.Mark(QPointF(230, 560));
  EXPECT_EQ(h.Dora_Heat_time(3, false), 0);
  // Escape ends the marking; without a recording it does not begin.
  w->item(QStringLiteral("item_subfield_box_4"))->trigger();
  QTest::keyClick(ui(w).Picture_out, Qt::Key_Escape);
  EXPECT_EQ(s.Marking_Box(), 0);
  EXPECT_TRUE(s.Status_Text().isEmpty());
  w->review().Do_Close();
  const int beeps = prompts->beeps();
  w->item(QStringLiteral("item_subfield_box_1"))->trigger();
  EXPECT_EQ(prompts->beeps(), beeps + 1);
  EXPECT_EQ(s.Marking_Box(), 0);
}

TEST_F(Finish_Tools, CalibrationTrialsProposeTheDelay) {
  const QString trial1 = Demo("t1.qn3", {"--video-delay", "137", "--from", "-200", "--to", "300"});
  const QString trial2 = Demo("t2.qn3", {"--video-delay", "137", "--from", "-190", "--to", "300"});
  load_window();
  Calibration_Controller& c = w->calibration();
  ASSERT_TRUE(w->review().Handle_Open(trial1));
  w->item(QStringLiteral("item_calibrate_delay"))->trigger();
  EXPECT_TRUE(prompts->messages().last().contains("Mark the LED"));
  // The LED's square, dragged over on the picture.
  w->item(QStringLiteral("item_mark_led"))->trigger();
  EXPECT_TRUE(c.Marking());
  c.Mark_Led(QPointF(379.5, 799.2), QPointF(340.1, 760.9));
  EXPECT_FALSE(c.Marking());
  EXPECT_EQ(c.Led_Place(), (Led_Rect{340, 760, 40, 40}));
  EXPECT_EQ(Read_Ini_Value("Calibration", "led_place", program().Settings_File_Path, {}), "340,760,40,40");

  prompts->answers = {Prompt_Answer::No};
  w->item(QStringLiteral("item_calibrate_delay"))->trigger();
  // Fields every 20 ms from 200 ms before the start: lit first at 140.
  EXPECT_TRUE(prompts->messages().last().contains(": 140 ms after the start"))
      << prompts->messages().last().toStdString();
  EXPECT_EQ(program().Goal_Delay_Ms, 200); // declined
  // The second trial's fields lie 10 ms later: lit first at 150. The smallest is proposed.
  ASSERT_TRUE(w->review().Handle_Open(trial2));
  prompts->answers = {Prompt_Answer::Yes};
  w->item(QStringLiteral("item_calibrate_delay"))->trigger();
  const QString message = prompts->messages().last();
  EXPECT_TRUE(message.contains("Trials: 140, 150 ms (2 trials, spread 10 ms)")) << message.toStdString();
  EXPECT_TRUE(message.contains("Take 140 ms"));
  EXPECT_EQ(Read_Ini_Value("Settings", "goal_compensation", program().Settings_File_Path, {}), "140");
  EXPECT_EQ(program().Goal_Delay_Ms, 140);
  // The same recording again replaces its trial.
  prompts->answers = {Prompt_Answer::No};
  w->item(QStringLiteral("item_calibrate_delay"))->trigger();
  EXPECT_EQ(c.Trials().size(), 2);
  w->item(QStringLiteral("item_clear_calibration"))->trigger();
  EXPECT_TRUE(c.Trials().isEmpty());
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Finish_Tools, LoupeMagnifiesThePicturePixelByPixel) {
  const QString path = Demo("heat.qn3", {"--crossings", "29203,-,-,-,-,-", "--from", "28800", "--to", "29600"});
  load_window();
  ASSERT_TRUE(w->review().Handle_Open(path));
  Loupe_Controller& loupe = w->loupe();
  EXPECT_TRUE(ui(w).Frame_loupe->isHidden());
  w->item(QStringLiteral("item_loupe_4"))->trigger();
  EXPECT_EQ(loupe.Zoom(), 4);
  ASSERT_FALSE(ui(w).Frame_loupe->isHidden());
  EXPECT_GT(ui(w).Frame_loupe->x(), ui(w).Picture_out->geometry().right());
  EXPECT_LT(ui(w).Frame_loupe->geometry().right(), ui(w).Frame_controls->x());
  const Loupe_View& view = loupe.View();
  ASSERT_EQ(view.Patch().size(), QSize(56, 56));

  // At the goal line (column 200) in the row under the mouse; the pixels are the picture's own,
  // without the goal line drawn over them.
  ui(w).Slider_play->setValue(Field_At(420) + 1); // box 1 just past the line
  loupe.Mouse_At(QPointF(30, 125.0));
  EXPECT_EQ(view.Origin(), QPoint(200 - 28, 125 - 28));
  const cDIBSection& field = w->obj_QN3_Handler().Field_Surface();
  for (int y = 0; y < 56; y += 5)
    EXPECT_EQ(
        std::memcmp(view.Patch().constScanLine(y), field.Row(view.Origin().y() + y) + 3 * view.Origin().x(), 56 * 3), 0)
        << y;
  // Red up to the nose, which has reached the line (the synthetic camera: 2 px per ms, 17 ms on).
  const QRgb nose_row = view.Patch().pixel(28, 28);
  EXPECT_GT(qRed(nose_row), 150);
  EXPECT_LT(qGreen(nose_row), 100);

  // It follows every step.
  const QImage at_crossing = view.Patch();
  ui(w).Slider_play->setValue(Field_At(420) - 4);
  EXPECT_NE(view.Patch(), at_crossing);

  // Under the mouse; near the edge it stays inside the picture.
  w->item(QStringLiteral("item_loupe_mouse"))->trigger();
  EXPECT_TRUE(loupe.Follow_Mouse());
  loupe.Mouse_At(QPointF(100.5, 300.2));
  EXPECT_EQ(view.Origin(), QPoint(100 - 28, 300 - 28));
  loupe.Mouse_At(QPointF(3, 870));
  EXPECT_EQ(view.Origin(), QPoint(0, 880 - 56));
  w->item(QStringLiteral("item_loupe_8"))->trigger();
  EXPECT_EQ(view.Patch().size(), QSize(28, 28));
  w->item(QStringLiteral("item_loupe_off"))->trigger();
  EXPECT_TRUE(ui(w).Frame_loupe->isHidden());

  // The keys, and where Help lists them.
  EXPECT_EQ(w->item(QStringLiteral("item_loupe_4"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+4")));
  EXPECT_EQ(w->item(QStringLiteral("item_loupe_mouse"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
  w->item(QStringLiteral("item_loupe_keys"))->trigger();
  for (const char* key : {"Ctrl+2", "Ctrl+4", "Ctrl+8", "Ctrl+0", "Ctrl+M"})
    EXPECT_TRUE(prompts->messages().last().contains(QString::fromLatin1(key))) << key;
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
