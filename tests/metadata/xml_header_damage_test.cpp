// Damaged header texts: nothing may crash, read out of bounds or escape as anything but Dora_Error.
#include "metadata/xml_header.h"

#include "metadata/xml_header_readers.h"
#include "mock/scripted_prompts.h"
#include "platform/error_report.h"

#include <gtest/gtest.h>

#include <random>

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

} // namespace

TEST(Xml_Header_Damage, TruncatedAndBitFlippedTexts) {
  Prompts_Guard shown;
  const QString good = sample_header_text();
  const QByteArray bytes = good.toLatin1();

  for (qsizetype length = 0; length < bytes.size(); length += length + 64 < bytes.size() ? 9 : 1)
    load_and_read(QString::fromLatin1(bytes.left(length)));

  std::mt19937 random(20260517);
  std::uniform_int_distribution<qsizetype> position(0, bytes.size() - 1);
  std::uniform_int_distribution<int> bit(0, 7);
  std::uniform_int_distribution<int> flips(1, 4);
  for (int copy = 0; copy < 1000; ++copy) {
    QByteArray damaged = bytes;
    for (int f = flips(random); f > 0; --f)
      damaged[position(random)] ^= static_cast<char>(1 << bit(random));
    load_and_read(QString::fromLatin1(damaged));
  }
  EXPECT_TRUE(shown->seen.empty());
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
