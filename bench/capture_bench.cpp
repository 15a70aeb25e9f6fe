// The capture source's per-frame path on a 1920 x 1080 source with a 400 x 880 crop, against
// one memcpy of the crop; MJPEG crop decoding against the whole decode; a minute of the
// synthetic camera with capture on; and what 4:2:2 costs the writer against 4:2:0.
#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "capture_baseline.h"
#include "imaging/dib_section.h"
#include "recording/frame_buffers.h"
#include "recording/jpeg_codec.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <vector>

namespace {

constexpr int Source_Width = 1920, Source_Height = 1080;
constexpr int Crop_Width = 400, Crop_Height = 880;

// Camera-like content: gradients and noise.
std::vector<uint8_t> Rgb_Picture() {
  std::vector<uint8_t> rgb(static_cast<size_t>(Source_Width) * Source_Height * 3);
  std::mt19937 random(5);
  std::uniform_int_distribution<int> noise(-6, 6);
  auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  for (int y = 0; y < Source_Height; ++y)
    for (int x = 0; x < Source_Width; ++x) {
      uint8_t* p = &rgb[static_cast<size_t>((y * Source_Width + x) * 3)];
      p[0] = clamp(int(120 + 100 * std::sin((x + y) / 110.0)) + noise(random));
      p[1] = clamp(int(128 + 80 * std::cos(y / 70.0)) + noise(random));
      p[2] = clamp(int(128 + 90 * std::sin(x / 50.0)) + noise(random));
    }
  return rgb;
}

std::vector<uint8_t> Yuyv_Picture() {
  std::vector<uint8_t> out(static_cast<size_t>(Source_Width) * Source_Height * 2);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> any(16, 235);
  for (auto& b : out)
    b = static_cast<uint8_t>(any(random));
  return out;
}

// A device that hands the same prepared frame to the sink on every Deliver.
class Bench_Device final : public Capture_Device {
public:
  Bench_Device(Pixel_Format format, std::vector<uint8_t> frame) : frame_(std::move(frame)) {
    format_.width = Source_Width;
    format_.height = Source_Height;
    format_.frame_interval_100ns = 400000;
    format_.pixel_format = format;
    format_.image_size = static_cast<int32_t>(frame_.size());
    format_.stride = format == Pixel_Format::YUYV ? Source_Width * 2 : Source_Width * 3;
  }
  QString Friendly_Name() const override { return QStringLiteral("bench"); }
  QString Device_Path() const override { return {}; }
  QString Description() const override { return {}; }
  std::vector<Video_Format> Formats() const override { return {format_}; }
  bool Set_Format(int32_t, QString&) override { return true; }
  std::optional<Video_Format> Current_Format() const override { return format_; }
  bool Limit_Fps(int32_t, QString&) override { return true; }
  int64_t Min_Interval_100ns() const override { return 400000; }
  int64_t Max_Interval_100ns() const override { return 400000; }
  bool Start(Video_Cap_Events& sink, QString&) override {
    sink_ = &sink;
    return true;
  }
  void Stop() override { sink_ = nullptr; }
  bool Streaming() const override { return sink_ != nullptr; }
  int64_t Dropped_Frames() const override { return 0; }
  void Deliver(int64_t t) {
    sink_->OnRGBEvent(t, Capture_Time_Source::Sample_Time, frame_.data(), static_cast<int32_t>(frame_.size()));
  }

private:
  Video_Format format_;
  std::vector<uint8_t> frame_;
  Video_Cap_Events* sink_ = nullptr;
};

void Handler(benchmark::State& state, Pixel_Format format, std::vector<uint8_t> frame) {
  auto device = std::make_unique<Bench_Device>(format, std::move(frame));
  Bench_Device* d = device.get();
  std::vector<std::unique_ptr<Capture_Device>> devices;
  devices.push_back(std::move(device));
  Frame_List frames;
  cls_Capture_HDMI source(std::make_unique<Capture_Component>(std::move(devices)), frames);
  source.Use_Source(1, 0, false);
  source.set_HDMI_Crop(Crop_Width, Crop_Height);
  source.Capture_Run();
  int64_t t = 0;
  for (auto _ : state) {
    d->Deliver(t += 40);
    benchmark::DoNotOptimize(source.Cropped_Picture().DIBSectionBitsPtr());
  }
  state.SetBytesProcessed(state.iterations() * Crop_Width * Crop_Height * 3);
}

void Handler_Rgb24(benchmark::State& state) { Handler(state, Pixel_Format::RGB24, Rgb_Picture()); }
void Handler_Bgr24(benchmark::State& state) { Handler(state, Pixel_Format::BGR24, Rgb_Picture()); }
void Handler_Yuyv(benchmark::State& state) { Handler(state, Pixel_Format::YUYV, Yuyv_Picture()); }

// The yardstick: one memcpy of the crop's bytes.
void Memcpy_Crop(benchmark::State& state) {
  const std::vector<uint8_t> from = Rgb_Picture();
  std::vector<uint8_t> to(static_cast<size_t>(Crop_Width) * Crop_Height * 3);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data() + 1000, to.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(to.size()));
}

