// Header texts that spell a record's start marker ("RGBS" as a dog's or the computer's name):
// the records are found behind the header block, and such a recording reviews and appends whole.
#include "metadata/xml_header.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "reader_files.h"
#include "recording/qn3_writer.h"
#include "recording/video_file_handler.h"
#include "writer_frames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

// The computer's name as the headers of this test's recordings record it.
class Computer_Name_Guard {
public:
  explicit Computer_Name_Guard(const QString& name) : saved_(program().Computer_Name) {
    program().Computer_Name = name;
  }
  ~Computer_Name_Guard() { program().Computer_Name = saved_; }
  Computer_Name_Guard(const Computer_Name_Guard&) = delete;
  Computer_Name_Guard& operator=(const Computer_Name_Guard&) = delete;

private:
  QString saved_;
};

struct Header_Markers : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QString Path(const char* name = "heat.qn3") const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(Header_Markers, ReaderFindsTheRecordsBehindAHeaderThatSpellsTheMarker) {
  using reader_files::Recording_Spec;
  struct Case {
    const char* name;
    int32_t frames;
    std::function<void(Cls_XML_header&)> edit;
  };
  const std::vector<Case> cases = {
      {"dog name", 3, [](Cls_XML_header& h) { h.set_Dora_Dog_name(2, QStringLiteral("RGBS")); }},
      {"computer name, one frame", 1, [](Cls_XML_header& h) { h.set_Comp_Name(QStringLiteral("RGBS-PC")); }},
      {"comment, two frames", 2, [](Cls_XML_header& h) { h.set_comment(1, QStringLiteral("RGBS RGBS RGBE")); }},
      {"event and heat", 4,
       [](Cls_XML_header& h) {
         h.set_Dora_event(QStringLiteral("RGBS Cup"));
         h.set_Dora_Heat_Name(QStringLiteral("RGBSRGBSRGBF"));
       }},
  };
  for (const Case& c : cases) {
    Recording_Spec spec;
    spec.frames = c.frames;
    spec.header_frames = QString::number(c.frames);
    spec.edit = c.edit;
    const QString path = Path();
    ASSERT_TRUE(reader_files::Write_File(path, reader_files::Recording(spec)));
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(path)) << c.name;
    EXPECT_EQ(handler.Num_Frames(), c.frames) << c.name;
    EXPECT_EQ(handler.Record_Size(), qn3::Record_Size_For_Slot(spec.slot_size)) << c.name;
    for (int16_t k = 1; k <= c.frames; ++k) {
      handler.Read_RGB_sample(k, true);
      ASSERT_FALSE(handler.Read_error()) << c.name << " frame " << k;
      EXPECT_EQ(handler.Last_Decoded_Frame(), k) << c.name;
      EXPECT_EQ(handler.QN3_Capture_mill(), spec.first_mill + (k - 1) * 40) << c.name << " frame " << k;
      EXPECT_TRUE(reader_files::Near(reader_files::Corner(handler.Decode_Surface()), reader_files::Frame_Colour(k)))
          << c.name << " frame " << k;
    }
  }
  EXPECT_TRUE(prompts->seen.empty());
  EXPECT_TRUE(errors.reports.empty());
}

constexpr int32_t W = 160;
constexpr int32_t H = 120;

// What an append pass must have written for each frame of `list`: the record a lone encoder
// makes of it at the starting quality.
std::vector<QByteArray> Expected_Records(const Frame_List& list, int32_t slot) {
  std::vector<QByteArray> records;
  qn3::Frame_Encoder encoder(W, H);
  for (int32_t p = 1; p <= list.Count(); ++p) {
    QByteArray record(static_cast<qsizetype>(qn3::Record_Size_For_Slot(slot)), '\0');
    const qn3::Fit_Result fit =
        qn3::Encode_Frame_Record(encoder, *list(p), 80, slot, reinterpret_cast<uint8_t*>(record.data()));
    EXPECT_EQ(fit.status, qn3::Fit_Status::Fitted) << p;
    records.push_back(record);
  }
  return records;
}

