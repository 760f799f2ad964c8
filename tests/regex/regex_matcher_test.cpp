#include "regex/regex_matcher.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/codepage.h"
#include "platform/com.h"

namespace qf {
namespace {

std::string G(std::string_view utf8) { return platform::Utf8BytesToGbk(utf8); }

struct DialectCase {
  const char* name;
  std::string pattern;
  std::string subject;
  int count;
  std::vector<std::string> firstGroups;  // sub-matches 1.. of match 1
};

class Dialect : public ::testing::TestWithParam<DialectCase> {};

TEST_P(Dialect, MatchesWithTheSystemDefaults) {
  const DialectCase& c = GetParam();
  RegexMatcher m;
  ASSERT_TRUE(m.Execute(c.pattern, c.subject));
  EXPECT_EQ(m.MatchCount(), c.count);
  for (size_t g = 0; g < c.firstGroups.size(); ++g)
    EXPECT_EQ(m.SubMatchText(1, static_cast<int>(g) + 1), c.firstGroups[g]) << "group " << g + 1;
}

INSTANTIATE_TEST_SUITE_P(
    RegexMatcher, Dialect,
    ::testing::Values(
        DialectCase{"ignore_case_on_tags", "<a href=\"(.*?)\">", "<A HREF=\"/X.html\">", 1, {"/X.html"}},
        DialectCase{"lazy_group_stops_at_line_feed", "<b>(.*?)</b>", "<b>one\ntwo</b><b>three</b>", 1, {"three"}},
        DialectCase{"lazy_group_crosses_carriage_return", "<b>(.*?)</b>", "<b>a\rb</b>", 1, {"a\rb"}},
        DialectCase{"any_class_crosses_lines", "<li>[\\S\\s\\n]*?<i>(.*?)</i>", "<li>\r\n\r\n<p>\n<i>x</i>", 1, {"x"}},
        DialectCase{"carriage_return_at_pattern_end_on_crlf", "<td>(.*?)</td>\r", "<td>a</td>\r\n<td>b</td>\r\n", 2,
                    {"a"}},
        DialectCase{"carriage_return_at_pattern_end_on_lf", "<td>(.*?)</td>\r", "<td>a</td>\n<td>b</td>\n", 0, {}},
        DialectCase{"chinese_is_one_character", G("(.)：(.)"), G("名称：好"), 1, {G("称"), G("好")}},
        DialectCase{"chinese_literal_in_pattern", G("更新至：(.*?)<"), G("<span>更新至：第9集</span>"), 1,
                    {G("第9集")}},
        DialectCase{"charset_pattern_quotes", "<meta.+?charset=[^\\w]?([-\\w]+)",
                    "<META http-equiv=Content-Type content=\"text/html; charset='UTF-8'\">", 1, {"UTF-8"}},
        DialectCase{"greedy_plus_and_optional", "a+(b)?c", "xaaac aabc", 2, {""}},
        DialectCase{"global_matches_do_not_overlap", "aa", "aaaaa", 2, {}},
        DialectCase{"groups_numbered_by_opening", "((a)(b))(c)", "abc", 1, {"ab", "a", "b", "c"}},
        DialectCase{"unmatched_group_is_empty", "(x)|(y)", "y", 1, {"", "y"}},
        DialectCase{"no_match_is_an_empty_collection", "zzz", "abc", 0, {}},
        DialectCase{"empty_subject", "a*", "", 1, {}},
        DialectCase{"zero_byte_ends_the_text", "b", std::string("a\0b", 3), 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegexMatcher, OptionsChangeCaseLinesAndGlobal) {
  RegexMatcher m;
  EXPECT_TRUE(m.Execute("ab", "AB ab", /*caseSensitive=*/true));
  EXPECT_EQ(m.MatchCount(), 1);
  EXPECT_EQ(m.MatchText(1), "ab");
  EXPECT_TRUE(m.Execute("^b", "a\nb", false, /*multiline=*/false));
  EXPECT_EQ(m.MatchCount(), 0);
  EXPECT_TRUE(m.Execute("^b", "a\nb"));
  EXPECT_EQ(m.MatchCount(), 1);
  EXPECT_TRUE(m.Execute("a", "aaa", false, true, /*global=*/false));
  EXPECT_EQ(m.MatchCount(), 1);
}

TEST(RegexMatcher, QuotePlaceholderOnlyWhenAsked) {
  const std::string pattern = G("href=#引号(.*?)#引号");
  const std::string page = "href=\"x\"";
  RegexMatcher m;
  EXPECT_TRUE(m.Execute(pattern, page, false, true, true, /*quotePlaceholder=*/true));
  EXPECT_EQ(m.SubMatchText(1, 1), "x");
  EXPECT_EQ(m.PatternText(), "href=\"(.*?)\"");
  EXPECT_TRUE(m.Execute(pattern, page));
  EXPECT_EQ(m.MatchCount(), 0);
  EXPECT_TRUE(m.Execute(pattern, G("href=#引号y#引号")));
  EXPECT_EQ(m.SubMatchText(1, 1), "y");
}

TEST(RegexMatcher, BadPatternsFailQuietly) {
  for (const char* bad : {"(a", "a)", "[a", "a{2,1}", "*a", "(?<=a)b"}) {
    RegexMatcher m;
    EXPECT_FALSE(m.Execute(bad, "aab")) << bad;
    EXPECT_EQ(m.MatchCount(), 0) << bad;
    EXPECT_EQ(m.SubMatchText(1, 1), "") << bad;
    EXPECT_EQ(m.MatchText(1), "") << bad;
    EXPECT_EQ(m.SubMatchCount(), 0) << bad;
    EXPECT_EQ(m.Replace("x"), "") << bad;
  }
}

TEST(RegexMatcher, OutOfRangeNumbersGiveEmptyText) {
  RegexMatcher m;
  ASSERT_TRUE(m.Execute("(a)(b)", "ab"));
  for (auto [match, group] : std::vector<std::pair<int, int>>{{0, 1}, {-1, 1}, {2, 1}, {1, 0}, {1, 3}, {1, 5}, {1, -2}})
    EXPECT_EQ(m.SubMatchText(match, group), "") << match << "," << group;
  EXPECT_EQ(m.MatchText(0), "");
  EXPECT_EQ(m.MatchText(2), "");
  EXPECT_EQ(m.SubMatchCount(), 2);
}

TEST(RegexMatcher, BeforeAnySearch) {
  RegexMatcher m;
  EXPECT_EQ(m.MatchCount(), 0);
  EXPECT_EQ(m.SubMatchText(1, 1), "");
  EXPECT_EQ(m.PatternText(), "");
  EXPECT_EQ(m.Replace("x"), "");
  EXPECT_EQ(m.SubMatchCount(), 0);
}

TEST(RegexMatcher, EachSearchReplacesTheLast) {
  RegexMatcher m;
  ASSERT_TRUE(m.Execute("(a)", "aaa"));
  ASSERT_EQ(m.MatchCount(), 3);
  EXPECT_TRUE(m.Execute("(b)", "b"));
  EXPECT_EQ(m.MatchCount(), 1);
  EXPECT_EQ(m.SubMatchText(2, 1), "");
  EXPECT_FALSE(m.Execute("(", "b"));
  EXPECT_EQ(m.MatchCount(), 0);
  EXPECT_EQ(m.SubMatchText(1, 1), "");
}

TEST(RegexMatcher, ReplaceUsesTheLastSearch) {
  RegexMatcher m;
  ASSERT_TRUE(m.Execute(G("(你)(好)"), G("说你好")));
  EXPECT_EQ(m.Replace("[$2$1]"), G("说[好你]"));
  ASSERT_TRUE(m.Execute("o", "foo", false, true, false));
  EXPECT_EQ(m.Replace("0"), "f0o");
}

TEST(RegexMatcher, CopySharesResultsAndBalancesTheComCount) {
  const int before = platform::ComInitCount();
  {
    RegexMatcher m;
    ASSERT_TRUE(m.Execute("(a)(b)", "ab"));
    auto copy = m.Copy();
    EXPECT_EQ(platform::ComInitCount(), before + 2);
    EXPECT_EQ(copy->SubMatchText(1, 2), "b");
    EXPECT_EQ(copy->Replace("$2"), "b");
    EXPECT_TRUE(m.Execute("c", "c"));  // the copy keeps the earlier results
    EXPECT_EQ(copy->MatchText(1), "ab");
  }
  EXPECT_EQ(platform::ComInitCount(), before);
}

TEST(RegexMatcher, NestedMatchersKeepTheThreadInitialised) {
  std::thread([] {
    EXPECT_EQ(platform::ComInitCount(), 0);
    RegexMatcher outer;
    EXPECT_EQ(platform::ComInitCount(), 1);
    ASSERT_TRUE(outer.Execute("(x)", "x"));
    {
      RegexMatcher inner;
      EXPECT_EQ(platform::ComInitCount(), 2);
      ASSERT_TRUE(inner.Execute("(y)", "y"));
    }
    EXPECT_EQ(platform::ComInitCount(), 1);
    EXPECT_EQ(outer.SubMatchText(1, 1), "x");
  }).join();
}

TEST(RegexMatcher, SubMatchesComeBackAsTheSubjectSpellsThem) {
  RegexMatcher m;
  ASSERT_TRUE(m.Execute(G("<a href='(.*?)'>(.*?)</a>"), G("<A HREF='/Movie/1.HTML'>大话西游</A>")));
  EXPECT_EQ(m.SubMatchText(1, 1), "/Movie/1.HTML");
  EXPECT_EQ(m.SubMatchText(1, 2), G("大话西游"));
}

TEST(RegexMatcher, InvalidGbkInTheSubjectDoesNotLoseTheRest) {
  RegexMatcher m;
  ASSERT_TRUE(m.Execute("<i>(.*?)</i>", "<i>a\xFF" "b</i><i>c</i>"));
  EXPECT_EQ(m.MatchCount(), 2);
  EXPECT_EQ(m.SubMatchText(1, 1), "a?b");
  EXPECT_EQ(m.SubMatchText(2, 1), "c");
}

}  // namespace
}  // namespace qf
