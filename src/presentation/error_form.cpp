#include "presentation/error_form.h"

#include "platform/clock.h"
#include "platform/event_log.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "presentation/named_controls.h"
#include "presentation/page_surface.h"
#include "presentation/printer_select.h"
#include "timing/time_text.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <cstdio>
#include <exception>
#include <unistd.h>

namespace {

QNV_error_form::Exit_Hook& exit_hook() {
  static QNV_error_form::Exit_Hook hook;
  return hook;
}

void default_exit(int code) {
  QCoreApplication::exit(code);
  std::fflush(nullptr);
  ::_exit(code);
}

QPointer<QNV_error_form>& program_form() {
  static QPointer<QNV_error_form> form;
  return form;
}

QPushButton* make_button(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

QLabel* make_label(QWidget* parent, const char* name, const QString& text) {
  return Named_Label(parent, QLatin1String(name), text);
}

QString program_folder() {
  if (!program().App_Path.isEmpty()) return program().App_Path;
  return QCoreApplication::applicationDirPath();
}

} // namespace

const Support_Contact& Support() {
  static const Support_Contact contact{{QStringLiteral("Doravent Support"), QStringLiteral("Stationsweg 12"),
                                        QStringLiteral("7411 AB Deventer"), QStringLiteral("The Netherlands")},
                                       QStringLiteral("support@doravent.example"),
                                       QStringLiteral("+31 570 000 000")};
  return contact;
}

QUrl Error_Mail_Url(const QString& email, const QString& program_name, const QStringList& lines,
                    const QString& comment) {
  const QString subject = QLatin1Char(' ') + program_name + QStringLiteral(" error");
  QString body;
  for (const QString& line : lines)
    body += line + QStringLiteral("\r\n");
  body += QStringLiteral("  ") + comment;
  const QByteArray encoded = QByteArrayLiteral("mailto:") + QUrl::toPercentEncoding(email, "@") +
                             QByteArrayLiteral("?Subject=") + QUrl::toPercentEncoding(subject) +
                             QByteArrayLiteral("&Body=") + QUrl::toPercentEncoding(body);
  return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

void Print_Error_Report(Page_Surface& page, const QString& program_name, const QStringList& lines,
                        const QString& comment, const Support_Contact& contact) {
  page.set_CurrentX(100);
  page.set_CurrentY(100);
  page.set_FontSize(24);
  page.Print_Line();
  page.Print_Line(program_name + QStringLiteral(" Error report"));
  page.Print_Line();
  page.set_FontSize(10);
  for (const QString& line : lines)
    page.Print_Line(line);
  page.Print_Line(comment);
  page.set_FontItalic(true);
  page.Print_Line(QStringLiteral("What to do with this error report?"));
  page.set_FontItalic(false);
  page.Print_Line(QStringLiteral("To help fix the error, please report it by using any of the methods listed below!"));
  page.Print_Line();
  page.Print_Line(QStringLiteral("1 Send by normal mail to:"));
  for (const QString& line : contact.postal_address)
    page.Print_Line(line);
  page.Print_Line();
  page.Print_Line(QStringLiteral("2 E-mail to:"));
  page.Print_Line(contact.email);
  page.Print_Line();
  page.Print_Line(QStringLiteral("3 Call"));
  page.Print_Line(contact.phone);
  page.EndDoc();
}

QNV_error_form::QNV_error_form(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("QNV_error_form"));
  setWindowTitle(QStringLiteral("QNV error"));

  Label1 = make_label(this, "Label1", QStringLiteral("Error report"));
  QFont heading = Label1->font();
  heading.setPointSize(heading.pointSize() + 4);
  heading.setBold(true);
  Label1->setFont(heading);

  err_lbl = make_label(this, "err_lbl", QString());
  err_lbl->setWordWrap(true);
  err_lbl->setTextFormat(Qt::PlainText);
  err_lbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
  err_lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  err_lbl->setMinimumHeight(140);

  Frame_tech = new QGroupBox(QStringLiteral("PC tech data"), this);
  Frame_tech->setObjectName(QStringLiteral("Frame_tech"));
  Label_Windows_version = make_label(Frame_tech, "Label_Windows_version", QString());
  Label_PC_info = make_label(Frame_tech, "Label_PC_info", QString());
  auto* tech = new QGridLayout(Frame_tech);
  tech->addWidget(new QLabel(QStringLiteral("Windows version:"), Frame_tech), 0, 0, Qt::AlignTop);
  tech->addWidget(Label_Windows_version, 0, 1);
  tech->addWidget(new QLabel(QStringLiteral("PC info:"), Frame_tech), 1, 0, Qt::AlignTop);
  tech->addWidget(Label_PC_info, 1, 1);
  tech->setColumnStretch(1, 1);

  Frame_comments = new QGroupBox(QStringLiteral("Enter your comments here"), this);
  Frame_comments->setObjectName(QStringLiteral("Frame_comments"));
  Text_error_comments = new QPlainTextEdit(Frame_comments);
  Text_error_comments->setObjectName(QStringLiteral("Text_error_comments"));
  auto* comments = new QVBoxLayout(Frame_comments);
  comments->addWidget(Text_error_comments);

  Cmd_continue = make_button(this, "Cmd_continue", QStringLiteral("Continue"));
  Cmd_exit = make_button(this, "Cmd_exit", QStringLiteral("Exit program"));
  Cmd_save_log = make_button(this, "Cmd_save_log", QStringLiteral("Save in log file"));
  Cmd_print_error = make_button(this, "Cmd_print_error", QStringLiteral("Print report"));
  Cmd_mailto = make_button(this, "Cmd_mailto", QStringLiteral("Send mail"));
  Command_copy_clipboard = make_button(this, "Command_copy_clipboard", QStringLiteral("Copy form to clipboard"));
  auto* buttons = new QGridLayout;
  buttons->addWidget(Cmd_continue, 0, 0);
  buttons->addWidget(Cmd_save_log, 0, 1);
  buttons->addWidget(Cmd_print_error, 0, 2);
  buttons->addWidget(Cmd_exit, 1, 0);
  buttons->addWidget(Cmd_mailto, 1, 1);
  buttons->addWidget(Command_copy_clipboard, 1, 2);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(err_lbl, 1);
  layout->addWidget(Frame_tech);
  layout->addWidget(Frame_comments);
  layout->addLayout(buttons);
  resize(640, 600);

  // Laid over the report while printing, so it sits outside the layout.
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  const auto px = [this](int twips) { return twips * logicalDpiX() / 1440; };
  ProgressBar1->setGeometry(px(600), px(2400), px(6495), px(495));
  ProgressBar1->setRange(1, 100);
  ProgressBar1->hide();

  connect(Cmd_continue, &QPushButton::clicked, this, &QWidget::hide);
  connect(Cmd_exit, &QPushButton::clicked, this, [] {
    const Exit_Hook& hook = exit_hook();
    if (hook)
      hook(0);
    else
      default_exit(0);
  });
  connect(Cmd_save_log, &QPushButton::clicked, this, &QNV_error_form::Save_Error_Log);
  connect(Cmd_print_error, &QPushButton::clicked, this, &QNV_error_form::Print_Report);
  connect(Cmd_mailto, &QPushButton::clicked, this, &QNV_error_form::Send_Mail);
  connect(Command_copy_clipboard, &QPushButton::clicked, this, &QNV_error_form::Copy_Form_To_Clipboard);

  QNV_Error_Initialize();
  MakeTopMost();
}

QNV_error_form::~QNV_error_form() {
  if (program_form() == this) install_error_sink(nullptr);
}

QNV_error_form::Exit_Hook QNV_error_form::set_Exit_Hook(Exit_Hook hook) {
  Exit_Hook previous = std::move(exit_hook());
  exit_hook() = std::move(hook);
  return previous;
}

void QNV_error_form::show_own_failure(int step) {
  const Error_Info info = describe_exception(std::current_exception());
  Msg_Box(QStringLiteral("*Error in Error_form") + info.description + QLatin1Char(' ') + QString::number(info.number) +
          QLatin1Char(' ') + QString::number(step));
}

void QNV_error_form::QNV_Error_Handler(const QString& description, int16_t number, int32_t line,
                                       const QString& location, const QString& extra) {
  int step = 10;
  try {
    Trace_Message(QStringLiteral("*QNV_error_handler1, ") + QString::number(number) + QLatin1Char(',') +
                  QString::number(line) + QLatin1Char(',') + location);
    step = 20;
    Clear_Text_Array();
    step = 30;
    show();
    raise();
    QCoreApplication::processEvents();
    Trace_Message(QStringLiteral("*QNV_error_handler2"));

    step = 40;
    const Program_Info& p = program();
    lines_[1] = Local_Now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QLatin1Char(' ') + p.Program_Name +
                QStringLiteral(", Program version ") + p.Program_Version + QStringLiteral(" rm") + QLatin1Char('0') +
                QLatin1Char(' ') + QStringLiteral("Compile date: ") + QStringLiteral("2017-10-08 20:34") +
                QStringLiteral(" Filedate: ") + FileDate();
    lines_[2] = QStringLiteral("error description: ") + QString::number(number) + QStringLiteral(", ") + description;
    lines_[3] = QStringLiteral("Location of error: ") + location + QStringLiteral(", line: ") + QString::number(line);
    lines_[4] = QStringLiteral("Routine specific information: ") + extra;
    lines_[5] = QStringLiteral("App.path = ") + program_folder();
    const int32_t runtime = Mill_Difference(Mill_Now(), p.Program_Start_Mill);
    lines_[6] = QStringLiteral("Program runtime = ") + Display_Mill_Time(runtime, false);
    lines_[7] = QStringLiteral("PC name = ") + p.Computer_Name + QStringLiteral(", Windows version: ") +
                p.Windows_Version + QStringLiteral(" CPU = ") + p.CPU_Bitness + QStringLiteral(" OS = ") + p.OS_Bitness;

    step = 50;
    err_lbl->setText(QString());
    QString report;
    for (const QString& text : Report_Lines())
      report += text + QLatin1Char('\n');
    err_lbl->setText(report);
    repaint();
    err_lbl->setText(report + QLatin1Char('\n'));

    step = 60;
    Trace_Message(QStringLiteral("*QNV_error_handler5"));
  } catch (...) {
    show_own_failure(step);
  }
}

void QNV_error_form::QNV_Error_Initialize() {
  try {
    const Program_Info& p = program();
    setWindowTitle(p.Program_Name + QStringLiteral(" error") +
                   (p.Development_Mode ? QStringLiteral(" IDE") : QString()));
    Label1->setText(p.Program_Name + QStringLiteral(" error report"));
    Label_PC_info->setText(p.Computer_Name + QLatin1Char(' ') + p.Processor_Description + QStringLiteral(" Ram: ") +
                           p.Memory_Total);
    Label_Windows_version->setText(p.Windows_Version + QLatin1Char('\n') + QStringLiteral("CPU = ") + p.CPU_Bitness +
                                   QStringLiteral(" OS = ") + p.OS_Bitness);
  } catch (...) {
    show_own_failure(100);
  }
}

void QNV_error_form::MakeTopMost() {
  if (!windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
    const bool was_visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, true); // hides a shown window
    if (was_visible) show();
  }
  if (isVisible()) raise();
}

void QNV_error_form::Clear_Text_Array() {
  for (QString& text : lines_)
    text.clear();
}

QString QNV_error_form::Error_Lines(int index) const {
  if (index < 1 || index > 20) return {};
  return lines_.at(static_cast<std::size_t>(index));
}

QStringList QNV_error_form::Report_Lines() const {
  QStringList out;
  for (int i = 1; i <= 20 && !lines_.at(static_cast<std::size_t>(i)).isEmpty(); ++i)
    out << lines_.at(static_cast<std::size_t>(i));
  return out;
}

QString QNV_error_form::Comment() const { return Text_error_comments->toPlainText(); }

QString QNV_error_form::FileDate() {
  if (program().Development_Mode) return QStringLiteral("Not compiled");
  const QFileInfo file(QCoreApplication::applicationFilePath());
  return General_Date_Text(file.lastModified());
}

void QNV_error_form::Save_Error_Log() {
  try {
    const QString path = Error_Log_Path();
    QStringList lines = Report_Lines();
    // The box holds bare line feeds; the log's line end is CR LF throughout.
    lines << Comment().replace(QLatin1Char('\n'), QStringLiteral("\r\n")) << QString(44, QLatin1Char('*'));
    Append_Log_Lines(path, lines);
    Msg_Box(QStringLiteral("Error info appended to file: ") + path);
  } catch (...) {
    const Error_Info info = describe_exception(std::current_exception());
    Msg_Box(QStringLiteral("Log error") + info.description + QLatin1Char(' ') + QString::number(info.number));
  }
}

