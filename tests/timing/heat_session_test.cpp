// The heat's state machine, cell by cell: the real session is brought into each state and given
// each command; what it becomes, and whether it refused with a beep, is the table.
#include "timing/heat_session.h"

#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/clock.h"
#include "platform/program_info.h"
#include "recording/frame_buffers.h"
#include "recording/video_file_handler.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int32_t Width = 64;
constexpr int32_t Height = 48;

struct Fake_Camera final : Heat_Camera {
  bool collecting = false;
  float Running_Fps() const override { return 25; }
  int32_t Crop_Width() const override { return Width; }
  int32_t Crop_Height() const override { return Height; }
  QString Friendly_Name() const override { return QStringLiteral("Test camera"); }
  QString Property_String() const override { return QStringLiteral("64*48/25"); }
  int32_t Ten_Frames_Ms() const override { return 400; }
  std::optional<Field_Timing> Fields() const override {
    return Field_Timing{QStringLiteral("interlaced, top field first"), 20000, 40000};
  }
  int32_t Frame_Events() const override { return 7; }
  void set_Collecting(bool on) override { collecting = on; }
  int32_t Write_Position(int32_t n) const override { return n; }
  bool Time_Ordered() const override { return true; }
};

enum class Start_From { Idle, Prepared, Running, Collecting, Appending, Reviewing };

const char* Setup_Name(Start_From s) {
  switch (s) {
  case Start_From::Idle: return "Idle";
  case Start_From::Prepared: return "Prepared";
  case Start_From::Running: return "Running";
  case Start_From::Collecting: return "Collecting";
  case Start_From::Appending: return "Appending";
  case Start_From::Reviewing: return "Prepared, reviewing";
  }
  return "";
}

struct Heat_Table : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  Frame_List frames;
  Fake_Camera camera;
  std::unique_ptr<Heat_Session> heat;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = dir.filePath(QStringLiteral("Doravent_HDMI.ini"));
    program().Ready_Mill = Mill_Now() - 60000;
  }
  void keep_frames(int count) {
    const std::vector<uint8_t> pixels(static_cast<size_t>(Width * Height * 3), 90);
    for (int i = 0; i < count; ++i)
      Store_Frame(frames, pixels.data(), static_cast<int32_t>(pixels.size()), Mill_Now() + 40 * i, 0, 40);
  }
  // A fresh session brought into `setup`; `command` runs in that state (for Appending, while
  // the pass of a capture end is writing).
  void in_state(Start_From setup, const std::function<void()>& command) {
    frames.Remove_All();
    heat = std::make_unique<Heat_Session>(frames);
    heat->set_Append_Wait_Ms(0);
    heat->set_Camera(&camera);
    heat->set_Cameras_Running(true);
    heat->set_Kit(true, 4242);
    heat->set_Capture_Folder(dir.path());
    if (setup != Start_From::Idle) heat->Initiate();
    if (setup == Start_From::Running || setup == Start_From::Collecting || setup == Start_From::Appending)
      heat->Start(Start_Stamp::Now());
    if (setup == Start_From::Collecting || setup == Start_From::Appending) heat->Capture_Start();
    if (setup == Start_From::Collecting || setup == Start_From::Appending) keep_frames(3);
    if (setup == Start_From::Reviewing) heat->set_Reviewing(true);
    if (setup != Start_From::Appending) {
      command();
      return;
    }
    bool ran = false;
    QObject::connect(heat.get(), &Heat_Session::append_progress, [&] {
      if (ran) return;
      ran = true;
      ASSERT_EQ(heat->State(), Heat_State::Appending);
      command();
    });
    heat->Capture_End();
    ASSERT_TRUE(ran);
  }
};

struct Cell {
  Start_From setup;
  Heat_Command command;
  Heat_State after;
  bool beep;
};

