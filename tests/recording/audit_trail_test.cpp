#include "recording/audit_trail.h"

#include "platform/error_report.h"
#include "platform/user_folders.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

const QDateTime when(QDate(2026, 5, 17), QTime(14, 30, 0));

// Five entries made by three commands, and the head a recording would name.
struct Trail {
  QByteArray bytes;
  Audit_Head head;
};
Trail five_entries() {
  Trail t;
  t.bytes += Audit_Lines(t.head, when, QStringLiteral("Box 3 button"), {{"box 3 time", "not set", "31250 ms"}});
  t.bytes += Audit_Lines(t.head, when.addSecs(5), QStringLiteral("Dead heat \"quoted\""),
                         {{"box 5 time", "not set", "31250 ms"}, {"box 5 dead heat", "no", "yes"}});
  t.bytes += Audit_Lines(t.head, when.addSecs(9), QStringLiteral("Change dog name"),
                         {{"box 2 dog name", "Rex", QString::fromLatin1("R\xe9x\nII")}, {"event", "", "Spring Cup"}});
  return t;
}

QList<QByteArray> lines_of(const QByteArray& bytes) {
  QList<QByteArray> lines = bytes.split('\n');
  lines.removeLast();
  return lines;
}
QByteArray join(const QList<QByteArray>& lines) {
  QByteArray bytes;
  for (const QByteArray& l : lines)
    bytes += l + '\n';
  return bytes;
}

TEST(Audit_Trail, EntriesChainAndReadBack) {
  const Trail t = five_entries();
  EXPECT_EQ(t.head.count, 5);
  const Audit_Check c = Check_Audit_Trail(t.bytes, t.head);
  ASSERT_TRUE(c.holds()) << c.why.toStdString();
  ASSERT_EQ(c.entries.size(), 5U);
  EXPECT_EQ(c.head, t.head);
  EXPECT_EQ(c.entries.at(0).n, 1);
  EXPECT_EQ(c.entries.at(0).time, "2026-05-17 14:30:00.000");
  EXPECT_EQ(c.entries.at(1).command, "Dead heat \"quoted\"");
  EXPECT_EQ(c.entries.at(2).what, "box 5 dead heat");
  EXPECT_EQ(c.entries.at(3).new_value, QString::fromLatin1("R\xe9x\nII"));
  EXPECT_EQ(lines_of(t.bytes).size(), 5); // a line break in a value stays inside its entry
  EXPECT_TRUE(lines_of(t.bytes).at(0).startsWith("{\"n\":1,\"time\":\"2026-05-17 14:30:00.000\""));
  EXPECT_TRUE(lines_of(t.bytes).at(0).contains(QByteArray(64, '0'))); // the first follows no entry

  // The head as the header stores it.
  EXPECT_EQ(Parse_Audit_Head(Audit_Head_Text(t.head)), t.head);
  for (const char* bad : {"", "5", "x:abc",
                          "-1:"
                          "0000000000000000000000000000000000000000000000000000000000000000",
                          "5:ABCDEF"})
    EXPECT_FALSE(Parse_Audit_Head(QString::fromLatin1(bad))) << bad;
  // Without a named head the trail still checks against itself.
  EXPECT_TRUE(Check_Audit_Trail(t.bytes, std::nullopt).holds());
  EXPECT_TRUE(Check_Audit_Trail({}, std::nullopt).holds());
  EXPECT_TRUE(Check_Audit_Trail({}, Audit_Head{}).holds());
}

struct Tamper_Case {
  const char* what;
  std::function<QByteArray(const QList<QByteArray>&)> tamper;
  int32_t break_at;
  const char* why;
};

