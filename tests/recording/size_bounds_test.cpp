// Sizes read from a recording are bounded by what the file and a real camera can hold: a
// damaged header or record is refused with a message, never paid for with memory.
#include "metadata/xml_header.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/error_report.h"
#include "reader_files.h"
#include "recording/frame_display.h"
#include "recording/video_file_handler.h"
#include "writer_frames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using namespace reader_files;

namespace {

struct Size_Bounds : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QString Write(const QByteArray& bytes, const QString& name = QStringLiteral("heat.qn3")) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(Write_File(path, bytes));
    return path;
  }
};

TEST_F(Size_Bounds, HeaderPictureSizeBeyondACameraIsRefused) {
  struct Case {
    QString x;
    QString y;
    bool opens;
    int16_t width; // as the handler then takes it
    int16_t height;
  };
  const std::vector<Case> cases = {
      {"26000", "26000", false, 0, 0},    {"1921", "100", false, 0, 0}, {"1920", "1081", false, 0, 0},
      {"100000", "48", false, 0, 0},      {"-64", "48", false, 0, 0},   {"1920", "1080", true, 1920, 1080},
      {"1080", "1920", true, 1080, 1920}, {"64", "48", true, 64, 48},   {"abc", "48", true, 0, 0},
      {"000", "000", true, 0, 0},
  };
  for (const Case& c : cases) {
    prompts->seen.clear();
    Recording_Spec spec;
    spec.edit = [&](Cls_XML_header& h) {
      h.set_RGB_X(c.x);
      h.set_RGB_Y(c.y);
    };
    const QString path = Write(Recording(spec));
    cls_VideoFile_handler handler;
    const QString name = c.x + QLatin1Char('x') + c.y;
    EXPECT_EQ(handler.Open_File(path), c.opens) << name.toStdString();
    EXPECT_EQ(handler.File_open(), c.opens) << name.toStdString();
    if (!c.opens) {
      EXPECT_EQ(prompts->messages(), QStringList{QStringLiteral("Corrupt file, (Invalid picture size)")})
          << name.toStdString();
      EXPECT_TRUE(handler.Decode_Surface().Is_Empty()) << name.toStdString();
      EXPECT_TRUE(handler.Field_Surface().Is_Empty()) << name.toStdString();
      continue;
    }
    EXPECT_TRUE(prompts->seen.empty()) << name.toStdString();
    EXPECT_EQ(handler.Width(), c.width) << name.toStdString();
    EXPECT_EQ(handler.Height(), c.height) << name.toStdString();
    EXPECT_EQ(handler.Num_Frames(), 3) << name.toStdString();
    // Without a size the pictures come at their own; with another, they are damaged ones.
    handler.Read_RGB_sample(2, true);
    const bool own = c.width == 0 || (c.width == Width && c.height == Height);
    EXPECT_EQ(Near(Corner(handler.Decode_Surface()), Frame_Colour(2)), own) << name.toStdString();
  }
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Size_Bounds, AppendingToAHeaderOfAnImpossibleSizeIsRefused) {
  Recording_Spec spec;
  spec.edit = [](Cls_XML_header& h) {
    h.set_RGB_X(QStringLiteral("26000"));
    h.set_RGB_Y(QStringLiteral("26000"));
  };
  const QByteArray bytes = Recording(spec);
  const QString path = Write(bytes);
  Frame_List list;
  writer_frames::Fill(list, Width, Height, {writer_frames::Content::Flat, writer_frames::Content::Flat});
  cls_VideoFile_handler handler; // a new handler takes the picture size from the header
  handler.set_File_name(path);
  try {
    handler.Append_Frames(list);
    ADD_FAILURE() << "appended";
  } catch (const Dora_Error& refusal) {
    EXPECT_TRUE(
        QString::fromStdString(refusal.what()).startsWith(QStringLiteral("Corrupt file, (Invalid picture size)")))
        << refusal.what();
  }
  EXPECT_FALSE(handler.File_open());
  EXPECT_TRUE(writer_frames::File_Bytes(path) == bytes);

  // Nor is a recording of a picture larger than any camera's ever made.
  cls_VideoFile_handler maker;
  maker.set_Cropped_X(1921);
  maker.set_Cropped_Y(400);
  EXPECT_FALSE(maker.Initiate_QN3_File(dir.filePath(QStringLiteral("wide.qn3"))));
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_TRUE(errors.reports[0].description.contains(QStringLiteral("larger than the largest camera")))
      << errors.reports[0].description.toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("wide.qn3"))));
}

