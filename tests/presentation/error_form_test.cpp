#include "presentation/error_form.h"

#include "mock/fake_clock.h"
#include "mock/scripted_prompts.h"
#include "platform/event_log.h"
#include "platform/program_info.h"
#include "presentation/printer_select.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace {

class Error_Window : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = program();
    program().Computer_Name = QStringLiteral("bench-pc");
    program().Windows_Version = QStringLiteral("Linux 6.1");
    program().CPU_Bitness = QStringLiteral("64");
    program().OS_Bitness = QStringLiteral("64");
    program().Program_Start_Mill = clock_.mill - 65234;
    QFile::remove(Error_Log_Path());
    QDir(Error_Log_Path()).removeRecursively();
  }
  void TearDown() override {
    program() = saved_;
    QFile::remove(Error_Log_Path());
    QDir(Error_Log_Path()).removeRecursively();
  }

  template <class T> T* find(QWidget& form, const char* name) {
    T* child = form.findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  Fake_Clock clock_;
  Prompts_Guard prompts_;
  Program_Info saved_;
};

TEST_F(Error_Window, HasTheNamedControlsAndCaptions) {
  QNV_error_form form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Doravent_HDMI error"));
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  const struct {
    const char* name;
    const char* caption;
  } buttons[] = {{"Cmd_continue", "Continue"},         {"Cmd_exit", "Exit program"},
                 {"Cmd_save_log", "Save in log file"}, {"Cmd_print_error", "Print report"},
                 {"Cmd_mailto", "Send mail"},          {"Command_copy_clipboard", "Copy form to clipboard"}};
  for (const auto& b : buttons) {
    auto* button = find<QPushButton>(form, b.name);
    EXPECT_EQ(button ? button->text() : QString(), QLatin1String(b.caption));
  }
  const auto label_text = [&](const char* name) {
    auto* label = find<QLabel>(form, name);
    return label ? label->text() : QString();
  };
  EXPECT_EQ(label_text("Label1"), QStringLiteral("Doravent_HDMI error report"));
  EXPECT_EQ(label_text("Label_Windows_version"), QStringLiteral("Linux 6.1\nCPU = 64 OS = 64"));
  EXPECT_TRUE(label_text("Label_PC_info").startsWith(QStringLiteral("bench-pc ")));
  EXPECT_TRUE(label_text("err_lbl").isEmpty());
  find<QPlainTextEdit>(form, "Text_error_comments");
  auto* bar = find<QProgressBar>(form, "ProgressBar1");
  EXPECT_TRUE(bar && bar->isHidden());
  QStringList frames;
  for (const QGroupBox* box : form.findChildren<QGroupBox*>())
    frames << box->title();
  EXPECT_TRUE(frames.contains(QStringLiteral("PC tech data")));
  EXPECT_TRUE(frames.contains(QStringLiteral("Enter your comments here")));

  program().Development_Mode = true;
  QNV_error_form development;
  EXPECT_EQ(development.windowTitle(), QStringLiteral("Doravent_HDMI error IDE"));
  EXPECT_EQ(QNV_error_form::FileDate(), QStringLiteral("Not compiled"));
}

