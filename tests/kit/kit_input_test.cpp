#include "kit/kit_input.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(KitInput, ChangesCountOnlyAfterTheFirstSecondAcrossTheClockWrap) {
  struct Case {
    int32_t ready, now;
    bool handled;
  };
  const Case cases[] = {
      {1000, 1000, false},
      {1000, 1999, false}, // 999 ms: still ignored
      {1000, 2000, true},
      {INT32_MAX - 500, INT32_MIN + 498, false}, // wrapped between ready and now: 999 ms
      {INT32_MAX - 500, INT32_MIN + 499, true},  // 1000 ms
      {-10, 989, false},                         // ready just below zero
      {-10, 990, true},
      {0, INT32_MIN, true}, // 2^31 ms up: the signed difference would be negative
      {0, -1, true},        // 2^32 - 1 ms up
  };
  for (const Case& c : cases)
    EXPECT_EQ(Input_Change_Handled(c.now, c.ready), c.handled) << c.ready << " -> " << c.now;
}

TEST(KitInput, TheTableOfInputs) {
  const Kit_Input_Response nothing{};
  const Kit_Input_Response start_and_led{.handle_start = true, .update_led = true};
  const Kit_Input_Response led_only{.update_led = true};
  const Kit_Input_Response start{.handle_start = true};
  const Kit_Input_Response capture_start{.capture_start = true};
  const Kit_Input_Response capture_end{.capture_end = true};
  struct Case {
    int32_t index;
    bool new_state, armed;
    Kit_Input_Response expected;
  };
  const Case cases[] = {
      // The start contact starts only when armed, on closing and on opening; the LED follows it always.
      {0, true, false, led_only},
      {0, false, false, led_only},
      {0, true, true, start_and_led},
      {0, false, true, start_and_led},
      // The armed switch only changes the display.
      {1, true, false, nothing},
      {1, false, true, nothing},
      // Remote start: closing starts, armed or not; opening does nothing.
      {2, true, false, start},
      {2, true, true, start},
      {2, false, true, nothing},
      // Camera triggers.
      {3, true, false, capture_start},
      {3, false, true, capture_end},
      {4, true, true, capture_start},
      {4, false, false, capture_end},
      {5, true, false, capture_start},
      {5, false, false, capture_end},
      // Not the kit's inputs.
      {6, true, true, nothing},
      {-1, true, true, nothing},
  };
  for (const Case& c : cases) {
    const Kit_Input_Response r = Input_Change_Response(c.index, c.new_state, c.armed);
    EXPECT_EQ(r, c.expected) << "index " << c.index << " state " << c.new_state << " armed " << c.armed << ": start "
                             << r.handle_start << " led " << r.update_led << " capture " << r.capture_start << "/"
                             << r.capture_end;
  }
}

} // namespace
