#pragma once
// Moving through a recording under review: the slider asks the review session for a picture,
// and each picture the session shows gets its goal lines, its run time and its position here.
#include "app/main_window_controls.h"

#include <QObject>
#include <Qt>
#include <cstdint>

class QImage;

class Playback_Controller : public QObject, private Window_Binding {
public:
  explicit Playback_Controller(const Main_Window_Parts& parts);
  ~Playback_Controller() override;
  Playback_Controller(const Playback_Controller&) = delete;
  Playback_Controller& operator=(const Playback_Controller&) = delete;

  // The slider's picture, shown by the session.
  void Slider_play_Scroll();
  // A recording opened: its first picture.
  void Recording_Opened();
  // The session showed the picture at `position`: the slider follows, the lines and the time
  // are drawn.
  void Picture_Shown(int32_t position);

  void Form_KeyDown(int32_t keycode);
  // x in the slider's own mouse coordinates (pixels). True when the press was taken (the slider
  // must not page towards it as well).
  bool Slider_play_MouseDown(double x);
  void Slider_play_MouseUp();
  void Loose_Focus();

private:
  void Draw_HD_Data(QImage& picture);
};
