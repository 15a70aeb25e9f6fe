// The heat's own costs in the real main window. The start: the simulated kit changes the start
// contact on its own thread and reads the clock there (the physical start P); the benchmark
// reports how far the heat's start instant lies from P and how long after P the LED is lit (the
// moment the program's output call reaches the kit), with the window idle and with it busy for
// 300 ms when the contact changes. Then the whole capture end for 250 frames of 400 x 880 against
// the writer's append pass alone.
#include "app/camera_controller.h"
#include "app/form_doravent.h"
#include "app/heat_controller.h"
#include "app/kit_controller.h"
#include "bench_heat_window.h"
#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "kit/simulated_kit.h"
#include "mock/main_controls.h"
#include "platform/clock.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "recording/frame_buffers.h"
#include "recording/video_file_handler.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct Heat_Bench {
  QTemporaryDir dir;
  std::unique_ptr<Form_Doravent> w;
  Synthetic_Camera* synthetic = nullptr;

  Heat_Bench() {
    w = Bench_Heat_Window(dir.path());
    for (int i = 0; i < 10; ++i)
      QCoreApplication::processEvents();
    // Input changes and capture ends count long after start-up.
    program().Ready_Mill = Mill_Now() - 100000;
    synthetic = w->camera().Capture().Synthetic();
    synthetic->set_Stepped(true);
    ui(w).Command_start_camera->click();
    for (int i = 0; i < 101; ++i)
      synthetic->Step();                       // the rate is measured
    w->kit().Simulated()->set_Switch(1, true); // armed
    for (int i = 0; i < 10; ++i)
      QCoreApplication::processEvents();
  }
  ~Heat_Bench() {
    w->camera().Capture().set_Post_linear(false);
    Process_Frame_List().Remove_All();
    w->heat_session().Writer().Close_File();
    w.reset();
  }
  void End_Heat() {
    Process_Frame_List().Remove_All();
    w->heat_session().Finish();
  }
};

std::unique_ptr<Heat_Bench>& Bench_Slot() {
  static std::unique_ptr<Heat_Bench> bench;
  return bench;
}

Heat_Bench& Bench() {
  if (!Bench_Slot()) Bench_Slot() = std::make_unique<Heat_Bench>();
  return *Bench_Slot();
}

void Settle(Heat_Bench& b, int32_t index, bool closed) {
  Simulated_Kit& kit = *b.w->kit().Simulated();
  kit.set_Switch(index, closed);
  kit.Wait_Raised();
  while (kit.Input(index) != closed)
    QCoreApplication::processEvents();
}

// From the contact (P, read on the kit's thread) to the heat's start instant and to the LED lit.
// The iteration's time is the LED's lag; the start instant's distance from P is a counter, and
// must stay 0 however busy the window is.
void Start_Contact(benchmark::State& state) {
  Heat_Bench& b = Bench();
  const auto busy = std::chrono::milliseconds(state.range(0));
  Simulated_Kit& kit = *b.w->kit().Simulated();
  double start_off_ms = 0, worst_start_off_ms = 0;
  for (auto _ : state) {
    b.End_Heat();
    Settle(b, 1, false);
    Settle(b, 0, false);
    ui(b.w).Command_initiate_file->click();
    Settle(b, 1, true); // armed
    kit.set_Switch(0, true);
    kit.Wait_Raised();
    if (busy.count() > 0) std::this_thread::sleep_for(busy); // the window takes nothing meanwhile
    while (!b.w->heat_session().Running())
      QCoreApplication::processEvents();
    const std::optional<int32_t> p = b.synthetic->Physical_Start();
    const std::optional<int32_t> lit = b.synthetic->Led_Lit_At();
    if (!p || !lit) {
      state.SkipWithError("the world saw no start or no LED");
      break;
    }
    const double off = std::abs(Mill_Difference(b.w->heat_session().Start_Mill(), *p));
    start_off_ms += off;
    worst_start_off_ms = std::max(worst_start_off_ms, off);
    state.SetIterationTime(Mill_Difference(*lit, *p) / 1000.0);
  }
  state.counters["start_off_ms"] = benchmark::Counter(start_off_ms, benchmark::Counter::kAvgIterations);
  state.counters["worst_start_off_ms"] = worst_start_off_ms;
  b.End_Heat();
}
BENCHMARK(Start_Contact)
    ->ArgName("busy_ms")
    ->Arg(0)
    ->Arg(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

constexpr int Capture_Frames = 250;

// The frames of a capture: the synthetic camera's crops as the heat keeps them.
void Capture(Heat_Bench& b) {
  b.w->heat_session().Start(Start_Stamp::Now());
  b.w->heat_session().Capture_Start();
  for (int i = 0; i < Capture_Frames; ++i)
    b.synthetic->Step();
}

void Capture_End(benchmark::State& state) {
  Heat_Bench& b = Bench();
  for (auto _ : state) {
    state.PauseTiming();
    b.End_Heat();
    ui(b.w).Command_initiate_file->click();
    Capture(b);
    state.ResumeTiming();
    b.w->heat_session().Capture_End();
    state.PauseTiming();
    if (b.w->heat_session().Held_Frames() != 0) state.SkipWithError("frames were left");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * Capture_Frames);
  b.End_Heat();
}
BENCHMARK(Capture_End)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The writer's append pass alone over the same kind of frames.
void Append_Pass(benchmark::State& state) {
  Heat_Bench& b = Bench();
  for (auto _ : state) {
    state.PauseTiming();
    b.End_Heat();
    ui(b.w).Command_initiate_file->click();
    Capture(b);
    b.w->camera().Capture().set_Post_linear(false);
    cls_VideoFile_handler& writer = b.w->heat_session().Writer();
    writer.Close_File();
    state.ResumeTiming();
    writer.Append_Frames(Process_Frame_List());
    state.PauseTiming();
    Process_Frame_List().Remove_All();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * Capture_Frames);
  b.End_Heat();
}
BENCHMARK(Append_Pass)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Bench_Slot().reset();
  return 0;
}
