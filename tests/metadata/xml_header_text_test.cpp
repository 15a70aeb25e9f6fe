#include "metadata/xml_header_text.h"

#include "platform/error_report.h"

#include <gtest/gtest.h>

#include <optional>

using namespace xml_header_text;

TEST(Xml_Header_Text, NumberTextsConvertLikeTheReadersNeed) {
  const struct {
    const char* text;
    std::optional<int32_t> value; // nullopt: not a number
  } cases[] = {
      {"000000", 0},
      {"31250", 31250},
      {" 42 ", 42},
      {"-17", -17},
      {"+8", 8},
      {"12.5", 12},
      {"13.5", 14},
      {"-2.5", -2},
      {"1e3", 1000},
      {".5", 0},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"abc", std::nullopt},
      {"", std::nullopt},
      {"12x", std::nullopt},
      {"1 2", std::nullopt},
      {"-", std::nullopt},
      {"1e", std::nullopt},
      {".", std::nullopt},
      {"0x10", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
  };
  for (const auto& c : cases) {
    const QString text = QString::fromLatin1(c.text);
    EXPECT_EQ(Is_Numeric(text), c.value.has_value()) << c.text;
    if (c.value) {
      EXPECT_EQ(Text_To_Long(text), *c.value) << c.text;
    } else {
      try {
        Text_To_Long(text);
        ADD_FAILURE() << c.text << " converted";
      } catch (const Dora_Error& e) {
        EXPECT_EQ(e.number(), 13) << c.text;
      }
    }
  }
}

TEST(Xml_Header_Text, ValuesOutsideTheWidthOverflow) {
  const struct {
    const char* text;
    bool fits_long;
    bool fits_integer;
  } cases[] = {
      {"32767", true, true},   {"-32768", true, true},       {"32768", true, false},
      {"-32769", true, false}, {"2147483648", false, false}, {"1e400", false, false},
      {"-9e18", false, false}, {"32767.4", true, true},      {"32767.5", true, false},
  };
  for (const auto& c : cases) {
    const QString text = QString::fromLatin1(c.text);
    auto number_of = [](auto convert) {
      try {
        convert();
        return 0;
      } catch (const Dora_Error& e) {
        return static_cast<int>(e.number());
      }
    };
    // 1e400 is no finite number at all, so it is a type mismatch rather than an overflow.
    const int failure = QString::fromLatin1(c.text) == QLatin1String("1e400") ? 13 : 6;
    EXPECT_EQ(number_of([&] { return Text_To_Long(text); }), c.fits_long ? 0 : failure) << c.text;
    EXPECT_EQ(number_of([&] { return Text_To_Integer(text); }), c.fits_integer ? 0 : failure) << c.text;
  }
}

TEST(Xml_Header_Text, PaddedTimeText) {
  const struct {
    int32_t ms;
    const char* text;
  } cases[] = {
      {0, " 00:00,00"},
      {65234, " 01:05,23"},
      {3723456, " 1:02:03,46"},
      {-65234, "-01:05,23"},
      {5, " 00:00,00"},
      {15, " 00:00,02"},
      {25, " 00:00,02"},
      {59999, " 01:00,00"},
      {86401000, " 00:01,00"},
      {2147483647, " 20:31:23,65"},
      {-2147483647 - 1, "-20:31:23,65"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Padded_Mill_Time(c.ms), QString::fromLatin1(c.text)) << c.ms;
}

TEST(Xml_Header_Text, LatinOneBoundary) {
  bool replaced = true;
  EXPECT_EQ(To_Latin1(QStringLiteral("Bjørn Élan"), &replaced), QByteArray("Bj\xF8rn \xC9lan"));
  EXPECT_FALSE(replaced);
  EXPECT_EQ(To_Latin1(QStringLiteral("a€b🐕c"), &replaced), QByteArray("a?b?c"));
  EXPECT_TRUE(replaced);
  EXPECT_EQ(From_Document(To_Document(QStringLiteral("ÿ€")).c_str()), QStringLiteral("ÿ?"));
  EXPECT_EQ(From_Document(nullptr), QString());
}
