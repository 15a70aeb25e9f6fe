// The V4L2 backend against scripted devices: enumeration, formats, streaming, failures.
#include "capture/v4l2_device.h"
#include "capture_sinks.h"
#include "mock/fake_clock.h"
#include "mock/fake_v4l2_device.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <linux/videodev2.h>

namespace {

Fake_V4l2_Camera Camera(const std::string& name, const std::string& card, const std::string& bus) {
  Fake_V4l2_Camera s;
  s.path = "/fake/" + name;
  s.card = card;
  s.bus_info = bus;
  s.formats = {
      {V4L2_PIX_FMT_YUYV, {{1920, 1080, {{1, 25}, {1, 50}}}, {1280, 720, {{1, 30}}}}},
      {V4L2_PIX_FMT_H264, {{1920, 1080, {{1, 25}}}}}, // not converted: left out
      {V4L2_PIX_FMT_MJPEG, {{1920, 1080, {{1, 25}}}}},
  };
  return s;
}

struct V4l2 : ::testing::Test {
  Fake_Clock clock; // frames arrive at its time; the drivers' stamps are checked against it
  Fake_V4l2 io;
  QTemporaryDir sys;

  void Entry(const char* name) {
    QFile f(sys.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  std::vector<std::unique_ptr<Capture_Device>> Devices() {
    return Enumerate_V4l2_Devices(io, sys.path(), QStringLiteral("/fake"));
  }
  std::unique_ptr<V4l2_Device> Only_Camera() {
    io.Add_Device(Camera("video0", "Cam", "usb-1"));
    Entry("video0");
    auto devices = Devices();
    EXPECT_EQ(devices.size(), 1U);
    return std::unique_ptr<V4l2_Device>(static_cast<V4l2_Device*>(devices.front().release()));
  }
};

TEST_F(V4l2, EnumerationListsCaptureDevicesInNumberOrderWithFlattenedFormats) {
  io.Add_Device(Camera("video10", "Late", "pci-3"));
  io.Add_Device(Camera("video2", "HDMI Grabber", "usb-0000:00:14.0-1"));
  Fake_V4l2_Camera meta = Camera("video3", "HDMI Grabber", "usb-0000:00:14.0-1");
  meta.device_caps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING; // the metadata node of the same camera
  io.Add_Device(meta);
  for (const char* e : {"video10", "video2", "video3", "vbi0"})
    Entry(e);

  const auto devices = Devices();
  ASSERT_EQ(devices.size(), 2U);
  EXPECT_EQ(devices[0]->Friendly_Name(), "HDMI Grabber (usb-0000:00:14.0-1)");
  EXPECT_EQ(devices[0]->Device_Path(), "/fake/video2");
  EXPECT_EQ(devices[1]->Friendly_Name(), "Late (pci-3)");
  EXPECT_EQ(io.Open_Devices(), 0); // enumeration leaves nothing open

  const std::vector<Video_Format> formats = devices[0]->Formats();
  const struct {
    Pixel_Format pixel;
    const char* text;
  } expected[] = {{Pixel_Format::YUYV, "1920*1080/25"},
                  {Pixel_Format::YUYV, "1920*1080/50"},
                  {Pixel_Format::YUYV, "1280*720/30"},
                  {Pixel_Format::MJPEG, "1920*1080/25"}};
  ASSERT_EQ(formats.size(), std::size(expected));
  for (size_t i = 0; i < formats.size(); ++i) {
    EXPECT_EQ(formats[i].pixel_format, expected[i].pixel) << i;
    EXPECT_EQ(Process_AMT(formats[i]), expected[i].text) << i;
  }
  EXPECT_EQ(formats[0].stride, 3840);
  EXPECT_EQ(formats[0].image_size, 1920 * 1080 * 2);
}

TEST_F(V4l2, FormatRateAndIntervalsGoToTheDriver) {
  auto camera = Only_Camera();
  QString error;
  EXPECT_EQ(camera->Min_Interval_100ns(), 200000); // no format set yet: the whole device
  EXPECT_EQ(camera->Max_Interval_100ns(), 400000);
  ASSERT_TRUE(camera->Set_Format(1, error)) << error.toStdString();
  EXPECT_EQ(io.Set_Fourcc("/fake/video0"), V4L2_PIX_FMT_YUYV);
  EXPECT_EQ(io.Set_Size("/fake/video0"), (std::pair<uint32_t, uint32_t>{1920, 1080}));
  EXPECT_EQ(io.Set_Interval("/fake/video0"), (std::pair<uint32_t, uint32_t>{1, 50}));
  EXPECT_EQ(camera->Current_Format()->frame_interval_100ns, 200000);
  EXPECT_EQ(camera->Min_Interval_100ns(), 200000);
  EXPECT_EQ(camera->Max_Interval_100ns(), 400000);
  ASSERT_TRUE(camera->Limit_Fps(25, error));
  EXPECT_EQ(io.Set_Interval("/fake/video0"), (std::pair<uint32_t, uint32_t>{1, 25}));
  EXPECT_EQ(Process_AMT(camera->Current_Format()), "1920*1080/25");
  EXPECT_FALSE(camera->Set_Format(4, error));
  EXPECT_FALSE(camera->Set_Format(-1, error));
  EXPECT_TRUE(error.contains("-1")) << error.toStdString();
}

timeval Stamp(int64_t ms) {
  return timeval{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
}

TEST_F(V4l2, StreamingDeliversStampsCountsGapsAndRequeues) {
  auto camera = Only_Camera();
  Recording_Sink sink;
  QString error;
  ASSERT_TRUE(camera->Start(sink, error)) << error.toStdString();
  EXPECT_EQ(io.Buffer_Count("/fake/video0"), 4U);
  EXPECT_EQ(io.Mapped(), 4);
  EXPECT_EQ(io.Queued("/fake/video0"), 4);
  EXPECT_TRUE(io.Streaming("/fake/video0"));

  const std::string path = "/fake/video0";
  clock.mill = 1400;
  // Stamps past the 32-bit wrap come out as Mill_Now's wrapping value.
  const int64_t big = (int64_t{1} << 32) + 1200;
  ASSERT_TRUE(io.Push_Frame(path, {1, 2, 3}, Stamp(1000)));
  ASSERT_TRUE(io.Push_Frame(path, {4}, Stamp(1040)));
  ASSERT_TRUE(io.Push_Frame(path, {5}, Stamp(1160), true, 2)); // two frames lost before it
  ASSERT_TRUE(io.Push_Frame(path, {6}, Stamp(big)));
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 4; }));
  ASSERT_TRUE(io.Push_Frame(path, {7}, Stamp(1240), false));         // the driver's clock is not monotonic
  ASSERT_TRUE(io.Push_Frame(path, {8}, Stamp(1280), true, 0, true)); // a damaged buffer
  ASSERT_TRUE(io.Push_Frame(path, {9}, Stamp(1320)));
  ASSERT_TRUE(io.Push_Frame(path, {10}, Stamp(900000))); // after the frame came: another clock's
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 7; }));

  // Arrival times, all at 1400 here, go back by the frames' spacing from the frame before.
  constexpr auto S = Capture_Time_Source::Sample_Time;
  constexpr auto A = Capture_Time_Source::Arrival_Time;
  const std::pair<int64_t, Capture_Time_Source> expected_times[] = {{1000, S}, {1040, S}, {1160, S}, {1200, S},
                                                                    {1240, A}, {1320, S}, {1360, A}};
  for (size_t i = 0; i < std::size(expected_times); ++i) {
    EXPECT_EQ(sink.frames[i].sample_time, expected_times[i].first) << i;
    EXPECT_EQ(sink.frames[i].source, expected_times[i].second) << i;
  }
  EXPECT_EQ(sink.frames[0].head, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(sink.frames[0].length, 3);
  EXPECT_EQ(sink.frames[5].head.front(), 9);
  EXPECT_EQ(camera->Dropped_Frames(), 3); // two skipped, one damaged
  EXPECT_EQ(camera->Lost_Frames(), 1);
  EXPECT_EQ(io.Queued(path), 4); // every buffer went back to the driver
  EXPECT_TRUE(sink.errors.empty());

  camera->Stop();
  EXPECT_FALSE(camera->Streaming());
  EXPECT_FALSE(io.Streaming(path));
  EXPECT_EQ(io.Mapped(), 0);
  EXPECT_EQ(io.Buffer_Count(path), 0U);
  EXPECT_FALSE(io.Push_Frame(path, {1}, Stamp(2000)));
  // A second stream starts afresh.
  ASSERT_TRUE(camera->Start(sink, error)) << error.toStdString();
  ASSERT_TRUE(io.Push_Frame(path, {1}, Stamp(3000)));
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 8; }));
  EXPECT_EQ(camera->Dropped_Frames(), 0);
}

