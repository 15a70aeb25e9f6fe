// Whole heats in the real window, timed against the simulated world's physical truth: the
// instant the simulated kit's start contact changed on the kit's own thread (P) and each
// runner's crossing T_b after it. The program never tells the world when it thinks the race
// started, so a start stamped late, or a window too busy to take the contact at once, shows up
// as a wrong time.
#include "app/calibration_controller.h"
#include "app/event_controller.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "app/slit_controller.h"
#include "metadata/xml_header.h"
#include "mock/heat_window.h"
#include "platform/settings.h"
#include "presentation/event_form.h"
#include "presentation/results_form.h"
#include "recording/audit_trail.h"
#include "recording/frame_display.h"
#include "recording/heat_slit.h"
#include "recording/record_reader.h"
#include "recording/slit_image.h"
#include "recording/video_file_handler.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

constexpr int32_t Video_Delay_Ms = 80;
// Boxes 2 and 3 cross together; box 6 does not finish.
const Synthetic_Crossings Crossings{1500, 1700, 1700, 1900, 2030, std::nullopt};
constexpr int32_t Busy_Ms = 300;

// The box's body in the cropped picture (the crop starts at row 100 of the camera's picture),
// clear of box 6's stripe; the column just past the painted finish line (camera column 960).
int Runner_Row(int box) { return 200 + 110 * (box - 1) + 5 - 100; }
constexpr int Past_Line_Column = 201;

bool Is_Turf(QRgb pixel) {
  return std::abs(qRed(pixel) - 40) + std::abs(qGreen(pixel) - 120) + std::abs(qBlue(pixel) - 50) < 60;
}

struct Whole_Heat : Heat_Window {
  // Arms the start and changes the start contact; with `busy_ms` the window takes the contact's
  // event only after that long. The physical start P: the clock when the contact changed.
  int32_t start_race(int32_t busy_ms) {
    input(1, false);
    input(1, true);
    clock.advance(7); // the start falls between fields, so no crossing coincides with one
    const int32_t contact = clock.mill;
    const bool closed = !kit().Switch(0);
    kit().set_Switch(0, closed);
    kit().Wait_Raised();
    clock.advance(busy_ms); // nothing runs in the window meanwhile
    Run_Events_Until([this, closed] { return kit().Input(0) == closed; });
    Run_Queued_Events();
    EXPECT_EQ(synthetic->Physical_Start(), contact) << "P is the world's own";
    return contact;
  }
  // The goal camera's trigger over the finishers, then "Heat finish".
  void run_to_the_finish() {
    frames(30);
    input(3, true);
    EXPECT_TRUE(w->heat_session().Collecting());
    frames(35); // to 2.6 s: every finisher crosses
    input(3, false);
    EXPECT_EQ(w->heat_session().Held_Frames(), 0) << "appended at capture end";
    ui(w).Command_finish->click();
    EXPECT_FALSE(w->heat_session().Running());
  }
  // Each finisher's first field past the line, found on the fields as a reader decodes them.
  static std::array<int, 5> first_past(const QString& path) {
    std::array<int, 5> past{};
    cls_VideoFile_handler reader;
    EXPECT_TRUE(reader.Open_File(path));
    Image_Display field;
    for (int box = 1; box <= 5; ++box) {
      int& v = past.at(static_cast<size_t>(box - 1));
      for (int f = 1; f <= reader.Num_fields() && v == 0; ++f) {
        reader.Draw_RGB_Field(f, field);
        if (!Is_Turf(field.image.pixel(Past_Line_Column, Runner_Row(box)))) v = f;
      }
      EXPECT_GT(v, 1) << "box " << box << ": the recording must hold the field before the crossing";
    }
    reader.Close_File();
    return past;
  }
  // The recording opened again, each finisher's box pressed at its first field past the line
  // (found on the fields as a reader decodes them), and the proposals made; every time is held
  // against the truth.
  void review_against_the_truth(const QString& path) {
    w->item(QStringLiteral("item_last_heat"))->trigger();
    cls_VideoFile_handler& h = w->obj_QN3_Handler();
    ASSERT_TRUE(h.File_open());
    ASSERT_EQ(w->review_session().File_Name(), path);
    const std::array<int, 5> past = first_past(path);
    for (int box = 1; box <= 5; ++box) {
      if (box == 3) ui(w).Cmd_DeadHeat->click();
      ui(w).Slider_play->setValue(past.at(static_cast<size_t>(box - 1)));
      ui(w).Command_BOX_set_time.at(static_cast<size_t>(box - 1))->click();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!w->slit().Building(), 30000);
    for (int box = 1; box <= 5; ++box) {
      SCOPED_TRACE(box);
      const int32_t truth = *Crossings.at(static_cast<size_t>(box - 1));
      const int32_t stored = h.Dora_Heat_time(static_cast<int16_t>(box), false);
      EXPECT_GE(stored, truth + 2);
      EXPECT_LE(stored, truth + 21);
      const Finish_Proposal& p = w->slit().Proposals()[static_cast<size_t>(box - 1)];
      ASSERT_TRUE(p.found && p.interpolated);
      EXPECT_LE(std::abs(p.interpolated_ms - truth), 3.0) << p.interpolated_ms;
    }
    EXPECT_EQ(h.Dora_Heat_time(6, false), 0) << "box 6 did not finish";
  }
};

