#include "presentation/form_hdmi_performance.h"

#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "mock/fake_clock.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "presentation/printer_select.h"
#include "recording/frame_buffers.h"
#include "scripted_cameras.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <linux/videodev2.h>

namespace {

const QRgb Background = Delta_Plot_Background.rgb();

// Pixels from the bottom of column x up to the first background pixel.
int Bar_Height(const QImage& plot, int x) {
  int height = 0;
  for (int y = plot.height() - 1; y >= 0 && plot.pixel(x, y) != Background; --y)
    ++height;
  return height;
}

QImage Blank_Plot(int width = 8, int height = 120) {
  QImage plot(width, height, QImage::Format_RGB32);
  plot.fill(Delta_Plot_Background);
  return plot;
}

TEST(Delta_Plot, BarsScrollLeftAndAreCutAtTheTop) {
  QImage plot = Blank_Plot();
  const struct {
    int32_t delta;
    int bar;
  } frames[] = {{80, 80}, {40, 40}, {0, 0}, {-5, 0}, {119, 119}, {120, 120}, {500, 120}, {33, 33}};
  for (const auto& f : frames)
    Plot_Delta(plot, f.delta);
  // Oldest on the left; each column holds its own frame's bar only.
  for (int x = 0; x < 8; ++x)
    EXPECT_EQ(Bar_Height(plot, x), frames[x].bar) << x;
  for (int x = 0; x < 8; ++x)
    for (int y = plot.height() - frames[x].bar; y < plot.height(); ++y)
      ASSERT_EQ(plot.pixel(x, y), Delta_Bar_Colour.rgb()) << x << "," << y;
  // A taller bar that scrolled on leaves nothing behind in the column the next bar takes.
  Plot_Delta(plot, 10);
  EXPECT_EQ(Bar_Height(plot, 7), 10);
  EXPECT_EQ(Bar_Height(plot, 6), 33);
}

TEST(Delta_Plot, ReferenceLinesSitWhereFortyAndEightyMillisecondBarsEnd) {
  QImage plot = Blank_Plot(4, 120);
  Draw_lines(plot);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(plot.pixel(x, 80), Line_40_Colour.rgb());
    EXPECT_EQ(plot.pixel(x, 40), Line_80_Colour.rgb());
    EXPECT_EQ(plot.pixel(x, 81), Background);
    EXPECT_EQ(plot.pixel(x, 79), Background);
    EXPECT_EQ(plot.pixel(x, 41), Background);
  }
  // A 40 ms bar reaches the 40 line and not beyond; a 39 ms bar stops under it.
  QImage bars = Blank_Plot(2, 120);
  Plot_Delta(bars, 39);
  Plot_Delta(bars, 40);
  EXPECT_EQ(bars.pixel(0, 80), Background);
  EXPECT_EQ(bars.pixel(1, 80), Delta_Bar_Colour.rgb());
  EXPECT_EQ(bars.pixel(1, 79), Background);
  // A plot too low for a line simply lacks it.
  QImage low = Blank_Plot(2, 60);
  Draw_lines(low);
  EXPECT_EQ(low.pixel(0, 20), Line_40_Colour.rgb());
}

TEST(Performance_Texts, CountsRatesAndLimits) {
  const struct {
    int32_t elapsed;
    int32_t expected;
  } counts[] = {{0, 0}, {19, 0}, {20, 0}, {21, 1}, {40, 1}, {59, 1}, {60, 2}, {1000, 25}, {-40, -1}};
  for (const auto& c : counts)
    EXPECT_EQ(Expected_Frames(c.elapsed), c.expected) << c.elapsed;

  const struct {
    int32_t ten_frames;
    const char* text;
  } rates[] = {{400, "1920*1080, 25 fps"}, {399, "1920*1080, 25 fps"}, {401, "1920*1080, 24 fps"},
               {333, "1920*1080, 30 fps"}, {167, "1920*1080, 59 fps"}, {0, "1920*1080, N/A fps"}};
  for (const auto& r : rates)
    EXPECT_EQ(HDMI_Dimensions_Text(QStringLiteral("1920*1080"), r.ten_frames), r.text) << r.ten_frames;

  EXPECT_EQ(Min_Max_Fps_Text(QStringLiteral("166666"), QStringLiteral("400000")),
            "Min interval 166666 (60 fps), max interval 400000 (25 fps)");
  EXPECT_EQ(Min_Max_Fps_Text(QStringLiteral("800000"), QString()), "Min interval 800000 (12.5 fps), max interval N/A");
  EXPECT_EQ(Min_Max_Fps_Text(QStringLiteral(" 333667"), QStringLiteral("333667")),
            "Min interval 333667 (30 fps), max interval 333667 (30 fps)");
  EXPECT_EQ(Min_Max_Fps_Text(QStringLiteral("0"), QStringLiteral("abc")), "Min interval N/A, max interval N/A");
}

