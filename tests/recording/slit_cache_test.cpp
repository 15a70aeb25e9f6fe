// Slit images kept between openings: taken back only for the recording as it was, through a
// header rewrite but not through a changed record, and never from a damaged file.
#include "mock/scripted_prompts.h"
#include "platform/user_folders.h"
#include "qn3_tool_run.h"
#include "recording/slit_cache.h"
#include "recording/video_file_handler.h"
#include "timing/slit_analysis.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace {

struct Slit_Cache : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  QString path;
  Recording_Layout layout;
  const Slit_Line line{60, 1, 60, 198};
  void SetUp() override {
    path = dir.filePath(QStringLiteral("heat.qn3"));
    const Outcome o = Run_Tool({"demo", path, "--from", "29000", "--to", "29400", "--crop", "120x200"});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(path, true));
    layout = Recording_Layout::Of(h);
  }
  Slit_Image Built() {
    QString why;
    auto slit = Build_Slit_Image(layout, line, {}, why);
    EXPECT_TRUE(slit) << why.toStdString();
    return std::move(*slit);
  }
  uint64_t Fingerprint() {
    Record_Reader reader;
    QString why;
    EXPECT_TRUE(reader.Open(layout, why));
    return Records_Fingerprint(reader);
  }
  QString Cache() const { return dir.filePath(QStringLiteral("kept/heat.slit")); }
};

bool Same_Pixels(const Slit_Image& a, const Slit_Image& b) {
  if (a.Columns() != b.Columns() || a.Rows() != b.Rows()) return false;
  for (int32_t v = 0; v < Slit_Views; ++v)
    if (std::memcmp(a.Data(v), b.Data(v), a.View_Bytes()) != 0) return false;
  for (int32_t c = 0; c < a.Columns(); ++c)
    if (a.Column(c).capture_mill != b.Column(c).capture_mill || a.Column(c).valid != b.Column(c).valid ||
        a.Column(c).stamped != b.Column(c).stamped)
      return false;
  return true;
}

TEST_F(Slit_Cache, KeptForTheRecordingAsItIs) {
  const Slit_Image slit = Built();
  Slit_Cache_Key key = Current_Cache_Key(path);
  key.fingerprint = Fingerprint();
  ASSERT_TRUE(Save_Slit_Cache(Cache(), slit, key));
  int32_t asked = 0;
  const auto fingerprint = [&] {
    ++asked;
    return Fingerprint();
  };
  const auto same = Load_Slit_Cache(Cache(), layout, line, Current_Cache_Key(path), fingerprint);
  ASSERT_TRUE(same);
  EXPECT_TRUE(Same_Pixels(*same, slit));
  EXPECT_EQ(asked, 0); // the modification time alone says it is the same

  struct Case {
    const char* what;
    Slit_Cache_Key now;
    Slit_Line line;
    uint64_t fingerprint;
    bool taken;
  };
  Slit_Cache_Key later = key;
  later.modified_ms += 5000;
  Slit_Cache_Key longer = later;
  longer.file_size += 100;
  const Case cases[] = {
      {"header rewritten: a later time, the same records", later, line, key.fingerprint, true},
      {"a record changed", later, line, key.fingerprint + 1, false},
      {"frames appended", longer, line, key.fingerprint, false},
      {"another goal line", key, Slit_Line{61, 1, 61, 198}, key.fingerprint, false},
  };
  for (const Case& c : cases) {
    const auto loaded = Load_Slit_Cache(Cache(), layout, c.line, c.now, [&] { return c.fingerprint; });
    EXPECT_EQ(loaded.has_value(), c.taken) << c.what;
  }
  Recording_Layout other = layout;
  other.frame_count = static_cast<int16_t>(layout.frame_count - 1);
  EXPECT_FALSE(Load_Slit_Cache(Cache(), other, line, key, fingerprint));
}

