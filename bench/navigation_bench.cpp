// Review navigation in the real main window: one slider step on a 400 x 880 interlaced
// recording against the plain decoder, a step within one frame, and the go-to procedures on a
// short and a long recording (their cost must not grow with the recording).
#include "app/form_doravent.h"
#include "app/playback_controller.h"
#include "app/review_controller.h"
#include "imaging/dib_section.h"
#include "metadata/xml_header.h"
#include "mock/main_controls.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/review_session.h"

#include <QApplication>
#include <QFile>
#include <QSignalBlocker>
#include <QSlider>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int Width = 400;
constexpr int Height = 880;

// Frame k: gradients with camera-like noise and a moving edge, so frames differ.
cDIBSection Frame(int k) {
  cDIBSection dib;
  dib.Create(Width, Height);
  std::mt19937 random(static_cast<uint32_t>(k));
  std::uniform_int_distribution<int> noise(-6, 6);
  auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  for (int32_t y = 0; y < Height; ++y) {
    uint8_t* p = dib.Row(y);
    for (int32_t x = 0; x < Width; ++x, p += 3) {
      const int runner = (x > 10 * k && x < 10 * k + 60) ? 60 : 0;
      p[0] = clamp(int(128 + 90 * std::sin((x + 7 * k) / 50.0)) + noise(random) - runner);
      p[1] = clamp(int(128 + 80 * std::cos(y / 70.0)) + noise(random) + runner);
      p[2] = clamp(int(120 + 100 * std::sin((x + y) / 110.0)) + noise(random));
    }
  }
  return dib;
}

std::vector<uint8_t> Encode(const cDIBSection& dib) {
  Jpeg_Codec codec;
  std::vector<uint8_t> jpeg(2'000'000);
  int32_t size = static_cast<int32_t>(jpeg.size());
  codec.Encode_JPEG(dib, jpeg.data(), size, 80);
  jpeg.resize(static_cast<size_t>(size));
  return jpeg;
}

// A recording of `frames` frames cycling through `distinct` pictures, 40 ms apart, the first
// 6 s after the heat's start (so the goal search ends near frame 150).
struct Recording {
  QString path;
  std::vector<std::vector<uint8_t>> jpegs;

  Recording(const QString& file, int frames, int distinct) : path(file) {
    size_t largest = 0;
    for (int k = 1; k <= distinct; ++k) {
      jpegs.push_back(Encode(Frame(k)));
      largest = std::max(largest, jpegs.back().size());
    }
    const auto slot = static_cast<int32_t>(largest + 5000);
    Cls_XML_header header;
    header.rgb_let(-1);
    header.Create_Header();
    header.set_RGB_X(QString::number(Width));
    header.set_RGB_Y(QString::number(Height));
    header.set_RGB_interlaced(true);
    header.set_RGB_fourcc(QStringLiteral("IJL"));
    header.set_RGB_fps(QStringLiteral("25"));
    header.set_Frames_no(QString::number(frames));
    header.set_Segments_no(QStringLiteral("1"));
    header.set_RGB_Image_Size(QString::number(slot));
    header.set_RGB_Sample_Size(QString::number(qn3::Record_Size_For_Slot(slot)));
    header.set_Dora_heat_start_PC_mill(0);
    header.set_Dora_Goal_Finish(QStringLiteral("200,88,200,792"));
    std::vector<uint8_t> block(qn3::Header_Block_Size);
    qn3::Build_Header_Block(qn3::Encode_Header_Text(header.XML_string()), block.data());
    QFile out(path);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(reinterpret_cast<const char*>(block.data()), qn3::Header_Block_Size);
    std::vector<uint8_t> record(static_cast<size_t>(qn3::Record_Size_For_Slot(slot)));
    for (int k = 0; k < frames; ++k) {
      qn3::Record_Fields fields;
      fields.capture_mill = 6000 + 40 * k;
      const auto& jpeg = jpegs[static_cast<size_t>(k % distinct)];
      qn3::Encode_Record(fields, jpeg.data(), static_cast<int32_t>(jpeg.size()), slot, record.data());
      out.write(reinterpret_cast<const char*>(record.data()), static_cast<qint64>(record.size()));
    }
  }
};

QTemporaryDir& Folder() {
  static QTemporaryDir dir;
  return dir;
}

const Recording& Recording_Of(int frames) {
  static std::map<int, std::unique_ptr<Recording>> made;
  auto& r = made[frames];
  if (!r)
    r = std::make_unique<Recording>(Folder().filePath(QStringLiteral("heat_%1.qn3").arg(frames)), frames,
                                    std::min(frames, 20));
  return *r;
}

// Made at first use, released before the application object.
std::unique_ptr<Form_Doravent>& Window_Slot() {
  static std::unique_ptr<Form_Doravent> window;
  return window;
}

Form_Doravent& Window() {
  std::unique_ptr<Form_Doravent>& window = Window_Slot();
  if (!window) {
    program() = Program_Info{};
    program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
    Form_Doravent::Options options;
    options.development_mode = true; // no application-wide key filter
    options.end_program = [](int) {};
    window = std::make_unique<Form_Doravent>(options);
    window->review().set_Open_Wait_Ms(0);
    window->Form_Load();
  }
  return *window;
}

