#include "presentation/event_form.h"

#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "presentation/event_print.h"
#include "presentation/printer_select.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

using Kind = Scripted_Prompts::Kind;

QByteArray read_file(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write_file(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

struct Event_Window : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  QString folder;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = dir.filePath(QStringLiteral("Doravent_HDMI.ini"));
    // The temporary folder's name holds a '-': it must survive the file-name replacements.
    folder = dir.filePath(QStringLiteral("Doravent Event Files")) + QLatin1Char('/');
    program().Event_Files_Folder = folder;
  }

  static std::unique_ptr<Form_event_registration> make() {
    auto w = std::make_unique<Form_event_registration>();
    w->set_Import_Pause_ms(0);
    w->Form_Load();
    return w;
  }

  static QString create(Form_event_registration& w, const QString& name, const QString& day) {
    w.Text_event_name->setText(name);
    w.Text_day->setText(day);
    w.item_create_event_file_Click();
    return w.Event_File_Path();
  }

  QString setting(const QString& key) const {
    return Read_Ini_Value(QStringLiteral("Settings"), key, program().Settings_File_Path, {});
  }

  QString import_file(const QByteArray& text) {
    const QString path = dir.filePath(QStringLiteral("dogs.txt"));
    write_file(path, text);
    return path;
  }

  QStringList locations() const {
    QStringList out;
    for (const auto& r : errors.reports)
      out << r.location;
    return out;
  }
};

} // namespace

TEST_F(Event_Window, CreatesTheEventFileFromNameAndDay) {
  auto w = make();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Doravent event registration"));
  EXPECT_EQ(w->Label_event_file->text(), QStringLiteral("No event file"));
  w->item_create_event_file_Click();
  EXPECT_EQ(prompts->messages(),
            QStringList{QStringLiteral("Please enter Event Name before creating the event file!")});
  EXPECT_FALSE(QDir(folder).exists());

  const QString path = create(*w, QStringLiteral("Derby"), QStringLiteral("2017-10-08"));
  EXPECT_EQ(path, folder + QStringLiteral("Derby2017_10_08.xml"));
  EXPECT_TRUE(w->Event_File_Open());
  EXPECT_TRUE(w->Editing());
  EXPECT_EQ(setting(QStringLiteral("current_event_file")), path);
  EXPECT_EQ(w->Event_name(), QStringLiteral("Derby"));
  EXPECT_EQ(w->Get_day(), QStringLiteral("2017-10-08"));
  EXPECT_EQ(w->Frame_heat->title(), QStringLiteral("Heat 1"));
  const QByteArray bytes = read_file(path);
  EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<Doravent_event_file><!--"));
  EXPECT_TRUE(bytes.contains("<event_name>Derby</event_name>\r\n<event_date/>\r\n<event_day>2017-10-08</event_day>"));
  EXPECT_EQ(bytes.count("<box id="), 800);
  EXPECT_TRUE(errors.reports.empty()) << locations().join('|').toStdString();
}

TEST_F(Event_Window, OverwriteQuestionNoKeepsTheOldFileAndYesReplacesIt) {
  auto w = make();
  const QString path = create(*w, QStringLiteral("Cup"), QStringLiteral("Sun"));
  w->Text_dog_name[0]->setText(QStringLiteral("Old Rex"));
  w->XML_to_File();
  const QByteArray kept = read_file(path);
  ASSERT_TRUE(kept.contains("Old Rex"));

  prompts->seen.clear();
  prompts->answers = {Prompt_Answer::No};
  w->item_create_event_file_Click();
  ASSERT_EQ(prompts->seen.size(), 1u);
  EXPECT_EQ(prompts->seen[0].text, QStringLiteral("This event file already exists. Overwrite?\n") + path);
  EXPECT_EQ(prompts->seen[0].buttons, Prompt_Buttons::YesNo);
  EXPECT_EQ(read_file(path), kept);
  EXPECT_EQ(w->Reg_Dog_Name(1, 1), QStringLiteral("Old Rex"));

  prompts->answers = {Prompt_Answer::Yes};
  w->item_create_event_file_Click();
  EXPECT_FALSE(read_file(path).contains("Old Rex"));
  EXPECT_EQ(w->Reg_Dog_Name(1, 1), QString());
  EXPECT_EQ(w->Text_dog_name[0]->text(), QString());
}

