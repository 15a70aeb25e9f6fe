#include "app/playback_controller.h"

#include "app/form_doravent.h"
#include "app/goal_line_controller.h"
#include "app/key_filter.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "mock/fake_clock.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "mock/window_test.h"
#include "platform/program_info.h"
#include "platform/twips.h"
#include "platform/user_folders.h"
#include "presentation/results_form.h"
#include "recording/video_file_handler.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace review_recordings;

namespace {

struct Playback_Window : Window_Test {
  Fake_Clock clock;

  void load(bool development = false) {
    Form_Doravent::Options options;
    options.development_mode = development;
    load_window(options);
    if (w) w->obj_QN3_Handler().set_Default_Goal_Compensation(0);
  }
  QString make(const Spec& spec, const QString& name = QStringLiteral("heat.qn3")) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(Write(path, spec));
    return path;
  }
  void open(const Spec& spec, const QString& name = QStringLiteral("heat.qn3")) {
    ASSERT_TRUE(w->review().Handle_Open(make(spec, name)));
  }
  Playback_Controller& play() { return w->playback(); }
  cls_VideoFile_handler& h() { return w->obj_QN3_Handler(); }
  // Where the slider is and what it shows.
  void show(int value) {
    {
      const QSignalBlocker quiet(ui(w).Slider_play);
      ui(w).Slider_play->setValue(value);
    }
    w->playback().Slider_play_Scroll();
  }
  int value() const { return ui(w).Slider_play->value(); }
  int32_t elapsed() const { return w->review_session().Shown_Time_Label_Ms(); }
};

// Frame k of the recording without its start marker: the reader treats it as no frame.
void Unmark_Record(const QString& path, int32_t frames, int32_t k) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  const int64_t record = (file.size() - qn3::Header_Block_Size) / frames;
  ASSERT_TRUE(file.seek(qn3::Header_Block_Size + (k - 1) * record));
  ASSERT_EQ(file.write("XXXX", 4), 4);
}

TEST_F(Playback_Window, FieldsAndFramesShowTheirRunTimes) {
  load();
  Spec spec;
  spec.frames = 3;
  spec.start_pc_mill = 100000;
  spec.first_mill = 101000;
  spec.goal_compensation = QStringLiteral("200");
  open(spec);
  ASSERT_TRUE(w->review_session().Field_Mode());
  struct Case {
    int value;
    int32_t elapsed;
    const char* text;
    bool bright; // field 1 holds the bright top rows
  };
  const Case by_fields[] = {{1, 802, " 00:00,80", true},
                            {2, 822, " 00:00,82", false},
                            {3, 842, " 00:00,84", true},
                            {6, 902, " 00:00,90", false}};
  for (const Case& c : by_fields) {
    SCOPED_TRACE(c.value);
    ui(w).Slider_play->setValue(c.value); // through the slider's own signal
    EXPECT_EQ(elapsed(), c.elapsed);
    EXPECT_EQ(ui(w).Label_heat_time->text(), QString::fromLatin1(c.text));
    EXPECT_EQ(ui(w).Label_field->text(), QString::number(c.value));
    EXPECT_EQ(Mean_Level(ui(w).Picture_out->Picture(), 0, 48) > 120, c.bright);
  }
  // The second field of a frame already decoded costs no decode.
  show(1);
  const int32_t decodes = h().Decode_Count();
  show(2);
  EXPECT_EQ(h().Decode_Count(), decodes);
  EXPECT_TRUE(ui(w).Frame_dogs_Heat->isHidden());

  // Stepping by frames: the field to show stays the first.
  spec.fps = QStringLiteral("50");
  open(spec, QStringLiteral("fast.qn3"));
  ASSERT_FALSE(w->review_session().Field_Mode());
  show(2);
  EXPECT_EQ(elapsed(), 842);
  EXPECT_EQ(ui(w).Label_field->text(), "2");
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Playback_Window, GoToTimeStopsAtTheFirstPictureReachingItOrAtTheEnd) {
  load();
  Spec spec;
  spec.frames = 5; // fields 1..10, run times 1002, 1022, 1042, ...
  open(spec);
  struct Case {
    int32_t target;
    int expected;
  };
  for (const Case& c : std::initializer_list<Case>{{0, 1}, {1022, 2}, {1023, 3}, {1182, 10}, {99999, 10}}) {
    SCOPED_TRACE(c.target);
    show(4);
    w->review_session().Goto_Time(c.target);
    EXPECT_EQ(value(), c.expected);
    EXPECT_EQ(ui(w).Label_field->text(), QString::number(c.expected));
  }
  w->review_session().Goto_Split();
  EXPECT_EQ(value(), 1);
  EXPECT_TRUE(errors.reports.empty());
}

