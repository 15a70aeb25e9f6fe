#pragma once
// The recording under review as every concern of the main window shares it: the recording
// itself, the picture shown and its run time, the field mode, and the ranked results with their
// declared state. Windows bind to it: they call its methods and redraw from its signals. Every
// change of a result, from any window, goes through Change_Result, so none escapes the
// read-only and declared-result refusals, the audit trail or the result files.
#include "recording/heat_slit.h"
#include "timing/audit_check.h"
#include "timing/navigation.h"
#include "timing/result_ranking.h"
#include "timing/result_state.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class Frame_Display;
struct Recovered_Start;
class cls_VideoFile_handler;

// What a result change touches: times are frozen while the result is declared, names and the
// declaration itself are not.
enum class Result_Change { Times, Names, Declaration };

class Review_Session : public QObject {
  Q_OBJECT
public:
  explicit Review_Session(QObject* parent = nullptr);
  ~Review_Session() override;
  Review_Session(const Review_Session&) = delete;
  Review_Session& operator=(const Review_Session&) = delete;

  // The one recording handler of the window (open or not).
  cls_VideoFile_handler& Recording() { return *recording_; }
  const cls_VideoFile_handler& Recording() const { return *recording_; }
  bool Is_Open() const;
  QString File_Name() const { return file_name_; }

  // Where pictures are drawn.
  void set_Display(Frame_Display* display);

  // The slit the heat made of its frames while they came, for when its recording is opened.
  void Offer_Held_Slit(const QString& path, std::shared_ptr<const Heat_Slit> slit);
  // The one offered for `path`, if any.
  std::shared_ptr<const Heat_Slit> Held_Slit(const QString& path) const;

  // Opens `path` for review: about_to_open first (so a heat's frames are secured and the cameras
  // stopped), then the file, then opened(). False, after the system's message, when nothing is
  // open for review afterwards (the previous recording is closed either way).
  bool Open(const QString& path);
  void Close();

  bool Field_Mode() const { return field_mode_; }
  // The heat's start on the capture clock, as the recording stores it.
  int32_t Start_Mill() const { return start_mill_; }
  // Slider positions: fields in field mode, else frames.
  int32_t Last_Position() const;
  int32_t Position() const { return position_; }
  // The run time of the picture shown; nullopt when the picture at the position could not be
  // read (the one shown and its time are then an earlier frame's).
  std::optional<int32_t> Shown_Run_Time() const;
  // The run time last computed, readable or not (the window's time label).
  int32_t Shown_Time_Label_Ms() const { return heat_elapsed_ms_; }

  // Reads and draws the picture at `position`, then picture_shown(). A recording gone from the
  // disk is closed with a message instead.
  void Show(int32_t position);
  void Show_Again() { Show(position_); }

  // The go-to procedures: each ends at one picture shown.
  Scan_End Scan(int32_t first, int32_t step, const std::function<bool(int32_t)>& reached);
  void Goto_Time(int32_t target_ms);
  // The first picture, in steps of 4, whose run time exceeds 12 s; when none does, the last visited.
  void Goto_Goal();
  void Goto_SplitTime(int16_t rank);
  void GoTo_Box(int16_t rank);
  void GoTo_rank(int16_t rank) { GoTo_Box(rank); }
  // The split camera's pictures start at the first.
  void Goto_Split() { Show(1); }
  // A picture is being drawn: a request now is dropped.
  bool Busy() const { return showing_; }

  // The six rows in rank order, as last loaded.
  const Result_Array& Results() const { return results_; }
  Result_State State() const;
  // Loads and ranks the results from the header, then results_changed(); a header that cannot
  // be read is reported and the last ranking stays.
  void Reload_Results();

  // The audit trail held against the recording, checked at every opening for review and after
  // every change; unchecked while nothing is open.
  const Audit_Verdict& Audit() const { return audit_; }

  // True when the result may not be changed: no recording open (a beep), read-only ("File is
  // read only!"), or declared while `kind` changes times. The refusal has been told.
  bool Refuse_Change(Result_Change kind) const;
  // The one way a result changes: refused as above, then `change` runs on the header, which is
  // written, audited and published (Write_Result_Change); the results are ranked again and
  // results_changed() comes once (state_changed() too when the declared state moved). A result
  // is not declared while its audit trail is broken or does not match the recording. False when
  // refused or not written. A change that throws is taken back and the exception passed on.
  bool Change_Result(const QString& command, const std::function<void()>& change,
                     Result_Change kind = Result_Change::Times);

  // The heat's start set again from the winner's crossing (start_recovery.h): every stored time
  // moves with it, and the header and the audit trail say how. A result change like any other.
  bool Recover_Start(const Recovered_Start& start);

Q_SIGNALS:
  void about_to_open();
  void opened();
  void closed();
  void picture_shown(int32_t position);
  void results_changed();
  // Every run time of the recording counts from a new start (a start recovered by hand).
  void start_changed();
  void state_changed();

private:
  void Show_Scan_End(const Scan_End& end);
  void Check_Audit_Trail_Now();

  std::unique_ptr<cls_VideoFile_handler> recording_;
  Frame_Display* display_ = nullptr;
  QString held_slit_path_;
  std::shared_ptr<const Heat_Slit> held_slit_;
  QString file_name_;
  bool field_mode_ = false;
  int32_t start_mill_ = 0;
  int32_t position_ = 1;
  int32_t heat_elapsed_ms_ = 0;
  bool shown_readable_ = false;
  bool showing_ = false;
  Result_Array results_{};
  Audit_Verdict audit_;
};
