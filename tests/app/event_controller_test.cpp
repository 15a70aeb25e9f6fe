// The main window's event commands: the event window behind them and the heat fields they fill.
#include "app/event_controller.h"

#include "app/form_doravent.h"
#include "app/review_controller.h"
#include "metadata/xml_header.h"
#include "mock/main_controls.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "presentation/event_form.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"

#include <QAction>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Event_Commands : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = dir.filePath(QStringLiteral("Doravent_HDMI.ini"));
    program().Event_Files_Folder = dir.filePath(QStringLiteral("Doravent Event Files")) + QLatin1Char('/');
  }

  // An event file of heats 3 (480 m) and 4 (no length) with a dog in every box.
  QString make_event_file() {
    auto events = std::make_unique<Form_event_registration>();
    events->Form_Load();
    events->Text_event_name->setText(QStringLiteral("Derby"));
    events->Text_day->setText(QStringLiteral("2017-10-08"));
    events->item_create_event_file_Click();
    for (int heat : {3, 4}) {
      events->UpDown_heat->setValue(heat);
      events->Text_heat_name->setText(QStringLiteral("Heat name %1").arg(heat));
      Q_EMIT events->Text_heat_name->editingFinished();
      events->Text_heat_length->setText(heat == 3 ? QStringLiteral("480") : QString());
      Q_EMIT events->Text_heat_length->editingFinished();
      for (int box = 1; box <= 6; ++box)
        events->Text_dog_name.at(static_cast<size_t>(box - 1))->setText(QStringLiteral("Dog %1-%2").arg(heat).arg(box));
    }
    const QString path = events->Event_File_Path();
    events->close();
    return path;
  }

  QString locations() const {
    QStringList out;
    for (const auto& r : errors.reports)
      out << r.location;
    return out.join('|');
  }
};

} // namespace

TEST_F(Event_Commands, MainWindowCommandsFollowTheEventFile) {
  QString path;
  {
    auto w = std::make_unique<Form_event_registration>();
    w->Form_Load();
    w->Text_event_name->setText(QStringLiteral("Derby"));
    w->Text_day->setText(QStringLiteral("Sat"));
    w->item_create_event_file_Click();
    path = w->Event_File_Path();
    w->UpDown_heat->setValue(2);
    w->Text_heat_name->setText(QStringLiteral("Final"));
    Q_EMIT w->Text_heat_name->editingFinished();
    w->Text_dog_name[0]->setText(QStringLiteral("Rex"));
    w->close();
  }
  program().Settings_File_Path.clear(); // start-up builds its own in the data folder
  Form_Doravent::Options o;
  o.end_program = [](int) {};
  Form_Doravent main(o);
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("current_event_file"), path,
                  Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini"));
  ASSERT_TRUE(main.Form_Load());
  Form_event_registration& events = main.events().Event_Window();
  EXPECT_FALSE(events.isVisible());
  EXPECT_FALSE(events.Picture_box[5]->pixmap().isNull()) << "box colours not painted";
  EXPECT_TRUE(main.events().Event_File_Open());
  EXPECT_EQ(ui(main).Label_event->text(), QStringLiteral("Derby"));
  for (const char* name : {"item_event_registration", "item_open_event_file", "item_No_event_file"})
    EXPECT_TRUE(main.item(QString::fromLatin1(name))->isEnabled()) << name;

  main.item(QStringLiteral("item_event_registration"))->trigger();
  EXPECT_TRUE(events.isVisible());

  main.item(QStringLiteral("item_No_event_file"))->trigger();
  EXPECT_FALSE(main.events().Event_File_Open());
  EXPECT_EQ(events.Label_event_file->text(), QStringLiteral("No event file"));
  EXPECT_EQ(Read_Ini_Value(QStringLiteral("Settings"), QStringLiteral("current_event_file"),
                           program().Settings_File_Path, {}),
            QStringLiteral("N/A"));
  EXPECT_EQ(ui(main).Label_event->text(), QStringLiteral("Test"));

  ui(main).UpDown_heat->setValue(2);
  prompts->texts = {path};
  main.item(QStringLiteral("item_open_event_file"))->trigger();
  EXPECT_TRUE(main.events().Event_File_Open());
  EXPECT_EQ(ui(main).Label_event->text(), QStringLiteral("Derby"));
  EXPECT_EQ(ui(main).Label_heat_name->text(), QStringLiteral("Final"));
  EXPECT_EQ(ui(main).Label_dog[0]->text(), QStringLiteral("Rex"));
  EXPECT_TRUE(errors.reports.empty()) << locations().toStdString();
  main.Doravent_End();
}

