#include "recording/video_file_handler.h"

#include "metadata/xml_header.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "reader_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <random>

using namespace reader_files;

namespace {

class ReaderTest : public ::testing::Test {
protected:
  QString Write(const QByteArray& bytes, const QString& name = QStringLiteral("heat.qn3")) {
    const QString path = dir_.filePath(name);
    EXPECT_TRUE(Write_File(path, bytes));
    return path;
  }

  static constexpr uint32_t Blue = Placeholder_Blue;

  QTemporaryDir dir_;
  Prompts_Guard prompts_;
  Recorded_Errors errors_;
};

TEST_F(ReaderTest, CountsComeFromTheFileNotFromTheHeader) {
  struct Case {
    int32_t frames;
    QString header_frames;
    QString header_sample_size;
  };
  const std::vector<Case> cases = {
      {2, "2", ""}, {2, "7", "999"}, {2, "0", "0"}, {5, "0", ""}, {3, "32767", "58"},
  };
  for (const Case& c : cases) {
    Recording_Spec spec;
    spec.frames = c.frames;
    spec.header_frames = c.header_frames;
    spec.header_sample_size = c.header_sample_size;
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(Write(Recording(spec)))) << c.header_frames.toStdString();
    EXPECT_EQ(handler.Num_Frames(), c.frames);
    EXPECT_EQ(handler.QN3_Num_fields(), c.frames);
    EXPECT_EQ(handler.QN3_Num_Frames(), c.header_frames.toShort());
    EXPECT_EQ(handler.Record_Size(), spec.slot_size + 58);
    EXPECT_EQ(handler.Width(), Width);
    EXPECT_EQ(handler.Height(), Height);
    EXPECT_EQ(handler.Total_Duration(), 20 * c.frames);
    handler.Read_RGB_sample(static_cast<int16_t>(c.frames), true);
    EXPECT_FALSE(handler.Read_error());
    EXPECT_EQ(handler.QN3_Capture_mill(), spec.first_mill + (c.frames - 1) * 40);
    EXPECT_TRUE(Near(Corner(handler.Decode_Surface()), Frame_Colour(c.frames)));
  }
  EXPECT_TRUE(prompts_->seen.empty());
  EXPECT_TRUE(errors_.reports.empty());
}

TEST_F(ReaderTest, InterlacedRecordingHasTwoFieldsPerFrame) {
  Recording_Spec spec;
  spec.frames = 4;
  spec.interlaced = true;
  cls_VideoFile_handler handler;
  ASSERT_TRUE(handler.Open_File(Write(Recording(spec))));
  EXPECT_EQ(handler.Num_fields(), 8);
  EXPECT_EQ(handler.mill_per_frame(), 40);
  EXPECT_EQ(handler.mill_per_field(), 20);
  EXPECT_EQ(handler.Total_Duration(), 160);
  handler.Note_Field_Shown(1);
  const float first = handler.Player_Effective_Time();
  handler.Note_Field_Shown(2);
  EXPECT_EQ(handler.QN3_Displayed_Frame(), 1);
  EXPECT_EQ(handler.Field_To_Show(), 2);
  EXPECT_FLOAT_EQ(handler.Player_Effective_Time() - first, 20.0F);
  handler.Note_Field_Shown(7);
  EXPECT_EQ(handler.QN3_Displayed_Frame(), 4);
  EXPECT_EQ(handler.Effective_time(), 120);
  EXPECT_EQ(handler.Formatted_Time(), QStringLiteral("0.12"));
  handler.Set_Base_time(true);
  EXPECT_FLOAT_EQ(handler.Player_Effective_Time(), 0.0F);
  handler.Note_Field_Shown(8);
  EXPECT_FLOAT_EQ(handler.Player_Effective_Time(), 20.0F);
  handler.Set_Base_time(false);
  EXPECT_FLOAT_EQ(handler.Player_Effective_Time(), 140.0F);
}