void QNV_error_form::run_progress_bar() {
  ProgressBar1->show();
  ProgressBar1->raise();
  for (int value = 1; value <= 100; ++value) {
    ProgressBar1->setValue(value);
    QElapsedTimer pause;
    pause.start();
    while (pause.elapsed() < 5) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (pause.elapsed() < 4) QThread::msleep(1);
    }
  }
  ProgressBar1->hide();
}

void QNV_error_form::Print_Report() {
  try {
    if (!Printer_Available()) {
      Msg_Box(QStringLiteral("No printer availible"));
      return;
    }
    QString pdf_file;
    {
      const std::unique_ptr<QPrinter> printer = Make_Printer(program().Program_Name + QStringLiteral(" Error report"));
      pdf_file = Unannounced_Pdf_File(*printer);
      Page_Surface page(*printer);
      Print_Error_Report(page, program().Program_Name, Report_Lines(), Comment(), Support());
    }
    run_progress_bar();
    Tell_Pdf_File(pdf_file);
  } catch (...) {
    ProgressBar1->hide();
    Msg_Box(QStringLiteral("Printer error"));
  }
}

void QNV_error_form::Send_Mail() {
  try {
    const QUrl url = Error_Mail_Url(Support().email, program().Program_Name, Report_Lines(), Comment());
    QDesktopServices::openUrl(url);
  } catch (...) {
    show_own_failure(300);
  }
}

void QNV_error_form::Copy_Form_To_Clipboard() {
  try {
    const QImage picture = grab().toImage();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(picture);
  } catch (...) {
    show_own_failure(400);
  }
}

void QNV_error_form::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  Trace_Message(QStringLiteral("*QNV_error_form Form_QueryUnload,end"));
}

QNV_error_form& Error_Form() {
  QPointer<QNV_error_form>& form = program_form();
  if (!form) {
    form = new QNV_error_form;
    install_error_sink(form.data());
    // The window has no parent; it must go before the application object does.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, form.data(), [] { delete program_form().data(); });
  }
  return *form;
}
