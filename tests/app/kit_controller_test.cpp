// The kit on the main window, through the simulated kit: which input changes drive the heat,
// the LED following the start contact or the mouse, and the Control Box's lamps and labels.
#include "app/kit_controller.h"

#include "app/form_doravent.h"
#include "kit/simulated_kit.h"
#include "mock/fake_clock.h"
#include "mock/kit_events.h"
#include "mock/window_test.h"
#include "platform/program_info.h"
#include "presentation/control_box_drawing.h"
#include "timing/heat_session.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Kit_Window : Window_Test {
  Fake_Clock clock;
  QStringList commands;

  void load_with_kit() {
    Form_Doravent::Options options;
    options.simulated_kit = true;
    load_window(options, [](Form_Doravent& window) { window.kit().set_Open_Wait_Ms(0); });
    QObject::connect(&w->kit(), &Kit_Controller::start_signal, [this] { commands << QStringLiteral("start"); });
    QObject::connect(&w->kit(), &Kit_Controller::capture_start,
                     [this] { commands << QStringLiteral("capture start"); });
    QObject::connect(&w->kit(), &Kit_Controller::capture_end, [this] { commands << QStringLiteral("capture end"); });
    ASSERT_TRUE(Run_Events_Until([this] { return w->heat_session().Kit_Attached(); }));
  }
  Simulated_Kit& kit() { return *w->kit().Simulated(); }
  // A switch of the kit, its event run through the window.
  void set(int32_t input, bool closed) {
    kit().set_Switch(input, closed);
    Run_Events_Until([this, input, closed] { return kit().Input(input) == closed; });
    Run_Queued_Events();
  }
  bool led() { return kit().Output(0); }
};

TEST_F(Kit_Window, InputsInTheFirstSecondAreIgnoredEntirely) {
  load_with_kit();
  ASSERT_EQ(program().Ready_Mill, clock.mill);
  set(1, true);
  set(0, true);
  EXPECT_TRUE(commands.isEmpty());
  EXPECT_FALSE(led()) << "not even the LED follows";
  clock.advance(1000);
  set(0, false);
  EXPECT_EQ(commands, QStringList{"start"});
}

TEST_F(Kit_Window, WhatEachInputDrives) {
  load_with_kit();
  clock.advance(1000);
  struct Case {
    int32_t input;
    bool closed;
    QStringList expected;
  };
  const Case cases[] = {
      {0, true, {}}, // not armed: the contact does not start the heat
      {0, false, {}},
      {1, true, {}},                // arming only refreshes the display
      {0, true, {"start"}},         // armed: closing starts ...
      {0, false, {"start"}},        // ... and so does opening
      {2, true, {"start"}},         // remote start on closing
      {2, false, {}},               // and nothing on opening
      {3, true, {"capture start"}}, // the camera triggers
      {3, false, {"capture end"}},
      {4, true, {"capture start"}},
      {4, false, {"capture end"}},
      {5, true, {"capture start"}},
      {5, false, {"capture end"}},
  };
  for (const Case& c : cases) {
    commands.clear();
    set(c.input, c.closed);
    EXPECT_EQ(commands, c.expected) << "input " << c.input << " " << c.closed;
  }
}

TEST_F(Kit_Window, TheLedAndLampsFollowTheStartContactArmedOrNot) {
  load_with_kit();
  clock.advance(1000);
  EXPECT_EQ(ui(w).Label_attached->text(), QStringLiteral("Attached, serial = %1").arg(Simulated_Kit_Serial));
  EXPECT_TRUE(ui(w).Command_start_heat->isEnabled());
  EXPECT_EQ(ui(w).Label_remote_start->text(), "Start not armed!");
  const QImage open_lamps = ui(w).Picture_lamps->pixmap().toImage();
  set(0, true);
  EXPECT_TRUE(commands.isEmpty());
  EXPECT_TRUE(led());
  EXPECT_EQ(ui(w).Label_RM->text(), "RM closed");
  EXPECT_NE(ui(w).Picture_lamps->pixmap().toImage(), open_lamps);
  set(0, false);
  EXPECT_FALSE(led());
  EXPECT_EQ(ui(w).Label_RM->text(), "RM open");
  set(1, true);
  EXPECT_EQ(ui(w).Label_remote_start->text(), "Start armed!");
  set(3, true);
  EXPECT_TRUE(ui(w).Label_GS[2]->isVisibleTo(w.get()));
  EXPECT_FALSE(ui(w).Label_GS[3]->isVisibleTo(w.get()));
}

TEST_F(Kit_Window, TheMouseHoldsTheLedOnUntilReleased) {
  load_with_kit();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  QTest::mousePress(ui(w).Picture_LED, Qt::LeftButton);
  EXPECT_TRUE(led());
  EXPECT_TRUE(w->kit().LED_Pressed());
  QTest::mouseRelease(ui(w).Picture_LED, Qt::LeftButton);
  EXPECT_FALSE(led());
}

TEST_F(Kit_Window, DetachingDisablesStartHeatAndGreysTheLamps) {
  load_with_kit();
  clock.advance(1000);
  set(3, true);
  const QImage lit = ui(w).Picture_lamps->pixmap().toImage();
  kit().Detach();
  ASSERT_TRUE(Run_Events_Until([this] { return !w->heat_session().Kit_Attached(); }));
  EXPECT_FALSE(ui(w).Command_start_heat->isEnabled());
  EXPECT_FALSE(ui(w).Frame_Control_box->isEnabled());
  EXPECT_EQ(ui(w).Label_attached->text(), "Not attached");
  const QImage grey = ui(w).Picture_lamps->pixmap().toImage();
  EXPECT_NE(grey, lit);
  // The camera lamp takes the face colour: no red or green left in it.
  const QColor lens = grey.pixelColor(Control_Box_Layout::Camera[0].center());
  EXPECT_FALSE(lens.red() == 255 && lens.green() == 0) << "still red";
  EXPECT_FALSE(lens.green() == 192 && lens.red() == 0) << "still green";
  kit().Attach();
  ASSERT_TRUE(Run_Events_Until([this] { return w->heat_session().Kit_Attached(); }));
  EXPECT_TRUE(ui(w).Command_start_heat->isEnabled());
}

// Without the kit's library heats are started from the window: "Start heat" stays usable.
TEST_F(Kit_Window, WithoutTheVendorLibraryTheControlBoxSaysSo) {
  load_window();
  EXPECT_FALSE(w->kit().Present());
  EXPECT_TRUE(ui(w).Frame_Control_box->isEnabled());
  EXPECT_TRUE(ui(w).Command_start_heat->isEnabled());
  EXPECT_EQ(ui(w).Label_attached->text(), "No Phidget drivers");
  EXPECT_EQ(ui(w).Label_Phidget_attached->text(), "No Phidget drivers");
  EXPECT_EQ(w->kit().Serial_Number(), 0);
}

} // namespace
