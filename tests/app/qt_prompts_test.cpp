#include "app/qt_prompts.h"

#include <gtest/gtest.h>

TEST(QtFileFilter, PipeFormBecomesDialogFilter) {
  const struct {
    const char* given;
    const char* expected;
  } cases[] = {
      {"xml Files (*.xml)|*.xml", "xml Files (*.xml)"},
      {"Text|*.txt", "Text (*.txt)"},
      {"Text|*.txt;*.csv|All|*", "Text (*.txt *.csv);;All (*)"},
      {"Doravent Files (*.qn3)", "Doravent Files (*.qn3)"},
      {"|*.txt", "*.txt"},
      {"Odd|", "Odd"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Qt_File_Filter(QString::fromLatin1(c.given)), QString::fromLatin1(c.expected)) << c.given;
}