// A new event file while one is open: the name and day typed for it never reach the open file,
// whose other edits are kept.
TEST_F(Event_Window, ANewEventFileLeavesTheOpenOnesNameAndDay) {
  auto w = make();
  const QString first = create(*w, QStringLiteral("Cup"), QStringLiteral("Sun"));
  w->Text_dog_name[0]->setText(QStringLiteral("Rex"));
  const QString second = create(*w, QStringLiteral("Derby"), QStringLiteral("Mon"));
  ASSERT_NE(first, second);
  const QByteArray kept = read_file(first);
  EXPECT_TRUE(kept.contains("<event_name>Cup</event_name>")) << kept.left(400).toStdString();
  EXPECT_TRUE(kept.contains("<event_day>Sun</event_day>"));
  EXPECT_TRUE(kept.contains("Rex"));
  EXPECT_TRUE(read_file(second).contains("<event_name>Derby</event_name>"));
  EXPECT_EQ(w->Event_name(), QStringLiteral("Derby"));
}

TEST_F(Event_Window, EditsSaveAndReopenWithAccentedNames) {
  QString path;
  {
    auto w = make();
    path = create(*w, QStringLiteral("Gro\u00dfer Preis"), QStringLiteral("Sonntag"));
    w->UpDown_heat->setValue(7);
    EXPECT_EQ(w->Frame_heat->title(), QStringLiteral("Heat 7"));
    w->Text_dog_name[2]->setText(QStringLiteral("R\u00e9my & <Co>"));
    w->Text_heat_name->setText(QStringLiteral("Fin\u00e4le"));
    Q_EMIT w->Text_heat_name->editingFinished();
    w->Text_heat_length->setText(QStringLiteral("480"));
    Q_EMIT w->Text_heat_length->editingFinished();
    w->Text_heat_time->setText(QStringLiteral("14:05"));
    Q_EMIT w->Text_heat_time->editingFinished();
    w->close(); // closing saves
  }
  const QByteArray bytes = read_file(path);
  EXPECT_TRUE(bytes.contains("<dog_name>R\xe9my &amp; &lt;Co&gt;</dog_name>"));
  EXPECT_TRUE(bytes.contains("<event_name>Gro\xdf"
                             "er Preis</event_name>"));

  // A new window finds the file through the settings, at heat 1.
  auto again = make();
  EXPECT_EQ(again->Event_File_Path(), path);
  EXPECT_EQ(again->Text_event_name->text(), QStringLiteral("Gro\u00dfer Preis"));
  EXPECT_EQ(again->Text_day->text(), QStringLiteral("Sonntag"));
  EXPECT_EQ(again->Current_Heat(), 1);
  EXPECT_EQ(again->Heat_Name(7), QStringLiteral("Fin\u00e4le"));
  EXPECT_EQ(again->Heat_Length(7), QStringLiteral("480"));
  EXPECT_EQ(again->Reg_Dog_Name(7, 3), QStringLiteral("R\u00e9my & <Co>"));
  again->UpDown_heat->setValue(7);
  EXPECT_EQ(again->Text_heat_time->text(), QStringLiteral("14:05"));
  EXPECT_EQ(again->Text_dog_name[2]->text(), QStringLiteral("R\u00e9my & <Co>"));
  // Another heat shows its own (empty) length, not the one shown before.
  again->UpDown_heat->setValue(8);
  EXPECT_EQ(again->Text_heat_length->text(), QString());
  EXPECT_TRUE(errors.reports.empty()) << locations().join('|').toStdString();
}

