// Printing the results window: its image on a page, paced by a small progress window.
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/event_log.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "presentation/page_surface.h"
#include "presentation/printer_select.h"
#include "presentation/results_form.h"
#include "presentation/window_capture.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPrinter>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>

namespace {

// Waits while the window keeps handling its events.
void Wait_Letting_Events_Run(int32_t ms) {
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
}

class Progress_Window final : public QDialog {
public:
  Progress_Window(QWidget* owner, const QString& caption) : QDialog(owner) {
    setObjectName(QStringLiteral("Form_Progress"));
    setWindowTitle(QStringLiteral("Doravent"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(caption, this);
    label->setObjectName(QStringLiteral("Label_progress"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    bar_->setRange(0, 100);
    layout->addWidget(label);
    layout->addWidget(bar_);
  }
  void set_Percent(int percent) { bar_->setValue(percent); }

private:
  QProgressBar* bar_ = nullptr;
};

} // namespace

bool Form_Dora_Results::Doprintform(QPagedPaintDevice& device) {
  int32_t step = 10;
  try {
    const QImage image = Capture_Form_Picture(this);
    Picture1->setPixmap(QPixmap::fromImage(image));
    step = 20;
    Page_Surface page(device);
    step = 30;
    page.PaintPicture(image, 800, 1200, 0, 0, Twips_Per_Pixel());
    step = 40;
    page.EndDoc();
    return true;
  } catch (...) {
    report(step, QStringLiteral("Doprintform"));
    return false;
  }
}

void Form_Dora_Results::Print_Click() {
  int32_t step = 10;
  std::unique_ptr<Progress_Window> progress;
  try {
    if (Printer_Dialog_Wanted()) Select_Printer(this);
    step = 20;
    Label_printed->setText(QStringLiteral("Printed by ") + program().Program_Name + QStringLiteral(" version ") +
                           program().Program_Version + QStringLiteral(" at: ") + General_Date_Text(Local_Now()));
    step = 30;
    progress =
        std::make_unique<Progress_Window>(this, QStringLiteral("Printing results on\n") + Current_Printer_Name());
    progress->show();
    progress->set_Percent(30);
    Wait_Letting_Events_Run(300);
    step = 40;
    QString pdf_file;
    {
      const std::unique_ptr<QPrinter> printer = Make_Printer(QStringLiteral("Doravent results"));
      pdf_file = Unannounced_Pdf_File(*printer);
      Doprintform(*printer);
    }
    step = 50;
    progress->set_Percent(70);
    Wait_Letting_Events_Run(300);
    Label_printed->clear();
    progress->set_Percent(100);
    Wait_Letting_Events_Run(300);
    progress->hide();
    Tell_Pdf_File(pdf_file);
  } catch (...) {
    Label_printed->clear();
    if (progress) progress->hide();
    report(step, QStringLiteral("item_print_Click"));
  }
}
