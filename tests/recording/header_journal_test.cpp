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

#include "qn3_tool_run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

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
  const qsizetype whole = journal_files::Journal_Bytes(new_header, Frames()).size();
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
    QByteArray journal = Journal_Bytes(new_header, frames).left(c.journal);
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
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), Journal_Bytes(new_header, frames)));
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
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), Journal_Bytes(old_header, frames)));
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
  const QByteArray journal = Journal_Bytes(new_header, frames);
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
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), Journal_Bytes(new_header, QByteArray())));
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
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), Journal_Bytes(new_header, QByteArray())));
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

namespace {

const QString id_a = QStringLiteral("0123456789abcdef0123456789abcdef");
const QString id_b = QStringLiteral("fedcba9876543210fedcba9876543210");

// A header of `mark` results that names the recording `id` (none when empty).
QByteArray Named_Header(int32_t mark, const QString& id) {
  Recording_Spec spec;
  spec.edit = [mark, id](Cls_XML_header& h) {
    for (int16_t box = 1; box <= 6; ++box)
      h.set_Dora_Heat_time(box, false, mark + box);
    h.set_Dora_Dog_name(2, QStringLiteral("Dog %1").arg(mark));
    if (!id.isEmpty()) h.set_Recording_ID(id);
  };
  return Header_Block(spec);
}

QByteArray Frames_From(int32_t first_mill, int32_t frames = 3) {
  Recording_Spec spec;
  spec.first_mill = first_mill;
  spec.frames = frames;
  return Recording(spec).mid(qn3::Header_Block_Size);
}

// Whatever lies in the journal's place and does not name this recording is never applied: the
// window sets it aside and says so, an inspection leaves it and says so, and no byte of the
// recording changes either way.
TEST_F(Header_Journal, AJournalOfAnotherRecordingIsSetAsideNeverApplied) {
  const QByteArray header = Named_Header(1000, id_a);
  const QByteArray frames = Frames_From(100000);
  const QByteArray elsewhere = dir.filePath(QStringLiteral("elsewhere.journal")).toLocal8Bit();
  struct Case {
    const char* name;
    std::function<void(const QString& journal)> plant;
    bool file_aside; // the thing in the journal's place is a file (not a link or a pipe)
  };
  const Case cases[] = {
      {"another recording's journal, the same pictures",
       [&](const QString& j) { journal_files::Put(j, Journal_Bytes(Named_Header(2000000, id_b), frames)); }, true},
      {"another recording's journal, other pictures",
       [&](const QString& j) { journal_files::Put(j, Journal_Bytes(Named_Header(2000000, {}), Frames_From(700000))); },
       true},
      {"this recording's journal from before frames were appended",
       [&](const QString& j) {
         journal_files::Put(j, Journal_Bytes(Named_Header(2000000, id_a), frames.left(frames.size() / 3)));
       },
       true},
      {"a journal of a program that named no recording",
       [&](const QString& j) {
         journal_files::Put(j, journal_files::Unnamed_Journal_Bytes(Named_Header(2000000, id_a)));
       },
       true},
      {"a link to a journal of this recording",
       [&](const QString& j) {
         journal_files::Put(QString::fromLocal8Bit(elsewhere), Journal_Bytes(Named_Header(2000000, id_a), frames));
         ASSERT_EQ(::symlink(elsewhere.constData(), QFile::encodeName(j).constData()), 0);
       },
       false},
      {"a pipe", [&](const QString& j) { ASSERT_EQ(::mkfifo(QFile::encodeName(j).constData(), 0600), 0); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const QString& leftover : QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
      QFile::remove(dir.filePath(leftover));
    ASSERT_TRUE(journal_files::Put(Path(), header + frames));
    c.plant(Journal_Of(Path()));
    const QByteArray planted = journal_files::Get(QString::fromLocal8Bit(elsewhere));

    const Outcome inspected = Run_Tool({"info", Path(), "--json"});
    EXPECT_EQ(inspected.status, 0) << inspected.err.toStdString();
    EXPECT_TRUE(inspected.out.contains("never applied")) << inspected.out.toStdString();
    EXPECT_TRUE(QFileInfo(Journal_Of(Path())).exists() || QFileInfo(Journal_Of(Path())).isSymLink());

    prompts->seen.clear();
    cls_VideoFile_handler window;
    ASSERT_TRUE(window.Open_File(Path()));
    EXPECT_EQ(Mark_Of(window), 1000);
    window.Close_File();
    EXPECT_TRUE(journal_files::Get(Path()) == header + frames);
    const QFileInfo aside(qn3::Stale_Journal_Path(Path()));
    EXPECT_TRUE(aside.exists() || aside.isSymLink());
    EXPECT_EQ(aside.isFile() && !aside.isSymLink(), c.file_aside);
    EXPECT_FALSE(QFileInfo(Journal_Of(Path())).exists() || QFileInfo(Journal_Of(Path())).isSymLink());
    ASSERT_EQ(prompts->messages().size(), 1);
    EXPECT_TRUE(prompts->messages().at(0).contains("does not belong to this recording")) << c.name;
    EXPECT_TRUE(journal_files::Get(QString::fromLocal8Bit(elsewhere)) == planted) << "a link's target is untouched";
  }
  EXPECT_TRUE(errors.reports.empty());
}

// A journal set aside never takes the place of one set aside before.
TEST_F(Header_Journal, JournalsSetAsideNeverReplaceEachOther) {
  const QByteArray frames = Frames_From(100000);
  ASSERT_TRUE(journal_files::Put(Path(), Named_Header(1000, id_a) + frames));
  std::vector<QByteArray> foreign;
  for (int i = 0; i < 2; ++i) {
    foreign.push_back(Journal_Bytes(Named_Header(5000 + i, id_b), frames));
    ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), foreign.back()));
    cls_VideoFile_handler window;
    ASSERT_TRUE(window.Open_File(Path()));
  }
  EXPECT_TRUE(journal_files::Get(qn3::Stale_Journal_Path(Path())) == foreign.at(0));
  EXPECT_TRUE(journal_files::Get(qn3::Stale_Journal_Path(Path()) + ".2") == foreign.at(1));
}

