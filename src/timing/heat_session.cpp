#include "timing/heat_session.h"

#include "metadata/xml_header.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/memory_available.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/start_sound.h"
#include "platform/trace.h"
#include "platform/ui_mailbox.h"
#include "platform/user_folders.h"
#include "recording/frame_buffers.h"
#include "recording/hold_writer.h"
#include "recording/video_file_handler.h"
#include "timing/time_text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

namespace {

constexpr uint32_t Capture_End_Skip_Ms = 3000;

QString time_of_day() { return Display_Mill_Time(Local_Mill_Now(), false); }

void wait_letting_events_run(int32_t ms) {
  QElapsedTimer wait;
  wait.start();
  while (wait.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(ms - wait.elapsed()));
}

// Marks a command as running for as long as it runs, prompts and waits included.
struct In_Command {
  explicit In_Command(bool& flag) : flag_(flag) { flag_ = true; }
  ~In_Command() { flag_ = false; }
  In_Command(const In_Command&) = delete;
  In_Command& operator=(const In_Command&) = delete;
  bool& flag_;
};

} // namespace

Start_Stamp Start_Stamp::Now() { return {Mill_Now(), Local_Mill_Now(), Local_Now()}; }

Heat_Session::Heat_Session(Frame_List& frames, QObject* parent)
    : QObject(parent), frames_(frames), writer_(std::make_unique<cls_VideoFile_handler>()),
      mailbox_(new Ui_Mailbox(this)) {
  set_Goal_Lines({}, {});
}

Heat_Session::~Heat_Session() {
  // Frames given to the hold's writer reach the recording before the handler goes.
  if (hold_) hold_->Finish();
}

