// The camera on the real window with the synthetic camera stepped on a test clock: the camera
// button and its guard, live view, the running rate, crop sizes, the saved source, and the two
// windows the camera's menu items open.
#include "app/camera_controller.h"

#include "capture/v4l2_device.h"
#include "mock/fake_v4l2_device.h"
#include "mock/heat_window.h"
#include "presentation/form_hdmi_performance.h"
#include "presentation/form_select_video.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

struct Camera_Window : Heat_Window {
  void SetUp() override {
    Heat_Window::SetUp();
    load_heat_window();
  }
};

TEST_F(Camera_Window, TheButtonStartsOnceASecondAndShowsTheLivePictureAndRate) {
  ui(w).Command_start_camera->click();
  ui(w).Command_start_camera->click(); // within a second: ignored
  EXPECT_TRUE(w->camera().Cameras_Running());
  EXPECT_EQ(ui(w).Command_start_camera->text(), "Stop camera");
  EXPECT_TRUE(w->state().Live_View);
  frames(101);
  w->camera().Update_Running_Fps();
  EXPECT_EQ(ui(w).Label_running_fps->text(), "25 f/s");
  EXPECT_EQ(ui(w).Label_running_fps->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  // The live picture is the crop, with the finish line the camera sees at its middle.
  const QImage& live = ui(w).Picture_out->Picture();
  ASSERT_EQ(live.size(), QSize(400, 880));
  EXPECT_EQ(live.pixel(199, 400), qRgb(255, 255, 255));
  EXPECT_EQ(live.pixel(100, 400), qRgb(40, 120, 50));
  EXPECT_FALSE(ui(w).Picture_arm->pixmap().isNull()) << "the running arm";

  clock.advance(300);
  ui(w).cmd_live_view->click();
  EXPECT_FALSE(w->state().Live_View);
  EXPECT_EQ(ui(w).cmd_live_view->text(), "Live view on");
  clock.advance(100);
  ui(w).cmd_live_view->click(); // a bounce
  EXPECT_FALSE(w->state().Live_View);

  clock.advance(1000);
  ui(w).Command_start_camera->click();
  EXPECT_FALSE(w->camera().Cameras_Running());
  EXPECT_EQ(ui(w).Command_start_camera->text(), "Start camera");
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Camera_Window, CropSizesAreRememberedAndTakeEffectAtTheNextStart) {
  w->item(QStringLiteral("item_crop_size_1"))->trigger();
  EXPECT_TRUE(w->item(QStringLiteral("item_crop_size_1"))->isChecked());
  EXPECT_FALSE(w->item(QStringLiteral("item_crop_size_0"))->isChecked());
  EXPECT_EQ(Read_Ini_Value(QStringLiteral("Settings"), QStringLiteral("lastcrop"), program().Settings_File_Path, {}),
            "600*1080");
  EXPECT_EQ(ui(w).Picture_out->size(), QSize(600, 1080));
  ui(w).Command_start_camera->click();
  frames(2);
  EXPECT_EQ(w->camera().Capture().Crop_Width(), 600);
  EXPECT_EQ(w->camera().Capture().Crop_Left(), 660);
}

TEST_F(Camera_Window, ASavedSourceThatIsGoneIsSaidAndLookedForAgain) {
  setting(QStringLiteral("capturesettings"), QStringLiteral("friendlyname"), QStringLiteral("Gone camera (usb-1)"));
  ui(w).Command_start_camera->click();
  EXPECT_TRUE(prompts->messages().contains(
      QStringLiteral("Could not find the saved Video source! Please re-select Video source!")));
  EXPECT_FALSE(w->camera().Capture().SourcePropFound());
}

TEST_F(Camera_Window, TheMenuItemsOpenTheSourceAndPerformanceWindows) {
  QAction* source = w->item(QStringLiteral("item_Select_Video_Source"));
  ASSERT_TRUE(source->isEnabled());
  source->trigger();
  EXPECT_TRUE(w->Source_Window().isVisible());

  QAction* performance = w->item(QStringLiteral("item_HDMI_performance"));
  ASSERT_TRUE(performance->isEnabled());
  performance->trigger();
  EXPECT_EQ(prompts->messages().last(), "No active HDMI source!");
  EXPECT_FALSE(performance->isChecked());

  start_camera();
  performance->trigger();
  EXPECT_TRUE(performance->isChecked());
  auto* window = w->findChild<Form_HDMI_performance*>();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  frames(25);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label_Frames_received"))->text(), "25");
  performance->trigger();
  EXPECT_FALSE(window->isVisible());
}

// A V4L2 camera behind the window, listed afresh from the test's folder whenever the fake
// monitor says a device came or went.
struct Plugged_Camera_Window : Window_Test {
  Fake_V4l2 io;
  QTemporaryDir sys;
  Fake_Device_Monitor* monitor = nullptr;

  void Plug(const std::string& node) {
    Fake_V4l2_Camera c;
    c.path = "/fake/" + node;
    c.card = "Grabber";
    c.bus_info = "usb-1";
    c.formats = {{V4L2_PIX_FMT_RGB24, {{1920, 1080, {{1, 25}}}}}};
    io.Add_Device(c);
    QFile entry(sys.filePath(QString::fromStdString(node)));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
  }
  void Unplug(const std::string& node) {
    io.Unplug("/fake/" + node);
    QFile::remove(sys.filePath(QString::fromStdString(node)));
    monitor->Changed();
  }
  // One frame of a single colour, red, green, blue in memory; true once the window drew it.
  bool Frame(const std::string& node, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> frame(size_t{1920} * 1080 * 3);
    for (size_t k = 0; k < frame.size(); k += 3) {
      frame[k] = r;
      frame[k + 1] = g;
      frame[k + 2] = b;
    }
    if (!io.Push_Frame("/fake/" + node, frame, timeval{0, 0}, false)) return false;
    return Run_Events_Until([&] { return io.Queued("/fake/" + node) == 4; });
  }
  QRgb Live_Pixel() { return ui(w).Picture_out->Picture().pixel(100, 400); }
};

TEST_F(Plugged_Camera_Window, ACameraPluggedBackGoesOnInTheWindowWithoutAPress) {
  Plug("video0");
  Write_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("friendlyname"), QStringLiteral("Grabber (usb-1)"),
                  program().Settings_File_Path);
  Write_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("videoproperty"), QStringLiteral("0"),
                  program().Settings_File_Path);
  Form_Doravent::Options options;
  options.capture_devices = [this] {
    auto list = [this] { return Enumerate_V4l2_Devices(io, sys.path(), QStringLiteral("/fake")); };
    auto owned = std::make_unique<Fake_Device_Monitor>();
    monitor = owned.get();
    return std::make_unique<Capture_Component>(list(), list, std::move(owned));
  };
  load_window(options);
  ui(w).Command_start_camera->click();
  ASSERT_TRUE(w->camera().Capture().Running());
  ASSERT_TRUE(Frame("video0", 200, 0, 0));
  EXPECT_EQ(Live_Pixel(), qRgb(200, 0, 0));

  Unplug("video0");
  Run_Queued_Events();
  EXPECT_FALSE(w->camera().Capture().Running());
  ASSERT_FALSE(prompts->messages().isEmpty());
  EXPECT_TRUE(prompts->messages().last().contains("Plugged back in, the camera goes on by itself"))
      << prompts->messages().last().toStdString();

  // Back under another node: frames reach the window again, and the button still says it runs.
  Plug("video1");
  monitor->Changed();
  ASSERT_TRUE(w->camera().Capture().Running());
  ASSERT_TRUE(Frame("video1", 0, 0, 200));
  EXPECT_EQ(Live_Pixel(), qRgb(0, 0, 200));
  EXPECT_TRUE(w->camera().Cameras_Running());
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
