// cls_Capture_HDMI over scripted V4L2 devices and the synthetic camera.
#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "capture/v4l2_device.h"
#include "capture_sinks.h"
#include "mock/fake_clock.h"
#include "mock/fake_v4l2_device.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "recording/frame_buffers.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <linux/videodev2.h>

namespace {

struct Capture_Source : ::testing::Test {
  Fake_Clock clock;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  Fake_V4l2 io;
  Frame_List frames;
  QString saved_settings;

  void SetUp() override {
    saved_settings = program().Settings_File_Path;
    program().Settings_File_Path = dir.filePath(QStringLiteral("s.ini"));
  }
  void TearDown() override { program().Settings_File_Path = saved_settings; }

  // `cameras` scripted RGB24 cameras named "Grabber n (usb-n)", then the synthetic camera.
  std::unique_ptr<cls_Capture_HDMI> Source(int cameras) {
    for (int n = 1; n <= cameras; ++n) {
      const std::string name = "video" + std::to_string(n - 1);
      Fake_V4l2_Camera s;
      s.path = "/fake/" + name;
      s.card = "Grabber " + std::to_string(n);
      s.bus_info = "usb-" + std::to_string(n);
      s.formats = {{V4L2_PIX_FMT_RGB24, {{1920, 1080, {{1, 25}}}, {1280, 720, {{1, 30}, {1, 60}}}}}};
      io.Add_Device(s);
      QFile f(dir.filePath(QString::fromStdString(name)));
      EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto devices = Enumerate_V4l2_Devices(io, dir.path(), QStringLiteral("/fake"));
    devices.push_back(std::make_unique<Synthetic_Camera>());
    return std::make_unique<cls_Capture_HDMI>(std::make_unique<Capture_Component>(std::move(devices)), frames);
  }
  void Save(const QString& name, const QString& format) {
    Write_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("friendlyname"), name,
                    program().Settings_File_Path);
    Write_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("videoproperty"), format,
                    program().Settings_File_Path);
  }
  // The synthetic camera, selected, stepped and running with a 400 x 880 crop.
  Synthetic_Camera* Run_Synthetic(cls_Capture_HDMI& source) {
    Synthetic_Camera* camera = source.Synthetic();
    camera->set_Stepped(true);
    EXPECT_TRUE(source.Use_Source(source.Component().Device_Count(), 0, true));
    source.set_HDMI_Crop(400, 880);
    source.Capture_Run();
    EXPECT_TRUE(source.Running());
    return camera;
  }
};

TEST_F(Capture_Source, SavedNameSelectsTheThirdOfFiveAndItsFormat) {
  auto source = Source(4);
  ASSERT_EQ(source->Component().Device_Count(), 5);
  Save(QStringLiteral("Grabber 3 (usb-3)"), QStringLiteral("2"));
  ASSERT_TRUE(source->Set_Source_from_Saved(true));
  EXPECT_TRUE(source->SourcePropFound());
  EXPECT_EQ(source->Source_Number(), 3);
  EXPECT_EQ(source->Current_FriendlyName(), "Grabber 3 (usb-3)");
  // The 60 f/s mode, limited to 25 as the box asks.
  EXPECT_EQ(source->Current_PropertyString(), "1280*720/25");
  EXPECT_EQ(io.Set_Interval("/fake/video2"), (std::pair<uint32_t, uint32_t>{1, 25}));
  // Read before the format is set: the limits of the whole device.
  EXPECT_EQ(source->MinInterval(), "166666");
  EXPECT_EQ(source->MaxInterval(), "400000");
  EXPECT_EQ(io.Set_Size("/fake/video2"), (std::pair<uint32_t, uint32_t>{1280, 720}));
  // The search stopped at device 3: device 4 was never asked to change.
  EXPECT_EQ(io.Set_Size("/fake/video3"), (std::pair<uint32_t, uint32_t>{1920, 1080}));
  EXPECT_TRUE(prompts->messages().isEmpty());

  // The synthetic camera is found the same way.
  Save(QStringLiteral("Synthetic camera"), QStringLiteral("0"));
  ASSERT_TRUE(source->Set_Source_from_Saved(false));
  EXPECT_EQ(source->Source_Number(), 5);
  EXPECT_EQ(source->Current_PropertyString(), "1920*1080/25");
}

