#pragma once
#include "platform/error_report.h"

#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <array>
#include <functional>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class Page_Surface;

// Where the support organisation is reached; shown in the printout and used for the mail link.
struct Support_Contact {
  QStringList postal_address; // four lines
  QString email;
  QString phone;
};
const Support_Contact& Support();

// The "mailto:" link for a report: subject " <program> error", the lines each followed by a line
// break, then two blanks and the comment as body. Every part is percent-encoded so that line
// breaks, "&", "=" and "%" in the report survive.
QUrl Error_Mail_Url(const QString& email, const QString& program_name, const QStringList& lines,
                    const QString& comment);

// Lays the printed error report out on the page and ends the document.
void Print_Error_Report(Page_Surface& page, const QString& program_name, const QStringList& lines,
                        const QString& comment, const Support_Contact& contact);

// The common error window: shows one report at a time, which the user can save to the error
// log, print, mail or copy, or leave the program from.
class QNV_error_form : public QWidget, public Error_Sink {
  Q_OBJECT
public:
  explicit QNV_error_form(QWidget* parent = nullptr);
  ~QNV_error_form() override;

  void QNV_Error_Handler(const QString& description, int16_t number, int32_t line, const QString& location,
                         const QString& extra) override;
  void QNV_Error_Initialize();
  void MakeTopMost();
  void Clear_Text_Array();
  void Save_Error_Log();
  void Print_Report();
  void Send_Mail();
  void Copy_Form_To_Clipboard();

  // Lines 1 to 20; any other index reads as empty.
  QString Error_Lines(int index) const;
  // The lines from 1 upward, up to the first empty one.
  QStringList Report_Lines() const;
  QString Comment() const;

  // The program file's modification time in the general date form ("Not compiled" in
  // development mode).
  static QString FileDate();

  // What "Exit program" calls; the default ends the process at once. Returns the previous hook.
  using Exit_Hook = std::function<void(int)>;
  static Exit_Hook set_Exit_Hook(Exit_Hook hook);

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void show_own_failure(int step);
  void run_progress_bar();

  std::array<QString, 21> lines_; // index 0 unused
  QLabel* Label1 = nullptr;
  QLabel* err_lbl = nullptr;
  QGroupBox* Frame_tech = nullptr;
  QLabel* Label_Windows_version = nullptr;
  QLabel* Label_PC_info = nullptr;
  QGroupBox* Frame_comments = nullptr;
  QPlainTextEdit* Text_error_comments = nullptr;
  QPushButton* Cmd_continue = nullptr;
  QPushButton* Cmd_exit = nullptr;
  QPushButton* Cmd_save_log = nullptr;
  QPushButton* Cmd_print_error = nullptr;
  QPushButton* Cmd_mailto = nullptr;
  QPushButton* Command_copy_clipboard = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
};

// The program's one error window: created (hidden) and installed as the error sink on first
// use, deleted when the application quits.
QNV_error_form& Error_Form();
