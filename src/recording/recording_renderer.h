#pragma once
// The recording handler's rendering: turning the decoded picture into what the operator sees, one
// field at full height for interlaced recordings, a quarter turn for rotated ones, copied into the
// display's image.
#include <cstdint>
#include <functional>

class Frame_Display;
class Recording_File;
class Recording_Reader;
class cDIBSection;

class Recording_Renderer {
public:
  Recording_Renderer(const Recording_File& recording, Recording_Reader& reader);
  Recording_Renderer(const Recording_Renderer&) = delete;
  Recording_Renderer& operator=(const Recording_Renderer&) = delete;

  // Drawing needs no device context here; the display handed over is kept for callers that
  // draw without naming one.
  void Set_Screen_HDC(Frame_Display* display) { screen_display_ = display; }
  Frame_Display* Screen_Display() const { return screen_display_; }
  void Draw_RGB_frame(int16_t frame, Frame_Display& box);
  void Draw_RGB_Field(int32_t field, Frame_Display& box);
  void Draw_Current_RGB_frame(Frame_Display& box);
  void Draw_Current_Field(Frame_Display& box);
  std::function<void()> On_Size_Mismatch;

private:
  void Fit_Unsized_Turn(const cDIBSection& source);

  const Recording_File& recording_;
  Recording_Reader& reader_;
  Frame_Display* screen_display_ = nullptr;
};
