#include "recording/hold_writer.h"

#include "platform/trace.h"
#include "recording/video_file_handler.h"

#include <algorithm>
#include <new>

Hold_Writer::Hold_Writer(cls_VideoFile_handler& recording, const QString& path, int32_t pass_frames,
                         std::function<void()> pass_done)
    : recording_(recording), path_(path), pass_frames_(std::max(pass_frames, 1)), pass_done_(std::move(pass_done)),
      thread_([this] { Run(); }) {}

Hold_Writer::~Hold_Writer() { Finish(); }

bool Hold_Writer::Give(const Frame_List::Item& frame) {
  {
    const std::lock_guard lock(mutex_);
    if (failed_ || finishing_ || !frame) return false;
    queue_.push_back(frame);
    if (static_cast<int32_t>(queue_.size()) < pass_frames_) return true;
  }
  wake_.notify_one();
  return true;
}

Hold_Writer::Written Hold_Writer::Take() {
  const std::lock_guard lock(mutex_);
  Written taken;
  std::swap(taken, written_);
  return taken;
}

void Hold_Writer::Finish() {
  {
    const std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

bool Hold_Writer::Failed() const {
  const std::lock_guard lock(mutex_);
  return failed_;
}

int32_t Hold_Writer::Waiting() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int32_t>(queue_.size()) + in_pass_;
}

int32_t Hold_Writer::Segments() const {
  const std::lock_guard lock(mutex_);
  return segments_;
}

int32_t Hold_Writer::Passes() const {
  const std::lock_guard lock(mutex_);
  return passes_;
}

void Hold_Writer::Run() {
  for (;;) {
    std::vector<Frame_List::Item> batch;
    try {
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return finishing_ || static_cast<int32_t>(queue_.size()) >= pass_frames_; });
        if (queue_.empty() || failed_) return;
        batch.assign(queue_.begin(), queue_.end());
        queue_.clear();
        in_pass_ = static_cast<int32_t>(batch.size());
      }
      Pass(batch);
    } catch (...) {
      // Out of memory for the pass's own lists: what was not taken as written stays the caller's.
      const std::lock_guard lock(mutex_);
      failed_ = true;
      in_pass_ = 0;
      queue_.clear();
      return;
    }
  }
}

void Hold_Writer::Pass(std::vector<Frame_List::Item>& batch) {
  Frame_List frames;
  for (const Frame_List::Item& frame : batch)
    frames.Add(frame);
  {
    // Room first: once its records are on disk, a pass's frames must be taken as written.
    const std::lock_guard lock(mutex_);
    written_.frames.reserve(written_.frames.size() + batch.size());
  }
  int32_t handled = 0;
  int32_t segments = 0;
  std::vector<Error_Report> reports;
  {
    const std::lock_guard own(recording_mutex_);
    Error_Reports_Collected collected;
    try {
      recording_.Close_File();
      recording_.set_File_name(path_);
      recording_.Append_Frames(frames, {}, {}, &handled);
    } catch (...) {
      report_current_exception(40, QStringLiteral("Handle_Capture_End of Form Form_Doravent"));
    }
    try {
      recording_.Close_File();
    } catch (...) {
      report_current_exception(50, QStringLiteral("Handle_Capture_End of Form Form_Doravent"));
    }
    reports = collected.Take();
    segments = recording_.Segments_Num();
  }
  handled = std::clamp(handled, 0, static_cast<int32_t>(batch.size()));
  Trace_Message(QStringLiteral("*Hold_Writer pass"), handled, static_cast<int32_t>(batch.size()));
  {
    const std::lock_guard lock(mutex_);
    ++passes_;
    segments_ = segments;
    in_pass_ = 0;
    written_.frames.insert(written_.frames.end(), batch.begin(), batch.begin() + handled);
    try {
      written_.reports.insert(written_.reports.end(), reports.begin(), reports.end());
    } catch (const std::bad_alloc&) {
      // The frames are what counts; their reports were traced.
    }
    if (handled < static_cast<int32_t>(batch.size())) {
      // What is left stays with the caller, to be written at capture end in one pass.
      failed_ = true;
      queue_.clear();
    }
  }
  if (pass_done_) pass_done_();
}