// The crop's rows copied out of the 1920 x 1080 frame: the one copy a crop cannot do without.
void Memcpy_Crop_Rows(benchmark::State& state) {
  const std::vector<uint8_t> from = Rgb_Picture();
  std::vector<uint8_t> to(static_cast<size_t>(Crop_Width) * Crop_Height * 3);
  for (auto _ : state) {
    for (int y = 0; y < Crop_Height; ++y)
      std::memcpy(to.data() + static_cast<size_t>(y) * Crop_Width * 3,
                  from.data() + (static_cast<size_t>(100 + y) * Source_Width + 760) * 3, Crop_Width * 3);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(to.size()));
}

const std::vector<uint8_t>& Mjpeg_Frame() {
  static const std::vector<uint8_t> jpeg = [] {
    const std::vector<uint8_t> rgb = Rgb_Picture();
    tjhandle c = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(c, rgb.data(), Source_Width, 0, Source_Height, TJPF_RGB, &out, &size, TJSAMP_422, 85, 0);
    std::vector<uint8_t> v(out, out + size);
    tjFree(out);
    tjDestroy(c);
    return v;
  }();
  return jpeg;
}

void Mjpeg_Crop_Decode(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = Mjpeg_Frame();
  const Video_Format format{Source_Width, Source_Height, 400000, 0, 0, Pixel_Format::MJPEG};
  Crop_Converter converter;
  cDIBSection into;
  into.Create(Crop_Width, Crop_Height);
  QString error;
  for (auto _ : state)
    if (!converter.Convert(format, jpeg.data(), static_cast<int32_t>(jpeg.size()), 760, 100, into, error))
      state.SkipWithError("decode failed");
}

void Mjpeg_Whole_Decode(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = Mjpeg_Frame();
  tjhandle d = tjInitDecompress();
  std::vector<uint8_t> out(static_cast<size_t>(Source_Width) * Source_Height * 3);
  for (auto _ : state)
    if (tjDecompress2(d, jpeg.data(), jpeg.size(), out.data(), Source_Width, 0, Source_Height, TJPF_BGR, 0) != 0)
      state.SkipWithError("decode failed");
  tjDestroy(d);
}

int64_t Resident_Bytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4096;
}

// A minute at 25 frames per second with capture on, stepped: every frame kept, and memory that
// grows by the crop's size per frame plus a fixed amount.
void Synthetic_Minute(benchmark::State& state) {
  constexpr int Frames = 60 * 25;
  for (auto _ : state) {
    const int64_t before = Resident_Bytes();
    auto camera_owner = std::make_unique<Synthetic_Camera>();
    Synthetic_Camera* camera = camera_owner.get();
    camera->set_Stepped(true);
    camera->Set_Physical_Start(0);
    std::vector<std::unique_ptr<Capture_Device>> devices;
    devices.push_back(std::move(camera_owner));
    Frame_List frames;
    cls_Capture_HDMI source(std::make_unique<Capture_Component>(std::move(devices)), frames);
    source.Use_Source(1, 0, true);
    source.set_HDMI_Crop(Crop_Width, Crop_Height);
    source.Capture_Run();
    source.set_Post_linear(true);
    for (int k = 0; k < Frames; ++k) {
      camera->Step();
      source.Store_HDMI_Buffer(source.Last_Stamp());
    }
    const int64_t after = Resident_Bytes();
    const int64_t crop_bytes = int64_t{source.Buff_Num()} * source.Cropped_Picture().SizeImage();
    state.counters["frames_lost"] = static_cast<double>(Frames - source.Buff_Num() + source.Dropped_Frames());
    state.counters["kept_MB"] = static_cast<double>(crop_bytes) / 1e6;
    state.counters["rss_growth_MB"] = static_cast<double>(after - before) / 1e6;
    // The camera's frame, the crop surface and the list's own bookkeeping.
    state.counters["fixed_MB"] = static_cast<double>(after - before - crop_bytes) / 1e6;
    source.Stop_Capture();
  }
}

