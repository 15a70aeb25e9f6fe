// Opening recordings of different lengths, and reading one frame against the plain decoder.
#include "imaging/dib_section.h"
#include "metadata/xml_header.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr int Frame_Width = 400;
constexpr int Frame_Height = 880;

// Frame k: gradients with camera-like noise, shifted per frame so frames differ.
cDIBSection Frame(int k) {
  cDIBSection dib;
  dib.Create(Frame_Width, Frame_Height);
  std::mt19937 random(static_cast<uint32_t>(k));
  std::uniform_int_distribution<int> noise(-6, 6);
  auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  for (int32_t y = 0; y < Frame_Height; ++y) {
    uint8_t* p = dib.Row(y);
    for (int32_t x = 0; x < Frame_Width; ++x, p += 3) {
      p[0] = clamp(int(128 + 90 * std::sin((x + 7 * k) / 50.0)) + noise(random));
      p[1] = clamp(int(128 + 80 * std::cos(y / 70.0)) + noise(random));
      p[2] = clamp(int(120 + 100 * std::sin((x + y) / 110.0)) + noise(random));
    }
  }
  return dib;
}

const std::vector<std::vector<uint8_t>>& Jpegs() {
  static const std::vector<std::vector<uint8_t>> jpegs = [] {
    std::vector<std::vector<uint8_t>> out;
    Jpeg_Codec codec;
    for (int k = 1; k <= 2; ++k) {
      std::vector<uint8_t> jpeg(2'000'000);
      int32_t size = static_cast<int32_t>(jpeg.size());
      codec.Encode_JPEG(Frame(k), jpeg.data(), size, 80);
      jpeg.resize(static_cast<size_t>(size));
      out.push_back(std::move(jpeg));
    }
    return out;
  }();
  return jpegs;
}

QTemporaryDir& Folder() {
  static QTemporaryDir dir;
  return dir;
}

// A recording of `frames` records, laid out with the format helpers; made once per length.
QString Recording(int frames) {
  static std::map<int, QString> made;
  if (auto it = made.find(frames); it != made.end()) return it->second;
  const auto& jpegs = Jpegs();
  const int32_t slot = static_cast<int32_t>(std::max(jpegs[0].size(), jpegs[1].size())) + 5000;
  Cls_XML_header header;
  header.rgb_let(-1);
  header.Create_Header();
  header.set_RGB_X(QString::number(Frame_Width));
  header.set_RGB_Y(QString::number(Frame_Height));
  header.set_RGB_fourcc(QStringLiteral("IJL"));
  header.set_Frames_no(QString::number(frames));
  header.set_RGB_Image_Size(QString::number(slot));
  header.set_RGB_Sample_Size(QString::number(qn3::Record_Size_For_Slot(slot)));
  std::vector<uint8_t> block(qn3::Header_Block_Size);
  qn3::Build_Header_Block(qn3::Encode_Header_Text(header.XML_string()), block.data());
  const QString path = Folder().filePath(QStringLiteral("heat_%1.qn3").arg(frames));
  QFile file(path);
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(reinterpret_cast<const char*>(block.data()), qn3::Header_Block_Size);
  std::vector<uint8_t> record(static_cast<size_t>(qn3::Record_Size_For_Slot(slot)));
  for (int k = 0; k < frames; ++k) {
    qn3::Record_Fields fields;
    fields.capture_mill = 40 * k;
    const auto& jpeg = jpegs[static_cast<size_t>(k % 2)];
    qn3::Encode_Record(fields, jpeg.data(), static_cast<int32_t>(jpeg.size()), slot, record.data());
    file.write(reinterpret_cast<const char*>(record.data()), static_cast<qint64>(record.size()));
  }
  file.close();
  made[frames] = path;
  return path;
}

void Open_Recording(benchmark::State& state) {
  const QString path = Recording(static_cast<int>(state.range(0)));
  cls_VideoFile_handler handler;
  for (auto _ : state) {
    if (!handler.Open_File(path)) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(handler.Num_Frames());
  }
  state.counters["frames"] = handler.Num_Frames();
}
BENCHMARK(Open_Recording)->Arg(30)->Arg(3000)->Unit(benchmark::kMicrosecond);

// Frames alternate so the one-frame cache never answers.
void Read_And_Decode_Frame(benchmark::State& state) {
  cls_VideoFile_handler handler;
  if (!handler.Open_File(Recording(30))) state.SkipWithError("open failed");
  int16_t frame = 1;
  for (auto _ : state) {
    frame = frame == 1 ? 2 : 1;
    handler.Read_RGB_sample(frame, true);
    benchmark::DoNotOptimize(handler.Decode_Surface().DIBSectionBitsPtr());
  }
  if (handler.Read_error()) state.SkipWithError("read failed");
}
BENCHMARK(Read_And_Decode_Frame)->Unit(benchmark::kMillisecond);

// The file part alone: seeking and reading whole records.
void Read_Frame_Only(benchmark::State& state) {
  cls_VideoFile_handler handler;
  if (!handler.Open_File(Recording(30))) state.SkipWithError("open failed");
  int16_t frame = 1;
  for (auto _ : state) {
    frame = frame == 1 ? 2 : 1;
    handler.Read_RGB_sample(frame, false);
    benchmark::DoNotOptimize(handler.QN3_JPEG_Size());
  }
  state.counters["record_bytes"] = static_cast<double>(handler.Record_Size());
}
BENCHMARK(Read_Frame_Only)->Unit(benchmark::kMicrosecond);

void Raw_tjDecompress2(benchmark::State& state) {
  tjhandle decoder = tjInitDecompress();
  const auto& jpegs = Jpegs();
  const int pitch = cDIBSection::Bytes_Per_Scan_Line_For(Frame_Width);
  std::vector<uint8_t> bits(static_cast<size_t>(pitch) * Frame_Height);
  size_t which = 0;
  for (auto _ : state) {
    which ^= 1;
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
