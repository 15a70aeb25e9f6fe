#include "recording/qn3_format.h"

#include <gtest/gtest.h>

#include <functional>

#include <vector>

namespace {

TEST(Qn3Format, LittleEndianFieldsRoundTripAndLieLowByteFirst) {
  uint8_t bytes[4] = {};
  qn3::put_i32(bytes, 0x01020304);
  EXPECT_EQ(bytes[0], 0x04);
  EXPECT_EQ(bytes[3], 0x01);
  for (const int32_t v : {0, 1, -1, 32016, INT32_MIN, INT32_MAX, -123456}) {
    qn3::put_i32(bytes, v);
    EXPECT_EQ(qn3::get_i32(bytes), v);
  }
  for (const int16_t v : {int16_t{0}, int16_t{-1}, int16_t{44}, int16_t{INT16_MIN}, int16_t{INT16_MAX}}) {
    qn3::put_i16(bytes, v);
    EXPECT_EQ(qn3::get_i16(bytes), v);
  }
}

TEST(Qn3Format, HeaderBlockLayout) {
  std::vector<uint8_t> block(qn3::Header_Block_Size, 0xAA);
  ASSERT_TRUE(qn3::Build_Header_Block("<QNV_header/>", block.data()));
  EXPECT_TRUE(qn3::is_marker(block.data(), "QNV3"));
  EXPECT_EQ(qn3::get_i32(block.data() + 4), 32016);
  EXPECT_EQ(qn3::get_i32(block.data() + 8), 13);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 12), 13), "<QNV_header/>");
  EXPECT_EQ(block[12 + 13], 0); // rest of the area zero, not left over
  EXPECT_EQ(block[32011], 0);
  EXPECT_TRUE(qn3::is_marker(block.data() + 32012, "QNVX"));
  EXPECT_EQ(qn3::Parse_Header_Text(block.data(), qn3::Header_Block_Size), QStringLiteral("<QNV_header/>"));

  // A text longer than the area is refused and nothing is written.
  std::vector<uint8_t> untouched(qn3::Header_Block_Size, 0xAA);
  EXPECT_FALSE(qn3::Build_Header_Block(QByteArray(32001, 'x'), untouched.data()));
  EXPECT_EQ(untouched[0], 0xAA);
  EXPECT_TRUE(qn3::Build_Header_Block(QByteArray(32000, 'x'), untouched.data()));
  EXPECT_TRUE(qn3::is_marker(untouched.data() + 32012, "QNVX"));
}

TEST(Qn3Format, HeaderTextCutAtZeroAndAtTheAreaWhateverTheLengthField) {
  struct Case {
    int32_t length_field;
    int64_t available;
    QString expected;
  };
  std::vector<uint8_t> block(qn3::Header_Block_Size, 0);
  qn3::Build_Header_Block("<a>b</a>", block.data());
  block[12 + 9] = 'Z'; // junk after the terminating zero
  const std::vector<Case> cases = {
      {8, qn3::Header_Block_Size, "<a>b</a>"},
      {50, qn3::Header_Block_Size, "<a>b</a>"}, // zero ends it
      {3, qn3::Header_Block_Size, "<a>"},
      {-5, qn3::Header_Block_Size, ""},
      {8, 15, "<a>"}, // only part of the block was there
      {8, 4, ""},
  };
  for (const Case& c : cases) {
    qn3::put_i32(block.data() + 8, c.length_field);
    EXPECT_EQ(qn3::Parse_Header_Text(block.data(), c.available), c.expected) << c.length_field << " " << c.available;
  }
  // A length far beyond the area reads the area and no further: the end marker is not text.
  std::vector<uint8_t> full(qn3::Header_Block_Size + 100, 'y');
  qn3::Build_Header_Block(QByteArray(32000, 'x'), full.data());
  qn3::put_i32(full.data() + 8, 40000);
  const QString text = qn3::Parse_Header_Text(full.data(), static_cast<int64_t>(full.size()));
  EXPECT_EQ(text.size(), 32000);
  EXPECT_FALSE(text.contains(QLatin1Char('Q')));
}

