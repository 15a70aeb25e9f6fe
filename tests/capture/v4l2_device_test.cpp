// The V4L2 backend against scripted devices: enumeration, formats, streaming, failures.
#include "capture/v4l2_device.h"
#include "capture_sinks.h"
#include "mock/fake_v4l2_device.h"

#include <QFile>
#include <QTemporaryDir>
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
  // Stamps past the 32-bit wrap come out as Mill_Now's wrapping value.
  const int64_t big = (int64_t{1} << 32) + 5000;
  ASSERT_TRUE(io.Push_Frame(path, {1, 2, 3}, Stamp(1000)));
  ASSERT_TRUE(io.Push_Frame(path, {4}, Stamp(1040)));
  ASSERT_TRUE(io.Push_Frame(path, {5}, Stamp(1160), true, 2)); // two frames lost before it
  ASSERT_TRUE(io.Push_Frame(path, {6}, Stamp(big)));
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 4; }));
  ASSERT_TRUE(io.Push_Frame(path, {7}, Stamp(1240), false));         // the driver's clock is not monotonic
  ASSERT_TRUE(io.Push_Frame(path, {8}, Stamp(1280), true, 0, true)); // a damaged buffer
  ASSERT_TRUE(io.Push_Frame(path, {9}, Stamp(1320)));
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 6; }));

  const int64_t expected_times[] = {1000, 1040, 1160, 5000, No_Sample_Time, 1320};
  for (size_t i = 0; i < 6; ++i)
    EXPECT_EQ(sink.frames[i].sample_time, expected_times[i]) << i;
  EXPECT_EQ(sink.frames[0].head, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(sink.frames[0].length, 3);
  EXPECT_EQ(sink.frames[5].head.front(), 9);
  EXPECT_EQ(camera->Dropped_Frames(), 2);
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
  ASSERT_TRUE(Wait_For([&] { return sink.frames.size() == 7; }));
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
  info.buffers_granted = 1;
  io.Add_Device(info);
  Entry("video0");
  auto devices = Devices();
  Recording_Sink sink;
  QString error;
  EXPECT_FALSE(devices.front()->Start(sink, error));
  EXPECT_TRUE(error.contains("1 buffers")) << error.toStdString();
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

} // namespace
