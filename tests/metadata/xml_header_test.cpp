#include "metadata/xml_header.h"

#include "metadata/xml_header_readers.h"
#include "mock/fake_clock.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <map>

namespace {

const QString nl = QStringLiteral("\r\n");

Header_Environment test_environment() {
  Header_Environment env;
  env.comp_name = QStringLiteral("RACE-PC");
  env.comp_cpuinfo = QStringLiteral("Test CPU, 4 cores");
  env.comp_cpubitness = QStringLiteral("64");
  env.comp_physram = QStringLiteral("8 GB");
  env.comp_osbitness = QStringLiteral("64");
  env.capture_property = QStringLiteral("1920x1080 & 25 fps");
  env.capture_source = QStringLiteral("video:1");
  env.actual_sample = QStringLiteral("RGB24");
  env.comp_manufacturer_model = QStringLiteral("Maker <Model>");
  env.phidget_serial = QStringLiteral("12345");
  env.exe_name = QStringLiteral("doravent");
  env.exe_filedate = QStringLiteral("17.05.26 10:00");
  env.os_version = QStringLiteral("Debian 12");
  return env;
}

// A header built with fixed clock and environment, so its text is known exactly.
struct Fixed_Header : ::testing::Test {
  Fake_Clock clock;
  int32_t saved_start = program().Program_Start_Mill;
  Cls_XML_header header;

  void SetUp() override {
    clock.mill = 3723456;                   // 1 h 02 min 03.456 s
    program().Program_Start_Mill = 3600000; // program up 2 min 03.456 s
    header.set_Environment_Source(test_environment);
    header.rgb_let(-1);
    header.Create_Header();
  }
  void TearDown() override { program().Program_Start_Mill = saved_start; }
};

QString leaf(const QString& name, const QString& text) {
  if (text.isEmpty()) return QLatin1Char('<') + name + QStringLiteral("/>") + nl;
  return QLatin1Char('<') + name + QLatin1Char('>') + text + QStringLiteral("</") + name + QLatin1Char('>') + nl;
}

QString section(const QString& open, const QString& close, const std::vector<std::pair<QString, QString>>& rows) {
  QString s = open + nl;
  for (const auto& [name, text] : rows)
    s += leaf(name, text);
  return s + close + nl;
}

// The document a fresh header must be, written out from the element tables.
QString expected_fresh_text(bool with_rgb, bool with_race) {
  QString s = QStringLiteral("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>") + nl +
              QStringLiteral("<!--XML file containing QNV QN3 header-->") + nl + QStringLiteral("<QNV_header>") + nl;
  s += section(QStringLiteral("<file_data>"), QStringLiteral("</file_data>"),
               {{"update_program", "program name"},
                {"creation_date", "26-05-17 14:30:00"},
                {"update_date", "not updated"},
                {"last_capture_time", ""},
                {"last_append_time", ""},
                {"num_streams", "1"},
                {"frame_header_size", "000"},
                {"num_frames", "000"},
                {"num_segments", "000"},
                {"timing_bias", "000"},
                {"b_rotated", "f"},
                {"comp_name", "RACE-PC"},
                {"comp_captureinfo", "Unknown capture info!"},
                {"capture_sample_size", "Unknown capture info!"},
                {"comp_cpuinfo", "Test CPU, 4 cores"},
                {"comp_cpubitness", "64"},
                {"comp_physram", "8 GB"},
                {"comp_osbitness", "64"},
                {"capture_property", "1920x1080 &amp; 25 fps"},
                {"capture_source", "video:1"},
                {"actual_sample", "RGB24"},
                {"comp_manufacturer_model", "Maker &lt;Model&gt;"},
                {"phidget_serial", "12345"},
                {"prog_id", "Doravent_HDMI"},
                {"exe_name", "doravent"},
                {"prog_version", "Compiled"},
                {"prog_major", "2"},
                {"prog_minor", "0"},
                {"prog_revision", "86"},
                {"compile_date", "2017-10-08 20:34"},
                {"computer_uptime", " 1:02:03,46"},
                {"program_uptime", " 02:03,46"},
                {"exe_filedate", "17.05.26 10:00"},
                {"os_version", "Debian 12"},
                {"subject_name", "0000"},
                {"file_comment1", "0000"},
                {"file_comment2", "0000"},
                {"file_comment3", "0000"},
                {"file_comment4", "0000"},
                {"file_comment5", "0000"},
                {"specapp1", ""},
                {"specapp2", ""},
                {"hdr_spare1", "0000"},
                {"hdr_spare2", "0000"},
                {"hdr_spare3", "0000"},
                {"hdr_spare4", "0000"},
                {"hdr_spare5", "0000"}});
  if (with_rgb)
    s += section(QStringLiteral("<RGB_data>"), QStringLiteral("</RGB_data>"),
                 {{"RGB_X", "000"},
                  {"RGB_Y", "000"},
                  {"RGB_image_size", "0000000"},
                  {"RGB_max_seen_size", "0000000"},
                  {"RGB_comp_threshold", "0000000"},
                  {"RGB_compressed_max_size", "0000000"},
                  {"RGB_compressed_buffer_size", "0000000"},
                  {"RGB_compressed_min_size", "99999999"},
                  {"RGB_sample_size", "0000000"},
                  {"RGB_interlaced", "Y"},
                  {"RGB_rotated", "Y"},
                  {"RGB_preview_on", "Y"},
                  {"RGB_fourcc", "none"},
                  {"RGB_JPEG_Codec", "none"},
                  {"RGB_fps", "000"},
                  {"RGB_JPEG_Quality", "0000"},
                  {"RGB_JPEG_Quality_num_reduced", "0000"}});
  if (with_race) {
    QString race = section(QStringLiteral("<doravent>"), QString(),
                           {{"dora_event", "Dora event name"},
                            {"dora_heat_ID", "Dora heat ID"},
                            {"dora_heat_name", "Dora heat name"},
                            {"dora_heat_length", "000"},
                            {"dora_goal_finish", "Dora goal finish"},
                            {"dora_goal_split", "Dora goal split"},
                            {"dora_start_datetime", "dora start date time"},
                            {"dora_start_local_mill", "dora_start_local_mill"},
                            {"dora_start_HDMI_events", "dora_start_HDMI_events"},
                            {"dora_start_PC_mill", "dora_start_PC_mill"},
                            {"dora_goal_time_offset", "0000"},
                            {"dora_split_time_offset", "0000"},
                            {"dora_box_delay", "0000"},
                            {"dora_split_firewire_ID", "000"},
                            {"dora_goal_firewire_ID", "000"},
                            {"dora_ph_serial", "000"}});
    race.chop(nl.size()); // the race section closes after its boxes
    s += race;
    for (int box = 1; box <= 8; ++box)
      s += section(QStringLiteral("<box id=\"%1\">").arg(box), QStringLiteral("</box>"),
                   {{"dog_name", "dog name"},
                    {"dog_weight", "dog weight"},
                    {"dog_heat_time", "000000"},
                    {"dog_heat_click_time", "000000"},
                    {"dog_heat_frame", "000000"},
                    {"dog_split_time", "000000"},
                    {"dog_split_click_time", "000000"},
                    {"dog_split_frame", "000000"},
                    {"dog_heat_rank", "00"},
                    {"dog_split_rank", "00"},
                    {"dog_dead_heat", "f"},
                    {"dog_heat_spare1", "00000"},
                    {"dog_heat_spare2", "00000"}});
    s += QStringLiteral("</doravent>") + nl;
  }
  return s + QStringLiteral("</QNV_header>") + nl;
}

// The fresh text with every occurrence of one element taken out.
QString without_element(const QString& text, const QString& element) {
  QString out = text;
  out.remove(QRegularExpression(QStringLiteral("<%1>[^<]*</%1>\\r\\n|<%1/>\\r\\n").arg(element)));
  return out;
}

} // namespace

