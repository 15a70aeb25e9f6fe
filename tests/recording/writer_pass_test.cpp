// Whole append passes through the recording handler, read back as bytes and through the reader.
#include "../mock/fake_clock.h"
#include "../mock/recorded_errors.h"
#include "../mock/scripted_prompts.h"
#include "metadata/xml_header.h"
#include "recording/header_journal.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_writer.h"
#include "recording/video_file_handler.h"
#include "writer_frames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

using writer_frames::Content;
using writer_frames::Record_At;

constexpr int32_t W = 160;
constexpr int32_t H = 120;

struct Pass_Fixture : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  QString Path(const char* name = "heat.qn3") const { return dir.filePath(QString::fromLatin1(name)); }

  static void Prepare(cls_VideoFile_handler& handler, const QString& path, int32_t width = W, int32_t height = H) {
    handler.set_Cropped_X(width);
    handler.set_Cropped_Y(height);
    ASSERT_TRUE(handler.Initiate_QN3_File(path));
  }
  static std::unique_ptr<Cls_XML_header> Header_Of(const QByteArray& file) {
    auto header = std::make_unique<Cls_XML_header>();
    header->set_XML_string(qn3::Parse_Header_Text(writer_frames::Bytes(file), file.size()));
    return header;
  }
  // The largest JPEG of the sampled frames at quality 80, as sizing sees it.
  static int32_t Largest_Sample(const Frame_List& list, int32_t width, int32_t height) {
    qn3::Frame_Encoder encoder(width, height);
    std::vector<uint8_t> out(1'000'000);
    int32_t largest = 0;
    for (const int32_t p : qn3::Sizing_Sample_Positions(list.Count())) {
      QString why;
      EXPECT_TRUE(encoder.Load(*list(p), why));
      largest = std::max(largest, encoder.Encode(out.data(), 1'000'000, 80).size);
    }
    return largest;
  }
};

