#include "kit/phidget_kit.h"

#include "mock/fake_phidget22/fake_phidget22.h"
#include "mock/kit_events.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QString Fake_Library = QStringLiteral(FAKE_PHIDGET22_PATH);

// The test's hand on the fake library: the same loaded instance the kit uses.
struct Fake_Device {
  void (*reset)() = nullptr;
  void (*plug)(int) = nullptr;
  void (*unplug)() = nullptr;
  void (*set_input)(int, int) = nullptr;
  int (*output)(int) = nullptr;
  int (*live_channels)() = nullptr;
  int (*open_channels)() = nullptr;
  void (*fail_next_open)(int) = nullptr;

  Fake_Device() {
    void* handle = ::dlopen(FAKE_PHIDGET22_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) throw std::runtime_error(::dlerror());
    void** slots[] = {reinterpret_cast<void**>(&reset),         reinterpret_cast<void**>(&plug),
                      reinterpret_cast<void**>(&unplug),        reinterpret_cast<void**>(&set_input),
                      reinterpret_cast<void**>(&output),        reinterpret_cast<void**>(&live_channels),
                      reinterpret_cast<void**>(&open_channels), reinterpret_cast<void**>(&fail_next_open)};
    size_t i = 0;
    for (const char* name : Fake_Phidget22_Functions) {
      *slots[i++] = ::dlsym(handle, name);
      if (!*slots[i - 1]) throw std::runtime_error(name);
    }
    reset();
  }
};

struct Phidget_Kit_Test : ::testing::Test {
  Fake_Device device;
  Kit_Event_Log log;
  std::unique_ptr<Interface_Kit> kit;

  void SetUp() override {
    QString error;
    kit = Create_Phidget_Kit(error, Fake_Library);
    ASSERT_TRUE(kit) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    kit->set_Events(&log);
  }
  void TearDown() override {
    kit.reset();
    // Every channel the kit made is gone with it.
    EXPECT_EQ(device.live_channels(), 0);
  }

  void open_and_attach(int serial = 4711) {
    QString error;
    ASSERT_TRUE(kit->Open(error)) << error.toStdString();
    device.plug(serial);
    ASSERT_TRUE(Run_Events_Until([&] { return kit->IsAttached(); }));
  }
};

TEST_F(Phidget_Kit_Test, AttachFromTheLibraryThreadArrivesQueuedWithTheIdentification) {
  QString error;
  ASSERT_TRUE(kit->Open(error)) << error.toStdString();
  EXPECT_EQ(device.open_channels(), Kit_Inputs + Kit_Outputs);
  EXPECT_FALSE(kit->IsAttached());
  EXPECT_EQ(kit->SerialNumber(), 0);

  device.plug(4711);
  // The library's thread has made its calls; nothing reaches the program before its loop runs.
  EXPECT_TRUE(log.events.isEmpty());
  EXPECT_FALSE(kit->IsAttached());

  ASSERT_TRUE(Run_Events_Until([&] { return !log.events.isEmpty(); }));
  Run_Queued_Events();
  EXPECT_EQ(log.events, QStringList{QStringLiteral("attach")});
  EXPECT_TRUE(log.all_on_loop_thread);
  EXPECT_TRUE(kit->IsAttached());
  EXPECT_EQ(kit->SerialNumber(), 4711);
  EXPECT_EQ(kit->DeviceName(), QStringLiteral("Fake interface kit 8/8/8"));
  EXPECT_EQ(kit->DeviceVersion(), QStringLiteral("906"));
  EXPECT_EQ(kit->LibraryVersion(), QStringLiteral("Fake kit library 22.1"));

  device.unplug();
  ASSERT_TRUE(Run_Events_Until([&] { return !kit->IsAttached(); }));
  Run_Queued_Events();
  EXPECT_EQ(log.events, (QStringList{QStringLiteral("attach"), QStringLiteral("detach")}));
  EXPECT_EQ(kit->SerialNumber(), 0);
  EXPECT_TRUE(log.all_on_loop_thread);
}

TEST_F(Phidget_Kit_Test, InputChangesCarryIndexAndStateOnlyWhenTheyChange) {
  open_and_attach();
  Run_Queued_Events();
  log.events.clear();
  struct Case {
    int index;
    int state;
    const char* expected; // nullptr: no event
  };
  const Case cases[] = {
      {3, 1, "input 3 1"}, {3, 0, "input 3 0"}, {0, 1, "input 0 1"},
      {5, 1, "input 5 1"}, {5, 1, nullptr},     {6, 1, nullptr}, // not one of the kit's inputs
      {2, 1, "input 2 1"}, {1, 1, "input 1 1"}, {0, 0, "input 0 0"},
  };
  QStringList expected;
  for (const Case& c : cases) {
    device.set_input(c.index, c.state);
    if (c.expected) expected << QString::fromLatin1(c.expected);
  }
  EXPECT_TRUE(Run_Events_Until([&] { return log.events.size() >= expected.size(); }));
  Run_Queued_Events();
  EXPECT_EQ(log.events, expected);
  EXPECT_TRUE(log.all_on_loop_thread);
  const bool final_states[Kit_Inputs] = {false, true, true, false, false, true};
  for (int32_t i = 0; i < Kit_Inputs; ++i)
    EXPECT_EQ(kit->Input(i), final_states[i]) << i;
  EXPECT_FALSE(kit->Input(-1));
  EXPECT_FALSE(kit->Input(Kit_Inputs));
}

