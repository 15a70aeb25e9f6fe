#include "app/slit_controller.h"

#include "platform/ui_mailbox.h"

#include "app/goal_lines_view.h"
#include "app/main_window_state.h"
#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "presentation/slit_strip.h"
#include "recording/live_slit.h"
#include "recording/slit_cache.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/interpolated_time.h"
#include "timing/proposal_settings.h"
#include "timing/review_session.h"
#include "timing/slit_analysis.h"
#include "timing/slit_render.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

const QString Section = QStringLiteral("Slit");
const QString Strip_Key = QStringLiteral("show_strip");
// A moved goal line is taken once it has rested this long.
constexpr int Line_Rest_Ms = 800;

QString Seconds_Text(double ms) {
  return QString::number(ms / 1000.0, 'f', 3).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace

Slit_Controller::Slit_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  relay_ = new Ui_Mailbox(this);
  line_rest_ = new QTimer(this);
  line_rest_->setSingleShot(true);
  line_rest_->setInterval(Line_Rest_Ms);
  connect(line_rest_, &QTimer::timeout, this, [this] {
    // Not while the line is still being dragged.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
      line_rest_->start();
      return;
    }
    const Goal_Line line = Selected_Goal_Line(view_);
    if (review_.Is_Open() && Slit_Line{line.x1, line.y1, line.x2, line.y2} != building_line_) Start_Build();
  });
  Build_Controls();
  Connect_Items();
}

Slit_Controller::~Slit_Controller() { Stop_Worker(); }

