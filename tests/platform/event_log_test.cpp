#include "platform/event_log.h"

#include "mock/fake_clock.h"
#include "mock/scripted_prompts.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray read_all(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

class Event_Log : public ::testing::Test {
protected:
  void SetUp() override {
    QFile::remove(Event_Log_Path());
    QDir(Event_Log_Path()).removeRecursively();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(Event_Log, LinesAreStampedWithoutBlankAndAppended) {
  Fake_Clock clock;
  Prompts_Guard prompts;
  const QString stamp = General_Date_Text(clock.local);
  ASSERT_FALSE(stamp.isEmpty());

  Log_Event(QStringLiteral("Deinterlace, size mismatch for file = a.qn3"));
  clock.advance(61000);
  const QString later = General_Date_Text(clock.local);
  Log_Event(QStringLiteral("x\xe9")); // one character beyond ASCII, written as one Latin-1 byte

  const QByteArray expected =
      stamp.toLatin1() + "Deinterlace, size mismatch for file = a.qn3\r\n" + later.toLatin1() + "x\xe9\r\n";
  EXPECT_EQ(read_all(Event_Log_Path()), expected);
  EXPECT_TRUE(Event_Log_Path().endsWith(QStringLiteral("/Doravent_eventlog.txt")));
  EXPECT_TRUE(Error_Log_Path().endsWith(QStringLiteral("/Doravent_errlog.txt")));
  EXPECT_TRUE(prompts->seen.empty());
}

TEST_F(Event_Log, UnwritableLogShowsLogErrorAndContinues) {
  Prompts_Guard prompts;
  // A folder in the file's place cannot be opened for appending, even by root.
  ASSERT_TRUE(QDir().mkpath(Event_Log_Path()));
  Log_Event(QStringLiteral("lost"));
  ASSERT_EQ(prompts->messages().size(), 1);
  EXPECT_TRUE(prompts->messages().front().startsWith(QStringLiteral("Log error")));
  EXPECT_TRUE(prompts->messages().front().endsWith(QStringLiteral(" 75")));
}

TEST(Append_Log_Lines, EmptyPathFailsInsteadOfWritingToTheWorkingFolder) {
  EXPECT_THROW(Append_Log_Lines(QString(), {QStringLiteral("x")}), std::exception);
  EXPECT_FALSE(QFile::exists(QStringLiteral("x")));
}

} // namespace
