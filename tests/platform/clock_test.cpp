#include "platform/clock.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>

namespace {

TEST(Clock, DifferenceAndClickDebounceAcrossTheWrap) {
  constexpr int32_t max = std::numeric_limits<int32_t>::max();
  constexpr int32_t min = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(Mill_Difference(min, max), 1);
  EXPECT_EQ(Mill_Difference(10, 30), -20);
  EXPECT_EQ(Mill_Difference(max, min), -1);

  struct Click {
    int32_t now, last;
    bool accepted;
  };
  constexpr int32_t top = std::numeric_limits<int32_t>::max();
  for (const Click& c : std::initializer_list<Click>{{1299, 1000, false},
                                                     {1300, 1000, true},
                                                     {1000, 1000, false},
                                                     {top - 100, top - 200, false},
                                                     // across the 32-bit wrap: 150 ms apart
                                                     {std::numeric_limits<int32_t>::min() + 49, top - 100, false},
                                                     {std::numeric_limits<int32_t>::min() + 300, top - 100, true}})
    EXPECT_EQ(Click_Accepted(c.now, c.last, 300), c.accepted) << c.now << " after " << c.last;
}

} // namespace