struct Busy_Case {
  const char* name;
  int32_t busy_ms;
  const char* event;
};

TEST_F(Whole_Heat, RecordedWithTheKitAndReviewedToThePhysicalTruth) {
  for (const Busy_Case& c :
       {Busy_Case{"window idle", 0, "Derby"}, Busy_Case{"window busy at the contact", Busy_Ms, "Oaks"}}) {
    SCOPED_TRACE(c.name);
    load_heat_window(Video_Delay_Ms);
    synthetic->set_Crossings(Crossings);
    synthetic->set_Video_Delay(Video_Delay_Ms);

    // The event file's heat 3.
    Form_event_registration& events = w->events().Event_Window();
    events.Text_event_name->setText(QString::fromLatin1(c.event));
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
    const QString path = w->heat_session().Recording_Path();
    ASSERT_FALSE(path.isEmpty()) << prompts->messages().join('|').toStdString();
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QString::fromLatin1(c.event) + QStringLiteral("_3_")));

    const int32_t contact = start_race(c.busy_ms);
    ASSERT_TRUE(w->heat_session().Running());
    EXPECT_EQ(w->heat_session().Start_Mill(), contact) << "stamped where the contact was met";
    run_to_the_finish();
    review_against_the_truth(path);
    EXPECT_EQ(w->obj_QN3_Handler().Dora_Dog_name(2), "Dog 2");

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
    w->review().Do_Close();
    w.reset();
    QFile::remove(program().Settings_File_Path);
  }
}

// The last heat opens with the slit made of its frames as they came, not built again from the
// records: its proposals still time every finisher to the truth, its columns are the records'
// fields, its pixels are the records' but for their compression, and it is refused for any
// other recording, layout or goal line.
TEST_F(Whole_Heat, TheLastHeatOpensWithTheSlitOfItsFramesAsTheyCame) {
  load_heat_window(Video_Delay_Ms);
  synthetic->set_Crossings(Crossings);
  synthetic->set_Video_Delay(Video_Delay_Ms);
  start_camera();
  ui(w).Command_initiate_file->click();
  const QString path = w->heat_session().Recording_Path();
  ASSERT_FALSE(path.isEmpty());
  start_race(0);
  run_to_the_finish();
  review_against_the_truth(path);
  EXPECT_TRUE(w->slit().From_Cache()) << "the slit was built again from the records";
  const Slit_Image& held = *w->slit().Slit(); // the window's, until it closes the recording
  const Slit_Line line = held.Line();
  cls_VideoFile_handler& h = w->obj_QN3_Handler();
  ASSERT_EQ(held.Columns(), 2 * h.Num_Frames());
  for (int32_t c = 0; c < held.Columns(); ++c)
    ASSERT_EQ(held.Column(c).capture_mill, h.Record_Capture_Mill(static_cast<int16_t>(c / 2 + 1)).value_or(-1)) << c;

  const Recording_Layout layout = Recording_Layout::Of(h);
  QString why;
  const std::optional<Slit_Image> built = Build_Slit_Image(layout, line, {}, why);
  ASSERT_TRUE(built) << why.toStdString();
  ASSERT_EQ(built->View_Bytes(), held.View_Bytes());
  for (int32_t view = 0; view < Slit_Views; ++view) {
    double difference = 0;
    for (size_t i = 0; i < held.View_Bytes(); ++i)
      difference += std::abs(int{held.Data(view)[i]} - int{built->Data(view)[i]});
    // On the painted line itself, two pixels wide, the records' halved chroma bleeds the turf's
    // colour into it; beside it the two agree but for compression noise.
    EXPECT_LT(difference / static_cast<double>(held.View_Bytes()), view == 0 ? 20.0 : 3.0) << "view " << view;
  }

  const std::shared_ptr<const Heat_Slit> offered = w->review_session().Held_Slit(path);
  ASSERT_TRUE(offered);
  struct Other {
    const char* name;
    Recording_Layout layout;
    Slit_Line line;
  };
  Recording_Layout fewer = layout, turned = layout;
  fewer.frame_count = static_cast<int16_t>(layout.frame_count - 1);
  turned.rotated = !layout.rotated;
  Slit_Line moved = line;
  moved.x1 += 1;
  moved.x2 += 1;
  for (const Other& other : {Other{"the same", layout, line}, Other{"a frame fewer", fewer, line},
                             Other{"turned", turned, line}, Other{"another line", layout, moved}}) {
    SCOPED_TRACE(other.name);
    Record_Reader heads;
    ASSERT_TRUE(heads.Open(other.layout, why)) << why.toStdString();
    EXPECT_EQ(offered->Image_For(other.layout, other.line, heads).has_value(), std::string(other.name) == "the same");
  }
  // Another heat's recording of as many frames has other stamps.
  w->review().Do_Close();
  start_camera();
  ui(w).Command_initiate_file->click();
  const QString second = w->heat_session().Recording_Path();
  start_race(0);
  run_to_the_finish();
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(second));
  Recording_Layout second_layout = Recording_Layout::Of(reader);
  ASSERT_EQ(second_layout.frame_count, layout.frame_count);
  Record_Reader heads;
  ASSERT_TRUE(heads.Open(second_layout, why));
  EXPECT_FALSE(offered->Image_For(second_layout, line, heads)) << "the first heat's slit for the second";
}

