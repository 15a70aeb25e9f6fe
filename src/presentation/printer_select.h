#pragma once
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QPrinter;
class QWidget;

// The printer every print command uses, with the page settings kept between print jobs.
// Numbers follow the system's printer object: orientation 1 portrait, 2 landscape; colour
// mode 1 black and white, 2 colour; duplex 1 none, 2 long edge, 3 short edge.
struct Printer_Settings {
  QString device_name;
  int orientation = 1;
  int color_mode = 2;
  int duplex = 1;
  QPageSize paper_size{QPageSize::A4};
  int copies = 1;
  QString pdf_file; // output of the PDF printer; empty: a new file in the documents folder
};

// Always offered, so there is a printer whenever a PDF file can be written.
inline const QString Pdf_Printer_Name = QStringLiteral("Doravent PDF");

// The process-wide current printer: at first use the system's default printer, or the PDF
// printer when the system has none.
Printer_Settings& Current_Printer();
QString Current_Printer_Name();

// The system's printers followed by the PDF printer.
QStringList Printer_Names();
// False only when there is no system printer and no PDF file can be written.
bool Printer_Available();

// "Portrait. "/"Landscape. " + "Black and White. "/"Color. " + "None. "/"Horizontal/Long Edge. "/
// "Vertical/Short Edge. "/"Unknown. ".
QString Describe_Page_Settings(int orientation, int color_mode, int duplex);

// The printer dialog: shown over the parent, preset with the current settings; returns the
// chosen printer and page settings, or nullopt when cancelled. Replaceable so tests never block.
using Printer_Dialog_Hook =
    std::function<std::optional<Printer_Settings>(QWidget* parent, const Printer_Settings& preset)>;
// Returns the previous hook; an empty hook restores the Qt print dialog.
Printer_Dialog_Hook install_printer_dialog_hook(Printer_Dialog_Hook hook);

// Every print command shows the printer dialog first when Alt is held or the setting
// show_printer_dialog is on.
bool Printer_Dialog_Wanted();

// Shows the printer dialog; on OK the chosen printer becomes current and its page settings are
// taken over (the paper size only when the printer's name has no "PDF" in it). True on OK.
// Failures are reported, never thrown.
bool Select_Printer(QWidget* parent);

// All later printing goes to this PDF file, whatever the current printer (empty: ends that).
void Set_Print_To_File(const QString& pdf_path);
QString Print_To_File();

// A printer for one print job on the current printer with its page settings. A PDF job writes
// to Print_To_File(), else the PDF printer's own file, else a new file in the documents folder
// named after document_name. A system printer that has gone away falls back to the PDF printer.
std::unique_ptr<QPrinter> Make_Printer(const QString& document_name = QStringLiteral("Doravent"));

// The PDF file a print job writes when nobody routed it there on purpose (Set_Print_To_File):
// the operator must be told where the pages went. Empty for a real printer.
QString Unannounced_Pdf_File(const QPrinter& printer);
// "The pages were written to the PDF file" and the path, when there is one.
void Tell_Pdf_File(const QString& path);
