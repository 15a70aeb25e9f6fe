#include "platform/settings.h"

#include "platform/number_text.h"

#include "platform/durable_file.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "platform/twips.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QSysInfo>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <system_error>
#include <unistd.h>

// The library is header-only; its implementation lives in this one file.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace {

constexpr qsizetype answer_length = 512;
// A settings file is a few kilobytes; anything this large is not one.
constexpr long max_file_bytes = 16L * 1024 * 1024;

const QString not_available = QStringLiteral("N/A");

struct Failure {
  int number = 0; // errno
  QString description;
};

Failure os_failure(int number) {
  if (number == 0) number = EIO;
  return {number, QString::fromStdString(std::generic_category().message(number))};
}

struct File_Closer {
  void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

// Loads the file into ini; a missing file is an empty one. Refuses a file it could not write
// back faithfully (unreadable, binary, huge), so such a file reads as defaults and is never
// replaced.
std::optional<Failure> load_ini(const QString& path, CSimpleIniA& ini) {
  const QByteArray name = QFile::encodeName(path);
  errno = 0;
  std::unique_ptr<std::FILE, File_Closer> file(std::fopen(name.constData(), "rb"));
  if (!file) {
    if (errno == ENOENT) return std::nullopt;
    return os_failure(errno);
  }
  std::string data;
  char chunk[8192];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    data.append(chunk, got);
    if (static_cast<long>(data.size()) > max_file_bytes) {
      return Failure{EFBIG, QStringLiteral("File too large (not a settings file)")};
    }
    if (got < sizeof chunk) break;
  }
  if (std::ferror(file.get())) return os_failure(errno);
  if (data.find('\0') != std::string::npos) {
    return Failure{EINVAL, QStringLiteral("Invalid argument (not a text settings file)")};
  }
  const SI_Error rc = ini.LoadData(data.data(), data.size());
  if (rc == SI_NOMEM) return os_failure(ENOMEM);
  if (rc < 0) return Failure{EINVAL, QStringLiteral("Invalid argument (not a settings file)")};
  return std::nullopt;
}

// Written as the system writes it: "key=value".
struct Ini_Document : CSimpleIniA {
  Ini_Document() : CSimpleIniA(false, false, false) { SetSpaces(false); }
};

// Names and values that would break the line structure of the file.
std::optional<Failure> check_entry(const QString& section, const QString& key, const QString& value) {
  static const QString line_breaks = QStringLiteral("\r\n");
  const auto has_any = [](const QString& text, const QString& chars) {
    for (const QChar c : chars)
      if (text.contains(c)) return true;
    return text.contains(QChar(0));
  };
  const bool bad_section = section.trimmed().isEmpty() || has_any(section, line_breaks + QStringLiteral("]"));
  const QString key_text = key.trimmed();
  const bool bad_key = key_text.isEmpty() || has_any(key, line_breaks + QStringLiteral("=")) ||
                       key_text.startsWith(QLatin1Char('[')) || key_text.startsWith(QLatin1Char(';')) ||
                       key_text.startsWith(QLatin1Char('#'));
  if (bad_section || bad_key || has_any(value, line_breaks)) {
    return Failure{EINVAL, QStringLiteral("Invalid argument (section, key or value not storable)")};
  }
  return std::nullopt;
}

std::optional<Failure> write_file(const QString& path, const std::string& bytes) {
  QSaveFile out(path);
  errno = 0;
  if (!out.open(QIODevice::WriteOnly)) return os_failure(errno);
  errno = 0;
  if (out.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
    const int number = errno;
    out.cancelWriting();
    return os_failure(number);
  }
  // The bytes reach the disk before the name points at them, and the name before the write is
  // reported done.
  if (::fsync(out.handle()) != 0) {
    const int number = errno;
    out.cancelWriting();
    return os_failure(number);
  }
  errno = 0;
  if (!out.commit()) return os_failure(errno);
  try {
    Sync_Folder(QFileInfo(path).absolutePath());
  } catch (const Dora_Error&) {
    return os_failure(EIO);
  }
  return std::nullopt;
}

} // namespace

