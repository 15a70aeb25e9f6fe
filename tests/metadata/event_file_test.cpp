#include "metadata/event_file.h"

#include "platform/error_report.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime created(QDate(2017, 10, 8), QTime(9, 15, 0));

// The new event's file, spelled out element by element.
QByteArray expected_new_event() {
  QByteArray e = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<Doravent_event_file>";
  e += "<!--XML file containing Doravent event definition file, created at: " +
       QLocale::system().toString(created, QLocale::ShortFormat).toLatin1() + "-->\r\n";
  e += "<event_name/>\r\n<event_date/>\r\n<event_day/>\r\n<event_venue/>\r\n";
  for (int h = 1; h <= 100; ++h) {
    e += "<heat id=\"" + QByteArray::number(h) + "\">";
    e += "<heat_time/>\r\n<heat_length/>\r\n<heat_description/>\r\n<heat_name/>\r\n";
    for (int b = 1; b <= 8; ++b) {
      e += "<box id=\"" + QByteArray::number(b) + "\">";
      e += "<dog_name/>\r\n<dog_weight/>\r\n<dog_heat_time/>\r\n<dog_heat_rank/>\r\n<dog_heat_split_time/>\r\n"
           "<dog_heat_split_rank/>\r\n";
      e += "</box>\r\n";
    }
    e += "</heat>\r\n";
  }
  e += "</Doravent_event_file>\r\n";
  return e;
}

