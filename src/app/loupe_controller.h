#pragma once
// The loupe beside the picture: x2, x4 or x8, nearest pixels, around the goal line (at the row
// under the mouse) or under the mouse, following every picture the playback shows and every
// move of the mouse. Its keys are in the Finish menu and listed in Help.
#include "app/main_window_controls.h"
#include "timing/goal_line.h"

#include <QObject>
#include <QPointF>
#include <QString>
#include <cstdint>
#include <optional>

class Loupe_View;
class cDIBSection;

// The loupe's keys, as Help lists them.
QString Loupe_Keys_Text();

class Loupe_Controller : public QObject, private Window_Binding {
public:
  explicit Loupe_Controller(const Main_Window_Parts& parts);
  ~Loupe_Controller() override;
  Loupe_Controller(const Loupe_Controller&) = delete;
  Loupe_Controller& operator=(const Loupe_Controller&) = delete;

  // 0 switches the loupe off.
  void set_Zoom(int32_t zoom);
  int32_t Zoom() const { return zoom_; }
  void set_Follow_Mouse(bool on);
  bool Follow_Mouse() const { return follow_mouse_; }
  // The mouse over the picture, in picture pixels.
  void Mouse_At(QPointF picture_position);
  // Shows the current picture again around its centre.
  void Refresh();
  Loupe_View& View() { return *loupe_view_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  const cDIBSection* Shown_Surface() const;

  Loupe_View* loupe_view_ = nullptr;
  int32_t zoom_ = 0;
  bool follow_mouse_ = false;
  std::optional<QPointF> mouse_;
};