TEST_F(Pass_Fixture, FirstPassOfANewFile) {
  Recorded_Errors errors;
  Frame_List list;
  writer_frames::Fill(list, W, H, std::vector<Content>(6, Content::Textured));
  cls_VideoFile_handler handler;
  Prepare(handler, Path());
  std::vector<std::pair<int32_t, int32_t>> progress;
  EXPECT_EQ(handler.Append_Frames(list, [&](int32_t done, int32_t total) { progress.emplace_back(done, total); }), 6);
  EXPECT_TRUE(errors.reports.empty()) << errors.reports.front().description.toStdString();
  EXPECT_FALSE(handler.File_open());
  ASSERT_EQ(progress.size(), 6u);
  EXPECT_EQ(progress.back(), std::make_pair(6, 6));

  const int32_t slot = handler.Rounded_Compressed_Size();
  EXPECT_EQ(slot, qn3::Slot_Size_For(Largest_Sample(list, W, H)));
  const int64_t record_size = qn3::Record_Size_For_Slot(slot);
  const QByteArray file = writer_frames::File_Bytes(Path());
  EXPECT_EQ(file.size(), qn3::Header_Block_Size + 6 * record_size);
  const auto header_doc = Header_Of(file);
  const Cls_XML_header& header = *header_doc;
  EXPECT_EQ(header.Frames_no(), QStringLiteral("6"));
  EXPECT_EQ(header.RGB_Sample_Size(), QString::number(slot + 58));
  EXPECT_EQ(header.Segments_no(), QStringLiteral("2")); // the first frame closes and reopens the file
  EXPECT_EQ(header.RGB_Image_Size(), QString::number(slot));
  EXPECT_EQ(header.RGB_X(), QStringLiteral("160"));
  EXPECT_EQ(header.RGB_fourcc(), QStringLiteral("IJL"));
  EXPECT_EQ(header.RGB_JPEG_codec(), QStringLiteral("Intel"));

  int32_t largest = 0;
  for (int32_t n = 1; n <= 6; ++n) {
    const qn3::Record_Fields fields = Record_At(file, n, slot);
    EXPECT_EQ(fields.capture_mill, 100'000 + 40 * n) << n;
    EXPECT_EQ(fields.quality, 80) << n;
    largest = std::max(largest, fields.jpeg_size);
  }
  EXPECT_EQ(header.RGB_Compressed_max_Size(), QString::number(largest));

  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(Path()));
  EXPECT_EQ(reader.Num_Frames(), 6);
  const std::vector<uint8_t> source = writer_frames::Picture(W, H, Content::Textured, 5);
  reader.Read_RGB_sample(5, true);
  EXPECT_EQ(reader.QN3_Capture_mill(), 100'200);
  const cDIBSection& shown = reader.Decode_Surface();
  ASSERT_EQ(shown.Width(), W);
  const int32_t stride = shown.BytesPerScanLine();
  for (const int32_t at : {0, stride * 60 + 240, stride * (H - 1) + 3 * (W - 1)})
    EXPECT_NEAR(shown.DIBSectionBitsPtr()[at], source[static_cast<size_t>(at)], 40) << at;
}

TEST_F(Pass_Fixture, FramesTooLargeForTheSlotGetLowerQualityOrAreReported) {
  Recorded_Errors errors;
  {
    // Flat frames are sampled; the noisy ones then need a lower quality to fit.
    Frame_List list;
    writer_frames::Fill(list, W, H, {Content::Noise, Content::Flat, Content::Flat, Content::Flat, Content::Noise});
    cls_VideoFile_handler handler;
    Prepare(handler, Path());
    EXPECT_EQ(handler.Append_Frames(list), 5);
    const int32_t slot = handler.Rounded_Compressed_Size();
    const QByteArray file = writer_frames::File_Bytes(Path());
    Jpeg_Codec codec;
    for (int32_t n = 1; n <= 5; ++n) {
      const qn3::Record_Fields fields = Record_At(file, n, slot);
      const bool noisy = n == 1 || n == 5;
      if (noisy) {
        EXPECT_LT(fields.quality, 80) << n;
        EXPECT_GE(fields.quality, 1) << n;
      } else {
        EXPECT_EQ(fields.quality, 80) << n;
      }
      EXPECT_LE(fields.jpeg_size, slot);
      cDIBSection picture;
      const int64_t at = qn3::Record_Offset(n, qn3::Record_Size_For_Slot(slot)) + qn3::Record_Head_Size;
      EXPECT_TRUE(codec.Decode_JPEG(picture, writer_frames::Bytes(file, at), fields.jpeg_size)) << n;
    }
    EXPECT_TRUE(errors.reports.empty());
  }
  {
    // Tall noisy frames do not fit even at quality 1: reported, left out, the pass goes on.
    Frame_List list;
    writer_frames::Fill(list, 400, 880, {Content::Noise, Content::Flat, Content::Flat, Content::Flat, Content::Noise});
    cls_VideoFile_handler handler;
    Prepare(handler, Path("tall.qn3"), 400, 880);
    // Reported only once the pass has handled its last frame: the error window runs the event
    // loop, which must not run while the encoders read the frames.
    int32_t done = 0;
    std::vector<int32_t> done_at_report;
    errors.on_report = [&] { done_at_report.push_back(done); };
    EXPECT_EQ(handler.Append_Frames(list, [&](int32_t d, int32_t) { done = d; }), 3);
    EXPECT_EQ(done_at_report, (std::vector<int32_t>{5, 5}));
    ASSERT_EQ(errors.reports.size(), 2u);
    for (const auto& report : errors.reports) {
      EXPECT_EQ(report.location, QStringLiteral("append_RGB_frame of cls_avi_handler"));
      EXPECT_TRUE(report.description.contains(QStringLiteral("quality 1"))) << report.description.toStdString();
    }
    const int32_t slot = handler.Rounded_Compressed_Size();
    const QByteArray file = writer_frames::File_Bytes(Path("tall.qn3"));
    EXPECT_EQ(file.size(), qn3::Header_Block_Size + 3 * qn3::Record_Size_For_Slot(slot));
    EXPECT_EQ(Record_At(file, 1, slot).capture_mill, 100'080); // frame 2 comes first
    EXPECT_EQ(Header_Of(file)->Frames_no(), QStringLiteral("3"));
  }
}

TEST_F(Pass_Fixture, ReopenedFileKeepsItsSlotAndReadsBackWhole) {
  Recorded_Errors errors;
  int32_t slot = 0;
  {
    Frame_List list;
    writer_frames::Fill(list, W, H, std::vector<Content>(4, Content::Flat));
    cls_VideoFile_handler first;
    Prepare(first, Path());
    ASSERT_EQ(first.Append_Frames(list), 4);
    slot = first.Rounded_Compressed_Size();
  }
  // A new handler (a restarted program) appends noisy frames: sized afresh they would take a
  // much larger slot, which would make the file unreadable.
  Frame_List noisy;
  for (int32_t k = 5; k <= 8; ++k)
    writer_frames::Add(noisy, W, H, Content::Noise, k);
  ASSERT_GT(qn3::Slot_Size_For(Largest_Sample(noisy, W, H)), slot);
  cls_VideoFile_handler second;
  second.set_File_name(Path());
  ASSERT_EQ(second.Append_Frames(noisy), 4);
  EXPECT_EQ(second.Rounded_Compressed_Size(), slot);
  EXPECT_TRUE(errors.reports.empty());

  const int64_t record_size = qn3::Record_Size_For_Slot(slot);
  const QByteArray file = writer_frames::File_Bytes(Path());
  EXPECT_EQ(file.size(), qn3::Header_Block_Size + 8 * record_size);
  const auto header_doc = Header_Of(file);
  const Cls_XML_header& header = *header_doc;
  EXPECT_EQ(header.Frames_no(), QStringLiteral("8"));
  EXPECT_EQ(header.RGB_Image_Size(), QString::number(slot));
  EXPECT_EQ(header.RGB_Sample_Size(), QString::number(record_size));
  EXPECT_EQ(header.Segments_no(), QStringLiteral("3"));

  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(Path()));
  ASSERT_EQ(reader.Num_Frames(), 8);
  EXPECT_EQ(reader.Record_Size(), record_size);
  Jpeg_Codec codec;
  for (int16_t n = 1; n <= 8; ++n) {
    reader.Read_RGB_sample(n, false);
    EXPECT_FALSE(reader.Read_error()) << n;
    EXPECT_EQ(reader.QN3_Capture_mill(), 100'000 + 40 * n) << n;
    cDIBSection picture;
    const int64_t at = qn3::Record_Offset(n, record_size) + qn3::Record_Head_Size;
    EXPECT_TRUE(codec.Decode_JPEG(picture, writer_frames::Bytes(file, at), reader.QN3_JPEG_Size())) << n;
  }
}

TEST_F(Pass_Fixture, RecordCutShortByAnEarlierFailureIsOverwritten) {
  Frame_List list;
  writer_frames::Fill(list, W, H, std::vector<Content>(3, Content::Textured));
  int32_t slot = 0;
  {
    cls_VideoFile_handler first;
    Prepare(first, Path());
    ASSERT_EQ(first.Append_Frames(list), 3);
    slot = first.Rounded_Compressed_Size();
  }
  const int64_t record_size = qn3::Record_Size_For_Slot(slot);
  {
    // Most of a fourth record, as a crash mid-write leaves it.
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray record = file.read(qn3::Header_Block_Size + record_size).mid(qn3::Header_Block_Size);
    file.seek(file.size());
    file.write(record.left(static_cast<qsizetype>(record_size * 3 / 4)));
  }
  cls_VideoFile_handler second;
  second.set_File_name(Path());
  ASSERT_EQ(second.Append_Frames(list), 3);
  const QByteArray file = writer_frames::File_Bytes(Path());
  EXPECT_EQ(file.size(), qn3::Header_Block_Size + 6 * record_size);
  for (int32_t n = 1; n <= 6; ++n)
    EXPECT_TRUE(qn3::is_marker(writer_frames::Bytes(file, qn3::Record_Offset(n, record_size)), "RGBS")) << n;
  EXPECT_EQ(Header_Of(file)->Frames_no(), QStringLiteral("6"));
}

TEST_F(Pass_Fixture, ParallelPassIsByteIdenticalToOneThread) {
  Fake_Clock clock; // the header carries times: the same clock for both files
  // And an ID: the same one for every file.
  struct Fixed_IDs {
    Recording_ID_Source before =
        Install_Recording_ID_Source([] { return QStringLiteral("00112233445566778899aabbccddeeff"); });
    ~Fixed_IDs() { Install_Recording_ID_Source(before); }
  } ids;
  Frame_List list;
  std::vector<Content> contents;
  for (int32_t k = 0; k < 17; ++k)
    contents.push_back(k % 5 == 4 ? Content::Noise : (k % 3 == 0 ? Content::Flat : Content::Textured));
  writer_frames::Fill(list, W, H, contents);
  QByteArray reference;
  for (const int32_t threads : {1, 2, 4}) {
    QTemporaryDir own;
    const QString path = own.filePath(QStringLiteral("heat.qn3"));
    cls_VideoFile_handler handler;
    handler.set_Compression_Threads(threads);
    Prepare(handler, path);
    ASSERT_EQ(handler.Append_Frames(list), 17);
    // A second pass of the same handler too (the record size is known by then).
    ASSERT_EQ(handler.Append_Frames(list), 17);
    const QByteArray file = writer_frames::File_Bytes(path);
    if (reference.isEmpty())
      reference = file;
    else
      EXPECT_TRUE(file == reference) << threads << " threads";
  }
  EXPECT_EQ(Header_Of(reference)->Frames_no(), QStringLiteral("34"));

  // The step-by-step sequence (size, open, one frame at a time, close) writes the same bytes.
  QTemporaryDir own;
  const QString path = own.filePath(QStringLiteral("heat.qn3"));
  cls_VideoFile_handler handler;
  Prepare(handler, path);
  for (int pass = 0; pass < 2; ++pass) {
    if (handler.Rounded_Compressed_Size() == 0) handler.Calculate_Compressed_Size(list);
    handler.Close_File();
    handler.Open_qn3_for_Append();
    for (int32_t i = 1; i <= list.Count(); ++i)
      handler.Append_RGB_Frame(list, i);
    handler.Close_File();
  }
  EXPECT_TRUE(writer_frames::File_Bytes(path) == reference);
}

TEST_F(Pass_Fixture, SlotTailsAreZeroAfterLargerFrames) {
  // One record buffer serves every frame: a small JPEG after a large one must not leave the
  // large one's bytes behind it.
  Frame_List list;
  writer_frames::Fill(list, W, H, {Content::Noise, Content::Textured, Content::Noise, Content::Flat, Content::Flat});
  cls_VideoFile_handler handler;
  handler.set_Compression_Threads(1);
  Prepare(handler, Path());
  ASSERT_EQ(handler.Append_Frames(list), 5);
  const int32_t slot = handler.Rounded_Compressed_Size();
  const QByteArray file = writer_frames::File_Bytes(Path());
  for (int32_t n = 1; n <= 5; ++n) {
    const qn3::Record_Fields fields = Record_At(file, n, slot);
    const uint8_t* data =
        writer_frames::Bytes(file, qn3::Record_Offset(n, qn3::Record_Size_For_Slot(slot))) + qn3::Record_Head_Size;
    EXPECT_TRUE(std::all_of(data + fields.jpeg_size, data + slot, [](uint8_t b) { return b == 0; })) << n;
    EXPECT_TRUE(qn3::is_marker(data + slot, "RGBF")) << n;
  }
}

TEST_F(Pass_Fixture, HeaderRewriteChangesOnlyTheHeaderBlock) {
  Frame_List list;
  writer_frames::Fill(list, W, H, std::vector<Content>(3, Content::Textured));
  cls_VideoFile_handler handler;
  Prepare(handler, Path());
  ASSERT_EQ(handler.Append_Frames(list), 3);
  const QByteArray before = writer_frames::File_Bytes(Path());
  ASSERT_FALSE(handler.File_open());
  handler.set_Dora_event(QStringLiteral("Spring Derby"));
  handler.set_Dora_Heat_time(2, false, 31'230);
  EXPECT_TRUE(handler.Write_XML_Header());
  EXPECT_TRUE(handler.File_open()); // left open for the next rewrite
  handler.Close_File();
  const QByteArray after = writer_frames::File_Bytes(Path());
  ASSERT_EQ(after.size(), before.size());
  EXPECT_TRUE(after.mid(qn3::Header_Block_Size) == before.mid(qn3::Header_Block_Size));
  EXPECT_FALSE(after.left(qn3::Header_Block_Size) == before.left(qn3::Header_Block_Size));
  const auto header_doc = Header_Of(after);
  const Cls_XML_header& header = *header_doc;
  EXPECT_EQ(header.Dora_event(), QStringLiteral("Spring Derby"));
  EXPECT_EQ(header.Dora_Heat_time(2, false), 31'230);
  EXPECT_EQ(header.Frames_no(), QStringLiteral("3"));
  EXPECT_TRUE(qn3::is_marker(writer_frames::Bytes(after, qn3::End_Marker_Offset), "QNVX"));
}

// Files of this process may not grow past `bytes` while the guard lives: writes beyond fail
// as on a full disk.
class File_Size_Limit {
public:
  explicit File_Size_Limit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_signal_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~File_Size_Limit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_signal_);
  }
  File_Size_Limit(const File_Size_Limit&) = delete;
  File_Size_Limit& operator=(const File_Size_Limit&) = delete;

private:
  rlimit saved_{};
  void (*previous_signal_)(int) = nullptr;
};

TEST_F(Pass_Fixture, FailedWriteKeepsEveryCompleteFrameReadable) {
  Recorded_Errors errors;
  Frame_List list;
  writer_frames::Fill(list, W, H, std::vector<Content>(7, Content::Textured));
  cls_VideoFile_handler handler;
  Prepare(handler, Path());
  handler.Calculate_Compressed_Size(list);
  const int32_t slot = handler.Rounded_Compressed_Size();
  ASSERT_GT(slot, 0);
  const int64_t record_size = qn3::Record_Size_For_Slot(slot);
  int32_t written = 0;
  {
    const File_Size_Limit full(static_cast<rlim_t>(qn3::Header_Block_Size + 3 * record_size + record_size / 2));
    written = handler.Append_Frames(list);
  }
  EXPECT_EQ(written, 3);
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_EQ(errors.reports[0].location, QStringLiteral("append_RGB_frame of cls_avi_handler"));
  EXPECT_TRUE(errors.reports[0].description.contains(QStringLiteral("Could not write")))
      << errors.reports[0].description.toStdString();
  EXPECT_TRUE(errors.reports[0].extra.contains(QStringLiteral("3 of 7"))) << errors.reports[0].extra.toStdString();

  const QByteArray file = writer_frames::File_Bytes(Path());
  EXPECT_EQ(file.size(), qn3::Header_Block_Size + 3 * record_size); // no part of the fourth record
  EXPECT_EQ(Header_Of(file)->Frames_no(), QStringLiteral("3"));
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(Path()));
  EXPECT_EQ(reader.Num_Frames(), 3);
  reader.Read_RGB_sample(3, true);
  EXPECT_EQ(reader.QN3_Capture_mill(), 100'120);
  reader.Close_File();

  // With room again the next pass goes on behind the third frame.
  EXPECT_EQ(handler.Append_Frames(list), 7);
  EXPECT_EQ(writer_frames::File_Bytes(Path()).size(), qn3::Header_Block_Size + 10 * record_size);
}

// The records are written but the disk does not confirm them: the frames are kept for another
// try, and that try writes each of them once, where they were, not a second time behind them.
TEST_F(Pass_Fixture, ASyncThatFailsLeavesNoRecordToBeWrittenTwice) {
  Recorded_Errors errors;
  Frame_List list;
  writer_frames::Fill(list, W, H, std::vector<Content>(5, Content::Textured));
  cls_VideoFile_handler handler;
  Prepare(handler, Path());
  const int64_t before = writer_frames::File_Bytes(Path()).size();
  int32_t handled = -1;
  {
    const qn3::Sync_Function previous = qn3::Install_Sync_Function([](int) {
      errno = EIO;
      return -1;
    });
    EXPECT_EQ(handler.Append_Frames(list, {}, {}, &handled), 0);
    qn3::Install_Sync_Function(previous);
  }
  EXPECT_EQ(handled, 0) << "every frame stays for another try";
  EXPECT_TRUE(std::any_of(errors.reports.begin(), errors.reports.end(),
                          [](const auto& r) { return r.extra.contains(QStringLiteral("kept in memory")); }));
  EXPECT_EQ(writer_frames::File_Bytes(Path()).size(), before);

  EXPECT_EQ(handler.Append_Frames(list, {}, {}, &handled), 5);
  EXPECT_EQ(handled, 5);
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(Path()));
  EXPECT_EQ(reader.Num_Frames(), 5) << "each frame once";
  reader.Close_File();
}

TEST_F(Pass_Fixture, BadTargetsAreReportedAndLoseNothing) {
  Recorded_Errors errors;
  cls_VideoFile_handler handler;
  handler.set_Cropped_X(W);
  handler.set_Cropped_Y(H);
  EXPECT_FALSE(handler.Initiate_QN3_File(dir.filePath(QStringLiteral("no/such/folder/heat.qn3"))));
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_TRUE(errors.reports[0].description.contains(QStringLiteral("Cannot create")));
  EXPECT_FALSE(handler.File_open());

  // Appending to a file that is not there reaches the caller.
  Frame_List list;
  writer_frames::Fill(list, W, H, {Content::Textured, Content::Textured});
  EXPECT_THROW(handler.Append_Frames(list), Dora_Error);

  // A recording with frames is never replaced by a fresh header.
  Prepare(handler, Path());
  ASSERT_EQ(handler.Append_Frames(list), 2);
  const QByteArray before = writer_frames::File_Bytes(Path());
  errors.reports.clear();
  EXPECT_FALSE(handler.Initiate_QN3_File(Path()));
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_TRUE(errors.reports[0].description.contains(QStringLiteral("holds frames")));
  EXPECT_TRUE(writer_frames::File_Bytes(Path()) == before);

  // A file too short for a header block is not taken for a recording.
  {
    QFile stub(Path("stub.qn3"));
    ASSERT_TRUE(stub.open(QIODevice::WriteOnly));
    stub.write("QNV3 not a recording");
  }
  cls_VideoFile_handler other;
  other.set_File_name(Path("stub.qn3"));
  EXPECT_THROW(other.Append_Frames(list), Dora_Error);
  EXPECT_FALSE(other.File_open());
  EXPECT_EQ(writer_frames::File_Bytes(Path("stub.qn3")), QByteArray("QNV3 not a recording"));
}

} // namespace
