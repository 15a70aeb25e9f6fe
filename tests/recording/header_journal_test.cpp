// A header rewrite cut short by a crash: opening the recording finds its journal and ends with
// either the old header or the new one, whole, and the frames untouched.
#include "journal_files.h"
#include "metadata/xml_header.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/error_report.h"
#include "reader_files.h"
#include "recording/header_journal.h"
#include "recording/video_file_handler.h"
#include "writer_frames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace reader_files;
using journal_files::Journal_Bytes;
using journal_files::Journal_Of;

namespace {

// A header whose results are all `mark`: box b's time is mark + b, box 2's dog "Dog <mark>".
QByteArray Header_With(int32_t mark) {
  Recording_Spec spec;
  spec.edit = [mark](Cls_XML_header& h) {
    for (int16_t box = 1; box <= 6; ++box)
      h.set_Dora_Heat_time(box, false, mark + box);
    h.set_Dora_Dog_name(2, QStringLiteral("Dog %1").arg(mark));
    h.set_Dora_Dog_name(1, QStringLiteral("RGBS"));
  };
  return Header_Block(spec);
}

// The mark of the results a header holds; -1 when they are not all of one rewrite.
int32_t Mark_Of(const cls_VideoFile_handler& handler) {
  const int32_t mark = handler.Dora_Heat_time(1, false) - 1;
  for (int16_t box = 2; box <= 6; ++box)
    if (handler.Dora_Heat_time(box, false) != mark + box) return -1;
  if (handler.Dora_Dog_name(2) != QStringLiteral("Dog %1").arg(mark)) return -1;
  return mark;
}

struct Header_Journal : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QString Path() const { return dir.filePath(QStringLiteral("heat.qn3")); }
  const QByteArray old_header = Header_With(1000);
  const QByteArray new_header = Header_With(2000000);
  QByteArray Frames() const {
    Recording_Spec spec;
    return Recording(spec).mid(qn3::Header_Block_Size);
  }
};

TEST_F(Header_Journal, OpeningFinishesOrDropsARewriteACrashCutShort) {
  struct Case {
    const char* name;
    qsizetype written; // bytes of the new header already in place
    qsizetype journal; // bytes of the journal on disk (-1: none)
    bool flip_journal; // a byte of the journal's block changed after its digest
    int32_t mark;      // whose results the recording then holds
  };
  const qsizetype whole = journal_files::Journal_Bytes(new_header).size();
  const std::vector<Case> cases = {
      {"journal cut while written", 0, 20000, false, 1000},
      {"journal without its digest", 0, qn3::Header_Block_Size, false, 1000},
      {"journal damaged", 0, whole, true, 1000},
      {"journal whole, header untouched", 0, whole, false, 2000000},
      {"journal whole, header torn in its first page", 512, whole, false, 2000000},
      {"journal whole, header torn at a page", 4096, whole, false, 2000000},
      {"journal whole, header torn late", 30000, whole, false, 2000000},
      {"journal whole, header written", qn3::Header_Block_Size, whole, false, 2000000},
  };
  const QByteArray frames = Frames();
  for (const Case& c : cases) {
    const QByteArray header = new_header.left(c.written) + old_header.mid(c.written);
    ASSERT_TRUE(journal_files::Put(Path(), header + frames));
    QByteArray journal = Journal_Bytes(new_header).left(c.journal);
    if (c.flip_journal) journal[700] = static_cast<char>(journal[700] ^ 0x04);
    ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), journal));

    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(Path())) << c.name;
    EXPECT_TRUE(handler.XML_Header().XML_Valid()) << c.name;
    EXPECT_EQ(Mark_Of(handler), c.mark) << c.name;
    EXPECT_FALSE(QFile::exists(Journal_Of(Path()))) << c.name;
    const QByteArray file = journal_files::Get(Path());
    EXPECT_TRUE(file.left(qn3::Header_Block_Size) == (c.mark == 1000 ? old_header : new_header)) << c.name;
    EXPECT_TRUE(file.mid(qn3::Header_Block_Size) == frames) << c.name;
    ASSERT_EQ(handler.Num_Frames(), 3) << c.name;
    handler.Read_RGB_sample(3, true);
    EXPECT_TRUE(Near(Corner(handler.Decode_Surface()), Frame_Colour(3))) << c.name;
  }
  EXPECT_TRUE(prompts->seen.empty());
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Header_Journal, WritersFinishTheCutRewriteBeforeTheirOwn) {
  // Header torn, journal whole: a new handler appending takes the finished header, so the
  // results of the interrupted rewrite survive the pass.
  const QByteArray frames = Frames();
  ASSERT_TRUE(journal_files::Put(Path(), new_header.left(4096) + old_header.mid(4096) + frames));
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), Journal_Bytes(new_header)));
  Frame_List list;
  writer_frames::Fill(list, Width, Height, {writer_frames::Content::Flat, writer_frames::Content::Textured});
  cls_VideoFile_handler appender;
  appender.set_File_name(Path());
  ASSERT_EQ(appender.Append_Frames(list), 2);
  EXPECT_FALSE(QFile::exists(Journal_Of(Path())));
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(Path()));
  EXPECT_EQ(Mark_Of(reader), 2000000);
  EXPECT_EQ(reader.Num_Frames(), 5);
  EXPECT_EQ(reader.QN3_Num_Frames(), 5);
  reader.Close_File();

  // A rewrite of the results afterwards goes through a journal and leaves none behind.
  ASSERT_TRUE(journal_files::Put(Path(), old_header.left(9000) + new_header.mid(9000) + frames));
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), Journal_Bytes(old_header)));
  cls_VideoFile_handler editor;
  editor.set_File_name(Path());
  editor.XML_Header().set_XML_string(
      qn3::Parse_Header_Text(reinterpret_cast<const uint8_t*>(new_header.constData()), qn3::Header_Block_Size));
  editor.set_Dora_Heat_time(3, false, 31'230);
  ASSERT_TRUE(editor.Write_XML_Header());
  EXPECT_FALSE(QFile::exists(Journal_Of(Path())));
  editor.Close_File();
  cls_VideoFile_handler check;
  ASSERT_TRUE(check.Open_File(Path()));
  EXPECT_EQ(check.Dora_Heat_time(3, false), 31'230);
  EXPECT_EQ(check.Dora_Heat_time(4, false), 2000004);
  EXPECT_TRUE(journal_files::Get(Path()).mid(qn3::Header_Block_Size) == frames);
  EXPECT_TRUE(errors.reports.empty()) << errors.reports.front().description.toStdString();
}

TEST_F(Header_Journal, ReadOnlyRecordingOpensWithItsJournalAndKeepsIt) {
  const QByteArray frames = Frames();
  const QByteArray torn = new_header.left(4096) + old_header.mid(4096);
  const QByteArray journal = Journal_Bytes(new_header);
  ASSERT_TRUE(journal_files::Put(Path(), torn + frames));
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), journal));
  QFile::setPermissions(Path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
  {
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(Path()));
    EXPECT_TRUE(handler.Read_only());
    EXPECT_EQ(Mark_Of(handler), 2000000);
    EXPECT_EQ(handler.Num_Frames(), 3);
  }
  // Nothing of a read-only recording is changed, its journal included.
  EXPECT_TRUE(journal_files::Get(Path()) == torn + frames);
  EXPECT_TRUE(journal_files::Get(Journal_Of(Path())) == journal);
  // Once the recording may be written again, its next opening finishes the rewrite.
  QFile::setPermissions(Path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  cls_VideoFile_handler handler;
  ASSERT_TRUE(handler.Open_File(Path()));
  EXPECT_FALSE(handler.Read_only());
  EXPECT_EQ(Mark_Of(handler), 2000000);
  EXPECT_TRUE(journal_files::Get(Path()) == new_header + frames);
  EXPECT_FALSE(QFile::exists(Journal_Of(Path())));
}

