#include "platform/regexp.h"

#include <gtest/gtest.h>

namespace qf::platform {
namespace {

std::shared_ptr<const std::string> Subject(std::string text) { return std::make_shared<const std::string>(std::move(text)); }

TEST(RegExpObject, DefaultsAreCaseSensitiveFirstMatchOnly) {
  RegExp re;
  re.Pattern = "a(b)?";
  auto found = re.Execute(Subject("xaAab"));
  ASSERT_TRUE(found);
  ASSERT_EQ(found->Count(), 1);
  EXPECT_EQ(found->Item(0)->Value(), "a");
  EXPECT_EQ(found->Item(0)->FirstIndex(), 1u);
  EXPECT_FALSE(found->Item(0)->SubMatchTookPart(0));
  EXPECT_EQ(found->Item(0)->SubMatch(0), "");
  EXPECT_EQ(found->Item(1), nullptr);
}

TEST(RegExpObject, EmptyMatchesAdvanceOneCharacter) {
  RegExp re;
  re.Pattern = "x*";
  re.Global = true;
  auto found = re.Execute(Subject("\xE4\xBD\xA0x"));  // a three-byte character, then x
  ASSERT_TRUE(found);
  ASSERT_EQ(found->Count(), 3);  // "" before the character, "x", "" at the end
  EXPECT_EQ(found->Item(1)->Value(), "x");
}

TEST(RegExpObject, MultilineChangesOnlyLineAnchors) {
  RegExp re;
  re.Pattern = "^b$";
  re.Global = true;
  EXPECT_EQ(re.Execute(Subject("a\nb\nc"))->Count(), 0);
  re.Multiline = true;
  EXPECT_EQ(re.Execute(Subject("a\nb\nc"))->Count(), 1);
}

TEST(RegExpObject, RejectedPatternGivesNoCollection) {
  RegExp re;
  re.Pattern = "(a";
  EXPECT_EQ(re.Execute(Subject("a")), nullptr);
  EXPECT_FALSE(re.Replace("a", "b").has_value());
}

struct ReplaceCase {
  const char* pattern;
  bool global;
  const char* subject;
  const char* replacement;
  const char* expected;
};

class RegExpReplace : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(RegExpReplace, ExpandsTheReplacementSyntax) {
  RegExp re;
  re.Pattern = GetParam().pattern;
  re.Global = GetParam().global;
  EXPECT_EQ(re.Replace(GetParam().subject, GetParam().replacement).value(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    RegExpObject, RegExpReplace,
    ::testing::Values(ReplaceCase{"(a)(b)", true, "xaby", "[$2$1]", "x[ba]y"},
                      ReplaceCase{"b", true, "abc", "<$`|$&|$'>", "a<a|b|c>c"},
                      ReplaceCase{"b", true, "abc", "$$", "a$c"},
                      ReplaceCase{"(b)", true, "abc", "$2$0$", "a$2$0$c"},        // no such groups: literal
                      ReplaceCase{"(b)", true, "abc", "$10", "ab0c"},            // $1 then 0
                      ReplaceCase{"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", true, "abcdefghijk", "$11$10", "kj"},
                      ReplaceCase{"o", false, "foo", "0", "f0o"},
                      ReplaceCase{"o", true, "foo", "0", "f00"},
                      ReplaceCase{"(x)?o", true, "o", "[$1]", "[]"}));

}  // namespace
}  // namespace qf::platform