TEST_F(Slit_Cache, DamagedFilesAreNotTaken) {
  ASSERT_TRUE(Save_Slit_Cache(Cache(), Built(), Current_Cache_Key(path)));
  QFile file(Cache());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray good = file.readAll();
  file.close();
  const auto attempt = [&](const QByteArray& bytes) {
    const QString damaged = dir.filePath(QStringLiteral("damaged.slit"));
    QFile out(damaged);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
    out.close();
    return Load_Slit_Cache(damaged, layout, line, Current_Cache_Key(path), [] { return uint64_t{0}; }).has_value();
  };
  EXPECT_TRUE(attempt(good));
  EXPECT_FALSE(attempt(good.left(good.size() / 2)));
  EXPECT_FALSE(attempt(good.left(40)));
  EXPECT_FALSE(attempt(QByteArray(2000, 'x')));
  EXPECT_FALSE(attempt({}));
  // The compressed block claims more than the picture holds: refused before any memory is taken.
  const Slit_Image slit = Built();
  const qsizetype expected = qsizetype{slit.Columns()} * 3 * slit.Rows() * Slit_Views;
  QByteArray stated(4, '\0');
  for (int i = 0; i < 4; ++i)
    stated[i] = static_cast<char>((expected >> (8 * (3 - i))) & 0xFF);
  const qsizetype at = good.lastIndexOf(stated + QByteArray(1, '\x78')); // zlib's first byte follows
  ASSERT_GT(at, 0);
  QByteArray claim = good;
  claim[at] = '\x7f';
  EXPECT_FALSE(attempt(claim));
  EXPECT_FALSE(Load_Slit_Cache(dir.filePath("none.slit"), layout, line, Current_Cache_Key(path), {}));
  EXPECT_FALSE(Save_Slit_Cache({}, Built(), {}));
}

TEST_F(Slit_Cache, OnlyTheMostRecentAreKept) {
  const QString folder = dir.filePath(QStringLiteral("kept"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QDateTime now = QDateTime::currentDateTime();
  for (int i = 0; i < Slit_Cache_Keep + 5; ++i) {
    QFile f(folder + QStringLiteral("/old%1.slit").arg(i));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.flush(); // written before its time is set, so closing does not move the time again
    f.setFileTime(now.addSecs(-1000 + i), QFileDevice::FileModificationTime);
  }
  ASSERT_TRUE(Save_Slit_Cache(Cache(), Built(), {}));
  const QStringList kept = QDir(folder).entryList({QStringLiteral("*.slit")}, QDir::Files);
  EXPECT_EQ(kept.size(), Slit_Cache_Keep);
  EXPECT_TRUE(kept.contains(QStringLiteral("heat.slit")));
  EXPECT_FALSE(kept.contains(QStringLiteral("old0.slit"))); // the oldest went first
  EXPECT_TRUE(kept.contains(QStringLiteral("old44.slit")));
}

TEST_F(Slit_Cache, ReopeningAfterTimesWereSetIsInstant) {
  Slit_Analysis_Input input;
  input.layout = layout;
  input.line = line;
  input.cache_path = Slit_Cache_Path(path);
  ASSERT_FALSE(input.cache_path.isEmpty());
  EXPECT_TRUE(input.cache_path.startsWith(Local_AppData_Folder()));
  int32_t progress = 0;
  const auto count = [&](int32_t, int32_t) { ++progress; };
  const Slit_Analysis first = Analyse_Recording(input, nullptr, count);
  ASSERT_TRUE(first.slit) << first.why.toStdString();
  EXPECT_FALSE(first.from_cache);
  EXPECT_GT(progress, 0);

  // A box's time set: the header is rewritten and the file's time moves on.
  {
    cls_VideoFile_handler h;
    ASSERT_TRUE(h.Open_File(path));
    h.set_Dora_Heat_time(1, false, 29210);
    ASSERT_TRUE(h.Write_XML_Header());
    h.Close_File();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
  }
  progress = 0;
  const Slit_Analysis again = Analyse_Recording(input, nullptr, count);
  ASSERT_TRUE(again.slit);
  EXPECT_TRUE(again.from_cache);
  EXPECT_EQ(progress, 0);
  EXPECT_TRUE(Same_Pixels(*again.slit, *first.slit));

  // A record damaged on disk: built again.
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(layout.first_record_pos + 32)); // the first record's JPEG size
    f.write(QByteArray(1, '\x01'));
  }
  const Slit_Analysis rebuilt = Analyse_Recording(input, nullptr, count);
  ASSERT_TRUE(rebuilt.slit);
  EXPECT_FALSE(rebuilt.from_cache);
}

} // namespace
