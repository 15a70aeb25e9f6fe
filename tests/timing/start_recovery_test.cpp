// The start instant recovered from the winner's hand time or the start's time of day, and the
// answers that are neither.
#include "timing/start_recovery.h"

#include <gtest/gtest.h>

namespace {

// The winner's picture: stamped at 500000 on the capture clock, at 14:05:39,000 local time on
// 9 December, a first field, no camera delay.
Crossing_Picture Winner(int32_t field_offset = 0, double compensation = 0) {
  Crossing_Picture p;
  p.capture_mill = 500000;
  p.capture_local = ((14 * 60 + 5) * 60 + 39) * 1000;
  p.field_offset_ms = field_offset;
  p.compensation_ms = compensation;
  p.position = 17;
  p.date = QDate(2026, 12, 9);
  return p;
}

TEST(Start_Recovery, TheWinnersPictureShowsTheHandTime) {
  struct Case {
    const char* answer;
    int32_t field_offset;
    double compensation;
    int32_t start_mill; // so that the picture's run time (stamp - start + 2 + field - delay) is the hand time
    const char* start_date_time;
  };
  const Case cases[] = {
      {"29,87", 0, 0, 500000 + 2 - 29870, "2026-12-09 14:05:09"},
      {"29.87", 0, 0, 500000 + 2 - 29870, "2026-12-09 14:05:09"},
      {" 0:29,87 ", 0, 0, 500000 + 2 - 29870, "2026-12-09 14:05:09"},
      {"1:02,5", 0, 0, 500000 + 2 - 62500, "2026-12-09 14:04:36"},
      {"29,875", 20, 80, 500000 + 2 + 20 - 80 - 29875, "2026-12-09 14:05:09"},
      // The start's time of day from another clock: its distance to the picture's.
      {"14:05:09,12", 0, 0, 500000 - 29880, "2026-12-09 14:05:09"},
      {"14:05:09", 20, 80, 500000 - 30000, "2026-12-09 14:05:09"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    QString why;
    const auto start = Recover_Start(QString::fromLatin1(c.answer), Winner(c.field_offset, c.compensation), why);
    ASSERT_TRUE(start.has_value()) << why.toStdString();
    EXPECT_EQ(start->start_mill, c.start_mill);
    EXPECT_EQ(start->start_date_time, QString::fromLatin1(c.start_date_time));
    EXPECT_TRUE(start->how.contains(QStringLiteral("picture 17"))) << start->how.toStdString();
  }
}

TEST(Start_Recovery, ARaceOverMidnightStartsTheDayBefore) {
  Crossing_Picture p = Winner();
  p.capture_local = 20000; // 00:00:20
  for (const char* answer : {"30,00", "23:59:50,00"}) {
    SCOPED_TRACE(answer);
    QString why;
    const auto start = Recover_Start(QString::fromLatin1(answer), p, why);
    ASSERT_TRUE(start.has_value()) << why.toStdString();
    EXPECT_EQ(start->start_local, 24 * 3600 * 1000 - 10000);
    EXPECT_EQ(start->start_date_time, QStringLiteral("2026-12-08 23:59:50"));
  }
}

TEST(Start_Recovery, AnAnswerThatIsNoTimeIsRefusedWithTheReason) {
  for (const char* answer : {"", "abc", "-3", "0", "0,00", "29,8765", "25:00:00", "14:61:00", "14:05:75", "14:06:00",
                             "1:2:3:4", "99999:00"}) {
    SCOPED_TRACE(answer);
    QString why;
    EXPECT_FALSE(Recover_Start(QString::fromLatin1(answer), Winner(), why).has_value());
    EXPECT_FALSE(why.isEmpty());
  }
}

} // namespace
