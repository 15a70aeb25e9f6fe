#include "platform/trace.h"

#include "mock/fake_clock.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Stands in for the viewer: a datagram socket bound at the trace path.
class Listener {
public:
  Listener() {
    const QByteArray path = Trace_Socket_Path().toLocal8Bit();
    ::unlink(path.constData());
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()) + 1);
    bound_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    timeval timeout{0, 200000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  }
  ~Listener() {
    ::close(fd_);
    ::unlink(Trace_Socket_Path().toLocal8Bit().constData());
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  bool bound() const { return bound_; }
  // Empty when nothing arrived within the time-out.
  QByteArray receive() {
    char buffer[4096];
    const ssize_t got = ::recv(fd_, buffer, sizeof(buffer), 0);
    return got > 0 ? QByteArray(buffer, static_cast<qsizetype>(got)) : QByteArray();
  }

private:
  int fd_ = -1;
  bool bound_ = false;
};

TEST(Trace_Message_Text, EveryValueAndArrayElementIsFollowedByATab) {
  const int three[] = {1, 2, 3};
  const std::vector<QString> texts{QStringLiteral("a"), QStringLiteral("b")};
  const struct {
    QString got;
    const char* expected;
  } cases[] = {
      {Trace_Message_Text(12, "abc"), "12\tabc\t"},
      {Trace_Message_Text(three), "1\t2\t3\t"},
      {Trace_Message_Text(QStringLiteral("*x = "), texts, true, 2.5), "*x = \ta\tb\tTrue\t2.5\t"},
      {Trace_Message_Text(int16_t{-7}, std::string("s")), "-7\ts\t"},
      {Trace_Message_Text(), ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.got, QString::fromUtf8(c.expected));
}

TEST(Trace_Channel, SendsOneLinePerCallInTheViewerFormat) {
  Fake_Clock clock;
  Listener viewer;
  ASSERT_TRUE(viewer.bound());
  Reset_Trace_Search_For_Tests();

  Trace_Message(12, "abc");
  const QString line = QString::fromLatin1(viewer.receive());
  const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  const QRegularExpression format(QStringLiteral("^%1 C: %2: \\d+: 20260517 143000: 12\tabc\t$")
                                      .arg(QRegularExpression::escape(name))
                                      .arg(::getpid()));
  EXPECT_TRUE(format.match(line).hasMatch()) << line.toStdString();

  const char* three[] = {"x", "y", "z"};
  Trace_Message(three);
  EXPECT_TRUE(viewer.receive().endsWith(": x\ty\tz\t"));
  Trace_Text(QStringLiteral("*Stop_Camera"));
  EXPECT_TRUE(viewer.receive().endsWith(": *Stop_Camera\t"));
  Reset_Trace_Search_For_Tests();
}

TEST(Trace_Channel, ViewerStartedAfterTheFirstCallIsNeverUsed) {
  Reset_Trace_Search_For_Tests();
  ::unlink(Trace_Socket_Path().toLocal8Bit().constData());
  EXPECT_FALSE(Trace_Window_Present());
  Trace_Message("before");

  Listener viewer;
  ASSERT_TRUE(viewer.bound());
  Trace_Message("after");
  EXPECT_FALSE(Trace_Window_Present());
  EXPECT_TRUE(viewer.receive().isEmpty());
  Reset_Trace_Search_For_Tests();
}

// Only a socket of our own at the trace path is a viewer: a link to one, or a plain file, is not.
TEST(Trace_Channel, ALinkOrFileInTheViewersPlaceIsNeverUsed) {
  const QByteArray path = Trace_Socket_Path().toLocal8Bit();
  const QByteArray elsewhere = path + ".elsewhere";
  {
    Listener viewer; // bound at the path, then moved away with a link left in its place
    ASSERT_TRUE(viewer.bound());
    ASSERT_EQ(::rename(path.constData(), elsewhere.constData()), 0);
    ASSERT_EQ(::symlink(elsewhere.constData(), path.constData()), 0);
    Reset_Trace_Search_For_Tests();
    EXPECT_FALSE(Trace_Window_Present());
    Trace_Message("not for the link");
    ::unlink(path.constData());
    ASSERT_EQ(::rename(elsewhere.constData(), path.constData()), 0);
    EXPECT_TRUE(viewer.receive().isEmpty());
  }
  QFile plain(QString::fromLocal8Bit(path));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  Reset_Trace_Search_For_Tests();
  EXPECT_FALSE(Trace_Window_Present());
  ::unlink(path.constData());
  Reset_Trace_Search_For_Tests();
}

// The viewer program prints each datagram as a line and removes its socket on SIGTERM.
TEST(Trace_Viewer, PrintsLinesAndCleansUpOnTerminate) {
  const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/doravent-trace");
  if (!QFileInfo(program).isExecutable()) GTEST_SKIP() << "viewer not built";
  const QString socket_path = Trace_Socket_Path();
  // A file left behind by a viewer that died must not stop a new one.
  QFile stale(socket_path);
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.close();

  QProcess viewer;
  viewer.start(program, {});
  ASSERT_TRUE(viewer.waitForStarted());
  // The viewer announces itself on stderr once it is bound.
  viewer.setReadChannel(QProcess::StandardError);
  QByteArray announced;
  for (int i = 0; i < 50 && !announced.contains("listening"); ++i) {
    viewer.waitForReadyRead(100);
    announced += viewer.readAll();
  }
  ASSERT_TRUE(announced.contains("listening")) << announced.toStdString();
  viewer.setReadChannel(QProcess::StandardOutput);

  Reset_Trace_Search_For_Tests();
  Trace_Message("*one");
  Trace_Message("*two", 2);
  QByteArray out;
  for (int i = 0; i < 50 && out.count('\n') < 2; ++i) {
    viewer.waitForReadyRead(100);
    out += viewer.readAll();
  }
  const QList<QByteArray> lines = out.split('\n');
  ASSERT_GE(lines.size(), 2);
  EXPECT_TRUE(lines[0].endsWith(": *one\t"));
  EXPECT_TRUE(lines[1].endsWith(": *two\t2\t"));

  viewer.terminate();
  ASSERT_TRUE(viewer.waitForFinished(5000));
  EXPECT_EQ(viewer.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(viewer.exitCode(), 0);
  EXPECT_FALSE(QFileInfo::exists(socket_path));
  Reset_Trace_Search_For_Tests();
}

} // namespace
