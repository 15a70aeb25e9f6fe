// Printing a photo finish: the digest of the recording (Qt's SHA-256 runs at about 150 MB/s here,
// so a heat's recording of a few hundred megabytes adds one to two seconds to a print) and the
// series page with six lossless pictures of 600 x 880 (the operator waits for it: well under two
// seconds).
#include "presentation/page_surface.h"
#include "presentation/photo_finish_print.h"
#include "recording/file_digest.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

void Recording_SHA256(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("heat.qn3"));
  const auto bytes = static_cast<qsizetype>(state.range(0)) << 20;
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
      state.SkipWithError("cannot write the file");
      return;
    }
    QByteArray block(1 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : block)
      c = static_cast<char>(random() & 0xFF);
    for (qsizetype written = 0; written < bytes; written += block.size())
      file.write(block);
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(File_SHA256_Hex(path));
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(Recording_SHA256)->Arg(64)->Unit(benchmark::kMillisecond);

// Six runners' pictures with camera-like noise, so Flate has real work.
class Noisy_Frames final : public Photo_Finish_Frames {
public:
  Noisy_Frames() {
    std::mt19937 random(11);
    for (int k = 0; k < 6; ++k) {
      QImage picture(600, 880, QImage::Format_BGR888);
      for (int y = 0; y < picture.height(); ++y) {
        uchar* p = picture.scanLine(y);
        for (int x = 0; x < picture.width() * 3; ++x)
          p[x] = static_cast<uchar>(100 + (x + y + 20 * k) % 60 + static_cast<int>(random() % 12));
      }
      pictures_.push_back(picture);
    }
  }
  QImage Shown_Picture() override { return pictures_.front(); }
  QImage Runner_Picture(int16_t box, bool) override { return pictures_.at(static_cast<size_t>(box - 1)); }

private:
  std::vector<QImage> pictures_;
};

void Photo_Series_Page(benchmark::State& state) {
  Noisy_Frames frames;
  Photo_Finish_Job job;
  job.series = true;
  job.event_name = QStringLiteral("Spring Derby");
  for (int16_t i = 0; i < 6; ++i) {
    Result_Row& row = job.results.at(static_cast<size_t>(i));
    row.Box = static_cast<int16_t>(i + 1);
    row.Heat_Time = 29000 + 100 * i;
    row.Dog_Name = QStringLiteral("Dog %1").arg(i + 1);
  }
  job.file_name = QStringLiteral("heat.qn3");
  qint64 size = 0;
  for (auto _ : state) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QPdfWriter writer(&out);
    writer.setResolution(1200);
    writer.setPageSize(QPageSize(QPageSize::A4));
    {
      Page_Surface page(writer);
      Print_Photo_Finish(page, job, frames);
    }
    size = out.size();
  }
  state.counters["pdf_bytes"] = static_cast<double>(size);
}
BENCHMARK(Photo_Series_Page)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  // Fonts and page painting need a GUI application, never a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
