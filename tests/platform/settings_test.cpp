#include "platform/settings.h"

#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/twips.h"
#include "platform/user_folders.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <unistd.h>

// Readable failure output.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QByteArray read_all(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void write_all(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

class Settings : public ::testing::Test {
protected:
  void SetUp() override {
    folder = Local_AppData_Folder() + "settings_test/";
    QDir(folder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(folder));
    path = folder + "Doravent_HDMI.ini";
    saved_path = program().Settings_File_Path;
    program().Settings_File_Path = path;
  }
  void TearDown() override {
    program().Settings_File_Path = saved_path;
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(folder).removeRecursively();
  }
  QString read(const QString& section, const QString& key, const QString& def = {}) const {
    return Read_Ini_Value(section, key, path, def);
  }
  int16_t write(const QString& section, const QString& key, const QString& value) const {
    return Write_Ini_Value(section, key, value, path);
  }

  QString folder;
  QString path;
  QString saved_path;
  Prompts_Guard prompts;
};

TEST_F(Settings, FreshUserReadsEveryDefaultWithoutCreatingTheFile) {
  struct Case {
    const char* section;
    const char* key;
    const char* def;
    const char* expected;
  };
  const Case cases[] = {
      {"Settings", "auto_init", "0", "0"},
      {"Settings", "open_after_finish", "0", "0"},
      {"Settings", "show_printer_dialog", "0", "0"},
      {"Settings", "box_delay", "0", "0"},
      {"Settings", "goal_compensation", "200", "200"},
      {"Settings", "split_compensation", "200", "200"},
      {"Settings", "current_event_file", "", "N/A"},
      {"Settings", "importdir", "c:", "c:"},
      {"Settings", "Heat_ID", "1", "1"},
      {"Settings", "last_file", "", "N/A"},
      {"Settings", "last_folder", "", "N/A"},
      {"Settings", "save_folder", "C:", "C:"},
      {"Settings", "lastcrop", "400*880", "400*880"},
      {"Settings", "osbitness", "N/A", "N/A"},
      {"Goal_Lines", "goal_Line1", "N/A", "N/A"},
      {"windowpos", "Form_Dora_Results", "0,0", "0,0"},
      {"capturesettings", "friendlyname", "noname", "noname"},
      {"capturesettings", "videoproperty", "-1", "-1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(read(c.section, c.key, c.def), c.expected) << c.key;
  }
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(prompts->seen.empty());
}

TEST_F(Settings, ValuesAreCutTo512Characters) {
  for (const qsizetype length : {qsizetype{511}, qsizetype{512}, qsizetype{513}, qsizetype{600}}) {
    QString value;
    for (qsizetype i = 0; i < length; ++i)
      value += QChar(u'a' + static_cast<char16_t>(i % 26));
    ASSERT_EQ(write("Settings", "last_folder", value), 1);
    EXPECT_EQ(read("Settings", "last_folder"), value.left(512)) << length;
  }
}

TEST_F(Settings, NamesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
  ASSERT_EQ(write("Settings", "Box_delay", "35"), 1);
  EXPECT_EQ(read("settings", "box_delay", "0"), "35");
  ASSERT_EQ(write("SETTINGS", "BOX_DELAY", "40"), 1);
  EXPECT_EQ(read("Settings", "Box_Delay", "0"), "40");
  ASSERT_EQ(write("Goal_lines", "Goal_line1", "1,2,3,4"), 1);
  EXPECT_EQ(read("Goal_Lines", "goal_Line1"), "1,2,3,4");

  const QByteArray text = read_all(path);
  EXPECT_EQ(text.count("Box_delay=40"), 1) << text.constData();
  EXPECT_EQ(text.toLower().count("box_delay"), 1);
  EXPECT_EQ(text.count("[Settings]"), 1);
  EXPECT_TRUE(text.contains("Goal_line1=1,2,3,4"));
}

TEST_F(Settings, EmptyValueReadsAsTheDefaultOrNotAvailable) {
  ASSERT_EQ(write("Settings", "last_file", ""), 1);
  EXPECT_EQ(read("Settings", "last_file", ""), "N/A");
  EXPECT_EQ(read("Settings", "last_file", "x"), "x");
  ASSERT_EQ(write("Settings", "last_file", "  /home/a.qn3  "), 1);
  EXPECT_EQ(read("Settings", "last_file", ""), "/home/a.qn3");
}

TEST_F(Settings, EmptyPathIsReportedAndReadsEmpty) {
  EXPECT_EQ(Read_Ini_Value("Settings", "auto_init", "", "0"), QString());
  ASSERT_EQ(prompts->messages(), QStringList{"Ini_file_path is empty!"});
}

TEST_F(Settings, WritingKeepsEveryOtherEntryAndComment) {
  write_all(path, "; kept comment\n[Settings]\nHeat_ID=7\nsave_folder=/data/races\n[capturesettings]\n"
                  "friendlyname=cam (usb-1)\n");
  ASSERT_EQ(write("Settings", "heat_id", "8"), 1);
  ASSERT_EQ(write("windowpos", "Form_Dora_Results", "15,30,0,0"), 1);
  EXPECT_EQ(read("Settings", "Heat_ID"), "8");
  EXPECT_EQ(read("Settings", "save_folder"), "/data/races");
  EXPECT_EQ(read("capturesettings", "friendlyname"), "cam (usb-1)");
  EXPECT_TRUE(read_all(path).contains("; kept comment"));
  EXPECT_TRUE(prompts->seen.empty());
}

// A line that is no entry goes at the next save; what comes first then must not turn into a
// signature and a section: here the goal delay would move into [Settings].
TEST_F(Settings, AWriteNeverMovesAKeyIntoASection) {
  write_all(
      path,
      "no entry\r\n\xEF\xBB\xBF[Settings]=x\r\ngoal_compensation=500\r\n[capturesettings]\r\nvideoproperty=2\r\n");
  ASSERT_EQ(read("Settings", "goal_compensation"), "N/A");
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(write("Settings", "Heat_ID", QString::number(i)), 1);
    EXPECT_EQ(read("Settings", "goal_compensation"), "N/A") << read_all(path).toStdString();
    EXPECT_EQ(read("Settings", "Heat_ID"), QString::number(i));
    EXPECT_EQ(read("capturesettings", "videoproperty"), "2");
  }
}

