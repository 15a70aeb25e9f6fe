// A box press reported done is on the disk: the process is killed (SIGKILL) the moment the press
// has returned, and the recording, its audit trail and the result files all hold it.
#include "metadata/xml_header.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "recording/audit_trail.h"
#include "recording/video_file_handler.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

namespace {

QByteArray bytes_of(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Officials_Kill, ABoxPressReportedDoneSurvivesAKill) {
  Prompts_Guard prompts;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("heat.qn3"));
  const QString results = dir.filePath(QStringLiteral("results"));
  review_recordings::Spec planned;
  planned.interlaced = false;
  planned.frames = 4;
  for (int p = 1; p <= planned.frames; ++p)
    planned.capture_mills.push_back(planned.start_pc_mill + 29000 + 40 * p - 2);
  ASSERT_TRUE(review_recordings::Write(path, planned));

  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("data"))));
  env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("data")));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.setProcessEnvironment(env);
  child.start(QStringLiteral(BOX_PRESS_CHILD), {path, results, QStringLiteral("3"), QStringLiteral("4")});
  ASSERT_TRUE(child.waitForStarted(30000));
  QElapsedTimer waited;
  waited.start();
  QByteArray said;
  while (!said.contains("done\n") && child.state() == QProcess::Running && waited.elapsed() < 60000) {
    child.waitForReadyRead(100);
    said += child.readAllStandardOutput();
  }
  ASSERT_TRUE(said.contains("done\n")) << said.toStdString() << child.readAllStandardError().toStdString();
  ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGKILL), 0);
  ASSERT_TRUE(child.waitForFinished(30000));
  EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

  cls_VideoFile_handler h;
  ASSERT_TRUE(h.Open_File(path));
  EXPECT_EQ(h.Dora_Heat_time(4, false), 29120);
  const Audit_Check c =
      Check_Audit_Trail(bytes_of(Audit_Trail_Path(path)), Parse_Audit_Head(h.XML_Header().Dora_Audit_Head()));
  h.Close_File();
  ASSERT_TRUE(c.holds()) << c.why.toStdString();
  ASSERT_EQ(c.entries.size(), 1U);
  EXPECT_EQ(c.entries.at(0).command, "Box 4 button");
  EXPECT_EQ(c.entries.at(0).new_value, "29120 ms");

  const QJsonArray rows = QJsonDocument::fromJson(bytes_of(results + QStringLiteral("/heat.json"))).array();
  ASSERT_EQ(rows.size(), 6);
  EXPECT_EQ(rows.at(0).toObject()["box"].toInt(), 4);
  EXPECT_EQ(rows.at(0).toObject()["time"].toString(), "29,12");
  EXPECT_TRUE(bytes_of(results + QStringLiteral("/heat.csv")).contains("\n1,4,dog name,\"29,12\","));
  // Nothing half made is left beside them.
  EXPECT_EQ(QDir(results).entryList(QDir::Files), QStringList({"heat.csv", "heat.json"}));
}

} // namespace
