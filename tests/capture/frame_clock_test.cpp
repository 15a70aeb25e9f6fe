// Frame times from driver stamps and arrivals: which stamps are believed, and how frames read
// in one go are spaced.
#include "capture/frame_clock.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

struct Frame {
  int32_t arrival;
  uint32_t sequence;
  std::optional<int32_t> stamp;
  int32_t expected;
  bool from_driver;
};

struct Case {
  const char* name;
  int64_t interval_us;
  std::vector<Frame> frames;
};

// `ms` after a moment 31 ms before Mill_Now's clock wraps.
int32_t W(int32_t ms) {
  return static_cast<int32_t>(static_cast<uint32_t>(INT32_MAX - 30) + static_cast<uint32_t>(ms));
}

// Each frame of the case through a clock of 4 buffers, its time checked; the clock afterwards.
Frame_Clock Play(const Case& c) {
  Frame_Clock clock;
  clock.Reset(c.interval_us, 4);
  for (size_t i = 0; i < c.frames.size(); ++i) {
    const Frame& f = c.frames[i];
    const Frame_Clock::Time t = clock.Frame_Time(f.arrival, f.sequence, f.stamp);
    EXPECT_EQ(t.mill, f.expected) << c.name << ", frame " << i;
    EXPECT_EQ(t.from_driver, f.from_driver) << c.name << ", frame " << i;
  }
  return clock;
}

} // namespace

TEST(Frame_Clock, DriverStampsAreBelievedOnlyWhereTheArrivalVouchesForThem) {
  const Case cases[] = {
      {"stamps a little before arrival are the frame times",
       40000,
       {{1010, 0, 1000, 1000, true}, {1052, 1, 1040, 1040, true}, {1095, 2, 1081, 1081, true}}},
      {"a stamp ahead of the arrival is another clock's",
       40000,
       {{1010, 0, 1000, 1000, true}, {1052, 1, 1060, 1040, false}, {1092, 2, 1080, 1080, true}}},
      {"a stamp from long before is another clock's",
       40000,
       {{9000, 0, 5000, 9000, false}, {9041, 1, 5040, 9040, false}, {9081, 2, 5080, 9080, false}}},
      {"a stamp back in time is refused, the next good one taken",
       40000,
       {{1010, 0, 1000, 1000, true}, {1050, 1, 990, 1040, false}, {1090, 2, 1080, 1080, true}}},
      {"a millisecond ahead is the clocks' rounding",
       40000,
       {{1000, 0, 1001, 1001, true}, {1040, 1, 1041, 1041, true}}},
      {"stamps across Mill_Now's wrap", 40000, {{W(5), 0, W(0), W(0), true}, {W(45), 1, W(40), W(40), true}}},
  };
  for (const Case& c : cases)
    Play(c);
}

TEST(Frame_Clock, ArrivalTimesOfFramesReadInOneGoAreSpacedBySequence) {
  const Case cases[] = {
      // The reader was busy for 200 ms: four frames waited in the driver's buffers.
      {"a backlog of four",
       40000,
       {{1005, 0, {}, 1005, false},
        {1200, 1, {}, 1045, false},
        {1201, 2, {}, 1085, false},
        {1201, 3, {}, 1125, false},
        {1202, 4, {}, 1165, false},
        {1206, 5, {}, 1206, false}}},
      {"frames the driver dropped count in the spacing",
       40000,
       {{1005, 10, {}, 1005, false}, {1300, 13, {}, 1125, false}, {1301, 14, {}, 1165, false}}},
      {"60 Hz keeps its fractions of a millisecond",
       16667,
       {{1000, 0, {}, 1000, false},
        {1090, 1, {}, 1016, false},
        {1090, 2, {}, 1033, false},
        {1090, 3, {}, 1050, false}}},
      {"arrivals earlier than the spacing are taken as they are",
       40000,
       {{1000, 0, {}, 1000, false}, {1035, 1, {}, 1035, false}, {1074, 2, {}, 1074, false}}},
      // A camera slower than it says cannot pull the times ever further behind its arrivals.
      {"no more spaced frames in a row than the driver holds",
       40000,
       {{1000, 0, {}, 1000, false},
        {1041, 1, {}, 1040, false},
        {1082, 2, {}, 1080, false},
        {1123, 3, {}, 1120, false},
        {1164, 4, {}, 1160, false},
        {1205, 5, {}, 1205, false}}},
      {"a driver that does not count its frames", 40000, {{1000, 7, {}, 1000, false}, {1100, 7, {}, 1040, false}}},
      {"no interval known: arrival, and never twice the same",
       0,
       {{1000, 0, {}, 1000, false}, {1000, 1, {}, 1001, false}}},
      {"across Mill_Now's wrap",
       40000,
       {{W(0), 0, {}, W(0), false}, {W(90), 1, {}, W(40), false}, {W(90), 2, {}, W(80), false}}},
  };
  for (const Case& c : cases) {
    const Frame_Clock clock = Play(c);
    EXPECT_EQ(clock.Elapsed_Us() / 1000, static_cast<int64_t>(static_cast<uint32_t>(c.frames.back().expected) -
                                                              static_cast<uint32_t>(c.frames.front().expected)))
        << c.name;
  }
}
