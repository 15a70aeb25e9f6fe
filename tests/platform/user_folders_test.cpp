#include "platform/user_folders.h"

#include "platform/error_report.h"
#include "platform/number_text.h"

#include <gtest/gtest.h>

namespace {

TEST(UserFolders, FolderOfAPathAndFileSizeText) {
  EXPECT_EQ(File_Size_Text(2, 1572864, 1048576), "2 / 1.5 MB");
  EXPECT_EQ(File_Size_Text(1, 32016, 1048576), "1 / 0.0 MB");
  EXPECT_EQ(Folder_Of("/data/heats/h1.qn3"), "/data/heats/");
  EXPECT_EQ(Folder_Of("h1.qn3"), "");
}

TEST(NumberText, LeadingNumberAndWholeNumbers) {
  EXPECT_EQ(Leading_Number(" 200 ms"), 200);
  EXPECT_EQ(Leading_Number("25.5fps"), 25.5);
  EXPECT_EQ(Leading_Number("-12"), -12);
  EXPECT_EQ(Leading_Number("1.2.3"), 1.2);
  EXPECT_EQ(Leading_Number("abc"), 0);
  EXPECT_EQ(Leading_Number(""), 0);
  EXPECT_EQ(Whole_Int32(" 42 "), 42);
  EXPECT_THROW(Whole_Int32("4.2"), Dora_Error);
  try {
    Whole_Int32("99999999999");
    ADD_FAILURE() << "an overflow passed";
  } catch (const Dora_Error& e) {
    EXPECT_EQ(e.number(), 6);
  }
}

} // namespace
