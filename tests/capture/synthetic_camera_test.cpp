// The synthetic camera's pictures against its definition, its two ways of running, settings.
#include "capture/synthetic_camera.h"
#include "capture_sinks.h"
#include "mock/fake_clock.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "synthetic_scene.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace synthetic_scene;

QImage Picture(const Synthetic_Camera& camera, int32_t sample_time, int32_t frame = 0) {
  std::vector<uint8_t> bytes(Synthetic_Camera::Frame_Bytes);
  camera.Render(sample_time, frame, bytes.data());
  QImage image(Synthetic_Camera::Width, Synthetic_Camera::Height, QImage::Format_RGB888);
  for (int y = 0; y < image.height(); ++y) {
    const uint8_t* row =
        bytes.data() + static_cast<size_t>(Synthetic_Camera::Height - 1 - y) * Synthetic_Camera::Stride;
    uchar* out = image.scanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      out[3 * x] = row[3 * x + 2];
      out[3 * x + 1] = row[3 * x + 1];
      out[3 * x + 2] = row[3 * x];
    }
  }
  return image;
}

// The definition, written out again: floor(960 + v (s - D - Z - T_b)).
int64_t Expected_Nose(double v, int64_t s, int64_t d, int64_t z, int64_t t) {
  return static_cast<int64_t>(std::floor(960 + v * static_cast<double>(s - d - z - t)));
}

TEST(Synthetic_Camera, EachFieldShowsEachRunnerWhereTheDefinitionPutsIt) {
  const struct {
    double speed;
    int32_t delay;
    int32_t zero;
    int32_t after_zero; // frame time less the zero
    int32_t format = 0; // 0: interlaced, odd rows 20 ms later; 1 and 2: progressive
  } cases[] = {{2.0, 0, 100000, 29500},    {2.0, 120, 5000, 29480},
               {1.3, 40, -2000, 29760},    {2.0, 0, 2147480000, 29600}, // across the wrap of the clock
               {2.0, 0, 100000, 29500, 1}, {1.3, 40, -2000, 29760, 2}};
  const Synthetic_Crossings crossings = {29500, 29460, 29750, 29610, 29900, 29400};
  for (const auto& c : cases) {
    Synthetic_Camera camera;
    camera.set_Crossings(crossings);
    ASSERT_TRUE(camera.set_Speed(c.speed));
    camera.set_Video_Delay(c.delay);
    camera.Set_Physical_Start(c.zero);
    QString error;
    ASSERT_TRUE(camera.Set_Format(c.format, error)) << error.toStdString();
    const int32_t later = c.format == 0 ? 20 : 0;
    const auto sample = static_cast<int32_t>(static_cast<uint32_t>(c.zero) + static_cast<uint32_t>(c.after_zero));
    const QImage picture = Picture(camera, sample);
    for (int box = 1; box <= 6; ++box)
      for (int field = 1; field <= 2; ++field) {
        const int64_t after_zero = int64_t{c.after_zero} + (field == 2 ? later : 0);
        const int64_t want = Expected_Nose(c.speed, after_zero, c.delay, 0, *crossings[box - 1]);
        const auto s = static_cast<int32_t>(static_cast<uint32_t>(sample) + (field == 2 ? later : 0));
        const auto seen = Nose_In(picture, Lane_Row(box, field), Box_Colours[box - 1], 0);
        EXPECT_EQ(camera.Nose_Column(box, s), want);
        if (want < 0 || want - 119 > 1919) { // wholly outside the picture
          EXPECT_FALSE(seen.has_value()) << "box " << box << " field " << field;
          continue;
        }
        ASSERT_TRUE(seen.has_value()) << "box " << box << " field " << field << " speed " << c.speed;
        EXPECT_EQ(*seen, std::min<int64_t>(want, 1919)) << "box " << box << " field " << field;
        // 120 pixels long, and turf (or the line) right behind it.
        const int tail = static_cast<int>(want - 119);
        if (tail > 0 && tail < 1919) {
          EXPECT_EQ(picture.pixel(tail, Lane_Row(box, field)), Box_Colours[box - 1]);
          const QRgb behind = picture.pixel(tail - 1, Lane_Row(box, field));
          EXPECT_TRUE(behind == Turf || behind == qRgb(255, 255, 255)) << box;
        }
      }
  }
}

