#include "presentation/form_timer.h"

#include "mock/fake_clock.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

// Degrees clockwise from straight up, on the screen (y down), of the arm scaled to a circle.
double clockwise_degrees(const Running_Arm& arm) {
  const double dx = (arm.tip.x() - arm.centre.x()) / arm.centre.x();
  const double up = (arm.centre.y() - arm.tip.y()) / arm.centre.y();
  double degrees = std::atan2(dx, up) * 180.0 / std::numbers::pi;
  if (degrees < -0.01) degrees += 360.0;
  return degrees;
}

TEST(RunningArm, AngleCentreAndWidth) {
  struct Case {
    QSize inner;
    int32_t hundredths;
    double degrees; // clockwise from straight up
    QPoint centre;
    int32_t width;
  };
  const Case cases[] = {
      {{40, 40}, 12, 43.64, {20, 20}, 4},                                        // 40 / 8 = 5, at most 4
      {{40, 40}, 0, 0.0, {20, 20}, 4},                                           // straight up
      {{40, 40}, 99, 360.0, {20, 20}, 4},                                        // a whole turn at 99
      {{121, 121}, 25, 90.91, {60, 60}, 4},                                      // odd size: the centre drops the half
      {{24, 24}, 50, 181.82, {12, 12}, 3},  {{20, 30}, 74, 269.09, {10, 15}, 2}, // 2.5 rounds to even
      {{16, 16}, 12, 43.64, {8, 8}, 2},
  };
  for (const Case& c : cases) {
    const Running_Arm arm = Running_Arm_Line(c.inner, c.hundredths);
    EXPECT_EQ(arm.centre, c.centre) << c.hundredths;
    EXPECT_EQ(arm.width, c.width) << c.inner.width();
    const double degrees = clockwise_degrees(arm);
    EXPECT_NEAR(std::fmod(degrees, 360.0), std::fmod(c.degrees, 360.0), 0.05) << c.hundredths;
    // The tip lies on the ellipse through the picture's edges.
    const double nx = (arm.tip.x() - c.centre.x()) / c.centre.x();
    const double ny = (arm.tip.y() - c.centre.y()) / c.centre.y();
    EXPECT_NEAR(nx * nx + ny * ny, 1.0, 1e-6) << c.hundredths;
  }
}

// The width of the arm across its middle, in pixels of the arm's colour.
double arm_thickness(const QImage& image, const Running_Arm& arm, QColor colour) {
  const QPointF middle = (arm.tip + QPointF(arm.centre)) / 2.0;
  const QPointF along = arm.tip - QPointF(arm.centre);
  const double length = std::hypot(along.x(), along.y());
  const QPointF across(-along.y() / length, along.x() / length);
  double first = 1e9, last = -1e9;
  for (double s = -8.0; s <= 8.0; s += 0.05) {
    const QPoint p = (middle + across * s).toPoint();
    if (!image.rect().contains(p)) continue;
    if (image.pixelColor(p) == colour) {
      first = std::min(first, s);
      last = std::max(last, s);
    }
  }
  return last < first ? 0.0 : last - first;
}

struct Form_Timer_Test : ::testing::Test {
  Fake_Clock clock;
  Form_timer form;

  void set_time(int h, int m, int s, int ms) { clock.local = QDateTime(QDate(2026, 5, 17), QTime(h, m, s, ms)); }
  QImage arm_image() const { return form.Picture_arm->pixmap().toImage(); }
};

TEST_F(Form_Timer_Test, ControlsAsDesigned) {
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Form1"));
  EXPECT_EQ(form.Label_time->text(), QStringLiteral("11:12:13,14"));
  EXPECT_EQ(form.Label_elapsed->text(), QStringLiteral("11:12:13,14"));
  EXPECT_EQ(form.Label_time->font().family(), QStringLiteral("Arial"));
  EXPECT_EQ(form.Timer1->interval(), 40);
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("Picture_arm")), form.Picture_arm);
  EXPECT_EQ(form.findChild<QTimer*>(QStringLiteral("Timer1")), form.Timer1);
}