TEST(Qn3Format, HeaderTextIsOneLatin1BytePerCharacter) {
  const QString name = QString::fromUtf8("Dörte Ærø €");
  const QByteArray bytes = qn3::Encode_Header_Text(name);
  ASSERT_EQ(bytes.size(), name.size());
  EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0xF6);
  EXPECT_EQ(bytes.back(), '?'); // no Latin-1 form
  std::vector<uint8_t> block(qn3::Header_Block_Size);
  qn3::Build_Header_Block(bytes, block.data());
  EXPECT_EQ(qn3::Parse_Header_Text(block.data(), qn3::Header_Block_Size), QString::fromUtf8("Dörte Ærø ?"));
}

TEST(Qn3Format, RecordLayoutByteForByte) {
  qn3::Record_Fields f;
  f.capture_mill = -5;
  f.capture_delta = 40;
  f.capture_local = 45'296'789;
  f.quality = 72;
  f.event_count = 9;
  const int32_t slot = 10;
  std::vector<uint8_t> out(static_cast<size_t>(qn3::Record_Size_For_Slot(slot)), 0xCC);
  ASSERT_EQ(out.size(), 68u);
  const uint8_t jpeg[] = {1, 2, 3, 4};
  EXPECT_EQ(qn3::Encode_Record(f, jpeg, 4, slot, out.data()), 4);
  EXPECT_TRUE(qn3::is_marker(&out[0], "RGBS"));
  EXPECT_EQ(qn3::get_i16(&out[4]), 0);
  EXPECT_EQ(qn3::get_i32(&out[8]), -5);
  EXPECT_EQ(qn3::get_i32(&out[12]), 40);
  EXPECT_EQ(qn3::get_i32(&out[16]), 45'296'789);
  EXPECT_EQ(qn3::get_i32(&out[20]), 0);
  EXPECT_EQ(qn3::get_i32(&out[24]), 72);
  EXPECT_EQ(qn3::get_i32(&out[32]), 4);
  EXPECT_EQ(qn3::get_i32(&out[36]), 9);
  EXPECT_TRUE(qn3::is_marker(&out[40], "RGBE"));
  EXPECT_EQ(qn3::get_i16(&out[44]), 1);
  EXPECT_EQ(qn3::get_i32(&out[46]), 10);
  EXPECT_EQ(qn3::get_i32(&out[50]), 1);
  EXPECT_EQ(out[54], 1);
  EXPECT_EQ(out[57], 4);
  for (size_t i = 58; i < 64; ++i)
    EXPECT_EQ(out[i], 0) << i; // slot tail zero, not left over
  EXPECT_TRUE(qn3::is_marker(&out[64], "RGBF"));

  qn3::Record_Fields back;
  ASSERT_TRUE(qn3::Decode_Record_Head(out.data(), static_cast<int64_t>(out.size()), back));
  EXPECT_EQ(back.capture_mill, -5);
  EXPECT_EQ(back.capture_local, 45'296'789);
  EXPECT_EQ(back.slot_count, 10);

  // A JPEG longer than the slot is cut to it, and the stored size says so.
  const std::vector<uint8_t> big(25, 7);
  EXPECT_EQ(qn3::Encode_Record(f, big.data(), 25, slot, out.data()), 10);
  EXPECT_EQ(qn3::get_i32(&out[32]), 10);
  EXPECT_TRUE(qn3::is_marker(&out[64], "RGBF"));

  out[0] = 'X';
  back.capture_mill = 123;
  EXPECT_FALSE(qn3::Decode_Record_Head(out.data(), static_cast<int64_t>(out.size()), back));
  EXPECT_EQ(back.capture_mill, 123);
  out[0] = 'R';
  EXPECT_FALSE(qn3::Decode_Record_Head(out.data(), 43, back));
}

TEST(Qn3Format, ValidJpegBytesStayInsideTheSlot) {
  EXPECT_EQ(qn3::Valid_JPEG_Bytes(500, 1000), 500);
  EXPECT_EQ(qn3::Valid_JPEG_Bytes(5000, 1000), 1000);
  EXPECT_EQ(qn3::Valid_JPEG_Bytes(-7, 1000), 0);
  EXPECT_EQ(qn3::Valid_JPEG_Bytes(INT32_MAX, 0), 0);
}

