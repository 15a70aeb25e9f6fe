#include "presentation/event_print.h"

#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "platform/twips.h"
#include "presentation/page_surface.h"
#include "presentation/printer_select.h"
#include "presentation/window_capture.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace {

// Window events go on while the print waits.
void wait_ms(int32_t ms) {
  if (ms <= 0) return;
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

class Progress_Window final : public QWidget {
public:
  explicit Progress_Window(const QString& caption) {
    setObjectName(QStringLiteral("Form_progress"));
    setWindowTitle(program().Program_Name);
    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel(caption, this);
    label_->setObjectName(QStringLiteral("Label_progress"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    bar_->setRange(0, 100);
    layout->addWidget(label_);
    layout->addWidget(bar_);
  }
  void set_percent(int value) {
    bar_->setValue(value);
    bar_->repaint();
  }

private:
  QLabel* label_;
  QProgressBar* bar_;
};

bool printer_dialog_wanted() {
  if (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier) return true;
  return Read_Ini_Value(QStringLiteral("Settings"), QStringLiteral("show_printer_dialog"), program().Settings_File_Path,
                        QStringLiteral("0")) == QLatin1String("1");
}

} // namespace

void Print_Window_Picture(Page_Surface& page, QWidget& window) {
  const QImage picture = Capture_Client_Picture(&window);
  if (picture.isNull()) throw Dora_Error(482, QStringLiteral("Printer error: the window has no picture to print"));
  page.PaintPicture(picture, 0, 0, 0, 0, Twips_Per_Pixel());
  page.EndDoc();
}

void Print_Form_Window(QWidget& window, const QString& progress_caption, Window_Print_Waits waits) {
  if (printer_dialog_wanted() && !Select_Printer(&window)) return;
  Progress_Window progress(progress_caption + QStringLiteral("\n") + Current_Printer_Name());
  progress.show();
  wait_ms(waits.start_ms);
  progress.set_percent(10);
  QString pdf_file;
  {
    const std::unique_ptr<QPrinter> printer = Make_Printer(window.windowTitle());
    pdf_file = Unannounced_Pdf_File(*printer);
    Page_Surface page(*printer);
    Print_Window_Picture(page, window);
  }
  Trace_Message("*Print_Form_Window, printed", window.objectName(), Current_Printer_Name());
  progress.set_percent(100);
  wait_ms(waits.end_ms);
  progress.hide();
  Tell_Pdf_File(pdf_file);
}
