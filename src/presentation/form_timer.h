#pragma once
// The heat clock window: the time of day to the hundredth, the running heat time copied from the
// main window, and an arm turning once a second with the hundredths, so that a camera filming the
// screen shows a clock. It ticks only while it is the active window.
#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QTimer;

// The arm for a number of hundredths (0 straight up, turning clockwise, a full turn at 99) on a
// picture of the given inner size: a line from the tip to the centre.
struct Running_Arm {
  QPointF tip;
  QPoint centre;
  int32_t width = 1;
};
Running_Arm Running_Arm_Line(QSize inner, int32_t hundredths);

class Form_timer : public QWidget {
  Q_OBJECT
public:
  explicit Form_timer(QWidget* owner = nullptr);
  ~Form_timer() override;

  // The main window's Label_heat_time text, read on every tick.
  void set_Heat_Time_Source(std::function<QString()> source) { heat_time_ = std::move(source); }

  void Form_Activate();
  void Form_Deactivate();
  // One tick of Timer1.
  void Timer1_Timer();
  // The arm for Arm_Hundredths on the picture, in the colour.
  void Draw_Running_Arm(QLabel* picture, const QColor& colour);

  int16_t Tick_Count() const { return tick_count_; }
  QString Arm_Hundredths() const { return arm_hundredths_; }

  QLabel* Picture_arm = nullptr;
  QLabel* Label_time = nullptr;
  QLabel* Label_elapsed = nullptr;
  QTimer* Timer1 = nullptr;

protected:
  void changeEvent(QEvent* event) override;

private:
  std::function<QString()> heat_time_;
  int16_t tick_count_ = 0;
  QString arm_hundredths_;
};