struct Performance_Window : ::testing::Test {
  Fake_Clock clock;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  Frame_List frames;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = dir.filePath(QStringLiteral("Doravent_HDMI.ini"));
    program().Computer_Name = QStringLiteral("FINISH-PC");
    program().Processor_Description = QStringLiteral("Test CPU");
    program().Memory_Total = QStringLiteral("8 GB");
    program().Windows_Version = QStringLiteral("Debian 12");
    program().CPU_Bitness = QStringLiteral("64");
    program().OS_Bitness = QStringLiteral("64");
  }

  static QString Text(const QLabel* label) { return label->text(); }
  static std::array<QString, 3> Counts(const Form_HDMI_performance& w) {
    return {w.Label_Frames_received->text(), w.Label_frames_Calculated->text(), w.Label_frames_lost->text()};
  }
  // The synthetic camera, stepped, behind a running source.
  std::unique_ptr<cls_Capture_HDMI> Synthetic_Source() {
    std::vector<std::unique_ptr<Capture_Device>> devices;
    devices.push_back(std::make_unique<Synthetic_Camera>());
    auto source = std::make_unique<cls_Capture_HDMI>(std::make_unique<Capture_Component>(std::move(devices)), frames);
    source->Synthetic()->set_Stepped(true);
    EXPECT_TRUE(source->Use_Source(1, 0, false));
    source->set_HDMI_Crop(400, 880);
    source->Capture_Run();
    return source;
  }
  void Step(cls_Capture_HDMI& source, Form_HDMI_performance* w, int n) {
    for (int i = 0; i < n; ++i) {
      clock.advance(40);
      ASSERT_TRUE(source.Synthetic()->Step());
      if (w) w->Frame_From_Main(source);
    }
  }
};

TEST_F(Performance_Window, LostCountFollowsTheSourceRate) {
  const struct {
    const char* name;
    std::vector<int32_t> pattern; // intervals in ms, repeated
    int frames;
    int lost_after_each_second; // growth per second of received - expected
  } cases[] = {
      {"25 fps", {40}, 250, 0},
      {"30 fps", {33, 33, 34}, 300, 5},
      {"12.5 fps", {80}, 125, -12}, // -12.5 a second: -12 or -13 at each mark
  };
  for (const auto& c : cases) {
    Form_HDMI_performance w;
    w.Reset_Counters();
    int32_t elapsed = 0;
    for (int k = 0; k < c.frames; ++k) {
      const int32_t delta = c.pattern[static_cast<size_t>(k) % c.pattern.size()];
      clock.advance(delta);
      elapsed += delta;
      w.HDMI_event(clock.mill, delta);
      if (elapsed % 1000 == 0 && c.lost_after_each_second >= 0) {
        EXPECT_EQ(w.Label_frames_lost->text().toInt(), c.lost_after_each_second * elapsed / 1000)
            << c.name << " at " << elapsed;
      }
    }
    EXPECT_EQ(elapsed, 10000) << c.name;
    EXPECT_EQ(w.Label_Frames_received->text().toInt(), c.frames) << c.name;
    EXPECT_EQ(w.Label_frames_Calculated->text().toInt(), 250) << c.name;
    EXPECT_EQ(w.Label_frames_lost->text().toInt(), c.frames - 250) << c.name;
    EXPECT_EQ(Bar_Height(w.Plot(), Delta_Plot_Width - 1),
              c.pattern[static_cast<size_t>(c.frames - 1) % c.pattern.size()])
        << c.name;

    // A click on the lost count starts the counts again from now.
    QTest::mouseClick(w.Label_frames_lost, Qt::LeftButton);
    EXPECT_EQ(Counts(w), (std::array<QString, 3>{"0", "0", "0"})) << c.name;
    EXPECT_EQ(w.Start_Mill(), clock.mill);
    clock.advance(40);
    w.HDMI_event(clock.mill, 40);
    EXPECT_EQ(Counts(w), (std::array<QString, 3>{"1", "1", "0"})) << c.name;
  }
}

TEST_F(Performance_Window, OpensOnlyForATimedSourceAndTogglesTheTick) {
  auto source = Synthetic_Source();
  Form_HDMI_performance w;
  QAction tick(QStringLiteral("HDMI performance"));
  tick.setCheckable(true);
  Step(*source, &w, 30);
  tick.setChecked(true); // as a checkable menu item does on its own when clicked
  EXPECT_FALSE(w.Open_From_Main(*source, &tick));
  EXPECT_EQ(prompts->messages(), QStringList{"No active HDMI source!"});
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(tick.isChecked());

  Step(*source, &w, 1); // frame 31: ten frames timed
  ASSERT_TRUE(w.Open_From_Main(*source, &tick));
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(tick.isChecked());
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(w.Source(), source.get());
  EXPECT_EQ(Text(w.Label_properties), "Synthetic camera / 1920*1080/25");
  EXPECT_EQ(Text(w.Label_dimensions), "1920*1080, 25 fps");
  EXPECT_EQ(Text(w.Label_min_max_fps), "Min interval 400000 (25 fps), max interval 400000 (25 fps)");
  EXPECT_EQ(w.windowTitle(), "HDMI performance " DORAVENT_VERSION " Doravent_HDMI 2026-05-17 14:30:01");
  EXPECT_EQ(Text(w.Label_system), "Debian 12\nCPU = 64 OS = 64");
  EXPECT_EQ(Text(w.Label_computer), "FINISH-PC Test CPU  8 GB");
  EXPECT_EQ(Counts(w), (std::array<QString, 3>{"0", "0", "0"}));

  // Fed from the frame handler: the synthetic camera keeps to 40 ms exactly.
  Step(*source, &w, 50);
  EXPECT_EQ(Counts(w), (std::array<QString, 3>{"50", "50", "0"}));
  for (int x = Delta_Plot_Width - 50; x < Delta_Plot_Width; ++x)
    ASSERT_EQ(Bar_Height(w.Plot(), x), 40) << x;
  EXPECT_EQ(Bar_Height(w.Plot(), Delta_Plot_Width - 51), 0);

  // The menu item again closes the window; a hidden window is not fed.
  tick.setChecked(false);
  EXPECT_TRUE(w.Open_From_Main(*source, &tick));
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(tick.isChecked());
  Step(*source, &w, 5);
  EXPECT_EQ(w.Frames_Received(), 50);

  // Opened again it counts afresh; its own hide button takes the tick off.
  EXPECT_TRUE(w.Open_From_Main(*source, &tick));
  EXPECT_EQ(w.Frames_Received(), 0);
  EXPECT_TRUE(tick.isChecked());
  QTest::mouseClick(w.Command_hide, Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(tick.isChecked());
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Performance_Window, DriverDropsAreShownBesideTheEstimate) {
  Scripted_Cameras cams;
  cams.with_synthetic = false;
  Fake_V4l2_Camera camera;
  camera.card = "Grabber";
  camera.bus_info = "usb-1";
  camera.formats = {{V4L2_PIX_FMT_RGB24, {{64, 48, {{1, 25}}}}}};
  const std::string path = cams.Add(camera);
  cls_Capture_HDMI source(cams.Make(), frames);
  ASSERT_TRUE(source.Use_Source(1, 0, false));
  source.set_HDMI_Crop(32, 16);
  source.Capture_Run();
  ASSERT_TRUE(source.Running());
  Form_HDMI_performance w;
  EXPECT_EQ(Text(w.Label_frames_dropped), "N/A"); // no source yet
  QSignalSpy received(&source, &cls_Capture_HDMI::HDMIreceived);
  const std::vector<uint8_t> frame(64 * 48 * 3, 90);
  int64_t stamp_ms = 5000;
  clock.mill = 5005; // frames come 5 ms after their stamps
  const auto push = [&](uint32_t skip) {
    stamp_ms += 40 * (1 + skip);
    clock.advance(static_cast<int32_t>(40 * (1 + skip)));
    const int before = received.count();
    ASSERT_TRUE(cams.io.Push_Frame(path, frame, timeval{stamp_ms / 1000, (stamp_ms % 1000) * 1000}, true, skip));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == before + 1; }, 3000));
    w.Frame_From_Main(source);
  };
  for (int k = 0; k < 31; ++k)
    push(0);
  ASSERT_EQ(source.HDMI_10_mill(), 400);
  ASSERT_TRUE(w.Open_From_Main(source));
  EXPECT_EQ(Text(w.Label_frames_dropped), "0");
  push(0);
  push(3);
  EXPECT_EQ(Text(w.Label_frames_dropped), "3");
  EXPECT_EQ(source.Dropped_Frames(), 3);
  // The estimate sees the same gap: 2 received in 5 frame times.
  EXPECT_EQ(Counts(w), (std::array<QString, 3>{"2", "5", "-3"}));
  // Counts restart at the click; the driver's count with them.
  QTest::mouseClick(w.Label_frames_lost, Qt::LeftButton);
  EXPECT_EQ(Text(w.Label_frames_dropped), "0");
  push(2);
  EXPECT_EQ(Text(w.Label_frames_dropped), "2");
  EXPECT_EQ(Bar_Height(w.Plot(), Delta_Plot_Width - 1), 120); // 120 ms: the plot's full height
  // A new stream counts its drops from 0 again.
  source.Stop_Capture();
  source.Capture_Run();
  push(0);
  EXPECT_EQ(Text(w.Label_frames_dropped), "0");
  push(1);
  EXPECT_EQ(Text(w.Label_frames_dropped), "1");
  source.Stop_Capture();
}

TEST_F(Performance_Window, RandomDeltaFeedsIntervalsOfFortyToSeventy) {
  Form_HDMI_performance w;
  w.show();
  QAction* random = w.item(QStringLiteral("item_random_delta"));
  ASSERT_NE(random, nullptr);
  EXPECT_EQ(random->text(), "Random Delta");
  random->trigger();
  EXPECT_TRUE(w.Random_Running());
  EXPECT_TRUE(random->isChecked());
  int low = 1000;
  int high = 0;
  for (int k = 0; k < 600; ++k) {
    const int32_t came_after = w.Random_Interval_ms();
    clock.advance(came_after);
    w.Timer_random_Timer();
    // The bar is the interval the tick came after; the next one is drawn anew.
    ASSERT_EQ(Bar_Height(w.Plot(), Delta_Plot_Width - 1), came_after) << k;
    const int32_t next = w.Random_Interval_ms();
    ASSERT_GE(next, 40);
    ASSERT_LE(next, 70);
    low = std::min(low, next);
    high = std::max(high, next);
  }
  EXPECT_EQ(low, 40);
  EXPECT_EQ(high, 70);
  // The counts agree with the plotted intervals: fewer frames than 25 a second.
  EXPECT_EQ(w.Frames_Received(), 600);
  EXPECT_LT(w.Label_frames_lost->text().toInt(), -100);

  random->trigger();
  EXPECT_FALSE(w.Random_Running());
  EXPECT_FALSE(random->isChecked());
  // Closing the window stops the timer too.
  random->trigger();
  w.close();
  EXPECT_FALSE(w.Random_Running());
  EXPECT_FALSE(random->isChecked());
}

TEST_F(Performance_Window, CopiesAndPrintsItsPicture) {
  Form_HDMI_performance w;
  w.show();
  for (int k = 0; k < 100; ++k)
    w.HDMI_event(clock.mill, 40 + k % 30);
  QTest::mouseClick(w.Command_copy_clipboard, Qt::LeftButton);
  const QImage picture = QGuiApplication::clipboard()->image();
  EXPECT_EQ(picture.size(), w.size() * picture.devicePixelRatio());

  w.set_Print_Waits({0, 0});
  const QString pdf = dir.filePath(QStringLiteral("performance.pdf"));
  Set_Print_To_File(pdf);
  QTest::mouseClick(w.Command_print, Qt::LeftButton);
  Set_Print_To_File(QString());
  QFile printed(pdf);
  ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
  EXPECT_TRUE(printed.read(4) == "%PDF");
  EXPECT_TRUE(prompts->messages().isEmpty());

  Set_Print_To_File(dir.filePath(QStringLiteral("no such folder/performance.pdf")));
  w.Command_print_Click();
  Set_Print_To_File(QString());
  EXPECT_EQ(prompts->messages(), QStringList{"Windows reports Printer error!\nSorry can't print this time...."});
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
