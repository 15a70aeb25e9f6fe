// The program killed while a camera trigger is held, 20 times at random moments: it runs a race
// script with the synthetic camera and the simulated kit, the trigger closed for 30 s, and frames
// are written while it is held. After each kill the recording opens without a complaint, its
// newest frame is at most one second older than the kill, no frame is missing or doubled, and
// the frames decode to the picture the synthetic camera drew at their stamps.
#include "capture/synthetic_camera.h"
#include "mock/scripted_prompts.h"
#include "platform/clock.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>

namespace {

constexpr int Kills = 20;
constexpr int At_Once = 3; // children run side by side, so the kills take a third of the time
constexpr int32_t Crop_W = 400;
constexpr int32_t Crop_H = 880;
// Slow runners crossing one after another keep one in the picture through the first 9 s, so
// that neighbouring frames differ.
constexpr const char* Crossings = "1000,2500,4000,5500,7000,8500";
constexpr double Speed = 0.2;

// The rate is measured over the camera's first 100 frames, 4 s at 25 f/s; initiate waits twice
// that, since a loaded machine starts the program and its camera late.
constexpr const char* Script = R"(0     camera
8000  initiate
8200  input 1 1
8400  input 0 1
8600  input 3 1
38600 input 3 0
39000 finish
40000 quit
)";

struct Child {
  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<QProcess> process;
  QString heats;
  int32_t kill_after_ms = 0; // after the recording's first frames reached the disk
  QElapsedTimer since_first_frames;
  bool killed = false;
  int32_t killed_at = 0; // the program clock
};

QString Recording_In(const QString& folder) {
  const QStringList found = QDir(folder).entryList({QStringLiteral("*.qn3")}, QDir::Files);
  return found.isEmpty() ? QString() : QDir(folder).filePath(found.front());
}

void Start(Child& child, int32_t kill_after_ms) {
  child.dir = std::make_unique<QTemporaryDir>();
  child.heats = child.dir->filePath(QStringLiteral("heats"));
  ASSERT_TRUE(QDir().mkpath(child.heats));
  QFile ini(child.dir->filePath(QStringLiteral("Doravent_HDMI.ini")));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write(QStringLiteral("[capturesettings]\nfriendlyname=Synthetic camera\nvideoproperty=0\n"
                           "[Settings]\nsave_folder=%1\ngoal_compensation=0\nwrite_while_capturing=1\n"
                           "[Synthetic]\nCrossings=%2\nSpeed=%3\n")
                .arg(child.heats, QString::fromLatin1(Crossings))
                .arg(Speed)
                .toUtf8());
  ini.close();
  QFile script(child.dir->filePath(QStringLiteral("race.txt")));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(Script);
  script.close();
  child.process = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_DATA_HOME"), child.dir->path());
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), child.dir->path());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.process->setProcessEnvironment(env);
  child.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.process->start(QStringLiteral(DORAVENT_PROGRAM),
                       {QStringLiteral("--simulated-kit"), QStringLiteral("--race-script"), script.fileName()});
  ASSERT_TRUE(child.process->waitForStarted(30000));
  child.kill_after_ms = kill_after_ms;
}

// Pixels of the two pictures (bottom-up BGR, `stride` bytes a row) that differ grossly.
int64_t Gross_Differences(const uint8_t* a, int32_t a_stride, const uint8_t* b, int32_t b_stride) {
  int64_t gross = 0;
  for (int32_t y = 0; y < Crop_H; ++y)
    for (int32_t x = 0; x < Crop_W * 3; ++x)
      if (std::abs(int{a[y * a_stride + x]} - int{b[y * b_stride + x]}) > 60) ++gross;
  return gross;
}

// What the synthetic camera drew at `stamp`, cut to the centred crop: bottom-up, Crop_W * 3 a row.
std::vector<uint8_t> Drawn_Crop(const Synthetic_Camera& camera, int32_t stamp, std::vector<uint8_t>& whole) {
  camera.Render(stamp, 0, whole.data());
  const int32_t left = (Synthetic_Camera::Width - Crop_W) / 2;
  const int32_t top = (Synthetic_Camera::Height - Crop_H) / 2;
  std::vector<uint8_t> crop(static_cast<size_t>(Crop_W) * 3 * Crop_H);
  for (int32_t y = 0; y < Crop_H; ++y) {
    // Crop row y from the bottom is picture row top + Crop_H - 1 - y from the top.
    const int32_t picture_row = top + Crop_H - 1 - y;
    const uint8_t* from =
        whole.data() + static_cast<ptrdiff_t>(Synthetic_Camera::Height - 1 - picture_row) * Synthetic_Camera::Stride +
        left * 3;
    std::copy(from, from + Crop_W * 3, crop.begin() + static_cast<ptrdiff_t>(y) * Crop_W * 3);
  }
  return crop;
}

