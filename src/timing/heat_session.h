#pragma once
// The heat as every concern of the main window shares it: one state machine (heat_states.h)
// over the recording being made, the start instant, the frames collected while a camera trigger
// is closed and the append that brings them to the recording, the kit and the cameras as the
// heat sees them, and the data the next recording is prepared with. Windows bind to it: they
// call its commands and redraw from its signals. Frames held in memory are never dropped
// without the operator's word.
#include "platform/error_report.h"
#include "recording/heat_slit.h"
#include "recording/live_slit.h"
#include "timing/goal_line.h"
#include "timing/heat_header.h"
#include "timing/heat_states.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class Frame_List;
class Hold_Writer;
class Ui_Mailbox;
class cls_VideoFile_handler;

// The camera as the heat needs it: what a recording is prepared with, the switch that keeps
// frames, and the order the kept frames are written in.
class Heat_Camera {
public:
  virtual ~Heat_Camera() = default;
  virtual float Running_Fps() const = 0;
  virtual int32_t Crop_Width() const = 0;
  virtual int32_t Crop_Height() const = 0;
  virtual QString Friendly_Name() const = 0;
  virtual QString Property_String() const = 0;
  virtual int32_t Ten_Frames_Ms() const = 0;
  // The running format's fields; nullopt before its first frame.
  virtual std::optional<Field_Timing> Fields() const = 0;
  // Frames delivered since the camera was made.
  virtual int32_t Frame_Events() const = 0;
  // While on, every frame goes into the frame list.
  virtual void set_Collecting(bool on) = 0;
  // Position in the frame list of the n-th kept frame in time order.
  virtual int32_t Write_Position(int32_t n) const = 0;
  // The kept frames are in time order (no ring of the last frames).
  virtual bool Time_Ordered() const = 0;
};

// The heat selected for the next recording, as the event file (or its absence) gives it.
struct Heat_Data {
  bool event_file = false;
  QString event;   // "No event" without an event file
  QString heat_id; // the heat's number as text
  QString heat_name;
  QString heat_length;
  std::array<QString, 6> dog_names;
};

// The instant of a start signal, read where the signal was met (the kit's own thread, the
// button's press): the multimedia timer, the local time of day and the date.
struct Start_Stamp {
  int32_t mill = 0;
  int32_t local = 0;
  QDateTime when;
  static Start_Stamp Now();
};

class Heat_Session : public QObject {
  Q_OBJECT
public:
  explicit Heat_Session(Frame_List& frames, QObject* parent = nullptr);
  ~Heat_Session() override;
  Heat_Session(const Heat_Session&) = delete;
  Heat_Session& operator=(const Heat_Session&) = delete;

  // ---- What the heat is told ----
  void set_Camera(Heat_Camera* camera) { camera_ = camera; }
  void set_Cameras_Running(bool running);
  // Without the kit's library there is no kit to wait for: heats start and capture from the window.
  void set_Kit_Present(bool present) { kit_present_ = present; }
  // A kit detached while a camera trigger is closed ends the collecting, with a message.
  void set_Kit(bool attached, int32_t serial);
  void set_Reviewing(bool reviewing) { reviewing_ = reviewing; }
  // The kit's armed switch: with it on, a trigger before any start is the heat's.
  void set_Armed(bool armed) { armed_ = armed; }
  void set_Capture_Folder(const QString& folder) { capture_folder_ = folder; }
  void set_Heat_Data(const Heat_Data& data) { heat_data_ = data; }
  void set_Goal_Lines(const Goal_Line& finish, const Goal_Line& split);
  // The pause after appending (500 ms) that lets window events run.
  void set_Append_Wait_Ms(int32_t ms) { append_wait_ms_ = ms; }
  // The bytes of held frames past which they are written while the trigger is held; 0 (the
  // default) takes it from the memory available and the settings at each trigger.
  void set_Held_Ceiling_Bytes(int64_t bytes) { held_ceiling_setting_ = bytes; }

  // ---- What the heat holds ----
  Heat_State State() const { return appending_ ? Heat_State::Appending : state_; }
  const QString& Recording_Path() const { return recording_path_; }
  bool Prepared() const { return !recording_path_.isEmpty(); }
  bool Running() const { return state_ == Heat_State::Running || state_ == Heat_State::Collecting; }
  int32_t Start_Mill() const { return start_mill_; }
  int32_t Start_Local() const { return start_local_; }
  bool Collecting() const { return state_ == Heat_State::Collecting; }
  bool Cameras_Running() const { return cameras_running_; }
  bool Kit_Attached() const { return kit_attached_; }
  int32_t Kit_Serial() const { return kit_attached_ ? kit_serial_ : 0; }
  const Heat_Data& Next_Heat() const { return heat_data_; }
  // The recording of the last heat finished (empty before the first).
  const QString& Finished_Path() const { return finished_path_; }
  int32_t Held_Frames() const;
  // A writer appends the held frames while the trigger is held (write_while_capturing, or held
  // frames past the memory ceiling).
  bool Writing_While_Held() const { return hold_ != nullptr; }
  // Frames given to that writer and not yet on disk.
  int32_t Frames_Being_Written() const;
  // The slit of the frames the trigger holds now (or held last), along the goal line.
  const Live_Slit& Live() const { return live_slit_; }
  // The heat's recording, written through a handler of its own: a recording opened for review
  // between preparing and starting a heat can never receive the heat's start or frames.
  cls_VideoFile_handler& Writer() { return *writer_; }