void write_file(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray read_file(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(Event_Document, ANewEventIsExactlyTheEmptyDocument) {
  Event_Document doc;
  EXPECT_TRUE(doc.Empty());
  EXPECT_TRUE(doc.Bytes().isEmpty());
  doc.Create(created);
  EXPECT_FALSE(doc.Empty());
  EXPECT_EQ(doc.Bytes(), expected_new_event());
  // Written values go into their own element and nowhere else; clearing restores the empty tag.
  doc.set_Single("event_name", QStringLiteral("Derby"));
  doc.set_Heat_Text(100, "heat_length", QStringLiteral("480"));
  doc.set_Dog_Name(100, 8, QStringLiteral("Last"));
  const QByteArray bytes = doc.Bytes();
  EXPECT_TRUE(bytes.contains("<event_name>Derby</event_name>\r\n<event_date/>"));
  EXPECT_TRUE(bytes.contains("<heat id=\"100\"><heat_time/>\r\n<heat_length>480</heat_length>"));
  EXPECT_TRUE(bytes.contains("<box id=\"8\"><dog_name>Last</dog_name>\r\n<dog_weight/>\r\n<dog_heat_time/>\r\n"
                             "<dog_heat_rank/>\r\n<dog_heat_split_time/>\r\n<dog_heat_split_rank/>\r\n</box>\r\n"
                             "</heat>\r\n</Doravent_event_file>"));
  EXPECT_EQ(doc.Dog_Name(99, 8), QString());
  doc.set_Single("event_name", {});
  doc.set_Heat_Text(100, "heat_length", {});
  doc.set_Dog_Name(100, 8, {});
  EXPECT_EQ(doc.Bytes(), expected_new_event());
}

TEST(Event_Document, ElementsOutsideTheEventThrow) {
  Event_Document doc;
  EXPECT_THROW(doc.Single("event_name"), Dora_Error); // empty document
  doc.Create(created);
  for (int16_t heat : {0, 101, -1})
    EXPECT_THROW(doc.Heat_Text(heat, "heat_name"), Dora_Error) << heat;
  for (int16_t box : {0, 9})
    EXPECT_THROW(doc.set_Dog_Name(1, box, QStringLiteral("X")), Dora_Error) << box;
  EXPECT_THROW(doc.set_Single("no_such_element", QStringLiteral("X")), Dora_Error);
  EXPECT_EQ(doc.Bytes(), expected_new_event());
}

TEST(Event_Document, AccentedAndMarkupNamesRoundTripAsLatin1) {
  Event_Document doc;
  doc.Create(created);
  const QString name = QStringLiteral("M\u00fcller's \u00c5sa & <Rex> \"1\"");
  doc.set_Dog_Name(7, 2, name);
  doc.set_Single("event_name", QStringLiteral("Gro\u00dfer Preis"));
  doc.set_Heat_Text(7, "heat_name", QStringLiteral("Fin\u00e2le \u20ac")); // the euro sign is not Latin-1
  const QByteArray bytes = doc.Bytes();
  EXPECT_TRUE(bytes.contains("<dog_name>M\xfcller's \xc5sa &amp; &lt;Rex&gt; \"1\"</dog_name>"));
  EXPECT_FALSE(bytes.contains("\xc3")) << "UTF-8 bytes in a Latin-1 file";

  Event_Document again;
  ASSERT_FALSE(again.Load(bytes).has_value());
  EXPECT_EQ(again.Dog_Name(7, 2), name);
  EXPECT_EQ(again.Single("event_name"), QStringLiteral("Gro\u00dfer Preis"));
  EXPECT_EQ(again.Heat_Text(7, "heat_name"), QStringLiteral("Fin\u00e2le ?"));
  EXPECT_EQ(again.Bytes(), bytes); // line breaks and empty tags survive loading
  EXPECT_TRUE(again.Is_Event());
  ASSERT_FALSE(again.Load("<QNV_header/>").has_value());
  EXPECT_FALSE(again.Is_Event());
}

TEST(Event_Document, AFailedLoadKeepsTheDocument) {
  Event_Document doc;
  doc.Create(created);
  doc.set_Single("event_name", QStringLiteral("Kept"));
  const QByteArray before = doc.Bytes();
  for (const QByteArray& bad :
       {QByteArray("<Doravent_event_file><event_name>x</event_nam>"), QByteArray("not xml"), QByteArray(),
        QByteArray("<?xml version=\"1.0\"?>\r\n"), before.left(before.size() / 2)}) {
    const auto failure = doc.Load(bad);
    EXPECT_TRUE(failure.has_value()) << bad.left(40).constData();
    EXPECT_EQ(doc.Bytes(), before);
  }
}

TEST(Event_File_Name, ReplacesInTheFileNameOnly) {
  struct Case {
    QString folder, name, day, expected;
  };
  const Case cases[] = {
      {QStringLiteral("/data/Doravent Event Files/"), QStringLiteral("Derby"), QStringLiteral("2017-10-08"),
       QStringLiteral("/data/Doravent Event Files/Derby2017_10_08.xml")},
      {QStringLiteral("/a-b,c:d/"), QStringLiteral("Cup: 1,2-3"), QString(), QStringLiteral("/a-b,c:d/Cup_ 1_2_3.xml")},
      {QStringLiteral("/a-b"), QStringLiteral("X"), QStringLiteral("Sun"), QStringLiteral("/a-b/XSun.xml")},
      // A name must not lead out of the folder.
      {QStringLiteral("/ev/"), QStringLiteral("../../etc/x"), QStringLiteral("a\\b"),
       QStringLiteral("/ev/.._.._etc_xa_b.xml")},
      {QStringLiteral("/ev/"), QStringLiteral("Gr\u00f6\u00dfe"), QStringLiteral("1.5."),
       QStringLiteral("/ev/Gr\u00f6\u00dfe1.5..xml")},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Event_File_Name(c.folder, c.name, c.day), c.expected) << c.name.toStdString();
}

TEST(Event_Files, UsableReadOnlyReadAndWrite) {
  QTemporaryDir dir;
  const QString empty = dir.filePath(QStringLiteral("empty.xml"));
  const QString full = dir.filePath(QStringLiteral("full.xml"));
  const QString missing = dir.filePath(QStringLiteral("missing.xml"));
  write_file(empty, {});
  write_file(full, "x");
  EXPECT_FALSE(Event_File_Usable(empty));
  EXPECT_FALSE(Event_File_Usable(missing));
  EXPECT_FALSE(Event_File_Usable(dir.path()));
  EXPECT_TRUE(Event_File_Usable(full));

  EXPECT_FALSE(Event_File_Read_Only(full));
  EXPECT_FALSE(Event_File_Read_Only(missing));
  QFile::setPermissions(full, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
  EXPECT_TRUE(Event_File_Read_Only(full));

  try {
    Read_Event_File(missing);
    ADD_FAILURE() << "missing file read";
  } catch (const Dora_Error& e) {
    EXPECT_EQ(e.number(), 53);
  }
  EXPECT_EQ(Read_Event_File(full), QByteArray("x"));

  const QString target = dir.filePath(QStringLiteral("event.xml"));
  Write_Event_File(target, "first");
  Write_Event_File(target, "second");
  EXPECT_EQ(read_file(target), QByteArray("second"));
  try {
    Write_Event_File(dir.filePath(QStringLiteral("no/such/folder.xml")), "x");
    ADD_FAILURE() << "write into a missing folder";
  } catch (const Dora_Error& e) {
    EXPECT_EQ(e.number(), 75);
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3) << "a temporary was left behind";
}

TEST(Dog_Import, PlansEveryOutcome) {
  using Ending = Dog_Import_Plan::Ending;
  struct Case {
    const char* label;
    QString text;
    Ending ending;
    int imported;
    std::vector<Dog_Import_Step> steps;
    QString message;
  };
  const QString nine = QStringLiteral("Start 2\nA\nB\nC\nD\nE\nF\nG\nH\nI\n");
  std::vector<Dog_Import_Step> eight{{2, 0, {}}};
  for (int16_t b = 1; b <= 8; ++b)
    eight.push_back({2, b, QString(QChar(u'A' + b - 1))});
  const Case cases[] = {
      {"the example",
       QStringLiteral("Start 3\r\nRex\r\n\r\nMax\r\n"),
       Ending::Done,
       2,
       {{3, 0, {}}, {3, 1, QStringLiteral("Rex")}, {3, 3, QStringLiteral("Max")}},
       QStringLiteral("2 Dogs imported!")},
      {"dog before any heat",
       QStringLiteral("Rex\nStart 1\nMax"),
       Ending::Invalid_Format,
       0,
       {},
       QStringLiteral("Ivalid import file format!")},
      {"heat out of range",
       QStringLiteral("Start 1\nA\nStart 101\nB"),
       Ending::Invalid_Format,
       1,
       {{1, 0, {}}, {1, 1, QStringLiteral("A")}},
       QStringLiteral("Ivalid import file format!")},
      {"heat zero",
       QStringLiteral("Start\nA"),
       Ending::Invalid_Format,
       0,
       {},
       QStringLiteral("Ivalid import file format!")},
      {"ninth box", nine, Ending::Too_Many_Boxes, 8, eight, {}},
      {"blank ninth line is harmless", QStringLiteral("Start 2\nA\nB\nC\nD\nE\nF\nG\nH\n  \n"), Ending::Done, 8, eight,
       QStringLiteral("8 Dogs imported!")},
      {"two heats, blanks trimmed, no final break",
       QStringLiteral("Start 12\n  Bolt \t\nStart 4\nZed"),
       Ending::Done,
       2,
       {{12, 0, {}}, {12, 1, QStringLiteral("Bolt")}, {4, 0, {}}, {4, 1, QStringLiteral("Zed")}},
       QStringLiteral("2 Dogs imported!")},
      {"empty file", QString(), Ending::Done, 0, {}, QStringLiteral("0 Dogs imported!")},
      {"dogs whose names hold Start",
       QStringLiteral("Start 2\nStarter\nRestart 3"),
       Ending::Done,
       2,
       {{2, 0, {}}, {2, 1, QStringLiteral("Starter")}, {2, 2, QStringLiteral("Restart 3")}},
       QStringLiteral("2 Dogs imported!")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Dog_Import_Plan plan = Plan_Dog_Import(c.text);
    EXPECT_EQ(plan.ending, c.ending);
    EXPECT_EQ(plan.imported, c.imported);
    ASSERT_EQ(plan.steps.size(), c.steps.size());
    for (size_t i = 0; i < c.steps.size(); ++i) {
      EXPECT_EQ(plan.steps[i].heat, c.steps[i].heat) << i;
      EXPECT_EQ(plan.steps[i].box, c.steps[i].box) << i;
      EXPECT_EQ(plan.steps[i].name, c.steps[i].name) << i;
    }
    if (c.ending == Ending::Too_Many_Boxes)
      EXPECT_TRUE(plan.message.contains(QStringLiteral("I"))) << plan.message.toStdString();
    else
      EXPECT_EQ(plan.message, c.message);
  }
}

TEST(Dog_Import, HeatNumbersAndTextDecoding) {
  const std::pair<const char*, int32_t> numbers[] = {{"12", 12}, {" 3", 3},  {"1 2", 12}, {"7x", 7}, {"", 0},
                                                     {"ab", 0},  {"-4", -4}, {"2.5", 2},  {"3.5", 4}};
  for (const auto& [text, value] : numbers)
    EXPECT_EQ(Leading_Whole_Number(QString::fromLatin1(text)), value) << text;
  EXPECT_EQ(Plan_Dog_Import(QStringLiteral("Start 100\nA")).steps.front().heat, 100);

  EXPECT_EQ(Decode_Import_Text("R\xc3\xa9my"), QStringLiteral("R\u00e9my"));
  EXPECT_EQ(Decode_Import_Text("R\xe9my"), QStringLiteral("R\u00e9my"));
  EXPECT_EQ(Decode_Import_Text("\xef\xbb\xbfStart 1"), QStringLiteral("Start 1"));
}