TEST_F(Event_Commands, HeatDataFollowsTheEventFile) {
  const QString path = make_event_file();
  program().Settings_File_Path.clear(); // start-up builds its own in the data folder
  Form_Doravent::Options o;
  o.end_program = [](int) {};
  Form_Doravent main(o);
  main.review().set_Open_Wait_Ms(0);
  ASSERT_TRUE(main.Form_Load());

  // Without an event file in use the fields show the test heat.
  main.events().Display_Heat_Data();
  EXPECT_EQ(ui(main).Label_heat_name->text(), "Test");
  EXPECT_EQ(ui(main).Label_event->text(), "Test");
  EXPECT_EQ(ui(main).Label_heat_length->text(), "");

  prompts->texts = {path};
  main.item(QStringLiteral("item_open_event_file"))->trigger();
  ASSERT_TRUE(main.events().Event_File_Open());
  ui(main).Frame_dogs_Heat->hide();
  ui(main).UpDown_heat->setValue(3);
  EXPECT_TRUE(ui(main).Frame_dogs_Heat->isVisibleTo(&main));
  EXPECT_TRUE(ui(main).Frame_heat->isVisibleTo(&main));
  EXPECT_EQ(ui(main).Label_event_file->text(), QFileInfo(path).fileName());
  EXPECT_EQ(ui(main).Label_heat_number2->text(), "3");
  EXPECT_EQ(ui(main).Label_heat_name2->text(), "Heat name 3");
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(ui(main).Label_dog.at(static_cast<std::size_t>(i))->text(), QStringLiteral("Dog 3-%1").arg(i + 1));
  EXPECT_EQ(ui(main).Label_heat_num->text(), "3");
  EXPECT_EQ(ui(main).Label_heat_name->toolTip(), "Heat name 3");
  EXPECT_EQ(ui(main).Label_event->toolTip(), "Derby");
  EXPECT_EQ(ui(main).Label_day->text(), "2017-10-08");
  EXPECT_EQ(ui(main).Label_heat_length->text(), "480 m");
  ui(main).UpDown_heat->setValue(4);
  EXPECT_EQ(ui(main).Label_heat_length->text(), "");

  // The selected heat's dog names are those the next recording is prepared with.
  EXPECT_EQ(main.heat_session().Next_Heat().dog_names.at(0), "Dog 4-1");
  EXPECT_EQ(main.heat_session().Next_Heat().dog_names.at(5), "Dog 4-6");

  // While a recording is under review the heat selection leaves the fields alone.
  QTemporaryDir recordings;
  const QString heat = recordings.filePath(QStringLiteral("heat.qn3"));
  ASSERT_TRUE(review_recordings::Write(heat, review_recordings::Spec{}));
  ASSERT_TRUE(main.review().Handle_Open(heat));
  ui(main).UpDown_heat->setValue(5);
  EXPECT_EQ(ui(main).Label_dog.at(0)->text(), "Dog 4-1");
  EXPECT_TRUE(errors.reports.empty()) << locations().toStdString();
  main.obj_QN3_Handler().Close_File();
  main.Doravent_End();
}

// Started with an event file and a stored heat other than 1, the window shows that heat's own
// name, length and dogs at once; while a recording is under review the up-down selects nothing
// and the stored heat stays.
TEST_F(Event_Commands, TheStoredHeatIsShownAtStartAndKeptDuringReview) {
  const QString path = make_event_file();
  program().Settings_File_Path.clear();
  const QString settings = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("current_event_file"), path, settings);
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("Heat_ID"), QStringLiteral("4"), settings);
  Form_Doravent::Options o;
  o.end_program = [](int) {};
  Form_Doravent main(o);
  main.review().set_Open_Wait_Ms(0);
  ASSERT_TRUE(main.Form_Load());
  EXPECT_EQ(ui(main).UpDown_heat->value(), 4);
  EXPECT_EQ(ui(main).Label_heat_num->text(), "4");
  EXPECT_EQ(ui(main).Label_heat_name->text(), "Heat name 4");
  EXPECT_EQ(ui(main).Label_dog.at(0)->text(), "Dog 4-1");

  ui(main).UpDown_heat->setValue(3);
  EXPECT_EQ(Read_Ini_Value(QStringLiteral("Settings"), QStringLiteral("Heat_ID"), settings, {}), "3");

  QTemporaryDir recordings;
  const QString heat = recordings.filePath(QStringLiteral("heat.qn3"));
  ASSERT_TRUE(review_recordings::Write(heat, review_recordings::Spec{}));
  ASSERT_TRUE(main.review().Handle_Open(heat));
  ui(main).UpDown_heat->setValue(5);
  EXPECT_EQ(Read_Ini_Value(QStringLiteral("Settings"), QStringLiteral("Heat_ID"), settings, {}), "3");
  EXPECT_EQ(ui(main).Label_heat_num->text(), "7") << "the recording's own heat stays shown";
  EXPECT_TRUE(errors.reports.empty()) << locations().toStdString();
  main.obj_QN3_Handler().Close_File();
  main.Doravent_End();
}
