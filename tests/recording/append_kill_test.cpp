// The program killed at 20 random moments of append passes: each time the recording opens,
// every record that was complete holds exactly the bytes an uninterrupted pass writes, and the
// next pass continues behind them, so that at the end no frame is lost or doubled.
#include "mock/child_report.h"
#include "mock/scripted_prompts.h"
#include "recording/video_file_handler.h"
#include "writer_frames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <numeric>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int32_t W = 128;
constexpr int32_t H = 96;
constexpr int32_t Frames = 480;
constexpr int32_t Kills = 20;
// A killed pass gets at most this far: the child waits there for its kill, so that a parent held
// off the processor by a loaded machine cannot let a pass run through the heat.
constexpr int32_t Most_Per_Pass = 20;

std::vector<int32_t> Positions(int32_t from, int32_t to) {
  std::vector<int32_t> positions(static_cast<size_t>(std::max(to - from + 1, 0)));
  std::iota(positions.begin(), positions.end(), from);
  return positions;
}

// One append pass of frames `from`..Frames; true when all went in.
bool Append(const QString& path, const Frame_List& frames, int32_t from,
            const std::function<void(int32_t, int32_t)>& progress = {}) {
  cls_VideoFile_handler writer;
  writer.set_File_name(path);
  const auto positions = Positions(from, Frames);
  return writer.Append_Frames(frames, progress, positions) == static_cast<int32_t>(positions.size());
}

// The child: says it is ready, then appends frames `from`.. and says how many are done after each.
[[noreturn]] void Append_Until_Killed(const QString& path, const Frame_List& frames, int32_t from, int report) {
  const int32_t ready = -1;
  if (!Write_Fully(report, &ready, sizeof ready)) ::_exit(4);
  try {
    Append(path, frames, from, [report](int32_t done, int32_t) {
      if (!Write_Fully(report, &done, sizeof done)) ::_exit(4);
      if (done >= Most_Per_Pass)
        for (;;)
          ::pause();
    });
  } catch (...) {
    // Never back into the test: the child would run the rest of it beside the parent.
    ::_exit(5);
  }
  ::_exit(0);
}

QByteArray Records(const QByteArray& file) { return file.mid(qn3::Header_Block_Size); }

TEST(Append_Kill, EveryCompleteRecordSurvivesAndTheNextPassContinues) {
  Prompts_Guard prompts;
  QTemporaryDir dir;
  Frame_List frames;
  writer_frames::Fill(frames, W, H, std::vector<writer_frames::Content>(Frames, writer_frames::Content::Textured));

  // Frame 1 alone sizes the slot; the uninterrupted passes are the reference.
  const QString path = dir.filePath(QStringLiteral("heat.qn3"));
  const QString reference = dir.filePath(QStringLiteral("reference.qn3"));
  for (const QString& p : {path, reference}) {
    cls_VideoFile_handler writer;
    writer.set_Cropped_X(W);
    writer.set_Cropped_Y(H);
    ASSERT_TRUE(writer.Initiate_QN3_File(p));
    ASSERT_EQ(writer.Append_Frames(frames, {}, {1}), 1);
  }
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Append(reference, frames, 2));
  const auto per_frame =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start) / (Frames - 1);
  const QByteArray expected = Records(writer_frames::File_Bytes(reference));
  const int64_t record = expected.size() / Frames;
  ASSERT_EQ(expected.size(), record * Frames);

  std::mt19937 random(20240601);
  // Within the pass's first dozen frames, paced by the child's own progress rather than by the
  // clock.
  std::uniform_int_distribution<int32_t> frames_before(0, 12);
  std::uniform_int_distribution<int64_t> delay_us(0, std::max<int64_t>(per_frame.count(), 200));
  int32_t complete = 1;
  int32_t kills = 0;
  while (kills < Kills) {
    ASSERT_LT(complete, Frames) << "the heat's frames ran out before " << Kills << " kills";
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipe_fds[0]);
      Append_Until_Killed(path, frames, complete + 1, pipe_fds[1]);
    }
    ::close(pipe_fds[1]);
    int32_t said = 0;
    ASSERT_EQ(::read(pipe_fds[0], &said, sizeof said), static_cast<ssize_t>(sizeof said)) << "child did not start";
    int32_t reported = 0;
    for (const int32_t wanted = frames_before(random); reported < wanted;) {
      if (::read(pipe_fds[0], &said, sizeof said) != static_cast<ssize_t>(sizeof said)) break;
      reported = said;
    }
    ::usleep(static_cast<useconds_t>(delay_us(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    while (::read(pipe_fds[0], &said, sizeof said) == static_cast<ssize_t>(sizeof said))
      reported = said;
    ::close(pipe_fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the pass ended before its kill, with status " << status;
    ++kills;
    SCOPED_TRACE(testing::Message() << "kill " << kills << " after " << reported << " frames of the pass");

    const QByteArray file = writer_frames::File_Bytes(path);
    const auto now_complete = static_cast<int32_t>(Records(file).size() / record);
    EXPECT_GE(now_complete, complete + reported) << "a frame reported written is missing";
    EXPECT_LE(now_complete, complete + Most_Per_Pass) << "more records than the pass handled frames";
    EXPECT_TRUE(Records(file).left(now_complete * record) == expected.left(now_complete * record))
        << "a complete record differs from the uninterrupted pass's";
    cls_VideoFile_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    EXPECT_GE(reader.Num_Frames(), now_complete);
    EXPECT_EQ(reader.Record_Size(), record);
    for (const int16_t f : {int16_t{1}, static_cast<int16_t>(now_complete)}) {
      reader.Read_RGB_sample(f, true);
      EXPECT_FALSE(reader.Read_error()) << "frame " << f;
      EXPECT_EQ(reader.Record_Capture_Mill(f), 100'000 + 40 * f) << "frame " << f;
    }
    reader.Close_File();
    complete = now_complete;
  }

  // The next pass takes the rest: the recording is the uninterrupted one, frame for frame.
  ASSERT_TRUE(Append(path, frames, complete + 1));
  EXPECT_TRUE(Records(writer_frames::File_Bytes(path)) == expected);
  cls_VideoFile_handler reader;
  ASSERT_TRUE(reader.Open_File(path));
  EXPECT_EQ(reader.Num_Frames(), Frames);
  EXPECT_EQ(reader.QN3_Num_Frames(), Frames) << "the header counts every frame";
  EXPECT_TRUE(prompts->seen.empty());
}

} // namespace