TEST_F(Fixed_Header, FreshDocumentIsExactlyTheDescribedText) {
  EXPECT_EQ(header.XML_string(), expected_fresh_text(true, true));
  EXPECT_EQ(header.Get_DOM_string(), expected_fresh_text(true, true));
  EXPECT_EQ(header.Len_XML(), expected_fresh_text(true, true).size());
  EXPECT_EQ(header.XML_len(), expected_fresh_text(true, true).size());

  // The section switches leave their section out.
  header.rgb_let(0);
  header.Create_Header();
  EXPECT_EQ(header.XML_string(), expected_fresh_text(false, true));
  header.Doravent_let(0);
  header.Create_Header();
  EXPECT_EQ(header.XML_string(), expected_fresh_text(false, false));
  EXPECT_THROW(header.Dora_Dog_name(1), Dora_Error);
  EXPECT_THROW(header.RGB_X(), Dora_Error);
}

TEST_F(Fixed_Header, NewObjectHasRaceSectionButNoImageSection) {
  Cls_XML_header fresh;
  EXPECT_EQ(fresh.Doravent_flag(), -1);
  EXPECT_EQ(fresh.rgb_flag(), 0);
  fresh.set_Environment_Source(test_environment);
  fresh.Create_Header();
  EXPECT_EQ(fresh.XML_string(), expected_fresh_text(false, true));
}

TEST_F(Fixed_Header, BoxesOneToEightExistAndOthersFail) {
  for (int16_t box = 1; box <= 8; ++box) {
    header.set_Dora_Dog_name(box, QStringLiteral("Dog %1").arg(box));
    header.set_Dora_Heat_time(box, false, 20000 + box);
  }
  for (int16_t box = 1; box <= 8; ++box) {
    EXPECT_EQ(header.Dora_Dog_name(box), QStringLiteral("Dog %1").arg(box));
    EXPECT_EQ(header.Dora_Heat_time(box, false), 20000 + box);
    EXPECT_EQ(header.Dora_Heat_time(box, true), 0);
  }
  for (const int16_t box : {int16_t{0}, int16_t{9}, int16_t{-1}, int16_t{32767}}) {
    EXPECT_THROW(header.Dora_Dog_name(box), Dora_Error) << box;
    EXPECT_THROW(header.set_Dora_Heat_time(box, true, 1), Dora_Error) << box;
    EXPECT_THROW(header.Dora_heat_frame(box), Dora_Error) << box;
    // These two have fallbacks and swallow a failed write.
    EXPECT_EQ(header.Dora_Heat_Click_Time(box), 0);
    EXPECT_FALSE(header.Dora_dead_heat(box));
    EXPECT_NO_THROW(header.set_Dora_dead_heat(box, true));
    EXPECT_NO_THROW(header.set_Dora_Heat_Click_Time(box, 5));
  }
}

TEST_F(Fixed_Header, FlagsReadTrueOnlyForTheTextTrue) {
  EXPECT_FALSE(header.Dora_dead_heat(1));
  EXPECT_FALSE(header.RGB_interlaced()); // initial text "Y"
  EXPECT_FALSE(header.RGB_Rotated());
  EXPECT_FALSE(header.RGB_preview_on());

  header.set_Dora_dead_heat(4, true);
  header.set_RGB_interlaced(true);
  EXPECT_TRUE(header.Dora_dead_heat(4));
  EXPECT_FALSE(header.Dora_dead_heat(3));
  EXPECT_TRUE(header.RGB_interlaced());
  const QString text = header.XML_string();
  EXPECT_TRUE(text.contains(QStringLiteral("<RGB_interlaced>True</RGB_interlaced>")));
  EXPECT_EQ(text.count(QStringLiteral("<dog_dead_heat>True</dog_dead_heat>")), 1);
  header.set_RGB_interlaced(false);
  EXPECT_TRUE(header.XML_string().contains(QStringLiteral("<RGB_interlaced>False</RGB_interlaced>")));

  for (const char* other : {"true", "TRUE", "-1", "t", "Y", " True"}) {
    header.set_Element_Text(QStringLiteral("RGB_rotated"), QString::fromLatin1(other));
    EXPECT_FALSE(header.RGB_Rotated()) << other;
  }
}

