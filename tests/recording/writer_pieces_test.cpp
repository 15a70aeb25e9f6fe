// The writer's pure pieces: sizing, quality steps, records, device writes, ordered encoding.
#include "../mock/failing_device.h"
#include "platform/error_report.h"
#include "recording/qn3_writer.h"
#include "writer_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using writer_frames::Content;

TEST(WriterPieces, SlotSizeFromTheLargestSample) {
  struct Case {
    int32_t largest;
    int32_t slot;
  };
  const Case cases[] = {
      {123'456, 128'000}, {0, 5'000},        {-3, 5'000},
      {499, 5'000},       {500, 6'000},      {1'499, 6'000},
      {1'500, 7'000},     {95'000, 100'000}, {999'999, qn3::Max_Slot_Size},
  };
  for (const Case& c : cases)
    EXPECT_EQ(qn3::Slot_Size_For(c.largest), c.slot) << c.largest;
  // The largest slot still gives a record the reader can measure from its markers.
  EXPECT_LE(qn3::Record_Size_For_Slot(qn3::Max_Slot_Size), qn3::Max_Measurable_Record);
}

TEST(WriterPieces, SamplePositionsExistAndFollowTheRule) {
  struct Case {
    int32_t count;
    std::vector<int32_t> positions;
  };
  const Case cases[] = {
      {0, {}},     {1, {1}},       {2, {1, 2}},    {3, {2}},         {4, {3, 2}},
      {5, {4, 2}}, {7, {6, 4, 2}}, {9, {8, 4, 2}}, {11, {10, 6, 2}}, {500, {499, 250, 2}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(qn3::Sizing_Sample_Positions(c.count), c.positions) << c.count;
}

TEST(WriterPieces, QualityStepsDownToOneAndStop) {
  EXPECT_EQ(qn3::Reduced_Quality(80), 68);
  EXPECT_EQ(qn3::Reduced_Quality(68), 58);
  EXPECT_EQ(qn3::Reduced_Quality(10), 8);  // 8.5 to the even 8
  EXPECT_EQ(qn3::Reduced_Quality(30), 26); // 25.5 to the even 26
  EXPECT_EQ(qn3::Reduced_Quality(3), 2);   // 2.55 rounds back to 3: one lower
  EXPECT_EQ(qn3::Reduced_Quality(1), 1);
  for (int32_t start = 1; start <= 100; ++start) {
    int32_t q = start;
    int steps = 0;
    while (q > 1 && steps < 200) {
      const int32_t next = qn3::Reduced_Quality(q);
      ASSERT_LT(next, q) << start;
      ASSERT_GE(next, 1) << start;
      q = next;
      ++steps;
    }
    EXPECT_EQ(q, 1) << start;
  }
}

TEST(WriterPieces, EncoderNeverWritesPastItsCapacity) {
  const std::vector<uint8_t> noise = writer_frames::Picture(160, 120, Content::Noise, 1);
  Frame_List list;
  Store_Frame(list, noise.data(), static_cast<int32_t>(noise.size()), 0, 0, 0);
  qn3::Frame_Encoder encoder(160, 120);
  QString why;
  ASSERT_TRUE(encoder.Load(*list(1), why)) << why.toStdString();

  // Far too small for any JPEG: the loop ends at quality 1 and the guard bytes stay.
  std::vector<uint8_t> out(600 + 64, 0xA5);
  const qn3::Fit_Result tiny = encoder.Encode_To_Fit(out.data(), 600, 80);
  EXPECT_EQ(tiny.status, qn3::Fit_Status::Does_Not_Fit);
  EXPECT_EQ(tiny.quality, 1);
  EXPECT_TRUE(std::all_of(out.begin() + 600, out.end(), [](uint8_t b) { return b == 0xA5; }));

  // Room for a lower quality only: the first of 80, 68, 58, ... that fits is taken.
  std::vector<uint8_t> big(500'000);
  const qn3::Fit_Result at_80 = encoder.Encode_To_Fit(big.data(), 500'000, 80);
  ASSERT_EQ(at_80.status, qn3::Fit_Status::Fitted);
  const int32_t limit = at_80.size / 2;
  const qn3::Fit_Result fitted = encoder.Encode_To_Fit(big.data(), limit, 80);
  ASSERT_EQ(fitted.status, qn3::Fit_Status::Fitted);
  EXPECT_LT(fitted.quality, 80);
  EXPECT_LE(fitted.size, limit);
  int32_t before = 80;
  while (qn3::Reduced_Quality(before) != fitted.quality)
    before = qn3::Reduced_Quality(before);
  EXPECT_GT(encoder.Encode_To_Fit(big.data(), 500'000, before).size, limit); // the step before did not fit

  // A buffer smaller than the picture is refused, not read past its end.
  Frame_List short_list;
  Store_Frame(short_list, noise.data(), 1000, 0, 0, 0);
  EXPECT_FALSE(encoder.Load(*short_list(1), why));
  EXPECT_TRUE(why.contains(QStringLiteral("smaller"))) << why.toStdString();
}

TEST(WriterPieces, RecordHasMarkersStampsAndZeroTail) {
  Frame_List list;
  writer_frames::Fill(list, 96, 64, {Content::Textured});
  qn3::Frame_Encoder encoder(96, 64);
  const int32_t slot = 40'000;
  std::vector<uint8_t> record(static_cast<size_t>(qn3::Record_Size_For_Slot(slot)), 0xEE); // leftovers
  const qn3::Fit_Result fit = qn3::Encode_Frame_Record(encoder, *list(1), 80, slot, record.data());
  ASSERT_EQ(fit.status, qn3::Fit_Status::Fitted);
  qn3::Record_Fields fields;
  ASSERT_TRUE(qn3::Decode_Record_Head(record.data(), static_cast<int64_t>(record.size()), fields));
  EXPECT_EQ(fields.capture_mill, 100'040);
  EXPECT_EQ(fields.capture_local, 50'000'040);
  EXPECT_EQ(fields.capture_delta, 0);
  EXPECT_EQ(fields.quality, 80);
  EXPECT_EQ(fields.jpeg_size, fit.size);
  EXPECT_EQ(fields.slot_count, slot);
  EXPECT_EQ(fields.header_length, 0);
  EXPECT_EQ(fields.event_count, 0);
  const uint8_t* data = record.data() + qn3::Record_Head_Size;
  EXPECT_EQ(data[0], 0xFF); // JPEG start of image
  EXPECT_EQ(data[1], 0xD8);
  EXPECT_TRUE(std::all_of(data + fit.size, data + slot, [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(qn3::is_marker(data + slot, qn3::Record_End_Marker));
}

TEST(WriterPieces, DeviceWriteReportsTheRefusal) {
  const std::vector<uint8_t> bytes(1000, 7);
  Failing_Device enough(5000);
  EXPECT_NO_THROW(qn3::Write_All(enough, bytes.data(), 1000, QStringLiteral("a record")));
  EXPECT_EQ(enough.written.size(), 1000);

  Failing_Device full(600);
  try {
    qn3::Write_All(full, bytes.data(), 1000, QStringLiteral("a record"));
    FAIL() << "a refused write must throw";
  } catch (const Dora_Error& e) {
    EXPECT_EQ(e.number(), 75);
    EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("a record"), std::string::npos);
  }
}

TEST(WriterPieces, AppendPointSkipsAPartialRecord) {
  const int64_t r = 5058;
  struct Case {
    int64_t length;
    int64_t record_size;
    int64_t offset;
    int32_t complete;
  };
  const Case cases[] = {
      {qn3::Header_Block_Size, 0, qn3::Header_Block_Size, 0},
      {qn3::Header_Block_Size + 100, 0, qn3::Header_Block_Size, 0},
      {qn3::Header_Block_Size + 2 * r, r, qn3::Header_Block_Size + 2 * r, 2},
      {qn3::Header_Block_Size + 2 * r + 4000, r, qn3::Header_Block_Size + 2 * r, 2},
      {qn3::Header_Block_Size + 3 * r - 1, r, qn3::Header_Block_Size + 2 * r, 2},
  };
  for (const Case& c : cases) {
    const qn3::Append_Point point = qn3::Append_Point_For(c.length, c.record_size);
    EXPECT_EQ(point.offset, c.offset) << c.length;
    EXPECT_EQ(point.complete_records, c.complete) << c.length;
  }
}

TEST(WriterPieces, OrderedEncoderKeepsTheOrderOnEveryThreadCount) {
  Frame_List list;
  for (int32_t k = 0; k < 13; ++k)
    writer_frames::Add(list, 64, 48, k % 3 == 0 ? Content::Noise : Content::Textured, k + 1);
  std::vector<int32_t> order(13);
  for (int32_t i = 0; i < 13; ++i)
    order[static_cast<size_t>(i)] = 13 - i; // a capture side may report another order
  const int32_t slot = 20'000;
  std::vector<QByteArray> reference;
  for (const int32_t threads : {1, 2, 3, 5}) {
    qn3::Ordered_Encoder encoder(list, order, 64, 48, 80, slot, threads);
    std::vector<QByteArray> records;
    for (int32_t i = 0; i < encoder.Count(); ++i) {
      const qn3::Encoded_Frame& frame = encoder.Next();
      ASSERT_EQ(frame.fit.status, qn3::Fit_Status::Fitted);
      EXPECT_EQ(frame.position, order[static_cast<size_t>(i)]);
      EXPECT_EQ(qn3::get_i32(frame.record + qn3::Off_Capture_Mill), 100'000 + 40 * frame.position);
      records.emplace_back(reinterpret_cast<const char*>(frame.record),
                           static_cast<qsizetype>(qn3::Record_Size_For_Slot(slot)));
    }
    if (reference.empty())
      reference = records;
    else
      EXPECT_EQ(records, reference) << threads << " threads";
  }
  // Stopping early (a failed write) joins the workers without waiting for the rest.
  qn3::Ordered_Encoder early(list, order, 64, 48, 80, slot, 2);
  early.Next();
}

} // namespace
