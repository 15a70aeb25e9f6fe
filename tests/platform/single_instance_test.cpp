#include "platform/single_instance.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The pid of a process that has already ended.
qint64 dead_pid() {
  QProcess process;
  process.start(QStringLiteral("true"), {});
  if (!process.waitForStarted(5000)) return 0;
  const qint64 pid = process.processId();
  process.waitForFinished(5000);
  return pid;
}

} // namespace

TEST(Single_Instance, TheSecondLockSeesTheFirstUntilItIsReleased) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Doravent.lock"));
  {
    const Single_Instance first(path);
    EXPECT_TRUE(first.Holds_Lock());
    EXPECT_FALSE(first.Another_Instance_Running());
    EXPECT_TRUE(QFileInfo::exists(path));

    const Single_Instance second(path);
    EXPECT_TRUE(second.Another_Instance_Running());
    EXPECT_FALSE(second.Holds_Lock());
  }
  EXPECT_FALSE(QFileInfo::exists(path));
  const Single_Instance later(path);
  EXPECT_FALSE(later.Another_Instance_Running());
  EXPECT_TRUE(later.Holds_Lock());
}

TEST(Single_Instance, ALockLeftByADeadProgramIsTakenOver) {
  const qint64 pid = dead_pid();
  ASSERT_GT(pid, 0);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Doravent.lock"));
  {
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(pid) + "\ndoravent\n" + QSysInfo::machineHostName().toUtf8() + "\n");
  }
  const Single_Instance instance(path);
  EXPECT_FALSE(instance.Another_Instance_Running());
  EXPECT_TRUE(instance.Holds_Lock());
}

TEST(Single_Instance, AnUnwritableFolderDoesNotStopTheProgram) {
  const Single_Instance instance(QStringLiteral("/nonexistent-folder/sub/Doravent.lock"));
  EXPECT_FALSE(instance.Another_Instance_Running());
  EXPECT_FALSE(instance.Holds_Lock());
}

TEST(Single_Instance, TheProgramLockLivesInTheDataFolderForTheRun) {
  const QString path = Single_Instance_Lock_Path();
  EXPECT_TRUE(path.startsWith(QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")))) << path.toStdString();
  EXPECT_FALSE(Another_Instance_Running());
  EXPECT_FALSE(Another_Instance_Running()); // the run's own lock is not another program
  const Single_Instance second_start;
  EXPECT_TRUE(second_start.Another_Instance_Running());
}