TEST_F(ReaderTest, CutLastRecordCountsWhenMoreThanHalfIsThere) {
  Recording_Spec spec;
  spec.frames = 3;
  const QByteArray whole = Recording(spec);
  const int64_t record = spec.slot_size + 58;
  struct Case {
    int64_t missing;
    int16_t frames;
  };
  for (const Case& c : {Case{record / 2 - 100, 3}, Case{record / 2 + 100, 2}, Case{record - 10, 2}}) {
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(Write(whole.left(whole.size() - c.missing))));
    EXPECT_EQ(handler.Num_Frames(), c.frames) << c.missing;
  }
  // Cut inside the JPEG: the record counts, decodes to the placeholder, and its times hold.
  Recording_Spec tight;
  tight.slot_size = static_cast<int32_t>(Frame_JPEG(3).size()) + 20;
  const int64_t tight_record = tight.slot_size + 58;
  const QByteArray cut = Recording(tight).left(qn3::Header_Block_Size + 2 * tight_record + tight_record / 2 + 30);
  cls_VideoFile_handler handler;
  ASSERT_TRUE(handler.Open_File(Write(cut)));
  ASSERT_EQ(handler.Num_Frames(), 3);
  handler.Read_RGB_sample(3, true);
  EXPECT_FALSE(handler.Read_error());
  EXPECT_EQ(Corner(handler.Decode_Surface()), Blue);
  EXPECT_EQ(handler.QN3_Capture_mill(), tight.first_mill + 80);
}

TEST_F(ReaderTest, CutAnywhereOpensAndShowsEveryCompleteFrame) {
  Recording_Spec spec;
  spec.frames = 4;
  const QByteArray whole = Recording(spec);
  const int64_t record = spec.slot_size + 58;
  for (int64_t length = 0; length <= whole.size(); length += 977) {
    const QString path = Write(whole.left(length));
    cls_VideoFile_handler handler;
    const bool opened = handler.Open_File(path);
    if (length <= 99) {
      EXPECT_FALSE(opened);
      continue;
    }
    ASSERT_TRUE(opened) << length;
    const int64_t complete = length < qn3::Header_Block_Size ? 0 : (length - qn3::Header_Block_Size) / record;
    EXPECT_GE(handler.Num_Frames(), complete) << length;
    for (int16_t k = 1; k <= complete; ++k) {
      handler.Read_RGB_sample(k, true);
      ASSERT_FALSE(handler.Read_error()) << length << " frame " << k;
      EXPECT_EQ(handler.QN3_Capture_mill(), spec.first_mill + (k - 1) * 40);
      EXPECT_TRUE(Near(Corner(handler.Decode_Surface()), Frame_Colour(k))) << length << " frame " << k;
    }
    for (int16_t k = 1; k <= handler.Num_Frames() + 1; ++k)
      handler.Read_RGB_sample(k, true);
  }
  EXPECT_TRUE(errors_.reports.empty());
}