TEST_F(Capture_Source, NameOfNoDeviceShowsTheMessageAndFindsNothing) {
  for (const char* saved : {static_cast<const char*>("Grabber 9 (usb-9)"),
                            static_cast<const char*>(nullptr)}) { // nullptr: nothing saved at all
    auto source = Source(2);
    if (saved) Save(QString::fromLatin1(saved), QStringLiteral("0"));
    EXPECT_FALSE(source->Set_Source_from_Saved(true));
    EXPECT_FALSE(source->SourcePropFound());
    ASSERT_FALSE(prompts->messages().isEmpty());
    EXPECT_EQ(prompts->messages().last(), "Could not find the saved Video source! Please re-select Video source!");
    prompts->seen.clear();
  }
}

TEST_F(Capture_Source, CropOfFullHdIsCutAtSevenSixtyOneHundred) {
  auto source = Source(1);
  Save(QStringLiteral("Grabber 1 (usb-1)"), QStringLiteral("0"));
  ASSERT_TRUE(source->Set_Source_from_Saved(false));
  source->set_HDMI_Crop(400, 880);
  source->Capture_Run();
  ASSERT_TRUE(source->Running());
  // Each pixel tells where it is: red and green the column, blue the row.
  std::vector<uint8_t> frame(1920 * 1080 * 3);
  for (int y = 0; y < 1080; ++y)
    for (int x = 0; x < 1920; ++x) {
      uint8_t* p = &frame[static_cast<size_t>((y * 1920 + x) * 3)];
      p[0] = static_cast<uint8_t>(x >> 8);
      p[1] = static_cast<uint8_t>(x & 0xFF);
      p[2] = static_cast<uint8_t>(y & 0xFF);
    }
  QSignalSpy received(source.get(), &cls_Capture_HDMI::HDMIreceived);
  clock.mill = 12350;
  ASSERT_TRUE(io.Push_Frame("/fake/video0", frame, timeval{12, 345000}));
  ASSERT_TRUE(Wait_For([&] { return received.count() == 1; }));
  EXPECT_EQ(source->Crop_Left(), 760);
  EXPECT_EQ(source->Crop_Top(), 100);
  EXPECT_EQ(source->HDMI_Sample_Dimensions(), "1920*1080");
  const QImage crop = source->Cropped_Picture().To_QImage();
  ASSERT_EQ(crop.size(), QSize(400, 880));
  const auto where = [&](int x, int y) {
    const QRgb p = crop.pixel(x, y);
    return std::pair{qRed(p) * 256 + qGreen(p), qBlue(p)};
  };
  EXPECT_EQ(where(0, 0), (std::pair{760, 100}));
  EXPECT_EQ(where(399, 879), (std::pair{1159, (979 & 0xFF)}));
  EXPECT_EQ(where(123, 45), (std::pair{883, 145}));
  // Painted stretched over a box half its size: the box's corner pixels are the crop's.
  QImage box(200, 440, QImage::Format_RGB32);
  source->Draw_Cropped_DIB(box);
  EXPECT_EQ(box.pixel(0, 0), crop.pixel(0, 0));
  EXPECT_EQ(box.pixel(100, 220), crop.pixel(200, 440));
  // The driver's stamp is the frame's time, on the program clock.
  EXPECT_EQ(source->last_Capture_mill(), 12345);
  EXPECT_EQ(source->Time_Source(), Capture_Time_Source::Sample_Time);
  EXPECT_EQ(source->Frame_Header().biWidth, 1920);
  EXPECT_EQ(source->Frame_Header().biSizeImage, 1920U * 1080 * 3);
  // A stamp the driver does not vouch for gives way to the arrival time.
  clock.mill = 12380;
  ASSERT_TRUE(io.Push_Frame("/fake/video0", frame, timeval{99, 0}, false));
  ASSERT_TRUE(Wait_For([&] { return received.count() == 2; }));
  EXPECT_EQ(source->last_Capture_mill(), clock.mill);
  EXPECT_EQ(source->Time_Source(), Capture_Time_Source::Arrival_Time);
  source->Stop_Capture();
  EXPECT_FALSE(source->Running());
}

