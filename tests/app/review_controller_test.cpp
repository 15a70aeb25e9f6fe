#include "app/form_doravent.h"
#include "app/review_controller.h"
#include "app/set_times_controller.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "mock/window_test.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "recording/video_file_handler.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace review_recordings;

namespace {

const QString Settings = QStringLiteral("Settings");

struct Review_Fixture : Window_Test {
  // The picture opening shows before it moves on to the goal frame.
  struct First_Picture {
    int value = 0;
    QImage picture;
  } first;

  void load(const QString& argument = {}) {
    Form_Doravent::Options options;
    options.command_argument = argument;
    load_window(options);
    QObject::connect(&w->review_session(), &Review_Session::opened, [this] {
      first = {ui(w).Slider_play->value(), ui(w).Picture_out->Picture().copy()};
    });
  }
  QString make(const Spec& spec, const QString& name = QStringLiteral("heat.qn3")) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(Write(path, spec));
    return path;
  }
  QString setting(const QString& key) { return Read_Ini_Value(Settings, key, program().Settings_File_Path, {}); }
};

// Opening brings back the heat, its goal lines and start, sizes the slider, names the file in
// the caption and shows the first field.
TEST_F(Review_Fixture, OpeningShowsTheRecordingAndItsHeat) {
  load();
  Spec spec;
  spec.frames = 4;
  spec.goal_finish = QStringLiteral("30,5,32,40");
  spec.goal_split = QStringLiteral("10,2,12,44");
  spec.start_pc_mill = 98765;
  const QString path = make(spec);
  ASSERT_TRUE(w->review().Handle_Open(path));

  const Main_Window_State& st = w->state();
  EXPECT_TRUE(w->obj_QN3_Handler().File_open());
  EXPECT_TRUE(w->review_session().Field_Mode());
  EXPECT_EQ(ui(w).Slider_play->minimum(), 1);
  EXPECT_EQ(ui(w).Slider_play->maximum(), 8);
  EXPECT_EQ(first.value, 1);
  EXPECT_EQ(w->windowTitle(), "Doravent_HDMI" + path);
  EXPECT_EQ(ui(w).Label_read_framesize->text(), "64*48");
  EXPECT_EQ(ui(w).Text_filename->text(), path);
  EXPECT_EQ(ui(w).Label_heat_num->text(), "7");
  EXPECT_EQ(ui(w).Label_heat_name->text(), "Final");
  EXPECT_EQ(ui(w).Label_event->text(), "Spring Cup");
  EXPECT_EQ(ui(w).Label_event->toolTip(), "Spring Cup");
  EXPECT_EQ(ui(w).Label_heat_length->text(), "480 m");
  EXPECT_EQ(ui(w).Label_filesize->text(), File_Size_Text(1, QFile(path).size(), 1048576));
  EXPECT_EQ(w->review_session().Start_Mill(), 98765);
  EXPECT_EQ(st.Goal_Point_1[1].x, 30);
  EXPECT_EQ(st.Goal_Point_2[1].y, 40);
  EXPECT_EQ(st.Goal_Point_1[2].x, 10);
  EXPECT_EQ(st.Goal_Point_2[2].y, 44);
  EXPECT_EQ(st.Goal_Displacement, 0);
  EXPECT_EQ(setting("last_folder"), dir.path() + "/");
  EXPECT_FALSE(ui(w).Frame_settimes->isHidden());
  EXPECT_TRUE(ui(w).Frame_Control_status->isHidden());
  EXPECT_EQ(ui(w).Frame_settimes->title(), "Set Goal times");
  EXPECT_EQ(ui(w).Cmd_Split->text(), "Split");
  ASSERT_EQ(first.picture.size(), QSize(64, 48));
  EXPECT_GT(Mean_Level(first.picture, 0, 48), 170) << "field 1 shows the bright top lines";
  EXPECT_TRUE(prompts->messages().isEmpty());
  EXPECT_TRUE(errors.reports.empty());
}

