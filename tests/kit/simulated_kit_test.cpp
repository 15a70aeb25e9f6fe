#include "kit/simulated_kit.h"

#include "mock/fake_clock.h"
#include "mock/kit_events.h"
#include "platform/simulated_world.h"

#include <QSignalSpy>
#include <QTest>
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
  // What the kit's thread has raised, delivered on the loop thread.
  void deliver() {
    kit.Wait_Raised();
    Run_Queued_Events();
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

  deliver();
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

  deliver();
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
  deliver();
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
  deliver();
  EXPECT_TRUE(log.events.isEmpty());
  EXPECT_FALSE(kit.IsAttached());
  EXPECT_FALSE(kit.Input(4));

  open();
  deliver();
  EXPECT_EQ(log.events, QStringList{QStringLiteral("attach")});
  EXPECT_TRUE(kit.Input(4));
}

TEST(Simulated_Kit_Unplugged, AttachesOnlyWhenPluggedIn) {
  Kit_Event_Log log;
  Simulated_Kit kit(42, false);
  kit.set_Events(&log);
  QString error;
  ASSERT_TRUE(kit.Open(error));
  kit.Wait_Raised();
  Run_Queued_Events();
  EXPECT_TRUE(log.events.isEmpty());
  EXPECT_FALSE(kit.IsAttached());
  kit.Attach();
  kit.Wait_Raised();
  Run_Queued_Events();
  EXPECT_EQ(log.events, QStringList{QStringLiteral("attach")});
  EXPECT_EQ(kit.SerialNumber(), 42);
}

// The world the kit's physical changes reach, as the synthetic camera sees them.
struct World_Log final : Simulated_World {
  QStringList seen;
  void Set_Physical_Start(int32_t p) override { seen << QStringLiteral("P %1").arg(p); }
  void End_Race() override { seen << QStringLiteral("end"); }
  void Set_Led(bool lit, int32_t at) override { seen << QStringLiteral("LED %1 %2").arg(lit ? 1 : 0).arg(at); }
};

// A change is stamped on the kit's thread when it happens, however late the program takes it,
// and its physical side (the traps, the LED) reaches the world without the program.
TEST_F(Simulated_Kit_Test, ChangesAreStampedAndSeenByTheWorldWhenTheyHappen) {
  Fake_Clock clock;
  World_Log world;
  kit.set_World(&world);
  open();
  deliver();
  struct Step {
    int32_t input;
    bool closed;
    const char* world_sees; // beyond what it saw before: "P" the race's zero at this change
  };
  const Step steps[] = {
      {0, true, ""},     // not armed: no race starts
      {1, true, ""},     // armed
      {0, false, "P"},   // the first change of the contact after arming: the traps open
      {0, true, ""},     // the same race
      {1, false, "end"}, // disarmed: the race is over
      {1, true, ""},     // armed again
      {0, false, "P"},   // the next race
  };
  QStringList expected;
  for (const Step& step : steps) {
    clock.advance(100);
    const int32_t at = clock.mill;
    kit.set_Switch(step.input, step.closed);
    kit.Wait_Raised();
    clock.advance(300); // the program is busy before it takes the event
    Run_Queued_Events();
    const QString sees = QString::fromLatin1(step.world_sees);
    if (sees == QLatin1String("P"))
      expected << QStringLiteral("P %1").arg(at);
    else if (!sees.isEmpty())
      expected << sees;
    EXPECT_EQ(world.seen, expected) << step.input << " " << step.closed;
    ASSERT_FALSE(log.stamps.empty());
    EXPECT_EQ(log.stamps.back().mill, at) << "stamped where it happened";
  }
  // L: the moment the program's call reaches the kit.
  clock.advance(5);
  kit.set_Output(0, true);
  EXPECT_EQ(world.seen.last(), QStringLiteral("LED 1 %1").arg(clock.mill));
  kit.set_World(nullptr);
}

// A scheduled change is raised on the kit's thread at its moment, with nothing run in the
// program meanwhile, and the window's switches follow it.
TEST_F(Simulated_Kit_Test, ScheduledChangesAreRaisedAtTheirMoment) {
  Fake_Clock clock;
  open();
  deliver();
  QSignalSpy switched(&kit, &Simulated_Kit::Switch_Changed);
  kit.Schedule_Switch(clock.mill + 500, 3, true);
  kit.Wait_Raised();
  Run_Queued_Events();
  EXPECT_TRUE(log.stamps.empty()) << "not before its moment";
  clock.advance(499);
  QTest::qWait(30);
  Run_Queued_Events();
  EXPECT_TRUE(log.stamps.empty());
  clock.advance(1);
  ASSERT_TRUE(Run_Events_Until([this] { return !log.stamps.empty(); }));
  EXPECT_EQ(log.stamps.back().mill, clock.mill);
  EXPECT_EQ(log.events.last(), QStringLiteral("input 3 1"));
  EXPECT_TRUE(kit.Switch(3));
  EXPECT_EQ(switched.count(), 1);
}

} // namespace