TEST_F(Form_Timer_Test, TickShowsTimeOfDayHeatTimeAndTheArm) {
  QString heat_time = QStringLiteral(" 00:03,25");
  form.set_Heat_Time_Source([&] { return heat_time; });
  struct Case {
    int h, m, s, ms;
    const char* text;
    const char* hundredths;
  };
  const Case cases[] = {
      {14, 5, 9, 120, " 14:05:09,12", "12"},   {9, 5, 9, 120, " 9:05:09,12", "12"},
      {0, 30, 0, 450, " 30:00,45", "45"},                                           // no hour part after midnight
      {23, 59, 59, 994, " 23:59:59,99", "99"}, {10, 0, 0, 5, " 10:00:00,00", "00"}, // half a hundredth rounds to even
  };
  QImage first_twelve;
  for (const Case& c : cases) {
    set_time(c.h, c.m, c.s, c.ms);
    form.Timer1_Timer();
    EXPECT_EQ(form.Label_time->text(), QString::fromLatin1(c.text));
    EXPECT_EQ(form.Arm_Hundredths(), QString::fromLatin1(c.hundredths));
    EXPECT_EQ(form.Label_elapsed->text(), heat_time);
    if (QString::fromLatin1(c.hundredths) == QStringLiteral("12")) {
      // The same hundredths, the same arm, whatever the hour.
      if (first_twelve.isNull())
        first_twelve = arm_image();
      else
        EXPECT_EQ(arm_image(), first_twelve);
    }
  }
  heat_time = QStringLiteral("Aborted");
  form.Timer1_Timer();
  EXPECT_EQ(form.Label_elapsed->text(), QStringLiteral("Aborted"));
}

TEST_F(Form_Timer_Test, ArmDrawnInBlueAtTwelveHundredthsWithItsWidth) {
  const QColor blue(0, 0, 255);
  struct Case {
    int inner_px;
    double thickness; // across the arm, in pixels
  };
  const Case cases[] = {{40, 4.0}, {80, 4.0}, {16, 2.0}};
  for (const Case& c : cases) {
    // The inner size is what counts: the frame is taken off.
    form.Picture_arm->setFixedSize(c.inner_px + 2 * form.Picture_arm->frameWidth(),
                                   c.inner_px + 2 * form.Picture_arm->frameWidth());
    set_time(14, 5, 9, 120);
    form.Timer1_Timer();
    const QImage image = arm_image();
    ASSERT_EQ(image.size(), QSize(c.inner_px, c.inner_px));
    const Running_Arm arm = Running_Arm_Line(image.size(), 12);
    EXPECT_NEAR(arm_thickness(image, arm, blue), c.thickness, 0.6) << c.inner_px;
    // Blue along the arm, towards 44 degrees; nothing on the opposite side of the centre.
    const QPointF tip_side = QPointF(arm.centre) + (arm.tip - QPointF(arm.centre)) * 0.7;
    const QPointF other_side = QPointF(arm.centre) - (arm.tip - QPointF(arm.centre)) * 0.7;
    EXPECT_EQ(image.pixelColor(tip_side.toPoint()), blue) << c.inner_px;
    EXPECT_NE(image.pixelColor(other_side.toPoint()), blue) << c.inner_px;
    const QPointF straight_up(arm.centre.x(), arm.centre.y() * 0.3);
    EXPECT_NE(image.pixelColor(straight_up.toPoint()), blue) << c.inner_px;
  }
}

TEST_F(Form_Timer_Test, TickCountRunsOneToNinetyNine) {
  for (int i = 1; i <= 99; ++i)
    form.Timer1_Timer();
  EXPECT_EQ(form.Tick_Count(), 99);
  form.Timer1_Timer();
  EXPECT_EQ(form.Tick_Count(), 1);
}

TEST_F(Form_Timer_Test, TicksOnlyWhileActiveAndAFailedTickLeavesTheNext) {
  form.Form_Activate();
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.Tick_Count() >= 2; }, 2000));
  form.Form_Deactivate();
  EXPECT_FALSE(form.Timer1->isActive());
  const int16_t stopped_at = form.Tick_Count();
  QTest::qWait(120);
  EXPECT_EQ(form.Tick_Count(), stopped_at);

  bool fail = true;
  form.set_Heat_Time_Source([&]() -> QString {
    if (fail) throw std::runtime_error("main window gone");
    return QStringLiteral(" 00:01,00");
  });
  set_time(14, 5, 9, 120);
  form.Timer1_Timer();
  EXPECT_EQ(form.Label_time->text(), QStringLiteral(" 14:05:09,12"));
  fail = false;
  set_time(14, 5, 9, 340);
  form.Timer1_Timer();
  EXPECT_EQ(form.Label_time->text(), QStringLiteral(" 14:05:09,34"));
  EXPECT_EQ(form.Label_elapsed->text(), QStringLiteral(" 00:01,00"));
}

} // namespace