TEST_F(Event_Window, OpenAsksWithTitleAndFilterAndRefusesBadFiles) {
  auto w = make();
  const QString good = create(*w, QStringLiteral("Good"), {});
  w->Text_dog_name[0]->setText(QStringLiteral("Rex"));
  w->XML_to_File();
  const QString empty = dir.filePath(QStringLiteral("empty.xml"));
  const QString broken = dir.filePath(QStringLiteral("broken.xml"));
  const QByteArray broken_bytes = "<?xml version=\"1.0\"?>\r\n<Doravent_event_file><event_name>x</event_nam>";
  write_file(empty, {});
  write_file(broken, broken_bytes);

  prompts->seen.clear();
  prompts->texts = {empty};
  w->item_open_event_file_Click();
  ASSERT_GE(prompts->seen.size(), 2u);
  EXPECT_EQ(prompts->seen[0].kind, Kind::Open_File);
  EXPECT_EQ(prompts->seen[0].title, QStringLiteral("Chose event file"));
  EXPECT_EQ(prompts->filters.back(), QStringLiteral("xml Files (*.xml)|*.xml"));
  EXPECT_EQ(prompts->seen[0].text, folder);
  EXPECT_EQ(prompts->messages().last(), QStringLiteral("Invalid Event File! ") + empty);

  prompts->texts = {broken};
  w->item_open_event_file_Click();
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_EQ(errors.reports[0].location, QStringLiteral("Parse_XML_file of Form Form_event_registration"));
  const QString other = dir.filePath(QStringLiteral("other.xml"));
  write_file(other, "<?xml version=\"1.0\"?>\r\n<QNV_header><dog_name>x</dog_name></QNV_header>\r\n");
  prompts->texts = {other};
  w->item_open_event_file_Click();
  ASSERT_EQ(errors.reports.size(), 2u);
  EXPECT_EQ(errors.reports[1].location, QStringLiteral("Parse_XML_file of Form Form_event_registration"));
  // Neither file was taken: the event in use stays, and saving touches only its own file.
  EXPECT_EQ(w->Event_File_Path(), good);
  EXPECT_TRUE(w->Event_File_Open());
  EXPECT_EQ(w->Reg_Dog_Name(1, 1), QStringLiteral("Rex"));
  EXPECT_EQ(setting(QStringLiteral("current_event_file")), good);
  w->XML_to_File();
  w->close();
  EXPECT_EQ(read_file(broken), broken_bytes);
  EXPECT_TRUE(read_file(empty).isEmpty());

  // Stored at start, the broken file is reported and nothing is in use.
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("current_event_file"), broken,
                  program().Settings_File_Path);
  auto fresh = make();
  EXPECT_EQ(errors.reports.size(), 3u);
  EXPECT_FALSE(fresh->Event_File_Open());
  EXPECT_TRUE(fresh->Event_File_Path().isEmpty());
  fresh->close();
  EXPECT_EQ(read_file(broken), broken_bytes);
}

TEST_F(Event_Window, StoredFileThatIsGoneIsForgotten) {
  const QString gone = dir.filePath(QStringLiteral("gone.xml"));
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("current_event_file"), gone, program().Settings_File_Path);
  auto w = make();
  EXPECT_EQ(prompts->messages(), QStringList{gone + QStringLiteral("\nStored Event File name not found!")});
  EXPECT_EQ(setting(QStringLiteral("current_event_file")), QStringLiteral("N/A"));
  EXPECT_FALSE(w->Event_File_Open());
  EXPECT_EQ(w->Event_name(), QString());
  EXPECT_EQ(w->Heat_Name(1), QString());
  EXPECT_EQ(w->Heat_Length(1), QString());
  EXPECT_EQ(w->Reg_Dog_Name(1, 1), QString());
}