TEST_F(V4l2, UnpluggedOrSilentDeviceIsReportedNotWaitedFor) {
  Entry("video0");
  for (const bool unplug : {true, false}) {
    Fake_V4l2 fake;
    fake.Add_Device(Camera("video0", "Cam", "usb-1"));
    auto devices = Enumerate_V4l2_Devices(fake, sys.path(), QStringLiteral("/fake"));
    ASSERT_EQ(devices.size(), 1U);
    auto* camera = static_cast<V4l2_Device*>(devices.front().get());
    camera->set_Watchdog_Ms(150);
    Recording_Sink sink;
    QString error;
    ASSERT_TRUE(camera->Start(sink, error));
    ASSERT_TRUE(fake.Push_Frame("/fake/video0", {1}, Stamp(1000)));
    ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 1; }));
    if (unplug) fake.Unplug("/fake/video0");
    ASSERT_TRUE(Wait_For([&] { return !sink.errors.empty(); })) << unplug;
    EXPECT_TRUE(sink.errors.front().contains(unplug ? "unplugged" : "stopped delivering"))
        << sink.errors.front().toStdString();
    QTest::qWait(200); // nothing more is reported, and nothing hangs
    EXPECT_EQ(sink.errors.size(), 1U);
    EXPECT_FALSE(camera->Streaming());
    EXPECT_EQ(fake.Mapped(), 0);
    // An unplugged camera refuses the next start with a reason; a silent one starts again.
    EXPECT_EQ(camera->Start(sink, error), !unplug);
    if (unplug) {
      EXPECT_FALSE(error.isEmpty());
    }
  }
}

TEST_F(V4l2, TooFewBuffersRefuseTheStartAndReleaseWhatWasTaken) {
  Fake_V4l2_Camera info = Camera("video0", "Cam", "usb-1");
  info.buffers_granted = 3; // one frame in conversion leaves two: too few
  io.Add_Device(info);
  Entry("video0");
  auto devices = Devices();
  Recording_Sink sink;
  QString error;
  EXPECT_FALSE(devices.front()->Start(sink, error));
  EXPECT_TRUE(error.contains("3 buffers")) << error.toStdString();
  EXPECT_FALSE(devices.front()->Streaming());
  EXPECT_EQ(io.Mapped(), 0);
}

TEST_F(V4l2, StopInsideTheFrameHandlerReleasesTheBuffersAfterIt) {
  auto camera = Only_Camera();
  Recording_Sink sink;
  sink.on_frame = [&] { camera->Stop(); };
  QString error;
  ASSERT_TRUE(camera->Start(sink, error));
  ASSERT_TRUE(io.Push_Frame("/fake/video0", {1}, Stamp(1000)));
  ASSERT_TRUE(io.Push_Frame("/fake/video0", {2}, Stamp(1040)));
  ASSERT_TRUE(Wait_For([&] { return !sink.frames.empty(); }));
  QTest::qWait(50);
  EXPECT_EQ(sink.frames.size(), 1U); // nothing after the stop
  EXPECT_FALSE(io.Streaming("/fake/video0"));
  EXPECT_EQ(io.Mapped(), 0);
}

TEST_F(V4l2, RatesAndSizesADriverDoesNotListAreFound) {
  Fake_V4l2_Camera stepwise = Camera("video0", "Stepper", "usb-1");
  // From 60 down to 5 frames a second in steps of 1/600 s.
  stepwise.formats = {{V4L2_PIX_FMT_YUYV, {{1280, 720, {{1, 60}, {1, 5}, {1, 600}}, true}}}};
  Fake_V4l2_Camera receiver = Camera("video1", "HDMI to CSI", "platform:csi");
  receiver.lists_sizes = false; // sized by the incoming signal; 25 f/s by G_PARM
  receiver.formats = {{V4L2_PIX_FMT_UYVY, {{1920, 1080, {}}}}};
  io.Add_Device(stepwise);
  io.Add_Device(receiver);
  Entry("video0");
  Entry("video1");
  const auto devices = Devices();
  ASSERT_EQ(devices.size(), 2U);
  const struct {
    size_t device;
    std::vector<const char*> formats;
  } cases[] = {{0, {"1280*720/60", "1280*720/50", "1280*720/30", "1280*720/25", "1280*720/5"}}, {1, {"1920*1080/25"}}};
  for (const auto& c : cases) {
    const std::vector<Video_Format> formats = devices[c.device]->Formats();
    ASSERT_EQ(formats.size(), c.formats.size()) << c.device;
    for (size_t i = 0; i < formats.size(); ++i)
      EXPECT_EQ(Process_AMT(formats[i]), c.formats[i]) << c.device << " " << i;
  }
  // The listed 25 is one the driver takes.
  QString error;
  ASSERT_TRUE(devices[0]->Set_Format(3, error)) << error.toStdString();
  EXPECT_EQ(io.Set_Interval("/fake/video0"), (std::pair<uint32_t, uint32_t>{1, 25}));
  EXPECT_EQ(devices[1]->Current_Format(), std::nullopt);
  ASSERT_TRUE(devices[1]->Set_Format(0, error)) << error.toStdString();
  EXPECT_EQ(devices[1]->Current_Format()->stride, 3840);
}