// The go-to procedures land where stepping through every picture would, decoding only the
// picture they end on. The time stamps jitter, repeat and go back, some records are no frame
// and one picture is damaged.
TEST_F(Playback_Window, GoToScansMatchAPictureByPictureScan) {
  load();
  Spec spec;
  spec.frames = 30;
  spec.start_pc_mill = 0;
  spec.first_mill = 11000;
  spec.damaged = {12};
  int32_t t = 11000;
  for (int k = 0; k < spec.frames; ++k) {
    t += (k == 9) ? 0 : (k == 17 ? -50 : 40 + (k * 7) % 9);
    spec.capture_mills.push_back(t);
  }
  const QString fields = make(spec, QStringLiteral("fields.qn3"));
  // Records that are no frame: the first (the scan starts on the record shown before it), one
  // inside and the last (a scan that reaches the end stops on it).
  for (const int32_t k : {1, 20, 30})
    Unmark_Record(fields, spec.frames, k);
  spec.fps = QStringLiteral("50");
  const QString frames = make(spec, QStringLiteral("frames.qn3"));
  for (const int32_t k : {20, 30})
    Unmark_Record(frames, spec.frames, k);

  struct Goto {
    const char* name;
    std::function<void(Review_Session&)> run;
    int32_t step;
    std::function<bool(int32_t)> reached;
  };
  std::vector<Goto> gotos{{"goal", [](Review_Session& p) { p.Goto_Goal(); }, 4, [](int32_t e) { return e > 12000; }}};
  for (const int32_t target : {0, 11400, 11700, 11790, 11800, 12100, 12400, 99999})
    gotos.push_back(
        {"time", [target](Review_Session& p) { p.Goto_Time(target); }, 1, [target](int32_t e) { return e >= target; }});

  for (const QString& path : {fields, frames}) {
    ASSERT_TRUE(w->review().Handle_Open(path));
    for (const Goto& g : gotos) {
      SCOPED_TRACE(path.toStdString() + " " + g.name);
      // Reference: every picture shown in turn.
      show(3);
      int v = ui(w).Slider_play->minimum();
      for (; v <= ui(w).Slider_play->maximum(); v += g.step) {
        show(v);
        if (g.reached(elapsed())) break;
      }
      if (v > ui(w).Slider_play->maximum()) v -= g.step;
      const int expected_value = value();
      const int32_t expected_elapsed = elapsed();
      const QImage expected_picture = ui(w).Picture_out->Picture();
      EXPECT_EQ(expected_value, v);

      show(3);
      const int32_t decodes = h().Decode_Count();
      g.run(w->review_session());
      EXPECT_EQ(value(), expected_value);
      EXPECT_EQ(elapsed(), expected_elapsed);
      EXPECT_EQ(ui(w).Label_field->text(), QString::number(expected_value));
      EXPECT_TRUE(ui(w).Picture_out->Picture() == expected_picture);
      EXPECT_LE(h().Decode_Count() - decodes, 1);
    }
    // The record heads were read once for the whole file.
    EXPECT_EQ(h().Stamp_Reads() % spec.frames, 0);
    const int32_t reads = h().Stamp_Reads();
    w->review_session().Goto_Goal();
    EXPECT_EQ(h().Stamp_Reads(), reads);
  }
  // The damaged picture is reported by the reader; nothing else is.
  for (const auto& r : errors.reports)
    EXPECT_NE(r.location, "Slider_play_Scroll of Form Form_Doravent");
}

