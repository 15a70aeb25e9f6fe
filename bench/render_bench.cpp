// One review step (read, decode, extract the field, draw into the picture's image) on a
// 400 x 880 interlaced recording, against the plain decoder on the same frame.
#include "imaging/dib_section.h"
#include "metadata/xml_header.h"
#include "recording/frame_display.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int Frame_Width = 400;
constexpr int Frame_Height = 880;
constexpr int Frames = 20;

// Frame k: gradients with camera-like noise and a moving edge, so frames differ.
cDIBSection Frame(int k) {
  cDIBSection dib;
  dib.Create(Frame_Width, Frame_Height);
  std::mt19937 random(static_cast<uint32_t>(k));
  std::uniform_int_distribution<int> noise(-6, 6);
  auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  for (int32_t y = 0; y < Frame_Height; ++y) {
    uint8_t* p = dib.Row(y);
    for (int32_t x = 0; x < Frame_Width; ++x, p += 3) {
      const int runner = (x > 10 * k && x < 10 * k + 60) ? 60 : 0;
      p[0] = clamp(int(128 + 90 * std::sin((x + 7 * k) / 50.0)) + noise(random) - runner);
      p[1] = clamp(int(128 + 80 * std::cos(y / 70.0)) + noise(random) + runner);
      p[2] = clamp(int(120 + 100 * std::sin((x + y) / 110.0)) + noise(random));
    }
  }
  return dib;
}

struct Recording {
  QTemporaryDir dir;
  QString path;
  std::vector<std::vector<uint8_t>> jpegs;

  Recording() {
    Jpeg_Codec codec;
    size_t largest = 0;
    for (int k = 1; k <= Frames; ++k) {
      std::vector<uint8_t> jpeg(2'000'000);
      int32_t size = static_cast<int32_t>(jpeg.size());
      codec.Encode_JPEG(Frame(k), jpeg.data(), size, 80);
      jpeg.resize(static_cast<size_t>(size));
      largest = std::max(largest, jpeg.size());
      jpegs.push_back(std::move(jpeg));
    }
    const auto slot = static_cast<int32_t>(largest + 5000);
    Cls_XML_header header;
    header.rgb_let(-1);
    header.Create_Header();
    header.set_RGB_X(QString::number(Frame_Width));
    header.set_RGB_Y(QString::number(Frame_Height));
    header.set_RGB_interlaced(true);
    header.set_RGB_fourcc(QStringLiteral("IJL"));
    header.set_RGB_fps(QStringLiteral("25"));
    header.set_Frames_no(QString::number(Frames));
    header.set_RGB_Image_Size(QString::number(slot));
    header.set_RGB_Sample_Size(QString::number(qn3::Record_Size_For_Slot(slot)));
    std::vector<uint8_t> block(qn3::Header_Block_Size);
    qn3::Build_Header_Block(qn3::Encode_Header_Text(header.XML_string()), block.data());
    path = dir.filePath(QStringLiteral("heat.qn3"));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(reinterpret_cast<const char*>(block.data()), qn3::Header_Block_Size);
    std::vector<uint8_t> record(static_cast<size_t>(qn3::Record_Size_For_Slot(slot)));
    for (int k = 0; k < Frames; ++k) {
      qn3::Record_Fields fields;
      fields.capture_mill = 40 * k;
      const auto& jpeg = jpegs[static_cast<size_t>(k)];
      qn3::Encode_Record(fields, jpeg.data(), static_cast<int32_t>(jpeg.size()), slot, record.data());
      file.write(reinterpret_cast<const char*>(record.data()), static_cast<qint64>(record.size()));
    }
  }
};

const Recording& The_Recording() {
  static const Recording recording;
  return recording;
}

// Each step shows the first field of the next frame, so every step decodes.
void Step_Next_Frame_Field(benchmark::State& state) {
  cls_VideoFile_handler handler;
  if (!handler.Open_File(The_Recording().path)) state.SkipWithError("open failed");
  Image_Display display;
  int32_t field = 1;
  const int32_t decodes = handler.Decode_Count();
  for (auto _ : state) {
    field = field >= 2 * Frames - 1 ? 1 : field + 2;
    handler.Draw_RGB_Field(field, display);
    benchmark::DoNotOptimize(display.image.constBits());
  }
  state.counters["decodes_per_step"] =
      benchmark::Counter(handler.Decode_Count() - decodes, benchmark::Counter::kAvgIterations);
}
BENCHMARK(Step_Next_Frame_Field)->Unit(benchmark::kMillisecond);

// The same with whole frames (a recording stepped by frames).
void Step_Next_Frame(benchmark::State& state) {
  cls_VideoFile_handler handler;
  if (!handler.Open_File(The_Recording().path)) state.SkipWithError("open failed");
  Image_Display display;
  int16_t frame = 1;
  for (auto _ : state) {
    frame = static_cast<int16_t>(frame >= Frames ? 1 : frame + 1);
    handler.Draw_RGB_frame(frame, display);
    benchmark::DoNotOptimize(display.image.constBits());
  }
}
BENCHMARK(Step_Next_Frame)->Unit(benchmark::kMillisecond);

// Field 1 to field 2 of one frame and back: the decoded frame is reused, nothing is decoded.
void Step_Within_Frame(benchmark::State& state) {
  cls_VideoFile_handler handler;
  if (!handler.Open_File(The_Recording().path)) state.SkipWithError("open failed");
  Image_Display display;
  handler.Draw_RGB_Field(1, display);
  const int32_t decodes = handler.Decode_Count();
  int32_t field = 1;
  for (auto _ : state) {
    field = field == 1 ? 2 : 1;
    handler.Draw_RGB_Field(field, display);
    benchmark::DoNotOptimize(display.image.constBits());
  }
  state.counters["decodes"] = handler.Decode_Count() - decodes;
}
BENCHMARK(Step_Within_Frame)->Unit(benchmark::kMicrosecond);

// The plain library call on the same frames, into a bottom-up surface-sized buffer.
void Raw_tjDecompress2(benchmark::State& state) {
  tjhandle decoder = tjInitDecompress();
  const auto& jpegs = The_Recording().jpegs;
  const int pitch = cDIBSection::Bytes_Per_Scan_Line_For(Frame_Width);
  std::vector<uint8_t> bits(static_cast<size_t>(pitch) * Frame_Height);
  size_t which = 0;
  for (auto _ : state) {
    which = (which + 1) % jpegs.size();
    const auto& jpeg = jpegs[which];
    if (tjDecompress2(decoder, jpeg.data(), static_cast<unsigned long>(jpeg.size()), bits.data(), Frame_Width, pitch,
                      Frame_Height, TJPF_BGR, TJFLAG_BOTTOMUP) != 0)
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(bits.data());
  }
  tjDestroy(decoder);
}
BENCHMARK(Raw_tjDecompress2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
