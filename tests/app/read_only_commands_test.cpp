// A recording or an event file that may not be written (no write permission for anybody: the
// read-only decision asks the permission bits first, so this holds for root too). Every command
// that would change it refuses with the system's message, reports nothing, and leaves its bytes
// as they were: the box buttons, the Assign times menu, clearing, the results window's renames,
// declaring and reopening, the heat's start and append, and the event window's edits and import.
#include "app/event_controller.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "app/set_times_controller.h"
#include "mock/heat_window.h"
#include "mock/review_recordings.h"
#include "presentation/event_form.h"
#include "presentation/results_form.h"
#include "recording/audit_trail.h"
#include "recording/header_journal.h"
#include "recording/video_file_handler.h"
#include "timing/result_state.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString recording_refusal = QStringLiteral("File is read only!");
const QString results_refusal = QStringLiteral("File is Read Only!\nThis file can't be changed");

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Make_Read_Only(const QString& path) {
  return QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

struct Read_Only_Recording : Window_Test {
  QString path;

  // A fresh recording of the heat, declared when asked, opened read-only for review at picture 2.
  void open(bool declared) {
    path = dir.filePath(QStringLiteral("heat.qn3"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(path);
    review_recordings::Spec spec;
    spec.interlaced = false;
    spec.frames = 6;
    ASSERT_TRUE(review_recordings::Write(path, spec));
    if (declared) {
      cls_VideoFile_handler h;
      ASSERT_TRUE(h.Open_File(path));
      h.XML_Header().set_Dora_Result_State(Result_State_Text(Result_State::Official));
      ASSERT_TRUE(h.Write_XML_Header());
    }
    ASSERT_TRUE(Make_Read_Only(path));
    ASSERT_TRUE(w->review().Handle_Open(path));
    ASSERT_TRUE(w->obj_QN3_Handler().Read_only());
    ui(w).Slider_play->setValue(2);
    w->set_times().Modes().held_box = 2;
    prompts->seen.clear();
  }
};

struct Command {
  const char* name;
  bool declared; // the recording's result is declared before it is made read-only
  std::function<void(Read_Only_Recording&)> run;
  QStringList messages; // what the operator is told, in order
};

void item(Read_Only_Recording& t, const char* name) { t.w->item(QString::fromLatin1(name))->trigger(); }
Form_Dora_Results& results(Read_Only_Recording& t) { return t.w->results().Results_Form(); }

TEST_F(Read_Only_Recording, EveryCommandThatWritesRefusesAndTheBytesStay) {
  load_window();
  std::vector<Command> commands;
  for (int box = 0; box < 6; ++box)
    commands.push_back(
        {"box button",
         false,
         [box](Read_Only_Recording& t) { ui(t.w).Command_BOX_set_time.at(static_cast<size_t>(box))->click(); },
         {recording_refusal}});
  for (const char* assign : {"item_set_time", "item_plus_one_hundredth", "item_set_split",
                             "item_split_plus_one_hundredth", "item_set_notime"})
    commands.push_back({assign, false, [assign](Read_Only_Recording& t) { item(t, assign); }, {recording_refusal}});
  commands.push_back({"item_clear_result",
                      false,
                      [](Read_Only_Recording& t) {
                        t.prompts->answers = {Prompt_Answer::Ok};
                        item(t, "item_clear_result");
                      },
                      {recording_refusal}});
  commands.push_back({"item_clear_all_results (results window)",
                      false,
                      [](Read_Only_Recording& t) {
                        t.prompts->answers = {Prompt_Answer::Ok};
                        results(t).item(QStringLiteral("item_clear_all_results"))->trigger();
                      },
                      {QStringLiteral("Clearing all results, are you sure?"), recording_refusal}});
  commands.push_back(
      {"change dog name", false, [](Read_Only_Recording& t) { results(t).Change_Dog_Name(0); }, {results_refusal}});
  commands.push_back(
      {"change event name", false, [](Read_Only_Recording& t) { results(t).Change_Event_Name(); }, {results_refusal}});
  commands.push_back(
      {"change heat name", false, [](Read_Only_Recording& t) { results(t).Change_Heat_Name(); }, {results_refusal}});
  commands.push_back(
      {"declare official",
       false,
       [](Read_Only_Recording& t) { results(t).item(QStringLiteral("item_declare_official"))->trigger(); },
       {results_refusal}});
  commands.push_back(
      {"declare no race",
       false,
       [](Read_Only_Recording& t) { results(t).item(QStringLiteral("item_declare_no_race"))->trigger(); },
       {results_refusal}});
  commands.push_back({"reopen result",
                      true,
                      [](Read_Only_Recording& t) {
                        t.prompts->texts = {QStringLiteral("photo checked again")};
                        results(t).item(QStringLiteral("item_reopen_result"))->trigger();
                      },
                      {results_refusal}});

  for (const Command& c : commands) {
    SCOPED_TRACE(c.name);
    open(c.declared);
    const QByteArray before = Bytes(path);
    c.run(*this);
    EXPECT_EQ(prompts->messages(), c.messages);
    EXPECT_EQ(prompts->count(Scripted_Prompts::Kind::Input), 0) << "nothing is asked that cannot be stored";
    EXPECT_EQ(Bytes(path), before);
    EXPECT_FALSE(QFile::exists(Audit_Trail_Path(path))) << "no audit entry for a change not made";
    EXPECT_FALSE(QFile::exists(qn3::Journal_Path(path)));
    EXPECT_EQ(w->obj_QN3_Handler().Dora_Heat_time(2, false), 0);
    EXPECT_TRUE(errors.reports.empty()) << errors.reports.front().description.toStdString();
    errors.reports.clear();
    w->review().Do_Close();
  }
}

// Without a time set in this recording there is none to share: the dead heat only beeps.
TEST_F(Read_Only_Recording, DeadHeatWithoutATimeOnlyBeeps) {
  load_window();
  open(false);
  const QByteArray before = Bytes(path);
  item(*this, "item_dead_heat");
  EXPECT_EQ(prompts->beeps(), 1);
  EXPECT_TRUE(prompts->messages().isEmpty());
  EXPECT_EQ(Bytes(path), before);
}

struct Read_Only_Heat : Heat_Window {};

// The heat's own recording made read-only once prepared: the start and the frames are refused
// and reported, the frames stay in memory, the file stays as it was.
TEST_F(Read_Only_Heat, TheStartAndTheAppendAreRefused) {
  load_heat_window();
  start_camera();
  ui(w).Command_initiate_file->click();
  const QString path = w->heat_session().Recording_Path();
  ASSERT_FALSE(path.isEmpty());
  ASSERT_TRUE(Make_Read_Only(path));
  const QByteArray before = Bytes(path);
  prompts->seen.clear();

  ui(w).Command_start_heat->click();
  EXPECT_TRUE(w->heat_session().Running()) << "the heat runs on; its start reaches the file with the next write";
  ASSERT_EQ(errors.reports.size(), 1U);
  EXPECT_TRUE(errors.reports[0].location.startsWith(QStringLiteral("Write_XML_Header of ")))
      << errors.reports[0].location.toStdString();
  EXPECT_EQ(Bytes(path), before);

  errors.reports.clear();
  frames(80);
  w->heat_session().Capture_Start();
  frames(9);
  w->heat_session().Capture_End();
  EXPECT_EQ(held(), 9);
  ASSERT_FALSE(errors.reports.empty());
  EXPECT_EQ(errors.reports[0].description, recording_refusal);
  EXPECT_EQ(prompts->messages(),
            QStringList{"9 frames of this heat could not be appended to its recording. They are kept in memory; "
                        "\"Heat finish\" tries again."});
  EXPECT_EQ(Bytes(path), before);
  EXPECT_FALSE(QFile::exists(qn3::Journal_Path(path)));
}

struct Read_Only_Event : Window_Test {};

// The event file the window holds made read-only: each edit and the import are refused when
// they would reach the file, with the window's message, and its bytes stay.
TEST_F(Read_Only_Event, EveryEditAndTheImportAreRefused) {
  load_window();
  Form_event_registration& events = w->events().Event_Window();
  events.set_Import_Pause_ms(0);
  events.Text_event_name->setText(QStringLiteral("Locked Cup"));
  events.item_create_event_file_Click();
  const QString path = events.Event_File_Path();
  ASSERT_FALSE(path.isEmpty());
  ASSERT_TRUE(Make_Read_Only(path));
  const QByteArray before = Bytes(path);
  const QString refusal = QStringLiteral("Event file is Read-Only!\n") + path;
  const QString import = dir.filePath(QStringLiteral("dogs.txt"));
  {
    QFile text(import);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Start 1\nRex\nAce\n");
  }
  const auto leave = [](QLineEdit* box) {
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(box, &out);
  };
  // The window saves what was typed when it loses the focus of the operating system.
  const auto deactivate = [&events] {
    QEvent change(QEvent::ActivationChange);
    QCoreApplication::sendEvent(&events, &change);
  };
  const struct {
    const char* name;
    std::function<void()> run;
  } commands[] = {
      {"same event created again",
       [&] { prompts->answers = {Prompt_Answer::Yes}, events.item_create_event_file_Click(); }},
      {"event name typed", [&] { events.Text_event_name->setText(QStringLiteral("Renamed")), deactivate(); }},
      {"heat name typed",
       [&] { events.Text_heat_name->setText(QStringLiteral("Final")), leave(events.Text_heat_name); }},
      {"dog name typed",
       [&] { events.Text_dog_name[0]->setText(QStringLiteral("Rex")), leave(events.Text_dog_name[0]); }},
      {"heat stepped down", [&] { events.UpDown_heat->setValue(2), events.UpDown_heat->setValue(1); }},
      {"import dog names", [&] { prompts->texts = {import}, events.item_import_dogs_Click(); }},
      {"window closed", [&] { events.close(); }},
      {"event file closed", [&] { events.item_close_event_file_Click(); }},
  };
  for (const auto& c : commands) {
    SCOPED_TRACE(c.name);
    prompts->seen.clear();
    c.run();
    EXPECT_EQ(prompts->messages(), QStringList{refusal});
    EXPECT_EQ(Bytes(path), before);
  }
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace
