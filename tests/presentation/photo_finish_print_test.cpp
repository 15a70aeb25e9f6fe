// The photo-finish page as printed: read back from the PDF with poppler's tools.
#include "presentation/photo_finish_print.h"

#include "mock/pdf_reading.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "presentation/page_surface.h"

#include <QPageSize>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

// Pictures in one colour per box; the shown picture has a left and a right half.
class Fake_Frames final : public Photo_Finish_Frames {
public:
  QImage Shown_Picture() override {
    QImage picture(300, 440, QImage::Format_BGR888);
    picture.fill(QColor(200, 30, 30));
    for (int y = 0; y < picture.height(); ++y)
      for (int x = picture.width() / 2; x < picture.width(); ++x)
        picture.setPixelColor(x, y, QColor(30, 30, 200));
    return picture;
  }
  QImage Runner_Picture(int16_t box, bool split) override {
    asked.push_back({box, split});
    if (box == missing_box) return {};
    QImage picture(200, 300, QImage::Format_BGR888);
    picture.fill(QColor(20 * box, 100, 40));
    return picture;
  }
  std::vector<std::pair<int16_t, bool>> asked;
  int16_t missing_box = 0;
};

struct Printed {
  QString pdf;
  Photo_Finish_Layout layout;
};

Result_Array two_dogs(bool dead_heat) {
  Result_Array rows;
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows.at(i).Box = static_cast<int16_t>(i + 1);
  rows.at(0) = {4, 29000, 9010, 10, QStringLiteral("Rex"), false};
  rows.at(1) = {2, dead_heat ? 29000 : 29500, Code_No_Time, 20, QStringLiteral("Max"), dead_heat};
  rows.at(2) = {1, Code_No_Time, Code_No_Time, 0, QStringLiteral("Never ran"), false};
  return rows;
}

class Photo_Finish_Page : public ::testing::Test {
protected:
  Photo_Finish_Job job() const {
    Photo_Finish_Job j;
    j.event_name = QStringLiteral("Spring Cup");
    j.heat_id = QStringLiteral("7");
    j.heat_name = QStringLiteral("Final");
    j.start_date_time = QStringLiteral("2024-05-01 14:05:00");
    j.results = two_dogs(false);
    j.header_dog_names = {QStringLiteral("One"), QStringLiteral("Max"),  QStringLiteral("Three"),
                          QStringLiteral("Rex"), QStringLiteral("Five"), QStringLiteral("Six")};
    j.elapsed_text = QStringLiteral(" 00:29,02");
    j.file_name = QStringLiteral("SpringCup_7.qn3");
    j.sha256_hex = QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");
    j.printer_name = QStringLiteral("Test printer");
    return j;
  }

  Printed print(const Photo_Finish_Job& j, const QString& name = QStringLiteral("page.pdf"),
                QPageSize::PageSizeId paper = QPageSize::A4) {
    Printed p;
    p.pdf = dir.filePath(name);
    QPdfWriter writer(p.pdf);
    writer.setResolution(1200);
    writer.setPageSize(QPageSize(paper));
    writer.setTitle(Photo_Finish_Title(j));
    Page_Surface page(writer);
    p.layout = Print_Photo_Finish(page, j, frames, pacing);
    return p;
  }

  QTemporaryDir dir;
  Prompts_Guard prompts;
  Recorded_Errors errors;
  Fake_Frames frames;
  Photo_Finish_Pacing pacing;
};

} // namespace

TEST_F(Photo_Finish_Page, ALongEventNameShrinksToFitTheWidth) {
  Photo_Finish_Job j = job();
  j.event_name = QStringLiteral("The Grand International Championship of Greyhound Racing Clubs 2024");
  const Printed p = print(j);
  EXPECT_LT(p.layout.event_font_size, 36);
  EXPECT_GT(p.layout.event_font_size, 8);
  const double x0_twips = std::floor(0.1 * p.layout.sheet.width());
  EXPECT_LE(p.layout.event_line.right(), p.layout.sheet.width() - p.layout.printable_origin.x() + 1);

  // On the page: the name's words lie between the margin and the sheet's edge, and are shorter
  // than a 36-point line would be.
  const QSizeF sheet = pdf_reading::Page_Points(p.pdf);
  double left = 1e9;
  double right = 0;
  double height = 0;
  for (const pdf_reading::Word& w : pdf_reading::Words(p.pdf)) {
    if (!j.event_name.split(' ').contains(w.text) || w.box.top() > 150) continue;
    left = std::min(left, w.box.left());
    right = std::max(right, w.box.right());
    height = std::max(height, w.box.height());
  }
  ASSERT_GT(right, 0);
  EXPECT_GE(left + 1, (x0_twips + p.layout.printable_origin.x()) / 20);
  EXPECT_LE(right, sheet.width());
  EXPECT_LT(height, 36);

  // A short name keeps its 36 points.
  EXPECT_EQ(print(job(), QStringLiteral("short.pdf")).layout.event_font_size, 36);
}