TEST_F(Event_Window, WithoutAFileTypingAndArrowsOnlyBeep) {
  auto w = make();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  QTest::keyClicks(w->Text_dog_name[0], QStringLiteral("ab"));
  QTest::keyClicks(w->Text_heat_time, QStringLiteral("1"));
  EXPECT_EQ(prompts->beeps(), 3);
  EXPECT_TRUE(w->Text_dog_name[0]->text().isEmpty());
  w->UpDown_heat->stepBy(1);
  EXPECT_EQ(prompts->beeps(), 4);
  EXPECT_EQ(w->UpDown_heat->value(), 1);
  // The event name and day are typed freely: creating needs them.
  QTest::keyClicks(w->Text_event_name, QStringLiteral("Open"));
  EXPECT_EQ(w->Text_event_name->text(), QStringLiteral("Open"));
  EXPECT_EQ(prompts->beeps(), 4);

  // Closing the file stops editing again.
  const QString path = create(*w, QStringLiteral("Open"), {});
  QTest::keyClicks(w->Text_dog_name[0], QStringLiteral("Rex"));
  EXPECT_EQ(w->Reg_Dog_Name(1, 1), QStringLiteral("Rex"));
  w->item_close_event_file_Click();
  EXPECT_EQ(w->Label_event_file->text(), QStringLiteral("No event file"));
  EXPECT_TRUE(w->Text_event_name->text().isEmpty());
  EXPECT_TRUE(w->Text_dog_name[0]->text().isEmpty());
  EXPECT_EQ(setting(QStringLiteral("current_event_file")), QStringLiteral("N/A"));
  EXPECT_TRUE(read_file(path).contains("<dog_name>Rex</dog_name>")); // saved before closing
  const int beeps = prompts->beeps();
  QTest::keyClicks(w->Text_dog_name[0], QStringLiteral("x"));
  EXPECT_EQ(prompts->beeps(), beeps + 1);
}

// The menus are off while the import pauses between names; an event file opened meanwhile all
// the same gets none of the names meant for the first.
TEST_F(Event_Window, AnImportNeverFillsAnotherEventFile) {
  auto w = make();
  const QString other = create(*w, QStringLiteral("Other"), {});
  const QString first = create(*w, QStringLiteral("First"), {});
  w->set_Import_Pause_ms(1);
  bool menus_on = true;
  QTimer::singleShot(0, w.get(), [&] {
    menus_on = w->menuBar()->isEnabled();
    prompts->texts.push_back(other);
    w->findChild<QAction*>(QStringLiteral("item_open_event_file"))->trigger();
  });
  prompts->texts = {import_file("Start 1\nRex\nMax\nAce\n")};
  prompts->seen.clear();
  w->item_import_dogs_Click();
  EXPECT_FALSE(menus_on);
  EXPECT_TRUE(w->menuBar()->isEnabled());
  EXPECT_EQ(w->Event_File_Path(), other);
  w->XML_to_File();
  const QByteArray other_bytes = read_file(other);
  for (const char* name : {"Rex", "Max", "Ace"})
    EXPECT_FALSE(other_bytes.contains(name)) << name;
  EXPECT_TRUE(
      prompts->messages().contains(QStringLiteral("The import stopped: another event file was opened.\n") + first))
      << prompts->messages().join('|').toStdString();
}

