// The set-times buttons on the real window: what each press stores in the recording, the
// one-shot modes, goal and split mode, the Assign times commands and read-only recordings.
#include "app/set_times_controller.h"

#include "app/form_doravent.h"
#include "app/playback_controller.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "mock/fake_clock.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "mock/window_test.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"
#include "presentation/results_form.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"
#include "timing/result_ranking.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <limits>
#include <map>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Light_Cyan(192, 255, 255);

QColor back_colour(const QPushButton* b) { return b->palette().color(QPalette::Button); }
QColor face() { return QApplication::palette().color(QPalette::Button); }

struct Set_Times_Fixture : Window_Test {
  Fake_Clock clock;
  QString path;

  void SetUp() override {
    Window_Test::SetUp();
    load_window();
  }

  // Run times by slider position: the recording's stamps are made so that the picture at
  // position p shows times[p] (six frames, stepped by frames, no goal delay); other positions
  // show 100 ms per position.
  using Shown_Times = std::map<int, int32_t>;
  static constexpr int32_t Start_Mill = 100000;

  void open(const Shown_Times& times, bool read_only = false) {
    review_recordings::Spec spec;
    spec.interlaced = false;
    spec.frames = 6;
    spec.start_pc_mill = Start_Mill;
    for (int p = 1; p <= spec.frames; ++p) {
      const auto planned = times.find(p);
      const int32_t shown = planned != times.end() ? planned->second : 100 * p;
      spec.capture_mills.push_back(Start_Mill + shown - 2); // a picture's run time is its stamp - start + 2
    }
    path = dir.filePath(QStringLiteral("heat.qn3"));
    ASSERT_TRUE(review_recordings::Write(path, spec));
    if (read_only) {
      ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    }
    h().set_Default_Goal_Compensation(0);
    ASSERT_TRUE(w->review().Handle_Open(path));
  }
  // Moves the slider to the position; the picture it shows carries the run time planned for it.
  void show_picture(int position, int32_t elapsed_ms) {
    ui(w).Slider_play->setValue(position);
    ASSERT_EQ(ui(w).Slider_play->value(), position);
    ASSERT_EQ(w->review_session().Shown_Run_Time(), elapsed_ms) << "position " << position;
  }
  QPushButton* box_button(int box) { return ui(w).Command_BOX_set_time.at(static_cast<std::size_t>(box - 1)); }
  void press_box(int box) { box_button(box)->click(); }
  cls_VideoFile_handler& h() { return w->obj_QN3_Handler(); }
  QString row_text(const char* control, int row) {
    return w->results().Results_Form().findChild<QLabel*>(QString::fromLatin1(control) + QString::number(row))->text();
  }
  QByteArray bytes() {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

// Each box button stores the shown time with its frame and click time, written at once, and
// the one-shot modes apply to the next box only.
TEST_F(Set_Times_Fixture, BoxButtonsStoreTimesAndModesApplyOnce) {
  open({{3, 802}, {4, 900}, {5, 950}});
  show_picture(3, 802);
  ui(w).Cmd_add_hundredth->click();
  EXPECT_TRUE(w->set_times().Modes().plus_hundredth);
  EXPECT_EQ(back_colour(ui(w).Cmd_add_hundredth), Yellow);
  clock.mill = 50000;
  press_box(3);
  EXPECT_FALSE(w->set_times().Modes().plus_hundredth);
  EXPECT_EQ(back_colour(ui(w).Cmd_add_hundredth), face());

  show_picture(4, 900);
  ui(w).Cmd_DeadHeat->click();
  EXPECT_EQ(back_colour(ui(w).Cmd_DeadHeat), Yellow);
  clock.mill = 51000;
  press_box(2);
  EXPECT_FALSE(w->set_times().Modes().dead_heat);
  EXPECT_EQ(back_colour(ui(w).Cmd_DeadHeat), face());
  show_picture(5, 950);
  press_box(5);

  // A second handler reads what the window stored, while the window keeps the file open.
  cls_VideoFile_handler again;
  ASSERT_TRUE(again.Open_File(path));
  struct Stored {
    int16_t box;
    int32_t time;
    int16_t frame;
    int32_t click;
    bool dead_heat;
  };
  for (const Stored& s : std::initializer_list<Stored>{
           {3, 812, 3, 50000, false}, {2, 900, 4, 51000, true}, {5, 950, 5, 51000, false}, {1, 0, 0, 0, false}}) {
    SCOPED_TRACE(s.box);
    EXPECT_EQ(again.Dora_Heat_time(s.box, false), s.time);
    EXPECT_EQ(again.Dora_heat_frame(s.box), s.frame);
    EXPECT_EQ(again.Dora_Heat_Click_Time(s.box), s.click);
    EXPECT_EQ(again.Dora_dead_heat(s.box), s.dead_heat);
    EXPECT_EQ(again.Dora_Heat_time(s.box, true), 0);
  }
  again.Close_File();
  for (int box = 1; box <= 6; ++box)
    EXPECT_EQ(back_colour(box_button(box)), box == 2 || box == 3 || box == 5 ? Light_Cyan : face()) << box;
  EXPECT_EQ(w->set_times().Last_Set_Time(), 950);
  EXPECT_TRUE(errors.reports.empty());
}

// The Notime pop-up chooses the code the next box gets; without a choice it is no rank.
TEST_F(Set_Times_Fixture, NoTimeCodesFollowTheButtonCaption) {
  open({{1, 30001}, {3, 30003}, {4, 30004}, {6, 30006}});
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  QTest::mousePress(ui(w).Cmd_Notime, Qt::RightButton);
  QMenu* notime = w->menu(QStringLiteral("menu_notime"));
  EXPECT_TRUE(notime->isVisible());
  EXPECT_FALSE(w->set_times().Modes().no_time) << "the right button only opens the pop-up";
  notime->hide();

  struct Case {
    const char* item; // nullptr: the initial caption
    const char* caption;
    int16_t box;
    int32_t code;
    const char* shown;
  };
  int32_t mill = 60000;
  for (const Case& c : std::initializer_list<Case>{{nullptr, "No Time", 6, Code_No_Rank, "---,---"},
                                                   {"item_DNF", "DNF", 4, Code_Did_Not_Finish, "DNF"},
                                                   {"item_disqualified", "DSQ", 1, Code_Disqualified, "DSQ"},
                                                   {"item_NoRank", "No Rnk", 3, Code_No_Rank, "---,---"}}) {
    SCOPED_TRACE(c.caption);
    if (c.item) w->item(QString::fromLatin1(c.item))->trigger();
    EXPECT_EQ(ui(w).Cmd_Notime->text(), c.caption);
    ui(w).Cmd_Notime->click();
    EXPECT_EQ(back_colour(ui(w).Cmd_Notime), Yellow);
    show_picture(c.box, 30000 + c.box);
    clock.mill = ++mill;
    press_box(c.box);
    EXPECT_FALSE(w->set_times().Modes().no_time);
    EXPECT_EQ(back_colour(ui(w).Cmd_Notime), face());
    EXPECT_EQ(h().Dora_Heat_time(c.box, false), c.code);
    EXPECT_EQ(h().Dora_heat_frame(c.box), c.box);
    EXPECT_EQ(h().Dora_Heat_Click_Time(c.box), mill);
    // No code is remembered as a time to share in a dead heat.
    EXPECT_FALSE(w->set_times().Last_Set_Time().has_value());

    const Result_Array& rows = w->review_session().Results();
    for (std::size_t r = 0; r < rows.size(); ++r)
      if (rows.at(r).Box == c.box) {
        const int row = static_cast<int>(r);
        EXPECT_EQ(row_text("Label_time_", row), c.shown);
        EXPECT_EQ(row_text("Label_Split_", row), "---,---");
        EXPECT_EQ(row_text("Label_rank_", row), "---");
      }
  }
  EXPECT_TRUE(errors.reports.empty());
}

// Through the buttons: equal times rank by the earlier press, a dead heat shares the rank, the
// box delay is added to what is shown, and a time without split shows 00,00.
TEST_F(Set_Times_Fixture, PressesRankInTheResultsWindow) {
  program().Box_Delay_Ms = 100;
  open({{1, 31250}, {2, 29500}, {3, 32000}, {5, 29500}});
  const struct {
    int16_t box;
    int32_t elapsed;
    bool dead_heat;
  } presses[] = {{1, 31250, false}, {5, 29500, false}, {2, 29500, true}, {3, 32000, false}};
  for (const auto& p : presses) {
    if (p.dead_heat) ui(w).Cmd_DeadHeat->click();
    show_picture(p.box, p.elapsed);
    clock.advance(1000);
    press_box(p.box);
  }
  const char* const ranks[] = {"1", "1", "3", "4"};
  const char* const times[] = {"29,60", "29,60", "31,35", "32,10"};
  const int16_t boxes[] = {5, 2, 1, 3};
  for (int r = 0; r < 4; ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(w->review_session().Results().at(static_cast<std::size_t>(r)).Box, boxes[r]);
    EXPECT_EQ(row_text("Label_rank_", r), ranks[r]);
    EXPECT_EQ(row_text("Label_time_", r), times[r]);
    EXPECT_EQ(row_text("Label_Split_", r), "00,00");
  }
  for (std::size_t r = 0; r < 3; ++r)
    EXPECT_EQ(w->results().Results_Form().Shape_dead_circle.at(r)->isHidden(), r != 1) << r;
  EXPECT_EQ(w->results().Results_Form().Label_box_delay->text(), "Box delay = 100ms");
}

// Split mode stores split times and lights the buttons that have one; the goal/split button
// ignores a bounce and beeps without a recording.
TEST_F(Set_Times_Fixture, SplitModeStoresSplitTimes) {
  ui(w).Cmd_Split->click();
  EXPECT_EQ(prompts->beeps(), 1) << "no recording open";
  clock.advance(300);
  open({{2, 15000}, {3, 14000}});
  show_picture(2, 15000);
  press_box(1);

  clock.advance(300);
  ui(w).Cmd_Split->click();
  clock.advance(299);
  ui(w).Cmd_Split->click(); // a bounce: still split mode
  EXPECT_EQ(ui(w).Cmd_Split->text(), "Goal");
  EXPECT_TRUE(w->set_times().Modes().split);
  EXPECT_EQ(w->state().Selected_Camera, 2);
  EXPECT_EQ(ui(w).Frame_settimes->title(), "Set Split times");
  EXPECT_TRUE(ui(w).Cmd_DeadHeat->isHidden());
  EXPECT_TRUE(ui(w).Cmd_Notime->isHidden());
  EXPECT_EQ(back_colour(box_button(1)), face()) << "box 1 has a goal time only";

  // A one-shot dead heat is not spent on a split.
  w->set_times().Modes().dead_heat = true;
  show_picture(3, 14000);
  ui(w).Cmd_add_hundredth->click();
  press_box(2);
  EXPECT_EQ(h().Dora_Heat_time(2, true), 14010);
  EXPECT_EQ(h().Dora_split_frame(2), 3);
  EXPECT_EQ(h().Dora_Heat_time(2, false), 0);
  EXPECT_EQ(h().Dora_Heat_Click_Time(2), 0);
  EXPECT_TRUE(w->set_times().Modes().dead_heat);
  w->set_times().Modes().dead_heat = false;
  EXPECT_EQ(back_colour(box_button(2)), Light_Cyan);
  EXPECT_EQ(back_colour(box_button(1)), face());
  EXPECT_EQ(w->set_times().Last_Set_Time(), 15000) << "a split is no goal time";

  clock.advance(300);
  ui(w).Cmd_Split->click();
  EXPECT_EQ(ui(w).Cmd_Split->text(), "Split");
  EXPECT_FALSE(w->set_times().Modes().split);
  EXPECT_EQ(w->state().Selected_Camera, 1);
  EXPECT_EQ(ui(w).Frame_settimes->title(), "Set Goal times");
  EXPECT_FALSE(ui(w).Cmd_DeadHeat->isHidden());
  EXPECT_EQ(back_colour(box_button(1)), Light_Cyan);
  EXPECT_EQ(back_colour(box_button(2)), face());

  // Opening again enters goal mode, leaves the camera as it was and moves to the goal frame:
  // no picture of this short heat is past 12 s, so the last one the 4-step search visits.
  clock.advance(300);
  ui(w).Cmd_Split->click();
  ASSERT_TRUE(w->set_times().Modes().split);
  ui(w).Slider_play->setValue(2);
  ASSERT_TRUE(w->review().Handle_Open(path));
  EXPECT_EQ(ui(w).Slider_play->value(), 5);
  EXPECT_EQ(ui(w).Cmd_Split->text(), "Split");
  EXPECT_FALSE(w->set_times().Modes().split);
  EXPECT_EQ(w->state().Selected_Camera, 2);
  EXPECT_EQ(prompts->beeps(), 1);
  EXPECT_TRUE(errors.reports.empty());
}

// The Assign times commands act on the held box; the held box follows press and release.
TEST_F(Set_Times_Fixture, AssignTimesActOnTheHeldBox) {
  open({{1, 1500}, {2, 20000}, {3, 21000}});
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  w->item("item_set_time")->trigger();
  EXPECT_EQ(prompts->beeps(), 1) << "no box held";

  // A left press and release is a whole click: it stores box 3 as well.
  show_picture(1, 1500);
  QTest::mousePress(box_button(3), Qt::LeftButton);
  EXPECT_EQ(w->set_times().Modes().held_box, 3);
  QTest::mouseRelease(box_button(3), Qt::LeftButton);
  EXPECT_EQ(w->set_times().Modes().held_box, 0);
  EXPECT_EQ(h().Dora_Heat_time(3, false), 1500);

  // The right button holds the box and offers the commands.
  QTest::mousePress(box_button(4), Qt::RightButton);
  EXPECT_EQ(w->set_times().Modes().held_box, 4);
  QMenu* assign = w->menu(QStringLiteral("menu_assign_times"));
  EXPECT_TRUE(assign->isVisible());
  assign->hide();

  show_picture(2, 20000);
  w->item("item_plus_one_hundredth")->trigger();
  EXPECT_EQ(h().Dora_Heat_time(4, false), 20010);
  EXPECT_EQ(h().Dora_heat_frame(4), 2);
  w->item("item_split_plus_one_hundredth")->trigger();
  EXPECT_EQ(h().Dora_Heat_time(4, true), 20010);
  w->item("item_set_split")->trigger();
  EXPECT_EQ(h().Dora_Heat_time(4, true), 20000);

  w->set_times().Modes().held_box = 5;
  show_picture(3, 21000);
  w->item("item_dead_heat")->trigger();
  EXPECT_EQ(h().Dora_Heat_time(5, false), 20010) << "the last set time";
  EXPECT_TRUE(h().Dora_dead_heat(5)) << "the mark survives the store";
  EXPECT_FALSE(w->set_times().Modes().dead_heat);
  w->item("item_set_time")->trigger();
  EXPECT_EQ(h().Dora_Heat_time(5, false), 21000);
  EXPECT_FALSE(h().Dora_dead_heat(5));
  w->item("item_set_notime")->trigger();
  EXPECT_EQ(h().Dora_Heat_time(5, false), Code_No_Rank);
  EXPECT_EQ(row_text("Label_time_", 0), "1,50");
  EXPECT_EQ(row_text("Label_time_", 1), "20,01");

  // Clear result empties boxes 1 to 8 in the file.
  h().set_Dora_dead_heat(8, true);
  h().set_Dora_Heat_time(7, false, 5000);
  w->item("item_clear_result")->trigger();
  cls_VideoFile_handler again;
  ASSERT_TRUE(again.Open_File(path));
  for (int16_t box = 1; box <= 8; ++box) {
    EXPECT_EQ(again.Dora_Heat_time(box, false), 0) << box;
    EXPECT_EQ(again.Dora_Heat_time(box, true), 0) << box;
    EXPECT_EQ(again.Dora_heat_frame(box), 0) << box;
    EXPECT_EQ(again.Dora_Heat_Click_Time(box), 0) << box;
    EXPECT_FALSE(again.Dora_dead_heat(box)) << box;
  }
  again.Close_File();
  EXPECT_EQ(row_text("Label_time_", 0), "---,---");
  EXPECT_EQ(prompts->beeps(), 1);
  EXPECT_TRUE(errors.reports.empty());
}

// A dead heat from the menu before any time was set would wipe the box's time: refused.
TEST_F(Set_Times_Fixture, MenuDeadHeatNeedsATimeToShare) {
  open({{2, 20000}});
  show_picture(2, 20000);
  press_box(1);
  ASSERT_TRUE(w->review().Handle_Open(path)); // another opening forgets the last time
  w->set_times().Modes().held_box = 1;
  w->item("item_dead_heat")->trigger();
  EXPECT_EQ(prompts->beeps(), 1);
  EXPECT_EQ(h().Dora_Heat_time(1, false), 20000);
  EXPECT_FALSE(h().Dora_dead_heat(1));
}

// A read-only recording refuses every change and its bytes stay as they were.
TEST_F(Set_Times_Fixture, ReadOnlyRecordingRefusesEveryChange) {
  open({{2, 20000}}, true);
  ASSERT_TRUE(h().Read_only());
  const QByteArray before = bytes();
  show_picture(2, 20000);
  press_box(1);
  w->set_times().Modes().held_box = 2;
  const char* const items[] = {"item_set_time",   "item_plus_one_hundredth",
                               "item_set_split",  "item_split_plus_one_hundredth",
                               "item_set_notime", "item_clear_result"};
  for (const char* item : items)
    w->item(QString::fromLatin1(item))->trigger();
  EXPECT_EQ(prompts->messages(), QStringList(7, QStringLiteral("File is read only!")));
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(h().Dora_Heat_time(1, false), 0);
  EXPECT_EQ(h().Dora_Heat_time(2, true), 0);
  EXPECT_TRUE(errors.reports.empty());
}

// A header that cannot be written is reported with the place, and the window goes on showing
// what the file holds.
TEST_F(Set_Times_Fixture, AFailedWriteIsReportedAndUndone) {
  open({{2, 20000}});
  // Too long a name for the header block: every rewrite fails from now on.
  h().set_Dora_Dog_name(1, QString(70000, QLatin1Char('x')));
  const QByteArray before = bytes();
  show_picture(2, 20000);
  press_box(3);
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(h().Dora_Heat_time(3, false), 0);
  EXPECT_EQ(h().Dora_heat_frame(3), 0);
  ASSERT_EQ(errors.reports.size(), 1U) << "reported once, where the write failed";
  EXPECT_TRUE(errors.reports[0].location.startsWith("Write_XML_Header of "))
      << errors.reports[0].location.toStdString();
  EXPECT_FALSE(w->set_times().Last_Set_Time().has_value());
  EXPECT_EQ(back_colour(box_button(3)), face());
}

// Clearing that cannot be written leaves the results shown as the file holds them.
TEST_F(Set_Times_Fixture, AFailedClearKeepsTheResults) {
  open({{2, 20000}});
  show_picture(2, 20000);
  press_box(3);
  const int32_t stored = h().Dora_Heat_time(3, false);
  ASSERT_GT(stored, 0);
  h().set_Dora_Dog_name(1, QString(70000, QLatin1Char('x')));
  const QByteArray before = bytes();
  w->item("item_clear_result")->trigger();
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(h().Dora_Heat_time(3, false), stored);
  EXPECT_NE(back_colour(box_button(3)), face());
  ASSERT_EQ(errors.reports.size(), 1U) << "reported once, where the write failed";
  EXPECT_TRUE(errors.reports[0].location.startsWith("Write_XML_Header of "))
      << errors.reports[0].location.toStdString();
}

// A picture that cannot be read shows the last good picture and its time: a box press there
// would store a time that is not its frame's, so it is refused.
TEST_F(Set_Times_Fixture, APictureThatCannotBeReadTakesNoTime) {
  open({{3, 20000}, {4, 20040}});
  {
    // Frame 4 loses its start marker: the reader treats it as no frame.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const int64_t record = (file.size() - qn3::Header_Block_Size) / 6;
    ASSERT_TRUE(file.seek(qn3::Header_Block_Size + 3 * record));
    ASSERT_EQ(file.write("XXXX", 4), 4);
  }
  ASSERT_TRUE(w->review().Handle_Open(path));
  show_picture(3, 20000);
  ui(w).Slider_play->setValue(4);
  EXPECT_FALSE(w->review_session().Shown_Run_Time().has_value());
  const QByteArray before = bytes();
  press_box(2);
  w->set_times().Modes().held_box = 3;
  w->item("item_set_time")->trigger();
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(h().Dora_Heat_time(2, false), 0);
  EXPECT_EQ(h().Dora_heat_frame(2), 0);
  EXPECT_EQ(h().Dora_Heat_time(3, false), 0);
  EXPECT_EQ(prompts->messages(), QStringList(2, QStringLiteral("Picture 4 could not be read: no time was stored!")));
  // The next readable picture takes its own time again.
  ui(w).Slider_play->setValue(5);
  press_box(2);
  EXPECT_EQ(h().Dora_Heat_time(2, false), 500);
  EXPECT_EQ(h().Dora_heat_frame(2), 5);
}

} // namespace
