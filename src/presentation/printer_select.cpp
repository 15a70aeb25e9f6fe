#include "presentation/printer_select.h"

#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

const QString select_location = QStringLiteral("Select_Printer of Module Module_PrinterDialog");

struct Printer_State {
  std::optional<Printer_Settings> current;
  Printer_Dialog_Hook hook;
  QString print_to_file;
  bool pdf_named_now = false; // the dialog named the PDF file for the next print
};

Printer_State& state() {
  static Printer_State instance;
  return instance;
}

bool is_pdf_name(const QString& name) { return name.toUpper().contains(QStringLiteral("PDF")); }

bool is_system_printer(const QString& name) { return !name.isEmpty() && !QPrinterInfo::printerInfo(name).isNull(); }

QPageLayout::Orientation to_qt_orientation(int orientation) {
  return orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait;
}

QPrinter::DuplexMode to_qt_duplex(int duplex) {
  switch (duplex) {
  case 2: return QPrinter::DuplexLongSide;
  case 3: return QPrinter::DuplexShortSide;
  default: return QPrinter::DuplexNone;
  }
}

int from_qt_duplex(QPrinter::DuplexMode duplex) {
  switch (duplex) {
  case QPrinter::DuplexNone: return 1;
  case QPrinter::DuplexLongSide: return 2;
  case QPrinter::DuplexShortSide: return 3;
  case QPrinter::DuplexAuto: return 2;
  }
  return 1;
}

void apply_settings(QPrinter& printer, const Printer_Settings& settings) {
  printer.setPageOrientation(to_qt_orientation(settings.orientation));
  printer.setColorMode(settings.color_mode == 1 ? QPrinter::GrayScale : QPrinter::Color);
  printer.setDuplex(to_qt_duplex(settings.duplex));
  if (settings.paper_size.isValid()) printer.setPageSize(settings.paper_size);
  printer.setCopyCount(settings.copies > 0 ? settings.copies : 1);
}

QString documents_pdf_path(const QString& document_name) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty()) folder = QDir::homePath();
  QDir().mkpath(folder);
  QString base = document_name.isEmpty() ? QStringLiteral("Doravent") : document_name;
  // The name comes from captions; keep it to one file name in that folder.
  for (QChar& c : base)
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 32)
      c = QLatin1Char('_');
  const QString stamp = Local_Now().toString(QStringLiteral("yyyyMMdd_hhmmss"));
  QString path = folder + QLatin1Char('/') + base + QLatin1Char('_') + stamp + QStringLiteral(".pdf");
  for (int n = 2; QFileInfo::exists(path); ++n)
    path = folder + QLatin1Char('/') + base + QLatin1Char('_') + stamp + QLatin1Char('_') + QString::number(n) +
           QStringLiteral(".pdf");
  return path;
}

// A file that is there is never printed over unasked: the next free name beside it, with the
// number the last one took counted on ("results_2.pdf" after "results.pdf").
QString free_pdf_beside(const QString& path) {
  if (!QFileInfo::exists(path)) return path;
  const QFileInfo info(path);
  static const QRegularExpression numbered(QStringLiteral("_\\d+$"));
  const QString base = info.completeBaseName().remove(numbered);
  QString next;
  for (int n = 2; QFileInfo::exists(
           next = info.dir().filePath(base + QLatin1Char('_') + QString::number(n) + QStringLiteral(".pdf")));
       ++n) {
  }
  return next;
}

Printer_Settings initial_printer() {
  Printer_Settings settings;
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) {
    settings.device_name = Pdf_Printer_Name;
    return settings;
  }
  settings.device_name = info.printerName();
  const QPageSize paper = info.defaultPageSize();
  if (paper.isValid()) settings.paper_size = paper;
  settings.duplex = from_qt_duplex(info.defaultDuplexMode());
  settings.color_mode = info.defaultColorMode() == QPrinter::GrayScale ? 1 : 2;
  return settings;
}

std::optional<Printer_Settings> qt_printer_dialog(QWidget* parent, const Printer_Settings& preset) {
  QPrinter printer(QPrinter::HighResolution);
  if (is_system_printer(preset.device_name)) {
    printer.setPrinterName(preset.device_name);
  } else {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(preset.pdf_file.isEmpty() ? documents_pdf_path(QStringLiteral("Doravent"))
                                                        : preset.pdf_file);
  }
  apply_settings(printer, preset);
  QPrintDialog dialog(&printer, parent);
  // No page ranges and no selection: every print command prints one whole document.
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;

  Printer_Settings chosen;
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    chosen.device_name = Pdf_Printer_Name;
    chosen.pdf_file = printer.outputFileName();
  } else {
    chosen.device_name = printer.printerName();
  }
  chosen.orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
  chosen.color_mode = printer.colorMode() == QPrinter::GrayScale ? 1 : 2;
  chosen.duplex = from_qt_duplex(printer.duplex());
  chosen.paper_size = printer.pageLayout().pageSize();
  chosen.copies = printer.copyCount();
  return chosen;
}

} // namespace

Printer_Settings& Current_Printer() {
  auto& current = state().current;
  if (!current) current = initial_printer();
  return *current;
}