// The next race starts while the last heat's frames are still being appended ("Heat finish" with
// the trigger still closed) and the window is busy: the start is the next heat's, taken once the
// last one is closed, at the instant the contact changed.
TEST_F(Whole_Heat, AStartDuringTheLastHeatsAppendIsTheNextHeats) {
  setting(QStringLiteral("Settings"), QStringLiteral("auto_init"), QStringLiteral("1"));
  // The frames wait for the trigger's end, so that the append under way is a long one.
  setting(QStringLiteral("Settings"), QStringLiteral("write_while_capturing"), QStringLiteral("0"));
  load_heat_window(Video_Delay_Ms);
  w->heat_session().set_Append_Wait_Ms(500);
  synthetic->set_Crossings(Crossings);
  synthetic->set_Video_Delay(Video_Delay_Ms);
  start_camera();
  start_race(0);
  ASSERT_TRUE(w->heat_session().Running());
  const QString first = w->heat_session().Recording_Path();
  frames(30);
  input(3, true);
  frames(35);

  int32_t second_contact = 0;
  bool started = false;
  QObject::connect(&w->heat_session(), &Heat_Session::append_progress, [&] {
    if (started) return;
    started = true;
    kit().set_Switch(1, false);
    kit().set_Switch(1, true);
    kit().set_Switch(0, !kit().Switch(0));
    kit().Wait_Raised();
    second_contact = clock.mill;
    clock.advance(Busy_Ms);
  });
  ui(w).Command_finish->click(); // the trigger is still closed: its frames go in now
  Run_Queued_Events();
  ASSERT_TRUE(started);
  EXPECT_EQ(synthetic->Physical_Start(), second_contact);
  ASSERT_TRUE(w->heat_session().Running()) << prompts->messages().join('|').toStdString();
  EXPECT_EQ(w->heat_session().Start_Mill(), second_contact);
  const QString second = w->heat_session().Recording_Path();
  EXPECT_NE(second, first);
  input(3, false);
  run_to_the_finish();
  review_against_the_truth(second);
  EXPECT_TRUE(errors.reports.empty());
}

