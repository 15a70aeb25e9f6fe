#pragma once
// A box's time between two fields by hand: after the operator picks the box (Finish, Time
// between fields), two clicks on the picture mark the nose in the field before the line and in
// the field after it; the interpolated crossing, with its uncertainty, is offered for the box.
#include "app/main_window_controls.h"
#include "timing/goal_line.h"
#include "timing/subfield_time.h"

#include <QObject>
#include <QPointF>
#include <cstdint>
#include <optional>

class QLabel;

class Subfield_Controller : public QObject, private Window_Binding {
public:
  explicit Subfield_Controller(const Main_Window_Parts& parts);
  ~Subfield_Controller() override;
  Subfield_Controller(const Subfield_Controller&) = delete;
  Subfield_Controller& operator=(const Subfield_Controller&) = delete;

  // Starts marking for the box; refused (beep) without a recording, and on a read-only one.
  void Start(int16_t box);
  void Cancel();
  // A click on the picture at a picture pixel while marking: true when taken.
  bool Mark(QPointF picture_position);
  int16_t Marking_Box() const { return box_; }
  const std::optional<Nose_Mark>& First_Mark() const { return first_; }
  QString Status_Text() const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Offer(const Nose_Mark& second);
  void Show_Status(const QString& text);

  QLabel* status_ = nullptr;
  int16_t box_ = 0;
  std::optional<Nose_Mark> first_;
};