TEST_F(Heat_Table, EveryCommandInEveryState) {
  using C = Heat_Command;
  using H = Heat_State;
  using S = Start_From;
  const Cell cells[] = {
      // Idle: only a recording can be made; a start without one (no auto-initiate) is refused.
      {S::Idle, C::Initiate, H::Prepared, false},
      {S::Idle, C::Start, H::Idle, true},
      {S::Idle, C::Capture_Start, H::Idle, true},
      {S::Idle, C::Capture_End, H::Idle, false},
      {S::Idle, C::Finish, H::Idle, true},
      {S::Idle, C::Abort, H::Idle, false},
      // Prepared: a trigger before the start is not the heat's unless the start is armed.
      {S::Prepared, C::Initiate, H::Prepared, false},
      {S::Prepared, C::Start, H::Running, false},
      {S::Prepared, C::Capture_Start, H::Prepared, false},
      {S::Prepared, C::Capture_End, H::Prepared, false},
      {S::Prepared, C::Finish, H::Idle, false},
      {S::Prepared, C::Abort, H::Prepared, false},
      // Running: no new recording under a running heat, no second start.
      {S::Running, C::Initiate, H::Running, true},
      {S::Running, C::Start, H::Running, true},
      {S::Running, C::Capture_Start, H::Collecting, false},
      {S::Running, C::Capture_End, H::Running, false},
      {S::Running, C::Finish, H::Idle, false},
      {S::Running, C::Abort, H::Prepared, false},
      // Collecting: the end appends; finishing or aborting appends first.
      {S::Collecting, C::Initiate, H::Collecting, true},
      {S::Collecting, C::Start, H::Collecting, true},
      {S::Collecting, C::Capture_Start, H::Collecting, false},
      {S::Collecting, C::Capture_End, H::Running, false},
      {S::Collecting, C::Finish, H::Idle, false},
      {S::Collecting, C::Abort, H::Prepared, false},
      // Appending (a capture end's pass): nothing may start another pass or a recording; a new
      // trigger collects behind the pass.
      {S::Appending, C::Initiate, H::Running, true},
      {S::Appending, C::Start, H::Running, true},
      {S::Appending, C::Capture_Start, H::Collecting, false},
      {S::Appending, C::Capture_End, H::Running, false},
      {S::Appending, C::Finish, H::Idle, false}, // once the pass is done
      {S::Appending, C::Abort, H::Prepared, false},
      // A recording under review: the heat's own recording is left alone.
      {S::Reviewing, C::Initiate, H::Prepared, true},
      {S::Reviewing, C::Start, H::Prepared, true},
      {S::Reviewing, C::Capture_Start, H::Prepared, false},
      {S::Reviewing, C::Capture_End, H::Prepared, false},
      {S::Reviewing, C::Finish, H::Prepared, true},
      {S::Reviewing, C::Abort, H::Prepared, false},
  };
  const std::function<void(Heat_Session&)> commands[] = {
      [](Heat_Session& h) { h.Initiate(); },      [](Heat_Session& h) { h.Start(Start_Stamp::Now()); },
      [](Heat_Session& h) { h.Capture_Start(); }, [](Heat_Session& h) { h.Capture_End(); },
      [](Heat_Session& h) { h.Finish(); },        [](Heat_Session& h) { h.Abort(); },
  };
  for (const Cell& cell : cells) {
    SCOPED_TRACE(testing::Message() << Setup_Name(cell.setup) << ", " << Heat_Command_Name(cell.command).toStdString());
    int beeps = 0;
    in_state(cell.setup, [&] {
      beeps = prompts->beeps();
      commands[static_cast<size_t>(cell.command)](*heat);
      beeps = prompts->beeps() - beeps;
    });
    EXPECT_EQ(Heat_State_Name(heat->State()), Heat_State_Name(cell.after));
    EXPECT_EQ(beeps > 0, cell.beep) << beeps;
    if (cell.after != Heat_State::Collecting) {
      EXPECT_EQ(heat->Held_Frames(), 0) << "no frame is left behind or appended twice";
    }
  }
  for (const auto& r : errors.reports)
    ADD_FAILURE() << r.location.toStdString() << ": " << r.description.toStdString();
}

// The table as the pure rule gives it for what the session cannot be put in by its commands
// alone: the append that finishes a heat keeps a start for the next heat.
TEST(Heat_Rule, AStartDuringAFinishingAppendIsKeptForTheNextHeat) {
  EXPECT_EQ(Heat_Command_Rule(Heat_State::Appending, Heat_Command::Start, {false, true, false}).verdict,
            Heat_Verdict::Defer);
  EXPECT_EQ(Heat_Command_Rule(Heat_State::Appending, Heat_Command::Start, {false, false, false}).verdict,
            Heat_Verdict::Refuse);
  EXPECT_EQ(
      Heat_Command_Rule(Heat_State::Prepared, Heat_Command::Capture_Start, {false, false, false, false, true}).verdict,
      Heat_Verdict::Accept)
      << "an armed start keeps a trigger's frames before any start";
  EXPECT_EQ(Heat_Command_Rule(Heat_State::Collecting, Heat_Command::Start, {false, false, false, true}).verdict,
            Heat_Verdict::Accept)
      << "a start after the trigger closed is the heat's start";
}

// An operator too late with the start: the trigger's frames are kept, the late start is taken
// while they are collected, and the heat runs on once the trigger opens.
TEST_F(Heat_Table, AStartWhileATriggerCollectsBeforeItIsTheHeatsStart) {
  in_state(Start_From::Prepared, [&] {
    heat->set_Armed(true);
    heat->Capture_Start();
    keep_frames(3);
    ASSERT_EQ(heat->State(), Heat_State::Collecting);
    const Start_Stamp late = Start_Stamp::Now();
    heat->Start(late);
    EXPECT_EQ(heat->State(), Heat_State::Collecting);
    EXPECT_EQ(heat->Start_Mill(), late.mill);
    heat->Capture_End();
    EXPECT_EQ(heat->State(), Heat_State::Running);
    EXPECT_EQ(heat->Held_Frames(), 0) << "the frames went into the recording";
  });
  EXPECT_EQ(prompts->beeps(), 0);
}

} // namespace

namespace {

// A kit detached while a trigger is closed: its opening can never come, so the collecting ends
// there with the frames in the recording and the operator told; at any other moment nothing
// is written and nothing is said.
TEST_F(Heat_Table, AKitDetachedWhileATriggerIsClosedEndsTheCollecting) {
  struct Case {
    Start_From setup;
    Heat_State after;
    int messages;
    int32_t recorded;
  };
  for (const Case& c :
       {Case{Start_From::Collecting, Heat_State::Running, 1, 3}, Case{Start_From::Running, Heat_State::Running, 0, 0},
        Case{Start_From::Prepared, Heat_State::Prepared, 0, 0}}) {
    prompts->seen.clear();
    in_state(c.setup, [&] { heat->set_Kit(false, 0); });
    SCOPED_TRACE(Setup_Name(c.setup));
    EXPECT_EQ(heat->State(), c.after);
    EXPECT_EQ(heat->Held_Frames(), 0);
    const QStringList told = prompts->messages();
    ASSERT_EQ(told.size(), c.messages) << told.join('|').toStdString();
    if (c.messages > 0) {
      EXPECT_TRUE(told[0].contains(QStringLiteral("detached"))) << told[0].toStdString();
    }
    if (c.recorded > 0) {
      cls_VideoFile_handler reader;
      ASSERT_TRUE(reader.Open_File(heat->Recording_Path()));
      EXPECT_EQ(reader.Num_Frames(), c.recorded);
      reader.Close_File();
    }
  }
}

} // namespace