TEST_F(Playback_Window, RecordStampsStayInsideTheRecording) {
  load();
  Spec spec;
  spec.frames = 5;
  const QString path = make(spec);
  Unmark_Record(path, spec.frames, 3);
  // The last record cut short after its head: still a frame, as the reader reads it.
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const int64_t record = (file.size() - qn3::Header_Block_Size) / spec.frames;
    ASSERT_TRUE(file.resize(file.size() - record / 2 + 10));
  }
  ASSERT_TRUE(w->review().Handle_Open(path));
  ASSERT_EQ(h().Num_Frames(), 5);
  show(4);
  const std::optional<int32_t> expected[] = {spec.first_mill, spec.first_mill + 40, std::nullopt, spec.first_mill + 120,
                                             spec.first_mill + 160};
  for (int16_t frame = 1; frame <= 5; ++frame)
    EXPECT_EQ(h().Record_Capture_Mill(frame), expected[frame - 1]) << frame;
  for (const int16_t outside : {int16_t{0}, int16_t{-3}, int16_t{6}, std::numeric_limits<int16_t>::max()})
    EXPECT_EQ(h().Record_Capture_Mill(outside), std::nullopt) << outside;
  // Reading the stamps leaves the shown record alone.
  EXPECT_EQ(h().Timestamp_long(), spec.first_mill + 40);
  h().Close_File();
  EXPECT_EQ(h().Record_Capture_Mill(1), std::nullopt);
}

TEST_F(Playback_Window, APressAtTheSlidersLeftEndGoesBackToTheFirstPicture) {
  load();
  Spec spec;
  spec.frames = 20;
  open(spec);
  w->resize(1000, 700);
  ui(w).Slider_play->setMinimumWidth(600);
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  const int y = ui(w).Slider_play->height() / 2;
  struct Case {
    int x;
    bool to_first;
  };
  // The left end is 170 twips, 11 pixels at 96 dots per inch: a press further in (on the thumb,
  // say) is the slider's own and must not jump to the start.
  ASSERT_EQ(Twips_Per_Pixel(), 15);
  for (const Case& c : std::initializer_list<Case>{{5, true}, {11, true}, {12, false}, {169, false}, {400, false}}) {
    SCOPED_TRACE(c.x);
    show(30);
    w->state().Print_Dog_Name = QStringLiteral("Flash");
    QTest::mousePress(ui(w).Slider_play, Qt::LeftButton, {}, QPoint(c.x, y));
    EXPECT_EQ(value() == 1, c.to_first);
    if (c.to_first) {
      EXPECT_EQ(ui(w).Label_field->text(), "1");
    }
    QTest::mouseRelease(ui(w).Slider_play, Qt::LeftButton, {}, QPoint(c.x, y));
    EXPECT_TRUE(w->state().Print_Dog_Name.isEmpty());
  }
}

