#include "timing/race_script.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace {

constexpr int64_t Max_Script_Bytes = 1 << 20;
constexpr int64_t Max_At_Ms = 24LL * 3600 * 1000; // a day of racing

struct Name {
  const char* text;
  Race_Action action;
};
constexpr Name Names[] = {{"camera", Race_Action::Camera},       {"initiate", Race_Action::Initiate},
                          {"input", Race_Action::Input},         {"finish", Race_Action::Finish},
                          {"open-last", Race_Action::Open_Last}, {"quit", Race_Action::Quit}};

} // namespace

QString Race_Script_Error::Message(const QString& file) const {
  if (line == 0) return QStringLiteral("Race script %1: %2").arg(file, why);
  return QStringLiteral("Race script %1, line %2 (\"%3\"): %4").arg(file).arg(line).arg(text, why);
}

std::optional<std::vector<Race_Command>> Parse_Race_Script(const QString& text, Race_Script_Error& error) {
  std::vector<Race_Command> commands;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype n = 0; n < lines.size(); ++n) {
    QString line = lines.at(n);
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const auto fail = [&](const QString& why) {
      error = {static_cast<int32_t>(n + 1), line.trimmed(), why};
      return std::nullopt;
    };
    const qsizetype hash = line.indexOf(QLatin1Char('#'));
    const QStringList words =
        (hash >= 0 ? line.left(hash) : line).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty()) continue;
    bool ok = false;
    const qlonglong at = words.at(0).toLongLong(&ok);
    if (!ok || at < 0 || at > Max_At_Ms)
      return fail(QStringLiteral("the time must be a whole number of milliseconds from 0 to %1").arg(Max_At_Ms));
    if (words.size() < 2) return fail(QStringLiteral("a command must follow the time"));
    const auto name = std::find_if(std::begin(Names), std::end(Names),
                                   [&](const Name& x) { return words.at(1) == QLatin1String(x.text); });
    if (name == std::end(Names))
      return fail(
          QStringLiteral("unknown command \"%1\" (camera, initiate, input, finish, open-last, quit)").arg(words.at(1)));
    Race_Command c;
    c.at_ms = static_cast<int32_t>(at);
    c.action = name->action;
    c.line = static_cast<int32_t>(n + 1);
    if (c.action == Race_Action::Input) {
      if (words.size() != 4) return fail(QStringLiteral("input takes an input (0-5) and a state (0 or 1)"));
      const int index = words.at(2).toInt(&ok);
      if (!ok || index < 0 || index > 5) return fail(QStringLiteral("the input must be 0 to 5"));
      if (words.at(3) != QLatin1String("0") && words.at(3) != QLatin1String("1"))
        return fail(QStringLiteral("the state must be 0 (open) or 1 (closed)"));
      c.input = index;
      c.closed = words.at(3) == QLatin1String("1");
    } else if (words.size() != 2) {
      return fail(QStringLiteral("%1 takes nothing after it").arg(words.at(1)));
    }
    commands.push_back(c);
  }
  std::stable_sort(commands.begin(), commands.end(),
                   [](const Race_Command& a, const Race_Command& b) { return a.at_ms < b.at_ms; });
  return commands;
}

std::optional<std::vector<Race_Command>> Read_Race_Script(const QString& path, Race_Script_Error& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = {0, {}, QStringLiteral("cannot be read: ") + file.errorString()};
    return std::nullopt;
  }
  if (file.size() > Max_Script_Bytes) {
    error = {0, {}, QStringLiteral("is larger than a race script can be (1 MB)")};
    return std::nullopt;
  }
  return Parse_Race_Script(QString::fromUtf8(file.readAll()), error);
}
