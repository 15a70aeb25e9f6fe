// doravent-qn3 print: the photo-finish pages of a recording, without the window.
#include "metadata/xml_header.h"
#include "mock/pdf_reading.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "recording/file_digest.h"
#include "recording/qn3_tool_run.h"
#include "recording/video_file_handler.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// 64 x 48 interlaced at 25 frames a second: the review counts fields. Field 1 of a frame is
// bright, field 2 dark; the goal line runs down column 32, the split line down column 10.
struct Qn3_Print : ::testing::Test {
  Prompts_Guard prompts;
  QTemporaryDir dir;
  QString path;

  void SetUp() override {
    program() = Program_Info{};
    path = dir.filePath(QStringLiteral("heat.qn3"));
    review_recordings::Spec spec;
    spec.frames = 5;
    spec.goal_finish = QStringLiteral("32,1,32,47");
    spec.goal_split = QStringLiteral("10,1,10,47");
    ASSERT_TRUE(review_recordings::Write(path, spec));
    // Box 3 wins at field 3 (frame 2, bright), box 5 is second at field 8 (frame 4, dark); only
    // box 3 has a split, at field 5.
    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(path, true));
    h.set_Dora_Dog_name(3, QStringLiteral("Rex"));
    h.set_Dora_Dog_name(5, QStringLiteral("Max"));
    h.set_Dora_Heat_time(3, false, 29000);
    h.set_Dora_heat_frame(3, 3);
    h.set_Dora_Heat_time(3, true, 9000);
    h.set_Dora_split_frame(3, 5);
    h.set_Dora_Heat_time(5, false, 29500);
    h.set_Dora_heat_frame(5, 8);
    ASSERT_TRUE(h.Write_XML_Header());
    h.Close_File();
  }

  QString out(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

int mean_green(const QImage& picture, int x0, int x1) {
  int64_t sum = 0;
  int64_t n = 0;
  for (int y = 0; y < picture.height() / 2; ++y)
    for (int x = x0; x < x1; ++x, ++n)
      sum += qGreen(picture.pixel(x, y));
  return n > 0 ? static_cast<int>(sum / n) : 0;
}

} // namespace

TEST_F(Qn3_Print, OneFieldWithItsGoalLine) {
  const Outcome o = Run_Tool({"print", path, out("field.pdf"), "--frame", "2", "--field", "2", "--box-delay", "0"});
  ASSERT_EQ(o.status, 0) << o.err.toStdString();
  const auto images = pdf_reading::Image_Files(out("field.pdf"));
  ASSERT_EQ(images.size(), 1u);
  const QImage& picture = images.at(0);
  ASSERT_EQ(picture.size(), QSize(64, 48));
  // Dark everywhere but the white goal line.
  EXPECT_LT(mean_green(picture, 0, 28), 60);
  EXPECT_LT(mean_green(picture, 36, 64), 60);
  EXPECT_GT(qGreen(picture.pixel(32, 20)), 200);
  EXPECT_GT(qBlue(picture.pixel(32, 20)), 200);

  // The frame data's digest, which a header rewrite leaves as it was: the page still matches its
  // recording after results are entered.
  const QString digest = Frame_Data_SHA256_Hex(path);
  ASSERT_EQ(digest.size(), 64);
  const QByteArray whole_before = File_SHA256_Hex(path).toLatin1();
  EXPECT_TRUE(pdf_reading::Text(out("field.pdf")).contains("Frames SHA-256: " + digest.left(16)));
  {
    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(path));
    h.set_Dora_Heat_time(1, false, 29000);
    ASSERT_TRUE(h.Write_XML_Header());
  }
  ASSERT_NE(File_SHA256_Hex(path).toLatin1(), whole_before);
  ASSERT_EQ(Run_Tool({"print", path, out("again.pdf"), "--frame", "2", "--box-delay", "0"}).status, 0);
  EXPECT_TRUE(pdf_reading::Text(out("again.pdf")).contains("Frames SHA-256: " + digest.left(16)));
}

TEST_F(Qn3_Print, WithoutAFrameTheWinnersFinishIsPrinted) {
  ASSERT_EQ(Run_Tool({"print", path, out("winner.pdf"), "--box-delay", "0"}).status, 0);
  const auto images = pdf_reading::Image_Files(out("winner.pdf"));
  ASSERT_EQ(images.size(), 1u);
  EXPECT_GT(mean_green(images.at(0), 0, 28), 180); // field 3: a first field, bright
}

