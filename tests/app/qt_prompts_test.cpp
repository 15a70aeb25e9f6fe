#include "app/qt_prompts.h"

#include "platform/prompts.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

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

// Enter presses the default button the question names, and without one the first.
TEST(QtPrompts, EnterAnswersTheDefaultButton) {
  const std::unique_ptr<Prompts> qt = Make_Qt_Prompts();
  struct Case {
    Prompt_Buttons buttons;
    std::optional<Prompt_Answer> default_answer;
    Prompt_Answer expected;
  };
  for (const Case& c : {Case{Prompt_Buttons::OkCancel, Prompt_Answer::Cancel, Prompt_Answer::Cancel},
                        Case{Prompt_Buttons::OkCancel, std::nullopt, Prompt_Answer::Ok},
                        Case{Prompt_Buttons::YesNo, Prompt_Answer::No, Prompt_Answer::No}}) {
    QTimer::singleShot(0, [] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(qt->message(QStringLiteral("Question?"), QStringLiteral("Title"), c.buttons, Prompt_Icon::Question,
                          c.default_answer),
              c.expected);
  }
}
