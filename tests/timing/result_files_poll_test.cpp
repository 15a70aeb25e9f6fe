// A scoreboard polling the results folder while the result changes 1000 times never reads a
// result file that is half written: each read is a whole CSV or a whole JSON of six rows.
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "recording/video_file_handler.h"
#include "timing/result_change.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

struct Poll_Outcome {
  int csv_reads = 0;
  int json_reads = 0;
  QSet<QString> times_seen; // box 1's time as each whole read showed it
  QStringList bad;          // what was read that was no whole file
};

void poll(const QString& folder, const std::atomic<bool>& stop, Poll_Outcome& outcome) {
  const QByteArray columns = "rank,box,name,time,time_ms,split,split_ms,dead_heat,distance,code,state,event,heat,"
                             "heat_name,start_recovered,recording_id,frame_sha256,audit_head\n";
  while (!stop.load()) {
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*.csv"), QStringLiteral("*.json")}, QDir::Files)) {
      QFile f(folder + QLatin1Char('/') + name);
      if (!f.open(QIODevice::ReadOnly)) continue; // renamed away between listing and opening
      const QByteArray bytes = f.readAll();
      if (name.endsWith(QStringLiteral(".csv"))) {
        ++outcome.csv_reads;
        if (!bytes.startsWith(columns) || !bytes.endsWith('\n') || bytes.count('\n') != 7)
          outcome.bad << QString::fromUtf8(bytes);
      } else {
        ++outcome.json_reads;
        QJsonParseError error{};
        const QJsonArray rows = QJsonDocument::fromJson(bytes, &error).array();
        if (error.error != QJsonParseError::NoError || rows.size() != 6) {
          outcome.bad << QString::fromUtf8(bytes);
          continue;
        }
        for (const QJsonValue& row : rows)
          if (row.toObject()["box"].toInt() == 1) outcome.times_seen.insert(row.toObject()["time"].toString());
      }
    }
  }
}

TEST(Result_Files_Poll, AReaderNeverSeesAHalfWrittenFileDuring1000Changes) {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  program() = Program_Info{};
  program().Settings_File_Path = dir.filePath(QStringLiteral("Doravent_HDMI.ini"));
  const QString results = dir.filePath(QStringLiteral("results"));
  ASSERT_EQ(Write_Ini_Value("Settings", "results_folder", results, program().Settings_File_Path), 1);
  ASSERT_TRUE(QDir().mkpath(results));
  const QString path = dir.filePath(QStringLiteral("heat.qn3"));
  ASSERT_TRUE(review_recordings::Write(path, review_recordings::Spec{}));
  cls_VideoFile_handler h;
  ASSERT_TRUE(h.Open_File(path));
  // Long names make each file large enough to take several writes.
  for (int16_t box = 1; box <= 6; ++box)
    h.set_Dora_Dog_name(box, QString(300, QChar(u'a' + box)));

  std::atomic<bool> stop{false};
  Poll_Outcome outcome;
  std::thread reader([&] { poll(results, stop, outcome); });
  int changed = 0;
  for (int i = 1; i <= 1000; ++i) {
    const auto box = static_cast<int16_t>(1 + i % 6);
    changed +=
        Write_Result_Change(h, QStringLiteral("Box button"), [&] { h.set_Dora_Heat_time(box, false, 30000 + 10 * i); })
            ? 1
            : 0;
  }
  stop = true;
  reader.join();
  h.Close_File();
  program() = Program_Info{};

  EXPECT_EQ(changed, 1000);
  EXPECT_TRUE(errors.reports.empty());
  EXPECT_TRUE(outcome.bad.isEmpty()) << outcome.bad.size() << " bad reads, the first:\n"
                                     << outcome.bad.value(0).left(400).toStdString();
  // The reader did watch the changes go by.
  EXPECT_GT(outcome.csv_reads, 100);
  EXPECT_GT(outcome.json_reads, 100);
  EXPECT_GT(outcome.times_seen.size(), 20);
}

} // namespace