TEST_F(Capture_Source, RateEveryFiftyFramesTenFrameTimeArmAndDeltas) {
  clock.mill = 60000;
  auto source = Source(0);
  Synthetic_Camera* camera = Run_Synthetic(*source);
  const auto step = [&](int n) {
    for (int i = 0; i < n; ++i) {
      clock.advance(40);
      ASSERT_TRUE(camera->Step());
    }
  };
  step(1);
  EXPECT_EQ(source->last_Capture_delta(), 0); // 60000 ms since nothing: out of range
  step(1);
  EXPECT_EQ(source->last_Capture_delta(), 40);
  step(28);
  EXPECT_EQ(source->HDMI_10_mill(), 0); // frame 31 not yet here
  step(1);
  EXPECT_EQ(source->HDMI_10_mill(), 400);
  EXPECT_EQ(source->Frame_Time(31) - source->Frame_Time(21), 400);
  step(19);
  EXPECT_EQ(source->HDMI_events(), 50);
  EXPECT_EQ(source->Running_Fps(), 0.0F); // the first block only sets the reference
  step(49);
  EXPECT_EQ(source->Running_Fps(), 0.0F);
  EXPECT_EQ(source->Arm_Counter(), 99.0F);
  step(1);
  EXPECT_EQ(source->Running_Fps(), 25.0F);
  EXPECT_EQ(source->Arm_Counter(), 100.0F);

  // At counter 100 the arm points straight up from the centre.
  QImage arm(60, 60, QImage::Format_RGB32);
  source->Draw_Running_Arm_2(arm, Qt::blue);
  EXPECT_EQ(arm.pixel(30, 6), qRgb(0, 0, 255));
  EXPECT_EQ(arm.pixel(30, 50), qRgb(255, 255, 255));
  EXPECT_EQ(arm.pixel(50, 30), qRgb(255, 255, 255));
  step(25); // a quarter turn on: pointing right
  EXPECT_EQ(source->Arm_Counter(), 25.0F);
  source->Draw_Running_Arm_2(arm, Qt::red);
  EXPECT_EQ(arm.pixel(54, 30), qRgb(255, 0, 0));
  EXPECT_EQ(arm.pixel(30, 6), qRgb(255, 255, 255));
  step(5);
  EXPECT_EQ(source->Frame_Time(131), 0);
  step(1);
  EXPECT_EQ(source->Frame_Time(131), camera->Sample_Time(130));
}

TEST_F(Capture_Source, SampleTimesStayOnTheGridWhenFramesArriveLate) {
  clock.mill = 20000;
  auto source = Source(0);
  Synthetic_Camera* camera = Run_Synthetic(*source);
  source->set_Post_linear(true);
  for (int k = 0; k < 4; ++k) {
    clock.advance(k == 2 ? 95 : 25); // frame 2 waited while the window was busy
    ASSERT_TRUE(camera->Step());
    source->Store_HDMI_Buffer(source->Last_Stamp());
  }
  ASSERT_EQ(source->Buff_Num(), 4);
  for (int32_t n = 1; n <= 4; ++n) {
    const CVideobuff_RGB* f = frames(source->Effective_Video_Object(n));
    EXPECT_EQ(f->Capture_Mill(), 20000 + 40 * (n - 1)) << n;
    if (n > 1) {
      EXPECT_EQ(f->Capture_Delta(), 40) << n;
    }
    EXPECT_EQ(f->RGB_Length(), 400 * 880 * 3);
  }
  // The time of day is that of the sample too: the last frame arrived 170 - 120 = 50 ms after it.
  const int32_t local_now = clock.local.time().msecsSinceStartOfDay();
  EXPECT_EQ(frames(4)->Capture_Local(), local_now - 50);
  EXPECT_EQ(source->Time_Source(), Capture_Time_Source::Sample_Time);
}

TEST_F(Capture_Source, BoundedRingKeepsTheNewestInTimeOrder) {
  auto source = Source(0);
  Synthetic_Camera* camera = Run_Synthetic(*source);
  source->set_MaxFrames(5);
  for (int k = 0; k < 7; ++k) {
    ASSERT_TRUE(camera->Step());
    source->Store_HDMI_Buffer(source->Last_Stamp());
  }
  ASSERT_EQ(source->Buff_Num(), 5);
  const struct { int32_t n, position; } cases[] = {{1, 3}, {2, 4}, {3, 5}, {4, 1}, {5, 2}, {6, 6}};
  for (const auto& c : cases)
    EXPECT_EQ(source->Effective_Video_Object(c.n), c.position) << c.n;
  for (int32_t n = 1; n <= 5; ++n)
    EXPECT_EQ(frames(source->Effective_Video_Object(n))->Capture_Mill(), camera->Sample_Time(n + 1)) << n;
  // A new stream empties the list and the ring.
  source->Stop_Capture();
  source->Capture_Run();
  EXPECT_EQ(source->Buff_Num(), 0);
  EXPECT_EQ(source->Effective_Video_Object(1), 1);
}

