#include "timing/review_session.h"

#include "metadata/xml_header.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "platform/user_folders.h"
#include "recording/frame_display.h"
#include "recording/video_file_handler.h"
#include "timing/interpolated_time.h"
#include "timing/result_change.h"
#include "timing/run_time.h"
#include "timing/start_recovery.h"

#include <algorithm>
#include <limits>

namespace {

int16_t To_Frame(int32_t value) { return static_cast<int16_t>(std::clamp(value, 0, int32_t{INT16_MAX})); }

QString location(const char* procedure) {
  return QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent");
}

struct Flag_Guard {
  explicit Flag_Guard(bool& flag) : flag_(flag) { flag_ = true; }
  ~Flag_Guard() { flag_ = false; }
  Flag_Guard(const Flag_Guard&) = delete;
  Flag_Guard& operator=(const Flag_Guard&) = delete;
  bool& flag_;
};

} // namespace

Review_Session::Review_Session(QObject* parent)
    : QObject(parent), recording_(std::make_unique<cls_VideoFile_handler>()) {}

Review_Session::~Review_Session() = default;

bool Review_Session::Is_Open() const { return recording_->File_open(); }

void Review_Session::Offer_Held_Slit(const QString& path, std::shared_ptr<const Heat_Slit> slit) {
  held_slit_path_ = path;
  held_slit_ = std::move(slit);
}

std::shared_ptr<const Heat_Slit> Review_Session::Held_Slit(const QString& path) const {
  return path == held_slit_path_ ? held_slit_ : nullptr;
}

void Review_Session::set_Display(Frame_Display* display) {
  display_ = display;
  recording_->Set_Screen_HDC(display);
}

int32_t Review_Session::Last_Position() const {
  if (!Is_Open()) return 1;
  return std::max<int32_t>(1, field_mode_ ? recording_->Num_fields() : recording_->Num_Frames());
}

std::optional<int32_t> Review_Session::Shown_Run_Time() const {
  if (!shown_readable_ || !Is_Open()) return std::nullopt;
  return heat_elapsed_ms_;
}

Result_State Review_Session::State() const {
  if (!Is_Open()) return Result_State::Provisional;
  return Result_State_Of(recording_->XML_Header().Dora_Result_State());
}

bool Review_Session::Open(const QString& path) {
  int32_t step = 10;
  try {
    Trace_Message("Handle_Open " + path);
    Q_EMIT about_to_open();
    cls_VideoFile_handler& h = *recording_;
    field_mode_ = true;
    h.Set_Screen_HDC(display_);
    file_name_ = path;

    step = 20;
    Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("last_folder"), Folder_Of(path),
                    program().Settings_File_Path);

    step = 30;
    if (!h.Open_File(path, false)) {
      Msg_Box(QStringLiteral("File open failed"));
      // The previous recording is closed by now; nothing may go on showing it.
      Close();
      return false;
    }
    step = 40;
    field_mode_ = Field_Mode_For(h.Measured_fps(), h.RGB_interlaced());
    if (h.Num_fields() <= 0) {
      Msg_Box(QStringLiteral("No video in this file!"));
      Close();
      return false;
    }
    step = 50;
    const bool stamped = h.XML_Header().Dora_Start_Stamped();
    start_mill_ = stamped ? h.Dora_start_PC_mill() : 0;
    position_ = 1;
    shown_readable_ = false;
    heat_elapsed_ms_ = 0;
    step = 60;
    Check_Audit_Trail_Now();
    Q_EMIT opened();
    // A trigger that closed before any start kept the frames; their times need a start.
    if (Is_Open() && !stamped)
      Msg_Box(QStringLiteral("This heat has no start instant, so its run times mean nothing yet. Show the "
                             "winner's crossing and choose \"Start from hand time\" in the Finish menu."));
    return Is_Open();
  } catch (...) {
    report_current_exception(step, location("Handle_Open"));
    return Is_Open();
  }
}

void Review_Session::Close() {
  int32_t step = 10;
  try {
    recording_->Close_File();
    step = 20;
    file_name_.clear();
    position_ = 1;
    shown_readable_ = false;
    results_ = {};
    audit_ = {};
    Q_EMIT closed();
  } catch (...) {
    report_current_exception(step, location("Do_Close"));
  }
}

