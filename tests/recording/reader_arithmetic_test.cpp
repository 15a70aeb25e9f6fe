#include "recording/video_file_handler.h"

#include <gtest/gtest.h>

namespace {

TEST(ReaderArithmetic, FieldBelongsToFrame) {
  struct Case {
    int32_t field;
    int16_t frame;
    int16_t which;
    double time_ms;
  };
  const Case cases[] = {
      {1, 1, 1, 0}, {2, 1, 2, 20}, {3, 2, 1, 40}, {4, 2, 2, 60}, {9, 5, 1, 160}, {65534, 32767, 2, 1310660},
  };
  for (const Case& c : cases) {
    const Field_Position at = Field_To_Frame(c.field);
    EXPECT_EQ(at.frame, c.frame) << c.field;
    EXPECT_EQ(at.field_in_frame, c.which) << c.field;
    EXPECT_DOUBLE_EQ(Field_Effective_Time(c.field, 20), c.time_ms) << c.field;
  }
  EXPECT_DOUBLE_EQ(Frame_Effective_Time(1, 40), 0);
  EXPECT_DOUBLE_EQ(Frame_Effective_Time(26, 40), 1000);
  EXPECT_DOUBLE_EQ(Frame_Effective_Time(32767, 40), 1310640);
}

TEST(ReaderArithmetic, CaptureTimeSnapsToFortyWithTiesToEven) {
  struct Case {
    int32_t mill;
    int32_t snapped;
  };
  const Case cases[] = {
      {0, -10},
      {19, -10},
      {20, -10}, // 0.5 of 40: quotient 0 is even
      {21, 30},
      {60, 70},  // 1.5: to 2
      {100, 70}, // 2.5: to 2
      {139, 110},
      {-20, -10}, // -0.5: to 0
      {-60, -90}, // -1.5: to -2
      {INT32_MAX, 2147483630},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Snapped_Capture_Time(c.mill), c.snapped) << c.mill;
}

TEST(ReaderArithmetic, SuffixKinds) {
  for (const char* s : {"qn3", "QN3", "Qn3"})
    EXPECT_EQ(Kind_Of_Suffix(s), Recording_Kind::QN3) << s;
  for (const char* s : {"avi", "QN1", "qn2", "sdv", "DV"})
    EXPECT_EQ(Kind_Of_Suffix(s), Recording_Kind::Known_Unsupported) << s;
  for (const char* s : {"", "qn4", "jpg", "qn"})
    EXPECT_EQ(Kind_Of_Suffix(s), Recording_Kind::Unknown) << s;
}

} // namespace