QList<QByteArray> without(QList<QByteArray> lines, qsizetype i) {
  lines.removeAt(i);
  return lines;
}
QList<QByteArray> edited(QList<QByteArray> lines, qsizetype i, const QByteArray& from, const QByteArray& to) {
  lines[i].replace(from, to);
  return lines;
}
// An edit whose own hash is made again, as a careful forger would.
QList<QByteArray> rehashed(QList<QByteArray> lines, qsizetype i, const QString& new_value) {
  const QByteArray body = lines[i].left(lines[i].lastIndexOf(",\"hash\"")) + '}';
  const QJsonObject o = QJsonDocument::fromJson(body).object();
  Audit_Head before{static_cast<int32_t>(i), o["prev"].toString().toLatin1()};
  const QDateTime time = QDateTime::fromString(o["time"].toString(), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
  QByteArray line =
      Audit_Lines(before, time, o["command"].toString(), {{o["what"].toString(), o["old"].toString(), new_value}});
  line.chop(1);
  lines[i] = line;
  return lines;
}

TEST(Audit_Trail, RemovingOrEditingAnEntryBreaksTheChainThere) {
  const Trail t = five_entries();
  const std::vector<Tamper_Case> cases = {
      {"first entry removed", [](const auto& l) { return join(without(l, 0)); }, 1,
       "entry 1 is missing: the entry in its place is entry 2"},
      {"middle entry removed", [](const auto& l) { return join(without(l, 2)); }, 3,
       "entry 3 is missing: the entry in its place is entry 4"},
      {"last entry removed", [](const auto& l) { return join(without(l, 4)); }, 5,
       "entry 5 is missing: the recording names 5 entries"},
      {"a value edited", [](const auto& l) { return join(edited(l, 0, "31250 ms", "31240 ms")); }, 1,
       "entry 1 was changed: its hash does not match its text"},
      {"a time of day edited", [](const auto& l) { return join(edited(l, 3, "14:30:09", "14:31:09")); }, 4,
       "entry 4 was changed: its hash does not match its text"},
      {"an edit with its own hash made again", [](const auto& l) { return join(rehashed(l, 1, "31240 ms")); }, 2,
       "entry 2 was changed: entry 3 follows another entry"},
      {"the last entry edited with its hash made again", [](const auto& l) { return join(rehashed(l, 4, "Derby")); }, 5,
       "entry 5 was changed: the recording names another last entry"},
      {"two entries swapped",
       [](auto l) {
         l.swapItemsAt(1, 2);
         return join(l);
       },
       2, "entry 2 is missing: the entry in its place is entry 3"},
      {"an entry doubled",
       [](auto l) {
         l.insert(2, l.at(1));
         return join(l);
       },
       3, "entry 3 is out of place: it says it is entry 2"},
      {"a line made unreadable", [](const auto& l) { return join(edited(l, 2, "{", "[")); }, 3,
       "entry 3 is not a trail entry: it was changed or damaged"},
      {"the end of the last line lost", [](const auto& l) { return join(l).chopped(20) + '\n'; }, 5,
       "entry 5 is not a trail entry: it was changed or damaged"},
      {"a line break lost at the end", [](const auto& l) { return join(l).chopped(1); }, 5,
       "entry 5 is cut short: its write did not finish"},
      {"an entry added that the recording does not name",
       [&t](const auto& l) {
         Audit_Head head = t.head;
         return join(l) + Audit_Lines(head, when, QStringLiteral("Box 1 button"), {{"box 1 time", "a", "b"}});
       },
       6, "entry 6 is not named by the recording, which names 5 entries"},
  };
  for (const Tamper_Case& c : cases) {
    const Audit_Check check = Check_Audit_Trail(c.tamper(lines_of(t.bytes)), t.head);
    EXPECT_EQ(check.break_at, c.break_at) << c.what;
    EXPECT_EQ(check.why, QString::fromLatin1(c.why)) << c.what;
  }
}

TEST(Audit_Trail, AFileIsReadWithABound) {
  const QString path = Local_AppData_Folder() + QStringLiteral("bound.qn3.audit");
  QFile::remove(path);
  EXPECT_TRUE(Read_Audit_Trail(path).isEmpty());
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(65LL * 1024 * 1024)); // sparse: no disk space taken
  }
  EXPECT_THROW(Read_Audit_Trail(path), Dora_Error);
  QFile::remove(path);
  EXPECT_EQ(Audit_Trail_Path(QStringLiteral("/races/heat 3.qn3")), "/races/heat 3.qn3.audit");
}

} // namespace