TEST_F(Fixed_Header, WritingOneBoxTimeChangesOnlyThatElement) {
  const QString before = header.XML_string();
  header.set_Dora_Heat_time(3, true, 31250);
  const QString after = header.XML_string();

  QString expected = before;
  const qsizetype box3 = expected.indexOf(QStringLiteral("<box id=\"3\">"));
  ASSERT_GE(box3, 0);
  const QString old_element = QStringLiteral("<dog_split_time>000000</dog_split_time>");
  const qsizetype at = expected.indexOf(old_element, box3);
  ASSERT_LT(at, expected.indexOf(QStringLiteral("</box>"), box3));
  expected.replace(at, old_element.size(), QStringLiteral("<dog_split_time>31250</dog_split_time>"));
  EXPECT_EQ(after, expected);
  EXPECT_EQ(header.Dora_Heat_time(3, true), 31250);
  EXPECT_EQ(header.Dora_Heat_time(3, false), 0);
}

TEST_F(Fixed_Header, TypedValuesRoundTrip) {
  // A fresh header's initial texts of the start values are not numbers.
  EXPECT_THROW(header.Dora_start_HDMI_events(), Dora_Error);
  EXPECT_THROW(header.Dora_heat_start_PC_mill(), Dora_Error);
  header.set_Dora_heat_frame(2, 32767);
  header.set_Dora_split_frame(2, -5);
  header.set_Dora_Heat_Click_Time(2, 123456);
  header.set_Dora_heat_start_Local_mill(52200123);
  header.set_Dora_heat_start_PC_mill(-2147483647 - 1);
  header.set_Dora_start_HDMI_events(99);
  header.set_comment(5, QStringLiteral("last comment"));
  header.set_comment(1, QString());

  Cls_XML_header copy;
  copy.set_XML_string(header.XML_string());
  ASSERT_TRUE(copy.XML_Valid());
  EXPECT_EQ(copy.Dora_heat_frame(2), 32767);
  EXPECT_EQ(copy.Dora_split_frame(2), -5);
  EXPECT_EQ(copy.Dora_Heat_Click_Time(2), 123456);
  EXPECT_EQ(copy.Dora_heat_start_Local_mill(), 52200123);
  EXPECT_EQ(copy.Dora_heat_start_PC_mill(), -2147483647 - 1);
  EXPECT_EQ(copy.Dora_start_HDMI_events(), 99);
  EXPECT_EQ(copy.comment(5), QStringLiteral("last comment"));
  EXPECT_EQ(copy.comment(1), QString());
  EXPECT_EQ(copy.comment(6), QString());
  EXPECT_EQ(copy.XML_string(), header.XML_string());

  // Values that do not fit the property's width fail instead of wrapping.
  header.set_Element_Text(QStringLiteral("dog_heat_frame"), QStringLiteral("40000"));
  EXPECT_THROW(header.Dora_heat_frame(1), Dora_Error);
}

TEST_F(Fixed_Header, CompensationTextsFallBackToZero) {
  const struct {
    const char* stored;
    const char* reads;
  } cases[] = {{"abc", "0"}, {"", "0"}, {"12x", "0"}, {"250", "250"}, {"-40", "-40"}, {"0000", "0000"}};
  for (const auto& c : cases) {
    header.set_Goal_Compensation(QString::fromLatin1(c.stored));
    header.set_Split_Compensation(QString::fromLatin1(c.stored));
    EXPECT_EQ(header.Goal_Compensation(), QString::fromLatin1(c.reads)) << c.stored;
    EXPECT_EQ(header.Split_Compensation(), QString::fromLatin1(c.reads)) << c.stored;
  }
  header.set_Dora_box_delay(QStringLiteral("abc")); // no numeric check for the box delay
  EXPECT_EQ(header.Dora_box_delay(), QStringLiteral("abc"));
}