Form_Doravent& Open(int frames, benchmark::State& state) {
  Form_Doravent& w = Window();
  const QString path = Recording_Of(frames).path;
  if (w.obj_QN3_Handler().File_name() != path || !w.obj_QN3_Handler().File_open())
    if (!w.review().Handle_Open(path)) state.SkipWithError("open failed");
  return w;
}

void Show(Form_Doravent& w, int value) {
  {
    const QSignalBlocker quiet(ui(w).Slider_play);
    ui(w).Slider_play->setValue(value);
  }
  w.playback().Slider_play_Scroll();
}

// Each step shows the first field of the next frame through the slider's own signal, so every
// step reads, decodes, extracts the field, draws it with the goal lines and sets the labels.
void Slider_Step_Next_Frame(benchmark::State& state) {
  Form_Doravent& w = Open(20, state);
  const int32_t decodes = w.obj_QN3_Handler().Decode_Count();
  int value = 1;
  for (auto _ : state) {
    value = value >= 39 ? 1 : value + 2;
    ui(w).Slider_play->setValue(value);
    benchmark::DoNotOptimize(ui(w).Picture_out->Picture().constBits());
  }
  state.counters["decodes_per_step"] =
      benchmark::Counter(w.obj_QN3_Handler().Decode_Count() - decodes, benchmark::Counter::kAvgIterations);
}
BENCHMARK(Slider_Step_Next_Frame)->Unit(benchmark::kMillisecond);

// Field 1 to field 2 of the same frame and back: nothing is decoded.
void Slider_Step_Within_Frame(benchmark::State& state) {
  Form_Doravent& w = Open(20, state);
  Show(w, 1);
  const int32_t decodes = w.obj_QN3_Handler().Decode_Count();
  int value = 1;
  for (auto _ : state) {
    value = value == 1 ? 2 : 1;
    ui(w).Slider_play->setValue(value);
    benchmark::DoNotOptimize(ui(w).Picture_out->Picture().constBits());
  }
  state.counters["decodes"] = w.obj_QN3_Handler().Decode_Count() - decodes;
}
BENCHMARK(Slider_Step_Within_Frame)->Unit(benchmark::kMicrosecond);

// The plain library call on the same frames, into a bottom-up surface-sized buffer.
void Raw_tjDecompress2(benchmark::State& state) {
  tjhandle decoder = tjInitDecompress();
  const auto& jpegs = Recording_Of(20).jpegs;
  const int pitch = cDIBSection::Bytes_Per_Scan_Line_For(Width);
  std::vector<uint8_t> bits(static_cast<size_t>(pitch) * Height);
  size_t which = 0;
  for (auto _ : state) {
    which = (which + 1) % jpegs.size();
    const auto& jpeg = jpegs[which];
    if (tjDecompress2(decoder, jpeg.data(), static_cast<unsigned long>(jpeg.size()), bits.data(), Width, pitch, Height,
                      TJPF_BGR, TJFLAG_BOTTOMUP) != 0)
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(bits.data());
  }
  tjDestroy(decoder);
}
BENCHMARK(Raw_tjDecompress2)->Unit(benchmark::kMillisecond);

// A go-to from the first picture: the scan over the stamps and the one picture it ends on.
template <class Go> void Go_To(benchmark::State& state, Go go) {
  Form_Doravent& w = Open(static_cast<int>(state.range(0)), state);
  go(w.review_session()); // the first call reads the record heads
  int64_t decodes = 0;
  int landed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Show(w, 1);
    const int32_t before = w.obj_QN3_Handler().Decode_Count();
    state.ResumeTiming();
    go(w.review_session());
    decodes += w.obj_QN3_Handler().Decode_Count() - before;
    landed = ui(w).Slider_play->value();
  }
  state.counters["landed"] = landed;
  state.counters["decodes_per_goto"] =
      benchmark::Counter(static_cast<double>(decodes), benchmark::Counter::kAvgIterations);
}

void Goto_Goal(benchmark::State& state) {
  Go_To(state, [](Review_Session& p) { p.Goto_Goal(); });
}
BENCHMARK(Goto_Goal)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

void Goto_Time(benchmark::State& state) {
  Go_To(state, [](Review_Session& p) { p.Goto_Time(10000); });
}
BENCHMARK(Goto_Time)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

// The first go-to after opening reads every record's head once.
void First_Stamp_Read(benchmark::State& state) {
  cls_VideoFile_handler handler;
  const QString path = Recording_Of(static_cast<int>(state.range(0))).path;
  for (auto _ : state) {
    state.PauseTiming();
    handler.Open_File(path);
    state.ResumeTiming();
    benchmark::DoNotOptimize(handler.Record_Capture_Mill(1));
  }
}
BENCHMARK(First_Stamp_Read)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (Window_Slot()) Window_Slot()->obj_QN3_Handler().Close_File();
  Window_Slot().reset();
  return 0;
}
