#pragma once
// Moving through a recording under review: the slider shows a frame or field with its goal
// line and run time, keys and mouse on the slider, and the go-to procedures of the main window
// and the results window.
#include <QObject>
#include <Qt>
#include <cstdint>
#include <functional>

class Form_Doravent;
class QEvent;
class QImage;

// Milliseconds from `from` to `to` on the capture clock, which wraps at 32 bits: a heat that
// spans the wrap still gets its true distance.
int32_t Clock_Difference(int32_t to, int32_t from);
// The run time shown for a picture: capture time - heat start + 2, + 20 for a second field,
// - the goal camera's delay, rounded half to even and kept within 32 bits.
int32_t Picture_Run_Time(int32_t capture_mill, int32_t start_mill, int16_t field_to_show, double compensation_ms);

// Where a go-to scan ends, found from the record time stamps instead of decoding each picture.
struct Scan_End {
  int32_t value = 0;         // slider value the scan stops on
  int32_t heat_elapsed = 0;  // its run time
  bool reached = false;      // the condition held there (else the last visited value)
  int16_t carried_frame = 0; // when the final record is no frame: the frame whose stamp and
                             // picture a scan that shows every picture would still show (0: the
                             // one shown before the scan)
};

class Playback_Controller : public QObject {
public:
  explicit Playback_Controller(Form_Doravent& window);
  ~Playback_Controller() override;
  Playback_Controller(const Playback_Controller&) = delete;
  Playback_Controller& operator=(const Playback_Controller&) = delete;

  // Shows the slider's picture with its goal lines, run time and position.
  void Slider_play_Scroll();
  // True when the key was taken for the goal-line copy (the slider must not step on it).
  bool Slider_play_KeyDown(int32_t keycode, Qt::KeyboardModifiers shift);
  void Form_KeyDown(int32_t keycode);
  // x in the slider's own mouse coordinates. True when the press was taken (the slider must not
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

  bool Busy() const { return busy_; }

  // The scan a go-to makes: values first, first + step, ... up to the slider's maximum, ending
  // at the first whose run time satisfies `reached`. Reads time stamps only.
  Scan_End Scan(int32_t first, int32_t step, const std::function<bool(int32_t)>& reached);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Show_Scan_End(const Scan_End& end);
  void Show_Value(int32_t value);
  void Draw_HD_Data(QImage& picture);
  void Redraw_After_Open();
  void report(int32_t step, const char* procedure);

  Form_Doravent& w_;
  bool busy_ = false;
};