TEST_F(Fixed_Header, UnknownContentSurvivesLoadingAndRewriting) {
  const QString foreign = QStringLiteral("<stream_header sel=\"1,2,30,40\">") + nl +
                          QStringLiteral("<model kind=\"a&amp;b\">x &lt; y</model>") + nl +
                          QStringLiteral("<!--kept--><?tool run?><![CDATA[raw <data>]]>") + nl +
                          QStringLiteral("<lane_position/>") + nl + QStringLiteral("</stream_header>") + nl;
  QString text = expected_fresh_text(true, true);
  text.insert(text.indexOf(QStringLiteral("</file_data>")), foreign);
  text.insert(text.indexOf(QStringLiteral("</QNV_header>")), QStringLiteral("<golf grade=\"A\">par</golf>") + nl);

  Cls_XML_header loaded;
  loaded.set_XML_string(text);
  ASSERT_TRUE(loaded.XML_Valid());
  EXPECT_EQ(loaded.Loaded_Text(), text);
  EXPECT_EQ(loaded.XML_string(), text);

  loaded.set_Dora_Dog_name(6, QStringLiteral("Rex"));
  loaded.set_Update_Time(QStringLiteral("17.05.26 15:00"));
  loaded.set_Update_Program(QStringLiteral("Doravent_HDMI"));
  const QString rewritten = loaded.XML_string();
  EXPECT_TRUE(rewritten.contains(foreign));
  EXPECT_TRUE(rewritten.contains(QStringLiteral("<golf grade=\"A\">par</golf>")));
  EXPECT_TRUE(rewritten.contains(QStringLiteral("<update_date>17.05.26 15:00</update_date>")));
  EXPECT_TRUE(rewritten.contains(QStringLiteral("<update_program>Doravent_HDMI</update_program>")));

  // Building a new document drops what was loaded.
  loaded.Create_Header();
  EXPECT_FALSE(loaded.XML_string().contains(QStringLiteral("stream_header")));
}

TEST_F(Fixed_Header, TextThatDoesNotParseLeavesAnEmptyDocument) {
  const QString good = header.XML_string();
  for (const char* bad : {"<QNV_header><a></QNV_header>", "not xml at all", "<a>", "<?xml version=\"1.0\"?><a b=c/>"}) {
    Prompts_Guard shown;
    Cls_XML_header loaded;
    loaded.set_XML_string(good);
    ASSERT_TRUE(loaded.XML_Valid());
    loaded.set_XML_string(QString::fromLatin1(bad));
    EXPECT_FALSE(loaded.XML_Valid()) << bad;
    EXPECT_EQ(loaded.XML_string(), QString()) << bad;
    EXPECT_EQ(loaded.Len_XML(), 0);
    EXPECT_THROW(loaded.Dora_event(), Dora_Error);
    EXPECT_EQ(loaded.Comp_Name(), QStringLiteral("Unknown computer name"));
    EXPECT_TRUE(shown->seen.empty()) << bad;
  }

  // In development mode the parser's complaint is shown.
  Prompts_Guard shown;
  program().Development_Mode = true;
  Cls_XML_header loaded;
  loaded.set_XML_string(QStringLiteral("<a>\r\n<b>\r\n</a>"));
  program().Development_Mode = false;
  EXPECT_FALSE(loaded.XML_Valid());
  ASSERT_EQ(shown->messages().size(), 1);
  const QString message = shown->messages().front();
  EXPECT_TRUE(message.startsWith(QStringLiteral("XML parse failed! reason = "))) << message.toStdString();
  EXPECT_TRUE(message.contains(QStringLiteral(" line = 3 srctext = </a>"))) << message.toStdString();
}

TEST_F(Fixed_Header, TextEndsAtTheFirstZeroCharacter) {
  QString stored = header.XML_string();
  stored += QChar(0);
  stored += QStringLiteral("garbage after the text <<<");
  Cls_XML_header loaded;
  loaded.set_XML_string(stored);
  EXPECT_TRUE(loaded.XML_Valid());
  EXPECT_EQ(loaded.XML_string(), header.XML_string());
}

