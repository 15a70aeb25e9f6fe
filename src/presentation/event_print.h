#pragma once
// The one routine by which a window prints an image of itself (the event window, the speaker
// card, the performance window).
#include <QString>
#include <cstdint>
#include <functional>

class Page_Surface;
class QWidget;

struct Window_Print_Waits {
  int32_t start_ms = 600;
  int32_t end_ms = 1000;
};

// The window's own print command: draws on the page and ends the print job.
using Window_Print_Command = std::function<void(Page_Surface& page)>;

// Draws the window's client area at the top left of the page, at the screen's size, and ends
// the job: the print command of a window that has none of its own.
void Print_Window_Picture(Page_Surface& page, QWidget& window);

// The printer dialog first when Alt is held or show_printer_dialog is on (cancelling it prints
// nothing); then a progress window with the caption, a line break and the printer's name, the
// start wait, 10 %, the print command (Print_Window_Picture when empty), 100 %, the end wait.
// Failures are thrown to the calling handler.
void Print_Form_Window(QWidget& window, const QString& progress_caption, Window_Print_Waits waits = {},
                       const Window_Print_Command& print = {});
