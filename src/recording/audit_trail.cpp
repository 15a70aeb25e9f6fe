#include "recording/audit_trail.h"

#include "platform/error_report.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// A trail gains a few lines per change; anything this large is no trail.
constexpr qint64 Max_Trail_Bytes = 64LL * 1024 * 1024;
const QByteArray Hash_Key = QByteArrayLiteral(",\"hash\":\"");

QByteArray sha256_hex(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

bool is_hash(const QByteArray& text) {
  static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
  return hex.match(QString::fromLatin1(text)).hasMatch();
}

// A JSON string literal, quotes included.
QByteArray json_string(const QString& text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);
}

// The entry's text without its own hash: what the hash is taken of.
QByteArray entry_body(const Audit_Entry& e, const QByteArray& prev) {
  return "{\"n\":" + QByteArray::number(e.n) + ",\"time\":" + json_string(e.time) +
         ",\"command\":" + json_string(e.command) + ",\"what\":" + json_string(e.what) +
         ",\"old\":" + json_string(e.old_value) + ",\"new\":" + json_string(e.new_value) + ",\"prev\":\"" + prev +
         "\"}";
}

struct Parsed_Line {
  Audit_Entry entry;
  QByteArray prev;
  QByteArray hash;
  bool hash_matches = false;
};

std::optional<Parsed_Line> parse_line(const QByteArray& line) {
  const qsizetype at = line.lastIndexOf(Hash_Key);
  if (at < 0 || !line.endsWith("\"}")) return std::nullopt;
  Parsed_Line p;
  p.hash = line.mid(at + Hash_Key.size(), line.size() - at - Hash_Key.size() - 2);
  if (!is_hash(p.hash)) return std::nullopt;
  const QByteArray body = line.left(at) + '}';
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject o = doc.object();
  const QJsonValue n = o.value(QStringLiteral("n"));
  if (!n.isDouble() || n.toDouble() < 1 || n.toDouble() > INT32_MAX) return std::nullopt;
  p.entry.n = static_cast<int32_t>(n.toInteger());
  p.entry.time = o.value(QStringLiteral("time")).toString();
  p.entry.command = o.value(QStringLiteral("command")).toString();
  p.entry.what = o.value(QStringLiteral("what")).toString();
  p.entry.old_value = o.value(QStringLiteral("old")).toString();
  p.entry.new_value = o.value(QStringLiteral("new")).toString();
  p.prev = o.value(QStringLiteral("prev")).toString().toLatin1();
  if (!is_hash(p.prev)) return std::nullopt;
  p.hash_matches = sha256_hex(body) == p.hash;
  return p;
}

QString entry_name(int32_t n) { return QStringLiteral("entry ") + QString::number(n); }

} // namespace

QString Audit_Head_Text(const Audit_Head& head) {
  return QString::number(head.count) + QLatin1Char(':') + QString::fromLatin1(head.hash);
}

std::optional<Audit_Head> Parse_Audit_Head(const QString& text) {
  const qsizetype colon = text.indexOf(QLatin1Char(':'));
  if (colon < 1) return std::nullopt;
  bool ok = false;
  const int count = text.left(colon).toInt(&ok);
  const QByteArray hash = text.mid(colon + 1).trimmed().toLatin1();
  if (!ok || count < 0 || !is_hash(hash)) return std::nullopt;
  return Audit_Head{count, hash};
}

QString Audit_Trail_Path(const QString& recording_path) { return recording_path + QStringLiteral(".audit"); }

QByteArray Audit_Lines(Audit_Head& head, const QDateTime& when, const QString& command,
                       const std::vector<Audit_Change>& changes) {
  QByteArray lines;
  const QString time = when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
  for (const Audit_Change& change : changes) {
    const Audit_Entry entry{head.count + 1, time, command, change.what, change.old_value, change.new_value, {}};
    const QByteArray body = entry_body(entry, head.hash);
    const QByteArray hash = sha256_hex(body);
    lines += body.left(body.size() - 1) + Hash_Key + hash + "\"}\n";
    head = {entry.n, hash};
  }
  return lines;
}

