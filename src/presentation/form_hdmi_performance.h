#pragma once
// The capture performance window: a scrolling plot of the interval between consecutive frames,
// the frames received against those a 25 frames-per-second source would have sent, the frames
// the driver reports skipped, and the source's format and interval limits.
#include "presentation/event_print.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class cls_Capture_HDMI;

// The plot: one column per frame, one pixel per millisecond from the bottom row up.
inline constexpr int32_t Delta_Plot_Width = 480;
inline constexpr int32_t Delta_Plot_Height = 120;
inline const QColor Delta_Plot_Background{255, 255, 255};
inline const QColor Delta_Bar_Colour{0, 0, 255};
inline const QColor Line_40_Colour{0, 160, 0};
inline const QColor Line_80_Colour{255, 0, 0};

// Moves the picture one pixel to the left and draws the delta as a bar in the freed column; a
// delta above the picture's height is cut at the top.
void Plot_Delta(QImage& plot, int32_t delta_ms);
// The reference lines 40 and 80 pixels above the bottom edge (25 frames per second; a missed
// frame).
void Draw_lines(QImage& plot);

// Frames a 25 frames-per-second source sends in `elapsed_ms`, to the nearest whole number.
int32_t Expected_Frames(int32_t elapsed_ms);
// "1920*1080, 25 fps" from the sample dimensions and the time of 10 frames.
QString HDMI_Dimensions_Text(const QString& sample_dimensions, int32_t hdmi_10_mill);
// The frame-interval limits (100 ns units, as the component reports them) with their rates.
QString Min_Max_Fps_Text(const QString& min_interval, const QString& max_interval);

// The plot as a control: paints its picture.
class Delta_Scroll_Picture final : public QWidget {
public:
  explicit Delta_Scroll_Picture(QWidget* parent);
  const QImage& Picture() const { return picture_; }
  QImage& Picture() { return picture_; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QImage picture_;
};

class Form_HDMI_performance : public QMainWindow {
  Q_OBJECT
public:
  explicit Form_HDMI_performance(QWidget* parent = nullptr);
  ~Form_HDMI_performance() override;

  // The main window's "HDMI performance" command. False, after "No active HDMI source!", while
  // the source has not yet timed 10 frames. Otherwise toggles the tick of `tick` (when given):
  // ticked, the window shows the source and its counts start; unticked, it closes. The tick is
  // taken off whenever the window closes.
  bool Open_From_Main(cls_Capture_HDMI& source, QAction* tick = nullptr);
  // Step 1 of the main window's per-frame handler: the frame's times, while the window is shown.
  void Frame_From_Main(const cls_Capture_HDMI& source);

  // One frame: its capture time and the milliseconds since the previous one.
  void HDMI_event(int32_t last_capture_mill, int32_t delta_ms);
  void Plot_Delta(int32_t delta_ms);
  void Draw_lines();
  void Reset_Counters();
  void Get_Start() { Reset_Counters(); }
  void Show_Properties(const QString& text);
  void HDMI_Dimensions(const QString& text);
  void Fill_min_max_fps(const QString& text);
  // The caption and system labels, as on activation.
  void Form_Activate();

  void Command_copy_clipboard_Click();
  void Command_print_Click();
  // "Random Delta": switches the timer that feeds intervals of 40 to 70 ms without a source.
  void item_random_delta_Click();
  // One tick of that timer: plots the interval it came after and draws the next.
  void Timer_random_Timer();
  void set_Print_Waits(Window_Print_Waits waits) { print_waits_ = waits; }

  int32_t Frames_Received() const { return received_; }
  int32_t Start_Mill() const { return start_mill_; }
  bool Random_Running() const;
  int32_t Random_Interval_ms() const;
  // The source whose driver-counted drops are shown; nullptr before Open_From_Main.
  const cls_Capture_HDMI* Source() const;
  const QImage& Plot() const { return Picture_Delta_Scroll->Picture(); }
  QAction* item(const QString& name) const;

  // Named controls.
  QGroupBox* Frame_performance = nullptr;
  Delta_Scroll_Picture* Picture_Delta_Scroll = nullptr;
  QLabel* Label_Frames_received = nullptr;
  QLabel* Label_frames_Calculated = nullptr;
  QLabel* Label_frames_lost = nullptr;
  QLabel* Label_frames_dropped = nullptr;
  QLabel* Label_min_max_fps = nullptr;
  QLabel* Label_properties = nullptr;
  QLabel* Label_dimensions = nullptr;
  QLabel* Label_system = nullptr;
  QLabel* Label_computer = nullptr;
  QPushButton* Command_copy_clipboard = nullptr;
  QPushButton* Command_print = nullptr;
  QPushButton* Command_hide = nullptr;
  QTimer* Timer_random = nullptr;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  void build_controls();
  void build_menus();
  void Show_Dropped();
  void report(int32_t step, const QString& handler) const;

  QPointer<cls_Capture_HDMI> source_;
  QPointer<QAction> tick_;
  std::vector<QAction*> items_;
  int32_t start_mill_ = 0;
  int32_t received_ = 0;
  int64_t dropped_at_reset_ = 0;
  Window_Print_Waits print_waits_;
};