TEST(Synthetic_Camera, BackgroundLineStripeStampAndTheBoxWithoutCrossing) {
  Synthetic_Camera camera;
  camera.set_Crossings({std::nullopt, 29000, 29000, 29000, 29000, 29000});
  camera.Set_Physical_Start(0);
  const QImage picture = Picture(camera, 29000, 725);
  // Box 1 never finishes: its lane is turf and line only.
  for (int y = 200; y < 250; ++y)
    for (int x = 0; x < 1920; x += 7) {
      const QRgb p = picture.pixel(x, y);
      ASSERT_TRUE(p == Turf || ((x == 959 || x == 960) && p == qRgb(255, 255, 255))) << x << "," << y;
    }
  for (const int y : {0, 100, 1079})
    for (const int x : {959, 960})
      EXPECT_EQ(picture.pixel(x, y), qRgb(255, 255, 255));
  EXPECT_EQ(picture.pixel(958, 100), Turf);
  EXPECT_EQ(picture.pixel(961, 100), Turf);
  // Box 6 (rows 750-799): white rows 17 to 33 of its body, black elsewhere.
  const int x = 900;
  for (int r = 0; r < 50; ++r)
    EXPECT_EQ(picture.pixel(x, 750 + r), r >= 17 && r <= 33 ? qRgb(240, 240, 240) : qRgb(20, 20, 20)) << r;
  // The stamp: white on turf within rows 0-39, columns 0-399, and only there.
  int white = 0;
  for (int y = 0; y < 60; ++y)
    for (int sx = 0; sx < 959; ++sx) {
      const QRgb p = picture.pixel(sx, y);
      if (p == qRgb(255, 255, 255)) {
        ++white;
        ASSERT_TRUE(y < 40 && sx < 400) << sx << "," << y;
      } else {
        ASSERT_EQ(p, Turf) << sx << "," << y;
      }
    }
  EXPECT_GT(white, 200);
  // Another frame number changes the stamp.
  EXPECT_NE(Picture(camera, 29000, 726).copy(0, 0, 400, 40), picture.copy(0, 0, 400, 40));
}

TEST(Synthetic_Camera, LedIsGreyBeforeItsLightingPlusDelayAndYellowUntilItGoesOut) {
  Synthetic_Camera camera;
  camera.set_Video_Delay(90);
  const auto led = [&](const QImage& p, int row) { return p.pixel(1120, row); };
  const QRgb grey = qRgb(100, 100, 100), yellow = qRgb(255, 255, 0);
  EXPECT_EQ(led(Picture(camera, 50000), 860), grey); // never lit
  camera.Set_Physical_Start(9000);                   // the race, not the LED, started then
  camera.Set_Led(true, 10000);
  camera.Set_Led(false, 10500);
  const struct {
    int32_t frame_time;
    QRgb field1, field2;
  } cases[] = {{9960, grey, grey},      {10060, grey, grey},   {10080, grey, yellow}, {10090, yellow, yellow},
               {10560, yellow, yellow}, {10570, yellow, grey}, {10600, grey, grey}};
  for (const auto& c : cases) {
    const QImage p = Picture(camera, c.frame_time);
    EXPECT_EQ(led(p, 860), c.field1) << c.frame_time;
    EXPECT_EQ(led(p, 899), c.field2) << c.frame_time;
    EXPECT_EQ(p.pixel(1099, 870), Turf);
    EXPECT_EQ(p.pixel(1140, 870), Turf);
    EXPECT_EQ(p.pixel(1120, 859), Turf);
    EXPECT_EQ(p.pixel(1120, 900), Turf);
  }
  // Before the zero no runner is drawn, whatever its crossing; after the race's end none is.
  camera.Set_Physical_Start(10000);
  camera.set_Crossings({0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(camera.Nose_Column(1, 9999).has_value());
  EXPECT_EQ(camera.Nose_Column(1, 10000), 960 - 180);
  camera.End_Race();
  EXPECT_FALSE(camera.Nose_Column(1, 10000).has_value());
}

TEST(Synthetic_Camera, SteppedFramesKeepTheirFormatsIntervalWhateverTheClock) {
  const struct {
    int32_t format, limit, interval_ms;
    const char* described;
  } cases[] = {{0, 0, 40, "1920*1080/25"},
               {1, 0, 20, "1920*1080/50"},
               {2, 0, 10, "1920*1080/100"},
               {2, 25, 40, "1920*1080/25"}}; // the limit keeps every fourth frame
  for (const auto& c : cases) {
    Fake_Clock clock;
    clock.mill = 77000;
    Synthetic_Camera camera;
    camera.set_Stepped(true);
    QString error;
    ASSERT_TRUE(camera.Set_Format(c.format, error));
    ASSERT_TRUE(camera.Limit_Fps(c.limit, error));
    EXPECT_EQ(Process_AMT(camera.Current_Format()), c.described);
    Recording_Sink sink;
    ASSERT_TRUE(camera.Start(sink, error));
    EXPECT_FALSE(camera.Set_Format(0, error)); // not while running
    for (int k = 0; k < 5; ++k) {
      clock.advance(k == 2 ? 300 : 3); // late steps do not move the sample times
      ASSERT_TRUE(camera.Step());
    }
    ASSERT_EQ(sink.frames.size(), 5U);
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(sink.frames[k].sample_time, 77000 + c.interval_ms * k) << c.format;
      EXPECT_EQ(sink.frames[k].length, Synthetic_Camera::Frame_Bytes);
    }
    camera.Stop();
    EXPECT_FALSE(camera.Step());
    EXPECT_EQ(sink.frames.size(), 5U);
  }
  Synthetic_Camera camera;
  QString error;
  EXPECT_FALSE(camera.Set_Format(3, error));
}

TEST(Synthetic_Camera, RealTimeKeepsSampleTimesOnTheGridAndLosesWhatItCannotCatchUp) {
  Fake_Clock clock;
  clock.mill = 5000;
  Synthetic_Camera camera;
  Recording_Sink sink;
  QString error;
  ASSERT_TRUE(camera.Start(sink, error));
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 1; })); // frame 0 is due at once
  clock.advance(95);                                              // frames 1 and 2 are due
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 3; }));
  clock.advance(1000); // the window was busy for a second: 3 caught up, the rest lost
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 7; }));
  QTest::qWait(60);
  camera.Stop();
  EXPECT_EQ(sink.frames.size(), 7U);
  for (size_t i = 0; i < sink.frames.size(); ++i)
    EXPECT_EQ((sink.frames[i].sample_time - 5000) % 40, 0) << i;
  EXPECT_EQ(sink.frames[5].sample_time, 5000 + 5 * 40);
  EXPECT_EQ(sink.frames[6].sample_time, 5000 + 27 * 40); // 6 to 26 lost
  EXPECT_EQ(camera.Dropped_Frames(), 21);
}