TEST_F(ReaderTest, DamageCostsOnlyTheFramesItHits) {
  Recording_Spec spec;
  spec.frames = 4;
  const QByteArray whole = Recording(spec);
  const int64_t record = spec.slot_size + 58;
  const auto at = [&](int32_t frame, int64_t offset) {
    return static_cast<qsizetype>(qn3::Header_Block_Size + (frame - 1) * record + offset);
  };
  const auto put = [](QByteArray& bytes, qsizetype offset, int32_t value) {
    qn3::put_i32(reinterpret_cast<uint8_t*>(bytes.data()) + offset, value);
  };
  // What reading frame k then shows: its picture, the placeholder (its times still its own),
  // or the previous frame's record and picture, kept.
  enum class Shows { Picture, Placeholder, Previous };
  constexpr Shows P = Shows::Picture;
  struct Case {
    const char* name;
    std::function<void(QByteArray&)> damage;
    int16_t frames;
    std::array<Shows, 4> shows;
    QStringList messages;
  };
  const QString failed_jpg = QStringLiteral("Failed to read JPG");
  const std::vector<Case> cases = {
      {"magic and end marker",
       [&](QByteArray& b) { b[0] = 'X', b[qn3::End_Marker_Offset] = 'X'; },
       4,
       {P, P, P, P},
       {}},
      {"text length beyond the area",
       [&](QByteArray& b) { put(b, qn3::Text_Length_Offset, 0x7FFFFFFF); },
       4,
       {P, P, P, P},
       {}},
      {"first record's middle marker",
       [&](QByteArray& b) { b[at(1, qn3::Off_Mid_Marker)] = 'r'; },
       4,
       {P, P, P, P},
       {}},
      {"first record's descriptor",
       [&](QByteArray& b) { put(b, at(1, qn3::Off_Slot_Count), 77); },
       4,
       {P, P, P, P},
       {}},
      {"second record's end marker", [&](QByteArray& b) { b[at(3, -1)] = 'x'; }, 4, {P, P, P, P}, {}},
      {"third record's start marker", [&](QByteArray& b) { b[at(3, 0)] = 'X'; }, 4, {P, P, Shows::Previous, P}, {}},
      {"second record's start marker", [&](QByteArray& b) { b[at(2, 0)] = 'X'; }, 4, {P, Shows::Previous, P, P}, {}},
      {"first record's start marker", [&](QByteArray& b) { b[at(1, 0)] = 'X'; }, 4, {Shows::Previous, P, P, P}, {}},
      {"JPEG size beyond the slot",
       [&](QByteArray& b) { put(b, at(2, qn3::Off_JPEG_Size), 0x7FFFFFFF); },
       4,
       {P, P, P, P},
       {}},
      {"JPEG size negative",
       [&](QByteArray& b) { put(b, at(2, qn3::Off_JPEG_Size), -5); },
       4,
       {P, Shows::Placeholder, P, P},
       {}},
      {"JPEG parameters destroyed",
       [&](QByteArray& b) { b[at(4, qn3::Record_Head_Size + 1)] = 0; },
       4,
       {P, P, P, Shows::Placeholder},
       {failed_jpg}},
      {"every start marker",
       [&](QByteArray& b) {
         for (int32_t k = 1; k <= 4; ++k)
           b[at(k, 0)] = 'X';
       },
       0,
       {Shows::Previous, Shows::Previous, Shows::Previous, Shows::Previous},
       {QStringLiteral("Corrupt file, (Invalid record size)")}},
  };
  for (const Case& c : cases) {
    prompts_->seen.clear();
    QByteArray damaged = whole;
    c.damage(damaged);
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(Write(damaged))) << c.name;
    EXPECT_EQ(handler.Num_Frames(), c.frames) << c.name;
    for (int16_t k = 1; k <= 4; ++k) {
      const int16_t before = handler.Last_Decoded_Frame();
      const int32_t mill_before = handler.QN3_Capture_mill();
      handler.Read_RGB_sample(k, true);
      EXPECT_FALSE(handler.Read_error()) << c.name << " frame " << k;
      switch (c.shows[static_cast<size_t>(k - 1)]) {
      case Shows::Picture:
        EXPECT_TRUE(Near(Corner(handler.Decode_Surface()), Frame_Colour(k))) << c.name << " frame " << k;
        EXPECT_EQ(handler.QN3_Capture_mill(), spec.first_mill + (k - 1) * 40) << c.name << " frame " << k;
        break;
      case Shows::Placeholder:
        EXPECT_EQ(Corner(handler.Decode_Surface()), Blue) << c.name << " frame " << k;
        EXPECT_EQ(handler.QN3_Capture_mill(), spec.first_mill + (k - 1) * 40) << c.name << " frame " << k;
        break;
      case Shows::Previous:
        EXPECT_EQ(handler.Last_Decoded_Frame(), before) << c.name << " frame " << k;
        EXPECT_EQ(handler.QN3_Capture_mill(), mill_before) << c.name << " frame " << k;
        break;
      }
      if (!handler.Decode_Surface().Is_Empty()) {
        EXPECT_EQ(handler.Decode_Surface().Width(), Width) << c.name;
        EXPECT_EQ(handler.Decode_Surface().Height(), Height) << c.name;
      }
    }
    EXPECT_EQ(prompts_->messages(), c.messages) << c.name;
  }
  EXPECT_TRUE(errors_.reports.empty());
}

