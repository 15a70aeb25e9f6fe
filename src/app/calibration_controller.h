#pragma once
// Calibrating the goal camera's delay from the kit's LED, which lights at the start contact:
// the operator marks the LED's place in the picture once (kept in the settings), then for each
// trial recording (the start in view) the first field showing it lit gives a delay; the trials
// together propose the goal delay, which the operator may accept into the settings.
#include "timing/led_calibration.h"

#include "app/main_window_controls.h"

#include <QMap>
#include <QObject>
#include <QPointF>
#include <QString>
#include <cstdint>
#include <optional>

class Calibration_Controller : public QObject, private Window_Binding {
public:
  explicit Calibration_Controller(const Main_Window_Parts& parts);
  ~Calibration_Controller() override;
  Calibration_Controller(const Calibration_Controller&) = delete;
  Calibration_Controller& operator=(const Calibration_Controller&) = delete;

  // "Mark LED place": the next drag on the picture marks the LED's rectangle.
  void item_mark_led_Click();
  bool Marking() const { return marking_; }
  // The LED's place from a drag between two picture points; kept in the settings.
  void Mark_Led(QPointF from, QPointF to);
  std::optional<Led_Rect> Led_Place() const;

  // "Calibrate camera delay": this recording's trial, all trials so far and the proposal.
  void item_calibrate_delay_Click();
  void item_clear_calibration_Click();
  // Delay of each trial by recording.
  const QMap<QString, int32_t>& Trials() const { return trials_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bool marking_ = false;
  std::optional<QPointF> press_;
  QMap<QString, int32_t> trials_;
};
