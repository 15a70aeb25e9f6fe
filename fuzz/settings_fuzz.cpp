// A settings file of arbitrary bytes: read key by key, the delays and window positions taken
// from it, then one value written. The written value reads back, every other value reads as
// before, and a file the write refuses keeps its bytes.
#include "fuzz_support.h"

#include "platform/program_info.h"
#include "platform/settings.h"

#include <QFile>
#include <utility>
#include <vector>

namespace {

using Entry = std::pair<QString, QString>; // section, key

// The entries the program reads, and the first few the file itself names.
std::vector<Entry> Entries_Of(const QByteArray& bytes) {
  std::vector<Entry> entries = {{QStringLiteral("Settings"), QStringLiteral("last_file")},
                                {QStringLiteral("Settings"), QStringLiteral("goal_compensation")},
                                {QStringLiteral("capturesettings"), QStringLiteral("friendlyname")},
                                {QStringLiteral("windowpos"), QStringLiteral("Form_Doravent")}};
  QString section;
  for (const QByteArray& raw : bytes.split('\n')) {
    if (entries.size() >= 12) break;
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      section = line.mid(1, line.size() - 2);
    } else if (const qsizetype equals = line.indexOf(QLatin1Char('=')); equals > 0 && !section.isEmpty()) {
      entries.emplace_back(section, line.left(equals));
    }
  }
  return entries;
}

QByteArray File_Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::Start(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path =
      fuzz::Write_Scratch(QStringLiteral("Doravent_HDMI.ini"), reinterpret_cast<const char*>(data), size);
  program().Settings_File_Path = path;
  const QByteArray bytes = File_Bytes(path);
  const std::vector<Entry> entries = Entries_Of(bytes);
  std::vector<QString> before;
  for (const Entry& e : entries) {
    before.push_back(Read_Ini_Value(e.first, e.second, path, QString()));
    fuzz::Check(before.back().size() <= 512, "a value is cut to 512 characters");
  }
  Load_Compensations();
  int16_t left = 10, top = 20, width = 300, height = 200;
  Get_Form_Pos(QStringLiteral("Form_Doravent"), left, top, width, height);

  const QString section = QStringLiteral("fuzz");
  const QString key = QStringLiteral("written");
  const QString value = QStringLiteral("value \u00e9 1");
  if (Write_Ini_Value(section, key, value, path) == 1) {
    fuzz::Check(Read_Ini_Value(section, key, path, QString()) == value, "a written value reads back");
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].first.compare(section, Qt::CaseInsensitive) == 0 &&
          entries[i].second.compare(key, Qt::CaseInsensitive) == 0)
        continue;
      fuzz::Check(Read_Ini_Value(entries[i].first, entries[i].second, path, QString()) == before[i],
                  "a write leaves every other value as it was");
    }
  } else {
    fuzz::Check(File_Bytes(path) == bytes, "a refused write leaves the file as it was");
  }
  fuzz::Take_Messages();
  fuzz::Take_Error_Reports();
  return 0;
}