// The writer's encode of a demo-like crop (turf, runners, interlaced edges) in both subsamplings.
const cDIBSection& Interlaced_Crop() {
  static const cDIBSection dib = [] {
    Synthetic_Camera camera;
    camera.Set_Physical_Start(0);
    std::vector<uint8_t> frame(Synthetic_Camera::Frame_Bytes);
    camera.Render(29540, 738, frame.data());
    cDIBSection crop;
    crop.Create(Crop_Width, Crop_Height);
    for (int y = 0; y < Crop_Height; ++y)
      std::memcpy(crop.Row(y),
                  frame.data() + static_cast<size_t>(Source_Height - 1 - (100 + y)) * Synthetic_Camera::Stride +
                      760 * 3,
                  Crop_Width * 3);
    return crop;
  }();
  return dib;
}

void Encode(benchmark::State& state, bool per_row) {
  Jpeg_Codec codec;
  codec.set_Chroma_Per_Row(per_row);
  std::vector<uint8_t> out(2'000'000);
  int32_t size = 0;
  for (auto _ : state) {
    const Jpeg_Encode_Result r = codec.Encode_To_Buffer(Interlaced_Crop(), out.data(), 2'000'000, 80);
    if (!r.ok()) state.SkipWithError("encode failed");
    size = r.size;
  }
  state.counters["jpeg_bytes"] = size;
}
void Encode_420(benchmark::State& state) { Encode(state, false); }
void Encode_422(benchmark::State& state) { Encode(state, true); }

// The hand-written converter on the same crop, the crop's rows read out of the whole frame.
void Baseline(benchmark::State& state, bool yuyv) {
  const std::vector<uint8_t> from = yuyv ? Yuyv_Picture() : Rgb_Picture();
  cDIBSection into;
  into.Create(Crop_Width, Crop_Height);
  const int64_t stride = yuyv ? Source_Width * 2 : Source_Width * 3;
  constexpr int x0 = (Source_Width - Crop_Width) / 2, y0 = (Source_Height - Crop_Height) / 2;
  for (auto _ : state) {
    for (int r = 0; r < Crop_Height; ++r) {
      const int64_t at = (y0 + r) * stride + int64_t{x0} * (yuyv ? 2 : 3);
      if (yuyv)
        baseline::Yuyv_Pairs(from.data() + at, Crop_Width / 2, into.Row(r));
      else
        baseline::Swap_Red_Blue_Row(from.data() + at, static_cast<int64_t>(from.size()) - at, Crop_Width, into.Row(r));
    }
    benchmark::DoNotOptimize(into.DIBSectionBitsPtr());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * Crop_Width * Crop_Height * 3);
}
void Baseline_Rgb24(benchmark::State& state) { Baseline(state, false); }
void Baseline_Yuyv(benchmark::State& state) { Baseline(state, true); }

BENCHMARK(Memcpy_Crop);
BENCHMARK(Memcpy_Crop_Rows);
BENCHMARK(Handler_Rgb24);
BENCHMARK(Handler_Bgr24);
BENCHMARK(Handler_Yuyv);
BENCHMARK(Baseline_Rgb24);
BENCHMARK(Baseline_Yuyv);
BENCHMARK(Mjpeg_Crop_Decode);
BENCHMARK(Mjpeg_Whole_Decode);
BENCHMARK(Synthetic_Minute)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Encode_420);
BENCHMARK(Encode_422);

} // namespace

int main(int argc, char** argv) {
  // The capture source is a QObject: it wants an application object, never a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