TEST_F(Fixed_Header, LatinOneNamesSurviveTheStoredBytes) {
  header.set_Dora_Dog_name(1, QStringLiteral("Bjørn"));
  header.set_Dora_event(QStringLiteral("Élan Cup ½"));
  const QByteArray bytes = header.XML_string().toLatin1();
  EXPECT_TRUE(bytes.contains("<dog_name>Bj\xF8rn</dog_name>")); // one byte per character
  EXPECT_TRUE(bytes.contains("<dora_event>\xC9lan Cup \xBD</dora_event>"));

  Cls_XML_header loaded;
  loaded.set_XML_string(QString::fromLatin1(bytes));
  ASSERT_TRUE(loaded.XML_Valid());
  EXPECT_EQ(loaded.Dora_Dog_name(1), QStringLiteral("Bjørn"));
  EXPECT_EQ(loaded.Dora_event(), QStringLiteral("Élan Cup ½"));
}

TEST_F(Fixed_Header, CharactersOutsideLatinOneBecomeQuestionMarks) {
  header.set_Dora_Dog_name(2, QStringLiteral("Łucja ✓ 🐕"));
  EXPECT_EQ(header.Dora_Dog_name(2), QStringLiteral("?ucja ? ?"));
  const QString text = header.XML_string();
  for (const QChar c : text)
    ASSERT_LE(c.unicode(), 0xFF);

  Cls_XML_header loaded;
  loaded.set_XML_string(text);
  ASSERT_TRUE(loaded.XML_Valid());
  EXPECT_EQ(loaded.Dora_Dog_name(2), QStringLiteral("?ucja ? ?"));

  // The same holds for a loaded text.
  QString foreign = text;
  foreign.replace(QStringLiteral("<dog_name>dog name</dog_name>"), QStringLiteral("<dog_name>Żaba</dog_name>"));
  loaded.set_XML_string(foreign);
  ASSERT_TRUE(loaded.XML_Valid());
  EXPECT_EQ(loaded.Dora_Dog_name(1), QStringLiteral("?aba"));

  // Control characters are escaped, so the text still parses.
  header.set_comment(3, QStringLiteral("bell\athere"));
  loaded.set_XML_string(header.XML_string());
  ASSERT_TRUE(loaded.XML_Valid());
  EXPECT_EQ(loaded.comment(3), QStringLiteral("bell\athere"));
}

TEST_F(Fixed_Header, SerializedLengthsFollowTheCache) {
  const int16_t before = header.XML_len();
  header.set_Subject_name(QStringLiteral("a longer subject name"));
  EXPECT_EQ(header.XML_len(), before); // not serialized yet
  EXPECT_EQ(header.Len_XML(), before + 17);
  EXPECT_EQ(header.XML_len(), before + 17);

  header.set_comment(4, QString(40000, QLatin1Char('x')));
  EXPECT_EQ(header.Len_XML(), before + 17 + 40000 - 4);
  try {
    header.XML_len();
    ADD_FAILURE() << "a text over 32767 characters must not fit";
  } catch (const Dora_Error& e) {
    EXPECT_EQ(e.number(), 6);
  }
}