TEST_F(ReaderTest, FlippedBitsInOneFrameLeaveTheOthersWhole) {
  Recording_Spec spec;
  spec.frames = 4;
  const QByteArray whole = Recording(spec);
  const int64_t record = spec.slot_size + 58;
  const std::vector<uint8_t> jpeg = Frame_JPEG(2);
  // The entropy-coded data of frame 2: after its start-of-scan segment, before its end marker.
  size_t data = 0;
  for (size_t i = 0; i + 3 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
      data = i + 2 + ((size_t{jpeg[i + 2]} << 8) | jpeg[i + 3]);
      break;
    }
  ASSERT_GT(data, 0u);
  const qsizetype slot_start = static_cast<qsizetype>(qn3::Header_Block_Size + record + qn3::Record_Head_Size);
  std::mt19937 random(2024);
  std::uniform_int_distribution<size_t> where(data, jpeg.size() - 3);
  std::uniform_int_distribution<int> bit(0, 7);
  int placeholders = 0;
  for (int round = 0; round < 60; ++round) {
    QByteArray damaged = whole;
    for (int flips = 1 + round % 12; flips > 0; --flips) {
      const qsizetype i = slot_start + static_cast<qsizetype>(where(random));
      damaged[i] = static_cast<char>(damaged[i] ^ (1 << bit(random)));
    }
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(Write(damaged)));
    ASSERT_EQ(handler.Num_Frames(), 4);
    for (int16_t k = 1; k <= 4; ++k) {
      handler.Read_RGB_sample(k, true);
      ASSERT_FALSE(handler.Read_error()) << round;
      EXPECT_EQ(handler.Last_Decoded_Frame(), k) << round;
      EXPECT_EQ(handler.QN3_Capture_mill(), spec.first_mill + (k - 1) * 40) << round;
      EXPECT_EQ(handler.Decode_Surface().Width(), Width) << round;
      EXPECT_EQ(handler.Decode_Surface().Height(), Height) << round;
      if (k != 2) {
        EXPECT_TRUE(Near(Corner(handler.Decode_Surface()), Frame_Colour(k))) << round << " frame " << k;
      } else if (Corner(handler.Decode_Surface()) == Blue) {
        ++placeholders;
      }
    }
  }
  // Damaged data shows the placeholder, never a message.
  EXPECT_GT(placeholders, 10);
  EXPECT_TRUE(prompts_->seen.empty());
  EXPECT_TRUE(errors_.reports.empty());
}

TEST_F(ReaderTest, DamagedJpegShowsPlaceholderAndMissingMarkerKeepsThePreviousFrame) {
  Recording_Spec spec;
  spec.frames = 4;
  QByteArray bytes = Recording(spec);
  const int64_t record = spec.slot_size + 58;
  const qsizetype third = static_cast<qsizetype>(qn3::Header_Block_Size + 2 * record);
  for (qsizetype i = third + 54 + 2; i < third + 54 + 200; ++i)
    bytes[i] = '\x55'; // JPEG headers wrecked
  const qsizetype fourth = third + static_cast<qsizetype>(record);
  bytes[fourth] = 'X'; // no start marker
  cls_VideoFile_handler handler;
  ASSERT_TRUE(handler.Open_File(Write(bytes)));
  ASSERT_EQ(handler.Num_Frames(), 4);

  handler.Read_RGB_sample(3, true);
  EXPECT_FALSE(handler.Read_error());
  EXPECT_EQ(Corner(handler.Decode_Surface()), Blue);
  EXPECT_EQ(handler.QN3_Capture_mill(), spec.first_mill + 80); // the times are still good

  handler.Read_RGB_sample(2, true);
  const uint32_t second = Corner(handler.Decode_Surface());
  for (const int16_t k : {int16_t{4}, int16_t{5}, int16_t{-3}, int16_t{32767}}) {
    handler.Read_RGB_sample(k, true);
    EXPECT_EQ(handler.Last_Decoded_Frame(), 2) << k;
    EXPECT_EQ(handler.QN3_Capture_mill(), spec.first_mill + 40) << k;
    EXPECT_EQ(Corner(handler.Decode_Surface()), second) << k;
  }
}