TEST_F(Event_Window, ImportsDogNamesWithEveryMessage) {
  auto w = make();
  w->item_import_dogs_Click();
  EXPECT_EQ(prompts->messages(), QStringList{QStringLiteral("Import not possible\nNo valid Event File open!")});
  EXPECT_EQ(prompts->count(Kind::Open_File), 0);

  create(*w, QStringLiteral("Import"), {});
  w->UpDown_heat->setValue(3);
  w->Text_dog_name[1]->setText(QStringLiteral("Stays"));
  prompts->seen.clear();
  prompts->texts = {import_file("Start 3\r\nRex\r\n\r\nMax\r\n")};
  w->item_import_dogs_Click();
  EXPECT_EQ(prompts->filters.back(), QStringLiteral("Text (*.txt)|*.txt"));
  EXPECT_EQ(prompts->seen[0].text, Resolve_Drive_Default(QStringLiteral("c:")));
  EXPECT_EQ(prompts->messages(), QStringList{QStringLiteral("2 Dogs imported!")});
  EXPECT_EQ(w->Reg_Dog_Name(3, 1), QStringLiteral("Rex"));
  EXPECT_EQ(w->Reg_Dog_Name(3, 2), QStringLiteral("Stays"));
  EXPECT_EQ(w->Reg_Dog_Name(3, 3), QStringLiteral("Max"));
  EXPECT_EQ(w->Text_dog_name[2]->text(), QStringLiteral("Max"));
  EXPECT_EQ(setting(QStringLiteral("importdir")), dir.path());

  prompts->seen.clear();
  prompts->texts = {import_file("Bolt\nStart 4\nZed\n")};
  w->item_import_dogs_Click();
  EXPECT_EQ(prompts->seen[0].text, dir.path()); // the folder of the last import
  EXPECT_EQ(prompts->messages(), QStringList{QStringLiteral("Ivalid import file format!")});
  EXPECT_EQ(w->Reg_Dog_Name(4, 1), QString());

  // A ninth box is a failure; the eight before it stay imported.
  prompts->seen.clear();
  prompts->texts = {import_file("Start 9\nA\nB\nC\nD\nE\nF\nG\nH\nI\n")};
  w->item_import_dogs_Click();
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_EQ(errors.reports[0].location, QStringLiteral("item_import_dogs_Click of Form Form_event_registration"));
  EXPECT_TRUE(prompts->messages().isEmpty());
  EXPECT_EQ(w->Current_Heat(), 9);
  EXPECT_EQ(w->Reg_Dog_Name(9, 1), QStringLiteral("A"));
  EXPECT_EQ(w->Reg_Dog_Name(9, 8), QStringLiteral("H"));
  w->XML_to_File();
  EXPECT_TRUE(read_file(w->Event_File_Path()).contains("<dog_name>H</dog_name>"));
}

TEST_F(Event_Window, AReadOnlyFileIsNeverOverwritten) {
  auto w = make();
  const QString path = create(*w, QStringLiteral("Locked"), {});
  ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  const QByteArray before = read_file(path);
  prompts->seen.clear();
  w->Text_dog_name[0]->setText(QStringLiteral("Rex"));
  w->XML_to_File();
  w->close();
  w->UpDown_heat->setValue(2);
  w->UpDown_heat->setValue(1); // stepping down saves first
  ASSERT_EQ(prompts->count(Kind::Message), 3);
  for (const auto& p : prompts->seen) {
    EXPECT_EQ(p.text, QStringLiteral("Event file is Read-Only!\n") + path);
    EXPECT_EQ(p.title, QStringLiteral("Locked.xml"));
  }
  EXPECT_EQ(read_file(path), before);
  // Nor is it replaced by creating the same event again.
  prompts->seen.clear();
  prompts->answers = {Prompt_Answer::Yes};
  w->item_create_event_file_Click();
  EXPECT_EQ(prompts->messages(), QStringList{QStringLiteral("Event file is Read-Only!\n") + path});
  EXPECT_EQ(read_file(path), before);
}

TEST_F(Event_Window, PrintsItsPictureToAPdf) {
  auto w = make();
  create(*w, QStringLiteral("Printed"), {});
  const QString pdf = dir.filePath(QStringLiteral("form.pdf"));
  Set_Print_To_File(pdf);
  w->set_Print_Waits({0, 0});
  w->item_print_form_Click();
  Set_Print_To_File(QString());
  EXPECT_TRUE(errors.reports.empty()) << locations().join('|').toStdString();
  const QByteArray bytes = read_file(pdf);
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_GT(bytes.size(), 3000);
}
