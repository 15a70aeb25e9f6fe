#include "mock/pdf_reading.h"
#include "platform/error_report.h"
#include "presentation/page_surface.h"
#include "presentation/printer_select.h"

#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

struct Recorded_Error {
  QString description;
  int16_t number;
  int32_t line;
  QString location;
};

class Recording_Sink final : public Error_Sink {
public:
  Recording_Sink() { install_error_sink(this); }
  ~Recording_Sink() override { install_error_sink(nullptr); }
  Recording_Sink(const Recording_Sink&) = delete;
  Recording_Sink& operator=(const Recording_Sink&) = delete;
  void QNV_Error_Handler(const QString& description, int16_t number, int32_t line, const QString& location,
                         const QString&) override {
    errors.push_back({description, number, line, location});
  }
  std::vector<Recorded_Error> errors;
};

// Each test starts from a known current printer, dialog and output, and leaves them as found.
class Printer_Select : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = Current_Printer();
    Current_Printer() = Printer_Settings{};
    Current_Printer().device_name = Pdf_Printer_Name;
    Current_Printer().paper_size = QPageSize(QPageSize::A4);
  }
  void TearDown() override {
    install_printer_dialog_hook({});
    Set_Print_To_File({});
    Current_Printer() = saved_;
  }

  // A dialog that answers with the given settings and remembers what it was preset with.
  void answer_with(std::optional<Printer_Settings> answer) {
    install_printer_dialog_hook([this, answer](QWidget*, const Printer_Settings& preset) {
      presets.push_back(preset);
      return answer;
    });
  }

  std::vector<Printer_Settings> presets;

private:
  Printer_Settings saved_;
};

Printer_Settings chosen(const QString& name, int orientation, int color_mode, int duplex, QPageSize::PageSizeId paper) {
  Printer_Settings settings;
  settings.device_name = name;
  settings.orientation = orientation;
  settings.color_mode = color_mode;
  settings.duplex = duplex;
  settings.paper_size = QPageSize(paper);
  settings.copies = 2;
  return settings;
}

} // namespace