void Heat_Session::report(int32_t step, const char* procedure) {
  report_current_exception(step, QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent"));
}

void Heat_Session::set_State(Heat_State state) {
  state_ = state;
  Q_EMIT state_changed();
}

void Heat_Session::set_Cameras_Running(bool running) {
  if (running == cameras_running_) return;
  cameras_running_ = running;
  Q_EMIT state_changed();
}

void Heat_Session::set_Kit(bool attached, int32_t serial) {
  if (attached == kit_attached_ && serial == kit_serial_) return;
  kit_attached_ = attached;
  kit_serial_ = serial;
  Q_EMIT state_changed();
  if (!attached && Collecting()) {
    // The trigger's opening can never arrive now: without this the frames pile up in memory.
    Trace_Message("*Kit detached while collecting");
    Capture_End();
    Msg_Box(QStringLiteral("The interface kit was detached while a camera trigger was closed. Collecting has ended; "
                           "the frames kept until now are in the recording."),
            program().Program_Name, Prompt_Buttons::Ok, Prompt_Icon::Warning);
  }
}

void Heat_Session::set_Goal_Lines(const Goal_Line& finish, const Goal_Line& split) {
  finish_line_ = finish;
  goal_finish_ = Format_Goal_Line(finish.x1, finish.y1, finish.x2, finish.y2);
  goal_split_ = Format_Goal_Line(split.x1, split.y1, split.x2, split.y2);
}

int32_t Heat_Session::Held_Frames() const { return frames_.Count(); }

void Heat_Session::Start_Live_Slit() {
  const std::optional<Field_Timing> fields = camera_->Fields();
  const bool interlaced = fields ? fields->field_interval_us > 0
                                 : Recording_Interlaced(static_cast<int16_t>(std::lround(camera_->Running_Fps())));
  live_slit_.Start(Slit_Line{finish_line_.x1, finish_line_.y1, finish_line_.x2, finish_line_.y2}, camera_->Crop_Width(),
                   camera_->Crop_Height(), interlaced);
  Q_EMIT live_slit_grew();
}

void Heat_Session::Add_Live_Frame(const uint8_t* bits, int64_t length) {
  if (Collecting() && live_slit_.Add_Frame(bits, length)) Q_EMIT live_slit_grew();
}

void Heat_Session::Close_Writer() {
  if (!appending_ && !hold_) writer_->Close_File();
}

int32_t Heat_Session::Frames_Being_Written() const { return hold_ ? hold_->Waiting() : 0; }

int64_t Heat_Session::Held_Bytes() const {
  const CVideobuff_RGB* first = frames_.Count() > 0 ? frames_(1) : nullptr;
  return first ? int64_t{frames_.Count()} * first->RGB_Sample_Len() : 0;
}

void Heat_Session::Start_Heat_Slit() {
  Recording_Layout layout;
  layout.width = setup_width_;
  layout.height = setup_height_;
  try {
    layout.interlaced = writer_->XML_Header().RGB_interlaced();
    layout.rotated = writer_->XML_Header().RGB_Rotated();
  } catch (...) {
    heat_slit_.Clear(); // the review builds the slit from the records
    return;
  }
  heat_slit_.Start(layout, Slit_Line{finish_line_.x1, finish_line_.y1, finish_line_.x2, finish_line_.y2});
}

void Heat_Session::Frame_Kept() {
  try {
    if (!Collecting() || frames_.Count() == 0) return;
    const CVideobuff_RGB* newest = frames_(frames_.Count());
    heat_slit_.Add_Frame(newest->RGB_Buffer_Address(), newest->RGB_Length(), newest->Capture_Mill());
    if (hold_) Collect_Written(*hold_, false);
    const bool over = Held_Bytes() > held_ceiling_;
    // Frames kept in a ring are written in another order at capture end: those stay in memory.
    const bool can_write = Prepared() && !appending_ && (!camera_ || camera_->Time_Ordered());
    if (!hold_ && can_write && (write_while_capturing_ || over)) {
      Begin_Hold();
      if (over && !ceiling_told_) {
        ceiling_told_ = true;
        Q_EMIT notice(QStringLiteral("The frames of this trigger fill %1 MB of memory, the most that is kept: they are "
                                     "now written to the recording while the trigger is held.")
                          .arg(held_ceiling_ >> 20));
      }
    }
    if (hold_) Give_Held_Frames();
    if (over && !ceiling_told_) {
      ceiling_told_ = true;
      Q_EMIT notice(QStringLiteral("%1 MB of frames of this trigger are held in memory, more than the %2 MB that "
                                   "should be: the recording cannot keep up with the camera. Open the trigger soon.")
                        .arg(Held_Bytes() >> 20)
                        .arg(held_ceiling_ >> 20));
    }
  } catch (...) {
    report(10, "Frame_Kept");
  }
}

void Heat_Session::Begin_Hold() {
  const int32_t fps = camera_ ? static_cast<int32_t>(std::lround(camera_->Running_Fps())) : 25;
  // About half a second a pass: each ends on disk, so a crash loses little and syncs stay few.
  // What a pass wrote leaves memory at once, also when no frame follows.
  hold_ = std::make_unique<Hold_Writer>(*writer_, recording_path_, std::max(10, fps / 2), [this] {
    mailbox_->Post([this] {
      if (hold_) Collect_Written(*hold_, false);
    });
  });
  given_ = 0;
  Trace_Message("*Writing while the trigger is held", frames_.Count());
}

void Heat_Session::Give_Held_Frames() {
  given_ = std::clamp(given_, 0, frames_.Count());
  while (given_ < frames_.Count() && hold_->Give(frames_.Item_At(given_ + 1)))
    ++given_;
}

void Heat_Session::Collect_Written(Hold_Writer& writer, bool show_reports) {
  Hold_Writer::Written written = writer.Take();
  // Written frames were given in list order from its front; a frame the list no longer holds is skipped.
  int32_t removed = 0;
  for (const Frame_List::Item& frame : written.frames) {
    if (frames_.Count() > 0 && frames_.Item_At(1) == frame) {
      frames_.Remove_First();
      ++removed;
    }
  }
  given_ = std::max(0, given_ - removed);
  hold_written_ += static_cast<int32_t>(written.frames.size());
  if (!written.frames.empty()) Q_EMIT recording_grew(recording_path_, writer.Segments());
  pending_reports_.insert(pending_reports_.end(), written.reports.begin(), written.reports.end());
  if (show_reports) {
    Show_Pending_Reports();
  } else if (!pending_reports_.empty()) {
    QTimer::singleShot(0, this, [this] { Show_Pending_Reports(); });
  }
}

void Heat_Session::Show_Pending_Reports() {
  // In the order made, before any report of a later pass.
  std::vector<Error_Report> reports;
  reports.swap(pending_reports_);
  Show_Error_Reports(reports);
}

void Heat_Session::End_Hold() {
  if (!hold_) return;
  Give_Held_Frames();
  hold_->Finish();
  // Reports shown now let events run: a frame met meanwhile is held, not given to this writer.
  const std::unique_ptr<Hold_Writer> ended = std::move(hold_);
  Collect_Written(*ended, true);
  given_ = 0;
}

bool Heat_Session::Warmed_Up() {
  // Once three seconds have passed the camera is warm for good, however often the clock wraps.
  if (!warmed_up_)
    warmed_up_ = static_cast<uint32_t>(Mill_Difference(Mill_Now(), program().Ready_Mill)) >= Capture_End_Skip_Ms;
  return warmed_up_;
}

bool& Heat_Session::in_command(Heat_Command command) { return in_command_.at(static_cast<size_t>(command)); }

bool Heat_Session::Admitted(Heat_Command command) {
  if (command == Heat_Command::Finish && State() == Heat_State::Appending && !finishing_ && !reviewing_ &&
      !in_command(command)) {
    // Pressed while the trigger's frames go in: the heat is finished once they are in.
    deferred_finish_ = true;
  }
  // The same command met again while it runs (its prompts and waits let events run): a second
  // press, a bouncing contact.
  if (in_command(command)) {
    Beep();
    Trace_Message(time_of_day() + (command == Heat_Command::Start
                                       ? QStringLiteral("*Heat already started!!")
                                       : QStringLiteral("*") + Heat_Command_Name(command) +
                                             QStringLiteral(" is already being carried out")));
    return false;
  }
  const bool without_start = State() == Heat_State::Collecting && collected_from_ == Heat_State::Prepared;
  const Heat_Rule rule =
      Heat_Command_Rule(State(), command, {reviewing_, finishing_, program().Development_Mode, without_start, armed_});
  switch (rule.verdict) {
  case Heat_Verdict::Accept: return true;
  case Heat_Verdict::Ignore: return false;
  case Heat_Verdict::Defer:
    Trace_Message(QStringLiteral("*") + Heat_Command_Name(command) + QStringLiteral(", after the append"));
    return false;
  case Heat_Verdict::Refuse:
    Beep();
    Trace_Message(time_of_day() + rule.why);
    return false;
  }
  return false;
}

bool Heat_Session::Prepare_Recording() {
  const Heat_Data& heat = heat_data_;
  const QString event = heat.event_file ? heat.event : QStringLiteral("No event");
  QString path = Recording_File_Name(capture_folder_, event, heat.heat_id, Local_Now());
  // Two recordings made within the same second never share a name: neither replaces the other.
  const QString base = path.chopped(4);
  for (int n = 2; QFileInfo::exists(path) && n < 1000; ++n)
    path = base + QStringLiteral("_%1.qn3").arg(n);

  Heat_Recording_Setup setup;
  setup.file_name = path;
  setup.running_fps = camera_ ? static_cast<int16_t>(std::lround(camera_->Running_Fps())) : int16_t{0};
  setup.crop_width = camera_ ? camera_->Crop_Width() : 0;
  setup.crop_height = camera_ ? camera_->Crop_Height() : 0;
  setup.goal_finish = goal_finish_;
  setup.goal_split = goal_split_;
  setup.event_file = heat.event_file;
  if (heat.event_file) {
    setup.event = heat.event;
    setup.heat_id = heat.heat_id;
    setup.heat_name = heat.heat_name;
    setup.heat_length = heat.heat_length;
    setup.dog_names = heat.dog_names;
  }
  setup.box_delay_ms = program().Box_Delay_Ms;
  setup.goal_delay_ms = program().Goal_Delay_Ms;
  setup.split_delay_ms = program().Split_Delay_Ms;
  setup.kit_serial = QString::number(Kit_Serial());
  if (camera_) {
    setup.capture_name = camera_->Friendly_Name();
    setup.capture_format = camera_->Property_String();
    setup.ten_frames_ms = camera_->Ten_Frames_Ms();
    setup.fields = camera_->Fields();
  }
  setup_width_ = setup.crop_width;
  setup_height_ = setup.crop_height;
  if (!Prepare_Heat_Recording(*writer_, setup)) {
    // No file to take the heat: nothing may start into it.
    Q_EMIT prepared({});
    return false;
  }
  recording_path_ = path;
  Start_Heat_Slit();
  set_State(Heat_State::Prepared);
  Q_EMIT prepared(path);
  Q_EMIT recording_written(path);
  return true;
}

void Heat_Session::Initiate() {
  int32_t step = 10;
  try {
    Trace_Message("Command_initiate_file_Click");
    if (!Admitted(Heat_Command::Initiate)) return;
    const In_Command busy(in_command(Heat_Command::Initiate));
    if (!camera_ || camera_->Running_Fps() == 0) {
      Msg_Box(QStringLiteral("Waiting to measure camera fps!\r\n(See display under the rotating arm!)"));
      return;
    }
    step = 30;
    const QString failure = Validate_Folder(capture_folder_);
    if (!failure.isEmpty()) {
      // A folder that exists but refuses a file has not been told yet.
      if (QFileInfo(Resolve_Drive_Default(capture_folder_)).isDir())
        Msg_Box(QStringLiteral("The capture folder cannot take a recording: ") + failure);
      return;
    }
    step = 40;
    Prepare_Recording();
    Trace_Message("Command_initiate_file_Click, End");
  } catch (...) {
    report(step, "Command_initiate_file_Click");
  }
}

void Heat_Session::Start(const Start_Stamp& stamp) {
  int32_t step = 10;
  try {
    Trace_Message("Handle_Start, begin");
    if (State() == Heat_State::Appending && finishing_ && !reviewing_ && !in_command(Heat_Command::Start)) {
      // The last heat is being closed: this start is the next heat's, taken when that is done.
      if (!deferred_start_) deferred_start_ = stamp;
      Trace_Message("*Handle_Start, after the last heat is finished");
      return;
    }
    if (!Admitted(Heat_Command::Start)) return;
    const In_Command busy(in_command(Heat_Command::Start));
    step = 30;
    if (!Prepared()) {
      if (!Setting_Checked(QStringLiteral("auto_init"))) {
        Beep();
        Trace_Message(time_of_day() + "*No current file!!");
        return;
      }
      Initiate();
      if (!Prepared()) {
        Beep();
        Trace_Message(time_of_day() + "*No current file!!");
        return;
      }
    }
    step = 40;
    start_mill_ = stamp.mill;
    start_local_ = stamp.local;
    // A start the file refuses is reported; the heat runs on, and the instant reaches the file
    // with the next header write (the append at capture end).
    {
      // A trigger held since before the start: its writer's pass ends before the header changes.
      std::unique_lock<std::mutex> owned;
      if (hold_) owned = hold_->Recording_Lock();
      writer_->XML_Header().set_Dora_start_HDMI_events(camera_ ? camera_->Frame_Events() : 0);
      Stamp_Heat_Start(*writer_, stamp.mill, stamp.local, stamp.when);
      writer_->Close_File();
    }
    step = 50;
    if (state_ == Heat_State::Collecting) {
      // The trigger closed before the start: its frames stay the heat's, and it ends into a run.
      collected_from_ = Heat_State::Running;
      Q_EMIT state_changed();
    } else {
      set_State(Heat_State::Running);
    }
    PlayPOP();
    Trace_Message("Handle_Start, end");
  } catch (...) {
    report(step, "Handle_Start");
  }
}

void Heat_Session::Capture_Start() {
  try {
    Trace_Message("Handle_Capture_start");
    if (!cameras_running_ || !Prepared()) {
      Beep();
      return;
    }
    Warmed_Up();
    // Without the kit's library the "Capture" button is the trigger; with a kit it must be there.
    if (kit_present_ && !kit_attached_ && !program().Development_Mode) return;
    if (!Admitted(Heat_Command::Capture_Start) || !camera_) return;
    camera_->set_Collecting(true);
    Start_Live_Slit();
    write_while_capturing_ = Setting_Checked(QStringLiteral("write_while_capturing"), true);
    held_ceiling_ =
        held_ceiling_setting_ > 0
            ? held_ceiling_setting_
            : Held_Frames_Ceiling(Memory_Available_Bytes(), Setting_Number(QStringLiteral("held_frames_mb"), 0));
    ceiling_told_ = false;
    collected_from_ = state_ == Heat_State::Prepared ? Heat_State::Prepared : Heat_State::Running;
    if (collected_from_ == Heat_State::Prepared) Trace_Message(time_of_day() + "*Capture before any start");
    if (appending_) {
      // The pass in progress was the last trigger's; this one collects behind it.
      state_ = Heat_State::Collecting;
      Q_EMIT state_changed();
      return;
    }
    set_State(Heat_State::Collecting);
  } catch (...) {
    report(10, "Handle_Capture_Start");
  }
}

void Heat_Session::Capture_End() {
  int32_t step = 10;
  try {
    Trace_Message("Handle_Capture_end");
    if (appending_ && !finishing_ && state_ == Heat_State::Collecting) {
      // A trigger that closed during the pass: its frames are written once the pass is done.
      deferred_capture_end_ = true;
      if (camera_) camera_->set_Collecting(false);
      state_ = collected_from_;
      Q_EMIT state_changed();
      return;
    }
    if (!Admitted(Heat_Command::Capture_End)) return;
    if (camera_) camera_->set_Collecting(false);
    set_State(collected_from_);
    if (!cameras_running_) return;
    if (!Warmed_Up()) {
      Trace_Message("Skipping Handle_Capture_end");
      return;
    }
    step = 30;
    Append_Held_Frames(false);
    Run_Deferred();
  } catch (...) {
    report(step, "Handle_Capture_End");
  }
}

bool Heat_Session::Append_Held_Frames(bool finishing) {
  if (appending_) return false; // the pass in progress takes them
  End_Hold();
  const int32_t written_while_held = std::exchange(hold_written_, 0);
  const int32_t count = frames_.Count();
  if ((count == 0 && written_while_held == 0) || !Prepared()) return count == 0;
  cls_VideoFile_handler& recording = *writer_;
  appending_ = true;
  finishing_ = finishing;
  Q_EMIT state_changed();
  Q_EMIT appending(true);
  int32_t handled = 0;
  // With a writer while the trigger was held, only what it had not written is left.
  if (count > 0) {
    try {
      std::vector<int32_t> order(static_cast<size_t>(count));
      for (int32_t i = 1; i <= count; ++i)
        order[static_cast<size_t>(i - 1)] = camera_ ? camera_->Write_Position(i) : i;
      recording.Close_File();
      recording.set_File_name(recording_path_);
      recording.Append_Frames(
          frames_,
          [this](int32_t done, int32_t total) {
            Q_EMIT append_progress(static_cast<int>(std::lround(100.0 * done / std::max(total, 1))));
          },
          order, &handled);
    } catch (...) {
      report_current_exception(40, QStringLiteral("Handle_Capture_End of Form Form_Doravent"));
    }
  }
  recording.Close_File();
  // Only the frames the pass is done with leave memory, before anything else may run: a command
  // taken during the wait must never find them again.
  const bool in_time_order = !camera_ || camera_->Time_Ordered();
  if (handled >= count || (in_time_order && handled > 0)) {
    for (int32_t i = 0; i < std::min(handled, count); ++i)
      frames_.Remove_First();
  }
  const bool removed = handled >= count || (in_time_order && handled > 0);
  const int32_t not_appended = removed ? count - std::min(handled, count) : count;
  Q_EMIT recording_written(recording_path_);
  wait_letting_events_run(append_wait_ms_);
  appending_ = false;
  finishing_ = false;
  Q_EMIT appending(false);
  Q_EMIT state_changed();
  if (not_appended > 0) {
    Msg_Box(QStringLiteral("%1 frames of this heat could not be appended to its recording. They are kept in memory; "
                           "\"Heat finish\" tries again.")
                .arg(not_appended),
            program().Program_Name, Prompt_Buttons::Ok, Prompt_Icon::Warning);
    return false;
  }
  return true;
}

void Heat_Session::Run_Deferred() {
  if (deferred_finish_ && !appending_) {
    deferred_finish_ = false;
    Finish();
  }
  if (deferred_capture_end_ && !appending_) {
    deferred_capture_end_ = false;
    if ((Held_Frames() > 0 || hold_) && Prepared()) Append_Held_Frames(false);
  }
  if (deferred_start_ && !appending_) {
    const Start_Stamp stamp = *deferred_start_;
    deferred_start_.reset();
    Start(stamp);
  }
}

void Heat_Session::End_Collecting() {
  if (!Collecting()) return;
  // The trigger is still closed: this is its end.
  if (camera_) camera_->set_Collecting(false);
  set_State(collected_from_);
}

void Heat_Session::Flush_Held_Frames() {
  try {
    if (appending_) return; // the pass in progress takes them
    End_Collecting();
    if ((Held_Frames() > 0 || hold_) && Prepared()) Append_Held_Frames(false);
    Run_Deferred();
  } catch (...) {
    report(10, "Flush_Held_Frames");
  }
}

bool Heat_Session::Secure_Held_Frames() { return Secure(false); }

bool Heat_Session::Secure(bool finishing) {
  try {
    if (appending_) {
      Trace_Message("*Secure_Held_Frames, frames are being appended");
      return false;
    }
    End_Collecting();
    if (Held_Frames() == 0 && !hold_) return true;
    if (Prepared() && Append_Held_Frames(finishing)) return true;
    const int32_t held = Held_Frames();
    if (held == 0) return true;
    const Prompt_Answer answer = Msg_Box(
        QStringLiteral("%1 frames of the heat are held in memory and are not in a recording. Drop them?").arg(held),
        program().Program_Name, Prompt_Buttons::YesNo, Prompt_Icon::Warning, Prompt_Answer::No);
    if (answer != Prompt_Answer::Yes) return false;
    Trace_Message("*Secure_Held_Frames, dropped by the operator", held);
    frames_.Remove_All();
    return true;
  } catch (...) {
    report(10, "Secure_Held_Frames");
    return false;
  }
}

void Heat_Session::Do_Heat_Finish() {
  start_mill_ = 0;
  finished_path_ = recording_path_;
  if (heat_slit_.Usable()) Q_EMIT held_slit(recording_path_, std::make_shared<const Heat_Slit>(std::move(heat_slit_)));
  heat_slit_.Clear();
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("last_file"), recording_path_,
                  program().Settings_File_Path);
  writer_->Close_File();
  recording_path_.clear();
  set_State(Heat_State::Idle);
}

void Heat_Session::Finish() {
  int32_t step = 10;
  try {
    Trace_Message("Command_finish_Click");
    if (!Admitted(Heat_Command::Finish)) return;
    const In_Command busy(in_command(Heat_Command::Finish));
    step = 20;
    // The heat ends with this append: a start signal met meanwhile is the next heat's.
    if (!Secure(true)) return;
    const QString path = recording_path_;
    Do_Heat_Finish();
    step = 30;
    Q_EMIT finished(path);
    Run_Deferred();
  } catch (...) {
    report(step, "Command_finish_Click");
  }
}

void Heat_Session::Finish_Before_Review() {
  if (!Running() || appending_) return;
  if (Secure_Held_Frames()) Do_Heat_Finish();
}

void Heat_Session::Abort() {
  try {
    if (!Admitted(Heat_Command::Abort)) return;
    // Frames of the aborted run are the officials' evidence too: they go into the recording.
    if (Collecting() || Held_Frames() > 0 || hold_) Secure(true);
    start_mill_ = 0;
    set_State(Prepared() ? Heat_State::Prepared : Heat_State::Idle);
    Q_EMIT aborted();
  } catch (...) {
    report(10, "Do_Abort");
  }
}
