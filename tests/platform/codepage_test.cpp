#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace qf::platform {
namespace {

TEST(CodePage, DecodesGbkAndUtf8ToTheSameCharacters) {
  const std::u16string expected = u"a你好\u3000";  // ideographic space is A1 A1 in GBK
  EXPECT_EQ(MultiByteToWideChar(CP_GBK, "a\xC4\xE3\xBA\xC3\xA1\xA1"), expected);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, "a\xC4\xE3\xBA\xC3\xA1\xA1"), expected);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, "a\xE4\xBD\xA0\xE5\xA5\xBD\xE3\x80\x80"), expected);
}

TEST(CodePage, ConvertsTheWholeInputZeroBytesIncluded) {
  EXPECT_EQ(MultiByteToWideChar(CP_GBK, std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, std::u16string_view(u"a\0b", 3)), std::string("a\0b", 3));
}

struct InvalidCase {
  const char* name;
  unsigned codePage;
  std::string bytes;
  std::u16string expected;
};

class InvalidInput : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidInput, BecomesReplacementCharactersWithoutCuttingTheText) {
  EXPECT_EQ(MultiByteToWideChar(GetParam().codePage, GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, InvalidInput,
    ::testing::Values(
        InvalidCase{"gbk_lone_lead_at_end", CP_GBK, "ab\xC4", u"ab\uFFFD"},
        InvalidCase{"gbk_lead_before_non_trail_keeps_it", CP_GBK, "\xC4!", u"\uFFFD!"},
        InvalidCase{"gbk_ascii_letter_is_a_trail_byte", CP_GBK, "\x81\x40", u"\u4E02"},
        InvalidCase{"gbk_byte_ff", CP_GBK, "\xFFx", u"\uFFFDx"},
        InvalidCase{"utf8_stray_continuation", CP_UTF8, "a\x80z", u"a\uFFFDz"},
        InvalidCase{"utf8_truncated_sequence", CP_UTF8, "\xE4\xBDz", u"\uFFFDz"},
        InvalidCase{"utf8_overlong_slash", CP_UTF8, "\xC0\xAF!", u"\uFFFD\uFFFD!"},
        InvalidCase{"utf8_encoded_surrogate", CP_UTF8, "\xED\xA0\x80.", u"\uFFFD\uFFFD\uFFFD."},
        InvalidCase{"utf8_past_unicode", CP_UTF8, "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        InvalidCase{"unknown_code_page", 1252, "abc", u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CodePage, UnrepresentableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, u"a\u0E01b"), "a?b");     // Thai is not in GBK
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, u"\U0001F600!"), "?!");   // one mark per character
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
}

TEST(CodePage, RoundTripsEveryGbkDoubleByteCharacter) {
  std::string all;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      std::u16string wide = MultiByteToWideChar(CP_GBK, pair);
      if (wide == u"\uFFFD" || wide.size() != 1) continue;  // unassigned in GBK
      all += pair;
    }
  ASSERT_GT(all.size(), 2u * 21000);  // GBK assigns about 21,900 double-byte characters
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, MultiByteToWideChar(CP_GBK, all)), all);
  EXPECT_EQ(Utf8BytesToGbk(GbkBytesToUtf8(all)), all);
}

TEST(CodePage, DirectConversionAgreesWithTheWideRoute) {
  const std::string gbk = "x\xC4\xE3\x80\xC4" "y\xFF";
  EXPECT_EQ(GbkBytesToUtf8(gbk), WideCharToMultiByte(CP_UTF8, MultiByteToWideChar(CP_GBK, gbk)));
  const std::string utf8 = "\xE4\xBD\xA0\xE0\xB8\x81\xC0z";
  EXPECT_EQ(Utf8BytesToGbk(utf8), WideCharToMultiByte(CP_GBK, MultiByteToWideChar(CP_UTF8, utf8)));
}

}  // namespace
}  // namespace qf::platform
