#include "presentation/simulated_kit_form.h"

#include "kit/simulated_kit.h"
#include "mock/kit_events.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Simulated_Kit_Form_Test : ::testing::Test {
  Kit_Event_Log log;
  Simulated_Kit kit;
  Simulated_Kit_Form form{kit};

  void SetUp() override {
    kit.set_Events(&log);
    QString error;
    ASSERT_TRUE(kit.Open(error));
    kit.Wait_Raised();
    Run_Queued_Events();
    ASSERT_TRUE(kit.IsAttached());
    log.events.clear();
  }
  QColor led_centre() {
    const QImage image = form.Picture_sim_LED->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
  }
};

TEST_F(Simulated_Kit_Form_Test, SwitchesNamedByMeaningDriveTheInputsAsQueuedEvents) {
  const QStringList meanings{QStringLiteral("Start contact"), QStringLiteral("Armed"),
                             QStringLiteral("Remote start"),  QStringLiteral("Goal camera"),
                             QStringLiteral("Split camera"),  QStringLiteral("Camera 3")};
  ASSERT_EQ(Simulated_Kit_Form::Input_Captions(), meanings);
  for (int32_t i = 0; i < Kit_Inputs; ++i) {
    auto* box = form.findChild<QCheckBox*>(QStringLiteral("Check_input_%1").arg(i));
    ASSERT_EQ(box, form.Check_input[static_cast<size_t>(i)]);
    EXPECT_TRUE(box->text().endsWith(meanings[i])) << box->text().toStdString();
  }

  QTest::mouseClick(form.Check_input[1], Qt::LeftButton);
  QTest::mouseClick(form.Check_input[0], Qt::LeftButton);
  QTest::mouseClick(form.Check_input[0], Qt::LeftButton);
  QTest::mouseClick(form.Check_input[4], Qt::LeftButton);
  EXPECT_TRUE(log.events.isEmpty()); // they reach the program through its event loop
  kit.Wait_Raised();
  Run_Queued_Events();
  EXPECT_EQ(log.events, (QStringList{QStringLiteral("input 1 1"), QStringLiteral("input 0 1"),
                                     QStringLiteral("input 0 0"), QStringLiteral("input 4 1")}));
  EXPECT_TRUE(kit.Input(1));
  EXPECT_FALSE(kit.Input(0));
  EXPECT_TRUE(kit.Input(4));
}

TEST_F(Simulated_Kit_Form_Test, TheLedShowsWhatTheProgramSets) {
  EXPECT_FALSE(form.Picture_sim_LED->Lit());
  EXPECT_EQ(led_centre(), QColor(100, 100, 100));
  kit.set_Output(0, true);
  EXPECT_TRUE(form.Picture_sim_LED->Lit());
  EXPECT_EQ(led_centre(), QColor(255, 255, 0));
  kit.set_Output(0, false);
  EXPECT_EQ(led_centre(), QColor(100, 100, 100));
}

TEST_F(Simulated_Kit_Form_Test, DetachAndAttachButtons) {
  EXPECT_EQ(form.Label_sim_attached->text(), QStringLiteral("Attached, serial = %1").arg(Simulated_Kit_Serial));
  EXPECT_FALSE(form.Command_attach->isEnabled());
  kit.set_Output(0, true);

  QTest::mouseClick(form.Command_detach, Qt::LeftButton);
  kit.Wait_Raised();
  Run_Queued_Events();
  EXPECT_EQ(log.events, QStringList{QStringLiteral("detach")});
  EXPECT_EQ(form.Label_sim_attached->text(), QStringLiteral("Not attached"));
  EXPECT_FALSE(form.Command_detach->isEnabled());
  EXPECT_TRUE(form.Command_attach->isEnabled());
  EXPECT_FALSE(form.Picture_sim_LED->Lit()); // a detached kit's LED is dark

  // A switch moved while the kit is unplugged is no event, but is known once it is back.
  QTest::mouseClick(form.Check_input[3], Qt::LeftButton);
  QTest::mouseClick(form.Command_attach, Qt::LeftButton);
  kit.Wait_Raised();
  Run_Queued_Events();
  EXPECT_EQ(log.events, (QStringList{QStringLiteral("detach"), QStringLiteral("attach")}));
  EXPECT_TRUE(kit.Input(3));
  EXPECT_EQ(form.Label_sim_attached->text(), QStringLiteral("Attached, serial = %1").arg(Simulated_Kit_Serial));
}

} // namespace