TEST_F(Photo_Finish_Page, SeriesOfTwoDogsHasTwoPicturesAndTheirTwoLines) {
  Photo_Finish_Job j = job();
  j.series = true;
  const Printed p = print(j);

  // Only the two placed runners were asked for, in rank order, with their finish pictures.
  ASSERT_EQ(frames.asked.size(), 2u);
  EXPECT_EQ(frames.asked.at(0), std::make_pair(int16_t{4}, false));
  EXPECT_EQ(frames.asked.at(1), std::make_pair(int16_t{2}, false));
  ASSERT_EQ(p.layout.pictures.size(), 2u);
  EXPECT_DOUBLE_EQ(p.layout.pictures.at(0).top(), p.layout.pictures.at(1).top()); // side by side
  EXPECT_LT(p.layout.pictures.at(0).right(), p.layout.pictures.at(1).left());

  const auto images = pdf_reading::Images(p.pdf);
  ASSERT_EQ(images.size(), 2u);
  const QStringList lines = pdf_reading::Lines(pdf_reading::Text(p.pdf));
  EXPECT_TRUE(lines.contains("Goal photos"));
  QStringList table;
  for (const QString& line : lines)
    if (line.startsWith("1 ") || line.startsWith("2 ") || line.startsWith("3 ")) table << line.simplified();
  ASSERT_EQ(table.size(), 2) << lines.join('\n').toStdString();
  EXPECT_EQ(table.at(0), "1 4 Rex 9,01 29,00");
  EXPECT_EQ(table.at(1), "2 2 Max 00,00 29,50");
  EXPECT_FALSE(lines.join('\n').contains("Never ran"));
}

TEST_F(Photo_Finish_Page, ARunnerWithoutAStoredPictureLeavesItsPlaceEmpty) {
  Photo_Finish_Job j = job();
  j.series = true;
  frames.missing_box = 4;
  const Printed p = print(j);
  ASSERT_EQ(p.layout.pictures.size(), 1u);
  // Box 2 keeps the second place's column.
  EXPECT_GT(p.layout.pictures.at(0).left(), std::floor(0.1 * p.layout.sheet.width()) + 1);
  EXPECT_EQ(pdf_reading::Images(p.pdf).size(), 1u);
}

TEST_F(Photo_Finish_Page, DeadHeatLinesShareTheCountInItalics) {
  struct Case {
    bool dead_heat;
    const char* first;
    const char* second;
  };
  for (const Case c : {Case{true, "1 4 Rex 9,01 29,00 Dead heat", "1 2 Max 00,00 29,00 Dead heat"},
                       Case{false, "1 4 Rex 9,01 29,00", "2 2 Max 00,00 29,50"}}) {
    Photo_Finish_Job j = job();
    j.series = true;
    j.results = two_dogs(c.dead_heat);
    const Printed p = print(j, c.dead_heat ? QStringLiteral("dead.pdf") : QStringLiteral("plain.pdf"));
    QStringList table;
    for (const QString& line : pdf_reading::Lines(pdf_reading::Text(p.pdf)))
      if (line.startsWith("1 ") || line.startsWith("2 ")) table << line.simplified();
    ASSERT_EQ(table.size(), 2) << c.dead_heat;
    EXPECT_EQ(table.at(0), c.first);
    EXPECT_EQ(table.at(1), c.second);
    // The table's face is Courier New; only a dead heat prints it in italics.
    const QString fonts = pdf_reading::Fonts(p.pdf);
    EXPECT_TRUE(fonts.contains("Mono-Bold")) << fonts.toStdString();
    EXPECT_EQ(fonts.contains("Mono-BoldItalic"), c.dead_heat) << fonts.toStdString();
    // Every line fits the page, " Dead heat" included.
    const QSizeF sheet = pdf_reading::Page_Points(p.pdf);
    for (const pdf_reading::Word& w : pdf_reading::Words(p.pdf))
      EXPECT_LE(w.box.right(), sheet.width()) << w.text.toStdString();
    EXPECT_EQ(p.layout.table_font_size < 18, c.dead_heat);
  }
}

TEST_F(Photo_Finish_Page, BoxDelayLineOnlyWithADelay) {
  for (const bool series : {false, true}) {
    for (const int32_t delay : {0, 20}) {
      Photo_Finish_Job j = job();
      j.series = series;
      j.box_delay_ms = delay;
      const Printed p = print(j, QStringLiteral("delay_%1_%2.pdf").arg(series).arg(delay));
      const QString text = pdf_reading::Text(p.pdf);
      EXPECT_EQ(text.contains("Box delay = 20 ms"), delay == 20) << series << " " << delay;
      EXPECT_EQ(text.contains("Box delay"), delay > 0) << series << " " << delay;
      if (series && delay == 20) {
        EXPECT_TRUE(text.contains("29,02")) << "the table adds the delay";
      }
    }
  }
}