// At most 40 frames per second a recording is stepped by fields, above by frames; a tall
// picture is scaled to the screen's limit keeping its shape, a small one keeps its size.
TEST_F(Review_Fixture, SteppingAndPictureSizeFollowTheRecording) {
  load();
  struct Case {
    const char* fps;
    int width, height;
    bool by_fields;
    QSize picture;
  };
  w->state().Max_Picture_Height = 440;
  const Case cases[] = {{"40", 64, 48, true, {64, 48}},
                        {"41", 64, 48, false, {64, 48}},
                        {"25", 400, 880, true, {200, 440}},
                        {"50", 100, 440, false, {100, 440}}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fps);
    Spec spec;
    spec.fps = QString::fromLatin1(c.fps);
    spec.width = c.width;
    spec.height = c.height;
    spec.frames = 3;
    ASSERT_TRUE(w->review().Handle_Open(make(spec, QStringLiteral("h%1.qn3").arg(++n))));
    EXPECT_EQ(w->review_session().Field_Mode(), c.by_fields);
    EXPECT_EQ(ui(w).Slider_play->maximum(), c.by_fields ? 6 : 3);
    EXPECT_EQ(ui(w).Picture_out->size(), c.picture);
    EXPECT_EQ(ui(w).Picture_out->Picture().size(), QSize(c.width, c.height));
  }
}

