// Where an append pass goes on with a file, from what its first bytes measured.
#include "recording/qn3_writer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Append_Plan, RecordSizeIsTrustedOnlyWithASecondWitness) {
  using qn3::Append_Refusal;
  using qn3::Layout_Source;
  const int32_t slot = 5000;
  const int64_t r = qn3::Record_Size_For_Slot(slot);
  const int64_t base = qn3::Header_Block_Size;
  const auto layout = [](Layout_Source source, int64_t record, bool described) {
    qn3::Record_Layout l;
    l.source = source;
    l.record_size = record;
    l.described = described;
    return l;
  };
  struct Case {
    const char* name;
    qn3::Record_Layout layout;
    int64_t length;
    int32_t header_slot;
    int32_t pass_slot;
    Append_Refusal refusal;
    int64_t offset;
    int32_t complete;
  };
  const std::vector<Case> cases = {
      {"header only", layout(Layout_Source::None, 0, false), base, 0, 0, Append_Refusal::None, base, 0},
      {"short header", layout(Layout_Source::None, 0, false), 100, 0, 0, Append_Refusal::None, base, 0},
      {"stray bytes", layout(Layout_Source::None, 0, false), base + 57, slot, 0, Append_Refusal::None, base, 0},
      {"unmeasured record", layout(Layout_Source::None, 0, false), base + r, slot, 0, Append_Refusal::Unmeasured, base,
       0},
      {"unmeasured bytes", layout(Layout_Source::None, 0, false), base + 58, 0, 0, Append_Refusal::Unmeasured, base, 0},
      {"markers and descriptor", layout(Layout_Source::Markers, r, true), base + 3 * r + 10, 0, 0, Append_Refusal::None,
       base + 3 * r, 3},
      {"markers only", layout(Layout_Source::Markers, r, false), base + 3 * r, 0, 0, Append_Refusal::Unmeasured, base,
       0},
      {"markers and header", layout(Layout_Source::Markers, r, false), base + 3 * r + 10, slot, 0, Append_Refusal::None,
       base + 3 * r, 3},
      {"descriptor alone", layout(Layout_Source::Slot_Descriptor, r, true), base + r, 0, 0, Append_Refusal::Unmeasured,
       base, 0},
      {"descriptor and header", layout(Layout_Source::Slot_Descriptor, r, true), base + r, slot, 0,
       Append_Refusal::None, base + r, 1},
      {"descriptor and pass", layout(Layout_Source::Slot_Descriptor, r, true), base + r + 7, 0, slot,
       Append_Refusal::None, base + r, 1},
      {"cut first record", layout(Layout_Source::Slot_Descriptor, r, true), base + r / 2, slot, 0, Append_Refusal::None,
       base, 0},
      {"descriptor against header", layout(Layout_Source::Slot_Descriptor, r - 1000, true), base + r, slot, 0,
       Append_Refusal::Unmeasured, base, 0},
      {"other slot than the pass", layout(Layout_Source::Markers, r, true), base + 2 * r, 0, slot + 1000,
       Append_Refusal::Other_Slot, base, 0},
      {"beyond measure", layout(Layout_Source::Slot_Descriptor, int64_t{0x7FFFFFFF} + 58, true), base + r, 0, 0,
       Append_Refusal::Unmeasured, base, 0},
  };
  for (const Case& c : cases) {
    const qn3::Append_Plan plan = qn3::Plan_Append(c.layout, c.length, c.header_slot, c.pass_slot);
    EXPECT_EQ(plan.refusal, c.refusal) << c.name;
    if (c.refusal != Append_Refusal::None) continue;
    EXPECT_EQ(plan.offset, c.offset) << c.name;
    EXPECT_EQ(plan.complete_records, c.complete) << c.name;
  }
}

} // namespace