// A start the program never heard (a broken wire) or heard late (the operator pressing "Start
// heat" with the dogs near the line): the trigger's frames are kept, and the start recovered from
// the winner's hand time puts every time where the physical truth has it, marked as recovered.
TEST_F(Whole_Heat, AStartRecoveredFromTheWinnersHandTimeTimesTheHeatToTheTruth) {
  for (const bool late_press : {false, true}) {
    SCOPED_TRACE(late_press ? "started late by hand" : "start contact failed");
    prompts->seen.clear();
    load_heat_window(0);
    synthetic->set_Crossings(Crossings);
    start_camera();
    ui(w).Command_initiate_file->click();
    const QString path = w->heat_session().Recording_Path();
    input(1, true);
    clock.advance(7);
    synthetic->Set_Physical_Start(clock.mill); // the traps open; the contact stays as it was
    frames(30);
    input(3, true);
    ASSERT_TRUE(w->heat_session().Collecting()) << "a trigger before any start keeps its frames";
    if (late_press) w->heat_session().Start(Start_Stamp::Now());
    frames(35);
    input(3, false);
    ui(w).Command_finish->click();
    ASSERT_EQ(w->heat_session().Held_Frames(), 0);

    w->item(QStringLiteral("item_last_heat"))->trigger();
    ASSERT_EQ(w->review_session().File_Name(), path);
    EXPECT_EQ(prompts->messages().filter(QStringLiteral("no start instant")).size(), late_press ? 0 : 1);
    const std::array<int, 5> past = first_past(path);
    const auto press_boxes = [&] {
      for (int box = 1; box <= 5; ++box) {
        ui(w).Slider_play->setValue(past.at(static_cast<size_t>(box - 1)));
        ui(w).Command_BOX_set_time.at(static_cast<size_t>(box - 1))->click();
      }
    };
    // Times taken before the recovery move with the start; times taken after count from it.
    if (late_press) press_boxes();
    ui(w).Slider_play->setValue(past.at(0));
    prompts->texts = {QStringLiteral("1,50")}; // the winner's hand time, box 1's true crossing
    prompts->answers = {Prompt_Answer::Yes};
    w->item(QStringLiteral("item_start_from_hand_time"))->trigger();
    if (!late_press) press_boxes();
    cls_VideoFile_handler& h = w->obj_QN3_Handler();
    EXPECT_EQ(h.Dora_Heat_time(1, false), 1500) << "the winner's picture shows the hand time";
    for (int box = 2; box <= 5; ++box) {
      SCOPED_TRACE(box);
      // Each first field past the line lies up to a field after its crossing.
      const int32_t gap = h.Dora_Heat_time(static_cast<int16_t>(box), false) - 1500;
      const int32_t truth = *Crossings.at(static_cast<size_t>(box - 1)) - 1500;
      EXPECT_GT(gap, truth - 20);
      EXPECT_LT(gap, truth + 20);
    }
    EXPECT_FALSE(h.XML_Header().Dora_Start_Recovered().isEmpty())
        << prompts->messages().join(QLatin1Char('|')).toStdString();
    const Audit_Check trail = Check_Audit_Trail(Read_Audit_Trail(Audit_Trail_Path(path)), std::nullopt);
    EXPECT_TRUE(trail.holds()) << trail.why.toStdString();
    const auto recovered = std::count_if(trail.entries.begin(), trail.entries.end(), [](const Audit_Entry& e) {
      return e.command.startsWith(QStringLiteral("Start from hand time")) && e.what == QStringLiteral("start");
    });
    EXPECT_EQ(recovered, 1);
    EXPECT_TRUE(w->results().Results_Form().Label_heat_started->text().endsWith(QStringLiteral("(start recovered)")));
    for (const auto& r : errors.reports)
      ADD_FAILURE() << r.location.toStdString() << ": " << r.description.toStdString();
    w->review().Do_Close();
    w.reset();
    QFile::remove(program().Settings_File_Path);
  }
}

// The camera delay from the kit's LED: the LED lights when the program's output call reaches the
// kit (L), so a window busy at the contact lights it late, and the calibration can only see the
// camera's delay plus that lag. It finds them within a field of the truth.
TEST_F(Whole_Heat, CalibrationSeesTheCameraDelayAndTheRealLedLag) {
  struct Case {
    int32_t delay_ms;
    int32_t busy_ms;
  };
  for (const Case& c : {Case{0, 0}, Case{80, 0}, Case{200, 0}, Case{80, Busy_Ms}}) {
    SCOPED_TRACE(testing::Message() << c.delay_ms << " ms, busy " << c.busy_ms);
    load_heat_window(0);
    synthetic->set_Video_Delay(c.delay_ms);
    start_camera();
    ui(w).Command_initiate_file->click();
    ASSERT_TRUE(w->heat_session().Prepared());
    frames(10);
    input(3, true); // the start in view
    input(1, true);
    const int32_t contact = start_race(c.busy_ms);
    frames(20);
    input(3, false);
    ui(w).Command_finish->click();
    ASSERT_TRUE(synthetic->Led_Lit_At());
    const int32_t lag = Mill_Difference(*synthetic->Led_Lit_At(), contact);
    EXPECT_GE(lag, c.busy_ms);

    w->item(QStringLiteral("item_last_heat"))->trigger();
    ASSERT_TRUE(w->obj_QN3_Handler().File_open());
    // The LED's place in the cropped picture (camera rows 860-899, columns 1100-1139).
    ASSERT_EQ(Write_Ini_Value("Calibration", "led_place", "340,760,40,40", program().Settings_File_Path), 1);
    prompts->answers = {Prompt_Answer::No};
    w->item(QStringLiteral("item_calibrate_delay"))->trigger();
    ASSERT_EQ(w->calibration().Trials().size(), 1);
    const int32_t measured = w->calibration().Trials().first();
    EXPECT_GE(measured, c.delay_ms + lag - 1);
    EXPECT_LE(measured, c.delay_ms + lag + 21);
    w->review().Do_Close();
    w.reset();
    QFile::remove(program().Settings_File_Path);
  }
}

} // namespace
