// A long meeting: 40 heats back to back in the real main window, headless, with the synthetic
// camera and the simulated kit on a stepped clock. Each heat is initiated, started by the kit's
// start contact, captured for 8 s around the finish by the goal camera's trigger, appended,
// finished and opened again, as a race script says (played on the stepped clock: the kit's input
// changes by the simulated kit, the operator's commands by the script player), then given six
// times and closed. Per heat: wall time, resident memory,
// open descriptors, frames lost (kept while the trigger was closed but missing from the file)
// and times stored off the synthetic truth. What a long meeting must not show is growth.
//   bench_meeting [heats]
#include "app/camera_controller.h"
#include "app/form_doravent.h"
#include "app/heat_controller.h"
#include "app/kit_controller.h"
#include "app/playback_controller.h"
#include "app/race_script_player.h"
#include "app/review_controller.h"
#include "bench_heat_window.h"
#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "kit/simulated_kit.h"
#include "mock/main_controls.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "recording/video_file_handler.h"
#include "timing/race_script.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Moved by hand: 40 ms per camera frame, so a heat takes no longer than its work.
class Meeting_Clock final : public Clock {
public:
  int32_t mill_now() const override { return mill; }
  QDateTime local_now() const override { return local; }
  void advance(int32_t ms) {
    mill += ms;
    local = local.addMSecs(ms);
  }
  int32_t mill = 5'000'000;
  QDateTime local{QDate(2026, 5, 17), QTime(14, 0)};
};

// Nobody is there to answer: every question takes its default, and each one asked is counted,
// as a meeting that asks the operator anything has gone wrong.
class Unattended final : public Prompts {
public:
  Prompt_Answer message(const QString& text, const QString&, Prompt_Buttons buttons, Prompt_Icon,
                        std::optional<Prompt_Answer> default_answer) override {
    ++asked;
    std::fprintf(stderr, "asked: %s\n", qPrintable(text));
    if (default_answer) return *default_answer;
    return buttons == Prompt_Buttons::Ok || buttons == Prompt_Buttons::OkCancel ? Prompt_Answer::Ok
                                                                                : Prompt_Answer::Yes;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
  QString open_file(const QString&, const QString&, const QString&) override { return {}; }
  QString save_file(const QString&, const QString&, const QString&) override { return {}; }
  QString select_folder(const QString&, const QString&) override { return {}; }
  void beep() override {}
  int asked = 0;
};

class Counted_Errors final : public Error_Sink {
public:
  void QNV_Error_Handler(const QString& description, int16_t, int32_t, const QString& location,
                         const QString&) override {
    ++count;
    std::fprintf(stderr, "error: %s (%s)\n", qPrintable(description), qPrintable(location));
  }
  int count = 0;
};

qsizetype Open_Descriptors() {
  return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size();
}

void Settle() {
  for (int i = 0; i < 5; ++i)
    QCoreApplication::processEvents();
}

struct Heat_Row {
  double wall_ms = 0;
  long rss_kb = 0;
  qsizetype descriptors = 0;
  int32_t kept = 0;
  int32_t lost = 0;
  int32_t times_off = 0;
};

class Meeting {
public:
  Meeting() {
    install_clock(&clock_);
    previous_prompts_ = install_prompts(std::make_unique<Unattended>());
    install_error_sink(&errors_);
    // No goal delay: the stored times are the crossings' fields.
    Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("goal_compensation"), QStringLiteral("0"),
                    Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini"));
    w_ = Bench_Heat_Window(folder_.path());
    Settle();
    controls_ = ui(w_);
    const QList<QAction*> actions = w_->findChildren<QAction*>(); // the player triggers items by name
    controls_->items.assign(actions.begin(), actions.end());
    player_ = std::make_unique<Race_Script_Player>(*controls_, *w_->kit().Simulated(), std::vector<Race_Command>{});
    Start_Camera();
    Switch(1, true); // armed
  }
  ~Meeting() {
    player_.reset();
    w_->obj_QN3_Handler().Close_File();
    w_.reset();
    install_error_sink(nullptr);
    install_prompts(std::move(previous_prompts_));
    install_clock(nullptr);
  }
  Meeting(const Meeting&) = delete;
  Meeting& operator=(const Meeting&) = delete;