QString Current_Printer_Name() { return Current_Printer().device_name; }

QStringList Printer_Names() {
  QStringList names = QPrinterInfo::availablePrinterNames();
  names.append(Pdf_Printer_Name);
  return names;
}

bool Printer_Available() {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) return true;
  const QString file = Print_To_File();
  const QString folder = !file.isEmpty() ? QFileInfo(file).absolutePath()
                                         : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QDir().mkpath(folder.isEmpty() ? QDir::homePath() : folder);
}

QString Describe_Page_Settings(int orientation, int color_mode, int duplex) {
  QString words = orientation == 1 ? QStringLiteral("Portrait. ") : QStringLiteral("Landscape. ");
  words += color_mode == 1 ? QStringLiteral("Black and White. ") : QStringLiteral("Color. ");
  switch (duplex) {
  case 1: words += QStringLiteral("None. "); break;
  case 2: words += QStringLiteral("Horizontal/Long Edge. "); break;
  case 3: words += QStringLiteral("Vertical/Short Edge. "); break;
  default: words += QStringLiteral("Unknown. "); break;
  }
  return words;
}

Printer_Dialog_Hook install_printer_dialog_hook(Printer_Dialog_Hook hook) {
  Printer_Dialog_Hook previous = std::move(state().hook);
  state().hook = std::move(hook);
  return previous;
}

bool Printer_Dialog_Wanted() {
  if (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier) return true;
  return Read_Ini_Value(QStringLiteral("Settings"), QStringLiteral("show_printer_dialog"), program().Settings_File_Path,
                        QStringLiteral("0"))
             .trimmed() == QLatin1String("1");
}

bool Select_Printer(QWidget* parent) {
  int step = 0;
  try {
    step = 1;
    Printer_Settings preset = Current_Printer();
    // The dialog offers a file not printed yet; the operator may still name one that is.
    if (!preset.pdf_file.isEmpty()) preset.pdf_file = free_pdf_beside(preset.pdf_file);
    step = 2;
    const auto chosen = state().hook ? state().hook(parent, preset) : qt_printer_dialog(parent, preset);
    if (!chosen) return false;

    step = 3;
    Printer_Settings& current = Current_Printer();
    const QString wanted = chosen->device_name.toUpper();
    for (const QString& name : Printer_Names()) {
      if (name.toUpper() == wanted) {
        if (current.device_name != name) current.device_name = name;
        break;
      }
    }
    step = 4;
    current.orientation = chosen->orientation;
    current.color_mode = chosen->color_mode;
    current.duplex = chosen->duplex;
    current.copies = chosen->copies;
    // PDF drivers report a paper size of their own that other printers cannot take.
    if (!is_pdf_name(wanted)) current.paper_size = chosen->paper_size;
    if (current.device_name == Pdf_Printer_Name) {
      current.pdf_file = chosen->pdf_file;
      // What the operator named now is written, even over a file of that name; later prints
      // are not.
      state().pdf_named_now = !chosen->pdf_file.isEmpty();
    }

    step = 5;
    Trace_Message(QStringLiteral("*Select_Printer, ") + current.device_name + QStringLiteral(": ") +
                  Describe_Page_Settings(current.orientation, current.color_mode, current.duplex));
    return true;
  } catch (...) {
    report_current_exception(step, select_location);
    return false;
  }
}

void Set_Print_To_File(const QString& pdf_path) { state().print_to_file = pdf_path; }
QString Print_To_File() { return state().print_to_file; }

std::unique_ptr<QPrinter> Make_Printer(const QString& document_name) {
  Printer_Settings& current = Current_Printer();
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setDocName(document_name);
  const QString file = Print_To_File();
  if (file.isEmpty() && is_system_printer(current.device_name)) {
    printer->setPrinterName(current.device_name);
  } else {
    if (file.isEmpty() && current.device_name != Pdf_Printer_Name)
      Trace_Message(QStringLiteral("*Make_Printer, printer gone, printing to PDF: ") + current.device_name);
    printer->setOutputFormat(QPrinter::PdfFormat);
    if (file.isEmpty() && !current.pdf_file.isEmpty()) {
      if (!state().pdf_named_now) current.pdf_file = free_pdf_beside(current.pdf_file);
      state().pdf_named_now = false;
    }
    printer->setOutputFileName(!file.isEmpty()               ? file
                               : !current.pdf_file.isEmpty() ? current.pdf_file
                                                             : documents_pdf_path(document_name));
  }
  apply_settings(*printer, current);
  return printer;
}

QString Unannounced_Pdf_File(const QPrinter& printer) {
  if (printer.outputFormat() != QPrinter::PdfFormat || !Print_To_File().isEmpty()) return {};
  return printer.outputFileName();
}

void Tell_Pdf_File(const QString& path) {
  if (path.isEmpty()) return;
  Trace_Message("*Printed to PDF file", path);
  Msg_Box(QStringLiteral("The pages were written to the PDF file\n") + path, program().Program_Name, Prompt_Buttons::Ok,
          Prompt_Icon::Information);
}
