#include "presentation/runner_label.h"

#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"

#include <QFontMetricsF>
#include <QImage>
#include <gtest/gtest.h>

namespace {

constexpr double Pixels_Per_Point = 96.0 / 72.0;

// Rows of the picture in which some pixel has the colour.
std::pair<int, int> rows_with(const QImage& picture, QRgb colour) {
  int first = -1;
  int last = -1;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if (picture.pixel(x, y) == colour) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  return {first, last};
}

QImage grey_picture(int width, int height) {
  QImage picture(width, height, QImage::Format_BGR888);
  picture.fill(QColor(90, 90, 90));
  return picture;
}

} // namespace

TEST(Max_Font, LargestSizeThatFits) {
  Prompts_Guard prompts;
  const QFont arial(QStringLiteral("Arial"));
  const auto width_at = [&](const QString& text, int points) {
    QFont f = arial;
    f.setPixelSize(qRound(points * Pixels_Per_Point));
    return QFontMetricsF(f).horizontalAdvance(text);
  };
  struct Case {
    const char* text;
    int width_px;
  };
  const Case cases[] = {{"Rex", 2000}, {"Rex", 60}, {"Flying Lady of the North", 600}, {"Flying Lady", 10}};
  for (const Case& c : cases) {
    const QString text = QString::fromLatin1(c.text);
    const int size = Max_Font(text, arial, c.width_px, Pixels_Per_Point);
    EXPECT_EQ(size % 2, 0) << c.text;
    EXPECT_GE(size, 8) << c.text;
    EXPECT_LE(size, 110) << c.text;
    if (size > 8) {
      EXPECT_LE(width_at(text, size), c.width_px) << c.text;
    }
    if (size < 110 && size > 8) {
      EXPECT_GT(width_at(text, size + 2), c.width_px) << c.text;
    }
  }
  EXPECT_EQ(Max_Font(QStringLiteral("Rex"), arial, 5000, Pixels_Per_Point), 110);
  EXPECT_EQ(Max_Font(QStringLiteral("Flying Lady"), arial, 10, Pixels_Per_Point), 8);
  EXPECT_TRUE(prompts->seen.empty());

  // A scale that cannot be drawn with is the routine's own failure: its message, then 8.
  EXPECT_EQ(Max_Font(QStringLiteral("Rex"), arial, 2000, 0), 8);
  ASSERT_EQ(prompts->messages().size(), 1);
  EXPECT_TRUE(prompts->messages().at(0).endsWith("Max_Font error! ")) << prompts->messages().at(0).toStdString();
}

TEST(Runner_Label, DrawnLowOnThePictureInYellowOrBlack) {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  const QRgb yellow = qRgb(255, 255, 0);
  const QRgb black = qRgb(0, 0, 0);
  struct Case {
    const char* what;
    int16_t rank, box;
    const char* given;
    bool colour;
    QRgb ink;
    int lines;
  };
  const Case cases[] = {
      {"rank, box and the stored name", 2, 5, "", true, yellow, 2},
      {"the name given for the print alone", 0, 0, "Lucky Star", true, yellow, 1},
      {"black on a printer without colour", 1, 3, "", false, black, 2},
  };
  for (const Case& c : cases) {
    QImage picture = grey_picture(600, 880);
    print_BOX_Time(picture, c.rank, c.box, QString::fromLatin1(c.given), QStringLiteral("Stored Name"),
                   {Pixels_Per_Point, c.colour});
    const auto [first, last] = rows_with(picture, c.ink);
    ASSERT_GE(first, 0) << c.what;
    EXPECT_GE(first, static_cast<int>(0.8 * 880)) << c.what;
    // One line of 52 points is about 69 pixels high; the second line reaches well below.
    const int height = last - first;
    if (c.lines == 1)
      EXPECT_LT(height, 80) << c.what;
    else
      EXPECT_GT(height, 80) << c.what;
    const QRgb other = c.ink == yellow ? black : yellow;
    EXPECT_EQ(rows_with(picture, other).first, -1) << c.what;
  }
  EXPECT_TRUE(errors.reports.empty());
}

TEST(Runner_Label, ALongNameShrinksToTheWidth) {
  Prompts_Guard prompts;
  QImage picture = grey_picture(300, 600);
  print_BOX_Time(picture, 0, 0, QStringLiteral("Wonderful Flying Lady of the Northern Hills"), {},
                 {Pixels_Per_Point, true});
  // Nothing drawn at the right edge: the name was made to fit.
  for (int y = 0; y < picture.height(); ++y)
    ASSERT_NE(picture.pixel(picture.width() - 1, y), qRgb(255, 255, 0)) << y;
  EXPECT_NE(rows_with(picture, qRgb(255, 255, 0)).first, -1);
}
