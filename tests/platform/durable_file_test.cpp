#include "platform/durable_file.h"

#include "platform/error_report.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray bytes_of(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Durable_File, WholeFilesAreReplacedAndNothingElseIsLeftBeside) {
  QTemporaryDir dir;
  const QString a = dir.filePath(QStringLiteral("heat.csv"));
  const QString b = dir.filePath(QStringLiteral("heat.json"));
  Write_Files_Durably({{a, "old a"}, {b, "old b"}});
  Write_Files_Durably({{a, "new a, longer"}, {b, ""}});
  EXPECT_EQ(bytes_of(a), "new a, longer");
  EXPECT_EQ(bytes_of(b), "");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"heat.csv", "heat.json"}));
}

// A file that cannot be replaced is reported, and it and the files after it stay as they were.
TEST(Durable_File, AFailedReplaceLeavesTheOldFiles) {
  QTemporaryDir dir;
  const QString a = dir.filePath(QStringLiteral("a.csv"));
  const QString b = dir.filePath(QStringLiteral("b.json"));
  Write_Files_Durably({{a, "a1"}, {b, "b1"}});
  const QString missing = dir.filePath(QStringLiteral("no folder/x.csv"));
  try {
    Write_Files_Durably({{missing, "x"}, {b, "b2"}});
    ADD_FAILURE() << "no failure reported";
  } catch (const Dora_Error& e) {
    EXPECT_EQ(e.number(), 75);
    EXPECT_TRUE(QString::fromStdString(e.what()).contains(missing)) << e.what();
  }
  EXPECT_EQ(bytes_of(b), "b1");
  EXPECT_THROW(Write_File_Durably(dir.path(), "a folder is no file"), Dora_Error);
}

TEST(Durable_File, AppendsGoToTheEnd) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("heat.qn3.audit"));
  Append_Durably(path, "one\n");
  Append_Durably(path, "");
  Append_Durably(path, "two\n");
  EXPECT_EQ(bytes_of(path), "one\ntwo\n");
  EXPECT_THROW(Append_Durably(dir.path(), "x"), Dora_Error);
  EXPECT_THROW(Append_Durably(dir.filePath(QStringLiteral("none/x")), "x"), Dora_Error);
  EXPECT_THROW(Sync_Folder(dir.filePath(QStringLiteral("none"))), Dora_Error);
}

// A write the file system stops part-way (here the file size limit) is cut back off: the file
// ends where it ended, never in half a line.
TEST(Durable_File, AnAppendCutShortIsTakenBack) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("limited.audit"));
  Append_Durably(path, QByteArray(1000, 'a'));
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit limited = old;
  limited.rlim_cur = 1500;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  // Past the limit the kernel would stop the process; the signal is ignored so the write fails.
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  EXPECT_THROW(Append_Durably(path, QByteArray(1000, 'b')), Dora_Error);
  std::signal(SIGXFSZ, previous);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
  EXPECT_EQ(bytes_of(path), QByteArray(1000, 'a'));
}

} // namespace