TEST_F(Qn3_Print, TheSeriesShowsEachRunnersField) {
  const Outcome o = Run_Tool({"print", path, out("series.pdf"), "--series", "--box-delay", "20"});
  ASSERT_EQ(o.status, 0) << o.err.toStdString();
  const auto images = pdf_reading::Image_Files(out("series.pdf"));
  ASSERT_EQ(images.size(), 2u);
  EXPECT_GT(mean_green(images.at(0), 0, 28), 180); // box 3 at field 3
  EXPECT_LT(mean_green(images.at(1), 0, 28), 60);  // box 5 at field 8
  QStringList table;
  for (const QString& line : pdf_reading::Lines(pdf_reading::Text(out("series.pdf"))))
    if (line.contains("Rex") || line.contains("Max")) table << line.simplified();
  // Max half a second behind: 6 1/4 lengths at 0.08 s a length.
  EXPECT_EQ(table, (QStringList{"1 3 Rex 9,02 29,02", "2 5 Max 00,00 29,52 6 1/4"}));
  EXPECT_TRUE(pdf_reading::Text(out("series.pdf")).contains("Box delay = 20 ms"));
}

// A declared result says so on the page; a provisional one says nothing.
TEST_F(Qn3_Print, ADeclaredResultIsNamedOnThePage) {
  ASSERT_EQ(Run_Tool({"print", path, out("provisional.pdf"), "--series"}).status, 0);
  EXPECT_FALSE(pdf_reading::Text(out("provisional.pdf")).contains("Official"));
  {
    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(path));
    h.XML_Header().set_Dora_Result_State(QStringLiteral("Official"));
    ASSERT_TRUE(h.Write_XML_Header());
    h.Close_File();
  }
  ASSERT_EQ(Run_Tool({"print", path, out("official.pdf"), "--series"}).status, 0);
  EXPECT_TRUE(pdf_reading::Lines(pdf_reading::Text(out("official.pdf"))).contains(QStringLiteral("Official")));
}

TEST_F(Qn3_Print, TheSplitSeriesShowsSplitPicturesWithTheSplitLine) {
  ASSERT_EQ(Run_Tool({"print", path, out("split.pdf"), "--split", "--box-delay", "0"}).status, 0);
  const auto images = pdf_reading::Image_Files(out("split.pdf"));
  ASSERT_EQ(images.size(), 1u);
  const QImage& picture = images.at(0);
  // Field 5 is bright; the split camera's line is yellow, the goal line is not drawn.
  const QRgb line = picture.pixel(10, 10);
  EXPECT_GT(qRed(line), 200);
  EXPECT_GT(qGreen(line), 200);
  EXPECT_LT(qBlue(line), 80);
  EXPECT_GT(qBlue(picture.pixel(32, 10)), 120);
  EXPECT_TRUE(pdf_reading::Lines(pdf_reading::Text(out("split.pdf"))).contains("Split photos"));
}

TEST_F(Qn3_Print, BadArgumentsAndFiles) {
  QFile::copy(path, out("not_a_recording.qn3"));
  {
    QFile f(out("not_a_recording.qn3"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write("JUNK");
  }
  struct Case {
    QStringList args;
    int status;
  };
  const Case cases[] = {
      {{"print"}, 2},
      {{"print", path}, 2},
      {{"print", path, out("x.png")}, 2},
      {{"print", path, out("x.pdf"), "--field", "1"}, 2},
      {{"print", path, out("x.pdf"), "--frame", "2", "--series"}, 2},
      {{"print", path, out("x.pdf"), "--frame", "two"}, 2},
      {{"print", path, out("x.pdf"), "--frame", "9"}, 2},
      {{"print", path, out("x.pdf"), "--frame", "1", "--field", "3"}, 2},
      {{"print", path, out("x.pdf"), "--colour"}, 2},
      {{"print", out("missing.qn3"), out("x.pdf")}, 1},
      {{"print", out("not_a_recording.qn3"), out("x.pdf")}, 1},
      {{"print", path, dir.filePath("no folder/x.pdf")}, 1},
  };
  for (const Case& c : cases) {
    const Outcome o = Run_Tool(c.args);
    EXPECT_EQ(o.status, c.status) << c.args.join(' ').toStdString() << ": " << o.err.toStdString();
    EXPECT_FALSE(o.err.isEmpty()) << c.args.join(' ').toStdString();
  }
  EXPECT_FALSE(QFileInfo::exists(out("x.pdf")));

  // The recording itself is never the output.
  const QString pdf_named = dir.filePath(QStringLiteral("heat.pdf"));
  ASSERT_TRUE(QFile::copy(path, pdf_named));
  const QByteArray before = [&] {
    QFile f(pdf_named);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  EXPECT_EQ(Run_Tool({"print", pdf_named, pdf_named}).status, 2);
  QFile f(pdf_named);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
}
