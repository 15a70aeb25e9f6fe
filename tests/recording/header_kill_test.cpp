// The program killed at random moments while it rewrites a recording's results: every time,
// the recording opens with the results of the last rewrite begun or of the one before it.
#include "metadata/xml_header.h"
#include "mock/child_report.h"
#include "mock/scripted_prompts.h"
#include "recording/video_file_handler.h"
#include "writer_frames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int32_t W = 96;
constexpr int32_t H = 64;

// Rewrite n's text for comment c: long, so that the texts that change fill most of the header
// block and a header cut anywhere mixes two rewrites.
QString Comment_Text(int32_t n, int16_t c) {
  return QStringLiteral("%1.%2;").arg(n).arg(c).repeated(4000).left(5000 + (n % 7) * 11);
}

// Results of rewrite `n`: box b's time n * 10 + b, box 2's dog a name whose length changes
// with n, four long comments.
void Set_Results(cls_VideoFile_handler& handler, int32_t n) {
  for (int16_t c = 1; c <= 4; ++c)
    handler.XML_Header().set_comment(c, Comment_Text(n, c));
  for (int16_t box = 1; box <= 6; ++box)
    handler.set_Dora_Heat_time(box, false, n * 10 + box);
  handler.set_Dora_Dog_name(2, QStringLiteral("Dog ") + QString(n % 37, QLatin1Char('x')) + QString::number(n));
  handler.set_Dora_Dog_name(1, QStringLiteral("RGBS"));
}

// The rewrite whose results the recording holds; -1 when they are of no single rewrite.
int32_t Results_Of(const cls_VideoFile_handler& handler) {
  try {
    const int32_t n = handler.Dora_Heat_time(1, false) / 10;
    for (int16_t box = 1; box <= 6; ++box)
      if (handler.Dora_Heat_time(box, false) != n * 10 + box) return -1;
    for (int16_t c = 1; c <= 4; ++c)
      if (handler.XML_Header().comment(c) != Comment_Text(n, c)) return -1;
    const QString dog = QStringLiteral("Dog ") + QString(n % 37, QLatin1Char('x')) + QString::number(n);
    return handler.Dora_Dog_name(2) == dog ? n : -1;
  } catch (const std::exception&) {
    return -1;
  }
}

// The child: opens the recording (finishing what the last kill cut short), says so, then
// rewrites the results with n = first, first + 1, ... and says each n before it begins.
[[noreturn]] void Rewrite_Until_Killed(const QString& path, int32_t first, int report) {
  cls_VideoFile_handler handler;
  if (!handler.Open_File(path)) ::_exit(3);
  const int32_t ready = -1;
  if (!Write_Fully(report, &ready, sizeof ready)) ::_exit(4);
  for (int32_t n = first;; ++n) {
    Set_Results(handler, n);
    if (!Write_Fully(report, &n, sizeof n)) ::_exit(4);
    if (!handler.Write_XML_Header()) ::_exit(5);
  }
}

TEST(Header_Kill, RecordingAlwaysOpensWithTheOldOrTheNewResults) {
  Prompts_Guard prompts;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("heat.qn3"));
  {
    Frame_List list;
    writer_frames::Fill(list, W, H, std::vector<writer_frames::Content>(3, writer_frames::Content::Textured));
    cls_VideoFile_handler writer;
    writer.set_Cropped_X(W);
    writer.set_Cropped_Y(H);
    ASSERT_TRUE(writer.Initiate_QN3_File(path));
    ASSERT_EQ(writer.Append_Frames(list), 3);
    ASSERT_TRUE(writer.Open_File(path));
    Set_Results(writer, 0);
    ASSERT_TRUE(writer.Write_XML_Header());
  }
  const QByteArray frames = writer_frames::File_Bytes(path).mid(qn3::Header_Block_Size);

  // How long one rewrite takes here, so that the kills fall among the rewrites.
  std::chrono::microseconds per_rewrite{0};
  {
    cls_VideoFile_handler timing;
    ASSERT_TRUE(timing.Open_File(path));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
      ASSERT_TRUE(timing.Write_XML_Header());
    per_rewrite = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start) / 5;
  }

  std::mt19937 random(20240611);
  int32_t held = 0;  // the rewrite whose results the recording holds
  int32_t begun = 0; // rewrites begun so far
  int32_t kills = 0;
  while (begun < 200) {
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipe_fds[0]);
      Rewrite_Until_Killed(path, held + 1, pipe_fds[1]);
    }
    ::close(pipe_fds[1]);
    int32_t said = 0;
    ASSERT_EQ(::read(pipe_fds[0], &said, sizeof said), static_cast<ssize_t>(sizeof said)) << "child did not open";
    ASSERT_EQ(said, -1);
    // Somewhere within the next few rewrites.
    std::uniform_int_distribution<int64_t> delay(0, std::max<int64_t>(per_rewrite.count() * 6, 200));
    ::usleep(static_cast<useconds_t>(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself with " << WEXITSTATUS(status);
    ++kills;
    int32_t last_begun = held;
    while (::read(pipe_fds[0], &said, sizeof said) == static_cast<ssize_t>(sizeof said))
      last_begun = said;
    ::close(pipe_fds[0]);
    begun += last_begun - held;

    cls_VideoFile_handler reader;
    ASSERT_TRUE(reader.Open_File(path)) << "after kill " << kills;
    ASSERT_TRUE(reader.XML_Header().XML_Valid()) << "after kill " << kills;
    const int32_t now = Results_Of(reader);
    ASSERT_TRUE(now == last_begun || (now == last_begun - 1 && now >= held))
        << "after kill " << kills << ": holds " << now << ", rewrite " << last_begun << " was begun";
    ASSERT_EQ(reader.Num_Frames(), 3);
    reader.Close_File();
    EXPECT_TRUE(writer_frames::File_Bytes(path).mid(qn3::Header_Block_Size) == frames) << "after kill " << kills;
    held = now;
  }
  EXPECT_TRUE(prompts->seen.empty());
}

} // namespace