  // One heat; crossings vary from heat to heat around 3 s after the start.
  Heat_Row Heat(int number) {
    const auto begin = std::chrono::steady_clock::now();
    Heat_Row row;
    Synthetic_Crossings crossings;
    for (size_t box = 0; box < crossings.size(); ++box)
      crossings.at(box) = 3000 + static_cast<int32_t>((box * 37 + static_cast<size_t>(number) * 11) % 300);
    synthetic_->set_Crossings(crossings);

    // Review stops the camera: the operator starts it again for the next heat, and initiates
    // once its rate is measured (101 frames).
    const QString script = QStringLiteral(R"(0 camera
4100 initiate
4107 input 0 1      # the start falls between frames
4507 input 0 0
5107 input 3 1      # the goal camera's trigger: 8 s around the finish
13107 input 3 0
13107 finish
13107 open-last
)");
    Race_Script_Error error;
    const std::optional<std::vector<Race_Command>> commands = Parse_Race_Script(script, error);
    if (!commands) Fail("the meeting's race script cannot be read");
    const int32_t heat_zero = clock_.mill;
    QString path;
    for (const Race_Command& c : *commands) {
      row.kept += Frames_Until(heat_zero + c.at_ms);
      if (c.action == Race_Action::Input) {
        Switch(c.input, c.closed);
        if (c.input == 0 && c.closed && !w_->heat_session().Running()) {
          std::fprintf(stderr, "state %s\n", qPrintable(Heat_State_Name(w_->heat_session().State())));
          Fail("the heat did not start");
        }
        continue;
      }
      if (c.action == Race_Action::Camera && w_->camera().Cameras_Running()) continue;
      player_->Run(c);
      Settle();
      if (c.action == Race_Action::Initiate) path = w_->heat_session().Recording_Path();
      if (c.action == Race_Action::Camera) Use_Synthetic();
    }
    cls_VideoFile_handler& h = w_->obj_QN3_Handler();
    if (!h.File_open() || ui(w_).Text_filename->text() != path) Fail("the heat did not open");
    row.lost = row.kept - h.Num_Frames();
    for (int16_t box = 1; box <= 6; ++box) {
      const int32_t truth = *crossings.at(static_cast<size_t>(box - 1));
      ui(w_).Slider_play->setValue(First_Picture_At(truth));
      ui(w_).Command_BOX_set_time.at(static_cast<size_t>(box - 1))->click();
      const int32_t stored = h.Dora_Heat_time(box, false);
      if (stored < truth || stored > truth + 21) ++row.times_off;
    }
    w_->item(QStringLiteral("item_close_file"))->trigger();
    Settle();

    row.wall_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    row.rss_kb = Resident_Kb();
    row.descriptors = Open_Descriptors();
    return row;
  }
  int Errors() const { return errors_.count; }
  int Asked() const { return static_cast<Unattended&>(prompts()).asked; }

private:
  void Start_Camera() {
    ui(w_).Command_start_camera->click();
    Use_Synthetic();
    Frames(101); // the rate is measured
  }
  void Use_Synthetic() {
    synthetic_ = w_->camera().Capture().Synthetic();
    if (!synthetic_) Fail("the synthetic camera does not stream");
    synthetic_->set_Stepped(true);
  }
  // Camera frames every 40 ms up to `mill`, then the rest of the way without one; the frames the
  // heat kept.
  int32_t Frames_Until(int32_t mill) {
    int32_t kept = 0;
    while (Mill_Difference(mill, clock_.mill) >= 40)
      kept += Frames(1);
    clock_.advance(std::max(0, Mill_Difference(mill, clock_.mill)));
    return kept;
  }
  // Frames delivered while the heat keeps them.
  int32_t Frames(int count) {
    int32_t kept = 0;
    for (int i = 0; i < count; ++i) {
      clock_.advance(40);
      synthetic_->Step();
      if (w_->heat_session().Collecting()) ++kept;
    }
    Settle();
    return kept;
  }
  void Switch(int32_t index, bool closed) {
    Simulated_Kit& kit = *w_->kit().Simulated();
    kit.set_Switch(index, closed);
    kit.Wait_Raised(); // raised on the kit's own thread
    for (int i = 0; i < 100000 && kit.Input(index) != closed; ++i)
      QCoreApplication::processEvents();
    Settle();
  }
  // The first picture whose run time reaches the crossing, as the operator finds it.
  int First_Picture_At(int32_t crossing_ms) {
    int low = ui(w_).Slider_play->minimum();
    int high = ui(w_).Slider_play->maximum();
    while (low < high) {
      const int middle = low + (high - low) / 2;
      ui(w_).Slider_play->setValue(middle);
      const std::optional<int32_t> run = w_->review_session().Shown_Run_Time();
      if (run && *run >= crossing_ms)
        high = middle;
      else
        low = middle + 1;
    }
    return low;
  }
  [[noreturn]] void Fail(const char* why) {
    std::fprintf(stderr, "meeting: %s\n", why);
    std::exit(2);
  }

  QTemporaryDir folder_;
  Meeting_Clock clock_;
  Counted_Errors errors_;
  std::unique_ptr<Prompts> previous_prompts_;
  std::unique_ptr<Form_Doravent> w_;
  Synthetic_Camera* synthetic_ = nullptr;
  std::optional<Main_Window_Controls> controls_;
  std::unique_ptr<Race_Script_Player> player_;
};

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  QApplication app(argc, argv);
  const int heats = argc > 1 ? std::max(2, std::atoi(argv[1])) : 40;

  Meeting meeting;
  std::printf("%5s %9s %9s %6s %6s %5s %9s\n", "heat", "wall_ms", "rss_kb", "fds", "kept", "lost", "times_off");
  Heat_Row first;
  Heat_Row last;
  int32_t lost = 0;
  int32_t off = 0;
  double wall_second = 0;
  for (int heat = 1; heat <= heats; ++heat) {
    const Heat_Row row = meeting.Heat(heat);
    std::printf("%5d %9.1f %9ld %6lld %6d %5d %9d\n", heat, row.wall_ms, row.rss_kb,
                static_cast<long long>(row.descriptors), row.kept, row.lost, row.times_off);
    std::fflush(stdout);
    if (heat == 2) {
      first = row;
      wall_second = row.wall_ms;
    }
    last = row;
    lost += row.lost;
    off += row.times_off;
  }
  std::printf("growth from heat 2 to heat %d: rss %+ld kB, descriptors %+lld, wall %+.1f ms\n", heats,
              last.rss_kb - first.rss_kb, static_cast<long long>(last.descriptors - first.descriptors),
              last.wall_ms - wall_second);
  std::printf("frames lost %d, times off the truth %d, errors reported %d, questions asked %d\n", lost, off,
              meeting.Errors(), meeting.Asked());
  return lost == 0 && off == 0 && meeting.Errors() == 0 ? 0 : 1;
}
