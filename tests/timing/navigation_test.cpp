#include "timing/navigation.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <vector>

namespace {

TEST(Navigation, FieldModeFollowsTheMeasuredRate) {
  struct Fps_Case {
    const char* fps;
    bool interlaced;
    bool by_fields;
  };
  for (const Fps_Case& c : std::initializer_list<Fps_Case>{{"40", true, true},
                                                           {"41", true, false},
                                                           {"25", true, true},
                                                           {"40.5", true, false},
                                                           {" 50 fps", true, false},
                                                           {"", true, true},
                                                           {"abc", true, true},
                                                           {"25", false, false}})
    EXPECT_EQ(Field_Mode_For(QString::fromLatin1(c.fps), c.interlaced), c.by_fields) << c.fps << c.interlaced;
}

// A scan reads stamps only: a record without a frame keeps the stamp before it, and the end
// says which frame's picture a picture-by-picture scan would still show.
TEST(Navigation, ScanStopsAtTheFirstPictureReachingTheTimeAndCarriesStamps) {
  // Frames 1..6 at 40 ms from 1000; frame 4 has no frame record.
  const std::vector<std::optional<int32_t>> stamps{1000, 1040, 1080, std::nullopt, 1160, 1200};
  const auto stamp = [&stamps](int16_t frame) -> std::optional<int32_t> {
    if (frame < 1 || frame > static_cast<int16_t>(stamps.size())) return std::nullopt;
    return stamps.at(static_cast<size_t>(frame - 1));
  };
  const auto by_frames = [](int32_t value) { return Scan_Picture{static_cast<int16_t>(value), 1}; };
  Scan_Setup setup;
  setup.last = 6;
  setup.start_mill = 1000;
  setup.shown_stamp = 1000;
  struct Case {
    int32_t target;
    int32_t value;
    int32_t run_time;
    bool reached;
    int16_t carried;
  };
  for (const Case& c : std::initializer_list<Case>{
           {0, 1, 2, true, 0}, {42, 2, 42, true, 0}, {100, 5, 162, true, 0}, {500, 6, 202, false, 0}}) {
    const Scan_End end = Scan(setup, by_frames, stamp, [&c](int32_t t) { return t >= c.target; });
    EXPECT_EQ(end.value, c.value) << c.target;
    EXPECT_EQ(end.heat_elapsed, c.run_time) << c.target;
    EXPECT_EQ(end.reached, c.reached) << c.target;
    EXPECT_EQ(end.carried_frame, c.carried) << c.target;
  }
  // Ending on the record without a frame: frame 3's stamp and picture stay.
  setup.last = 4;
  const Scan_End end = Scan(setup, by_frames, stamp, [](int32_t) { return false; });
  EXPECT_EQ(end.value, 4);
  EXPECT_EQ(end.heat_elapsed, 82);
  EXPECT_EQ(end.carried_frame, 3);
  // Fields: the second field of a frame is 20 ms later; steps of 4 from the first.
  setup.last = 12;
  setup.step = 4;
  const auto by_fields = [](int32_t value) {
    return Scan_Picture{static_cast<int16_t>((value + 1) / 2), static_cast<int16_t>(value % 2 != 0 ? 1 : 2)};
  };
  const Scan_End fields = Scan(setup, by_fields, stamp, [](int32_t t) { return t > 100; });
  EXPECT_EQ(fields.value, 9); // field 9 = frame 5, first field: 162 ms
  EXPECT_EQ(fields.heat_elapsed, 162);
}

} // namespace
