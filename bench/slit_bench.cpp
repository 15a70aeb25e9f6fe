// The slit image of a 3000-frame heat from the synthetic camera, decoding only the band the goal
// line crosses, against decoding every frame whole; and the finish proposals of that heat and of
// a 3000-frame realistic heat (tests/scene: greyhounds, common rows of jackets).
#include "imaging/dib_section.h"
#include "qn3_commands.h"
#include "recording/jpeg_codec.h"
#include "recording/record_reader.h"
#include "recording/slit_image.h"
#include "recording/video_file_handler.h"
#include "scene/finish_heats.h"
#include "timing/goal_line.h"
#include "timing/slit_analysis.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>

#include <optional>

namespace {

constexpr int Frames = 3000;

struct Heat {
  Recording_Layout layout;
  Slit_Line line;
  Heat_Clock clock;
};

QTemporaryDir& Folder() {
  static QTemporaryDir dir;
  return dir;
}

// The synthetic heat, recorded once: 120 s at 25 frames per second, the six finishing mid-way.
const Heat& The_Heat() {
  static const std::optional<Heat> heat = []() -> std::optional<Heat> {
    const QString path = Folder().filePath(QStringLiteral("heat3000.qn3"));
    QString out_text, err_text;
    QTextStream out(&out_text), err(&err_text);
    const int status = qn3_tool::Run({QStringLiteral("demo"), path, QStringLiteral("--crossings"),
                                      QStringLiteral("60203,60411,60607,60815,61009,61213"), QStringLiteral("--from"),
                                      QStringLiteral("0"), QStringLiteral("--to"), QString::number(40 * (Frames - 1))},
                                     out, err);
    if (status != 0) return std::nullopt;
    cls_VideoFile_handler h;
    if (!h.Open_File(path, true)) return std::nullopt;
    Heat made;
    made.layout = Recording_Layout::Of(h);
    const auto points = Parse_Goal_Line(h.Dora_Goal_Finish());
    if (!points) return std::nullopt;
    made.line = {(*points)[0], (*points)[1], (*points)[2], (*points)[3]};
    made.clock = {h.Dora_start_PC_mill(), h.Goal_Compensation_Ms()};
    return made;
  }();
  return *heat;
}

void Slit_Build(benchmark::State& state) {
  const Heat& heat = The_Heat();
  for (auto _ : state) {
    QString why;
    const auto slit = Build_Slit_Image(heat.layout, heat.line, {}, why);
    if (!slit) state.SkipWithError("no slit image");
    benchmark::DoNotOptimize(slit->Pixel(0, 0));
  }
  state.counters["frames"] = heat.layout.frame_count;
}
BENCHMARK(Slit_Build)->Unit(benchmark::kMillisecond)->MinTime(3);

// The same records read the same way, each picture decoded whole as the review shows it.
void Whole_Decode(benchmark::State& state) {
  const Heat& heat = The_Heat();
  Record_Reader reader;
  QString why;
  if (!reader.Open(heat.layout, why)) state.SkipWithError("cannot read");
  Jpeg_Codec codec;
  cDIBSection dib;
  for (auto _ : state) {
    for (int16_t frame = 1; frame <= heat.layout.frame_count; ++frame) {
      if (!reader.Read(frame) || !codec.Decode_JPEG(dib, reader.Picture_Bytes(), reader.Picture_Length()))
        state.SkipWithError("decode failed");
    }
    benchmark::DoNotOptimize(dib.DIBSectionBitsPtr());
  }
  state.counters["frames"] = heat.layout.frame_count;
}
BENCHMARK(Whole_Decode)->Unit(benchmark::kMillisecond)->MinTime(3);

// Only the reading of the records, which both of the above do.
void Read_Records(benchmark::State& state) {
  const Heat& heat = The_Heat();
  Record_Reader reader;
  QString why;
  if (!reader.Open(heat.layout, why)) state.SkipWithError("cannot read");
  for (auto _ : state)
    for (int16_t frame = 1; frame <= heat.layout.frame_count; ++frame)
      benchmark::DoNotOptimize(reader.Read(frame));
}
BENCHMARK(Read_Records)->Unit(benchmark::kMillisecond)->MinTime(3);

std::optional<Heat> Heat_Of(const QString& path) {
  cls_VideoFile_handler h;
  if (!h.Open_File(path, true)) return std::nullopt;
  Heat made;
  made.layout = Recording_Layout::Of(h);
  const auto points = Parse_Goal_Line(h.Dora_Goal_Finish());
  if (!points) return std::nullopt;
  made.line = {(*points)[0], (*points)[1], (*points)[2], (*points)[3]};
  made.clock = {h.Dora_start_PC_mill(), h.Goal_Compensation_Ms()};
  return made;
}

// The first heat of the realistic table, recorded for 120 s at 25 frames per second.
const std::optional<Heat>& Realistic_Heat() {
  static const std::optional<Heat> heat = []() -> std::optional<Heat> {
    realistic::Scene scene = realistic::Scene_Of(realistic::Table_Heats().front(), 1);
    scene.from_ms = 0;
    scene.to_ms = realistic::Frame_Interval_Ms(scene.rate) * (Frames - 1);
    const QString path = Folder().filePath(QStringLiteral("realistic3000.qn3"));
    QString why;
    if (!realistic::Write_Recording(scene, path, why)) return std::nullopt;
    return Heat_Of(path);
  }();
  return heat;
}

void Run_Autotime(benchmark::State& state, const Heat& heat, Jacket_Rows rows) {
  Slit_Analysis_Input input;
  input.layout = heat.layout;
  input.line = heat.line;
  input.clock = heat.clock;
  input.options.rows = rows;
  int32_t found = 0, unsure = 0;
  for (auto _ : state) {
    const Slit_Analysis result = Analyse_Recording(input, nullptr, {});
    found = unsure = 0;
    for (const Finish_Proposal& p : result.proposals) {
      found += p.found ? 1 : 0;
      unsure += p.found && p.unsure ? 1 : 0;
    }
  }
  state.counters["frames"] = heat.layout.frame_count;
  state.counters["found"] = found;
  state.counters["unsure"] = unsure;
}

// "doravent-qn3 autotime": the slit image, then the proposals from the fields around each
// crossing; nothing kept between runs.
void Autotime(benchmark::State& state) { Run_Autotime(state, The_Heat(), Jacket_Rows::Synthetic); }
BENCHMARK(Autotime)->Unit(benchmark::kMillisecond)->MinTime(3);

// The same on dogs: the jackets told on the dogs, each muzzle followed to the line.
void Autotime_Realistic(benchmark::State& state) {
  const std::optional<Heat>& heat = Realistic_Heat();
  if (!heat) {
    state.SkipWithError("no realistic heat");
    return;
  }
  Run_Autotime(state, *heat, Jacket_Rows::Common);
}
BENCHMARK(Autotime_Realistic)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