TEST_F(V4l2, TheLimitOf25HoldsOnFasterModes) {
  // The truth: the stamps the camera puts on the frames it takes, 1/fps apart for one second.
  const struct {
    uint32_t fps;
    bool keeps_rate; // the driver stays at its own rate: frames are skipped instead
    std::pair<uint32_t, uint32_t> driver_interval;
    size_t delivered;
    int64_t field_interval_100ns; // the source's own: skipping frames does not move its fields
  } cases[] = {{50, false, {1, 25}, 25, 200000},
               {50, true, {1, 50}, 25, 100000},
               {60, true, {1, 60}, 25, 83333},
               {25, true, {1, 25}, 25, 200000}};
  for (const auto& c : cases) {
    Fake_V4l2 fake;
    Fake_V4l2_Camera info = Camera("video0", "Cam", "usb-1");
    info.formats = {{V4L2_PIX_FMT_YUYV, {{1280, 720, {{1, c.fps}}}}}};
    info.keeps_rate = c.keeps_rate;
    info.field = V4L2_FIELD_INTERLACED_TB;
    fake.Add_Device(info);
    Entry("video0");
    auto devices = Enumerate_V4l2_Devices(fake, sys.path(), QStringLiteral("/fake"));
    Capture_Device& camera = *devices.front();
    QString error;
    ASSERT_TRUE(camera.Limit_Fps(25, error));
    ASSERT_TRUE(camera.Set_Format(0, error)) << error.toStdString();
    EXPECT_EQ(Process_AMT(camera.Current_Format()), "1280*720/25") << c.fps;
    Recording_Sink sink;
    ASSERT_TRUE(camera.Start(sink, error)) << error.toStdString();
    EXPECT_EQ(fake.Set_Interval("/fake/video0"), c.driver_interval) << c.fps;
    ASSERT_TRUE(camera.Current_Format());
    EXPECT_EQ(Field_Interval_100ns(*camera.Current_Format()), c.field_interval_100ns) << c.fps;
    const uint32_t taken = c.keeps_rate ? c.fps : 25;
    clock.mill = 101'000; // just after the last stamp
    for (uint32_t i = 0; i < taken; ++i) {
      ASSERT_TRUE(fake.Push_Frame("/fake/video0", {1}, timeval{100, static_cast<suseconds_t>(i * 1'000'000 / taken)}));
      ASSERT_TRUE(Wait_For([&] { return fake.Queued("/fake/video0") == 4; }));
    }
    EXPECT_EQ(sink.frames.size(), c.delivered) << c.fps;
    for (size_t i = 1; i < sink.frames.size(); ++i)
      EXPECT_GE(sink.frames[i].sample_time - sink.frames[i - 1].sample_time, 33) << c.fps << " " << i;
    camera.Stop();
  }
}

