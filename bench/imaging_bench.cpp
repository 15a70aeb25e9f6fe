// Quarter turn and field extraction of one cropped frame, against two plain copies of the
// same number of bytes: each must take no longer than the two copies.
#include "imaging/dib_section.h"
#include "imaging/image_ops.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int32_t frame_width = 400;
constexpr int32_t frame_height = 880;

cDIBSection make_frame(int32_t width, int32_t height) {
  cDIBSection s;
  s.Create(width, height);
  uint8_t* bits = s.DIBSectionBitsPtr();
  for (int32_t i = 0; i < s.SizeImage(); ++i)
    bits[i] = static_cast<uint8_t>(i * 7);
  return s;
}

void BM_Two_Memcpy_Passes(benchmark::State& state) {
  const cDIBSection source = make_frame(frame_width, frame_height);
  cDIBSection target = make_frame(frame_width, frame_height);
  const auto bytes = static_cast<size_t>(source.SizeImage());
  for (auto _ : state) {
    std::memcpy(target.DIBSectionBitsPtr(), source.DIBSectionBitsPtr(), bytes);
    benchmark::ClobberMemory();
    std::memcpy(target.DIBSectionBitsPtr(), source.DIBSectionBitsPtr(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_Two_Memcpy_Passes);

void BM_Rotate90(benchmark::State& state) {
  const cDIBSection source = make_frame(frame_width, frame_height);
  cDIBSection target = make_frame(frame_height, frame_width);
  for (auto _ : state) {
    Rotate90(source.DIBSectionBitsPtr(), target.DIBSectionBitsPtr(), frame_width, frame_height, 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.SizeImage()));
}
BENCHMARK(BM_Rotate90);

void BM_DeinterlaceFrame2(benchmark::State& state) {
  const cDIBSection source = make_frame(frame_width, frame_height);
  cDIBSection target = make_frame(frame_width, frame_height);
  int32_t selector = 1;
  for (auto _ : state) {
    deinterlaceFrame2(source.DIBSectionBitsPtr(), target.DIBSectionBitsPtr(), frame_width, frame_height, selector);
    benchmark::ClobberMemory();
    selector = 3 - selector;
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.SizeImage()));
}
BENCHMARK(BM_DeinterlaceFrame2);

} // namespace

BENCHMARK_MAIN();
