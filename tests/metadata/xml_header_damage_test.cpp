// Damaged header texts: nothing may crash, read out of bounds or escape as anything but Dora_Error.
#include "metadata/xml_header.h"

#include "metadata/xml_header_readers.h"
#include "mock/scripted_prompts.h"
#include "platform/error_report.h"
#include "platform/program_info.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

QString sample_header_text() {
  Cls_XML_header header;
  header.rgb_let(-1);
  header.Create_Header();
  for (int16_t box = 1; box <= 8; ++box) {
    header.set_Dora_Dog_name(box, QStringLiteral("Bjørn %1").arg(box));
    header.set_Dora_Heat_time(box, false, 21000 + box * 37);
    header.set_Dora_heat_frame(box, static_cast<int16_t>(100 + box));
    header.set_Dora_dead_heat(box, box == 2);
  }
  header.set_Dora_heat_start_PC_mill(123456789);
  header.set_Dora_heat_start_Local_mill(52200000);
  header.set_Dora_start_HDMI_events(4711);
  header.set_Goal_Compensation(QStringLiteral("200"));
  header.set_RGB_interlaced(true);
  return header.XML_string();
}

// Reads every property of every box; a failure may only be the header's own.
void read_everything(const Cls_XML_header& header) {
  for (const int16_t box : {int16_t{1}, int16_t{8}}) {
    for (const Header_Reader& reader : Every_Header_Reader(box)) {
      try {
        (void)reader.read(header);
      } catch (const Dora_Error&) {
      }
    }
  }
}

void load_and_read(const QString& text) {
  Cls_XML_header header;
  header.set_XML_string(text);
  read_everything(header);
  // Whatever was loaded serializes and loads again.
  const QString again = header.XML_string();
  Cls_XML_header reloaded;
  reloaded.set_XML_string(again);
  if (header.XML_Valid()) {
    EXPECT_TRUE(reloaded.XML_Valid());
  }
  try {
    header.set_Dora_Heat_time(3, true, 1);
    header.set_Dora_Dog_name(1, QStringLiteral("x"));
  } catch (const Dora_Error&) {
  }
}

// What the readers with a fallback give when their element is missing; all others throw the
// header's own error.
const std::map<std::string, QString>& fallbacks() {
  static const std::map<std::string, QString> values = {
      {"Dora_Heat_Click_Time", "0"},
      {"Dora_dead_heat", "false"},
      {"Goal_Compensation", "0"},
      {"Split_Compensation", "0"},
      {"Dora_box_delay", "0"},
      {"Comp_Name", "Unknown computer name"},
      {"Comp_CaptureInfo", "Unknown Capture Info!"},
      {"Comp_CPUInfo", "Not known!"},
      {"Comp_CPUbitness", "Not known!"},
      {"Comp_OSbitness", "Not known!"},
      {"Phidget_serial", "Not known!"},
      {"RGB_JPEG_codec", "unknown"},
      {"RGB_JPEG_Quality", "0000"},
      {"comment", ""},
      {"SpecApp", "None"},
  };
  return values;
}

// A header whose text did not parse is empty: every reader throws or gives its fallback.
void expect_failed_load(const Cls_XML_header& header, const std::string& what) {
  EXPECT_FALSE(header.XML_Valid()) << what;
  for (const int16_t box : {int16_t{1}, int16_t{8}}) {
    for (const Header_Reader& reader : Every_Header_Reader(box)) {
      const auto fallback = fallbacks().find(reader.name);
      if (fallback == fallbacks().end())
        EXPECT_THROW((void)reader.read(header), Dora_Error) << reader.name << " " << what;
      else
        EXPECT_EQ(reader.read(header), fallback->second) << reader.name << " " << what;
    }
  }
}

// Every reader's text, or "!" when it throws.
std::vector<QString> read_all(const Cls_XML_header& header, int16_t box) {
  std::vector<QString> texts;
  for (const Header_Reader& reader : Every_Header_Reader(box)) {
    try {
      texts.push_back(reader.read(header));
    } catch (const Dora_Error&) {
      texts.push_back(QStringLiteral("!"));
    }
  }
  return texts;
}

} // namespace

TEST(Xml_Header_Damage, TruncatedTextsLoadNothingAndSayWhyInDevelopmentMode) {
  Prompts_Guard shown;
  const QString good = sample_header_text();
  const QByteArray bytes = good.toLatin1();
  const qsizetype root_end = bytes.lastIndexOf("</QNV_header>") + qsizetype{13};
  ASSERT_GT(root_end, 13);
  program().Development_Mode = true;
  int cuts = 0;
  for (qsizetype length = 0; length < root_end; length += length + 64 < root_end ? 9 : 1) {
    shown->seen.clear();
    Cls_XML_header header;
    header.set_XML_string(QString::fromLatin1(bytes.left(length)));
    expect_failed_load(header, "cut at " + std::to_string(length));
    ASSERT_EQ(shown->seen.size(), 1u) << length;
    EXPECT_TRUE(shown->seen[0].text.startsWith(QStringLiteral("XML parse failed! reason = "))) << length;
    ++cuts;
  }
  program().Development_Mode = false;
  EXPECT_GT(cuts, 100);

  // Cut after the root: whole, and as written.
  shown->seen.clear();
  Cls_XML_header whole;
  whole.set_XML_string(QString::fromLatin1(bytes.left(root_end)));
  ASSERT_TRUE(whole.XML_Valid());
  Cls_XML_header original;
  original.set_XML_string(good);
  for (const int16_t box : {int16_t{1}, int16_t{8}})
    EXPECT_EQ(read_all(whole, box), read_all(original, box));
  EXPECT_EQ(whole.Dora_Dog_name(8), QStringLiteral("Bjørn 8"));
  EXPECT_TRUE(shown->seen.empty());
}