TEST_F(ReaderTest, SameFrameTwiceDecodesOnce) {
  Recording_Spec spec;
  spec.frames = 3;
  cls_VideoFile_handler handler;
  ASSERT_TRUE(handler.Open_File(Write(Recording(spec))));
  const int32_t before = handler.Decode_Count();
  handler.Read_RGB_sample(2, true);
  handler.Read_RGB_sample(2, true);
  EXPECT_EQ(handler.Decode_Count(), before + 1);
  // The validation reads at open left the last frame read but not decoded: it still decodes.
  handler.Read_RGB_sample(3, false);
  handler.Read_RGB_sample(3, true);
  EXPECT_EQ(handler.Decode_Count(), before + 2);
  EXPECT_TRUE(Near(Corner(handler.Decode_Surface()), Frame_Colour(3)));
  EXPECT_EQ(handler.Snapped_Capture_Mill(), Snapped_Capture_Time(spec.first_mill + 80));
  // Reopening forgets the cache.
  ASSERT_TRUE(handler.Open_File(handler.File_name()));
  handler.Read_RGB_sample(2, true);
  EXPECT_EQ(handler.Decode_Count(), before + 3);
}

TEST_F(ReaderTest, RecordingsWithNoOrOneFrameOpen) {
  for (const int32_t frames : {0, 1}) {
    Recording_Spec spec;
    spec.frames = frames;
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(Write(Recording(spec)))) << frames;
    EXPECT_EQ(handler.Num_Frames(), frames);
    EXPECT_EQ(handler.Last_Decoded_Frame(), 0); // no validation reads
    handler.Read_RGB_sample(1, true);
    EXPECT_EQ(handler.Last_Decoded_Frame(), frames);
  }
}

TEST_F(ReaderTest, FilesThatAreNotRecordingsGetTheirMessage) {
  struct Case {
    QString name;
    qsizetype size;
    QString message; // empty: nothing shown
  };
  const std::vector<Case> cases = {
      {"short.qn3", 99, "Corrupt file, (Invalid file length)"},
      {"race.avi", 500, "not supported"},
      {"race.QN2", 500, "not supported"},
      {"race.qn1", 500, "not supported"},
      {"race.sdv", 500, "not supported"},
      {"race.dv", 500, "not supported"},
      {"notes.txt", 500, "cls_AVI_handler can't open this file type! "},
  };
  for (const Case& c : cases) {
    prompts_->seen.clear();
    const QString path = Write(QByteArray(c.size, 'x'), c.name);
    cls_VideoFile_handler handler;
    EXPECT_FALSE(handler.Open_File(path)) << c.name.toStdString();
    EXPECT_FALSE(handler.File_open());
    ASSERT_EQ(prompts_->seen.size(), 1u) << c.name.toStdString();
    EXPECT_TRUE(prompts_->seen[0].text.contains(c.message)) << prompts_->seen[0].text.toStdString();
  }
  prompts_->seen.clear();
  cls_VideoFile_handler handler;
  EXPECT_FALSE(handler.Open_File(dir_.filePath(QStringLiteral("missing.qn3"))));
  EXPECT_TRUE(prompts_->seen.empty());
  // A failed open leaves an open recording closed, never half open.
  Recording_Spec spec;
  ASSERT_TRUE(handler.Open_File(Write(Recording(spec))));
  EXPECT_FALSE(handler.Open_File(Write(QByteArray(10, 'x'), QStringLiteral("tiny.qn3"))));
  EXPECT_FALSE(handler.File_open());
  EXPECT_EQ(handler.Num_Frames(), 0);
}

