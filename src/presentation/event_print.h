#pragma once
#include <QString>
#include <cstdint>

class Page_Surface;
class QWidget;

// Printing an image of a window, as the event window's "Print form" does.
struct Window_Print_Waits {
  int32_t start_ms = 600;
  int32_t end_ms = 1000;
};

// Draws the window's client area at the top left of the page, at the screen's size.
void Print_Window_Picture(Page_Surface& page, QWidget& window);

// The printer dialog first when Alt is held or show_printer_dialog is on (cancelling it prints
// nothing); then a progress window with the caption, a line break and the printer's name while
// the picture prints. Failures are thrown to the calling handler.
void Print_Form_Window(QWidget& window, const QString& progress_caption, Window_Print_Waits waits = {});
