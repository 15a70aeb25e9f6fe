// An interpolated time in the header: stored with its field time and uncertainty in elements
// the box did not have, read back only while it is the box's time, and the header still read
// as before by the reader and the ranking.
#include "timing/interpolated_time.h"
#include "timing/review_session.h"

#include "metadata/xml_header.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "recording/video_file_handler.h"
#include "timing/result_files.h"
#include "timing/result_ranking.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Fresh : Cls_XML_header {
  Fresh() { Create_Header(); }
};

TEST(InterpolatedTime, ElementsAddedToTheBoxAndReadWhileTheTimeIsTheirs) {
  Fresh h;
  EXPECT_FALSE(Read_Interpolated_Time(h, 3));
  h.set_Dora_Heat_time(3, false, 29203);
  Write_Interpolated_Time(h, 3, {29203, 29222, 0.4});
  const auto t = Read_Interpolated_Time(h, 3);
  ASSERT_TRUE(t);
  EXPECT_EQ(*t, (Interpolated_Time{29203, 29222, 0.4}));
  EXPECT_EQ(h.Box_Element(3, Field_Time_Element), "29222");
  EXPECT_FALSE(Read_Interpolated_Time(h, 2)); // only box 3 holds them
  EXPECT_TRUE(Interpolated_Note(h, 3).contains("29.203"));
  EXPECT_TRUE(Interpolated_Note(h, 2).isEmpty());

  // A box button later stores a field's time: the box's time is no longer the interpolated one.
  h.set_Dora_Heat_time(3, false, 29222);
  EXPECT_FALSE(Read_Interpolated_Time(h, 3));
  h.set_Dora_Heat_time(3, false, 29203);
  EXPECT_TRUE(Read_Interpolated_Time(h, 3));
  Clear_Interpolated_Time(h, 3);
  EXPECT_FALSE(Read_Interpolated_Time(h, 3));
  EXPECT_FALSE(h.Box_Element(3, Interpolated_Element));
}

TEST(InterpolatedTime, TheHeaderStillReadsAsBefore) {
  Fresh h;
  for (int16_t box = 1; box <= 6; ++box)
    h.set_Dora_Heat_time(box, false, 30000 + 100 * box);
  h.set_Dora_Heat_time(5, false, 29203);
  Write_Interpolated_Time(h, 5, {29203, 29222, 0.4});
  const QString text = h.XML_string();
  // The elements sit inside box 5 after its own ones, each on a line of its own.
  const qsizetype box5 = text.indexOf("<box id=\"5\">");
  const qsizetype added = text.indexOf("<dog_heat_time_interpolated>29203</dog_heat_time_interpolated>\r\n");
  EXPECT_GT(added, text.indexOf("<dog_heat_spare2>", box5));
  EXPECT_LT(added, text.indexOf("</box>", box5));

  Cls_XML_header reader;
  reader.set_XML_string(text);
  ASSERT_TRUE(reader.XML_Valid());
  EXPECT_EQ(reader.Dora_Heat_time(5, false), 29203);
  EXPECT_EQ(reader.Dora_heat_frame(5), 0);
  const auto ranked = Rank_Results(reader, 0);
  EXPECT_EQ(ranked[0].row.Box, 5);
  EXPECT_EQ(ranked[0].text.time, "29,20");
  EXPECT_EQ(ranked[1].row.Box, 1);
}

// The beaten distance follows the time the box holds: 5 ms behind is a short head, where the
// fields alone (20 ms) would say a head.
TEST(InterpolatedTime, BeatenDistancesUseTheInterpolatedTime) {
  Fresh h;
  h.set_Dora_Heat_time(1, false, 30000);
  h.set_Dora_Heat_time(2, false, 30005);
  Write_Interpolated_Time(h, 2, {30005, 30020, 0.5});
  const Distance_Rules rules;
  EXPECT_EQ(Publish_Result(h, 0, rules).rows.at(1).distance, "sh");
  h.set_Dora_Heat_time(2, false, 30020); // the box pressed at the field instead
  EXPECT_EQ(Publish_Result(h, 0, rules).rows.at(1).distance, "hd");
}

TEST(InterpolatedTime, BadNamesAndMissingBoxes) {
  Fresh h;
  EXPECT_THROW(h.set_Box_Element(9, "dog_heat_time_field", "1"), std::exception);
  EXPECT_THROW(h.set_Box_Element(1, "a b", "1"), std::exception);
  EXPECT_THROW(h.set_Box_Element(1, "x']/..", "1"), std::exception);
  EXPECT_FALSE(h.Box_Element(1, "x']/.."));
  h.Remove_Box_Element(1, "dog_name"); // the box's own elements can be removed by name too
  EXPECT_FALSE(h.Box_Element(1, "dog_name"));
  // A damaged text in the elements is no interpolated time.
  h.set_Dora_Heat_time(2, false, 500);
  h.set_Box_Element(2, Interpolated_Element, "500");
  h.set_Box_Element(2, Field_Time_Element, "abc");
  EXPECT_FALSE(Read_Interpolated_Time(h, 2));
  Cls_XML_header empty;
  empty.set_XML_string("<QNV_header/>");
  EXPECT_FALSE(Read_Interpolated_Time(empty, 1));
}

TEST(InterpolatedTime, StoredInTheRecordingAndReadAfterReopening) {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  const QString path = dir.filePath("heat.qn3");
  review_recordings::Spec spec;
  ASSERT_TRUE(review_recordings::Write(path, spec));
  {
    Review_Session session;
    ASSERT_TRUE(session.Open(path));
    const Interpolated_Time t{1203, 1222, 0.6};
    ASSERT_TRUE(session.Change_Result("Time between fields", [&] {
      Apply_Box_Times(session.Recording(), {Box_Time{2, 5, t.field_time_ms, t, true}});
    }));
    session.Close();
  }
  cls_VideoFile_handler h;
  ASSERT_TRUE(h.Open_File(path));
  EXPECT_EQ(h.Dora_Heat_time(2, false), 1203);
  EXPECT_EQ(h.Dora_heat_frame(2), 5);
  EXPECT_TRUE(h.Dora_dead_heat(2));
  EXPECT_NE(h.Dora_Heat_Click_Time(2), 0);
  EXPECT_EQ(Read_Interpolated_Time(h.XML_Header(), 2), (Interpolated_Time{1203, 1222, 0.6}));
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
