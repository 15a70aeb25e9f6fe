#include "mock/pdf_reading.h"
#include "platform/error_report.h"
#include "presentation/page_surface.h"

#include <QFile>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Pdf_Page {
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("page.pdf"));
  std::unique_ptr<QPdfWriter> writer;

  explicit Pdf_Page(int dpi = 1200) {
    writer = std::make_unique<QPdfWriter>(path);
    writer->setResolution(dpi);
    writer->setPageSize(QPageSize(QPageSize::A4));
    writer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  }
  qint64 file_size() const { return QFile(path).size(); }
  QByteArray head() const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(5) : QByteArray();
  }
};

QImage test_picture() {
  QImage picture(320, 200, QImage::Format_RGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      picture.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
  return picture;
}

} // namespace

TEST(Page_Surface, PrintsTextLinesAndBoxesToAPdf) {
  Pdf_Page page;
  {
    Page_Surface surface(*page.writer);
    surface.set_FontName(QStringLiteral("Arial"));
    surface.set_FontSize(24);
    surface.Print_Line(QStringLiteral("Doravent error report"));
    surface.set_DrawWidth(10);
    surface.Line(1440, 3000, 8000, 3000);
    surface.Box(1440, 3200, 4000, 4000, Qt::red);
    surface.Fill_Box(4200, 3200, 6000, 4000, Qt::blue);
    surface.NewPage();
    surface.Print_Line(QStringLiteral("Second page"));
    surface.EndDoc();
    EXPECT_TRUE(surface.Ended());
    // Drawing after the end of the document is ignored, not a crash.
    surface.Print_Line(QStringLiteral("ignored"));
    surface.Line(0, 0, 100, 100);
  }
  EXPECT_EQ(page.head(), QByteArray("%PDF-"));
  EXPECT_GT(page.file_size(), 500);
}

TEST(Page_Surface, EndsTheDocumentWhenDestroyedWithoutEndDoc) {
  Pdf_Page page;
  { Page_Surface(*page.writer).Print_Line(QStringLiteral("left unfinished")); }
  EXPECT_EQ(page.head(), QByteArray("%PDF-"));
}

TEST(Page_Surface, APictureIsEmbedded) {
  Pdf_Page empty_page, picture_page;
  {
    Page_Surface surface(*empty_page.writer);
    surface.PaintPicture(QImage(), 0, 0, 1440, 1440); // a null picture draws nothing
  }
  {
    Page_Surface surface(*picture_page.writer);
    surface.PaintPicture(test_picture(), 1000, 1000);
  }
  EXPECT_GT(picture_page.file_size(), empty_page.file_size() + 2000);
}

// A window grabbed on a desktop scaled by 1, 1.5 or 2 prints at its logical size: 15 twips for
// each of its logical pixels, however many device pixels the grab holds.
TEST(Page_Surface, AScaledPictureKeepsItsLogicalSize) {
  for (const double ratio : {1.0, 1.5, 2.0}) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("scaled.pdf"));
    {
      QPdfWriter writer(pdf);
      writer.setResolution(1200);
      QImage picture(static_cast<int>(240 * ratio), static_cast<int>(120 * ratio), QImage::Format_RGB32);
      picture.fill(Qt::black);
      picture.setDevicePixelRatio(ratio);
      Page_Surface surface(writer);
      surface.PaintPicture(picture, 1000, 1000, 0, 0, 15);
    }
    // 240 logical pixels at 15 twips are 2.5 inches, whatever the device pixels.
    const QStringList lines = pdf_reading::Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << ratio; // two heading lines, one picture
    const QStringList f = lines.at(2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_GE(f.size(), 14);
    EXPECT_NEAR(f.at(12).toDouble(), 240 * ratio / 2.5, 2) << ratio;
  }
}

TEST(Page_Surface, OpeningAnUnwritableFileThrowsPrinterError) {
  QPdfWriter writer(QStringLiteral("/nonexistent-folder/sub/page.pdf"));
  try {
    Page_Surface surface(writer);
    FAIL() << "no failure";
  } catch (const Dora_Error& e) {
    EXPECT_EQ(e.number(), 482);
  }
}

TEST(Page_Surface, TwipsAreInchesOnEveryResolution) {
  for (const int dpi : {300, 600, 1200}) {
    Pdf_Page page(dpi);
    Page_Surface surface(*page.writer);
    EXPECT_EQ(surface.Device_Dpi(), dpi);
    EXPECT_DOUBLE_EQ(surface.To_Dots(1440), dpi);
    EXPECT_DOUBLE_EQ(surface.To_Twips(dpi), 1440);
    // A4 without margins: 210 x 297 mm, held as whole points (595 x 842).
    EXPECT_NEAR(surface.ScaleWidth(), 595 * 20, 1440.0 / dpi + 1) << dpi;
    EXPECT_NEAR(surface.ScaleHeight(), 842 * 20, 1440.0 / dpi + 1) << dpi;
    EXPECT_NEAR(surface.Width(), surface.ScaleWidth(), 30) << dpi;
    // Text size does not depend on the device's resolution: 12 points is 240 twips of em.
    surface.set_FontSize(12);
    EXPECT_GT(surface.TextHeight(), 240);
    EXPECT_LT(surface.TextHeight(), 400);
  }
}