QString Read_Ini_Value(const QString& section, const QString& key, const QString& file_path,
                       const QString& default_value) {
  if (file_path.isEmpty()) {
    Msg_Box(QStringLiteral("Ini_file_path is empty!"));
    return {};
  }
  QString answer;
  Ini_Document ini;
  if (const auto failure = load_ini(file_path, ini)) {
    Trace_Message("*Read_Ini_Value, unreadable " + file_path + ", " + QString::number(failure->number) + " " +
                  failure->description);
  } else {
    const char* raw = ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
    if (raw) answer = QString::fromUtf8(raw).left(answer_length);
  }
  if (!answer.isEmpty()) return answer;
  if (!default_value.isEmpty()) return default_value;
  return not_available;
}

int16_t Write_Ini_Value(const QString& section, const QString& key, const QString& value, const QString& file_path) {
  std::optional<Failure> failure;
  if (file_path.isEmpty()) failure = os_failure(ENOENT);
  if (!failure) failure = check_entry(section, key, value);
  Ini_Document ini;
  if (!failure) failure = load_ini(file_path, ini);
  if (!failure) {
    const SI_Error rc =
        ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(), value.toUtf8().constData());
    if (rc < 0) failure = os_failure(ENOMEM);
  }
  std::string bytes;
  if (!failure && ini.Save(bytes, ini.IsUnicode()) < 0) failure = os_failure(ENOMEM);
  // A key that begins with the UTF-8 signature's bytes may come first in the saved file, where
  // the next load takes them for the signature: "\xEF\xBB\xBF[Settings]=x" would turn into a
  // section that takes over the keys after it. One signature in front keeps the bytes a key.
  static const std::string signature("\xEF\xBB\xBF");
  if (!failure && !ini.IsUnicode() && bytes.compare(0, signature.size(), signature) == 0) bytes.insert(0, signature);
  if (!failure) failure = write_file(file_path, bytes);
  if (!failure) return 1;
  Msg_Box("Writing to INI file failed! Path = " + file_path + "\n" + " Error = " + QString::number(failure->number) +
              " " + failure->description,
          QStringLiteral(" QNV Error"), Prompt_Buttons::Ok, Prompt_Icon::Critical);
  return 0;
}

void Store_Form_Pos(const QString& name, int32_t left, int32_t top, int16_t width, int16_t height) {
  int32_t step = 10;
  try {
    const QString text = QStringLiteral("%1,%2,%3,%4").arg(left).arg(top).arg(width).arg(height);
    step = 20;
    Write_Ini_Value(QStringLiteral("windowpos"), name, text, program().Settings_File_Path);
  } catch (...) {
    Msg_Box("Store_Form_Pos error" + QString::number(step));
  }
}

void Get_Form_Pos(const QString& name, int16_t& left, int16_t& top, int16_t& width, int16_t& height) {
  int32_t step = 10;
  try {
    const QString text =
        Read_Ini_Value(QStringLiteral("windowpos"), name, program().Settings_File_Path, QStringLiteral("0,0"));
    step = 20;
    const QStringList items = text.split(QLatin1Char(','));
    // Twips of a wide screen exceed 16 bits in the text, so positions are checked as 64-bit.
    int64_t new_left = left;
    int64_t new_top = top;
    int16_t new_width = width;
    int16_t new_height = height;
    constexpr int64_t any_low = std::numeric_limits<int64_t>::min();
    constexpr int64_t any_high = std::numeric_limits<int64_t>::max();
    // A stored 0 (the default "0,0") keeps the caller's position; one far off-screen is clamped below.
    const auto take_position = [](int64_t stored, int64_t& target) {
      if (stored > 0 || stored < -150) target = stored;
    };
    step = 30;
    take_position(Whole_Number(items.at(0), any_low, any_high), new_left);
    step = 40;
    if (items.size() >= 2) take_position(Whole_Number(items.at(1), any_low, any_high), new_top);
    step = 50;
    if (items.size() >= 3) new_width = static_cast<int16_t>(Whole_Number(items.at(2), INT16_MIN, INT16_MAX));
    step = 60;
    if (items.size() >= 4) new_height = static_cast<int16_t>(Whole_Number(items.at(3), INT16_MIN, INT16_MAX));
    step = 70;
    const QSize screen = Screen_Size_Twips();
    const auto clamp = [&screen](int64_t v, int32_t screen_extent) -> int16_t {
      if (v < -150) return 0;
      if (!screen.isEmpty() && v > screen_extent) return 0;
      // A position a 16-bit value cannot hold cannot be restored; the window comes back at the edge.
      if (v > INT16_MAX) return 0;
      return static_cast<int16_t>(v);
    };
    left = clamp(new_left, screen.width());
    top = clamp(new_top, screen.height());
    width = new_width;
    height = new_height;
  } catch (...) {
    Msg_Box("Get_Form_Pos error " + QString::number(step));
  }
}

