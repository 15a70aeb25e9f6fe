#include "timing/time_text.h"

#include "mock/scripted_prompts.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Time_Case {
  int32_t ms;
  const char* padded;
  const char* compact;
};

// Rounding to hundredths is half to even: 125 -> 12, 135 -> 14, 99999.5 hundredths -> 100000.
const Time_Case time_cases[] = {
    {0, " 00:00,00", "0,00"},
    {125, " 00:00,12", "0,12"},
    {135, " 00:00,14", "0,14"},
    {802, " 00:00,80", "0,80"},
    {806, " 00:00,81", "0,81"},
    {5234, " 00:05,23", "5,23"},
    {65234, " 01:05,23", "1:05,23"},
    {600000, " 10:00,00", "10:00,00"},
    {999995, " 16:40,00", "16:40,00"},
    {3599995, " 1:00:00,00", "1:00:00,00"},
    {3723450, " 1:02:03,45", "1:02:03,45"},
    {86399999, " 00:00,00", "0,00"}, // rounds up to a whole day, which is removed
    {86400000 + 61000, " 01:01,00", "1:01,00"},
    {90000000, " 1:00:00,00", "1:00:00,00"}, // 25 hours: hours of the day
    {-1500, "-00:01,50", "-1,50"},
    {-65234, "-01:05,23", "-1:05,23"},
    {-5, "-00:00,00", "-0,00"},
};

TEST(Display_Mill_Time, PaddedAndCompactForms) {
  Prompts_Guard prompts;
  for (const Time_Case& c : time_cases) {
    EXPECT_EQ(Display_Mill_Time(c.ms, false), QString::fromLatin1(c.padded)) << c.ms;
    EXPECT_EQ(Display_Mill_Time(c.ms, true), QString::fromLatin1(c.compact)) << c.ms;
  }
  EXPECT_TRUE(prompts->seen.empty());
}

TEST(Display_Mill_Time, ExtremeValuesDoNotOverflow) {
  Prompts_Guard prompts;
  // 2147483648 ms = 24 days 20:31:23.648 -> 20:31:23,65 after removing the days.
  EXPECT_EQ(Display_Mill_Time(INT32_MIN, false), QStringLiteral("-20:31:23,65"));
  EXPECT_EQ(Display_Mill_Time(INT32_MIN, true), QStringLiteral("-20:31:23,65"));
  // 2147483647 ms: .647 rounds to 65.
  EXPECT_EQ(Display_Mill_Time(INT32_MAX, false), QStringLiteral(" 20:31:23,65"));
  EXPECT_TRUE(prompts->seen.empty());
}

} // namespace
