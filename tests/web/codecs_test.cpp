#include "web/codecs.h"

#include <gtest/gtest.h>

namespace qf {
namespace {

struct EncodeCase {
  std::string text;
  bool keepPlain;
  bool toUtf8;
  std::string expected;
};

class UrlEncoding : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(UrlEncoding, EncodesAsTheSitesExpect) {
  const EncodeCase& c = GetParam();
  EXPECT_EQ(UrlEncode(c.text, c.keepPlain, c.toUtf8), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, UrlEncoding,
    ::testing::Values(EncodeCase{"\xC4\xE3\xBA\xC3", false, false, "%C4%E3%BA%C3"},       // 你好 in GBK
                      EncodeCase{"\xC4\xE3\xBA\xC3", false, true, "%E4%BD%A0%E5%A5%BD"},  // the same in UTF-8
                      EncodeCase{"a b", false, false, "%61%20%62"},
                      EncodeCase{"a b", true, false, "a%20b"},
                      EncodeCase{"a-b.c/9", true, false, "a-b.c%2F9"},
                      EncodeCase{"_~+Zz09", true, false, "%5F%7E%2BZz09"},
                      EncodeCase{"\x0A\xFF", false, false, "%0A%FF"},
                      EncodeCase{"", false, false, ""},
                      EncodeCase{"", true, true, ""},
                      EncodeCase{std::string("ab\0cd", 5), false, false, "%61%62"}));  // a text ends at its zero

TEST(Codecs, EscapesEveryByteWithTwoUpperCaseDigits) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string encoded = UrlEncode(all);
  ASSERT_EQ(encoded.size(), 255u * 3);
  for (int b = 1; b < 256; ++b) {
    char expected[4];
    std::snprintf(expected, sizeof expected, "%%%02X", b);
    EXPECT_EQ(encoded.substr((b - 1) * 3, 3), expected) << b;
  }
}

TEST(Codecs, WideBuffersCarryTheirTerminator) {
  EXPECT_TRUE(GbkToWide("").empty());
  EXPECT_EQ(GbkToWide("a").size() * sizeof(char16_t), 4u);
  EXPECT_EQ(GbkToWide("\xC4\xE3"), std::u16string(u"你\0", 2));
  EXPECT_EQ(MultiByteToWide(""), std::u16string(1, u'\0'));
  EXPECT_EQ(WideToGbk(std::u16string(u"你好\0x", 4)), "\xC4\xE3\xBA\xC3");
  EXPECT_EQ(WideToMultiByte(std::u16string(u"ab\0", 3)), "ab");
}

TEST(Codecs, GbkAndUtf8RoundTrip) {
  const std::string gbk = "\xC4\xE3\xBA\xC3 world \xA1\xA1\xB8\xFC\xD0\xC2\xD6\xC1\xA3\xBA";  // 你好 world　更新至：
  const std::string utf8 = "\xE4\xBD\xA0\xE5\xA5\xBD world \xE3\x80\x80\xE6\x9B\xB4\xE6\x96\xB0\xE8\x87\xB3\xEF\xBC\x9A";
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(gbk)), gbk);
  EXPECT_EQ(WideToGbk(GbkToWide(gbk)), gbk);
}

TEST(Codecs, InvalidBytesAreReplacedNotDropped) {
  EXPECT_EQ(Utf8ToGbk("a\xFF" "b"), "a?b");         // U+FFFD has no GBK form
  EXPECT_EQ(GbkToUtf8("a\xC4"), "a\xEF\xBF\xBD");  // a lead byte at the end
  EXPECT_EQ(Utf8ToGbk("\xE0\xB8\x81!"), "?!");      // Thai has no GBK form
}

}  // namespace
}  // namespace qf
