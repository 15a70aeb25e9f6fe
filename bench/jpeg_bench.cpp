// The codec against the plain library calls on the same 400 x 880 frame, in one run.
#include "imaging/dib_section.h"
#include "recording/jpeg_codec.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int Frame_Width = 400;
constexpr int Frame_Height = 880;
constexpr int Quality = 80;
constexpr int32_t Slot_Bytes = 999'999;

// Gradients with camera-like noise: flat pictures would flatter the entropy coder.
const cDIBSection& Frame() {
  static const cDIBSection frame = [] {
    cDIBSection dib;
    dib.Create(Frame_Width, Frame_Height);
    std::mt19937 random(3);
    std::uniform_int_distribution<int> noise(-6, 6);
    auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    for (int32_t y = 0; y < Frame_Height; ++y) {
      uint8_t* p = dib.Row(y);
      for (int32_t x = 0; x < Frame_Width; ++x, p += 3) {
        p[0] = clamp(int(128 + 90 * std::sin(x / 50.0)) + noise(random));
        p[1] = clamp(int(128 + 80 * std::cos(y / 70.0)) + noise(random));
        p[2] = clamp(int(120 + 100 * std::sin((x + y) / 110.0)) + noise(random));
      }
    }
    return dib;
  }();
  return frame;
}

const std::vector<uint8_t>& Frame_Jpeg() {
  static const std::vector<uint8_t> jpeg = [] {
    Jpeg_Codec codec;
    std::vector<uint8_t> out(Slot_Bytes);
    const Jpeg_Encode_Result r = codec.Encode_To_Buffer(Frame(), out.data(), Slot_Bytes, Quality);
    out.resize(static_cast<size_t>(r.ok() ? r.size : 0));
    return out;
  }();
  return jpeg;
}

void Encode_Codec(benchmark::State& state) {
  Jpeg_Codec codec;
  std::vector<uint8_t> slot(Slot_Bytes + 2);
  int32_t size = 0;
  for (auto _ : state) {
    const Jpeg_Encode_Result r = codec.Encode_To_Buffer(Frame(), slot.data(), Slot_Bytes, Quality);
    if (!r.ok()) state.SkipWithError("encode failed");
    size = r.size;
    benchmark::DoNotOptimize(slot.data());
  }
  state.counters["bytes"] = size;
}

// The library alone, into a worst-case buffer of its own (no copy into a slot).
void Encode_Plain(benchmark::State& state) {
  tjhandle handle = tjInitCompress();
  std::vector<uint8_t> out(tjBufSize(Frame_Width, Frame_Height, TJSAMP_420));
  const cDIBSection& frame = Frame();
  unsigned long size = 0;
  for (auto _ : state) {
    unsigned char* target = out.data();
    size = out.size();
    if (tjCompress2(handle, frame.DIBSectionBitsPtr(), Frame_Width, frame.BytesPerScanLine(), Frame_Height, TJPF_BGR,
                    &target, &size, TJSAMP_420, Quality, TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC) != 0)
      state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(size);
  tjDestroy(handle);
}

void Decode_Codec(benchmark::State& state) {
  Jpeg_Codec codec;
  cDIBSection dib;
  const std::vector<uint8_t>& jpeg = Frame_Jpeg();
  for (auto _ : state) {
    if (!codec.Decode_JPEG(dib, jpeg.data(), static_cast<int32_t>(jpeg.size()))) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(dib.DIBSectionBitsPtr());
  }
}

// The library alone, already knowing the picture's size (no header read of its own).
void Decode_Plain(benchmark::State& state) {
  tjhandle handle = tjInitDecompress();
  cDIBSection dib;
  dib.Create(Frame_Width, Frame_Height);
  const std::vector<uint8_t>& jpeg = Frame_Jpeg();
  for (auto _ : state) {
    if (tjDecompress2(handle, jpeg.data(), jpeg.size(), dib.DIBSectionBitsPtr(), Frame_Width, dib.BytesPerScanLine(),
                      Frame_Height, TJPF_BGR, TJFLAG_BOTTOMUP) != 0)
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(dib.DIBSectionBitsPtr());
  }
  tjDestroy(handle);
}

} // namespace

BENCHMARK(Encode_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(Encode_Codec)->Unit(benchmark::kMicrosecond);
BENCHMARK(Decode_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(Decode_Codec)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