TEST_F(Header_Journal, NewRecordingCutBeforeItsFirstHeaderOpensFromTheJournal) {
  // The crash came after the journal of the very first header, before the header itself.
  ASSERT_TRUE(journal_files::Put(Path(), QByteArray()));
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), Journal_Bytes(new_header)));
  cls_VideoFile_handler handler;
  ASSERT_TRUE(handler.Open_File(Path()));
  EXPECT_EQ(Mark_Of(handler), 2000000);
  EXPECT_EQ(handler.Num_Frames(), 0);
  EXPECT_TRUE(journal_files::Get(Path()) == new_header);
  EXPECT_FALSE(QFile::exists(Journal_Of(Path())));
  EXPECT_TRUE(prompts->seen.empty());
}

TEST_F(Header_Journal, NewRecordingNeverTakesAnOldJournal) {
  // A journal of an earlier recording of the same name, left when it was deleted.
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), Journal_Bytes(new_header)));
  cls_VideoFile_handler writer;
  writer.set_Cropped_X(Width);
  writer.set_Cropped_Y(Height);
  ASSERT_TRUE(writer.Initiate_QN3_File(Path()));
  EXPECT_FALSE(QFile::exists(Journal_Of(Path())));
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(Path()));
  EXPECT_EQ(reader.Dora_Dog_name(2), QStringLiteral("dog name"));
  EXPECT_EQ(reader.QN3_Num_Frames(), 0);
}

} // namespace

namespace {

// A recording file whose writes the disk refuses: the first only, or every one.
class Refusing_File final : public QFile {
public:
  Refusing_File(const QString& path, bool always) : QFile(path), always_(always) {}

protected:
  qint64 writeData(const char* data, qint64 size) override {
    if (always_ || writes_++ == 0) return -1;
    return QFile::writeData(data, size);
  }

private:
  bool always_;
  int writes_ = 0;
};

// A rewrite the disk refuses is turned back: the file, and what its next opening restores,
// keep the old header, as the caller that reports the failure and shows the old results says.
TEST_F(Header_Journal, ARefusedRewriteLeavesTheOldHeaderForTheNextOpening) {
  for (const bool always : {false, true}) {
    SCOPED_TRACE(always ? "every write refused" : "only the new header refused");
    ASSERT_TRUE(journal_files::Put(Path(), old_header + Frames()));
    Refusing_File file(Path(), always);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    EXPECT_THROW(qn3::Rewrite_Header_Block(file, Path(), reinterpret_cast<const uint8_t*>(new_header.constData())),
                 Dora_Error);
    file.close();
    // Every write refused: the journal stays, naming the old header.
    EXPECT_EQ(QFile::exists(Journal_Of(Path())), always);
    cls_VideoFile_handler again;
    ASSERT_TRUE(again.Open_File(Path()));
    EXPECT_EQ(Mark_Of(again), 1000) << "the refused results must not come back";
    again.Close_File();
    EXPECT_FALSE(QFile::exists(Journal_Of(Path())));
  }
}

} // namespace