// The first rewrite of a recording made before IDs gives it one, and the journal of that rewrite
// still belongs to it.
TEST_F(Header_Journal, TheFirstRewriteOfARecordingWithoutAnIDIsRecovered) {
  const QByteArray frames = Frames_From(100000);
  const QByteArray named = Named_Header(2000000, id_a);
  ASSERT_TRUE(journal_files::Put(Path(), named.left(700) + Named_Header(1000, {}).mid(700) + frames));
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), Journal_Bytes(named, frames)));
  cls_VideoFile_handler window;
  ASSERT_TRUE(window.Open_File(Path()));
  EXPECT_EQ(Mark_Of(window), 2000000);
  EXPECT_EQ(window.XML_Header().Recording_ID(), id_a);
  EXPECT_TRUE(prompts->seen.empty());
}

// A rewrite that cannot have its journal is not made: the operator is told and the header stays.
TEST_F(Header_Journal, ARewriteWithoutAJournalIsRefused) {
  ASSERT_TRUE(journal_files::Put(Path(), old_header + Frames()));
  ASSERT_TRUE(QDir().mkpath(Journal_Of(Path()) + ".new")); // no journal can be made under its name
  cls_VideoFile_handler editor;
  ASSERT_TRUE(editor.Open_File(Path()));
  editor.set_Dora_Heat_time(3, false, 31'230);
  EXPECT_FALSE(editor.Write_XML_Header());
  editor.Close_File();
  EXPECT_TRUE(journal_files::Get(Path()) == old_header + Frames());
  ASSERT_EQ(errors.reports.size(), 1U);
  EXPECT_TRUE(errors.reports.at(0).description.contains("no journal could be made"))
      << errors.reports.at(0).description.toStdString();
}

int sync_calls = 0;
int fail_sync_at = 0;
std::vector<unsigned> synced_modes;
int Counting_Sync(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) synced_modes.push_back(st.st_mode & 0777U);
  if (++sync_calls == fail_sync_at) {
    errno = EIO;
    return -1;
  }
  return ::fsync(fd);
}