TEST_F(Playback_Window, GoToFromTheResultsBeepsWithoutAStoredPosition) {
  load();
  Spec spec;
  spec.frames = 10;
  open(spec);
  // Box 3 has a finish at field 7 and a split time; every other box has nothing.
  h().set_Dora_Heat_time(3, false, 20000);
  h().set_Dora_Heat_time(3, true, 1100);
  h().set_Dora_heat_frame(3, 7);
  w->review_session().Reload_Results();
  ASSERT_EQ(w->review_session().Results()[0].Box, 3);

  struct Case {
    const char* name;
    std::function<void()> run;
    int expected; // 0: beeps and stays
  };
  const Case cases[] = {
      {"box of rank 1", [this] { w->review_session().GoTo_Box(1); }, 7},
      {"rank 1", [this] { w->review_session().GoTo_rank(1); }, 7},
      {"split of rank 1", [this] { w->review_session().Goto_SplitTime(1); }, 6}, // 1082 < 1100 <= 1102
      {"box without a frame", [this] { w->review_session().GoTo_Box(2); }, 0},
      {"rank without a frame", [this] { w->review_session().GoTo_rank(2); }, 0},
      {"split 999999", [this] { w->review_session().Goto_SplitTime(2); }, 0},
      {"position 0", [this] { w->review_session().GoTo_Box(0); }, 0},
      {"position 7", [this] { w->review_session().Goto_SplitTime(7); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    show(2);
    const int beeps = prompts->beeps();
    c.run();
    EXPECT_EQ(value(), c.expected == 0 ? 2 : c.expected);
    EXPECT_EQ(prompts->beeps() - beeps, c.expected == 0 ? 1 : 0);
  }
  // The results window's own hooks reach the same procedures.
  show(2);
  QTest::mouseClick(w->results().Results_Form().Picture_box[0], Qt::LeftButton);
  EXPECT_EQ(value(), 7);
  EXPECT_TRUE(errors.reports.empty());
}

// Keypad 4 and 6 on the slider move the goal line's copy once per key, only in displacement
// mode, with or without the application-wide key filter; Alt with an arrow does the same.
TEST_F(Playback_Window, KeypadKeysDisplaceTheCopyOnlyInDisplacementMode) {
  for (const bool development : {false, true}) {
    SCOPED_TRACE(development ? "development mode" : "key filter");
    load(development);
    ASSERT_EQ(w->key_filter().Hook_Installed(), !development);
    Spec spec;
    spec.frames = 10;
    open(spec);
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    show(5);
    ui(w).Slider_play->setFocus();
    QAction* displace = w->item("item_displace_goalline");
    const auto key = [this](Qt::Key k, Qt::KeyboardModifiers m) {
      clock.advance(200);
      QTest::keyClick(ui(w).Slider_play, k, m);
    };
    struct Case {
      bool mode;
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      int displacement; // after the key, from 0
    };
    const Case cases[] = {{false, Qt::Key_6, Qt::KeypadModifier, 0},
                          {false, Qt::Key_4, Qt::KeypadModifier, 0},
                          {true, Qt::Key_6, Qt::KeypadModifier, 1},
                          {true, Qt::Key_Right, Qt::KeypadModifier, 1}, // keypad 6, Num Lock off
                          {true, Qt::Key_4, Qt::KeypadModifier, -1},
                          {true, Qt::Key_Right, Qt::AltModifier, 1},
                          {true, Qt::Key_Left, Qt::AltModifier, -1}};
    for (const Case& c : cases) {
      displace->setChecked(c.mode);
      w->state().Goal_Displacement = 0;
      show(5);
      key(c.key, c.modifiers);
      EXPECT_EQ(w->state().Goal_Displacement, c.displacement) << c.key << " mode " << c.mode;
      if (c.mode) {
        EXPECT_EQ(value(), 5) << "the slider does not step on a displacement key";
      }
    }
    // A plain arrow still steps the slider.
    displace->setChecked(false);
    key(Qt::Key_Right, Qt::NoModifier);
    EXPECT_EQ(value(), 6);
    // An arrow pressed elsewhere in the window gives the slider the focus.
    ui(w).Text_filename->setFocus();
    ASSERT_TRUE(ui(w).Text_filename->hasFocus());
    clock.advance(200);
    QTest::keyClick(ui(w).Text_filename, Qt::Key_Left);
    EXPECT_TRUE(ui(w).Slider_play->hasFocus());
    EXPECT_TRUE(errors.reports.empty());
    w->obj_QN3_Handler().Close_File();
    w.reset();
  }
}

// Reports whose handling runs the slider again, as the error window's own event loop can.
struct Reentrant_Errors final : Error_Sink {
  std::function<void(const QString&)> on_report;
  std::vector<QString> locations;
  Reentrant_Errors() { install_error_sink(this); }
  ~Reentrant_Errors() override { install_error_sink(nullptr); }
  Reentrant_Errors(const Reentrant_Errors&) = delete;
  Reentrant_Errors& operator=(const Reentrant_Errors&) = delete;
  void QNV_Error_Handler(const QString&, int16_t, int32_t, const QString& location, const QString&) override {
    locations.push_back(location);
    if (on_report) on_report(location);
  }
};

TEST_F(Playback_Window, TheBusyFlagDropsANestedScrollAndIsClearedAfterAFailure) {
  load();
  Spec spec;
  spec.frames = 4;
  spec.goal_compensation = QStringLiteral("0");
  open(spec);
  show(1);
  const int32_t first_elapsed = elapsed();
  Reentrant_Errors sink;
  bool busy_seen = false;
  sink.on_report = [this, &busy_seen](const QString&) {
    busy_seen = w->review_session().Busy();
    ui(w).Slider_play->setValue(7); // runs the scroll handler while the outer one draws
  };
  // A line beyond 16 bits is reported while the picture is drawn.
  w->goal_line().set_Line(1, {10, 10, 10, 70000});
  w->playback().Slider_play_Scroll();
  EXPECT_TRUE(busy_seen);
  EXPECT_FALSE(w->review_session().Busy());
  EXPECT_EQ(value(), 7);
  EXPECT_EQ(elapsed(), first_elapsed) << "the nested request drew nothing";
  EXPECT_EQ(ui(w).Label_field->text(), "1");

  // A failure escaping the drawing ends the scroll, which reports it and stays usable.
  int thrown = 0;
  sink.locations.clear();
  sink.on_report = [&thrown](const QString& location) {
    if (location == QLatin1String("Draw_Goal_Line of Form Form_Doravent") && thrown++ == 0)
      throw std::runtime_error("drawing failed");
  };
  show(3);
  EXPECT_FALSE(w->review_session().Busy());
  ASSERT_FALSE(sink.locations.empty());
  EXPECT_EQ(sink.locations.back(), "Slider_play_Scroll of Form Form_Doravent");
  w->goal_line().set_Line(1, {10, 10, 10, 40});
  show(5);
  EXPECT_EQ(ui(w).Label_field->text(), "5");
  EXPECT_EQ(elapsed(), first_elapsed + 80);
}

TEST_F(Playback_Window, HDFrameDataIsPrintedInCyanOnlyWhenChecked) {
  load();
  Spec spec;
  spec.width = 320;
  spec.height = 120;
  spec.frames = 2;
  spec.first_local = 36000000;
  open(spec);
  const auto cyan_pixels = [this] {
    const QImage& picture = ui(w).Picture_out->Picture();
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        const QRgb p = picture.pixel(x, y);
        if (qRed(p) < 80 && qGreen(p) > 180 && qBlue(p) > 180) ++count;
      }
    return count;
  };
  QAction* hd = w->item("item_display_HD_data");
  ASSERT_TRUE(hd->isEnabled());
  show(1);
  EXPECT_EQ(cyan_pixels(), 0);
  hd->trigger(); // checking it redraws
  ASSERT_TRUE(hd->isChecked());
  EXPECT_GT(cyan_pixels(), 50);
  hd->trigger();
  EXPECT_EQ(cyan_pixels(), 0);
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace

namespace {

// The picture shows the selected camera's line from the recording: white for the goal camera,
// yellow for the split camera after switching to split mode.
TEST_F(Playback_Window, PictureShowsTheRecordingsGoalLineInTheCamerasColour) {
  load();
  Spec spec;
  spec.interlaced = false;
  spec.goal_finish = QStringLiteral("10,4,10,40");
  spec.goal_split = QStringLiteral("50,4,50,40");
  open(spec);
  show(1);
  const auto pixel = [&](int x, int y) { return ui(w).Picture_out->Picture().pixelColor(x, y); };
  // Row 21 of the picture is dark; only the line brightens it.
  const QColor goal = pixel(10, 21);
  EXPECT_GT(goal.red(), 200);
  EXPECT_GT(goal.blue(), 200);
  EXPECT_LT(pixel(50, 21).red(), 100);
  EXPECT_LT(pixel(30, 21).red(), 100);

  w->state().click_mill(Click_Button::Goal_Split) = -1000000;
  ui(w).Cmd_Split->click();
  ASSERT_EQ(w->state().Selected_Camera, 2);
  const QColor split = pixel(50, 21);
  EXPECT_GT(split.red(), 200);
  EXPECT_GT(split.green(), 200);
  EXPECT_LT(split.blue(), 100);
  EXPECT_LT(pixel(10, 21).red(), 100);
}

} // namespace
