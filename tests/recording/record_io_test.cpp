#include "recording/record_io.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

namespace {

constexpr int32_t Slot = 16;
constexpr int64_t Record = qn3::Record_Size_For_Slot(Slot);
constexpr int64_t At = 100; // where the record lies in the file
constexpr int32_t Sentinel = 0x5A5A5A5A;

// A file of `At` filler bytes, then a record cut to `present` bytes.
QString Write_File(const QTemporaryDir& dir, int64_t present, bool marked) {
  std::vector<uint8_t> record(static_cast<size_t>(Record));
  qn3::Record_Fields fields;
  fields.capture_mill = 4321;
  const std::vector<uint8_t> picture(Slot, 0x77);
  qn3::Encode_Record(fields, picture.data(), Slot, Slot, record.data());
  if (!marked) record[0] = 'X';
  QByteArray bytes(At, '\x11');
  bytes.append(reinterpret_cast<const char*>(record.data()), static_cast<qsizetype>(present));
  QString path = dir.filePath(QStringLiteral("r.qn3"));
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
  return path;
}

TEST(RecordIo, RecordsCutShortDamagedOrOutOfReachAreReadWithinTheirBuffer) {
  struct Case {
    const char* name;
    int64_t present; // bytes of the record in the file
    bool marked;
    int64_t offset;
    int64_t size; // bytes asked for
    int64_t needed;
    qn3::Record_Read want;
    int32_t lower_bound; // the descriptor's last field after the read (Sentinel: untouched)
  };
  const Case cases[] = {
      {"whole record", Record, true, At, Record, qn3::Record_Head_Size, qn3::Record_Read::Read, 1},
      {"head only, without its descriptor", Record, true, At, qn3::Record_Peek_Size, qn3::Record_Peek_Size,
       qn3::Record_Read::Read, Sentinel},
      {"cut inside the descriptor reads zeros after the cut", 48, true, At, Record, qn3::Record_Peek_Size,
       qn3::Record_Read::Read, 0},
      {"cut before the head a whole-record reader needs", 50, true, At, Record, qn3::Record_Head_Size,
       qn3::Record_Read::Absent, Sentinel},
      {"cut before the start marker's fields end", 43, true, At, Record, qn3::Record_Peek_Size,
       qn3::Record_Read::Absent, Sentinel},
      {"fewer bytes needed than a head is taken as a head", 43, true, At, Record, 4, qn3::Record_Read::Absent,
       Sentinel},
      {"no start marker", Record, false, At, Record, qn3::Record_Peek_Size, qn3::Record_Read::Absent, Sentinel},
      {"behind the end of the file", Record, true, At + Record, Record, qn3::Record_Peek_Size, qn3::Record_Read::Absent,
       Sentinel},
      {"before the start of the file", Record, true, -1, Record, qn3::Record_Peek_Size, qn3::Record_Read::Absent,
       Sentinel},
      {"a buffer smaller than a head", Record, true, At, 40, qn3::Record_Peek_Size, qn3::Record_Read::Absent, Sentinel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    QFile file(Write_File(dir, c.present, c.marked));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // Guard bytes behind the `size` bytes handed over must stay as they are.
    std::vector<uint8_t> buffer(static_cast<size_t>(c.size) + 16, 0xAA);
    qn3::Record_Fields fields;
    fields.capture_mill = Sentinel;
    fields.slot_lower_bound = Sentinel;
    EXPECT_EQ(qn3::Read_Record_At(file, c.offset, buffer.data(), c.size, c.needed, fields), c.want);
    EXPECT_EQ(fields.capture_mill, c.want == qn3::Record_Read::Read ? 4321 : Sentinel);
    EXPECT_EQ(fields.slot_lower_bound, c.lower_bound);
    EXPECT_TRUE(std::all_of(buffer.end() - 16, buffer.end(), [](uint8_t b) { return b == 0xAA; }));
    if (c.want == qn3::Record_Read::Read && c.present < c.size) {
      EXPECT_TRUE(std::all_of(buffer.begin() + c.present, buffer.begin() + c.size, [](uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(file.pos(), 0); // readers beside a buffered reader leave its position alone
  }
}

TEST(RecordIo, ReadAtStopsOnlyAtTheEndAndFailsOnAFileItCannotRead) {
  QTemporaryDir dir;
  const QString path = Write_File(dir, Record, true);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  std::vector<uint8_t> buffer(static_cast<size_t>(At + Record));
  struct Case {
    int64_t offset;
    int64_t size;
    int64_t got;
  };
  for (const Case c : {Case{0, At + Record, At + Record}, Case{At + Record - 10, 20, 10}, Case{At + Record, 5, 0},
                       Case{At + Record + 50, 5, 0}}) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(qn3::Read_At(file, c.offset, buffer.data(), c.size), c.got);
  }

  QFile write_only(path);
  ASSERT_TRUE(write_only.open(QIODevice::WriteOnly | QIODevice::Append));
  EXPECT_EQ(qn3::Read_At(write_only, 0, buffer.data(), 10), -1);
  qn3::Record_Fields fields;
  EXPECT_EQ(qn3::Read_Record_At(write_only, At, buffer.data(), Record, qn3::Record_Peek_Size, fields),
            qn3::Record_Read::Failed);
}

} // namespace