// Cameras listed afresh from the test's folder whenever the fake monitor says so.
struct Hot_Plug : Capture_Source {
  Fake_Device_Monitor* monitor = nullptr;
  std::unique_ptr<Fake_V4l2> fake = std::make_unique<Fake_V4l2>();

  void Plug(const std::string& node, const std::string& card, const std::string& bus) {
    Fake_V4l2_Camera s;
    s.path = "/fake/" + node;
    s.card = card;
    s.bus_info = bus;
    s.formats = {{V4L2_PIX_FMT_RGB24, {{1920, 1080, {{1, 25}}}, {1280, 720, {{1, 50}}}}}};
    fake->Add_Device(s);
    QFile f(dir.filePath(QString::fromStdString(node)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  void Unplug(const std::string& node) {
    fake->Unplug("/fake/" + node);
    QFile::remove(dir.filePath(QString::fromStdString(node)));
  }
  std::unique_ptr<cls_Capture_HDMI> Listed_Source() {
    auto list = [this] {
      auto devices = Enumerate_V4l2_Devices(*fake, dir.path(), QStringLiteral("/fake"));
      devices.push_back(std::make_unique<Synthetic_Camera>());
      return devices;
    };
    auto owned = std::make_unique<Fake_Device_Monitor>();
    monitor = owned.get();
    return std::make_unique<cls_Capture_HDMI>(std::make_unique<Capture_Component>(list(), list, std::move(owned)),
                                              frames);
  }
};

TEST_F(Hot_Plug, UnpluggedCameraIsClosedAtOnceAndFoundAgainUnderItsNewNode) {
  Plug("video0", "Grabber", "usb-1");
  auto source = Listed_Source();
  Save(QStringLiteral("Grabber (usb-1)"), QStringLiteral("1"));
  ASSERT_TRUE(source->Set_Source_from_Saved(false));
  source->set_HDMI_Crop(400, 600);
  source->Capture_Run();
  ASSERT_TRUE(source->Running());
  QSignalSpy failed(source.get(), &cls_Capture_HDMI::Stream_Failed);
  QSignalSpy received(source.get(), &cls_Capture_HDMI::HDMIreceived);
  QSignalSpy resumed(source.get(), &cls_Capture_HDMI::Stream_Resumed);
  clock.mill = 5010;
  ASSERT_TRUE(fake->Push_Frame("/fake/video0", std::vector<uint8_t>(1280 * 720 * 3, 7), timeval{5, 0}));
  ASSERT_TRUE(Wait_For([&] { return received.count() == 1; }));
  source->Store_HDMI_Buffer(source->Last_Stamp()); // a frame of the heat, kept

  Unplug("video0");
  monitor->Changed();
  // Told at once, the descriptor closed, and nothing else selected in its place.
  EXPECT_EQ(failed.count(), 1);
  EXPECT_EQ(fake->Open_Devices(), 0);
  EXPECT_FALSE(source->Running());
  EXPECT_FALSE(source->SourcePropFound());
  EXPECT_EQ(source->Component().Selected_Number(), 0);
  EXPECT_EQ(source->Component().Device_Count(), 1); // the synthetic camera only

  // Plugged back, it is another node; found without a restart, with its saved format, and
  // streaming again by itself with the frame kept before still kept.
  Plug("video1", "Grabber", "usb-1");
  monitor->Changed();
  EXPECT_TRUE(source->SourcePropFound());
  EXPECT_EQ(source->Source_Number(), 1);
  ASSERT_TRUE(source->Running());
  EXPECT_EQ(resumed.count(), 1);
  EXPECT_EQ(fake->Set_Size("/fake/video1"), (std::pair<uint32_t, uint32_t>{1280, 720}));
  clock.mill = 9010;
  ASSERT_TRUE(fake->Push_Frame("/fake/video1", std::vector<uint8_t>(1280 * 720 * 3, 7), timeval{9, 0}));
  ASSERT_TRUE(Wait_For([&] { return received.count() == 2; }));
  source->Store_HDMI_Buffer(source->Last_Stamp());
  ASSERT_EQ(source->Buff_Num(), 2);
  EXPECT_EQ(frames(1)->Capture_Mill(), 5000);
  EXPECT_EQ(frames(2)->Capture_Mill(), 9000);
  EXPECT_EQ(failed.count(), 1);

  // Stopped by the operator after it left, it stays stopped when it comes back.
  Unplug("video1");
  monitor->Changed();
  EXPECT_EQ(failed.count(), 2);
  source->Stop_Capture();
  Plug("video2", "Grabber", "usb-1");
  monitor->Changed();
  EXPECT_TRUE(source->SourcePropFound());
  EXPECT_FALSE(source->Running());
  EXPECT_EQ(resumed.count(), 1);
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Hot_Plug, ASavedCameraIsFoundByItsCardOnAnotherPortButNeverReplaced) {
  const struct {
    std::vector<std::pair<const char*, const char*>> cameras; // card, bus
    const char* saved;
    int32_t found; // video:n, 0 none
  } cases[] = {
      {{{"Grabber", "usb-3"}}, "Grabber (usb-1)", 1},                       // moved to another port
      {{{"Other", "usb-1"}, {"Grabber", "usb-3"}}, "Grabber (usb-1)", 2},   // the card decides, not the port
      {{{"Grabber", "usb-3"}, {"Grabber", "usb-1"}}, "Grabber (usb-1)", 2}, // two alike: card and bus
      {{{"Grabber", "usb-3"}, {"Grabber", "usb-4"}}, "Grabber (usb-1)", 0}, // two alike, neither: no guess
      {{}, "Grabber (usb-1)", 0},                                           // only the synthetic camera
      {{{"Grabber", "usb-1"}}, "Synthetic camera", 2},
  };
  for (const auto& c : cases) {
    fake = std::make_unique<Fake_V4l2>();
    for (const QString& e : QDir(dir.path()).entryList(QDir::Files))
      QFile::remove(dir.filePath(e));
    for (size_t i = 0; i < c.cameras.size(); ++i)
      Plug("video" + std::to_string(i), c.cameras[i].first, c.cameras[i].second);
    auto source = Listed_Source();
    Save(QString::fromLatin1(c.saved), QStringLiteral("0"));
    prompts->seen.clear();
    EXPECT_EQ(source->Set_Source_from_Saved(false), c.found > 0) << c.saved << " " << c.found;
    EXPECT_EQ(source->Component().Selected_Number(), c.found) << c.found;
    EXPECT_EQ(prompts->messages().isEmpty(), c.found > 0) << c.found;
    if (c.found == 0) {
      // Nothing streams in its place.
      source->Capture_Run();
      EXPECT_FALSE(source->Running());
      EXPECT_FALSE(source->Synthetic()->Streaming());
    }
  }
}

TEST_F(Capture_Source, PaddedRowsAreCutWhereTheDriverPutsThem) {
  for (const uint32_t padding : {0U, 64U}) {
    Fake_V4l2 fake;
    Fake_V4l2_Camera s;
    s.path = "/fake/video0";
    s.card = "Padded";
    s.bus_info = "usb-1";
    s.row_padding = padding;
    s.formats = {{V4L2_PIX_FMT_RGB24, {{640, 480, {{1, 25}}}}}};
    fake.Add_Device(s);
    QFile f(dir.filePath(QStringLiteral("video0")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    auto devices = Enumerate_V4l2_Devices(fake, dir.path(), QStringLiteral("/fake"));
    cls_Capture_HDMI source(std::make_unique<Capture_Component>(std::move(devices)), frames);
    ASSERT_TRUE(source.Use_Source(1, 0, false));
    source.set_HDMI_Crop(100, 200);
    source.Capture_Run();
    ASSERT_TRUE(source.Running());
    // Red the column, green the row; the padding bytes are white.
    const size_t stride = 640 * 3 + padding;
    std::vector<uint8_t> frame(stride * 480, 255);
    for (size_t y = 0; y < 480; ++y)
      for (size_t x = 0; x < 640; ++x) {
        uint8_t* p = &frame[y * stride + x * 3];
        p[0] = static_cast<uint8_t>(x / 4);
        p[1] = static_cast<uint8_t>(y / 2);
        p[2] = 0;
      }
    QSignalSpy received(&source, &cls_Capture_HDMI::HDMIreceived);
    ASSERT_TRUE(fake.Push_Frame("/fake/video0", frame, timeval{1, 0}));
    ASSERT_TRUE(Wait_For([&] { return received.count() == 1; }));
    const QImage crop = source.Cropped_Picture().To_QImage();
    // The crop's top-left is (270, 140), its bottom-right (369, 339).
    EXPECT_EQ(crop.pixel(0, 0), qRgb(270 / 4, 140 / 2, 0)) << padding;
    EXPECT_EQ(crop.pixel(99, 199), qRgb(369 / 4, 339 / 2, 0)) << padding;
    source.Stop_Capture();
  }
}

TEST_F(Capture_Source, UnpluggedCameraIsReportedAndNothingStartsWithoutADevice) {
  auto source = Source(1);
  ASSERT_TRUE(source->Use_Source(1, 0, false));
  source->set_HDMI_Crop(400, 880);
  source->Capture_Run();
  QSignalSpy failed(source.get(), &cls_Capture_HDMI::Stream_Failed);
  io.Unplug("/fake/video0");
  ASSERT_TRUE(Wait_For([&] { return failed.count() == 1; }));
  EXPECT_FALSE(source->Running());
  EXPECT_TRUE(failed.at(0).at(0).toString().contains("unplugged"));

  // A start that fails says so with the component's own reason.
  auto none = std::make_unique<cls_Capture_HDMI>(
      std::make_unique<Capture_Component>(std::vector<std::unique_ptr<Capture_Device>>{}), frames);
  none->Capture_Run();
  EXPECT_FALSE(none->Running());
  ASSERT_FALSE(prompts->messages().isEmpty());
  EXPECT_TRUE(prompts->messages().last().startsWith("*Capture_run error at line 40\nDescription = "))
      << prompts->messages().last().toStdString();
  EXPECT_TRUE(prompts->messages().last().contains(" Last_error: No video source selected"));
}

TEST_F(Capture_Source, AFrameThatCannotBeCutIsToldNotBeepedAndTheNextIsHandled) {
  auto source = Source(0);
  Synthetic_Camera* camera = Run_Synthetic(*source);
  source->set_HDMI_Crop(2000, 880); // wider than the picture
  ASSERT_TRUE(camera->Step());
  ASSERT_TRUE(camera->Step());
  EXPECT_EQ(prompts->beeps(), 0);
  source->set_HDMI_Crop(400, 880);
  ASSERT_TRUE(camera->Step());
  EXPECT_TRUE(source->Last_Frame_Converted());
  EXPECT_EQ(prompts->beeps(), 0);
  EXPECT_EQ(source->HDMI_events(), 3);
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace

namespace {

// A crop that does not fit the picture is told once, naming both sizes, and no frame of it is
// kept; one that fits is kept frame by frame.
TEST_F(Capture_Source, CropLargerThanThePictureIsToldOnceAndStoresNothing) {
  const struct {
    int32_t width, height;
    int32_t stored;
    bool told;
  } cases[] = {{400, 880, 3, false}, {2000, 880, 0, true}, {400, 1100, 0, true}, {1920, 1080, 3, false}};
  for (const auto& c : cases) {
    prompts->seen.clear();
    auto source = Source(0);
    Synthetic_Camera* camera = Run_Synthetic(*source);
    source->set_HDMI_Crop(c.width, c.height);
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(camera->Step());
      source->Store_HDMI_Buffer(source->Last_Stamp());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(source->Buff_Num(), c.stored) << c.width << "*" << c.height;
    EXPECT_EQ(source->Conversion_Lost(), 3 - c.stored) << c.width << "*" << c.height;
    EXPECT_EQ(source->Last_Frame_Converted(), c.stored > 0);
    const QStringList told = prompts->messages();
    ASSERT_EQ(told.size(), c.told ? 1 : 0) << c.width << "*" << c.height;
    if (c.told) {
      EXPECT_TRUE(told[0].contains(QStringLiteral("%1*%2").arg(c.width).arg(c.height))) << told[0].toStdString();
      EXPECT_TRUE(told[0].contains(QStringLiteral("1920*1080"))) << told[0].toStdString();
    }
    source->Stop_Capture();
  }
}

} // namespace