TEST_F(V4l2, DamagedOrEmptyBuffersAreLostFramesNotSignsOfLife) {
  for (const bool empty : {true, false}) {
    Fake_V4l2 fake;
    fake.Add_Device(Camera("video0", "Cam", "usb-1"));
    Entry("video0");
    auto devices = Enumerate_V4l2_Devices(fake, sys.path(), QStringLiteral("/fake"));
    auto* camera = static_cast<V4l2_Device*>(devices.front().get());
    camera->set_Watchdog_Ms(150);
    Recording_Sink sink;
    QString error;
    ASSERT_TRUE(camera->Start(sink, error));
    ASSERT_TRUE(fake.Push_Frame("/fake/video0", {1}, Stamp(1000)));
    ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 1; }));
    int bad = 0;
    while (sink.errors.empty() && bad < 40) {
      if (fake.Push_Frame("/fake/video0", empty ? std::vector<uint8_t>{} : std::vector<uint8_t>{2},
                          Stamp(1040 + bad * 40), true, 0, !empty))
        ++bad;
      QTest::qWait(20);
    }
    ASSERT_EQ(sink.errors.size(), 1U) << empty << ": the watchdog saw no frame";
    EXPECT_TRUE(sink.errors.front().contains("stopped delivering")) << sink.errors.front().toStdString();
    EXPECT_EQ(sink.frames.size(), 1U) << empty;
    EXPECT_EQ(camera->Lost_Frames(), bad) << empty;
  }
}

TEST_F(V4l2, AHandlerLongerThanTheWatchdogStopsNothing) {
  auto camera = Only_Camera();
  camera->set_Watchdog_Ms(100);
  const std::string path = "/fake/video0";
  Recording_Sink sink;
  int nested = 0;
  // The first frame's handler runs an event loop of its own for three watchdog times while the
  // camera goes on delivering, as an open question would.
  sink.on_frame = [&] {
    if (nested++ > 0) return;
    QEventLoop loop;
    QTimer pusher;
    int pushed = 0;
    QObject::connect(&pusher, &QTimer::timeout, [&] { io.Push_Frame(path, {2}, Stamp(1040 + 40 * pushed++)); });
    pusher.start(40);
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
  };
  QString error;
  ASSERT_TRUE(camera->Start(sink, error));
  ASSERT_TRUE(io.Push_Frame(path, {1}, Stamp(1000)));
  // The three buffers left were filled meanwhile and are read once the handler is back.
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 4; }));
  EXPECT_EQ(io.Queued(path), 4);
  ASSERT_TRUE(io.Push_Frame(path, {3}, Stamp(2000)));
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 5; }));
  EXPECT_TRUE(sink.errors.empty()) << sink.errors.front().toStdString();
  EXPECT_TRUE(camera->Streaming());
}

TEST_F(V4l2, EveryStartSetsFormatAndRateAgainAndALostSignalIsWaitedOut) {
  auto camera = Only_Camera();
  const std::string path = "/fake/video0";
  QString error;
  ASSERT_TRUE(camera->Set_Format(2, error)); // 1280*720/30
  Recording_Sink sink;
  ASSERT_TRUE(camera->Start(sink, error));
  camera->Stop();
  // Meanwhile the device was set otherwise, as a camera plugged back starts as it was made.
  const int other = io.Open(path.c_str(), 0);
  v4l2_format fmt{};
  fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  fmt.fmt.pix.width = 1920;
  fmt.fmt.pix.height = 1080;
  fmt.fmt.pix.pixelformat = V4L2_PIX_FMT_MJPEG;
  ASSERT_EQ(io.Ioctl(other, VIDIOC_S_FMT, &fmt), 0);
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  parm.parm.capture.timeperframe = {1, 25};
  ASSERT_EQ(io.Ioctl(other, VIDIOC_S_PARM, &parm), 0);
  io.Close(other);
  ASSERT_TRUE(camera->Start(sink, error)) << error.toStdString();
  EXPECT_EQ(io.Set_Fourcc(path), static_cast<uint32_t>(V4L2_PIX_FMT_YUYV));
  EXPECT_EQ(io.Set_Size(path), (std::pair<uint32_t, uint32_t>{1280, 720}));
  EXPECT_EQ(io.Set_Interval(path), (std::pair<uint32_t, uint32_t>{1, 30}));

  // A dequeue that fails with EIO (signal lost for a moment) is a lost frame; the stream goes on.
  io.Fail_Next_Dequeue(path, EIO);
  QTest::qWait(20);
  ASSERT_TRUE(io.Push_Frame(path, {1}, Stamp(1000)));
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 1; }));
  EXPECT_TRUE(sink.errors.empty());
  EXPECT_EQ(camera->Lost_Frames(), 1);
}

