// What a result change costs the operator: the header rewrite, the audit entry and the two result
// files, each on the disk before the press is done; and checking a long audit trail.
#include "platform/program_info.h"
#include "platform/settings.h"
#include "recording/audit_trail.h"
#include "recording/video_file_handler.h"
#include "timing/result_change.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void BM_Result_Change(benchmark::State& state) {
  QTemporaryDir dir;
  program().Settings_File_Path = dir.filePath(QStringLiteral("Doravent_HDMI.ini"));
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("results_folder"), dir.filePath(QStringLiteral("results")),
                  program().Settings_File_Path);
  cls_VideoFile_handler h;
  if (!h.Initiate_QN3_File(dir.filePath(QStringLiteral("heat.qn3")))) {
    state.SkipWithError("cannot make a recording");
    return;
  }
  int32_t i = 0;
  for (auto _ : state) {
    ++i;
    const auto box = static_cast<int16_t>(1 + i % 6);
    if (!Write_Result_Change(h, QStringLiteral("Box button"), [&] { h.set_Dora_Heat_time(box, false, 30000 + i); })) {
      state.SkipWithError("the change failed");
      return;
    }
  }
  h.Close_File();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Result_Change)->Unit(benchmark::kMillisecond);

void BM_Check_Audit_Trail(benchmark::State& state) {
  Audit_Head head;
  QByteArray trail;
  const QDateTime when(QDate(2026, 5, 17), QTime(14, 30));
  for (int64_t n = 0; n < state.range(0); ++n)
    trail += Audit_Lines(head, when, QStringLiteral("Box 3 button"),
                         {{QStringLiteral("box 3 time"), QStringLiteral("not set"), QString::number(n) + " ms"}});
  for (auto _ : state) {
    const Audit_Check check = Check_Audit_Trail(trail, head);
    if (!check.holds()) state.SkipWithError("the chain broke");
    benchmark::DoNotOptimize(check.entries.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * trail.size());
}
BENCHMARK(BM_Check_Audit_Trail)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