TEST_F(Error_Window, SecondErrorReplacesTheReportAndKeepsTheComment) {
  QNV_error_form form;
  form.QNV_Error_Handler(QStringLiteral("Division by zero"), 11, 20, QStringLiteral("Misbehave of Form Form_Doravent"),
                         QString());
  EXPECT_TRUE(form.isVisible());
  const QStringList first = form.Report_Lines();
  ASSERT_EQ(first.size(), 7);
  EXPECT_TRUE(first[0].startsWith(QStringLiteral("2026-05-17 14:30:00 Doravent_HDMI, Program version ") +
                                  program().Program_Version +
                                  QStringLiteral(" rm0 Compile date: 2017-10-08 20:34 Filedate: ")));
  EXPECT_EQ(first[1], QStringLiteral("error description: 11, Division by zero"));
  EXPECT_EQ(first[2], QStringLiteral("Location of error: Misbehave of Form Form_Doravent, line: 20"));
  EXPECT_EQ(first[3], QStringLiteral("Routine specific information: "));
  EXPECT_TRUE(first[4].startsWith(QStringLiteral("App.path = ")));
  EXPECT_EQ(first[5], QStringLiteral("Program runtime =  01:05,23"));
  EXPECT_EQ(first[6], QStringLiteral("PC name = bench-pc, Windows version: Linux 6.1 CPU = 64 OS = 64"));
  for (int i : {0, 8, 20, 21})
    EXPECT_TRUE(form.Error_Lines(i).isEmpty()) << i;

  auto* comment = find<QPlainTextEdit>(form, "Text_error_comments");
  auto* report = find<QLabel>(form, "err_lbl");
  ASSERT_TRUE(comment && report);
  QTest::keyClicks(comment, QStringLiteral("pressed start twice"));
  clock_.advance(1000);
  form.QNV_Error_Handler(QStringLiteral("File not found"), 53, 40,
                         QStringLiteral("Kill_File of Module Module_dependant"), QStringLiteral("x.qn3"));
  EXPECT_EQ(form.Error_Lines(2), QStringLiteral("error description: 53, File not found"));
  EXPECT_EQ(form.Error_Lines(4), QStringLiteral("Routine specific information: x.qn3"));
  EXPECT_EQ(form.Error_Lines(6), QStringLiteral("Program runtime =  01:06,23"));
  EXPECT_TRUE(report->text().contains(QStringLiteral("File not found")));
  EXPECT_FALSE(report->text().contains(QStringLiteral("Division by zero")));
  EXPECT_EQ(report->text().count(QLatin1Char('\n')), 8); // seven lines and one more break
  EXPECT_EQ(comment->toPlainText(), QStringLiteral("pressed start twice"));
  EXPECT_TRUE(prompts_->seen.empty());
}

TEST_F(Error_Window, SaveAppendsEachTimeWithARowOfStars) {
  QNV_error_form form;
  form.QNV_Error_Handler(QStringLiteral("Overflow"), 6, 10, QStringLiteral("A of Module B"), QString());
  find<QPlainTextEdit>(form, "Text_error_comments")->setPlainText(QStringLiteral("first\nsecond"));
  auto* save = find<QPushButton>(form, "Cmd_save_log");
  QTest::mouseClick(save, Qt::LeftButton);
  QTest::mouseClick(save, Qt::LeftButton);

  QByteArray one;
  for (const QString& line : form.Report_Lines())
    one += line.toLatin1() + "\r\n";
  one += "first\r\nsecond\r\n" + QByteArray(44, '*') + "\r\n";
  QFile log(Error_Log_Path());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_EQ(log.readAll(), one + one);
  const QString shown = QStringLiteral("Error info appended to file: ") + Error_Log_Path();
  EXPECT_EQ(prompts_->messages(), QStringList({shown, shown}));
}

TEST_F(Error_Window, UnwritableLogShowsLogError) {
  QNV_error_form form;
  form.QNV_Error_Handler(QStringLiteral("Overflow"), 6, 10, QStringLiteral("A of Module B"), QString());
  ASSERT_TRUE(QDir().mkpath(Error_Log_Path())); // a folder where the file should be
  QTest::mouseClick(find<QPushButton>(form, "Cmd_save_log"), Qt::LeftButton);
  ASSERT_EQ(prompts_->messages().size(), 1);
  EXPECT_TRUE(prompts_->messages().front().startsWith(QStringLiteral("Log error")));
  EXPECT_TRUE(form.isVisible());
}

