#pragma once
// Text conversions of the header document: ISO-8859-1 at the boundary, numbers as decimal text.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <pugixml.hpp>
#include <string>

namespace xml_header_text {

// Latin-1 bytes of the text; each character outside Latin-1 becomes one '?', and *replaced
// tells whether that happened.
QByteArray To_Latin1(const QString& text, bool* replaced = nullptr);

// The document's own (UTF-8) form of a text, limited to Latin-1 the same way.
std::string To_Document(const QString& text);
// Reads as the file stores it: characters outside Latin-1 (from character references) become '?'.
QString From_Document(const char* text);
// Makes every text and attribute value of a parsed document read back as From_Document shows
// it, so a save stores what was shown: a character reference no character has (past U+10FFFF)
// leaves bytes that are no UTF-8, which a save would otherwise drop.
void Normalize_Document(pugi::xml_node root);

// The value of a decimal number text (blanks around it, a sign, a fraction and an exponent
// allowed); nullopt when the text is not a number.
std::optional<double> Number_Value(const QString& text);
bool Is_Numeric(const QString& text);

// Number texts converted the way the header's readers need: rounded half to even; throws
// Dora_Error 13 for a text that is not a number and 6 for a value out of range.
int32_t Text_To_Long(const QString& text);
int16_t Text_To_Integer(const QString& text);

// A time in its padded text form: " mm:ss,hh" with optional leading hours, "-" for negatives.
QString Padded_Mill_Time(int32_t ms);

} // namespace xml_header_text