void Review_Session::Show(int32_t position) {
  int32_t step = 10;
  try {
    cls_VideoFile_handler& h = *recording_;
    if (!h.File_open()) return;
    if (!h.Still_On_Disk()) {
      // Nothing more can be read from it or written to it with any meaning.
      const QString path = h.File_name();
      Close();
      Msg_Box(Recording_Gone_Message(path) + QStringLiteral("\r\nIt was closed."));
      return;
    }
    // A request arriving while a picture is drawn (a message box lets events run).
    if (showing_) return;
    const Flag_Guard busy(showing_);
    position_ = std::clamp(position, 1, Last_Position());

    step = 30;
    shown_readable_ = false;
    const int16_t frame = field_mode_ ? Field_To_Frame(position_).frame : To_Frame(position_);
    if (display_) {
      if (field_mode_)
        h.Draw_RGB_Field(position_, *display_);
      else
        h.Draw_RGB_frame(frame, *display_);
    } else {
      h.Read_RGB_sample(frame, true);
    }
    // A record without a frame, or one the reader failed on, leaves the previous picture and
    // its stamp in place: they must not be taken for this position's.
    shown_readable_ = !h.Read_error() && h.Record_Capture_Mill(frame).has_value();

    step = 70;
    const int32_t elapsed = Mill_Difference(h.Timestamp_long(), start_mill_);
    const int16_t field = h.Field_To_Show();
    heat_elapsed_ms_ =
        Picture_Run_Time(h.Timestamp_long(), start_mill_, field, h.Goal_Compensation_Ms(), h.Field_Interval_Ms());
    if (Trace_Window_Present()) {
      const int64_t with_start = int64_t{elapsed} + 2;
      QString line = QStringLiteral("*Frame = ") + QString::number(position_) +
                     QStringLiteral(" obj_QN3_Handler.Field_To_Show ") + QString::number(field) +
                     QStringLiteral(" Heat_Elapsed = ") + QString::number(elapsed) +
                     QStringLiteral(" m_Heat_Elapsed_AR = ") + QString::number(with_start);
      if (field == 2)
        line += QStringLiteral(" m_Heat_Elapsed_AR + field = ") +
                QString::number(static_cast<double>(with_start) + h.Field_Interval_Ms());
      Trace_Text(line);
    }
    step = 90;
    Q_EMIT picture_shown(position_);
  } catch (...) {
    report_current_exception(step, location("Slider_play_Scroll"));
  }
}

Scan_End Review_Session::Scan(int32_t first, int32_t step, const std::function<bool(int32_t)>& reached) {
  cls_VideoFile_handler& h = *recording_;
  Scan_Setup setup;
  setup.first = first;
  setup.step = step;
  setup.last = Last_Position();
  setup.start_mill = start_mill_;
  setup.compensation_ms = h.Goal_Compensation_Ms();
  setup.field_interval_ms = h.Field_Interval_Ms();
  setup.shown_stamp = h.Timestamp_long();
  const bool field_mode = field_mode_;
  // Stepping by frames leaves the field to show as it was.
  const int16_t shown_field = h.Field_To_Show();
  const auto picture = [field_mode, shown_field](int32_t value) {
    if (!field_mode) return Scan_Picture{To_Frame(value), shown_field};
    const Field_Position at = Field_To_Frame(value);
    return Scan_Picture{at.frame, at.field_in_frame};
  };
  return ::Scan(
      setup, picture, [&h](int16_t frame) { return h.Record_Capture_Mill(frame); }, reached);
}

void Review_Session::Show_Scan_End(const Scan_End& end) {
  // The final record is no frame: show what a picture-by-picture scan would have left there.
  if (end.carried_frame != 0) recording_->Read_RGB_sample(end.carried_frame, true);
  Show(end.value);
  if (heat_elapsed_ms_ != end.heat_elapsed)
    Trace_Message(QStringLiteral("*Show_Scan_End, run time differs from the scan"), end.value, end.heat_elapsed,
                  heat_elapsed_ms_);
}

void Review_Session::Goto_Time(int32_t target_ms) {
  try {
    if (!Is_Open()) return;
    Show_Scan_End(Scan(1, 1, [target_ms](int32_t t) { return t >= target_ms; }));
  } catch (...) {
    report_current_exception(10, location("Goto_Time"));
  }
}

void Review_Session::Goto_Goal() {
  try {
    if (!Is_Open()) return;
    Show_Scan_End(Scan(1, Goal_Search_Step, [](int32_t t) { return t > Goal_Search_Ms; }));
  } catch (...) {
    report_current_exception(10, location("Goto_Goal"));
  }
}

