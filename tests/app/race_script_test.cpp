// Race scripts played by the program itself, headless, as a person would never be there: two
// heats recorded through the synthetic camera and the simulated kit, each time held against the
// physical truth; and a script that cannot be read stops the program before anything is played.
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "recording/frame_display.h"
#include "recording/video_file_handler.h"
#include "timing/run_time.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <array>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// Crossings in ms after the traps open; box 6 does not finish.
constexpr std::array<int32_t, 5> Crossings{1500, 1700, 1700, 1900, 2030};

// Two heats: the camera's rate is measured after 100 frames (with room for a slow machine), then
// each heat is prepared, armed, started, filmed over its finish and finished.
const char* const Two_Heats = R"(# Two heats of the synthetic race.
0     camera
8000  initiate
8500  input 1 1     # armed
9000  input 0 1     # the traps open: heat 1
10000 input 3 1     # the goal camera's trigger
12500 input 3 0
13000 finish
13500 input 1 0
14000 initiate
14500 input 1 1
15000 input 0 0     # heat 2
16000 input 3 1
18500 input 3 0
19000 finish
20000 quit
)";

struct Race_Script_Run : ::testing::Test {
  QTemporaryDir data;
  QString heats;

  void SetUp() override {
    heats = data.filePath(QStringLiteral("heats"));
    ASSERT_TRUE(QDir().mkpath(heats));
    QFile ini(data.filePath(QStringLiteral("Doravent_HDMI.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[capturesettings]\nfriendlyname=Synthetic camera\nvideoproperty=0\n"
                             "[Settings]\nsave_folder=%1\ngoal_compensation=0\n"
                             "[Synthetic]\nCrossings=1500,1700,1700,1900,2030,-\n")
                  .arg(heats)
                  .toUtf8());
  }
  // Runs the program on the script; its exit code and what it wrote to the standard error.
  std::pair<int, QString> play(const QByteArray& script) {
    const QString path = data.filePath(QStringLiteral("race.txt"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script);
    file.close();
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(DORAVENT_PROGRAM), {QStringLiteral("--race-script"), path});
    EXPECT_TRUE(program.waitForFinished(90000));
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardError())};
  }
};

// The runners' colours (box 1 to 5) and the turf's, as the synthetic world paints them.
constexpr std::array<std::array<int, 3>, 5> Runner_Colours{
    {{220, 30, 30}, {30, 60, 220}, {240, 240, 240}, {20, 20, 20}, {240, 140, 20}}};
constexpr std::array<int, 3> Turf{40, 120, 50};

// True when the pixel is nearer the runner than the turf along the line between their colours.
// A one-pixel difference from turf is not enough: JPEG rings a saturated colour several pixels
// ahead of the nose.
bool Shows_Runner(QRgb pixel, int box) {
  const auto& runner = Runner_Colours.at(static_cast<size_t>(box - 1));
  const std::array<int, 3> p{qRed(pixel), qGreen(pixel), qBlue(pixel)};
  double along = 0, length = 0;
  for (size_t c = 0; c < 3; ++c) {
    along += double(p.at(c) - Turf.at(c)) * (runner.at(c) - Turf.at(c));
    length += double(runner.at(c) - Turf.at(c)) * (runner.at(c) - Turf.at(c));
  }
  return along / length >= 0.5;
}

TEST_F(Race_Script_Run, TwoHeatsAreRecordedAndTimedToTheTruth) {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  const auto [code, err] = play(Two_Heats);
  ASSERT_EQ(code, 0) << err.toStdString();
  const QStringList recordings = QDir(heats).entryList({QStringLiteral("*.qn3")}, QDir::Files, QDir::Name);
  ASSERT_EQ(recordings.size(), 2) << err.toStdString();
  for (const QString& name : recordings) {
    SCOPED_TRACE(name.toStdString());
    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(QDir(heats).filePath(name)));
    ASSERT_GT(h.Num_fields(), 0);
    Image_Display field;
    for (int box = 1; box <= 5; ++box) {
      SCOPED_TRACE(box);
      // The middle row of the runner's body in the crop, and the first column past the painted line.
      const int row = 200 + 110 * (box - 1) + 25 - 100;
      int32_t run_time = -1;
      for (int v = 1; v <= h.Num_fields() && run_time < 0; ++v) {
        h.Draw_RGB_Field(v, field);
        if (Shows_Runner(field.image.pixel(201, row), box))
          run_time = Picture_Run_Time(h.Timestamp_long(), h.Dora_start_PC_mill(), h.Field_To_Show(), 0, 20);
      }
      // The nose covers column 961 from half a millisecond after the crossing on, so the first
      // field seen past it lies up to 20.5 ms after the crossing: a field exactly at the crossing
      // (nose on column 960) cannot be told from the line and is seen one field later.
      const int32_t truth = Crossings.at(static_cast<size_t>(box - 1));
      EXPECT_GE(run_time, truth + 2);
      EXPECT_LE(run_time, truth + 22);
    }
    h.Close_File();
  }
}

TEST_F(Race_Script_Run, ALineThatCannotBeReadStopsThePlayBeforeItBegins) {
  const auto [code, err] = play("0 camera\n500 input 7 1\n1000 quit\n");
  EXPECT_EQ(code, 2);
  EXPECT_TRUE(err.contains(QStringLiteral("line 2 (\"500 input 7 1\"): the input must be 0 to 5")))
      << err.toStdString();
  EXPECT_TRUE(QDir(heats).entryList({QStringLiteral("*.qn3")}).isEmpty());
}

} // namespace
