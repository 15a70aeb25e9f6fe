#include "fuzz_support.h"

#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {
namespace {

class Quiet_Prompts final : public Prompts {
public:
  Prompt_Answer message(const QString& text, const QString&, Prompt_Buttons buttons, Prompt_Icon,
                        std::optional<Prompt_Answer>) override {
    messages += text;
    switch (buttons) {
    case Prompt_Buttons::Ok: return Prompt_Answer::Ok;
    case Prompt_Buttons::OkCancel: return Prompt_Answer::Cancel;
    case Prompt_Buttons::YesNo:
    case Prompt_Buttons::YesNoCancel: return Prompt_Answer::No;
    }
    return Prompt_Answer::Cancel;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
  QString open_file(const QString&, const QString&, const QString&) override { return {}; }
  QString save_file(const QString&, const QString&, const QString&) override { return {}; }
  QString select_folder(const QString&, const QString&) override { return {}; }
  void beep() override {}
  QStringList messages;
};

class Counted_Errors final : public Error_Sink {
public:
  void QNV_Error_Handler(const QString&, int16_t, int32_t, const QString&, const QString&) override { ++count; }
  int32_t count = 0;
};

struct Environment {
  Quiet_Prompts* prompts = nullptr;
  std::unique_ptr<QTemporaryDir> scratch;
  // Left to the end of the process: destroyed among the static objects, it would outlive Qt's own.
  QGuiApplication* app = nullptr;
  Counted_Errors errors;
};

Environment& environment() {
  static Environment instance;
  return instance;
}

} // namespace

void Start(int* argc, char*** argv) {
  Environment& e = environment();
  // A memory file system where there is one: the targets write a file per input.
  const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
  e.scratch = std::make_unique<QTemporaryDir>(base + QStringLiteral("/doravent-fuzz-XXXXXX"));
  if (!e.scratch->isValid()) Violated("no scratch folder");
  const QByteArray folder = e.scratch->path().toLocal8Bit();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("XDG_DATA_HOME", folder);
  qputenv("XDG_RUNTIME_DIR", folder); // no trace viewer listens here
  e.app = new QGuiApplication(*argc, *argv);
  auto quiet = std::make_unique<Quiet_Prompts>();
  e.prompts = quiet.get();
  install_prompts(std::move(quiet));
  install_error_sink(&e.errors);
  program().Settings_File_Path = Scratch_Folder() + QStringLiteral("Doravent_HDMI.ini");
}

QString Scratch_Folder() { return environment().scratch->path() + QLatin1Char('/'); }

QString Write_Scratch(const QString& name, const char* data, size_t size) {
  const QString path = Scratch_Folder() + name;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) Violated("scratch file not writable");
  if (file.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size)) Violated("scratch file not written");
  return path;
}

void Remove_Scratch(const QString& name) { QFile::remove(Scratch_Folder() + name); }

int32_t Take_Error_Reports() {
  const int32_t count = environment().errors.count;
  environment().errors.count = 0;
  return count;
}

QStringList Take_Messages() {
  QStringList messages;
  messages.swap(environment().prompts->messages);
  return messages;
}

void Check_Same(const QStringList& expected, const QStringList& actual, const char* what) {
  if (expected == actual) return;
  for (qsizetype i = 0; i < std::max(expected.size(), actual.size()); ++i) {
    const QString a = i < expected.size() ? expected.at(i) : QStringLiteral("(none)");
    const QString b = i < actual.size() ? actual.at(i) : QStringLiteral("(none)");
    if (a == b) continue;
    std::fprintf(stderr, "value %lld: expected [%s], got [%s]\n", static_cast<long long>(i), qPrintable(a),
                 qPrintable(b));
    break;
  }
  Violated(what);
}

void Check_Same(const QByteArray& expected, const QByteArray& actual, const char* what) {
  if (expected == actual) return;
  qsizetype at = 0;
  while (at < expected.size() && at < actual.size() && expected.at(at) == actual.at(at))
    ++at;
  const qsizetype from = std::max<qsizetype>(at - 20, 0);
  std::fprintf(stderr, "bytes differ at %lld of %lld/%lld: expected [%s], got [%s]\n", static_cast<long long>(at),
               static_cast<long long>(expected.size()), static_cast<long long>(actual.size()),
               expected.mid(from, 60).toPercentEncoding(" <>/=\"").constData(),
               actual.mid(from, 60).toPercentEncoding(" <>/=\"").constData());
  Violated(what);
}

void Violated(const char* what) {
  std::fprintf(stderr, "invariant violated: %s\n", what);
  std::abort();
}

int32_t Input::Range(int32_t low, int32_t high) {
  if (high <= low) return low;
  const auto span = static_cast<uint32_t>(high - low);
  uint32_t raw = Byte();
  if (span > 0xFF) raw |= static_cast<uint32_t>(Byte()) << 8;
  if (span > 0xFFFF) raw |= static_cast<uint32_t>(U16()) << 16;
  return low + static_cast<int32_t>(span == UINT32_MAX ? raw : raw % (span + 1));
}

void Input_Builder::Range(int32_t low, int32_t high, int32_t value) {
  if (high <= low) return;
  const auto span = static_cast<uint32_t>(high - low);
  const auto raw = static_cast<uint32_t>(value - low);
  Byte(static_cast<uint8_t>(raw & 0xFF));
  if (span > 0xFF) Byte(static_cast<uint8_t>((raw >> 8) & 0xFF));
  if (span > 0xFFFF) U16(static_cast<uint16_t>(raw >> 16));
}

} // namespace fuzz
