#pragma once
// The goal lines as the window draws them: the selected camera's line over a recorded or a live
// picture, read from the window's view state. Shared by every concern that draws or measures
// along the line.
#include "timing/goal_line.h"

#include <QImage>
#include <cstdint>

struct Main_Window_State;

// Camera 1 (goal) or 2 (split); an empty line for any other number.
Goal_Line Goal_Line_Of(const Main_Window_State& view, int16_t camera);
void set_Goal_Line_Of(Main_Window_State& view, int16_t camera, const Goal_Line& line);
// The line of the camera selected in the window (the one drawn over the picture).
Goal_Line Selected_Goal_Line(const Main_Window_State& view);

// A recorded frame: the selected camera's line, then its displaced copy. Call after the frame
// is drawn, before the picture is shown.
void Draw_Goal_Lines(QImage& picture, const Main_Window_State& view, bool displace_mode);
// A live frame: the selected camera's line, its handles and "Goal" or, in yellow, "Split".
void Draw_Live_Goal_Line(QImage& picture, const Main_Window_State& view);