TEST_F(Phidget_Kit_Test, InputsClosedBeforeAttachingAreKnownWithoutEvents) {
  device.set_input(1, 1);
  device.set_input(4, 1);
  open_and_attach();
  Run_Queued_Events();
  EXPECT_EQ(log.events, QStringList{QStringLiteral("attach")});
  EXPECT_TRUE(kit->Input(1));
  EXPECT_TRUE(kit->Input(4));
  EXPECT_FALSE(kit->Input(0));

  device.unplug();
  ASSERT_TRUE(Run_Events_Until([&] { return !kit->IsAttached(); }));
  EXPECT_FALSE(kit->Input(1)); // nothing is known of a detached kit
}

TEST_F(Phidget_Kit_Test, OpeningWithTheKitPluggedInAttaches) {
  device.plug(99);
  QString error;
  ASSERT_TRUE(kit->Open(error));
  ASSERT_TRUE(Run_Events_Until([&] { return kit->IsAttached(); }));
  EXPECT_EQ(kit->SerialNumber(), 99);
  EXPECT_EQ(log.events, QStringList{QStringLiteral("attach")});
}

TEST_F(Phidget_Kit_Test, OutputZeroIsSetAndReadBackOnlyWhileAttached) {
  QString error;
  ASSERT_TRUE(kit->Open(error));
  kit->set_Output(0, true); // not attached yet
  EXPECT_EQ(device.output(0), 0);
  EXPECT_FALSE(kit->Output(0));

  device.plug(1);
  ASSERT_TRUE(Run_Events_Until([&] { return kit->IsAttached(); }));
  kit->set_Output(0, true);
  EXPECT_EQ(device.output(0), 1);
  EXPECT_TRUE(kit->Output(0));
  kit->set_Output(1, true); // the kit has one output of ours
  EXPECT_EQ(device.output(1), 0);
  EXPECT_FALSE(kit->Output(1));
  kit->set_Output(0, false);
  EXPECT_EQ(device.output(0), 0);
  EXPECT_FALSE(kit->Output(0));
}

TEST_F(Phidget_Kit_Test, EventsQueuedBeforeCloseNeverArrive) {
  open_and_attach();
  Run_Queued_Events();
  log.events.clear();
  device.set_input(3, 1);
  device.unplug();
  kit->Close();
  Run_Queued_Events();
  EXPECT_TRUE(log.events.isEmpty());
  EXPECT_FALSE(kit->IsAttached());
  EXPECT_EQ(device.live_channels(), 0);

  // Opened again, the kit works as new.
  QString error;
  ASSERT_TRUE(kit->Open(error));
  device.plug(5);
  ASSERT_TRUE(Run_Events_Until([&] { return kit->IsAttached(); }));
  EXPECT_TRUE(kit->Input(3));
  EXPECT_EQ(kit->SerialNumber(), 5);
}

TEST_F(Phidget_Kit_Test, RefusedOpenGivesTheLibrarysReasonAndLeavesNothingOpen) {
  device.fail_next_open(17);
  QString error;
  EXPECT_FALSE(kit->Open(error));
  EXPECT_TRUE(error.contains(QStringLiteral("Wrong Device"))) << error.toStdString();
  EXPECT_EQ(device.live_channels(), 0);
  device.plug(1);
  Run_Queued_Events();
  EXPECT_TRUE(log.events.isEmpty());
}

TEST(Phidget_Library, MissingLibraryOrFunctionGivesNoKitAndTheReason) {
  struct Case {
    QString file;
    QString reason;
  };
  const Case cases[] = {
      {QStringLiteral(FAKE_PHIDGET22_INCOMPLETE_PATH), QStringLiteral("PhidgetDigitalOutput_setState")},
      {QStringLiteral("/nonexistent/libphidget22.so.0"), QStringLiteral("/nonexistent/libphidget22.so.0")},
  };
  for (const Case& c : cases) {
    QString error;
    EXPECT_EQ(Create_Phidget_Kit(error, c.file), nullptr) << c.file.toStdString();
    EXPECT_TRUE(error.contains(c.reason)) << error.toStdString();
    const Kit_Library_Check check = Check_For_Phidget(c.file);
    EXPECT_FALSE(check.present);
    EXPECT_TRUE(check.error.contains(c.reason)) << check.error.toStdString();
    EXPECT_TRUE(check.version.isEmpty());
  }
  const Kit_Library_Check check = Check_For_Phidget(Fake_Library);
  EXPECT_TRUE(check.present) << check.error.toStdString();
  EXPECT_EQ(check.version, QStringLiteral("Fake kit library 22.1"));
}

} // namespace
