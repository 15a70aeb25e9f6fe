#pragma once
// The slit image and the finish proposals in the main window: built on a worker thread of their
// own after a recording opens (kept between openings), shown in a strip under the picture whose
// columns move the playback, the proposals beside the box buttons and accepted per box or all
// at once. A proposal is never stored until accepted.
#include "app/main_window_controls.h"
#include "recording/slit_image.h"
#include "timing/finish_proposals.h"
#include "timing/goal_line.h"

#include <QObject>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class Ui_Mailbox;

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class Slit_Strip;
struct Slit_Analysis;

struct Picture_Failure;

// The one message that names the frames a build could not read.
QString Damaged_Frames_Text(const std::vector<Picture_Failure>& damaged);

class Slit_Controller : public QObject, private Window_Binding {
public:
  explicit Slit_Controller(const Main_Window_Parts& parts);
  ~Slit_Controller() override;
  Slit_Controller(const Slit_Controller&) = delete;
  Slit_Controller& operator=(const Slit_Controller&) = delete;

  // The recording opened for review: its slit image and proposals are made in the background.
  void Recording_Opened();
  void Recording_Closed();
  // The heat's live slit grew: drawn once the frame's read is back, newest frames only.
  void Live_Slit_Grew();
  // Each picture the session shows: the strip frames its field; a goal line moved since the
  // slit was made has it made again once the line rests.
  void Picture_Shown(int32_t position);
  // The boxes' stored goal fields, marked on the strip.
  void Update_Marks();

  // "Slit image": shows or hides the strip (remembered in the settings).
  void item_slit_image_Click(bool on);
  // Stores the proposals of these boxes (those not found are left alone); refused on a read-only
  // recording. All sure proposals when empty; one unsure box only after the operator says Yes.
  void Accept_Proposals(const std::vector<int16_t>& boxes);

  bool Building() const { return building_; }
  const Slit_Image* Slit() const { return slit_.get(); }
  const Finish_Proposals& Proposals() const { return proposals_; }
  bool From_Cache() const { return from_cache_; }
  QString Status_Text() const;
  Slit_Strip& Strip() { return *strip_; }

private:
  void Build_Controls();
  void Connect_Items();
  void Start_Build();
  void Stop_Worker();
  void Built(uint64_t job, Slit_Analysis& result);
  void Show_Progress(uint64_t job, int32_t done, int32_t total);
  void Show_Proposals();
  static void Mark_Unsure(QPushButton* button, bool unsure);
  void Clear();
  void Apply_Stored_Strip_Setting();
  bool Field_Mode() const;
  void report(int32_t step, const char* procedure);

  Slit_Strip* strip_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* accept_all_ = nullptr;
  std::array<QPushButton*, 6> accept_{};
  QTimer* line_rest_ = nullptr;
  Ui_Mailbox* relay_ = nullptr; // receives the worker's results on the window's thread

  std::thread worker_;
  std::atomic<bool> cancel_{false};
  uint64_t job_ = 0;
  bool building_ = false;
  bool live_pending_ = false;
  bool strip_setting_applied_ = false;
  bool from_cache_ = false;
  std::shared_ptr<const Slit_Image> slit_;
  Finish_Proposals proposals_;
  Heat_Clock clock_;
  Slit_Line building_line_;
};