TEST(Printer_Words, DescribeOrientationColourAndDuplex) {
  struct Case {
    int orientation, color_mode, duplex;
    const char* words;
  };
  const Case cases[] = {
      {1, 1, 1, "Portrait. Black and White. None. "},      {2, 2, 2, "Landscape. Color. Horizontal/Long Edge. "},
      {1, 2, 3, "Portrait. Color. Vertical/Short Edge. "}, {0, 0, 0, "Landscape. Color. Unknown. "},
      {2, 1, 4, "Landscape. Black and White. Unknown. "},  {-1, 3, -1, "Landscape. Color. Unknown. "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Describe_Page_Settings(c.orientation, c.color_mode, c.duplex), QString::fromLatin1(c.words))
        << c.orientation << c.color_mode << c.duplex;
}

TEST(Printer_List, ThePdfPrinterIsAlwaysOfferedLast) {
  const QStringList names = Printer_Names();
  ASSERT_FALSE(names.isEmpty());
  EXPECT_EQ(names.last(), Pdf_Printer_Name);
  EXPECT_EQ(names.count(Pdf_Printer_Name), 1);
  EXPECT_TRUE(names.contains(Current_Printer_Name()));
  EXPECT_TRUE(Printer_Available());
}

TEST_F(Printer_Select, OkTakesTheChosenPrinterAndItsPageSettings) {
  Current_Printer().device_name = QStringLiteral("Nowhere");
  answer_with(chosen(QStringLiteral("doravent pdf"), 2, 1, 3, QPageSize::Letter));
  EXPECT_TRUE(Select_Printer(nullptr));

  ASSERT_EQ(presets.size(), 1u);
  EXPECT_EQ(presets[0].device_name, QStringLiteral("Nowhere"));
  const Printer_Settings& now = Current_Printer();
  EXPECT_EQ(now.device_name, Pdf_Printer_Name); // matched whatever the case
  EXPECT_EQ(now.orientation, 2);
  EXPECT_EQ(now.color_mode, 1);
  EXPECT_EQ(now.duplex, 3);
  EXPECT_EQ(now.copies, 2);
  // A PDF printer keeps the paper size it had.
  EXPECT_EQ(now.paper_size.id(), QPageSize::A4);
}

TEST_F(Printer_Select, PaperSizeIsCopiedUnlessTheNameSaysPdf) {
  struct Case {
    const char* name;
    bool paper_copied;
  };
  for (const Case c :
       {Case{"Office Laser", true}, Case{"Office pdf writer", false}, Case{"PdF", false}, Case{"P D F", true}}) {
    Current_Printer().paper_size = QPageSize(QPageSize::A4);
    answer_with(chosen(QString::fromLatin1(c.name), 1, 2, 1, QPageSize::Letter));
    ASSERT_TRUE(Select_Printer(nullptr)) << c.name;
    EXPECT_EQ(Current_Printer().paper_size.id(), c.paper_copied ? QPageSize::Letter : QPageSize::A4) << c.name;
    // No printer of that name exists: the current printer stays.
    EXPECT_EQ(Current_Printer_Name(), Pdf_Printer_Name) << c.name;
  }
}

TEST_F(Printer_Select, CancelChangesNothing) {
  Current_Printer().orientation = 1;
  answer_with(std::nullopt);
  EXPECT_FALSE(Select_Printer(nullptr));
  EXPECT_EQ(presets.size(), 1u);
  EXPECT_EQ(Current_Printer().orientation, 1);
  EXPECT_EQ(Current_Printer_Name(), Pdf_Printer_Name);
}

TEST_F(Printer_Select, AFailingDialogIsReportedNotThrown) {
  Recording_Sink sink;
  install_printer_dialog_hook([](QWidget*, const Printer_Settings&) -> std::optional<Printer_Settings> {
    throw Dora_Error(482, QStringLiteral("Printer error"));
  });
  EXPECT_FALSE(Select_Printer(nullptr));
  ASSERT_EQ(sink.errors.size(), 1u);
  EXPECT_EQ(sink.errors[0].location, QStringLiteral("Select_Printer of Module Module_PrinterDialog"));
  EXPECT_EQ(sink.errors[0].number, 482);
  EXPECT_GT(sink.errors[0].line, 0);
}

TEST_F(Printer_Select, PrintingToAFileUsesTheCurrentPageSettings) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("results.pdf"));
  Set_Print_To_File(path);
  Current_Printer().orientation = 2;
  Current_Printer().color_mode = 1;
  Current_Printer().paper_size = QPageSize(QPageSize::A5);

  const auto printer = Make_Printer(QStringLiteral("Results"));
  EXPECT_EQ(printer->outputFormat(), QPrinter::PdfFormat);
  EXPECT_EQ(printer->outputFileName(), path);
  EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(printer->colorMode(), QPrinter::GrayScale);
  EXPECT_EQ(printer->pageLayout().pageSize().id(), QPageSize::A5);
  {
    Page_Surface surface(*printer);
    EXPECT_GT(surface.ScaleWidth(), surface.ScaleHeight()); // landscape
    surface.Print_Line(QStringLiteral("Heat 1"));
    surface.EndDoc();
  }
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.read(5), QByteArray("%PDF-"));
}

// The file named in the dialog takes the print that follows; a later print, with or without the
// dialog, never writes over it or over any file printed before.
TEST_F(Printer_Select, EveryPrintToThePdfPrinterLeavesAFileOfItsOwn) {
  QTemporaryDir dir;
  Printer_Settings answer = chosen(Pdf_Printer_Name, 1, 2, 1, QPageSize::A4);
  answer.pdf_file = dir.filePath(QStringLiteral("chosen.pdf"));
  answer_with(answer);
  const auto print = [](const QString& text) {
    const auto printer = Make_Printer();
    Page_Surface surface(*printer);
    surface.Print_Line(text);
    surface.EndDoc();
    return printer->outputFileName();
  };
  ASSERT_TRUE(Select_Printer(nullptr));
  EXPECT_EQ(print(QStringLiteral("first")), answer.pdf_file);
  const QString second = print(QStringLiteral("second"));
  EXPECT_EQ(second, dir.filePath(QStringLiteral("chosen_2.pdf")));
  // The dialog again, the operator taking the name it offers.
  install_printer_dialog_hook(
      [](QWidget*, const Printer_Settings& preset) { return std::optional<Printer_Settings>(preset); });
  ASSERT_TRUE(Select_Printer(nullptr));
  const QString third = print(QStringLiteral("third"));
  EXPECT_EQ(third, dir.filePath(QStringLiteral("chosen_3.pdf")));
  EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 3);
  EXPECT_TRUE(pdf_reading::Text(answer.pdf_file).contains("first"));
  EXPECT_TRUE(pdf_reading::Text(second).contains("second"));

  // A printer that has gone away prints to the PDF printer instead of failing.
  Current_Printer().device_name = QStringLiteral("Printer that was unplugged");
  const auto printer = Make_Printer();
  EXPECT_EQ(printer->outputFormat(), QPrinter::PdfFormat);
  EXPECT_EQ(printer->outputFileName(), dir.filePath(QStringLiteral("chosen_4.pdf")));
}