TEST_F(ReaderTest, ReadOnlyFromPermissionsAndTheRecordingStillReads) {
  Recording_Spec spec;
  const QString path = Write(Recording(spec));
  cls_VideoFile_handler handler;
  ASSERT_TRUE(handler.Open_File(path));
  EXPECT_FALSE(handler.Read_only());
  handler.Close_File();

  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
  EXPECT_TRUE(File_Is_Read_Only(path));
  ASSERT_TRUE(handler.Open_File(path));
  EXPECT_TRUE(handler.Read_only());
  handler.Read_RGB_sample(3, true);
  EXPECT_FALSE(handler.Read_error());
  EXPECT_EQ(handler.QN3_Capture_mill(), spec.first_mill + 80);
  handler.Close_File();
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(ReaderTest, HeaderBlockRewrittenInPlaceKeepsTheFrames) {
  Recording_Spec spec;
  const QString path = Write(Recording(spec));
  cls_VideoFile_handler handler;
  ASSERT_TRUE(handler.Open_File(path));
  handler.set_Dora_Dog_name(3, QString::fromUtf8("Flöckchen"));
  handler.set_Dora_Heat_time(3, false, 31'240);
  handler.Write_QN3_header();
  handler.Close_File();
  EXPECT_EQ(QFileInfo(path).size(), Recording(spec).size());

  cls_VideoFile_handler again;
  ASSERT_TRUE(again.Open_File(path));
  EXPECT_EQ(again.Dora_Dog_name(3), QString::fromUtf8("Flöckchen"));
  EXPECT_EQ(again.Dora_Heat_time(3, false), 31'240);
  EXPECT_EQ(again.Num_Frames(), 3);
  again.Read_RGB_sample(1, true);
  EXPECT_TRUE(Near(Corner(again.Decode_Surface()), Frame_Colour(1)));
}

TEST_F(ReaderTest, GoalCompensationDefaultReplacesOnlyAStoredZero) {
  struct Case {
    QString stored;
    int32_t fallback;
    QString expected;
  };
  const std::vector<Case> cases = {
      {"0", 200, "200"}, {"0", 0, "0"}, {"150", 200, "150"}, {"0", -5, "0"}, {"", 120, "120"},
  };
  Recording_Spec spec;
  const QString path = Write(Recording(spec));
  for (const Case& c : cases) {
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(path));
    handler.set_Dora_Goal_compensation(c.stored);
    handler.set_Default_Goal_Compensation(c.fallback);
    EXPECT_EQ(handler.Dora_Goal_compensation(), c.expected) << c.stored.toStdString() << " " << c.fallback;
  }
}

TEST_F(ReaderTest, PropertiesText) {
  cls_VideoFile_handler handler;
  EXPECT_TRUE(handler.QN3_Properties().isEmpty());
  Recording_Spec spec;
  spec.frames = 4;
  spec.header_frames = QStringLiteral("4");
  ASSERT_TRUE(handler.Open_File(Write(Recording(spec))));
  const QStringList lines = handler.QN3_Properties().split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 21);
  const int64_t length = qn3::Header_Block_Size + 4 * (spec.slot_size + 58);
  EXPECT_EQ(lines[0], QStringLiteral("File size: 0") + (length / 1048576.0 >= 0.05 ? ".1" : "") + " MB");
  EXPECT_EQ(lines[1], QStringLiteral("Average frame size : %1 kB").arg(length / 4 / 1024));
  EXPECT_EQ(lines[2], QStringLiteral("Average compression ratio : %1%").arg(length * 100 / 4 / (Width * Height * 3)));
  EXPECT_EQ(lines[3], QStringLiteral("Frames : 4"));
  EXPECT_EQ(lines[4], QStringLiteral("Segments : 2"));
  EXPECT_EQ(lines[5], QStringLiteral("Rotated : False"));
  EXPECT_EQ(lines[6], QStringLiteral("Dimensions : 64*48"));
  EXPECT_EQ(lines[7], QStringLiteral("Fourcc : IJL"));
  EXPECT_EQ(lines[15], QStringLiteral("Interlaced : False"));
  EXPECT_TRUE(lines[20].startsWith(QStringLiteral("Comment : ")));

  handler.XML_Header().set_RGB_Rotated(true);
  handler.XML_Header().set_Frames_no(QStringLiteral("0")); // no division by zero
  const QStringList rotated = handler.QN3_Properties().split(QStringLiteral("\r\n"));
  EXPECT_EQ(rotated[6], QStringLiteral("Dimensions : 48*64 Rotated"));
  EXPECT_EQ(rotated[1], QStringLiteral("Average frame size : 0 kB"));

  // Sizes of a damaged header whose product no integer holds.
  handler.XML_Header().set_RGB_Rotated(false);
  handler.XML_Header().set_Frames_no(QStringLiteral("4"));
  handler.XML_Header().set_RGB_X(QStringLiteral("3037000500"));
  handler.XML_Header().set_RGB_Y(QStringLiteral("3037000500"));
  const QStringList huge = handler.QN3_Properties().split(QStringLiteral("\r\n"));
  EXPECT_EQ(huge[2], QStringLiteral("Average compression ratio : 0%"));
  EXPECT_EQ(huge[6], QStringLiteral("Dimensions : 3037000500*3037000500"));
}

} // namespace
