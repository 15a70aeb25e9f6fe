#pragma once
#include "imaging/dib_section.h"

#include <QImage>

class QWidget;

// Pictures of a window, at its size in pixels. The whole window is what the program draws of
// it (its frame belongs to the window manager and is not ours to copy); the client area
// leaves out the menu bar. A null picture for no window.
QImage Capture_Form_Picture(QWidget* window);
QImage Capture_Client_Picture(QWidget* window);
bool Capture_Form_Picture(QWidget* window, cDIBSection& into);
bool Capture_Client_Picture(QWidget* window, cDIBSection& into);
// The whole window's picture onto the clipboard; throws Dora_Error 480 when it has none.
void Copy_Form_Picture(QWidget* window);
