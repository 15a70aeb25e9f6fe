// One whole heat in the real window: an event file's heat is chosen, the synthetic camera runs,
// the recording is prepared, the simulated kit's start contact and goal-camera trigger drive the
// heat, "Heat finish" and "Open last heat" bring it back for review, each box is pressed at the
// first field in which its nose is past the goal line, and the results are ranked. Every stored
// time is checked against the synthetic camera's crossing instants.
#include "app/event_controller.h"
#include "app/playback_controller.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "mock/heat_window.h"
#include "presentation/event_form.h"
#include "presentation/results_form.h"
#include "recording/frame_display.h"
#include "recording/video_file_handler.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

constexpr int32_t Video_Delay_Ms = 80;
// Boxes 2 and 3 cross together; box 6 does not finish.
const Synthetic_Crossings Crossings{1500, 1700, 1700, 1900, 2030, std::nullopt};

// The box's body in the cropped picture (the crop starts at row 100 of the camera's picture),
// clear of box 6's stripe; the column just past the painted finish line (camera column 960).
int Runner_Row(int box) { return 200 + 110 * (box - 1) + 5 - 100; }
constexpr int Past_Line_Column = 201;

bool Is_Turf(QRgb pixel) {
  return std::abs(qRed(pixel) - 40) + std::abs(qGreen(pixel) - 120) + std::abs(qBlue(pixel) - 50) < 60;
}

struct Whole_Heat : Heat_Window {};

TEST_F(Whole_Heat, RecordedWithTheKitAndReviewedToTheSyntheticTruth) {
  load_heat_window(Video_Delay_Ms);
  synthetic->set_Crossings(Crossings);
  synthetic->set_Video_Delay(Video_Delay_Ms);

  // The event file's heat 3.
  Form_event_registration& events = w->events().Event_Window();
  events.Text_event_name->setText(QStringLiteral("Derby"));
  events.item_create_event_file_Click();
  events.UpDown_heat->setValue(3);
  events.Text_heat_name->setText(QStringLiteral("Final"));
  Q_EMIT events.Text_heat_name->editingFinished();
  for (int box = 1; box <= 6; ++box)
    events.Text_dog_name.at(static_cast<size_t>(box - 1))->setText(QStringLiteral("Dog %1").arg(box));
  events.XML_to_File();
  prompts->texts = {events.Event_File_Path()};
  w->item(QStringLiteral("item_open_event_file"))->trigger();
  ASSERT_TRUE(w->events().Event_File_Open());
  ui(w).UpDown_heat->setValue(3);

  start_camera();
  ui(w).Command_initiate_file->click();
  ASSERT_FALSE(w->heat_session().Recording_Path().isEmpty()) << prompts->messages().join('|').toStdString();
  const QString path = w->heat_session().Recording_Path();
  EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("Derby_3_")));

  // The start falls between fields, so no crossing coincides with a field's instant.
  input(1, true);
  clock.advance(7);
  input(0, true);
  ASSERT_TRUE(w->heat_session().Running());
  const int32_t start = w->heat_session().Start_Mill();
  EXPECT_EQ(synthetic->Race_Zero(), start);
  frames(30);     // 1.2 s of the race
  input(3, true); // the goal camera's trigger
  EXPECT_TRUE(w->heat_session().Collecting());
  frames(35); // to 2.6 s: every finisher crosses
  input(3, false);
  EXPECT_FALSE(w->heat_session().Collecting());
  EXPECT_EQ(w->heat_session().Held_Frames(), 0) << "appended at capture end";

  ui(w).Command_finish->click();
  EXPECT_FALSE(w->heat_session().Running());
  w->item(QStringLiteral("item_last_heat"))->trigger();
  cls_VideoFile_handler& h = w->obj_QN3_Handler();
  ASSERT_TRUE(h.File_open());
  ASSERT_EQ(ui(w).Text_filename->text(), path);
  ASSERT_TRUE(w->review_session().Field_Mode());
  EXPECT_EQ(h.Dora_Dog_name(2), "Dog 2");
  EXPECT_EQ(h.Dora_start_PC_mill(), start);

  // Each finisher's first field past the line, found on the fields as a reader decodes them.
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(path));
  Image_Display field;
  for (int box = 1; box <= 5; ++box) {
    SCOPED_TRACE(box);
    int first_past = 0;
    for (int v = 1; v <= reader.Num_fields() && first_past == 0; ++v) {
      reader.Draw_RGB_Field(v, field);
      if (!Is_Turf(field.image.pixel(Past_Line_Column, Runner_Row(box)))) first_past = v;
    }
    ASSERT_GT(first_past, 1) << "the recording must hold the field before the crossing";
    if (box == 3) ui(w).Cmd_DeadHeat->click();
    ui(w).Slider_play->setValue(first_past);
    ui(w).Command_BOX_set_time.at(static_cast<size_t>(box - 1))->click();
  }
  reader.Close_File();

  // The goal delay is the camera's delay: the stored time is the first field's run time.
  for (int box = 1; box <= 5; ++box) {
    const int32_t truth = *Crossings.at(static_cast<size_t>(box - 1));
    const int32_t stored = h.Dora_Heat_time(static_cast<int16_t>(box), false);
    EXPECT_GE(stored, truth + 2) << "box " << box;
    EXPECT_LE(stored, truth + 21) << "box " << box;
  }
  EXPECT_EQ(h.Dora_Heat_time(2, false), h.Dora_Heat_time(3, false));
  EXPECT_EQ(h.Dora_Heat_time(6, false), 0) << "box 6 did not finish";

  const Result_Array& rows = w->review_session().Results();
  const int16_t order[] = {1, 2, 3, 4, 5, 6};
  for (std::size_t r = 0; r < 6; ++r)
    EXPECT_EQ(rows.at(r).Box, order[r]) << r;
  Form_Dora_Results& form = w->results().Results_Form();
  const auto text = [&form](const char* control, int row) {
    return form.findChild<QLabel*>(QString::fromLatin1(control) + QString::number(row))->text();
  };
  EXPECT_EQ(text("Label_rank_", 1), "2");
  EXPECT_EQ(text("Label_rank_", 2), "2") << "the dead heat ranks as one";
  EXPECT_EQ(text("Label_rank_", 3), "4");
  EXPECT_EQ(text("Label_time_", 5), "---,---");
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