Audit_Check Check_Audit_Trail(const QByteArray& trail, const std::optional<Audit_Head>& named_head) {
  Audit_Check check;
  const auto broken = [&check](int32_t at, const QString& why) {
    if (check.break_at != 0) return;
    check.break_at = at;
    check.why = why;
  };
  QList<QByteArray> lines = trail.split('\n');
  // The last piece is what follows the last line end: empty unless a write was cut short.
  const QByteArray unfinished = lines.takeLast();
  Audit_Head chain; // the chain as it should run, entry by entry
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const auto at = static_cast<int32_t>(i + 1);
    const std::optional<Parsed_Line> parsed = parse_line(lines.at(i));
    if (!parsed) {
      broken(at, entry_name(at) + QStringLiteral(" is not a trail entry: it was changed or damaged"));
      chain = {at, QByteArray(64, '?')};
      continue;
    }
    const Parsed_Line& p = *parsed;
    check.entries.push_back(p.entry);
    check.entries.back().hash = p.hash;
    check.head = {p.entry.n, p.hash};
    if (!p.hash_matches) {
      broken(at, entry_name(at) + QStringLiteral(" was changed: its hash does not match its text"));
    } else if (p.entry.n > at) {
      broken(at, entry_name(at) + QStringLiteral(" is missing: the entry in its place is entry ") +
                     QString::number(p.entry.n));
    } else if (p.entry.n < at) {
      broken(at,
             entry_name(at) + QStringLiteral(" is out of place: it says it is entry ") + QString::number(p.entry.n));
    } else if (p.prev != chain.hash) {
      if (at == 1)
        broken(at, QStringLiteral("entry 1 does not start a trail: it follows another entry"));
      else
        broken(at - 1, entry_name(at - 1) + QStringLiteral(" was changed: ") + entry_name(at) +
                           QStringLiteral(" follows another entry"));
    }
    chain = {at, p.hash};
  }
  const auto count = static_cast<int32_t>(lines.size());
  if (!unfinished.isEmpty())
    broken(count + 1, entry_name(count + 1) + QStringLiteral(" is cut short: its write did not finish"));
  if (named_head) {
    if (named_head->count > count)
      broken(count + 1, entry_name(count + 1) + QStringLiteral(" is missing: the recording names ") +
                            QString::number(named_head->count) + QStringLiteral(" entries"));
    else if (named_head->count < count)
      broken(named_head->count + 1, entry_name(named_head->count + 1) +
                                        QStringLiteral(" is not named by the recording, which names ") +
                                        QString::number(named_head->count) + QStringLiteral(" entries"));
    else if (count > 0 && named_head->hash != chain.hash)
      broken(count, entry_name(count) + QStringLiteral(" was changed: the recording names another last entry"));
  }
  return check;
}

std::optional<Entry_Range> Interrupted_Change(const Audit_Check& whole, const Audit_Head& named_head) {
  const auto count = static_cast<int32_t>(whole.entries.size());
  if (!whole.holds() || named_head.count < 0 || named_head.count >= count) return std::nullopt;
  // The named head must be an entry of this chain: the one just before the change.
  const QByteArray at_head =
      named_head.count == 0 ? QByteArray(64, '0') : whole.entries.at(static_cast<size_t>(named_head.count - 1)).hash;
  if (named_head.hash != at_head) return std::nullopt;
  const Audit_Entry& first = whole.entries.at(static_cast<size_t>(named_head.count));
  for (int32_t i = named_head.count; i < count; ++i) {
    const Audit_Entry& e = whole.entries.at(static_cast<size_t>(i));
    if (e.time != first.time || e.command != first.command) return std::nullopt;
  }
  return Entry_Range{named_head.count + 1, count};
}

Audit_Change Interrupted_Marker(const Entry_Range& range) {
  return {Interrupted_What, QStringLiteral("entries %1-%2").arg(range.first).arg(range.last),
          QStringLiteral("not in the recording")};
}

std::optional<Entry_Range> Marked_Range(const Audit_Entry& entry) {
  if (entry.what != Interrupted_What) return std::nullopt;
  static const QRegularExpression range(QStringLiteral("^entries (\\d+)-(\\d+)$"));
  const QRegularExpressionMatch m = range.match(entry.old_value);
  if (!m.hasMatch()) return std::nullopt;
  const Entry_Range r{m.captured(1).toInt(), m.captured(2).toInt()};
  if (r.first < 1 || r.last < r.first || r.last >= entry.n) return std::nullopt;
  return r;
}

QByteArray Read_Audit_Trail(const QString& path) {
  QFile file(path);
  if (!file.exists()) return {};
  if (!QFileInfo(path).isFile())
    throw Dora_Error(75, QStringLiteral("Path/File access error: ") + path + QStringLiteral(" is no plain file"));
  if (!file.open(QIODevice::ReadOnly))
    throw Dora_Error(75, QStringLiteral("Path/File access error: ") + path + QStringLiteral(": ") + file.errorString());
  if (file.size() > Max_Trail_Bytes)
    throw Dora_Error(7, QStringLiteral("Out of memory: ") + path + QStringLiteral(" is too large for an audit trail"));
  const QByteArray bytes = file.read(Max_Trail_Bytes + 1);
  if (bytes.size() > Max_Trail_Bytes)
    throw Dora_Error(7, QStringLiteral("Out of memory: ") + path + QStringLiteral(" is too large for an audit trail"));
  return bytes;
}
