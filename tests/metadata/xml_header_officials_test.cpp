// The officials' elements of the race section: absent until used, then carried like any other
// element, and invisible to readers that select the elements they know by name.
#include "metadata/xml_header.h"

#include "mock/scripted_prompts.h"
#include "platform/error_report.h"

#include <gtest/gtest.h>

namespace {

Cls_XML_header& fresh(Cls_XML_header& header) {
  header.set_Environment_Source([] { return Header_Environment{}; });
  header.Create_Header();
  return header;
}

TEST(Xml_Header_Officials, AbsentUntilWrittenThenAtTheEndOfTheRaceSection) {
  Prompts_Guard prompts;
  Cls_XML_header header;
  fresh(header);
  const QString untouched = header.XML_string();
  EXPECT_FALSE(untouched.contains(QStringLiteral("dora_result_state")));
  EXPECT_EQ(header.Dora_Result_State(), "");
  EXPECT_EQ(header.Dora_Audit_Head(), "");

  header.set_Dora_Heat_time(3, false, 31250);
  header.set_Dora_Result_State(QStringLiteral("Official"));
  header.set_Dora_Audit_Head(QStringLiteral("4:abc"));
  header.set_Dora_Result_State(QStringLiteral("No Race")); // written again, not added again
  const QString text = header.XML_string();
  EXPECT_EQ(text.count(QStringLiteral("<dora_result_state>")), 1);
  EXPECT_TRUE(text.contains(QStringLiteral("</box>\r\n<dora_result_state>No Race</dora_result_state>\r\n"
                                           "<dora_audit_head>4:abc</dora_audit_head>\r\n</doravent>")))
      << text.toStdString();

  // Loaded again, by this program's reader, everything reads as before.
  Cls_XML_header loaded;
  loaded.set_XML_string(text);
  ASSERT_TRUE(loaded.XML_Valid());
  EXPECT_EQ(loaded.Dora_Result_State(), "No Race");
  EXPECT_EQ(loaded.Dora_Audit_Head(), "4:abc");
  EXPECT_EQ(loaded.Dora_Heat_time(3, false), 31250);
  EXPECT_EQ(loaded.Dora_box_delay(), header.Dora_box_delay());
  EXPECT_EQ(loaded.XML_string(), text);

  // Taking the elements out gives back the header as it was before.
  QString stripped = text;
  stripped.remove(QStringLiteral("<dora_result_state>No Race</dora_result_state>\r\n"));
  stripped.remove(QStringLiteral("<dora_audit_head>4:abc</dora_audit_head>\r\n"));
  Cls_XML_header plain;
  plain.set_XML_string(untouched);
  plain.set_Dora_Heat_time(3, false, 31250);
  EXPECT_EQ(plain.XML_string(), stripped);
  EXPECT_TRUE(prompts->seen.empty());
}

TEST(Xml_Header_Officials, AHeaderWithoutRaceSectionTakesNone) {
  Cls_XML_header header;
  header.Doravent_let(0);
  fresh(header);
  EXPECT_EQ(header.Dora_Result_State(), "");
  EXPECT_THROW(header.set_Dora_Result_State(QStringLiteral("Official")), Dora_Error);
  EXPECT_FALSE(header.XML_string().contains(QStringLiteral("dora_result_state")));
}

} // namespace