TEST(Synthetic_Camera, SettingsAndCrossingTexts) {
  const struct {
    const char* text;
    bool ok;
  } texts[] = {{"1,2,3,4,5,6", true},
               {"29500, -, 3 ,-,-,100", true},
               {"1,2,3", false},
               {"1,2,3,4,5,x", false},
               {"1,2,3,4,5,6,7", false}};
  for (const auto& t : texts)
    EXPECT_EQ(Parse_Crossings(QString::fromLatin1(t.text)).has_value(), t.ok) << t.text;
  EXPECT_EQ(Format_Crossings(*Parse_Crossings(QStringLiteral("29500, -, 3 ,-,-,100"))), "29500,-,3,-,-,100");

  QTemporaryDir dir;
  Prompts_Guard prompts;
  const QString saved = program().Settings_File_Path;
  program().Settings_File_Path = dir.filePath(QStringLiteral("s.ini"));
  Write_Ini_Value(QStringLiteral("Synthetic"), QStringLiteral("Crossings"), QStringLiteral("100,-,300,400,500,600"),
                  program().Settings_File_Path);
  Write_Ini_Value(QStringLiteral("Synthetic"), QStringLiteral("Speed"), QStringLiteral("1.5"),
                  program().Settings_File_Path);
  Write_Ini_Value(QStringLiteral("Synthetic"), QStringLiteral("VideoDelay"), QStringLiteral("80"),
                  program().Settings_File_Path);
  Synthetic_Camera camera;
  camera.Load_Settings();
  EXPECT_EQ(Format_Crossings(camera.Crossings()), "100,-,300,400,500,600");
  EXPECT_DOUBLE_EQ(camera.Speed(), 1.5);
  EXPECT_EQ(camera.Video_Delay(), 80);
  // Unusable values leave what the camera had.
  Write_Ini_Value(QStringLiteral("Synthetic"), QStringLiteral("Speed"), QStringLiteral("-2"),
                  program().Settings_File_Path);
  Write_Ini_Value(QStringLiteral("Synthetic"), QStringLiteral("Crossings"), QStringLiteral("soon"),
                  program().Settings_File_Path);
  camera.Load_Settings();
  EXPECT_DOUBLE_EQ(camera.Speed(), 1.5);
  EXPECT_EQ(Format_Crossings(camera.Crossings()), "100,-,300,400,500,600");
  EXPECT_TRUE(prompts->messages().isEmpty());
  program().Settings_File_Path = saved;
}

} // namespace
