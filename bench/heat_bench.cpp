// The heat's own costs in the real main window: how soon after the start contact's event the
// start instant is read (with the recording prepared, and prepared on the fly), and the whole
// capture end for 250 frames of 400 x 880 against the writer's append pass alone.
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
#include "presentation/settings_form.h"
#include "recording/frame_buffers.h"
#include "recording/video_file_handler.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

// A check box of the settings window set as the operator sets it: clicked, so the setting is stored.
inline void Tick(QCheckBox* box, bool on) {
  if (box->isChecked() != on) box->click();
}

using Steady = std::chrono::steady_clock;

// Each reading is 1 ms later than the last, and when it was taken is kept, so the reading that
// became the heat's start instant tells when it was made.
class Recording_Clock final : public Clock {
public:
  int32_t mill_now() const override {
    readings.push_back(Steady::now());
    return base + static_cast<int32_t>(readings.size());
  }
  // A second later at every reading, so each heat's recording has a name of its own.
  QDateTime local_now() const override { return QDateTime(QDate(2026, 5, 17), QTime(14, 30)).addSecs(++seconds); }
  Steady::time_point When(int32_t mill) const { return readings.at(static_cast<size_t>(mill - base - 1)); }
  int32_t base = 1'000'000;
  mutable std::vector<Steady::time_point> readings;
  mutable int64_t seconds = 0;
};

struct Heat_Bench {
  QTemporaryDir dir;
  Recording_Clock clock;
  std::unique_ptr<Form_Doravent> w;
  Synthetic_Camera* synthetic = nullptr;

  Heat_Bench() {
    install_clock(&clock);
    w = Bench_Heat_Window(dir.path());
    for (int i = 0; i < 10; ++i)
      QCoreApplication::processEvents();
    // Input changes and capture ends count long after start-up.
    program().Ready_Mill = clock.base - 100000;
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
    install_clock(nullptr);
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

// From the start contact's event to the reading that is the heat's zero.
void Start_Instant(benchmark::State& state) {
  Heat_Bench& b = Bench();
  const bool auto_initiate = state.range(0) == 1;
  Tick(Form_Doravent_settings::instance().Check_Auto_init, auto_initiate);
  double whole_ms = 0;
  for (auto _ : state) {
    b.End_Heat();
    if (!auto_initiate) ui(b.w).Command_initiate_file->click();
    const Steady::time_point event = Steady::now();
    b.w->kit().OnInputChange(0, true, Kit_Stamp::Now());
    const Steady::time_point done = Steady::now();
    if (!b.w->heat_session().Running()) {
      state.SkipWithError("the heat did not start");
      break;
    }
    state.SetIterationTime(
        std::chrono::duration<double>(b.clock.When(b.w->heat_session().Start_Mill()) - event).count());
    whole_ms += std::chrono::duration<double, std::milli>(done - event).count();
  }
  state.counters["whole_start_ms"] = benchmark::Counter(whole_ms, benchmark::Counter::kAvgIterations);
  b.End_Heat();
  Tick(Form_Doravent_settings::instance().Check_Auto_init, false);
}
BENCHMARK(Start_Instant)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20);

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