TEST(Qn3Format, RecordOffsetsAreSixtyFourBit) {
  EXPECT_EQ(qn3::Record_Offset(1, 5058), 32016);
  EXPECT_EQ(qn3::Record_Offset(2, 5058), 32016 + 5058);
  EXPECT_EQ(qn3::Record_Offset(0, 5058), -1);
  EXPECT_EQ(qn3::Record_Offset(1, 0), -1);
  // The last frame of a full file of 128,000-byte slots lies far beyond 2 GiB.
  const int64_t record = qn3::Record_Size_For_Slot(128'000);
  EXPECT_EQ(qn3::Record_Offset(qn3::Max_Frames, record), int64_t{32016} + int64_t{32766} * 128'058);
  EXPECT_GT(qn3::Record_Offset(qn3::Max_Frames, record), int64_t{1} << 31);
  EXPECT_EQ(qn3::Record_Offset(16'800, record), int64_t{2'151'278'358});
}

TEST(Qn3Format, FrameCountFromLengthRoundsHalvesToEven) {
  struct Case {
    int64_t length;
    int64_t record;
    int16_t frames;
  };
  const int64_t r = 1000;
  const int64_t base = 32016;
  const std::vector<Case> cases = {
      {base, r, 0},                   // header only
      {base + 1, r, 0},               // one stray byte
      {base + 2 * r, r, 2},           // two whole records
      {base + 2 * r + 502, r, 3},     // more than half of a third
      {base + 2 * r + 500, r, 2},     // half of a third: not counted
      {base + 1 + 2 * r + 500, r, 2}, // a true tie, 2.5: to even
      {base + 1 + 3 * r + 500, r, 4}, // 3.5: to even
      {base + 3 * r - 400, r, 3},     // last record 60 % present
      {base + 40'000 * r, r, qn3::Max_Frames},
      {base + 2 * r, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(qn3::Frame_Count_For_Length(c.length, c.record), c.frames) << c.length;
  // Beyond 2 GiB of records.
  EXPECT_EQ(qn3::Frame_Count_For_Length(base + int64_t{30'000} * 128'058, 128'058), 30'000);
}

std::vector<uint8_t> File_With_Records(int32_t count, int32_t slot, const std::vector<uint8_t>& payload = {}) {
  std::vector<uint8_t> file(qn3::Header_Block_Size, 0);
  qn3::Build_Header_Block("<QNV_header/>", file.data());
  const int64_t record = qn3::Record_Size_For_Slot(slot);
  for (int32_t k = 0; k < count; ++k) {
    const size_t at = file.size();
    file.resize(at + static_cast<size_t>(record));
    qn3::Record_Fields f;
    f.capture_mill = 40 * k;
    qn3::Encode_Record(f, payload.empty() ? nullptr : payload.data(), static_cast<int32_t>(payload.size()), slot,
                       file.data() + at);
  }
  return file;
}

TEST(Qn3Format, MeasuringFindsRecordSizeAndCount) {
  struct Case {
    const char* name;
    int32_t records;
    std::vector<uint8_t> payload;
    qn3::Layout_Source source;
    int16_t frames;
  };
  // JPEG bytes that happen to spell the start marker must not shorten the record.
  const std::vector<uint8_t> chance = {0xFF, 0xD8, 'R', 'G', 'B', 'S', 'R', 'G', 'B', 'S', 0xFF, 0xD9};
  const std::vector<Case> cases = {
      {"two", 2, {}, qn3::Layout_Source::Markers, 2},
      {"five", 5, {}, qn3::Layout_Source::Markers, 5},
      {"chance markers", 3, chance, qn3::Layout_Source::Markers, 3},
      {"single", 1, {}, qn3::Layout_Source::Slot_Descriptor, 1},
      {"none", 0, {}, qn3::Layout_Source::None, 0},
  };
  const int32_t slot = 300;
  for (const Case& c : cases) {
    const std::vector<uint8_t> file = File_With_Records(c.records, slot, c.payload);
    const qn3::Record_Layout layout =
        qn3::Measure_Records(file.data(), static_cast<int64_t>(file.size()), static_cast<int64_t>(file.size()));
    EXPECT_EQ(layout.source, c.source) << c.name;
    EXPECT_EQ(layout.frame_count, c.frames) << c.name;
    if (c.records > 0) {
      EXPECT_EQ(layout.record_size, slot + 58) << c.name;
      EXPECT_EQ(layout.first_marker, 32016) << c.name;
    }
  }
}

TEST(Qn3Format, MeasuringWithDamagedDescriptorFallsBackToMarkerDistance) {
  std::vector<uint8_t> file = File_With_Records(3, 300);
  qn3::put_i32(file.data() + 32016 + qn3::Off_Slot_Count, 77); // claims a shorter slot
  qn3::Record_Layout layout =
      qn3::Measure_Records(file.data(), static_cast<int64_t>(file.size()), static_cast<int64_t>(file.size()));
  EXPECT_EQ(layout.record_size, 358);
  EXPECT_EQ(layout.frame_count, 3);

  // Only the searched head is available, the length tells the count.
  layout = qn3::Measure_Records(file.data(), 32016 + 400, 32016 + 3 * 358);
  EXPECT_EQ(layout.record_size, 358);
  EXPECT_EQ(layout.frame_count, 3);
}

TEST(Qn3Format, MeasuringLooksOnlyBehindTheHeaderAndPastLostMarkers) {
  const int64_t r = 358;
  struct Case {
    const char* name;
    int32_t records;
    std::function<void(std::vector<uint8_t>&)> damage;
    qn3::Layout_Source source;
    int64_t record_size;
    bool described;
    int16_t frames;
  };
  const auto at = [r](int32_t n, int64_t offset) { return static_cast<size_t>(32016 + (n - 1) * r + offset); };
  const std::vector<Case> cases = {
      {"header text spells the marker", 3,
       [](std::vector<uint8_t>& f) { qn3::Build_Header_Block("<QNV_header>RGBS RGBE RGBS</QNV_header>", f.data()); },
       qn3::Layout_Source::Markers, r, true, 3},
      {"header spells it, lone record", 1,
       [](std::vector<uint8_t>& f) { qn3::Build_Header_Block("<QNV_header>RGBS</QNV_header>", f.data()); },
       qn3::Layout_Source::Slot_Descriptor, r, true, 1},
      {"second record's marker lost", 4, [&](std::vector<uint8_t>& f) { f[at(2, 0)] = 'X'; },
       qn3::Layout_Source::Markers, r, true, 4},
      {"first record's marker lost", 4, [&](std::vector<uint8_t>& f) { f[at(1, 0)] = 'X'; },
       qn3::Layout_Source::Markers, r, true, 4},
      {"marker lost, neighbour describes another slot", 3,
       [&](std::vector<uint8_t>& f) {
         f[at(2, 0)] = 'X';
         qn3::put_i32(f.data() + at(3, qn3::Off_Slot_Count), 77);
       },
       qn3::Layout_Source::Markers, 2 * r, false, 1},
      {"lone record claiming 2 GB", 1,
       [&](std::vector<uint8_t>& f) { qn3::put_i32(f.data() + at(1, qn3::Off_Slot_Count), 0x7FFFFFFF); },
       qn3::Layout_Source::None, 0, false, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> file = File_With_Records(c.records, 300);
    c.damage(file);
    const qn3::Record_Layout layout =
        qn3::Measure_Records(file.data(), static_cast<int64_t>(file.size()), static_cast<int64_t>(file.size()));
    EXPECT_EQ(layout.source, c.source) << c.name;
    EXPECT_EQ(layout.record_size, c.record_size) << c.name;
    EXPECT_EQ(layout.described, c.described) << c.name;
    EXPECT_EQ(layout.frame_count, c.frames) << c.name;
  }
}

} // namespace