void Review_Session::Goto_SplitTime(int16_t rank) {
  int32_t step = 10;
  try {
    if (rank < 1 || rank > Result_Rows) {
      Beep();
      return;
    }
    const int32_t split = results_.at(static_cast<size_t>(rank - 1)).Split_Time;
    if (split == 0 || split == Code_No_Time) {
      Beep();
      return;
    }
    step = 20;
    Goto_Time(split);
  } catch (...) {
    report_current_exception(step, location("Goto_SplitTime"));
  }
}

void Review_Session::GoTo_Box(int16_t rank) {
  int32_t step = 10;
  try {
    if (!Is_Open() || rank < 1 || rank > Result_Rows) {
      Beep();
      return;
    }
    const int16_t box = results_.at(static_cast<size_t>(rank - 1)).Box;
    step = 20;
    const int16_t frame = box >= 1 ? recording_->Dora_heat_frame(box) : int16_t{0};
    if (frame <= 0) {
      Beep();
      return;
    }
    step = 30;
    Show(frame);
  } catch (...) {
    report_current_exception(step, location("GoTo_Box"));
  }
}

void Review_Session::Reload_Results() {
  try {
    if (!Is_Open()) return;
    // Read whole before anything is replaced, so a damaged header leaves the last ranking.
    Result_Array rows = Load_Result_Array(recording_->XML_Header());
    Sort_Result_Array(rows);
    results_ = rows;
  } catch (...) {
    report_current_exception(10, location("Load_Result_Array"));
  }
  Q_EMIT results_changed();
}

bool Review_Session::Refuse_Change(Result_Change kind) const {
  if (!Is_Open()) {
    // A closed recording takes no results: the handler would write the last file it knew.
    Beep();
    Trace_Message("*Change_Result, no recording open");
    return true;
  }
  if (Refuse_Read_Only(*recording_)) return true;
  return kind == Result_Change::Times && Refuse_Declared_Result(*recording_);
}

void Review_Session::Check_Audit_Trail_Now() {
  audit_ = Check_Recording_Audit(recording_->File_name(), recording_->XML_Header());
  if (!audit_.Sound()) Trace_Message(QStringLiteral("*Review_Session, audit trail: ") + audit_.text);
}

bool Review_Session::Change_Result(const QString& command, const std::function<void()>& change, Result_Change kind) {
  if (Refuse_Change(kind)) return false;
  const Result_State before = State();
  if (kind == Result_Change::Declaration && !Result_Declared(before) && audit_.Refuses_Declaration()) {
    Trace_Message(QStringLiteral("*Change_Result, not declared: ") + audit_.text);
    Msg_Box(QStringLiteral("The result cannot be declared: ") + audit_.text);
    return false;
  }
  // A failed write has been reported by the recording and taken back: the file, and so what is
  // shown and ranked, keeps the old values.
  const bool written = Write_Result_Change(*recording_, command, change);
  if (written) Check_Audit_Trail_Now();
  Reload_Results();
  if (State() != before) Q_EMIT state_changed();
  return written;
}

bool Review_Session::Recover_Start(const Recovered_Start& start) {
  if (!Is_Open()) return false;
  cls_VideoFile_handler& h = *recording_;
  const int32_t old_start = start_mill_;
  const int32_t shift = Mill_Difference(old_start, start.start_mill);
  const bool changed = Change_Result(QStringLiteral("Start from hand time: ") + start.how, [&] {
    h.set_Dora_start_PC_mill(start.start_mill);
    h.set_Dora_heat_start_local(start.start_local);
    if (!start.start_date_time.isEmpty()) h.set_Dora_start_DateTime(start.start_date_time);
    h.XML_Header().set_Dora_Start_Recovered(start.how);
    // Times are run times from the start: they move by what the start moved.
    for (int16_t box = 1; box <= 8; ++box) {
      // Read before the time moves: it counts as interpolated only while it is the box's time.
      const std::optional<Interpolated_Time> interpolated = Read_Interpolated_Time(h.XML_Header(), box);
      for (const bool split : {false, true}) {
        const int32_t t = h.Dora_Heat_time(box, split);
        if (t > 0 && t < Code_Did_Not_Finish) h.set_Dora_Heat_time(box, split, t + shift);
      }
      if (interpolated) {
        Interpolated_Time moved = *interpolated;
        moved.time_ms += shift;
        moved.field_time_ms += shift;
        Write_Interpolated_Time(h.XML_Header(), box, moved);
      }
    }
  });
  if (changed) {
    start_mill_ = h.Dora_start_PC_mill();
    Show_Again();
    Q_EMIT start_changed();
  }
  return changed;
}
