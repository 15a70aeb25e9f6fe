// A camera trigger held for 10 s and for 60 s at 25 f/s (400 x 880), in real time, in the real
// main window with the synthetic camera, once with frames written while the trigger is held and
// once without. Per run: the time from the trigger opening to the recording complete on disk
// (the capture end without its 500 ms pause), from then to the proposals shown after "Open last
// heat", and the resident memory at the end of the hold above the idle figure before it.
//   bench_hold [seconds...]      (default: 10 60)
#include "app/camera_controller.h"
#include "app/form_doravent.h"
#include "app/slit_controller.h"
#include "bench_heat_window.h"
#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "kit/simulated_kit.h"
#include "mock/main_controls.h"
#include "platform/clock.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "recording/frame_buffers.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

void Run_Events_For(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Row {
  bool while_held;
  int seconds;
  int frames;
  double on_disk_ms;
  double proposals_ms;
  long rss_above_idle_kb;
};

void Start_Camera(Form_Doravent& w, Synthetic_Camera& camera) {
  ui(w).Command_start_camera->click();
  for (int i = 0; i < 101; ++i)
    camera.Step(); // the rate is measured
  Run_Events_For(100);
}

Row Hold(Form_Doravent& w, Synthetic_Camera& camera, bool while_held, int seconds) {
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("write_while_capturing"), while_held ? "1" : "0",
                  program().Settings_File_Path);
  w.item(QStringLiteral("item_close_file"))->trigger();
  if (!w.heat_session().Cameras_Running()) Start_Camera(w, camera); // a review stopped it
  ui(w).Command_initiate_file->click();
  w.heat_session().Start(Start_Stamp::Now());
  Run_Events_For(300);
  const long idle_kb = Resident_Kb();
  w.heat_session().Capture_Start();
  // The camera's own pace: each frame at its moment, the window's events in between.
  QElapsedTimer paced;
  paced.start();
  const int frames = seconds * 25;
  for (int n = 1; n <= frames; ++n) {
    camera.Step();
    while (paced.elapsed() < n * 40)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
  }
  Row row{while_held, seconds, frames, 0, 0, Resident_Kb() - idle_kb};
  QElapsedTimer end;
  end.start();
  w.heat_session().Capture_End();
  row.on_disk_ms = static_cast<double>(end.nsecsElapsed()) / 1e6;
  end.restart();
  w.item(QStringLiteral("item_last_heat"))->trigger();
  // Shown once the slit of every field is there and its worker is done.
  while (w.slit().Building() || !w.slit().Slit() || w.slit().Slit()->Columns() < 2 * frames)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
  row.proposals_ms = static_cast<double>(end.nsecsElapsed()) / 1e6;
  return row;
}

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::vector<int> holds;
  for (int i = 1; i < argc; ++i)
    holds.push_back(std::atoi(argv[i]));
  if (holds.empty()) holds = {10, 60};
  QTemporaryDir dir;
  std::unique_ptr<Form_Doravent> w = Bench_Heat_Window(dir.path());
  Run_Events_For(100);
  program().Ready_Mill = Mill_Now() - 100000;
  Synthetic_Camera* camera = w->camera().Capture().Synthetic();
  camera->set_Stepped(true);
  Start_Camera(*w, *camera);
  w->kit().Simulated()->set_Switch(1, true);
  Run_Events_For(100);
  std::printf("%-14s %8s %7s %16s %20s %20s\n", "setting", "hold_s", "frames", "to_on_disk_ms", "then_to_proposals_ms",
              "rss_above_idle_MB");
  for (const int seconds : holds)
    for (const bool while_held : {true, false}) {
      const Row row = Hold(*w, *camera, while_held, seconds);
      std::printf("%-14s %8d %7d %16.1f %20.1f %20.1f\n", row.while_held ? "while held" : "at the end", row.seconds,
                  row.frames, row.on_disk_ms, row.proposals_ms, static_cast<double>(row.rss_above_idle_kb) / 1024.0);
      std::fflush(stdout);
    }
  w->heat_session().Finish();
  w.reset();
  return 0;
}