// Opens the recording for review and reads every frame: each record is byte for byte the
// expected one, and each picture is the one its JPEG holds.
void Review(const QString& path, const std::vector<QByteArray>& expected, int32_t slot) {
  const int64_t record_size = qn3::Record_Size_For_Slot(slot);
  const QByteArray file = writer_frames::File_Bytes(path);
  ASSERT_EQ(file.size(), qn3::Header_Block_Size + static_cast<int64_t>(expected.size()) * record_size);
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(path));
  ASSERT_EQ(reader.Num_Frames(), static_cast<int16_t>(expected.size()));
  EXPECT_EQ(reader.Record_Size(), record_size);
  EXPECT_EQ(reader.Dora_Dog_name(1), QStringLiteral("RGBS"));
  EXPECT_EQ(reader.XML_Header().Comp_Name(), QStringLiteral("RGBS-PC"));
  Jpeg_Codec codec;
  for (int16_t n = 1; n <= reader.Num_Frames(); ++n) {
    const QByteArray& want = expected[static_cast<size_t>(n - 1)];
    EXPECT_TRUE(file.mid(static_cast<qsizetype>(qn3::Record_Offset(n, record_size)), want.size()) == want)
        << "record " << n;
    reader.Read_RGB_sample(n, true);
    ASSERT_FALSE(reader.Read_error()) << n;
    ASSERT_EQ(reader.Last_Decoded_Frame(), n);
    qn3::Record_Fields fields;
    ASSERT_TRUE(qn3::Decode_Record_Head(writer_frames::Bytes(want), want.size(), fields));
    EXPECT_EQ(reader.QN3_Capture_mill(), fields.capture_mill) << n;
    EXPECT_EQ(reader.QN3_JPEG_Size(), fields.jpeg_size) << n;
    cDIBSection picture;
    ASSERT_TRUE(codec.Decode_JPEG(picture, writer_frames::Bytes(want, qn3::Record_Head_Size), fields.jpeg_size));
    const cDIBSection& shown = reader.Decode_Surface();
    ASSERT_EQ(shown.SizeImage(), picture.SizeImage()) << n;
    EXPECT_EQ(
        std::memcmp(shown.DIBSectionBitsPtr(), picture.DIBSectionBitsPtr(), static_cast<size_t>(picture.SizeImage())),
        0)
        << "picture " << n;
  }
}

TEST_F(Header_Markers, RecordingNamedWithTheMarkerReviewsAppendsAndReviewsWhole) {
  const Computer_Name_Guard host(QStringLiteral("RGBS-PC"));
  Frame_List first;
  writer_frames::Fill(first, W, H, std::vector<writer_frames::Content>(6, writer_frames::Content::Textured));
  cls_VideoFile_handler writer;
  writer.set_Cropped_X(W);
  writer.set_Cropped_Y(H);
  ASSERT_TRUE(writer.Initiate_QN3_File(Path()));
  writer.set_Dora_Dog_name(1, QStringLiteral("RGBS"));
  writer.set_Dora_event(QStringLiteral("RGBS"));
  ASSERT_TRUE(writer.Write_XML_Header());
  ASSERT_EQ(writer.Append_Frames(first), 6);
  const int32_t slot = writer.Rounded_Compressed_Size();
  std::vector<QByteArray> expected = Expected_Records(first, slot);
  Review(Path(), expected, slot);

  // The program restarted: a new handler appends the next capture, taking the file's slot.
  Frame_List second;
  for (int32_t k = 7; k <= 10; ++k)
    writer_frames::Add(second, W, H, writer_frames::Content::Textured, k);
  cls_VideoFile_handler appender;
  appender.set_File_name(Path());
  ASSERT_EQ(appender.Append_Frames(second), 4);
  EXPECT_EQ(appender.Rounded_Compressed_Size(), slot);
  for (const QByteArray& record : Expected_Records(second, slot))
    expected.push_back(record);
  Review(Path(), expected, slot);

  // And the first handler appends once more behind them.
  ASSERT_EQ(writer.Append_Frames(first), 6);
  for (const QByteArray& record : Expected_Records(first, slot))
    expected.push_back(record);
  Review(Path(), expected, slot);
  EXPECT_TRUE(errors.reports.empty()) << errors.reports.front().description.toStdString();
  EXPECT_TRUE(prompts->seen.empty());
}

} // namespace
