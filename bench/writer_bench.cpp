// The append pass of 500 kept frames of 400 x 880 against a plain tjCompress2 loop over the
// same frames, in one run. Frames per second is the items-per-second figure.
#include "recording/frame_buffers.h"
#include "recording/video_file_handler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int Frame_Width = 400;
constexpr int Frame_Height = 880;
constexpr int Frame_Count = 500;
constexpr int Quality = 80;

// A scene with texture, camera noise and a few bright runners that move from frame to frame:
// flat pictures would flatter the entropy coder.
const Frame_List& Frames() {
  static const Frame_List list = [] {
    Frame_List frames;
    const int stride = (Frame_Width * 3 + 3) & ~3;
    // The still background once; noise and the runners per frame.
    std::vector<uint8_t> background(static_cast<size_t>(stride) * Frame_Height);
    for (int row = 0; row < Frame_Height; ++row) {
      uint8_t* p = background.data() + static_cast<ptrdiff_t>(row) * stride;
      for (int x = 0; x < Frame_Width; ++x, p += 3) {
        p[0] = static_cast<uint8_t>(100 + 60 * std::sin(x / 23.0) + 30 * std::sin(row / 7.0));
        p[1] = static_cast<uint8_t>(130 + 50 * std::cos(row / 41.0) + 20 * std::sin((x * row) / 900.0));
        p[2] = static_cast<uint8_t>(90 + 70 * std::sin((x + row) / 57.0) + 70);
      }
    }
    std::vector<uint8_t> bits(background.size());
    std::mt19937 random(11);
    std::uniform_int_distribution<int> noise(-7, 7);
    auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    for (int k = 0; k < Frame_Count; ++k) {
      for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = clamp(background[i] + noise(random));
      for (int runner = 0; runner < 6; ++runner) {
        const int cx = (k * (3 + runner) + runner * 60) % Frame_Width;
        const int cy = 80 + runner * 130;
        for (int row = std::max(cy - 30, 0); row < std::min(cy + 30, Frame_Height); ++row)
          for (int x = std::max(cx - 30, 0); x < std::min(cx + 30, Frame_Width); ++x)
            if ((x - cx) * (x - cx) + (row - cy) * (row - cy) < 900) {
              uint8_t* p = bits.data() + static_cast<ptrdiff_t>(row) * stride + 3 * x;
              p[0] = clamp(40 * runner + noise(random));
              p[1] = clamp(255 - 30 * runner + noise(random));
              p[2] = clamp(200 + noise(random));
            }
      }
      Store_Frame(frames, bits.data(), static_cast<int32_t>(bits.size()), 1000 + 40 * k, 36'000'000 + 40 * k, 40);
    }
    return frames;
  }();
  return list;
}

void Raw_Compress_Loop(benchmark::State& state) {
  const Frame_List& frames = Frames();
  tjhandle handle = tjInitCompress();
  std::vector<uint8_t> out(tjBufSize(Frame_Width, Frame_Height, TJSAMP_420));
  const int stride = (Frame_Width * 3 + 3) & ~3;
  unsigned long bytes = 0;
  for (auto _ : state) {
    for (int32_t i = 1; i <= frames.Count(); ++i) {
      unsigned char* target = out.data();
      unsigned long size = out.size();
      if (tjCompress2(handle, frames(i)->Video_Adress(), Frame_Width, stride, Frame_Height, TJPF_BGR, &target, &size,
                      TJSAMP_420, Quality, TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC) != 0)
        state.SkipWithError("encode failed");
      bytes += size;
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * frames.Count());
  state.counters["jpeg_bytes"] = benchmark::Counter(static_cast<double>(bytes) / state.iterations() / Frame_Count);
  tjDestroy(handle);
}

// The ceiling for two threads on this machine: the plain loop split over two threads, each
// with its own compressor, nothing written.
void Raw_Compress_Two_Threads(benchmark::State& state) {
  const Frame_List& frames = Frames();
  const int stride = (Frame_Width * 3 + 3) & ~3;
  const auto half = [&](int32_t first) {
    tjhandle handle = tjInitCompress();
    std::vector<uint8_t> out(tjBufSize(Frame_Width, Frame_Height, TJSAMP_420));
    for (int32_t i = first; i <= frames.Count(); i += 2) {
      unsigned char* target = out.data();
      unsigned long size = out.size();
      tjCompress2(handle, frames(i)->Video_Adress(), Frame_Width, stride, Frame_Height, TJPF_BGR, &target, &size,
                  TJSAMP_420, Quality, TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC);
      benchmark::DoNotOptimize(out.data());
    }
    tjDestroy(handle);
  };
  for (auto _ : state) {
    std::thread other(half, 2);
    half(1);
    other.join();
  }
  state.SetItemsProcessed(state.iterations() * frames.Count());
}

// A fresh recording per iteration; the pass includes sizing the slot, writing and closing.
void Append_Pass(benchmark::State& state) {
  const Frame_List& frames = Frames();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("bench.qn3"));
  int32_t written = 0;
  for (auto _ : state) {
    state.PauseTiming();
    QFile::remove(path);
    cls_VideoFile_handler handler;
    handler.set_Cropped_X(Frame_Width);
    handler.set_Cropped_Y(Frame_Height);
    handler.set_Compression_Threads(static_cast<int32_t>(state.range(0)));
    if (!handler.Initiate_QN3_File(path)) state.SkipWithError("cannot create the file");
    state.ResumeTiming();
    written = handler.Append_Frames(frames);
  }
  if (written != Frame_Count) state.SkipWithError("frames missing");
  state.SetItemsProcessed(state.iterations() * frames.Count());
  state.counters["file_mb"] = static_cast<double>(QFile(path).size()) / 1e6;
}

} // namespace

BENCHMARK(Raw_Compress_Loop)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(Raw_Compress_Two_Threads)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(Append_Pass)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

BENCHMARK_MAIN();
