#include "presentation/form_hdmi_performance.h"

#include "capture/capture_hdmi.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "presentation/named_controls.h"
#include "presentation/window_capture.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const QString Window_Name = QStringLiteral("Form_HDMI_performance");
constexpr int32_t Frame_Interval_Ms = 40; // what a 25 frames-per-second source keeps to
constexpr int32_t Random_Low_Ms = 40;
constexpr int32_t Random_High_Ms = 70;

QLabel* make_label(QWidget* parent, const char* name, const QString& text = {}) {
  return Named_Label(parent, QLatin1String(name), text);
}

QLabel* make_count(QWidget* parent, const char* name) {
  QLabel* label = make_label(parent, name, QStringLiteral("0"));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(90);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QPushButton* make_button(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

// One whole row, counted from the top.
void fill_row(QImage& plot, int32_t row, const QColor& colour) {
  if (row < 0 || row >= plot.height()) return;
  if (plot.format() != QImage::Format_RGB32) plot = plot.convertToFormat(QImage::Format_RGB32);
  auto* line = reinterpret_cast<QRgb*>(plot.scanLine(row));
  std::fill(line, line + plot.width(), colour.rgb());
}

// "25", "29.9", "12.5": frames per second of an interval in 100 ns units, one decimal at most.
QString rate_text(double interval_100ns) {
  QString rate = QString::number(std::round(1.0e8 / interval_100ns) / 10.0, 'f', 1);
  if (rate.endsWith(QStringLiteral(".0"))) rate.chop(2);
  return rate;
}

QString interval_text(const QString& interval) {
  bool ok = false;
  const double value = interval.trimmed().toDouble(&ok);
  if (!ok || !(value > 0)) return QStringLiteral("N/A");
  return interval.trimmed() + QStringLiteral(" (") + rate_text(value) + QStringLiteral(" fps)");
}

} // namespace

void Plot_Delta(QImage& plot, int32_t delta_ms) {
  if (plot.isNull() || plot.width() < 1) return;
  if (plot.format() != QImage::Format_RGB32) plot = plot.convertToFormat(QImage::Format_RGB32);
  const int32_t width = plot.width();
  const int32_t height = plot.height();
  const QRgb background = Delta_Plot_Background.rgb();
  const QRgb bar = Delta_Bar_Colour.rgb();
  // The freed column is cleared first, so the previous frame's bar does not stand behind a
  // shorter one.
  const int32_t bar_top = height - std::clamp(delta_ms, 0, height);
  for (int32_t y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(plot.scanLine(y));
    std::memmove(line, line + 1, static_cast<size_t>(width - 1) * sizeof(QRgb));
    line[width - 1] = y >= bar_top ? bar : background;
  }
}

void Draw_lines(QImage& plot) {
  fill_row(plot, plot.height() - 40, Line_40_Colour);
  fill_row(plot, plot.height() - 80, Line_80_Colour);
}

int32_t Expected_Frames(int32_t elapsed_ms) {
  return static_cast<int32_t>(std::nearbyint(elapsed_ms / static_cast<double>(Frame_Interval_Ms)));
}

QString HDMI_Dimensions_Text(const QString& sample_dimensions, int32_t hdmi_10_mill) {
  QString text = sample_dimensions + QStringLiteral(", ");
  if (hdmi_10_mill > 0)
    text += QString::number(static_cast<int64_t>(std::floor(1000.0 / (hdmi_10_mill / 10.0))));
  else
    text += QStringLiteral("N/A");
  return text + QStringLiteral(" fps");
}

QString Min_Max_Fps_Text(const QString& min_interval, const QString& max_interval) {
  return QStringLiteral("Min interval ") + interval_text(min_interval) + QStringLiteral(", max interval ") +
         interval_text(max_interval);
}

Delta_Scroll_Picture::Delta_Scroll_Picture(QWidget* parent)
    : QWidget(parent), picture_(Delta_Plot_Width, Delta_Plot_Height, QImage::Format_RGB32) {
  picture_.fill(Delta_Plot_Background);
  ::Draw_lines(picture_);
  setFixedSize(picture_.size());
}

void Delta_Scroll_Picture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

// Top-most from the start: setting the hint later would hide the shown window.
Form_HDMI_performance::Form_HDMI_performance(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(Window_Name);
  setWindowTitle(QStringLiteral("HDMI performance"));
  build_controls();
  build_menus();
  start_mill_ = Mill_Now();
}

Form_HDMI_performance::~Form_HDMI_performance() = default;

void Form_HDMI_performance::build_controls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  Frame_performance = new QGroupBox(QStringLiteral("HDMI Performance"), central);
  Frame_performance->setObjectName(QStringLiteral("Frame_performance"));
  Picture_Delta_Scroll = new Delta_Scroll_Picture(Frame_performance);
  Picture_Delta_Scroll->setObjectName(QStringLiteral("Picture_Delta_Scroll"));

  Label_Frames_received = make_count(Frame_performance, "Label_Frames_received");
  Label_frames_Calculated = make_count(Frame_performance, "Label_frames_Calculated");
  Label_frames_lost = make_count(Frame_performance, "Label_frames_lost");
  Label_frames_lost->setToolTip(QStringLiteral("Click to restart the counts"));
  Label_frames_lost->setCursor(Qt::PointingHandCursor);
  Label_frames_lost->installEventFilter(this);
  Label_frames_dropped = make_count(Frame_performance, "Label_frames_dropped");
  Label_frames_dropped->setText(QStringLiteral("N/A"));

  auto* counts = new QGridLayout;
  Add_Caption_Rows(counts, Frame_performance,
                   {{QStringLiteral("Frames received"), Label_Frames_received},
                    {QStringLiteral("Frames expected at 25 fps"), Label_frames_Calculated},
                    {QStringLiteral("Received - expected"), Label_frames_lost},
                    {QStringLiteral("Dropped by the driver"), Label_frames_dropped}});
  counts->setColumnStretch(2, 1);

  Label_properties = make_label(Frame_performance, "Label_properties");
  Label_dimensions = make_label(Frame_performance, "Label_dimensions");
  Label_min_max_fps = make_label(Frame_performance, "Label_min_max_fps");
  auto* frame_layout = new QVBoxLayout(Frame_performance);
  frame_layout->addWidget(Picture_Delta_Scroll, 0, Qt::AlignHCenter);
  frame_layout->addLayout(counts);
  frame_layout->addWidget(Label_properties);
  frame_layout->addWidget(Label_dimensions);
  frame_layout->addWidget(Label_min_max_fps);

  Label_system = make_label(central, "Label_system");
  Label_computer = make_label(central, "Label_computer");
  for (QLabel* l : {Label_properties, Label_dimensions, Label_min_max_fps, Label_system, Label_computer})
    l->setWordWrap(true);

  Command_copy_clipboard = make_button(central, "Command_copy_clipboard", QStringLiteral("Copy form to Clipboard"));
  Command_print = make_button(central, "Command_print", QStringLiteral("Print Form"));
  Command_hide = make_button(central, "Command_hide", QStringLiteral("Hide"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Command_copy_clipboard);
  buttons->addWidget(Command_print);
  buttons->addStretch(1);
  buttons->addWidget(Command_hide);

  auto* layout = new QVBoxLayout(central);
  layout->addWidget(Frame_performance);
  layout->addWidget(Label_system);
  layout->addWidget(Label_computer);
  layout->addLayout(buttons);

  Timer_random = new QTimer(this);
  Timer_random->setObjectName(QStringLiteral("Timer_random"));
  Timer_random->setInterval(Frame_Interval_Ms);

  connect(Command_copy_clipboard, &QPushButton::clicked, this, [this] { Command_copy_clipboard_Click(); });
  connect(Command_print, &QPushButton::clicked, this, [this] { Command_print_Click(); });
  connect(Command_hide, &QPushButton::clicked, this, [this] { close(); });
  connect(Timer_random, &QTimer::timeout, this, [this] { Timer_random_Timer(); });
}

void Form_HDMI_performance::build_menus() {
  QMenu* debug = menuBar()->addMenu(QStringLiteral("Debug"));
  debug->setObjectName(QStringLiteral("menu_debug"));
  QAction* random = debug->addAction(QStringLiteral("Random Delta"));
  random->setObjectName(QStringLiteral("item_random_delta"));
  random->setCheckable(true);
  items_.push_back(random);
  // The tick follows the timer, whatever toggled the action.
  connect(random, &QAction::triggered, this, [this] { item_random_delta_Click(); });
}

QAction* Form_HDMI_performance::item(const QString& name) const {
  for (QAction* a : items_)
    if (a->objectName() == name) return a;
  return nullptr;
}

void Form_HDMI_performance::report(int32_t step, const QString& handler) const {
  report_current_exception(step, handler + QStringLiteral(" of Form ") + Window_Name);
}

bool Form_HDMI_performance::Open_From_Main(cls_Capture_HDMI& source, QAction* tick) {
  int32_t step = 10;
  try {
    if (tick) tick_ = tick;
    if (source.HDMI_10_mill() == 0) {
      if (tick) tick->setChecked(isVisible());
      Msg_Box(QStringLiteral("No active HDMI source!"));
      return false;
    }
    step = 20;
    const bool ticked = !isVisible();
    if (tick) tick->setChecked(ticked);
    if (!ticked) {
      close();
      return true;
    }
    source_ = &source;
    step = 30;
    Show_Properties(source.Current_FriendlyName() + QStringLiteral(" / ") + source.Current_PropertyString());
    Reset_Counters();
    show();
    step = 40;
    HDMI_Dimensions(HDMI_Dimensions_Text(source.HDMI_Sample_Dimensions(), source.HDMI_10_mill()));
    Fill_min_max_fps(Min_Max_Fps_Text(source.MinInterval(), source.MaxInterval()));
    step = 50;
    raise();
    Form_Activate();
    return true;
  } catch (...) {
    report(step, QStringLiteral("Open_From_Main"));
    return false;
  }
}

void Form_HDMI_performance::Frame_From_Main(const cls_Capture_HDMI& source) {
  // A frame that could not be converted is not stored: it counts as lost, not as received.
  if (isVisible() && (!source.Do_CROP() || source.Last_Frame_Converted()))
    HDMI_event(source.last_Capture_mill(), source.last_Capture_delta());
}

void Form_HDMI_performance::HDMI_event(int32_t last_capture_mill, int32_t delta_ms) {
  int32_t step = 10;
  try {
    Q_UNUSED(last_capture_mill); // the counts run on the program clock, as the start time does
    ++received_;
    Plot_Delta(delta_ms);
    step = 20;
    const int32_t expected = Expected_Frames(Mill_Difference(Mill_Now(), start_mill_));
    step = 30;
    Label_Frames_received->setText(QString::number(received_));
    Label_frames_Calculated->setText(QString::number(expected));
    Label_frames_lost->setText(QString::number(int64_t{received_} - expected));
    Show_Dropped();
    Frame_performance->update();
  } catch (...) {
    // Not reported: it would come with every frame. The next frame starts afresh.
    const Error_Info info = describe_exception(std::current_exception());
    Trace_Message("*HDMI_event of Form_HDMI_performance error", step, info.number, info.description);
  }
}

void Form_HDMI_performance::Show_Dropped() {
  if (!source_) {
    Label_frames_dropped->setText(QStringLiteral("N/A"));
    return;
  }
  const int64_t dropped = source_->Dropped_Frames();
  // A new stream counts from 0 again.
  if (dropped < dropped_at_reset_) dropped_at_reset_ = 0;
  Label_frames_dropped->setText(QString::number(dropped - dropped_at_reset_));
}

void Form_HDMI_performance::Plot_Delta(int32_t delta_ms) {
  ::Plot_Delta(Picture_Delta_Scroll->Picture(), delta_ms);
  Draw_lines();
}

void Form_HDMI_performance::Draw_lines() {
  ::Draw_lines(Picture_Delta_Scroll->Picture());
  Picture_Delta_Scroll->update();
}

void Form_HDMI_performance::Reset_Counters() {
  start_mill_ = Mill_Now();
  received_ = 0;
  dropped_at_reset_ = source_ ? source_->Dropped_Frames() : 0;
  Label_Frames_received->setText(QStringLiteral("0"));
  Label_frames_Calculated->setText(QStringLiteral("0"));
  Label_frames_lost->setText(QStringLiteral("0"));
  Show_Dropped();
}

void Form_HDMI_performance::Show_Properties(const QString& text) { Label_properties->setText(text); }

void Form_HDMI_performance::HDMI_Dimensions(const QString& text) { Label_dimensions->setText(text); }

void Form_HDMI_performance::Fill_min_max_fps(const QString& text) { Label_min_max_fps->setText(text); }

void Form_HDMI_performance::Form_Activate() {
  try {
    const Program_Info& p = program();
    setWindowTitle(QStringLiteral("HDMI performance ") + p.Program_Version + QLatin1Char(' ') + p.Program_Name +
                   QLatin1Char(' ') + Local_Now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    Label_system->setText(p.Windows_Version + QLatin1Char('\n') + QStringLiteral("CPU = ") + p.CPU_Bitness +
                          QStringLiteral(" OS = ") + p.OS_Bitness);
    Label_computer->setText(p.Computer_Name + QLatin1Char(' ') + p.Processor_Description + QStringLiteral("  ") +
                            p.Memory_Total);
  } catch (...) {
    report(10, QStringLiteral("Form_Activate"));
  }
}

void Form_HDMI_performance::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
  QMainWindow::changeEvent(event);
}

void Form_HDMI_performance::hideEvent(QHideEvent* event) {
  // Minimising is not closing; a real hide ends the feed, the trial timer and the menu tick.
  if (!event->spontaneous()) {
    Timer_random->stop();
    if (QAction* random = item(QStringLiteral("item_random_delta"))) random->setChecked(false);
    if (tick_) tick_->setChecked(false);
  }
  QMainWindow::hideEvent(event);
}

bool Form_HDMI_performance::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label_frames_lost && event->type() == QEvent::MouseButtonRelease) {
    Reset_Counters();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void Form_HDMI_performance::Command_copy_clipboard_Click() {
  try {
    Copy_Form_Picture(this);
  } catch (...) {
    report(10, QStringLiteral("Command_copy_clipboard_Click"));
  }
}

void Form_HDMI_performance::Command_print_Click() {
  try {
    Print_Form_Window(*this, QStringLiteral("Printing form, on"), print_waits_);
  } catch (...) {
    const Error_Info info = describe_exception(std::current_exception());
    Trace_Message("*Command_print_Click, failed", info.number, info.description);
    Msg_Box(QStringLiteral("Windows reports Printer error!\nSorry can't print this time...."));
  }
}

void Form_HDMI_performance::item_random_delta_Click() {
  QAction* random = item(QStringLiteral("item_random_delta"));
  if (Timer_random->isActive()) {
    Timer_random->stop();
  } else {
    Timer_random->setInterval(Frame_Interval_Ms);
    Timer_random->start();
  }
  if (random) random->setChecked(Timer_random->isActive());
}

void Form_HDMI_performance::Timer_random_Timer() {
  // The plot shows the interval this tick really came after, so the counts agree with it.
  const int32_t delta = Timer_random->interval();
  Timer_random->setInterval(
      static_cast<int32_t>(QRandomGenerator::global()->bounded(Random_Low_Ms, Random_High_Ms + 1)));
  HDMI_event(Mill_Now(), delta);
}

const cls_Capture_HDMI* Form_HDMI_performance::Source() const { return source_.data(); }

bool Form_HDMI_performance::Random_Running() const { return Timer_random->isActive(); }

int32_t Form_HDMI_performance::Random_Interval_ms() const { return Timer_random->interval(); }