TEST_F(V4l2, ARefusedFormatLeavesTheOneThatWasSet) {
  auto camera = Only_Camera();
  QString error;
  ASSERT_TRUE(camera->Set_Format(2, error)); // 1280*720/30
  // The device lists 800 x 600, which its driver does not have: it answers with another size.
  V4l2_Device lying(io, QStringLiteral("/fake/video0"), QStringLiteral("Cam"), QStringLiteral("usb-1"),
                    QStringLiteral("fakecam"),
                    {{V4L2_PIX_FMT_YUYV, 1280, 720, 1, 30}, {V4L2_PIX_FMT_YUYV, 800, 600, 1, 30}});
  camera.reset();
  ASSERT_TRUE(lying.Set_Format(0, error)) << error.toStdString();
  EXPECT_FALSE(lying.Set_Format(1, error));
  EXPECT_TRUE(error.contains("refused")) << error.toStdString();
  EXPECT_EQ(io.Set_Size("/fake/video0"), (std::pair<uint32_t, uint32_t>{1280, 720}));
  EXPECT_EQ(Process_AMT(lying.Current_Format()), "1280*720/30");
}

// Receivers on some boards speak only the multi-planar interface: one plane is read, from
// where the driver says its payload starts.
TEST_F(V4l2, MultiPlanarDevicesStreamTheirOnePlane) {
  const struct {
    const char* name;
    bool multi_planar;
    uint32_t planes;
    uint32_t data_offset;
    bool starts;
  } cases[] = {
      {"single-plane interface", false, 1, 0, true},
      {"multi-planar, one plane", true, 1, 0, true},
      {"multi-planar, payload after a header", true, 1, 4096, true},
      {"multi-planar, two planes", true, 2, 0, false},
  };
  for (const auto& c : cases) {
    Fake_V4l2 fake;
    Fake_V4l2_Camera info = Camera("video0", "Receiver", "platform:csi");
    info.multi_planar = c.multi_planar;
    info.planes = c.planes;
    info.data_offset = c.data_offset;
    fake.Add_Device(info);
    Entry("video0");
    auto devices = Enumerate_V4l2_Devices(fake, sys.path(), QStringLiteral("/fake"));
    ASSERT_EQ(devices.size(), 1U) << c.name;
    Capture_Device& camera = *devices.front();
    ASSERT_EQ(camera.Formats().size(), 4U) << c.name;
    QString error;
    if (!c.starts) {
      EXPECT_FALSE(camera.Set_Format(0, error)) << c.name;
      EXPECT_TRUE(error.contains("2 separate planes")) << c.name << ": " << error.toStdString();
      EXPECT_FALSE(camera.Current_Format()) << c.name;
      continue;
    }
    ASSERT_TRUE(camera.Set_Format(1, error)) << c.name << ": " << error.toStdString();
    EXPECT_EQ(fake.Set_Interval("/fake/video0"), (std::pair<uint32_t, uint32_t>{1, 50})) << c.name;
    EXPECT_EQ(camera.Current_Format()->stride, 3840) << c.name;
    Recording_Sink sink;
    ASSERT_TRUE(camera.Start(sink, error)) << c.name << ": " << error.toStdString();
    EXPECT_EQ(fake.Queued("/fake/video0"), 4) << c.name;
    clock.mill = 1100;
    ASSERT_TRUE(fake.Push_Frame("/fake/video0", {1, 2, 3}, Stamp(1000))) << c.name;
    ASSERT_TRUE(fake.Push_Frame("/fake/video0", {}, Stamp(1020))) << c.name; // empty: lost
    ASSERT_TRUE(fake.Push_Frame("/fake/video0", {4, 5}, Stamp(1040))) << c.name;
    ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 2; })) << c.name;
    EXPECT_EQ(sink.frames[0].head, (std::vector<uint8_t>{1, 2, 3})) << c.name;
    EXPECT_EQ(sink.frames[0].length, 3) << c.name;
    EXPECT_EQ(sink.frames[1].head, (std::vector<uint8_t>{4, 5})) << c.name;
    EXPECT_EQ(sink.frames[1].sample_time, 1040) << c.name;
    EXPECT_EQ(static_cast<V4l2_Device&>(camera).Lost_Frames(), 1) << c.name;
    EXPECT_TRUE(Wait_For([&] { return fake.Queued("/fake/video0") == 4; })) << c.name;
    camera.Stop();
    EXPECT_EQ(fake.Mapped(), 0) << c.name;
    EXPECT_FALSE(fake.Streaming("/fake/video0")) << c.name;
  }
}

} // namespace