TEST(Xml_Header_Damage, BitFlipsInOneBoxLeaveEverythingBeforeIt) {
  Prompts_Guard shown;
  const QString good = sample_header_text();
  const QByteArray bytes = good.toLatin1();
  Cls_XML_header original;
  original.set_XML_string(good);
  std::mt19937 random(20260517);
  std::uniform_int_distribution<int> box_of(1, 8);
  std::uniform_int_distribution<int> bit(0, 7);
  std::uniform_int_distribution<int> flips(1, 4);
  int valid = 0;
  int invalid = 0;
  for (int copy = 0; copy < 600; ++copy) {
    // Flips only inside box b's element: boxes before it and the file data come first in the
    // document, so a document that still parses reads them as written.
    const int16_t b = static_cast<int16_t>(box_of(random));
    const qsizetype from = bytes.indexOf(QStringLiteral("<box id=\"%1\">").arg(b).toLatin1());
    const qsizetype to = bytes.indexOf("</box>", from) + 6;
    ASSERT_GT(from, 0);
    std::uniform_int_distribution<qsizetype> position(from, to - 1);
    QByteArray damaged = bytes;
    for (int f = flips(random); f > 0; --f)
      damaged[position(random)] ^= static_cast<char>(1 << bit(random));
    Cls_XML_header header;
    header.set_XML_string(QString::fromLatin1(damaged));
    const std::string what = "copy " + std::to_string(copy) + " box " + std::to_string(b);
    if (!header.XML_Valid()) {
      ++invalid;
      expect_failed_load(header, what);
      continue;
    }
    ++valid;
    for (int16_t before = 1; before < b; ++before)
      EXPECT_EQ(read_all(header, before), read_all(original, before)) << what << " box " << before;
    EXPECT_EQ(header.Comp_Name(), original.Comp_Name()) << what;
    EXPECT_EQ(header.RGB_interlaced(), true) << what;
    EXPECT_EQ(header.Dora_heat_start_PC_mill(), 123456789) << what;
    // What loaded serializes and loads again to the same readings.
    Cls_XML_header reloaded;
    reloaded.set_XML_string(header.XML_string());
    ASSERT_TRUE(reloaded.XML_Valid()) << what;
    EXPECT_EQ(read_all(reloaded, b), read_all(header, b)) << what;
  }
  // Both outcomes were met: the damage was not all of one kind.
  EXPECT_GT(valid, 20);
  EXPECT_GT(invalid, 300);
  EXPECT_TRUE(shown->seen.empty()); // no message outside development mode
}

TEST(Xml_Header_Damage, HostileStructures) {
  Prompts_Guard shown;
  const QString good = sample_header_text();
  const int depth = 100000;
  const QString deep_open = QStringLiteral("<i>").repeated(depth);
  const QString deep_close = QStringLiteral("</i>").repeated(depth);

  QString nested_name = good;
  nested_name.replace(QStringLiteral("<dog_name>Bjørn 1</dog_name>"), QStringLiteral("<dog_name>a") + deep_open +
                                                                          QStringLiteral("b") + deep_close +
                                                                          QStringLiteral("c</dog_name>"));
  QString duplicate_boxes = good;
  duplicate_boxes.replace(QStringLiteral("<box id=\"2\">"), QStringLiteral("<box id=\"1\">"));

  const QString cases[] = {
      QStringLiteral("<QNV_header>") + deep_open + deep_close + QStringLiteral("</QNV_header>"),
      deep_open,
      nested_name,
      duplicate_boxes,
      QStringLiteral("<QNV_header><doravent><box id=\"1\"><dog_heat_time>1e400</dog_heat_time>"
                     "<dog_heat_frame>99999999999999999999</dog_heat_frame><dog_split_time>-</dog_split_time>"
                     "<dog_heat_click_time>nan</dog_heat_click_time></box></doravent></QNV_header>"),
      QStringLiteral("<QNV_header a=\"") + QString(200000, QLatin1Char('x')) + QStringLiteral("\"/>"),
      QStringLiteral("<!DOCTYPE x [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]><x>&b;</x>"),
      QStringLiteral("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><QNV_header/>"),
      QString(QChar(0)) + good,
  };
  for (const QString& text : cases)
    load_and_read(text);

  Cls_XML_header header;
  header.set_XML_string(nested_name);
  ASSERT_TRUE(header.XML_Valid());
  EXPECT_EQ(header.Dora_Dog_name(1), QStringLiteral("abc"));
  header.set_XML_string(duplicate_boxes);
  EXPECT_EQ(header.Dora_Dog_name(1), QStringLiteral("Bjørn 1")); // the first in document order
  EXPECT_THROW(header.Dora_Dog_name(2), Dora_Error);

  // Element names that are no valid path fail as the header's own error.
  for (const char* name : {"a]|//*[", "", "[", "dog_name[@id='1' or ''='']"}) {
    try {
      (void)header.Element_Text(QString::fromLatin1(name));
    } catch (const Dora_Error&) {
    }
  }
  EXPECT_TRUE(shown->seen.empty());
}