TEST(Page_Surface, MarginsShrinkThePrintableArea) {
  Pdf_Page page;
  page.writer->setPageMargins(QMarginsF(1, 1, 1, 1), QPageLayout::Inch);
  Page_Surface surface(*page.writer);
  EXPECT_NEAR(surface.ScaleWidth(), surface.Width() - 2 * 1440, 5);
  EXPECT_NEAR(surface.ScaleHeight(), surface.Height() - 2 * 1440, 5);
}

TEST(Page_Surface, TextMeasures) {
  Pdf_Page page;
  Page_Surface surface(*page.writer);
  surface.set_FontSize(18);
  double previous = surface.TextWidth(QString());
  EXPECT_EQ(previous, 0);
  for (const char* text : {"H", "Heat", "Heat: 12", "Heat: 12 Final at: 17-05-2026"}) {
    const double width = surface.TextWidth(QString::fromLatin1(text));
    EXPECT_GT(width, previous) << text;
    previous = width;
  }

  const QString sample = QStringLiteral("Doravent dog race timing system");
  const double at_18 = surface.TextWidth(sample);
  surface.set_FontSize(36);
  EXPECT_NEAR(surface.TextWidth(sample) / at_18, 2.0, 0.1);
  surface.set_FontSize(18);
  surface.set_FontBold(true);
  EXPECT_GT(surface.TextWidth(sample), at_18);
  surface.set_FontBold(false);

  // Several lines: the widest line, and every line's height.
  EXPECT_DOUBLE_EQ(surface.TextWidth(QStringLiteral("ab\n") + sample + QStringLiteral("\nc")), at_18);
  EXPECT_DOUBLE_EQ(surface.TextHeight(QStringLiteral("a\nb\nc")), 3 * surface.TextHeight());
  EXPECT_DOUBLE_EQ(surface.TextHeight(QString()), surface.TextHeight());

  // The printed fonts are metric-compatible replacements: Courier New stays monospaced.
  surface.set_FontName(QStringLiteral("Courier New"));
  EXPECT_NEAR(surface.TextWidth(QStringLiteral("iiiiiiiiii")), surface.TextWidth(QStringLiteral("WWWWWWWWWW")), 1);

  surface.set_FontSize(0);
  EXPECT_EQ(surface.FontSize(), 1);
}

TEST(Page_Surface, PrintingMovesTheCurrentPosition) {
  Pdf_Page page;
  Page_Surface surface(*page.writer);
  surface.set_FontSize(18);
  surface.set_Left_Margin(1200);
  surface.set_CurrentX(2000);
  surface.set_CurrentY(500);
  const double line = surface.TextHeight();

  surface.Print_Text(QStringLiteral("Heat: "));
  EXPECT_NEAR(surface.CurrentX(), 2000 + surface.TextWidth(QStringLiteral("Heat: ")), 1e-6);
  EXPECT_EQ(surface.CurrentY(), 500);
  surface.Print_Text(QStringLiteral("12"));
  EXPECT_NEAR(surface.CurrentX(), 2000 + surface.TextWidth(QStringLiteral("Heat: 12")), 2);

  surface.Print_Line(QStringLiteral(" Final"));
  EXPECT_EQ(surface.CurrentX(), 1200);
  EXPECT_DOUBLE_EQ(surface.CurrentY(), 500 + line);

  surface.Print_Line();
  EXPECT_DOUBLE_EQ(surface.CurrentY(), 500 + 2 * line);

  // Line breaks inside a text start again at the margin.
  surface.Print_Text(QStringLiteral("one\r\ntwo"));
  EXPECT_DOUBLE_EQ(surface.CurrentY(), 500 + 3 * line);
  EXPECT_NEAR(surface.CurrentX(), 1200 + surface.TextWidth(QStringLiteral("two")), 1e-6);

  // A bigger font makes a taller line.
  surface.set_FontSize(36);
  const double before = surface.CurrentY();
  surface.Print_Line(QStringLiteral("Event"));
  EXPECT_GT(surface.CurrentY() - before, 1.8 * line);

  surface.Line(100, 200, 5000, 6000);
  EXPECT_EQ(surface.CurrentX(), 5000);
  EXPECT_EQ(surface.CurrentY(), 6000);

  surface.NewPage();
  EXPECT_EQ(surface.CurrentX(), 1200);
  EXPECT_EQ(surface.CurrentY(), 0);
}
