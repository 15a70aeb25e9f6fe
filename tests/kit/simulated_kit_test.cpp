#include "kit/simulated_kit.h"

#include "mock/kit_events.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

struct Simulated_Kit_Test : ::testing::Test {
  Kit_Event_Log log;
  Simulated_Kit kit;

  void SetUp() override { kit.set_Events(&log); }
  void open() {
    QString error;
    ASSERT_TRUE(kit.Open(error));
  }
};

TEST_F(Simulated_Kit_Test, EventsArriveInOrderOnTheLoopThreadAndNeverBeforeIt) {
  open();
  EXPECT_TRUE(log.events.isEmpty());
  EXPECT_FALSE(kit.IsAttached());
  kit.set_Switch(1, true);
  kit.set_Switch(0, true);
  kit.set_Switch(0, true); // no change
  kit.set_Switch(3, true);
  kit.set_Switch(3, false);
  kit.Detach();
  kit.set_Switch(5, true); // unplugged: no event now
  kit.Attach();
  kit.set_Switch(2, true);
  EXPECT_TRUE(log.events.isEmpty()); // all queued

  Run_Queued_Events();
  const QStringList expected{QStringLiteral("attach"),    QStringLiteral("input 1 1"), QStringLiteral("input 0 1"),
                             QStringLiteral("input 3 1"), QStringLiteral("input 3 0"), QStringLiteral("detach"),
                             QStringLiteral("attach"),    QStringLiteral("input 2 1")};
  EXPECT_EQ(log.events, expected);
  EXPECT_TRUE(log.all_on_loop_thread);
  EXPECT_TRUE(kit.IsAttached());
  EXPECT_EQ(kit.SerialNumber(), Simulated_Kit_Serial);
  // Switch 5, moved while unplugged, is known from the second attach on.
  const bool states[Kit_Inputs] = {true, true, true, false, false, true};
  for (int32_t i = 0; i < Kit_Inputs; ++i)
    EXPECT_EQ(kit.Input(i), states[i]) << i;
}

TEST_F(Simulated_Kit_Test, TheLedFollowsTheProgramWhileAttached) {
  QSignalSpy led(&kit, &Simulated_Kit::Output_Changed);
  open();
  kit.set_Output(0, true); // not attached yet
  EXPECT_FALSE(kit.Output(0));
  EXPECT_EQ(led.count(), 0);

  Run_Queued_Events();
  kit.set_Output(0, true);
  EXPECT_TRUE(kit.Output(0));
  ASSERT_EQ(led.count(), 1);
  EXPECT_EQ(led.at(0).at(0).toInt(), 0);
  EXPECT_TRUE(led.at(0).at(1).toBool());
  kit.set_Output(1, true); // no such output
  EXPECT_FALSE(kit.Output(1));
  EXPECT_EQ(led.count(), 1);

  kit.Detach();
  EXPECT_TRUE(kit.Output(0)); // the detach has not arrived yet
  Run_Queued_Events();
  EXPECT_FALSE(kit.Output(0));
  ASSERT_EQ(led.count(), 2);
  EXPECT_FALSE(led.at(1).at(1).toBool());
  kit.set_Output(0, true);
  EXPECT_FALSE(kit.Output(0));
  EXPECT_EQ(kit.SerialNumber(), 0);
}

TEST_F(Simulated_Kit_Test, EventsQueuedBeforeCloseNeverArrive) {
  open();
  kit.set_Switch(4, true);
  kit.Close();
  Run_Queued_Events();
  EXPECT_TRUE(log.events.isEmpty());
  EXPECT_FALSE(kit.IsAttached());
  EXPECT_FALSE(kit.Input(4));

  open();
  Run_Queued_Events();
  EXPECT_EQ(log.events, QStringList{QStringLiteral("attach")});
  EXPECT_TRUE(kit.Input(4));
}

TEST(Simulated_Kit_Unplugged, AttachesOnlyWhenPluggedIn) {
  Kit_Event_Log log;
  Simulated_Kit kit(42, false);
  kit.set_Events(&log);
  QString error;
  ASSERT_TRUE(kit.Open(error));
  Run_Queued_Events();
  EXPECT_TRUE(log.events.isEmpty());
  EXPECT_FALSE(kit.IsAttached());
  kit.Attach();
  Run_Queued_Events();
  EXPECT_EQ(log.events, QStringList{QStringLiteral("attach")});
  EXPECT_EQ(kit.SerialNumber(), 42);
}

} // namespace