// The turn-back of a refused rewrite replaces its journal whole: when the disk fails that too,
// the journal of the new header is still there, whole, and the next opening has a whole header.
TEST_F(Header_Journal, ATurnBackThatFailsKeepsAWholeJournal) {
  ASSERT_TRUE(journal_files::Put(Path(), old_header + Frames()));
  sync_calls = 0;
  fail_sync_at = 2; // the new journal, then the turn-back's journal
  const qn3::Sync_Function before = qn3::Install_Sync_Function(&Counting_Sync);
  {
    Refusing_File file(Path(), false);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    EXPECT_THROW(qn3::Rewrite_Header_Block(file, Path(), reinterpret_cast<const uint8_t*>(new_header.constData())),
                 Dora_Error);
  }
  qn3::Install_Sync_Function(before);
  EXPECT_EQ(qn3::Read_Journal(Path()).state, qn3::Journal_State::Whole);
  EXPECT_FALSE(QFile::exists(Journal_Of(Path()) + ".new"));
  cls_VideoFile_handler again;
  ASSERT_TRUE(again.Open_File(Path()));
  EXPECT_TRUE(again.XML_Header().XML_Valid());
  EXPECT_NE(Mark_Of(again), -1);
}

// A journal is as private as its recording.
TEST_F(Header_Journal, TheJournalTakesTheRecordingsPermissions) {
  ASSERT_TRUE(journal_files::Put(Path(), old_header + Frames()));
  ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner));
  synced_modes.clear();
  sync_calls = 0;
  fail_sync_at = 0;
  const qn3::Sync_Function before = qn3::Install_Sync_Function(&Counting_Sync);
  cls_VideoFile_handler editor;
  ASSERT_TRUE(editor.Open_File(Path()));
  editor.set_Dora_Heat_time(3, false, 31'230);
  EXPECT_TRUE(editor.Write_XML_Header());
  qn3::Install_Sync_Function(before);
  ASSERT_GE(synced_modes.size(), 2U); // the journal, then the recording
  for (const unsigned mode : synced_modes)
    EXPECT_EQ(mode, 0600U);
}

// One process writes a recording at a time. While the window holds a recording whose header it is
// rewriting (its journal beside it), neither doravent-qn3 nor a second opening applies that
// journal or writes a byte: the second opening is read-only and reads the journal's header.
TEST_F(Header_Journal, TheWindowAndTheToolNeverWriteOneRecordingAtOnce) {
  const QByteArray frames = Frames();
  ASSERT_TRUE(journal_files::Put(Path(), old_header + frames));
  cls_VideoFile_handler window;
  ASSERT_TRUE(window.Open_File(Path()));
  EXPECT_FALSE(window.Read_only());
  const QByteArray journal = Journal_Bytes(new_header, frames); // the window's rewrite under way
  ASSERT_TRUE(journal_files::Put(Journal_Of(Path()), journal));

  for (const char* command : {"info", "verify", "results", "audit", "xml"})
    Run_Tool({QString::fromLatin1(command), Path()});
  EXPECT_EQ(Run_Tool({"demo", Path(), "--from", "29000", "--to", "29040", "--crop", "32x32"}).status, 1);
  cls_VideoFile_handler second;
  ASSERT_TRUE(second.Open_File(Path()));
  EXPECT_TRUE(second.Read_only());
  EXPECT_EQ(Mark_Of(second), 2000000);
  second.set_Dora_Heat_time(3, false, 31'230);
  EXPECT_FALSE(second.Write_XML_Header());
  second.Close_File();
  EXPECT_TRUE(journal_files::Get(Path()) == old_header + frames);
  EXPECT_TRUE(journal_files::Get(Journal_Of(Path())) == journal);

  window.Close_File();
  cls_VideoFile_handler after;
  ASSERT_TRUE(after.Open_File(Path()));
  EXPECT_FALSE(after.Read_only()) << "the lock goes with the window's file";
  EXPECT_EQ(Mark_Of(after), 2000000);
  errors.reports.clear();
}

} // namespace
