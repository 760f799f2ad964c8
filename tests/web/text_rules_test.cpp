#include "web/text_rules.h"

#include <gtest/gtest.h>

#include "web/codecs.h"

namespace qf {
namespace {

// 0x81 0x41 is one double-byte character whose second byte is the letter A;
// 0xB0 0xA1 is another whose second byte is the first half of an ideographic space.
const std::string kTrailA = "\x81\x41";
const std::string kIdeoSpace = "\xA1\xA1";

struct FindCase {
  const char* name;
  std::string text, needle;
  size_t from;
  bool ignoreCase;
  size_t expected;
};

TEST(FindText, RespectsCharacterBoundariesAndCase) {
  const size_t npos = std::string::npos;
  const FindCase cases[] = {
      {"plain", "abcabc", "ca", 0, false, 2},
      {"from a later byte", "abcabc", "abc", 1, false, 3},
      {"case kept", "Set-Cookie", "set-cookie", 0, false, npos},
      {"case folded", "Set-Cookie", "SET-COOKIE", 0, true, 0},
      {"never on a trail byte", kTrailA, "A", 0, false, npos},
      {"trail byte then a real A", kTrailA + "A", "A", 0, false, 2},
      {"double-byte characters compared exactly", "\x81\x61", kTrailA, 0, true, npos},
      {"Chinese needle", Utf8ToGbk("一二三"), Utf8ToGbk("三"), 0, false, 4},
      {"start inside a character moves to the next one", kTrailA + "xA", "A", 1, false, 3},
      {"empty needle", "ab", "", 1, false, 1},
      {"needle longer than text", "ab", "abc", 0, false, npos},
  };
  for (const FindCase& c : cases) EXPECT_EQ(FindText(c.text, c.needle, c.from, c.ignoreCase), c.expected) << c.name;
}

TEST(ReplaceText, ReplacesEveryOccurrenceInAnyCase) {
  EXPECT_EQ(ReplaceText("set-cookie: a\r\nSET-COOKIE:b", "Set-Cookie", "Set-Cookie", true),
            "Set-Cookie: a\r\nSet-Cookie:b");
  EXPECT_EQ(ReplaceText("aXa", "a", "bb"), "bbXbb");
  EXPECT_EQ(ReplaceText(kTrailA + "A", "A", "z"), kTrailA + "z");
}

TEST(SplitText, FollowsTheSeparatorRules) {
  using V = std::vector<std::string>;
  const struct {
    std::string text, separator;
    V expected;
  } cases[] = {
      {"", ";", V{}},
      {"a", ";", V{"a"}},
      {"a;b;", ";", V{"a", "b"}},
      {";a;;b", ";", V{"", "a", "", "b"}},
      {"a;;", ";", V{"a", ""}},
      {"a; b; c", "; ", V{"a", "b", "c"}},
      {"x\r\ny\r\n", "\r\n", V{"x", "y"}},
      {kTrailA + "A" + kTrailA, "A", V{kTrailA, kTrailA}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitText(c.text, c.separator), c.expected) << c.text;
}

TEST(TrimText, TrimsAsciiAndIdeographicSpacesOnly) {
  const struct {
    std::string text, expected;
  } cases[] = {
      {"  a b  ", "a b"},
      {kIdeoSpace + " x" + kIdeoSpace, "x"},
      {"\tx \r\n", "\tx \r\n"},
      {"", ""},
      {"   ", ""},
      // B0 A1 followed by a lone A1: the last two bytes are not a space character.
      {"\xB0\xA1\xA1", "\xB0\xA1\xA1"},
      {"\xB0\xA1" + kIdeoSpace, "\xB0\xA1"},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimText(c.text), c.expected) << c.text;
}

TEST(RemoveSpaces, RemovesBothKindsEverywhere) {
  EXPECT_EQ(RemoveSpaces("a = 1;" + kIdeoSpace + "b=2 "), "a=1;b=2");
  EXPECT_EQ(RemoveSpaces("\xB0\xA1\xA1 x"), "\xB0\xA1\xA1x");
}

}  // namespace
}  // namespace qf
