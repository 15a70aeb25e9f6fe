// The inspection command run in-process: a demo recording made, then read back every way.
#include "journal_files.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "qn3_commands.h"
#include "qn3_tool_run.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Qn3_Tool : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  QString Demo(int frames, const char* crop) {
    const QString path = Path("demo.qn3");
    const Outcome o = Run_Tool({"demo", path, "--from", "29000", "--to", QString::number(29000 + 40 * (frames - 1)),
                                "--crop", QString::fromLatin1(crop)});
    EXPECT_EQ(o.status, 0) << o.err.toStdString();
    return path;
  }
};

TEST_F(Qn3_Tool, DemoReadsBackThroughInfoFramesAndExport) {
  const QString path = Demo(12, "120x200");
  const Outcome info = Run_Tool({"info", path, "--json"});
  ASSERT_EQ(info.status, 0) << info.err.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(info.out.toUtf8()).object();
  EXPECT_EQ(o["frames"].toInt(), 12);
  EXPECT_EQ(o["header_frames"].toInt(), 12);
  EXPECT_EQ(o["width"].toInt(), 120);
  EXPECT_EQ(o["height"].toInt(), 200);
  EXPECT_TRUE(o["fps"].isDouble());
  EXPECT_EQ(o["slot_size"].toInt() + 58, o["record_size"].toInt());
  EXPECT_EQ(o["heat"].toObject()["heat_name"].toString(), "Demo heat");
  // The finish line lies on the painted one (camera column 960, crop column 960 - 900).
  EXPECT_EQ(o["heat"].toObject()["goal_finish"].toString(), "60,1,60,198");
  EXPECT_EQ(o["heat"].toObject()["goal_split"].toString(), "60,1,60,198");
  EXPECT_EQ(o["boxes"].toArray().size(), 8);
  for (const char* key : {"file", "file_length", "fields", "segments", "interlaced", "rotated", "fourcc", "codec",
                          "quality", "read_only"})
    EXPECT_TRUE(o.contains(key)) << key;

  const Outcome frames = Run_Tool({"frames", path});
  ASSERT_EQ(frames.status, 0);
  const QStringList lines = frames.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 13);
  EXPECT_EQ(lines[0], "frame,capture_mill,capture_delta,capture_local,quality,jpeg_size,marker_ok");
  EXPECT_EQ(lines[2].split(',')[2], "40"); // frames 40 ms apart
  // The first frame is the one at --from after the heat's start.
  EXPECT_EQ(lines[1].split(',')[1].toLongLong() - o["heat"].toObject()["start_pc_mill"].toInteger(), 29000);
  EXPECT_EQ(lines[12].split(',').last(), "1");

  // A whole frame and one field both come out at the full picture size.
  for (const QStringList& extra : {QStringList{}, QStringList{"--field", "2"}}) {
    const QString png = Path("f.png");
    QFile::remove(png);
    const Outcome e = Run_Tool(QStringList{"export", path, "7", png} + extra);
    ASSERT_EQ(e.status, 0) << e.err.toStdString();
    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(120, 200)) << extra.join(' ').toStdString();
  }
  EXPECT_TRUE(Run_Tool({"xml", path}).out.contains("<"));
}

TEST_F(Qn3_Tool, VerifyFindsAFlippedJpegByte) {
  const QString path = Demo(5, "64x64");
  EXPECT_EQ(Run_Tool({"verify", path}).status, 0);
  const QJsonObject o = QJsonDocument::fromJson(Run_Tool({"info", path, "--json"}).out.toUtf8()).object();
  const qint64 record = o["record_size"].toInteger();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  // Inside the entropy-coded data of frame 3, past the JPEG's tables.
  const qint64 at = qn3::Header_Block_Size + 2 * record + qn3::Record_Head_Size + 2;
  ASSERT_TRUE(file.seek(at));
  char byte = 0;
  ASSERT_TRUE(file.getChar(&byte));
  ASSERT_TRUE(file.seek(at));
  ASSERT_TRUE(file.putChar(static_cast<char>(~byte)));
  file.close();
  const Outcome v = Run_Tool({"verify", path});
  EXPECT_EQ(v.status, 1);
  EXPECT_TRUE(v.out.contains("frame 3")) << v.out.toStdString();
  EXPECT_FALSE(v.out.contains("frame 2")) << v.out.toStdString();
}

TEST_F(Qn3_Tool, DemoOnAComputerNamedLikeTheRecordMarker) {
  const QString saved = program().Computer_Name;
  program().Computer_Name = QStringLiteral("RGBS-PC");
  const QString path = Demo(12, "64x96");
  program().Computer_Name = saved;
  const Outcome v = Run_Tool({"verify", path});
  EXPECT_EQ(v.status, 0) << v.out.toStdString() << v.err.toStdString();
  EXPECT_TRUE(v.out.contains("12 frames ok")) << v.out.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(Run_Tool({"info", path, "--json"}).out.toUtf8()).object();
  EXPECT_EQ(o["frames"].toInt(), 12);
  EXPECT_EQ(o["record_size"].toInteger(), (QFileInfo(path).size() - qn3::Header_Block_Size) / 12);
}

