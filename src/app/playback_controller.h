#pragma once
// Moving through a recording under review: the slider shows a frame or field with its goal
// line and run time, keys and mouse on the slider, and the go-to procedures of the main window
// and the results window.
#include "timing/navigation.h"
#include "timing/result_ranking.h"

#include <QObject>
#include <Qt>
#include <cstdint>
#include <functional>
#include <optional>

class Form_Doravent;
class QImage;

class Playback_Controller : public QObject {
public:
  // What the navigation asks of the other controllers; set where the window is wired.
  struct Links {
    std::function<void(QImage& picture)> draw_goal_lines;
    std::function<bool()> displace_mode;
    std::function<void(int32_t keycode)> goal_offset;
    std::function<bool()> hook_installed;
    std::function<const Result_Array&()> results;
    std::function<void()> shown; // after each picture shown, its time and position labelled
    std::function<void()> close_review;
  };

  explicit Playback_Controller(Form_Doravent& window);
  ~Playback_Controller() override;
  Playback_Controller(const Playback_Controller&) = delete;
  Playback_Controller& operator=(const Playback_Controller&) = delete;

  // Shows the slider's picture with its goal lines, run time and position.
  void Slider_play_Scroll();
  // True when the key was taken for the goal-line copy (the slider must not step on it).
  bool Slider_play_KeyDown(int32_t keycode, Qt::KeyboardModifiers shift);
  void Form_KeyDown(int32_t keycode);
  // x in the slider's own mouse coordinates (pixels). True when the press was taken (the slider must not
  // page towards it as well).
  bool Slider_play_MouseDown(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, double x, double y);
  void Slider_play_MouseUp();

  void Goto_Time(int32_t target_ms);
  void Goto_SplitTime(int16_t k);
  void GoTo_Box(int16_t k);
  void GoTo_rank(int16_t k);
  // The first picture, in steps of 4 from the start, whose run time exceeds 12 s; when none
  // does, the last picture visited.
  void Goto_Goal();
  void Goto_Split();
  void Loose_Focus();

  // The opening code's first picture: displacement off, the recording's own goal lines.
  void Redraw_After_Open();

  // Sets the slider to `value` and shows that picture: one scroll, as a go-to makes it.
  void Show_Value(int32_t value);

  bool Busy() const { return busy_; }
  // The run time of the picture shown, which a box button stores; nullopt when the picture at
  // the slider's position could not be read (the one shown and its time are an earlier frame's).
  std::optional<int32_t> Shown_Run_Time() const;
  Links& links() { return links_; }

  // The scan a go-to makes from the slider's value `first` in steps of `step` up to its
  // maximum, ending at the first picture whose run time satisfies `reached`. Reads time stamps
  // only.
  Scan_End Scan(int32_t first, int32_t step, const std::function<bool(int32_t)>& reached);

private:
  void Show_Scan_End(const Scan_End& end);
  void Draw_HD_Data(QImage& picture);
  void report(int32_t step, const char* procedure);

  Form_Doravent& w_;
  Links links_;
  bool busy_ = false;
  bool shown_readable_ = false; // the picture shown is the slider position's own
};