TEST_F(Settings, FailedWritesAreShownAndLoseNothing) {
  const QByteArray binary("[Settings]\nHeat_ID=3\n\0\x01\x02 picture", 32);
  struct Case {
    const char* name;
    QString target;
    QByteArray old_content; // the settings file's content before, when not empty
    QString key;
    QString value;
    QString error;
  };
  const Case cases[] = {
      {"missing folder", folder + "gone/Doravent_HDMI.ini", {}, "Heat_ID", "4", " Error = 2 No such file or directory"},
      {"folder is a file", path + "/Doravent_HDMI.ini", "x=1\n", "Heat_ID", "4", " Error = 20 Not a directory"},
      {"path is a folder", folder, {}, "Heat_ID", "4", " Error = 21 Is a directory"},
      {"binary file", path, binary, "Heat_ID", "4", " Error = 22 "},
      {"line break in value", path, "[Settings]\nHeat_ID=3\n", "Heat_ID", "4\n[Evil]", " Error = 22 "},
      {"equals sign in key", path, "[Settings]\nHeat_ID=3\n", "a=b", "4", " Error = 22 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(path);
    if (!c.old_content.isEmpty()) write_all(path, c.old_content);
    prompts->seen.clear();
    EXPECT_EQ(Write_Ini_Value("Settings", c.key, c.value, c.target), 0);
    ASSERT_EQ(prompts->seen.size(), 1u);
    const auto& shown = prompts->seen.front();
    EXPECT_EQ(shown.title, " QNV Error");
    EXPECT_EQ(shown.icon, Prompt_Icon::Critical);
    EXPECT_TRUE(shown.text.startsWith("Writing to INI file failed! Path = " + c.target + "\n" + c.error))
        << shown.text.toStdString();
    if (!c.old_content.isEmpty()) {
      EXPECT_EQ(read_all(path), c.old_content);
    }
  }
  // An unreadable-as-text file reads as defaults.
  write_all(path, binary);
  EXPECT_EQ(read("Settings", "Heat_ID", "1"), "1");
}

TEST_F(Settings, ReadOnlyFolderKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  ASSERT_EQ(write("Settings", "Heat_ID", "3"), 1);
  const QByteArray before = read_all(path);
  ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
  EXPECT_EQ(write("Settings", "Heat_ID", "4"), 0);
  ASSERT_EQ(prompts->seen.size(), 1u);
  EXPECT_TRUE(prompts->seen.front().text.contains(" Error = 13 Permission denied"));
  EXPECT_EQ(read_all(path), before);
}

TEST_F(Settings, WindowPositionsComeBackOnScreen) {
  const QSize screen = Screen_Size_Twips();
  ASSERT_FALSE(screen.isEmpty());
  struct Case {
    QString stored; // empty: nothing stored
    int16_t in[4];
    int16_t out[4];
    QString message;
  };
  const Case cases[] = {
      {{}, {300, 400, 5, 6}, {300, 400, 5, 6}, {}},
      {"-200,-300,0,0", {300, 400, 5, 6}, {0, 0, 0, 0}, {}},
      {"-100,-150", {300, 400, 5, 6}, {300, 400, 5, 6}, {}},
      {"1500,900,0,0", {0, 0, 5, 6}, {1500, 900, 0, 0}, {}},
      {"1500,900,4000", {0, 0, 5, 6}, {1500, 900, 4000, 6}, {}},
      {QString::number(screen.width() + 1) + ",900,0,0", {0, 0, 5, 6}, {0, 900, 0, 0}, {}},
      {"1500," + QString::number(screen.height() + 1) + ",0,0", {0, 0, 5, 6}, {1500, 0, 0, 0}, {}},
      {"99999999999,900,0,0", {0, 0, 5, 6}, {0, 900, 0, 0}, {}},
      {"abc,900,0,0", {1, 2, 3, 4}, {1, 2, 3, 4}, "Get_Form_Pos error 30"},
      {"100,,0,0", {1, 2, 3, 4}, {1, 2, 3, 4}, "Get_Form_Pos error 40"},
      {"100,200,70000,0", {1, 2, 3, 4}, {1, 2, 3, 4}, "Get_Form_Pos error 50"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.toStdString());
    QFile::remove(path);
    prompts->seen.clear();
    if (!c.stored.isEmpty()) {
      ASSERT_EQ(write("windowpos", "Form_Dora_Results", c.stored), 1);
    }
    int16_t v[4] = {c.in[0], c.in[1], c.in[2], c.in[3]};
    Get_Form_Pos("Form_Dora_Results", v[0], v[1], v[2], v[3]);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(v[i], c.out[i]) << i;
    EXPECT_EQ(prompts->messages(), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
  }
}

TEST_F(Settings, StoredWindowPositionIsFourNumbers) {
  Store_Form_Pos("Form_Dora_Results", 40000, -20, 0, 0);
  EXPECT_EQ(read("WINDOWPOS", "form_dora_results"), "40000,-20,0,0");
  Store_Form_Pos("Form_Dora_Results", 1200, 600, 0, 0);
  int16_t left = 0, top = 0, width = 9, height = 9;
  Get_Form_Pos("Form_Dora_Results", left, top, width, height);
  EXPECT_EQ((std::array<int16_t, 4>{left, top, width, height}), (std::array<int16_t, 4>{1200, 600, 0, 0}));
}

TEST_F(Settings, DelaysLoadOnlyWhenAllThreeAreWholeNumbers) {
  struct Case {
    const char* box;
    const char* goal;
    const char* split; // nullptr: key absent
    int16_t number;    // 0: no report
    int32_t box_ms, goal_ms, split_ms;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, 0, 0, 200, 200}, {"15", "180", "220", 0, 15, 180, 220},
      {"", " 40 ", "-10", 0, 0, 40, -10},          {"abc", "180", "220", 13, 1, 2, 3},
      {"15", "180", "2.5", 13, 1, 2, 3},           {"15", "1%", "220", 13, 1, 2, 3},
      {"99999999999", "180", "220", 6, 1, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box ? c.box : "absent");
    QFile::remove(path);
    if (c.box) {
      ASSERT_EQ(write("Settings", "Box_delay", c.box), 1);
    }
    if (c.goal) {
      ASSERT_EQ(write("Settings", "goal_compensation", c.goal), 1);
    }
    if (c.split) {
      ASSERT_EQ(write("Settings", "split_compensation", c.split), 1);
    }
    program().Box_Delay_Ms = 1;
    program().Goal_Delay_Ms = 2;
    program().Split_Delay_Ms = 3;
    Recorded_Errors errors;
    Load_Compensations();
    EXPECT_EQ(program().Box_Delay_Ms, c.box_ms);
    EXPECT_EQ(program().Goal_Delay_Ms, c.goal_ms);
    EXPECT_EQ(program().Split_Delay_Ms, c.split_ms);
    if (c.number == 0) {
      EXPECT_TRUE(errors.reports.empty());
    } else {
      ASSERT_EQ(errors.reports.size(), 1u);
      EXPECT_EQ(errors.reports[0].number, c.number);
      EXPECT_EQ(errors.reports[0].description, c.number == 13 ? "Type mismatch" : "Overflow");
      EXPECT_EQ(errors.reports[0].location, "Load_Compensations of Form Form_Doravent");
    }
  }
  program().Box_Delay_Ms = 0;
  program().Goal_Delay_Ms = 200;
  program().Split_Delay_Ms = 200;
}

TEST_F(Settings, BitnessIsComputedOnceAndThenTakenFromTheFile) {
  Check_Bitness();
  for (const QString& v : {program().OS_Bitness, program().CPU_Bitness}) {
    EXPECT_TRUE(v == "64-bit" || v == "32-bit") << v.toStdString();
  }
  EXPECT_EQ(read("Settings", "osbitness"), program().OS_Bitness);
  EXPECT_EQ(read("Settings", "cpubitness"), program().CPU_Bitness);
  ASSERT_EQ(write("Settings", "osbitness", "16-bit"), 1);
  Check_Bitness();
  EXPECT_EQ(program().OS_Bitness, "16-bit");
}

} // namespace