TEST_F(Fixed_Header, DumpGoesToTheDataFolder) {
  Prompts_Guard shown;
  const QString folder = Local_AppData_Folder();
  ASSERT_FALSE(folder.isEmpty());
  QFile::remove(folder + QStringLiteral("xmldump.xml"));
  {
    QFile stale(folder + QStringLiteral("named.xml"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(100000, 'z'));
  }
  header.set_Dora_Dog_name(1, QStringLiteral("Bjørn"));
  header.Dump_XML_to_File(QString());
  header.Dump_XML_to_File(QStringLiteral("../named.xml"));

  for (const char* name : {"xmldump.xml", "named.xml"}) {
    QFile file(folder + QString::fromLatin1(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    EXPECT_EQ(file.readAll(), header.XML_string().toLatin1()) << name;
  }
  EXPECT_EQ(shown->messages(), QStringList({QStringLiteral("XML header dumped to: ") + folder + "xmldump.xml",
                                            QStringLiteral("XML header dumped to: ") + folder + "named.xml"}));
}

TEST(Xml_Header_Flags, TextFlagsOfOlderHeaders) {
  EXPECT_EQ(Bool_to_XML_string(true), QStringLiteral("t"));
  EXPECT_EQ(Bool_to_XML_string(false), QStringLiteral("f"));
  for (const char* t : {"t", "Y"})
    EXPECT_TRUE(XML_string_to_Bool(QString::fromLatin1(t))) << t;
  for (const char* f : {"f", "True", "y", "T", "", "t "})
    EXPECT_FALSE(XML_string_to_Bool(QString::fromLatin1(f))) << f;
}

// Each property on a header that lacks its element: the described fallback, or a failure.
TEST_F(Fixed_Header, EveryPropertyOnAMissingElement) {
  const QString throws = QStringLiteral("<throws>");
  const std::map<QString, std::pair<QString, QString>> cases = {
      // property: element taken out, what the read gives
      {"Dora_Dog_name", {"dog_name", throws}},
      {"Dora_Heat_time", {"dog_heat_time", throws}},
      {"Dora_Heat_time split", {"dog_split_time", throws}},
      {"Dora_Heat_Click_Time", {"dog_heat_click_time", "0"}},
      {"Dora_heat_frame", {"dog_heat_frame", throws}},
      {"Dora_split_frame", {"dog_split_frame", throws}},
      {"Dora_dead_heat", {"dog_dead_heat", "false"}},
      {"Dora_event", {"dora_event", throws}},
      {"Dora_Heat_ID", {"dora_heat_ID", throws}},
      {"Dora_Heat_Name", {"dora_heat_name", throws}},
      {"Dora_Heat_Length", {"dora_heat_length", throws}},
      {"Dora_Goal_Finish", {"dora_goal_finish", throws}},
      {"Dora_Goal_Split", {"dora_goal_split", throws}},
      {"Dora_start_DateTime", {"dora_start_datetime", throws}},
      {"Dora_heat_start_Local_mill", {"dora_start_local_mill", throws}},
      {"Dora_heat_start_PC_mill", {"dora_start_PC_mill", throws}},
      {"Dora_start_HDMI_events", {"dora_start_HDMI_events", throws}},
      {"Goal_Compensation", {"dora_goal_time_offset", "0"}},
      {"Split_Compensation", {"dora_split_time_offset", "0"}},
      {"Dora_box_delay", {"dora_box_delay", "0"}},
      {"Creation_date", {"creation_date", throws}},
      {"Last_Capture_time", {"last_capture_time", "26-05-17 14:30:00"}},
      {"Last_Append_time", {"last_append_time", throws}},
      {"Comp_Name", {"comp_name", "Unknown computer name"}},
      {"Comp_CaptureInfo", {"comp_captureinfo", "Unknown Capture Info!"}},
      {"Comp_CPUInfo", {"comp_cpuinfo", "Not known!"}},
      {"Comp_CPUbitness", {"comp_cpubitness", "Not known!"}},
      {"Comp_OSbitness", {"comp_osbitness", "Not known!"}},
      {"Phidget_serial", {"phidget_serial", "Not known!"}},
      {"RGB_JPEG_codec", {"RGB_JPEG_Codec", "unknown"}},
      {"RGB_JPEG_Quality", {"RGB_JPEG_Quality", "0000"}},
      {"comment", {"file_comment2", ""}},
      {"SpecApp", {"specapp1", "None"}},
      {"Streams_no", {"num_streams", throws}},
      {"Frames_no", {"num_frames", throws}},
      {"Segments_no", {"num_segments", throws}},
      {"Capture_source", {"capture_source", throws}},
      {"Capture_property", {"capture_property", throws}},
      {"Capture_sample_size", {"capture_sample_size", throws}},
      {"Actual_sample", {"actual_sample", throws}},
      {"prog_id", {"prog_id", throws}},
      {"Prog_Major", {"prog_major", throws}},
      {"Prog_Minor", {"prog_minor", throws}},
      {"Prog_Revision", {"prog_revision", throws}},
      {"OS_version", {"os_version", throws}},
      {"Hdr_spare1", {"hdr_spare1", throws}},
      {"File_comment1", {"file_comment1", throws}},
      {"Subject_name", {"subject_name", throws}},
      {"RGB_X", {"RGB_X", throws}},
      {"RGB_Y", {"RGB_Y", throws}},
      {"RGB_Image_Size", {"RGB_image_size", throws}},
      {"RGB_Max_Seen_size", {"RGB_max_seen_size", throws}},
      {"RGB_Comp_Threshold", {"RGB_comp_threshold", throws}},
      {"RGB_Compressed_max_Size", {"RGB_compressed_max_size", throws}},
      {"RGB_Compressed_min_Size", {"RGB_compressed_min_size", throws}},
      {"RGB_Compressed_buffer_Size", {"RGB_compressed_buffer_size", throws}},
      {"RGB_Sample_Size", {"RGB_sample_size", throws}},
      {"RGB_fourcc", {"RGB_fourcc", throws}},
      {"RGB_fps", {"RGB_fps", throws}},
      {"JPG_Reduced_Qual_num", {"RGB_JPEG_Quality_num_reduced", throws}},
      {"RGB_interlaced", {"RGB_interlaced", throws}},
      {"RGB_Rotated", {"RGB_rotated", throws}},
      {"RGB_preview_on", {"RGB_preview_on", throws}},
  };
  header.set_Dora_heat_start_Local_mill(1);
  header.set_Dora_heat_start_PC_mill(2);
  header.set_Dora_start_HDMI_events(3);
  const QString fresh = header.XML_string();
  const auto readers = Every_Header_Reader();
  ASSERT_EQ(readers.size(), cases.size());
  for (const Header_Reader& reader : readers) {
    const auto found = cases.find(QString::fromLatin1(reader.name));
    ASSERT_NE(found, cases.end()) << reader.name;
    const auto& [element, expected] = found->second;
    const QString damaged = without_element(fresh, element);
    ASSERT_LT(damaged.size(), fresh.size()) << element.toStdString();
    Cls_XML_header loaded;
    loaded.set_XML_string(damaged);
    ASSERT_TRUE(loaded.XML_Valid());
    QString got;
    try {
      got = reader.read(loaded);
    } catch (const Dora_Error&) {
      got = throws;
    }
    EXPECT_EQ(got, expected) << reader.name;
    EXPECT_NO_THROW(reader.read(header)) << reader.name; // so the failure came from the missing element
  }

  // A header without last_capture_time nor creation_date passes the failure on.
  Cls_XML_header bare;
  bare.set_XML_string(without_element(without_element(fresh, "last_capture_time"), "creation_date"));
  EXPECT_THROW(bare.Last_Capture_time(), Dora_Error);
  // Writers never create an element: they fail too.
  EXPECT_THROW(bare.set_Element_Text(QStringLiteral("creation_date"), QStringLiteral("x")), Dora_Error);
  bare.set_XML_string(without_element(fresh, "dora_event"));
  EXPECT_THROW(bare.set_Dora_event(QStringLiteral("x")), Dora_Error);
  EXPECT_FALSE(bare.XML_string().contains(QStringLiteral("<dora_event")));
}

TEST_F(Fixed_Header, FailuresWhileBuildingAreReported) {
  Recorded_Errors errors;
  header.set_Environment_Source([]() -> Header_Environment { throw Dora_Error(5, QStringLiteral("no system info")); });
  header.Create_Header();
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_EQ(errors.reports[0].location, QStringLiteral("Create_Header of Class Module Cls_XML_header"));
  EXPECT_EQ(errors.reports[0].description, QStringLiteral("no system info"));
}