// Six dogs, a box delay and the audit head on the shorter Letter sheet: the footer is all on the
// page, below the table, and nothing runs off the sheet's foot.
TEST_F(Photo_Finish_Page, ALetterPageOfSixDogsKeepsItsFooter) {
  for (const QPageSize::PageSizeId paper : {QPageSize::Letter, QPageSize::A4}) {
    Photo_Finish_Job j = job();
    j.series = true;
    j.box_delay_ms = 40;
    j.audit_head = QStringLiteral("12:") + QString(64, QLatin1Char('a'));
    for (std::size_t i = 0; i < j.results.size(); ++i)
      j.results.at(i) = {static_cast<int16_t>(i + 1),
                         29000 + 100 * static_cast<int32_t>(i),
                         Code_No_Time,
                         10,
                         QStringLiteral("Dog %1").arg(i + 1),
                         false};
    const Printed p = print(j, QStringLiteral("six_%1.pdf").arg(int(paper)), paper);
    const QStringList lines = pdf_reading::Lines(pdf_reading::Text(p.pdf));
    const QString all = lines.join('\n');
    EXPECT_EQ(pdf_reading::Pages(p.pdf), 1);
    for (const QString& wanted :
         {QStringLiteral("Box delay = 40 ms"),
          QStringLiteral("File name: SpringCup_7.qn3 Frames SHA-256: 0123456789abcdef"),
          QStringLiteral("Doravent dog race timing system"), QStringLiteral("www.doravent.example")})
      EXPECT_TRUE(lines.contains(wanted)) << int(paper) << " " << wanted.toStdString() << "\n" << all.toStdString();
    EXPECT_TRUE(all.contains("Audit head: 12:aaaa")) << all.toStdString();
    EXPECT_LT(all.indexOf("Dog 6"), all.indexOf("File name")) << "the table above the footer";
    const QSizeF sheet = pdf_reading::Page_Points(p.pdf);
    double lowest = 0;
    for (const pdf_reading::Word& w : pdf_reading::Words(p.pdf))
      lowest = std::max(lowest, w.box.bottom());
    EXPECT_LE(lowest, sheet.height()) << int(paper);
  }
}

TEST_F(Photo_Finish_Page, SingleFrameHeadingFooterAndTheRecordingsDigest) {
  std::vector<int> percents;
  std::vector<int32_t> waits;
  pacing.percent = [&](int percent) { percents.push_back(percent); };
  pacing.wait = [&](int32_t ms) { waits.push_back(ms); };
  const Printed p = print(job());

  EXPECT_EQ(pdf_reading::Pages(p.pdf), 1);
  const QStringList lines = pdf_reading::Lines(pdf_reading::Text(p.pdf));
  ASSERT_GE(lines.size(), 7);
  EXPECT_EQ(lines.at(0), "Spring Cup");
  EXPECT_EQ(lines.at(1), "Heat: 7 Final at: 2024-05-01 14:05:00");
  EXPECT_TRUE(lines.contains("Elapsed time : 00:29,02")) << lines.join('\n').toStdString();
  EXPECT_TRUE(lines.contains("File name: SpringCup_7.qn3 Frames SHA-256: 0123456789abcdef"))
      << lines.join('\n').toStdString();
  EXPECT_TRUE(lines.contains("Doravent dog race timing system"));
  bool printed_by = false;
  for (const QString& line : lines)
    printed_by |= line.startsWith("Printed by Doravent_HDMI version ") && line.endsWith(" printer: Test printer");
  EXPECT_TRUE(printed_by) << lines.join('\n').toStdString();
  // All 64 digits in the document's metadata.
  EXPECT_TRUE(pdf_reading::Info(p.pdf).contains("frames SHA-256 " + job().sha256_hex));

  EXPECT_EQ(percents, (std::vector<int>{10, 30, 70, 100}));
  EXPECT_EQ(waits, (std::vector<int32_t>{300, 300, 300, 500}));
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Photo_Finish_Page, TheFrameKeepsItsPixelsAndFitsAboveTheRunTime) {
  Photo_Finish_Job j = job();
  // Shown at 500 x 733 screen pixels: at 0.06 x 15 twips per pixel it would reach far past the
  // run-time line, so it is made smaller on the page.
  j.picture_twips = QSizeF(500 * 15.0, 733 * 15.0);
  const Printed p = print(j);
  ASSERT_EQ(p.layout.pictures.size(), 1u);
  const QRectF place = p.layout.pictures.at(0);
  EXPECT_LE(place.bottom(), 0.74 * p.layout.sheet.height());
  EXPECT_NEAR(place.width() / place.height(), 500.0 / 733.0, 0.01);
  EXPECT_DOUBLE_EQ(place.left(), std::floor(0.1 * p.layout.sheet.width()) + 100);

  // Stored whole and without loss, however small it is drawn.
  const auto images = pdf_reading::Images(p.pdf);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images.at(0).width, 300);
  EXPECT_EQ(images.at(0).height, 440);
  EXPECT_EQ(images.at(0).encoding, "image");
  const auto stored = pdf_reading::Image_Files(p.pdf);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored.at(0), frames.Shown_Picture().convertToFormat(QImage::Format_RGB32));
}
