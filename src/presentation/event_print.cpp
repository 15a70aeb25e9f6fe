#include "presentation/event_print.h"

#include "platform/error_report.h"
#include "platform/trace.h"
#include "platform/twips.h"
#include "presentation/page_surface.h"
#include "presentation/printer_select.h"
#include "presentation/progress_window.h"
#include "presentation/window_capture.h"

#include <QPrinter>
#include <QWidget>

#include <memory>

void Print_Window_Picture(Page_Surface& page, QWidget& window) {
  const QImage picture = Capture_Client_Picture(&window);
  if (picture.isNull()) throw Dora_Error(482, QStringLiteral("Printer error: the window has no picture to print"));
  page.PaintPicture(picture, 0, 0, 0, 0, Twips_Per_Pixel());
  page.EndDoc();
}

void Print_Form_Window(QWidget& window, const QString& progress_caption, Window_Print_Waits waits,
                       const Window_Print_Command& print) {
  if (Printer_Dialog_Wanted() && !Select_Printer(&window)) return;
  Form_progress progress(&window, progress_caption + QStringLiteral("\n") + Current_Printer_Name());
  progress.show();
  Wait_Letting_Events_Run(waits.start_ms);
  progress.set_Percent(10);
  QString pdf_file;
  {
    const std::unique_ptr<QPrinter> printer = Make_Printer(window.windowTitle());
    pdf_file = Unannounced_Pdf_File(*printer);
    Page_Surface page(*printer);
    if (print)
      print(page);
    else
      Print_Window_Picture(page, window);
    // A command that forgot to end the job still prints what it drew.
    if (!page.Ended()) page.EndDoc();
  }
  Trace_Message("*Print_Form_Window, printed", window.objectName(), Current_Printer_Name());
  progress.set_Percent(100);
  Wait_Letting_Events_Run(waits.end_ms);
  progress.hide();
  Tell_Pdf_File(pdf_file);
}
