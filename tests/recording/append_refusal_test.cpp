// An append pass never deletes a complete frame: a file whose records cannot be measured is
// refused whole, and only a tail that cannot be a complete record is cut.
#include "metadata/xml_header.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/error_report.h"
#include "recording/qn3_writer.h"
#include "recording/video_file_handler.h"
#include "writer_frames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

using writer_frames::Content;

constexpr int32_t W = 160;
constexpr int32_t H = 120;

struct Append_Refusal_Fixture : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QString Path() const { return dir.filePath(QStringLiteral("heat.qn3")); }
};

TEST_F(Append_Refusal_Fixture, NoCompleteFrameIsEverCutOff) {
  // The recording as a first pass of `records` frames leaves it, then damaged as the case says.
  struct Case {
    const char* name;
    int32_t records;
    std::function<void(QByteArray&, int64_t record_size)> damage;
    bool refused;
    int32_t kept; // whole records of the damaged file that stay in front of the appended ones
  };
  const auto at = [](int32_t n, int64_t record_size, int32_t offset) {
    return static_cast<qsizetype>(qn3::Record_Offset(n, record_size) + offset);
  };
  const std::vector<Case> cases = {
      {"lone record, middle marker flipped", 1,
       [&](QByteArray& f, int64_t r) { f[at(1, r, qn3::Off_Mid_Marker)] = 'r'; }, true, 0},
      {"lone record, start marker flipped", 1, [&](QByteArray& f, int64_t r) { f[at(1, r, 0)] = 'X'; }, true, 0},
      {"lone record claiming a 2 GB slot", 1,
       [&](QByteArray& f, int64_t r) {
         qn3::put_i32(reinterpret_cast<uint8_t*>(f.data()) + at(1, r, qn3::Off_Slot_Count), 0x7FFFFFFF);
       },
       true, 0},
      {"lone record claiming a smaller slot", 1,
       [&](QByteArray& f, int64_t r) {
         qn3::put_i32(reinterpret_cast<uint8_t*>(f.data()) + at(1, r, qn3::Off_Slot_Count),
                      static_cast<int32_t>(r - 58 - 1000));
       },
       true, 0},
      {"first record cut short by a crash", 1, [](QByteArray& f, int64_t r) { f.chop(r * 2 / 5); }, false, 0},
      {"stray bytes behind the header", 1, [](QByteArray& f, int64_t) { f.truncate(qn3::Header_Block_Size + 40); },
       false, 0},
      {"second of three records unmarked", 3, [&](QByteArray& f, int64_t r) { f[at(2, r, 0)] = 'X'; }, false, 3},
      {"third record cut short", 3, [](QByteArray& f, int64_t r) { f.chop(r / 3); }, false, 2},
  };
  Frame_List more;
  writer_frames::Fill(more, W, H, {Content::Textured, Content::Flat});
  for (const Case& c : cases) {
    QFile::remove(Path());
    int32_t slot = 0;
    {
      Frame_List list;
      writer_frames::Fill(list, W, H, std::vector<Content>(static_cast<size_t>(c.records), Content::Textured));
      cls_VideoFile_handler first;
      first.set_Cropped_X(W);
      first.set_Cropped_Y(H);
      ASSERT_TRUE(first.Initiate_QN3_File(Path()));
      ASSERT_EQ(first.Append_Frames(list), c.records);
      slot = first.Rounded_Compressed_Size();
    }
    const int64_t record_size = qn3::Record_Size_For_Slot(slot);
    QByteArray damaged = writer_frames::File_Bytes(Path());
    c.damage(damaged, record_size);
    {
      QFile file(Path());
      ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      ASSERT_EQ(file.write(damaged), damaged.size());
    }

    cls_VideoFile_handler second; // a restarted program appends the next capture
    second.set_File_name(Path());
    if (c.refused) {
      try {
        second.Append_Frames(more);
        ADD_FAILURE() << c.name << ": appended";
      } catch (const Dora_Error& refusal) {
        EXPECT_TRUE(QString::fromStdString(refusal.what()).contains(QStringLiteral("cannot be measured")))
            << c.name << ": " << refusal.what();
      }
      EXPECT_FALSE(second.File_open()) << c.name;
      EXPECT_TRUE(writer_frames::File_Bytes(Path()) == damaged) << c.name << ": the file was changed";
      continue;
    }
    EXPECT_EQ(second.Append_Frames(more), 2) << c.name;
    const QByteArray after = writer_frames::File_Bytes(Path());
    ASSERT_EQ(after.size(), qn3::Header_Block_Size + (c.kept + 2) * record_size) << c.name;
    const auto kept_bytes = static_cast<qsizetype>(c.kept * record_size);
    EXPECT_TRUE(after.mid(qn3::Header_Block_Size, kept_bytes) == damaged.mid(qn3::Header_Block_Size, kept_bytes))
        << c.name;
    for (int32_t n = c.kept + 1; n <= c.kept + 2; ++n)
      EXPECT_EQ(writer_frames::Record_At(after, n, slot).capture_mill, 100'000 + 40 * (n - c.kept)) << c.name;
  }
  EXPECT_TRUE(errors.reports.empty()) << errors.reports.front().description.toStdString();
}

TEST_F(Append_Refusal_Fixture, SlotNeverChangesInTheMiddleOfAPass) {
  // The first frame of a new file closes and reopens it. Should the file then measure another
  // record size, the pass stops: its records are never written at another size, nor from a
  // buffer sized for another slot, and the frame already there is not cut.
  Frame_List list;
  writer_frames::Fill(list, W, H, std::vector<Content>(4, Content::Textured));
  cls_VideoFile_handler writer;
  writer.set_Cropped_X(W);
  writer.set_Cropped_Y(H);
  writer.set_Compression_Threads(1);
  ASSERT_TRUE(writer.Initiate_QN3_File(Path()));
  QByteArray after_first;
  const auto meddle = [&](int32_t done, int32_t) {
    if (done != 1) return;
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const int32_t slot = writer.Rounded_Compressed_Size();
    uint8_t claim[4];
    qn3::put_i32(claim, slot + 1000);
    file.seek(qn3::Header_Block_Size + qn3::Off_Slot_Count);
    file.write(reinterpret_cast<const char*>(claim), 4);
    file.close();
    after_first = writer_frames::File_Bytes(Path());
  };
  EXPECT_EQ(writer.Append_Frames(list, meddle), 1);
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_EQ(errors.reports[0].location, QStringLiteral("append_RGB_frame of cls_avi_handler"));
  EXPECT_TRUE(errors.reports[0].description.contains(QStringLiteral("cannot be measured")))
      << errors.reports[0].description.toStdString();
  EXPECT_TRUE(errors.reports[0].extra.contains(QStringLiteral("1 of 4"))) << errors.reports[0].extra.toStdString();
  const QByteArray file = writer_frames::File_Bytes(Path());
  EXPECT_EQ(file.size(), qn3::Header_Block_Size + qn3::Record_Size_For_Slot(writer.Rounded_Compressed_Size()));
  EXPECT_TRUE(file == after_first);
}

} // namespace
