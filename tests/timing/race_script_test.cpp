// Reading a race script: every line that cannot be read is named with why; comments, blank lines
// and the order of the commands.
#include "timing/race_script.h"

#include <gtest/gtest.h>

namespace {

TEST(Race_Script, CommandsAreReadInTheOrderTheyAreDue) {
  Race_Script_Error error;
  const auto script = Parse_Race_Script(QStringLiteral("# a race\n"
                                                       "\n"
                                                       "900 finish   # last\r\n"
                                                       "0 camera\n"
                                                       "  450\tinput 0 1\n"
                                                       "450 initiate\n"
                                                       "1000 open-last\n"
                                                       "1000 quit\n"),
                                        error);
  ASSERT_TRUE(script) << error.why.toStdString();
  ASSERT_EQ(script->size(), 6u);
  const Race_Action order[] = {Race_Action::Camera, Race_Action::Input,     Race_Action::Initiate,
                               Race_Action::Finish, Race_Action::Open_Last, Race_Action::Quit};
  for (size_t i = 0; i < script->size(); ++i)
    EXPECT_EQ(script->at(i).action, order[i]) << i;
  EXPECT_EQ(script->at(1).input, 0);
  EXPECT_TRUE(script->at(1).closed);
  EXPECT_EQ(script->at(1).line, 5);
  EXPECT_EQ(script->at(3).line, 3);
}

TEST(Race_Script, ALineThatCannotBeReadIsNamed) {
  struct Case {
    const char* line;
    const char* why; // the start of the reason
  };
  const Case cases[] = {
      {"camera", "the time must be"},
      {"-5 camera", "the time must be"},
      {"99999999999 camera", "the time must be"},
      {"12", "a command must follow"},
      {"12 start", "unknown command \"start\""},
      {"12 input 6 1", "the input must be 0 to 5"},
      {"12 input 1 2", "the state must be 0"},
      {"12 input 1", "input takes"},
      {"12 finish now", "finish takes nothing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Race_Script_Error error;
    EXPECT_FALSE(Parse_Race_Script(QStringLiteral("0 camera\n") + QString::fromLatin1(c.line) + "\n", error));
    EXPECT_EQ(error.line, 2);
    EXPECT_EQ(error.text, QString::fromLatin1(c.line));
    EXPECT_TRUE(error.why.startsWith(QString::fromLatin1(c.why))) << error.why.toStdString();
    EXPECT_TRUE(error.Message("race.txt").startsWith("Race script race.txt, line 2 (\""))
        << error.Message("race.txt").toStdString();
  }
  Race_Script_Error error;
  EXPECT_FALSE(Read_Race_Script(QStringLiteral("/nonexistent/race.txt"), error));
  EXPECT_EQ(error.line, 0);
}

} // namespace
