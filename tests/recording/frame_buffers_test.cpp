#include "recording/frame_buffers.h"
#include "recording/qn3_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace {

TEST(FrameBuffers, FreshSampleHeaderAndLengths) {
  CVideobuff_RGB frame;
  const uint8_t* header = frame.RGB_Sample_Address();
  EXPECT_EQ(std::memcmp(header, "RGBS", 4), 0);
  EXPECT_EQ(std::memcmp(header + 40, "RGBE", 4), 0);
  EXPECT_EQ(qn3::get_i16(header + 4), 44);
  for (int i = 6; i < 40; ++i)
    EXPECT_EQ(header[i], 0) << i;
  EXPECT_EQ(frame.RGB_Length(), 0);
  EXPECT_EQ(frame.RGB_Sample_Len(), 44);

  frame.set_RGB_Length(1'056'000);
  EXPECT_EQ(frame.RGB_Sample_Len(), 1'056'044);
  ASSERT_NE(frame.RGB_Buffer_Address(), nullptr);
  EXPECT_EQ(frame.Video_Adress(), frame.RGB_Buffer_Address());
  frame.set_RGB_Length(-5);
  EXPECT_EQ(frame.RGB_Length(), 0);
}

TEST(FrameBuffers, DataAndTimeStampsLandWhereTheWriterReadsThem) {
  std::vector<uint8_t> pixels(3000);
  std::iota(pixels.begin(), pixels.end(), uint8_t{7});
  Frame_List list;
  Store_Frame(list, pixels.data(), 3000, 1000, 36'000'000, 0);
  Store_Frame(list, pixels.data(), 3000, 1040, 36'000'040, 40);
  ASSERT_EQ(list.Count(), 2);
  const CVideobuff_RGB& second = *list(2);
  EXPECT_EQ(std::memcmp(second.Video_Adress(), pixels.data(), 3000), 0);
  EXPECT_EQ(second.Capture_Mill() - list(1)->Capture_Mill(), 40);
  EXPECT_EQ(second.Capture_Delta(), 40);
  EXPECT_EQ(second.Capture_Local(), 36'000'040);
  // The header fields sit at the frame record's offsets.
  const uint8_t* header = second.RGB_Sample_Address();
  EXPECT_EQ(qn3::get_i32(header + qn3::Off_Capture_Mill), 1040);
  EXPECT_EQ(qn3::get_i32(header + qn3::Off_Capture_Delta), 40);
  EXPECT_EQ(qn3::get_i32(header + qn3::Off_Capture_Local), 36'000'040);
  EXPECT_EQ(qn3::get_i16(header + 6), 0); // raw pixels, not compressed
  // Each frame owns its copy.
  pixels[0] = 99;
  EXPECT_EQ(list(1)->Video_Adress()[0], 7);
}

TEST(FrameBuffers, ListPositionsRemovalAndSharedLifetime) {
  Frame_List list;
  const uint8_t byte = 1;
  for (int32_t k = 1; k <= 5; ++k)
    Store_Frame(list, &byte, 1, k, 0, 0);
  EXPECT_EQ(list(0), nullptr);
  EXPECT_EQ(list(6), nullptr);
  EXPECT_EQ(list(-1), nullptr);
  Frame_List::Item kept = list.Item_At(1);
  list.Remove_First();
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list(1)->Capture_Mill(), 2);
  EXPECT_EQ(kept->Capture_Mill(), 1); // a holder keeps a removed frame alive
  list.Remove_All();
  EXPECT_EQ(list.Count(), 0);
  list.Remove_First(); // on an empty list: nothing
  EXPECT_EQ(list.Count(), 0);
}

} // namespace