void Check_Recording(const Child& child, std::mt19937& random) {
  const QString path = Recording_In(child.heats);
  ASSERT_FALSE(path.isEmpty());
  Prompts_Guard prompts;
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(path)) << prompts->messages().join('|').toStdString();
  EXPECT_TRUE(prompts->messages().isEmpty()) << prompts->messages().join('|').toStdString();
  const int16_t count = reader.Num_Frames();
  ASSERT_GT(count, 0);
  std::vector<int32_t> stamps;
  for (int16_t f = 1; f <= count; ++f) {
    const std::optional<int32_t> stamp = reader.Record_Capture_Mill(f);
    ASSERT_TRUE(stamp) << "frame " << f;
    if (!stamps.empty()) {
      const int32_t step = Mill_Difference(*stamp, stamps.back());
      // The camera may lose a frame on a busy machine, never send one twice or out of order.
      ASSERT_GT(step, 0) << "frame " << f;
      ASSERT_EQ(step % Synthetic_Camera::Frame_Interval_Ms, 0) << "frame " << f;
    }
    stamps.push_back(*stamp);
  }
  EXPECT_LE(Mill_Difference(child.killed_at, stamps.back()), 1000)
      << "the newest frame on disk was drawn " << Mill_Difference(child.killed_at, stamps.back())
      << " ms before the kill";

  // The race zero the kit gave the camera is the heat's start; the LED was lit from it on.
  Synthetic_Camera camera;
  camera.set_Crossings(*Parse_Crossings(QString::fromLatin1(Crossings)));
  ASSERT_TRUE(camera.set_Speed(Speed));
  const int32_t start = reader.Dora_start_PC_mill();
  camera.Set_Physical_Start(start);
  camera.Set_Led(true, start);
  std::vector<uint8_t> whole(Synthetic_Camera::Frame_Bytes);
  std::vector<int16_t> checked = {1, count};
  std::uniform_int_distribution<int> any(1, count);
  for (int i = 0; i < 3; ++i)
    checked.push_back(static_cast<int16_t>(any(random)));
  for (const int16_t f : checked) {
    reader.Read_RGB_sample(f, true);
    ASSERT_FALSE(reader.Read_error()) << "frame " << f;
    const cDIBSection& decoded = reader.Decode_Surface();
    ASSERT_EQ(decoded.Width(), Crop_W);
    ASSERT_EQ(decoded.Height(), Crop_H);
    const uint8_t* bits = decoded.DIBSectionBitsPtr();
    const int32_t stride = decoded.BytesPerScanLine();
    const int32_t stamp = stamps[static_cast<size_t>(f - 1)];
    const std::vector<uint8_t> own = Drawn_Crop(camera, stamp, whole);
    const int64_t own_gross = Gross_Differences(bits, stride, own.data(), Crop_W * 3);
    // JPEG rings at the runners' edges; a frame off by one draws them 8 px away, several thousand bytes.
    EXPECT_LT(own_gross, 1000) << "frame " << f << " at " << stamp << " is not what the camera drew then";
    for (const int32_t other :
         {stamp - Synthetic_Camera::Frame_Interval_Ms, stamp + Synthetic_Camera::Frame_Interval_Ms}) {
      const std::vector<uint8_t> near = Drawn_Crop(camera, other, whole);
      const int64_t apart = Gross_Differences(near.data(), Crop_W * 3, own.data(), Crop_W * 3);
      if (apart < 1000) continue; // the scene stood still then
      EXPECT_LT(own_gross * 2, Gross_Differences(bits, stride, near.data(), Crop_W * 3))
          << "frame " << f << " at " << stamp << " looks like the picture of " << other;
    }
  }
}

TEST(Hold_Kill, EveryFrameUpToASecondBeforeTheKillIsOnDiskAndDecodesToItsPicture) {
  std::mt19937 random(20261210);
  // Within the part of the hold where runners are in the picture.
  std::uniform_int_distribution<int32_t> kill_after(0, 7000);
  std::array<Child, At_Once> children;
  int started = 0;
  int checked = 0;
  for (Child& child : children) {
    Start(child, kill_after(random));
    ++started;
  }
  QElapsedTimer waited;
  waited.start();
  while (checked < Kills) {
    // Only a liveness bound: a child that never writes its first frames fails the test.
    ASSERT_LT(waited.elapsed(), 60000 * 5) << checked << " kills checked";
    for (Child& child : children) {
      if (!child.process) continue;
      if (!child.since_first_frames.isValid()) {
        ASSERT_EQ(child.process->state(), QProcess::Running) << "the program ended before its trigger was held";
        const QString path = Recording_In(child.heats);
        if (!path.isEmpty() && QFile(path).size() > qn3::Header_Block_Size) child.since_first_frames.start();
        continue;
      }
      if (child.since_first_frames.elapsed() < child.kill_after_ms) continue;
      child.killed_at = Mill_Now();
      child.process->kill();
      ASSERT_TRUE(child.process->waitForFinished(30000));
      SCOPED_TRACE(testing::Message() << "kill " << checked + 1 << ", " << child.kill_after_ms
                                      << " ms after the first frames");
      Check_Recording(child, random);
      if (HasFatalFailure()) return;
      ++checked;
      child = Child{};
      if (started < Kills) {
        Start(child, kill_after(random));
        ++started;
      }
    }
    QThread::msleep(5);
  }
}

} // namespace
