// Printing the results window: its image on a page, paced by a small progress window.
#include "metadata/xml_header.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/event_log.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "presentation/page_surface.h"
#include "presentation/printer_select.h"
#include "presentation/progress_window.h"
#include "presentation/results_form.h"
#include "presentation/window_capture.h"
#include "recording/file_digest.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPrinter>

QStringList Form_Dora_Results::Evidence_Lines() const {
  if (!session_ || !session_->Is_Open()) return {};
  const cls_VideoFile_handler& recording = session_->Recording();
  const QString digest = Frame_Data_SHA256_Hex(recording.File_name());
  QStringList lines{
      QStringLiteral("File name: ") + QFileInfo(recording.File_name()).fileName() +
      (digest.isEmpty() ? QString() : QStringLiteral("   Frames SHA-256: ") + digest.left(Printed_Digest_Digits))};
  const QString head = recording.XML_Header().Dora_Audit_Head();
  if (!head.isEmpty()) lines << QStringLiteral("Audit head: ") + head;
  return lines;
}

bool Form_Dora_Results::Doprintform(QPagedPaintDevice& device) {
  int32_t step = 10;
  try {
    const QImage image = Capture_Form_Picture(this);
    Picture1->setPixmap(QPixmap::fromImage(image));
    step = 20;
    Page_Surface page(device);
    step = 30;
    page.PaintPicture(image, 800, 1200, 0, 0, Twips_Per_Pixel());
    step = 35;
    // The result on paper names the evidence it was read from, as the photo-finish pages do.
    const double ratio = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1.0;
    page.set_CurrentY(1200 + image.height() / ratio * Twips_Per_Pixel() + 200);
    page.set_Left_Margin(800);
    page.set_CurrentX(800);
    page.set_FontName(QStringLiteral("Arial"));
    page.set_FontSize(10);
    for (const QString& line : Evidence_Lines())
      page.Print_Line(line);
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
  std::unique_ptr<Form_progress> progress;
  try {
    // A cancelled dialog prints nothing, as everywhere else.
    if (Printer_Dialog_Wanted() && !Select_Printer(this)) return;
    step = 20;
    Label_printed->setText(QStringLiteral("Printed by ") + program().Program_Name + QStringLiteral(" version ") +
                           program().Program_Version + QStringLiteral(" at: ") + General_Date_Text(Local_Now()));
    step = 30;
    progress = std::make_unique<Form_progress>(this, QStringLiteral("Printing results on\n") + Current_Printer_Name());
    progress->show();
    progress->set_Percent(30);
    Wait_Letting_Events_Run(300);
    step = 40;
    QString pdf_file;
    bool printed = false;
    {
      const std::unique_ptr<QPrinter> printer = Make_Printer(QStringLiteral("Doravent results"));
      pdf_file = Unannounced_Pdf_File(*printer);
      printed = Doprintform(*printer);
    }
    // A print that failed has been reported; nothing was written to tell of.
    if (!printed) {
      Label_printed->clear();
      progress->hide();
      return;
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