TEST(Error_Mail_Url, EncodesEveryPartSoTheReportSurvives) {
  const QStringList lines{QStringLiteral("error description: 11, a & b = 100%"),
                          QStringLiteral("Location of error: X of Form Y, line: 20")};
  const QUrl url = Error_Mail_Url(QStringLiteral("support@doravent.example"), QStringLiteral("Doravent_HDMI"), lines,
                                  QStringLiteral("why?#+"));
  ASSERT_TRUE(url.isValid());
  EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
  EXPECT_EQ(url.path(), QStringLiteral("support@doravent.example"));
  const QUrlQuery query(url);
  EXPECT_EQ(query.queryItems(QUrl::FullyDecoded).size(), 2);
  EXPECT_EQ(query.queryItemValue(QStringLiteral("Subject"), QUrl::FullyDecoded),
            QStringLiteral(" Doravent_HDMI error"));
  EXPECT_EQ(query.queryItemValue(QStringLiteral("Body"), QUrl::FullyDecoded),
            lines[0] + QStringLiteral("\r\n") + lines[1] + QStringLiteral("\r\n  why?#+"));
  const QByteArray encoded = url.toEncoded();
  EXPECT_TRUE(encoded.contains("%0D%0A"));
  EXPECT_FALSE(encoded.contains(' '));
  EXPECT_FALSE(encoded.contains('#'));
}

TEST_F(Error_Window, PrintReportWritesAPdf) {
  QTemporaryDir folder;
  const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
  Set_Print_To_File(pdf);
  QNV_error_form form;
  form.QNV_Error_Handler(QStringLiteral("Overflow"), 6, 10, QStringLiteral("A of Module B"), QString());
  QTest::mouseClick(find<QPushButton>(form, "Cmd_print_error"), Qt::LeftButton);
  Set_Print_To_File(QString());
  EXPECT_TRUE(prompts_->seen.empty()) << prompts_->messages().join('|').toStdString();
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_GT(bytes.size(), 1000);
  EXPECT_TRUE(find<QProgressBar>(form, "ProgressBar1")->isHidden());
}

// Printed on the PDF printer because the machine has no other, the report says where it went.
TEST_F(Error_Window, PrintReportOnThePdfPrinterSaysWhereTheFileWent) {
  QTemporaryDir folder;
  const QString pdf = folder.filePath(QStringLiteral("pdf printer.pdf"));
  const Printer_Settings saved = Current_Printer();
  Current_Printer().device_name = Pdf_Printer_Name;
  Current_Printer().pdf_file = pdf;
  QNV_error_form form;
  form.QNV_Error_Handler(QStringLiteral("Overflow"), 6, 10, QStringLiteral("A of Module B"), QString());
  QTest::mouseClick(find<QPushButton>(form, "Cmd_print_error"), Qt::LeftButton);
  Current_Printer() = saved;
  EXPECT_TRUE(QFile::exists(pdf));
  ASSERT_EQ(prompts_->messages().size(), 1);
  EXPECT_EQ(prompts_->messages().at(0), QStringLiteral("The pages were written to the PDF file\n") + pdf);
}

TEST_F(Error_Window, CopyContinueAndExit) {
  QNV_error_form form;
  form.QNV_Error_Handler(QStringLiteral("Overflow"), 6, 10, QStringLiteral("A of Module B"), QString());
  QGuiApplication::clipboard()->clear();
  QTest::mouseClick(find<QPushButton>(form, "Command_copy_clipboard"), Qt::LeftButton);
  const QImage copied = QGuiApplication::clipboard()->image();
  EXPECT_FALSE(copied.isNull());
  EXPECT_EQ(copied.size(), form.grab().size());

  int exit_code = -1;
  const auto previous = QNV_error_form::set_Exit_Hook([&](int code) { exit_code = code; });
  QTest::mouseClick(find<QPushButton>(form, "Cmd_exit"), Qt::LeftButton);
  QNV_error_form::set_Exit_Hook(previous);
  EXPECT_EQ(exit_code, 0);

  QTest::mouseClick(find<QPushButton>(form, "Cmd_continue"), Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
}

TEST_F(Error_Window, ProgramWindowReceivesReportsUntilDeleted) {
  QNV_error_form& form = Error_Form();
  EXPECT_EQ(&form, &Error_Form());
  EXPECT_FALSE(form.isVisible());
  QNV_Error_Handler(QStringLiteral("Type mismatch"), 13, 30, QStringLiteral("F of Class Module C"));
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.Error_Lines(3), QStringLiteral("Location of error: F of Class Module C, line: 30"));
  delete &form;
  // With the window gone reports fall back to the default sink instead of a dangling one.
  QNV_Error_Handler(QStringLiteral("Type mismatch"), 13, 30, QStringLiteral("F of Class Module C"));
}

} // namespace