TEST_F(Size_Bounds, SlotDescriptorClaimingTwoGigabytes) {
  struct Case {
    const char* name;
    int32_t frames;
    int16_t readable; // frames the reader then finds
    QStringList messages;
  };
  const std::vector<Case> cases = {
      {"lone record", 1, 0, {QStringLiteral("Corrupt file, (Invalid record size)")}},
      {"first of three", 3, 3, {}},
  };
  for (const Case& c : cases) {
    prompts->seen.clear();
    Recording_Spec spec;
    spec.frames = c.frames;
    QByteArray bytes = Recording(spec);
    qn3::put_i32(reinterpret_cast<uint8_t*>(bytes.data()) + qn3::Header_Block_Size + qn3::Off_Slot_Count, 0x7FFFFFFF);
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(Write(bytes))) << c.name;
    EXPECT_EQ(handler.Num_Frames(), c.readable) << c.name;
    EXPECT_EQ(prompts->messages(), c.messages) << c.name;
    EXPECT_LE(handler.Record_Size(), qn3::Max_Measurable_Record) << c.name;
    for (int16_t k = 1; k <= c.readable; ++k) {
      handler.Read_RGB_sample(k, true);
      EXPECT_TRUE(Near(Corner(handler.Decode_Surface()), Frame_Colour(k))) << c.name << " frame " << k;
    }
    // The header and its results stay readable.
    EXPECT_EQ(handler.Dora_Dog_name(1), QStringLiteral("dog name")) << c.name;
  }
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Size_Bounds, CountsOfADamagedHeaderAreMeasuredAfresh) {
  Recording_Spec spec;
  spec.frames = 0;
  spec.edit = [](Cls_XML_header& h) {
    h.set_Frames_no(QStringLiteral("9223372036854775807"));
    h.set_Segments_no(QStringLiteral("9223372036854775807"));
  };
  const QString path = Write(Recording(spec));
  Frame_List list;
  writer_frames::Fill(list, Width, Height, {writer_frames::Content::Flat, writer_frames::Content::Textured});
  cls_VideoFile_handler handler;
  handler.set_File_name(path);
  ASSERT_EQ(handler.Append_Frames(list), 2);
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(path));
  EXPECT_EQ(reader.XML_Header().Frames_no(), QStringLiteral("2"));
  EXPECT_EQ(reader.Num_Frames(), 2);
  EXPECT_GT(reader.XML_Header().Segments_no().toLongLong(), 0);
  EXPECT_TRUE(errors.reports.empty());
}

// The start-of-frame segment of a JPEG made to claim `width` x `height`.
void Claim_Size(QByteArray& record, int32_t jpeg_size, int32_t width, int32_t height) {
  auto* jpeg = reinterpret_cast<uint8_t*>(record.data()) + qn3::Record_Head_Size;
  for (int32_t i = 0; i + 9 < jpeg_size; ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<uint8_t>(height & 0xFF);
      jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<uint8_t>(width & 0xFF);
      return;
    }
  ADD_FAILURE() << "no start-of-frame segment";
}

TEST_F(Size_Bounds, JpegClaimingAHugePictureCostsNeitherMemoryNorAMessage) {
  struct Case {
    const char* name;
    bool interlaced;
    bool rotated;
    bool sized; // the header names the picture size
  };
  const std::vector<Case> cases = {
      {"plain", false, false, true},
      {"interlaced", true, false, true},
      {"rotated", false, true, true},
      {"interlaced rotated", true, true, true},
      {"no size in the header", false, false, false},
      {"no size, interlaced rotated", true, true, false},
  };
  for (const Case& c : cases) {
    prompts->seen.clear();
    Recording_Spec spec;
    spec.frames = 4;
    spec.interlaced = c.interlaced;
    spec.edit = [&](Cls_XML_header& h) {
      h.set_RGB_Rotated(c.rotated);
      if (!c.sized) h.set_RGB_X(QStringLiteral("unknown"));
    };
    QByteArray bytes = Header_Block(spec);
    for (int32_t k = 1; k <= 4; ++k) {
      QByteArray record = Record(k, spec.slot_size, spec.first_mill + (k - 1) * 40);
      if (k == 2) Claim_Size(record, static_cast<int32_t>(Frame_JPEG(2).size()), 16384, 2441);
      bytes += record;
    }
    cls_VideoFile_handler handler;
    ASSERT_TRUE(handler.Open_File(Write(bytes))) << c.name;
    Image_Display display;
    const QSize shown = c.rotated ? QSize(Height, Width) : QSize(Width, Height);
    // Step over the damaged frame and back, frames and fields, as navigation does.
    for (const int16_t k : {int16_t{1}, int16_t{2}, int16_t{3}, int16_t{2}, int16_t{1}}) {
      handler.Draw_RGB_frame(k, display);
      EXPECT_LE(handler.Decode_Surface().Width(), Width) << c.name << " frame " << k;
      EXPECT_LE(handler.Decode_Surface().Height(), Height) << c.name << " frame " << k;
      EXPECT_EQ(display.image.size(), shown) << c.name << " frame " << k;
      if (k == 2) {
        EXPECT_EQ(Corner(handler.Decode_Surface()), Placeholder_Blue) << c.name;
      } else {
        EXPECT_TRUE(Near(Corner(handler.Decode_Surface()), Frame_Colour(k))) << c.name << " frame " << k;
      }
      for (const int32_t field : {2 * k - 1, 2 * k}) {
        handler.Draw_RGB_Field(field, display);
        EXPECT_LE(handler.Field_Surface().Width(), Width) << c.name << " field " << field;
        EXPECT_LE(handler.Field_Surface().Height(), Height) << c.name << " field " << field;
        EXPECT_EQ(display.image.size(), shown) << c.name << " field " << field;
      }
    }
    EXPECT_TRUE(prompts->seen.empty()) << c.name << ": "
                                       << prompts->messages().join(QStringLiteral(" | ")).toStdString();
  }
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