// An inspection never applies a journal: it names it and leaves every byte as it was. The window
// applies it at its next opening.
TEST_F(Qn3_Tool, InspectionsNameAPendingJournalAndChangeNoByte) {
  const QString path = Demo(4, "64x64");
  const QByteArray file = journal_files::Get(path);
  const QByteArray header = file.left(qn3::Header_Block_Size);
  const QByteArray frames = file.mid(qn3::Header_Block_Size);
  QByteArray torn = header;
  torn.replace(400, 3000, QByteArray(3000, 'x')); // a rewrite cut short, as a crash leaves it
  ASSERT_TRUE(journal_files::Put(path, torn + frames));
  const QString journal_path = journal_files::Journal_Of(path);
  const QByteArray journal = journal_files::Journal_Bytes(header, frames);
  ASSERT_TRUE(journal_files::Put(journal_path, journal));
  for (const char* command : {"info", "frames", "xml", "verify", "results", "audit"}) {
    SCOPED_TRACE(command);
    Run_Tool({QString::fromLatin1(command), path});
    EXPECT_TRUE(journal_files::Get(path) == torn + frames);
    EXPECT_TRUE(journal_files::Get(journal_path) == journal);
  }
  Outcome v = Run_Tool({"verify", path});
  EXPECT_EQ(v.status, 1);
  EXPECT_TRUE(v.out.contains("header: a header rewrite is pending in its journal")) << v.out.toStdString();
  EXPECT_TRUE(v.out.contains("header: the XML text does not parse")) << v.out.toStdString();
  EXPECT_FALSE(v.out.contains("frame ")) << v.out.toStdString(); // the frames themselves are whole
  const QJsonObject o = QJsonDocument::fromJson(Run_Tool({"info", path, "--json"}).out.toUtf8()).object();
  EXPECT_TRUE(o["journal"].toString().contains("pending")) << o["journal"].toString().toStdString();

  // The program's own opening finishes the rewrite; then there is nothing left to name.
  {
    cls_VideoFile_handler window;
    ASSERT_TRUE(window.Open_File(path));
  }
  EXPECT_TRUE(journal_files::Get(path) == file);
  v = Run_Tool({"verify", path});
  EXPECT_EQ(v.status, 0) << v.out.toStdString();
  EXPECT_FALSE(v.out.contains("journal")) << v.out.toStdString();
}

TEST_F(Qn3_Tool, UsageErrorsAndBadFiles) {
  const QString missing = Path("missing.qn3");
  QFile junk(Path("junk.qn3"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write(QByteArray(40000, 'x'));
  junk.close();
  const struct {
    QStringList args;
    int status;
  } cases[] = {
      {{}, 2},
      {{"bogus"}, 2},
      {{"info"}, 2},
      {{"info", missing, "--frobnicate"}, 2},
      {{"export", missing, "x", Path("a.png")}, 2},
      {{"export", missing, "1", Path("a.bmp")}, 2},
      {{"export", missing, "1", Path("a.png"), "--field", "3"}, 2},
      {{"demo", Path("d.qn3"), "--crop", "12by40"}, 2},
      {{"demo", Path("d.qn3"), "--frames"}, 2},
      {{"demo", Path("d.qn3"), "--crop", "1921x100"}, 2},
      {{"demo", Path("d.qn3"), "--crop", "1600x1600"}, 2},
      {{"demo", Path("d.qn3"), "--crossings", "1,2,3"}, 2},
      {{"demo", Path("d.qn3"), "--speed", "0"}, 2},
      {{"demo", Path("d.qn3"), "--from", "500", "--to", "400"}, 2},
      {{"demo", Path("d.qn3"), "--video-delay", "-5"}, 2},
      {{"info", missing}, 1},
      {{"verify", missing}, 1},
      {{"frames", Path("junk.qn3")}, 1},
  };
  for (const auto& c : cases) {
    const Outcome o = Run_Tool(c.args);
    EXPECT_EQ(o.status, c.status) << c.args.join(' ').toStdString();
    EXPECT_FALSE(o.err.isEmpty()) << c.args.join(' ').toStdString();
  }
  EXPECT_FALSE(QFile::exists(Path("d.qn3")));
}

TEST_F(Qn3_Tool, HelpPrintsTheFormsAndSucceeds) {
  const struct {
    QStringList args;
    int status;
  } cases[] = {
      {{"--help"}, 0},
      {{"-h"}, 0},
      {{"--help", "info"}, 2}, // help takes nothing after it
      {{"info", "--help"}, 2}, // nor is it an option of a command
  };
  for (const auto& c : cases) {
    const Outcome o = Run_Tool(c.args);
    EXPECT_EQ(o.status, c.status) << c.args.join(' ').toStdString();
    // The forms go where they were asked for: the output on help, the error stream on a mistake.
    const QString& forms = c.status == 0 ? o.out : o.err;
    EXPECT_TRUE(forms.contains("doravent-qn3 info FILE")) << c.args.join(' ').toStdString();
    EXPECT_EQ(o.err.isEmpty(), c.status == 0) << c.args.join(' ').toStdString();
  }
}

} // namespace
