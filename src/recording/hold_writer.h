#pragma once
// Appends the frames of a camera trigger while it is still held. A thread of its own
// JPEG-encodes and writes them a few frames behind the camera, in passes that each end on disk,
// so that memory stays bounded and a crash loses at most the pass under way. The thread owns the
// recording while a pass runs; the user interface thread takes Recording_Lock() to touch it.
// No window is ever opened from the thread: its error reports are handed back.
#include "platform/error_report.h"
#include "recording/frame_buffers.h"

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class cls_VideoFile_handler;

class Hold_Writer {
public:
  // `pass_frames`: the frames a pass waits for before it starts (the rest are written by Finish).
  // `pass_done` runs on the writer's thread after each pass, for the caller to Take() from its own.
  Hold_Writer(cls_VideoFile_handler& recording, const QString& path, int32_t pass_frames,
              std::function<void()> pass_done = {});
  ~Hold_Writer(); // Finish()
  Hold_Writer(const Hold_Writer&) = delete;
  Hold_Writer& operator=(const Hold_Writer&) = delete;

  // A frame to write after those given before; refused (false) once a pass has failed.
  bool Give(const Frame_List::Item& frame);

  struct Written {
    std::vector<Frame_List::Item> frames; // on disk, in the order given
    std::vector<Error_Report> reports;
  };
  // What passes have brought to disk and reported since the last call.
  Written Take();
  // Writes every frame given and stops the thread; waits for it.
  void Finish();
  // A pass left frames unwritten: the thread writes no more, and every frame given and not
  // taken as written is still the caller's to write.
  bool Failed() const;
  // Given and not yet written.
  int32_t Waiting() const;
  int32_t Passes() const;
  // The recording's segments after the last pass (0 before the first).
  int32_t Segments() const;

  // While held, no pass runs: the one under way has ended and the next waits.
  std::unique_lock<std::mutex> Recording_Lock() { return std::unique_lock(recording_mutex_); }

private:
  void Run();
  void Pass(std::vector<Frame_List::Item>& batch);

  cls_VideoFile_handler& recording_;
  const QString path_;
  const int32_t pass_frames_;
  const std::function<void()> pass_done_;
  std::mutex recording_mutex_;
  mutable std::mutex mutex_; // everything below
  std::condition_variable wake_;
  std::deque<Frame_List::Item> queue_;
  int32_t in_pass_ = 0;
  int32_t passes_ = 0;
  int32_t segments_ = 0;
  Written written_;
  bool failed_ = false;
  bool finishing_ = false;
  std::thread thread_; // last: started once the rest is made
};
