// A recording without write permission is never written through the handler, also by a process
// that the system would let write anyway (root): review, a header rewrite and an append all
// refuse, and the bytes stay.
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/error_report.h"
#include "recording/video_file_handler.h"
#include "writer_frames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Read_Only_Writes, EveryWayOfWritingRefuses) {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("heat.qn3"));
  Frame_List frames;
  writer_frames::Fill(frames, 64, 48, std::vector<writer_frames::Content>(4, writer_frames::Content::Textured));
  {
    cls_VideoFile_handler writer;
    writer.set_Cropped_X(64);
    writer.set_Cropped_Y(48);
    ASSERT_TRUE(writer.Initiate_QN3_File(path));
    ASSERT_EQ(writer.Append_Frames(frames, {}, {1, 2}), 2);
  }
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  const QByteArray before = writer_frames::File_Bytes(path);

  const struct {
    const char* what;
    std::function<bool(cls_VideoFile_handler&)> write;
  } writes[] = {
      {"rewrite of a reviewed recording's header",
       [&](cls_VideoFile_handler& h) {
         EXPECT_TRUE(h.Open_File(path));
         EXPECT_TRUE(h.Read_only());
         h.set_Dora_Dog_name(1, QStringLiteral("Rex"));
         return h.Write_XML_Header();
       }},
      {"rewrite of a closed recording's header",
       [&](cls_VideoFile_handler& h) {
         h.set_File_name(path);
         return h.Write_XML_Header();
       }},
      {"append",
       [&](cls_VideoFile_handler& h) {
         h.set_File_name(path);
         try {
           return h.Append_Frames(frames, {}, {3, 4}) > 0;
         } catch (const Dora_Error& refused) {
           EXPECT_STREQ(refused.what(), "File is read only!");
           return false;
         }
       }},
  };
  for (const auto& w : writes) {
    SCOPED_TRACE(w.what);
    errors.reports.clear();
    cls_VideoFile_handler h;
    EXPECT_FALSE(w.write(h));
    h.Close_File();
    EXPECT_EQ(writer_frames::File_Bytes(path), before);
  }
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(path));
  EXPECT_EQ(reader.Num_Frames(), 2);
}

} // namespace