namespace {

QString bits_text(bool is_64) { return is_64 ? QStringLiteral("64-bit") : QStringLiteral("32-bit"); }

QString os_bitness_text() { return bits_text(QSysInfo::currentCpuArchitecture().contains(QLatin1String("64"))); }

// The processor can be 64-bit under a 32-bit system: on x86 its "lm" flag tells.
QString cpu_bitness_text() {
  QFile info(QStringLiteral("/proc/cpuinfo"));
  if (info.open(QIODevice::ReadOnly | QIODevice::Text)) {
    while (!info.atEnd()) {
      const QString line = QString::fromLatin1(info.readLine(1 << 16));
      if (!line.startsWith(QLatin1String("flags"))) continue;
      const QStringList flags = line.section(QLatin1Char(':'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
      return bits_text(flags.contains(QLatin1String("lm")));
    }
  }
  return os_bitness_text();
}

QString cached_bitness(const QString& key, QString (*compute)()) {
  const QString& path = program().Settings_File_Path;
  QString value = Read_Ini_Value(QStringLiteral("Settings"), key, path, not_available);
  if (value == not_available) {
    value = compute();
    Write_Ini_Value(QStringLiteral("Settings"), key, value, path);
  }
  return value;
}

} // namespace

void Check_Bitness() {
  int32_t step = 10;
  try {
    program().OS_Bitness = cached_bitness(QStringLiteral("osbitness"), os_bitness_text);
    step = 20;
    program().CPU_Bitness = cached_bitness(QStringLiteral("cpubitness"), cpu_bitness_text);
  } catch (...) {
    report_current_exception(step, QStringLiteral("Check_Bitness of Module Module_Ini"));
  }
}

void Load_Compensations() {
  int32_t step = 10;
  QString extra;
  try {
    const QString& path = program().Settings_File_Path;
    const QString section = QStringLiteral("Settings");
    const QString split = Read_Ini_Value(section, QStringLiteral("split_compensation"), path, QStringLiteral("200"));
    const QString goal = Read_Ini_Value(section, QStringLiteral("goal_compensation"), path, QStringLiteral("200"));
    const QString box = Read_Ini_Value(section, QStringLiteral("box_delay"), path, QStringLiteral("0"));
    // All three are converted before any is taken, so a bad one leaves every delay as it was.
    step = 20;
    extra = "split_compensation = " + split;
    const int32_t split_ms = Whole_Int32(split);
    step = 30;
    extra = "goal_compensation = " + goal;
    const int32_t goal_ms = Whole_Int32(goal);
    step = 40;
    extra = "box_delay = " + box;
    const int32_t box_ms = Whole_Int32(box);
    program().Split_Delay_Ms = split_ms;
    program().Goal_Delay_Ms = goal_ms;
    program().Box_Delay_Ms = box_ms;
  } catch (...) {
    report_current_exception(step, QStringLiteral("Load_Compensations of Form Form_Doravent"), extra);
  }
}

bool Setting_Checked(const QString& key, bool default_on) {
  const QString& path = program().Settings_File_Path;
  if (path.isEmpty()) return default_on;
  bool ok = false;
  const int number =
      Read_Ini_Value(QStringLiteral("Settings"), key, path, default_on ? QStringLiteral("1") : QStringLiteral("0"))
          .trimmed()
          .toInt(&ok);
  return ok && number != 0;
}

int64_t Setting_Number(const QString& key, int64_t fallback) {
  const QString& path = program().Settings_File_Path;
  if (path.isEmpty()) return fallback;
  bool ok = false;
  const int64_t number = Read_Ini_Value(QStringLiteral("Settings"), key, path, QString()).trimmed().toLongLong(&ok);
  return ok ? number : fallback;
}
