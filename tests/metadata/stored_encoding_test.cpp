// What a loaded header or event file shows is what its next save stores: both files hold
// Latin-1 text, whatever encoding or character references the loaded bytes used.
#include "metadata/event_file.h"
#include "metadata/xml_header.h"

#include <gtest/gtest.h>

namespace {

QByteArray Event_With(const QByteArray& declaration, const QByteArray& name) {
  return declaration + "<Doravent_event_file><event_name>" + name +
         "</event_name><heat id=\"1\"><box id=\"1\"><dog_name>Ace</dog_name></box></heat></Doravent_event_file>";
}

TEST(Stored_Encoding, EventFilesReadAsTheirSaveStoresThem) {
  const struct {
    const char* what;
    QByteArray bytes;
    QString shown;
  } cases[] = {
      {"Latin-1 without a declaration", Event_With("", "R\xe9x"), QStringLiteral("R\u00e9x")},
      {"UTF-8 without a declaration", Event_With("", "R\xc3\xa9x"), QStringLiteral("R\u00e9x")},
      {"Latin-1 declared", Event_With("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>", "R\xe9x"),
       QStringLiteral("R\u00e9x")},
      {"declared UTF-8 with a letter beyond Latin-1",
       Event_With("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "\xc4\x90on"), QStringLiteral("?on")},
      {"a reference beyond Latin-1", Event_With("", "&#466;&#233;"), QStringLiteral("?\u00e9")},
      {"a reference past every character", Event_With("", "&#233;&#x47777777777777777771;"),
       QStringLiteral("\u00e9????")},
      {"a damaged declaration that is UTF-8",
       Event_With("<?xml versio\xc3\x84\xc2\x90n=\"1.0\" encAoding=\"iso-8859-1\"?>", "R\xc3\xa9x"),
       QStringLiteral("R\u00e9x")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Event_Document doc;
    ASSERT_FALSE(doc.Load(c.bytes).has_value());
    EXPECT_EQ(doc.Single("event_name"), c.shown);
    EXPECT_EQ(doc.Dog_Name(1, 1), QStringLiteral("Ace"));
    const QByteArray saved = doc.Bytes();
    EXPECT_TRUE(saved.startsWith("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n")) << saved.left(60).data();
    Event_Document again;
    ASSERT_FALSE(again.Load(saved).has_value());
    EXPECT_EQ(again.Single("event_name"), c.shown);
    EXPECT_EQ(again.Bytes(), saved);
  }
}

// A name the Latin-1 file cannot hold would save as a file that no longer loads.
TEST(Stored_Encoding, AnEventFileWithNamesBeyondLatin1IsRefused) {
  Event_Document doc;
  ASSERT_FALSE(doc.Load(Event_With("", "Kept")).has_value());
  const QByteArray before = doc.Bytes();
  for (const QByteArray& bad : {QByteArray("<Doravent_event_file><ev\xc4\x90nt/></Doravent_event_file>"),
                                QByteArray("<Doravent_event_file><heat \xc5\x81id=\"1\"/></Doravent_event_file>")}) {
    const std::optional<QString> failure = doc.Load(bad);
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->contains(QStringLiteral("ISO-8859-1"))) << failure->toStdString();
    EXPECT_EQ(doc.Bytes(), before);
  }
  // Latin-1 letters in names are kept.
  ASSERT_FALSE(doc.Load("<Doravent_event_file><h\xe9"
                        "at/></Doravent_event_file>")
                   .has_value());
  Event_Document again;
  EXPECT_FALSE(again.Load(doc.Bytes()).has_value());
}

TEST(Stored_Encoding, AHeaderReferenceBeyondLatin1ReadsAsItsSave) {
  const struct {
    const char* reference;
    QString shown;
  } cases[] = {{"&#466;&amp;&#x41;", QStringLiteral("?&A")},
               // Past U+10FFFF: no character at all, yet it reads, and saves, as the same text.
               {"&#233;&amp;&#x477777777777777777777777771;", QStringLiteral("\u00e9&????")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reference);
    Cls_XML_header header;
    header.set_XML_string(QStringLiteral("<?xml version=\"1.0\"?><QNV_header><doravent><box id=\"1\"><dog_name>") +
                          QString::fromLatin1(c.reference) +
                          QStringLiteral("</dog_name></box></doravent></QNV_header>"));
    ASSERT_TRUE(header.XML_Valid());
    EXPECT_EQ(header.Dora_Dog_name(1), c.shown);
    Cls_XML_header saved;
    saved.set_XML_string(header.XML_string());
    EXPECT_EQ(saved.Dora_Dog_name(1), c.shown);
    EXPECT_EQ(saved.XML_string(), header.XML_string());
  }
}

} // namespace