  // ---- Commands: each goes through the state table ----
  // "Initiate file": the next heat's recording is made in the capture folder.
  void Initiate();
  // The start signal met at `stamp`.
  void Start(const Start_Stamp& stamp);
  // A camera trigger closes and opens.
  void Capture_Start();
  void Capture_End();
  // "Heat finish"; finished() follows when the heat was finished.
  void Finish();
  // Escape during the heat: abort_requested() asks whoever binds the heat to put the question.
  void Request_Abort() { Q_EMIT abort_requested(); }
  // Ends the running heat; its frames go into its recording first (the operator has agreed).
  void Abort();
  // Frames of the heat held in memory and not yet in its recording: appended first when the
  // heat has a recording, else the operator is asked whether to drop them. True when none are
  // held any more; false when they stay (the operator kept them, appending failed, or an append
  // is in progress) and the command that asked must not go on.
  bool Secure_Held_Frames();
  // The camera stops: collecting ends and the held frames go into the heat's recording when it
  // has one. Nothing is asked: frames that stay are kept in memory.
  void Flush_Held_Frames();
  // Finishing before another recording is opened for review (the last heat, say).
  void Finish_Before_Review();
  void Close_Writer();
  // A frame the camera keeps while collecting, for the live slit; live_slit_grew() follows.
  void Add_Live_Frame(const uint8_t* bits, int64_t length);
  // The camera put a frame into the frame list while collecting.
  void Frame_Kept();

Q_SIGNALS:
  // The state, the cameras or the kit changed.
  void state_changed();
  // "Initiate file" made the recording at `path`; empty when it could not.
  void prepared(const QString& path);
  // The recording has grown (prepared, appended): its size is worth showing.
  void recording_written(const QString& path);
  // It grew while the trigger is held, to `segments` append passes: the handler is the writer's then.
  void recording_grew(const QString& path, int32_t segments);
  void append_progress(int percent);
  void appending(bool on);
  // "Heat finish" was done for the recording at `path`.
  void finished(const QString& path);
  void abort_requested();
  void aborted();
  // A collected frame's fields joined the live slit (or a new hold emptied it).
  void live_slit_grew();
  // Something the operator must know that came up where no window may be opened (the frame path).
  void notice(const QString& text);
  // The heat at `path` is finished: the slit of its frames as they came, for its review.
  void held_slit(const QString& path, std::shared_ptr<const Heat_Slit> slit);

private:
  // The table's verdict on `command` now; true when the command is to be carried out.
  bool Admitted(Heat_Command command);
  bool& in_command(Heat_Command command);
  bool Secure(bool finishing);
  bool Prepare_Recording();
  // Appends the held frames; `finishing` when the heat ends with it.
  bool Append_Held_Frames(bool finishing);
  void Run_Deferred();
  void Start_Live_Slit();
  void Start_Heat_Slit();
  void Begin_Hold();
  void Give_Held_Frames();
  // Takes what the hold's writer brought to disk out of memory; its reports are shown at once
  // when `show_reports`, else once the frame path has returned.
  void Collect_Written(Hold_Writer& writer, bool show_reports);
  // Writes every frame given to the hold's writer and stops it.
  void End_Hold();
  void Show_Pending_Reports();
  int64_t Held_Bytes() const;
  void End_Collecting();
  void Do_Heat_Finish();
  void set_State(Heat_State state);
  bool Warmed_Up();
  void report(int32_t step, const char* procedure);

  Frame_List& frames_;
  Heat_Camera* camera_ = nullptr;
  std::unique_ptr<cls_VideoFile_handler> writer_;
  Ui_Mailbox* mailbox_; // the hold writer's calls to this thread
  QString capture_folder_;
  Heat_Data heat_data_;
  QString goal_finish_;
  QString goal_split_;
  Goal_Line finish_line_;
  Live_Slit live_slit_;
  Heat_Slit heat_slit_;
  int32_t setup_width_ = 0;
  int32_t setup_height_ = 0;
  Heat_State state_ = Heat_State::Idle;
  QString recording_path_;
  QString finished_path_;
  int32_t start_mill_ = 0;
  int32_t start_local_ = 0;
  bool appending_ = false;
  bool finishing_ = false;
  std::optional<Start_Stamp> deferred_start_;
  bool deferred_capture_end_ = false;
  bool deferred_finish_ = false;
  std::array<bool, 6> in_command_{};
  Heat_State collected_from_ = Heat_State::Running;
  bool cameras_running_ = false;
  bool kit_present_ = true;
  bool kit_attached_ = false;
  int32_t kit_serial_ = 0;
  bool reviewing_ = false;
  bool warmed_up_ = false;
  bool armed_ = false;
  int32_t append_wait_ms_ = 500;
  std::unique_ptr<Hold_Writer> hold_;
  int32_t given_ = 0;        // frames at the front of the list the hold's writer was given
  int32_t hold_written_ = 0; // frames it wrote since the last append
  bool write_while_capturing_ = true;
  int64_t held_ceiling_ = 0;
  int64_t held_ceiling_setting_ = 0;
  bool ceiling_told_ = false;
  std::vector<Error_Report> pending_reports_; // the hold's writer's, not shown yet
};