void Slit_Controller::report(int32_t step, const char* procedure) {
  report_current_exception(step, QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent"));
}

void Slit_Controller::Build_Controls() {
  // The strip's frame: what the build came to and "Accept all proposals" above the strip.
  auto* layout = new QVBoxLayout(ui_.Frame_slit);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  auto* row = new QHBoxLayout;
  status_ = new QLabel(ui_.Frame_slit);
  status_->setObjectName(QStringLiteral("Label_slit_status"));
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  progress_ = new QProgressBar(ui_.Frame_slit);
  progress_->setObjectName(QStringLiteral("Progress_slit"));
  progress_->setMaximumHeight(14);
  progress_->setTextVisible(false);
  progress_->hide();
  accept_all_ = new QPushButton(QStringLiteral("Accept all proposals"), ui_.Frame_slit);
  accept_all_->setObjectName(QStringLiteral("Cmd_accept_all_proposals"));
  accept_all_->setFocusPolicy(Qt::NoFocus);
  accept_all_->setEnabled(false);
  row->addWidget(status_, 1);
  row->addWidget(progress_, 1);
  row->addWidget(accept_all_);
  layout->addLayout(row);
  strip_ = new Slit_Strip(ui_.Frame_slit);
  layout->addWidget(strip_);
  // Each box's proposal under its button (and, while they are made, how far the build is): one
  // row, so the buttons' frame leaves a full-height picture room on the screen.
  auto* grid = qobject_cast<QGridLayout*>(ui_.Frame_settimes->layout());
  connect(strip_, &Slit_Strip::column_clicked, this, [this](int32_t column) {
    if (slit_) review_.Show(Slider_Value_Of(*slit_, column, Field_Mode()));
  });
  connect(accept_all_, &QPushButton::clicked, this, [this] { Accept_Proposals({}); });

  // Each box's proposal right under its button.
  if (grid) {
    for (int i = 0; i < 6; ++i) {
      auto* b = new QPushButton(QStringLiteral("-"), ui_.Frame_settimes);
      b->setObjectName(QStringLiteral("Cmd_accept_proposal_%1").arg(i));
      b->setFocusPolicy(Qt::NoFocus);
      b->setFlat(true);
      b->setEnabled(false);
      QFont font = b->font();
      font.setPointSize(std::max(6, font.pointSize() - 1));
      b->setFont(font);
      accept_.at(static_cast<size_t>(i)) = b;
      grid->addWidget(b, 3, i);
      connect(b, &QPushButton::clicked, this, [this, i] { Accept_Proposals({static_cast<int16_t>(i + 1)}); });
    }
  }
}

void Slit_Controller::Connect_Items() {
  if (QAction* strip = ui_.item(QStringLiteral("item_slit_image")))
    connect(strip, &QAction::toggled, this, [this](bool on) { item_slit_image_Click(on); });
  if (QAction* all = ui_.item(QStringLiteral("item_accept_all_proposals")))
    connect(all, &QAction::triggered, this, [this] { Accept_Proposals({}); });
  for (int16_t box = 1; box <= 6; ++box)
    if (QAction* one = ui_.item(QStringLiteral("item_accept_proposal_%1").arg(box)))
      connect(one, &QAction::triggered, this, [this, box] { Accept_Proposals({box}); });
}

bool Slit_Controller::Field_Mode() const { return review_.Field_Mode(); }

QString Slit_Controller::Status_Text() const { return status_->text(); }

void Slit_Controller::Apply_Stored_Strip_Setting() {
  if (strip_setting_applied_) return;
  strip_setting_applied_ = true;
  const QString path = program().Settings_File_Path;
  if (path.isEmpty()) return;
  const bool on = Read_Ini_Value(Section, Strip_Key, path, QStringLiteral("0")).trimmed() == QStringLiteral("1");
  if (QAction* strip = ui_.item(QStringLiteral("item_slit_image"))) strip->setChecked(on);
}

void Slit_Controller::item_slit_image_Click(bool on) {
  int32_t step = 10;
  try {
    strip_setting_applied_ = true;
    if (on == !ui_.Frame_slit->isHidden()) return;
    ui_.Frame_slit->setVisible(on);
    step = 20;
    if (!program().Settings_File_Path.isEmpty())
      Write_Ini_Value(Section, Strip_Key, on ? QStringLiteral("1") : QStringLiteral("0"), program().Settings_File_Path);
    step = 30;
    // The picture gives the strip its height when the screen has none to spare.
    if (frame_.Window().isVisible()) frame_.Update_Max_Picture_Height();
    frame_.Arrange_form();
  } catch (...) {
    report(step, "item_slit_image_Click");
  }
}

void Slit_Controller::Stop_Worker() {
  if (!worker_.joinable()) return;
  cancel_ = true;
  worker_.join();
  cancel_ = false;
  building_ = false;
}

void Slit_Controller::Clear() {
  Stop_Worker();
  ++job_;
  line_rest_->stop();
  slit_.reset();
  proposals_ = {};
  from_cache_ = false;
  strip_->Clear();
  progress_->hide();
  status_->clear();
  Show_Proposals();
}

void Slit_Controller::Recording_Opened() {
  Apply_Stored_Strip_Setting();
  Clear();
  Start_Build();
}

void Slit_Controller::Recording_Closed() { Clear(); }

void Slit_Controller::Start_Build() {
  int32_t step = 10;
  try {
    Stop_Worker();
    const uint64_t job = ++job_;
    cls_VideoFile_handler& h = review_.Recording();
    if (!h.File_open()) return;
    Slit_Analysis_Input input;
    input.layout = Recording_Layout::Of(h);
    if (!input.layout.Usable()) {
      status_->setText(QStringLiteral("No slit: the recording holds no pictures"));
      return;
    }
    step = 20;
    const Goal_Line line = Selected_Goal_Line(view_);
    const bool turned = input.layout.rotated;
    const QString problem = Goal_Line_Problem(line, turned ? input.layout.height : input.layout.width,
                                              turned ? input.layout.width : input.layout.height);
    if (!problem.isEmpty()) {
      // Said at once: a strip of turf would only puzzle the operator.
      status_->setText(QStringLiteral("No slit: ") + problem);
      status_->setToolTip(status_->text());
      building_line_ = {line.x1, line.y1, line.x2, line.y2};
      Show_Proposals();
      return;
    }
    input.line = {line.x1, line.y1, line.x2, line.y2};
    building_line_ = input.line;
    input.clock.start_mill = review_.Start_Mill(); // 0 for a heat with no start yet
    input.clock.compensation_ms = h.Goal_Compensation_Ms();
    input.clock.field_interval_ms = h.Field_Interval_Ms();
    input.clock.picture_interval_ms = h.Picture_Interval_Ms();
    QString source;
    try {
      source = h.XML_Header().Capture_source();
    } catch (...) {
      // A header without the source is read with the settings' rows (Automatic: the common ones).
    }
    input.options = Options_For(Read_Proposal_Settings(program().Settings_File_Path), source);
    input.cache_path = Slit_Cache_Path(input.layout.path);
    input.held = review_.Held_Slit(input.layout.path);
    clock_ = input.clock;
    step = 30;
    building_ = true;
    progress_->setRange(0, input.layout.Columns());
    progress_->setValue(0);
    progress_->show();
    status_->setText(QStringLiteral("Building the slit"));
    Show_Proposals();
    Trace_Message(QStringLiteral("*Slit image, build"), input.layout.path);
    worker_ = std::thread([this, job, input] {
      int32_t shown_percent = -1;
      const auto progress = [&](int32_t done, int32_t total) {
        const int32_t percent = total > 0 ? static_cast<int32_t>(int64_t{done} * 100 / total) : 0;
        if (percent == shown_percent) return;
        shown_percent = percent;
        relay_->Post([this, job, done, total] { Show_Progress(job, done, total); });
      };
      // Nothing on this thread may open a window: whatever fails goes back in the result.
      std::shared_ptr<Slit_Analysis> result;
      try {
        result = std::make_shared<Slit_Analysis>(Analyse_Recording(input, &cancel_, progress));
      } catch (...) {
        result.reset();
      }
      relay_->Post([this, job, result] {
        Slit_Analysis none;
        none.why = QStringLiteral("out of memory");
        Built(job, result ? *result : none);
      });
    });
  } catch (...) {
    building_ = false;
    progress_->hide();
    report(step, "Start_Build");
  }
}

void Slit_Controller::Live_Slit_Grew() {
  // A reviewed recording's slit keeps the strip; none is open while a trigger is held.
  if (live_pending_ || review_.Is_Open()) return;
  live_pending_ = true;
  // The operator's choice of strip holds under the live picture too.
  Apply_Stored_Strip_Setting();
  QMetaObject::invokeMethod(
      this,
      [this] {
        live_pending_ = false;
        if (review_.Is_Open()) return;
        const Live_Slit& live = heat_.Live();
        strip_->set_Live(live.Newest(strip_->Live_Columns()));
        status_->setText(live.Is_Empty()
                             ? QString()
                             : QStringLiteral("Slit of the held frames: %1 fields").arg(live.Columns_Added()));
        status_->setToolTip(QString());
      },
      Qt::QueuedConnection);
}

void Slit_Controller::Show_Progress(uint64_t job, int32_t done, int32_t total) {
  if (job != job_) return;
  progress_->setRange(0, total);
  progress_->setValue(done);
  const QString percent = QStringLiteral("%1%").arg(total > 0 ? int64_t{done} * 100 / total : 0);
  for (QPushButton* b : accept_)
    if (b) b->setText(percent);
}

void Slit_Controller::Built(uint64_t job, Slit_Analysis& result) {
  if (job != job_) return; // a build given up since
  if (worker_.joinable()) worker_.join();
  building_ = false;
  progress_->hide();
  if (!result.slit) {
    status_->setText(result.cancelled ? QString() : QStringLiteral("No slit: ") + result.why);
    status_->setToolTip(status_->text());
    Show_Proposals();
    return;
  }
  from_cache_ = result.from_cache;
  slit_ = std::make_shared<const Slit_Image>(std::move(*result.slit));
  proposals_ = result.proposals;
  strip_->set_Slit(slit_, clock_);
  int32_t found = 0, unsure = 0;
  for (const Finish_Proposal& p : proposals_) {
    found += p.found ? 1 : 0;
    unsure += p.found && p.unsure ? 1 : 0;
  }
  status_->setText(QStringLiteral("Slit of %1 %2%3, %4 of 6 proposed%5")
                       .arg(slit_->Columns())
                       .arg(slit_->Interlaced() ? QStringLiteral("fields") : QStringLiteral("frames"))
                       .arg(from_cache_ ? QStringLiteral(" (kept)") : QString())
                       .arg(found)
                       .arg(unsure > 0 ? QStringLiteral(", %1 unsure").arg(unsure) : QString()));
  Trace_Message(QStringLiteral("*Slit image, done"), slit_->Columns(), from_cache_, found);
  Show_Proposals();
  Update_Marks();
  if (!result.damaged.empty())
    Msg_Box(Damaged_Frames_Text(result.damaged), {}, Prompt_Buttons::Ok, Prompt_Icon::Warning);
}

QString Damaged_Frames_Text(const std::vector<Picture_Failure>& damaged) {
  constexpr size_t Named = 8;
  if (damaged.size() == 1)
    return QStringLiteral("Frame %1 of this recording could not be read: %2. The slit image and the proposals were "
                          "made without it.")
        .arg(damaged.front().frame)
        .arg(damaged.front().why);
  QStringList frames;
  for (size_t i = 0; i < damaged.size() && i < Named; ++i)
    frames << QString::number(damaged[i].frame);
  QString list = frames.join(QStringLiteral(", "));
  if (damaged.size() > Named) list += QStringLiteral(" and %1 more").arg(damaged.size() - Named);
  return QStringLiteral("Frames %1 of this recording could not be read. The slit image and the proposals were made "
                        "without them.")
      .arg(list);
}

void Slit_Controller::Show_Proposals() {
  int32_t sure = 0;
  for (size_t i = 0; i < accept_.size(); ++i) {
    QPushButton* b = accept_[i];
    if (!b) continue;
    const Finish_Proposal& p = proposals_[i];
    Mark_Unsure(b, false);
    if (building_) {
      b->setText(QStringLiteral("..."));
      b->setToolTip(QStringLiteral("The proposals are being made"));
      b->setEnabled(false);
      continue;
    }
    if (!slit_ || !p.found) {
      b->setText(QStringLiteral("-"));
      b->setToolTip(slit_ ? QStringLiteral("Box %1: not found").arg(i + 1) : QString());
      b->setEnabled(false);
      continue;
    }
    b->setEnabled(true);
    if (p.unsure) {
      // A guess to look at, not a time: marked, and the operator confirms before it is stored.
      Mark_Unsure(b, true);
      b->setText(QStringLiteral("? ") + Seconds_Text(p.interpolated_ms));
      b->setToolTip(QStringLiteral("Box %1 unsure: %2. Best seen in field %3 (%4). Click to accept after looking.")
                        .arg(i + 1)
                        .arg(p.reason)
                        .arg(p.field_number)
                        .arg(Proposal_Text(p)));
      continue;
    }
    ++sure;
    b->setText(Seconds_Text(p.interpolated_ms) + (p.dead_heat ? QStringLiteral(" =") : QString()));
    b->setToolTip(QStringLiteral("Box %1: %2%3. Click to accept.")
                      .arg(i + 1)
                      .arg(Proposal_Text(p))
                      .arg(p.dead_heat ? QStringLiteral(", a dead heat with the box before") : QString()));
  }
  accept_all_->setEnabled(sure > 0);
  if (slit_) {
    Slit_Marks marks = strip_->Marks();
    marks.proposals = proposals_;
    marks.show_proposals = true;
    strip_->set_Marks(marks);
  }
}

void Slit_Controller::Mark_Unsure(QPushButton* button, bool unsure) {
  button->setProperty("unsure", unsure);
  // Dark orange, italic: unlike a sure proposal and unlike a stored time.
  button->setStyleSheet(unsure ? QStringLiteral("QPushButton { color: rgb(190, 80, 0); font-style: italic; }")
                               : QString());
}

void Slit_Controller::Update_Marks() {
  try {
    if (!slit_) return;
    const cls_VideoFile_handler& h = review_.Recording();
    Slit_Marks marks = strip_->Marks();
    marks.proposals = proposals_;
    marks.show_proposals = true;
    marks.cursor_column = Slit_Column_Of(*slit_, review_.Position(), Field_Mode());
    for (int16_t box = 1; box <= 6; ++box) {
      int32_t column = -1;
      if (h.File_open() && h.Dora_Heat_time(box, false) > 0 && h.Dora_heat_frame(box) > 0)
        column = Slit_Column_Of(*slit_, h.Dora_heat_frame(box), Field_Mode());
      marks.set_column[static_cast<size_t>(box - 1)] = column;
    }
    strip_->set_Marks(marks);
  } catch (...) {
    report(10, "Slit_Update_Marks");
  }
}

void Slit_Controller::Picture_Shown(int32_t position) {
  if (slit_) strip_->set_Cursor(Slit_Column_Of(*slit_, position, Field_Mode()));
  if (!review_.Is_Open()) return;
  const Goal_Line line = Selected_Goal_Line(view_);
  if (Slit_Line{line.x1, line.y1, line.x2, line.y2} != building_line_ && !line_rest_->isActive()) line_rest_->start();
}

void Slit_Controller::Accept_Proposals(const std::vector<int16_t>& boxes) {
  int32_t step = 10;
  try {
    cls_VideoFile_handler& h = review_.Recording();
    if (!h.File_open() || !slit_ || building_) {
      Beep();
      Trace_Message("*Accept_Proposals, no proposals");
      return;
    }
    // Refused before anything is worked out, as a box button is.
    if (review_.Refuse_Change(Result_Change::Times)) return;
    step = 20;
    // "All" takes the sure ones only; an unsure one is taken alone, once the operator has looked.
    if (boxes.size() == 1) {
      const Finish_Proposal& p = proposals_.at(static_cast<size_t>(std::clamp<int16_t>(boxes.front(), 1, 6) - 1));
      if (p.found && p.unsure &&
          Msg_Box(QStringLiteral("The proposal for box %1 is unsure: %2.\n\nLook at field %3 first. Store %4 s as "
                                 "box %1's time?")
                      .arg(p.box)
                      .arg(p.reason)
                      .arg(p.field_number)
                      .arg(Seconds_Text(p.interpolated_ms)),
                  QStringLiteral("Accept proposal"), Prompt_Buttons::YesNo, Prompt_Icon::Question,
                  Prompt_Answer::No) != Prompt_Answer::Yes)
        return;
    }
    std::vector<Box_Time> times;
    for (const Finish_Proposal& p : proposals_) {
      const bool wanted = boxes.empty() ? !p.unsure : std::find(boxes.begin(), boxes.end(), p.box) != boxes.end();
      if (!wanted || !p.found) continue;
      Box_Time t;
      t.box = p.box;
      t.slider_position = static_cast<int16_t>(Slider_Value_Of(*slit_, p.column, Field_Mode()));
      t.time_ms = p.time_ms;
      t.dead_heat = p.dead_heat;
      if (p.interpolated)
        t.interpolated =
            Interpolated_Time{static_cast<int32_t>(std::nearbyint(p.interpolated_ms)), p.time_ms, p.uncertainty_ms};
      times.push_back(t);
    }
    // A dead heat's mark goes on a box whose time another box already holds, stored before it
    // or earlier among these: the ranking puts that one first.
    for (size_t i = 0; i < times.size(); ++i) {
      Box_Time& t = times[i];
      const int32_t time = t.interpolated ? t.interpolated->time_ms : t.time_ms;
      bool shared = false;
      for (int16_t other = 1; other <= 6 && !shared; ++other)
        shared = other != t.box && h.Dora_Heat_time(other, false) == time &&
                 std::none_of(times.begin(), times.end(), [other](const Box_Time& x) { return x.box == other; });
      for (size_t k = 0; k < i && !shared; ++k)
        shared = (times[k].interpolated ? times[k].interpolated->time_ms : times[k].time_ms) == time;
      t.dead_heat = shared;
    }
    if (times.empty()) {
      Beep();
      Trace_Message("*Accept_Proposals, nothing found to accept");
      return;
    }
    step = 30;
    const QString command = boxes.size() == 1 ? QStringLiteral("Accept proposal, box %1").arg(boxes.front())
                                              : QStringLiteral("Accept all proposals");
    review_.Change_Result(command, [&] {
      Apply_Box_Times(h, times);
      for (const Box_Time& t : times) {
        const Finish_Proposal& p = proposals_.at(static_cast<size_t>(t.box - 1));
        if (p.unsure && t.interpolated) Write_Unsure_Note(h.XML_Header(), t.box, p.reason);
      }
    });
  } catch (...) {
    report(step, "Accept_Proposals");
  }
}