// Recordings that cannot be reviewed leave the window without a recording and say why.
TEST_F(Review_Fixture, RecordingsThatCannotBeReviewed) {
  load();
  Spec empty;
  empty.frames = 0;
  const QString no_video = make(empty, QStringLiteral("empty.qn3"));
  const QString good = make({}, QStringLiteral("good.qn3"));
  struct Case {
    QString path;
    QString message;
  };
  const Case cases[] = {{no_video, QStringLiteral("No video in this file!")},
                        {dir.filePath(QStringLiteral("missing.qn3")), QStringLiteral("File open failed")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    ASSERT_TRUE(w->review().Handle_Open(good));
    prompts->seen.clear();
    EXPECT_FALSE(w->review().Handle_Open(c.path));
    EXPECT_EQ(prompts->messages(), QStringList{c.message});
    EXPECT_FALSE(w->obj_QN3_Handler().File_open());
    EXPECT_EQ(w->windowTitle(), "Doravent_HDMI");
    EXPECT_TRUE(ui(w).Text_filename->text().isEmpty());
    EXPECT_TRUE(ui(w).Picture_out->Picture().isNull());
  }
}

// Closing clears everything opening showed.
TEST_F(Review_Fixture, CloseResetsTheWindow) {
  load();
  ASSERT_TRUE(w->review().Handle_Open(make({})));
  EXPECT_TRUE(ui(w).Frame_Control_status->isHidden()) << "review hides the camera and heat controls";
  int cleared = 0;
  QObject::connect(&w->review_session(), &Review_Session::closed, [&] { ++cleared; });
  ui(w).Cmd_Split->setText(QStringLiteral("Goal"));
  ui(w).Label_field->setText(QStringLiteral("Field 1"));
  w->item(QStringLiteral("item_close_file"))->trigger();

  EXPECT_FALSE(w->obj_QN3_Handler().File_open());
  for (QLabel* label : {ui(w).Label_read_framesize, ui(w).Label_field, ui(w).Label_filesize})
    EXPECT_TRUE(label->text().isEmpty()) << label->objectName().toStdString();
  EXPECT_TRUE(ui(w).Text_filename->text().isEmpty());
  EXPECT_TRUE(ui(w).Picture_out->Picture().isNull());
  EXPECT_TRUE(ui(w).Frame_settimes->isHidden());
  EXPECT_EQ(ui(w).Cmd_Split->text(), "Split");
  EXPECT_EQ(w->windowTitle(), "Doravent_HDMI");
  EXPECT_FALSE(ui(w).Slider_play->isEnabled());
  EXPECT_EQ(cleared, 1);
  EXPECT_FALSE(w->review().Check_Read_Only()) << "no recording: nothing to refuse";
  EXPECT_FALSE(ui(w).Frame_Control_status->isHidden()) << "the next heat needs them again";
}

TEST_F(Review_Fixture, PropertiesOfTheOpenRecording) {
  load();
  QAction* properties = w->item(QStringLiteral("item_qn3_properties"));
  ASSERT_TRUE(properties->isEnabled());
  properties->trigger();
  EXPECT_EQ(prompts->beeps(), 1) << "no recording open";
  EXPECT_TRUE(prompts->messages().isEmpty());
  const QString path = make({});
  ASSERT_TRUE(w->review().Handle_Open(path));
  properties->trigger();
  ASSERT_EQ(prompts->messages().size(), 1);
  EXPECT_EQ(prompts->messages().at(0), w->obj_QN3_Handler().QN3_Properties());
  EXPECT_TRUE(prompts->messages().at(0).contains(QStringLiteral("Frames : 3")))
      << prompts->messages().at(0).toStdString();
}

// A recording the user may not write opens with "(read-only)" and refuses changes.
TEST_F(Review_Fixture, ReadOnlyRecording) {
  load();
  const QString path = make({});
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  ASSERT_TRUE(w->review().Handle_Open(path));
  EXPECT_EQ(w->windowTitle(), "Doravent_HDMI" + path + "(read-only)");
  EXPECT_TRUE(w->review().Check_Read_Only());
  EXPECT_EQ(prompts->messages(), QStringList{"File is read only!"});

  const QString writable = make({}, QStringLiteral("writable.qn3"));
  ASSERT_TRUE(w->review().Handle_Open(writable));
  EXPECT_EQ(w->windowTitle(), "Doravent_HDMI" + writable);
  EXPECT_FALSE(w->review().Check_Read_Only());
}

// The menu commands: the open dialog starts in the last folder; "Open last heat" opens the
// remembered file or says it is gone.
TEST_F(Review_Fixture, OpenDialogAndLastHeat) {
  load();
  const QString path = make({});
  // Before any recording was opened the dialog starts where the heats are recorded.
  w->item(QStringLiteral("item_open_file"))->trigger();
  EXPECT_EQ(prompts->seen.back().text, w->state().Capture_Folder);
  prompts->seen.clear();
  Write_Ini_Value(Settings, QStringLiteral("last_folder"), QStringLiteral("/srv/heats/"), program().Settings_File_Path);

  w->item(QStringLiteral("item_open_file"))->trigger(); // cancelled
  ASSERT_EQ(prompts->count(Scripted_Prompts::Kind::Open_File), 1);
  EXPECT_EQ(prompts->seen.back().title, "Open");
  EXPECT_EQ(prompts->seen.back().text, "/srv/heats/");
  EXPECT_FALSE(w->obj_QN3_Handler().File_open());

  prompts->texts.push_back(path);
  w->item(QStringLiteral("item_open_file"))->trigger();
  EXPECT_TRUE(w->obj_QN3_Handler().File_open());
  EXPECT_EQ(w->review_session().File_Name(), path);
  w->review().Do_Close();

  prompts->seen.clear();
  Write_Ini_Value(Settings, QStringLiteral("last_file"), dir.filePath(QStringLiteral("gone.qn3")),
                  program().Settings_File_Path);
  w->item(QStringLiteral("item_last_heat"))->trigger();
  EXPECT_EQ(prompts->messages(), QStringList{"No last file found! Try using normal file open."});
  EXPECT_FALSE(w->obj_QN3_Handler().File_open());

  Write_Ini_Value(Settings, QStringLiteral("last_file"), path, program().Settings_File_Path);
  w->item(QStringLiteral("item_last_heat"))->trigger();
  EXPECT_TRUE(w->obj_QN3_Handler().File_open());
  EXPECT_EQ(ui(w).Text_filename->text(), path);
}

// A recording named on the command line is open when start-up ends; a missing one is ignored.
TEST_F(Review_Fixture, CommandLineArgument) {
  const QString path = make({});
  load(QLatin1Char('"') + path + QLatin1Char('"'));
  EXPECT_TRUE(w->obj_QN3_Handler().File_open());
  EXPECT_EQ(ui(w).Text_filename->text(), path);
  w->obj_QN3_Handler().Close_File();
  w.reset();

  load(dir.filePath(QStringLiteral("missing.qn3")));
  EXPECT_FALSE(w->obj_QN3_Handler().File_open());
  EXPECT_TRUE(prompts->messages().isEmpty());
}

// A damaged first frame opens and shows the placeholder instead of failing.
TEST_F(Review_Fixture, DamagedFrameOpensWithThePlaceholder) {
  load();
  Spec spec;
  spec.damaged = {1};
  ASSERT_TRUE(w->review().Handle_Open(make(spec)));
  ASSERT_FALSE(first.picture.isNull());
  EXPECT_EQ(first.picture.pixel(1, 0), qRgb(0, 0, 255));
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
