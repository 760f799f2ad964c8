// The system's own patterns give the same matches and sub-matches through
// RegexMatcher as through a reference backtracking engine (PCRE2, same options),
// on generated pages of every shape, small enough for the reference to finish.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>

#include "bench/pattern_pages.h"
#include "bench/system_patterns.h"
#include "platform/codepage.h"
#include "regex/regex_matcher.h"

namespace qf {
namespace {

using Groups = std::vector<std::vector<std::string>>;  // per match: sub-match 1..n, UTF-8

Groups Reference(const std::string& pattern, const std::string& page) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE, &error, &offset, nullptr);
  EXPECT_NE(code, nullptr) << pattern;
  Groups all;
  if (!code) return all;
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  // Backtracking is slow on near-miss pages; the reference gets all the time it needs.
  pcre2_match_context* context = pcre2_match_context_create(nullptr);
  pcre2_set_match_limit(context, 4000000000u);
  uint32_t groups = 0;
  pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &groups);
  for (PCRE2_SIZE at = 0; at <= page.size();) {
    int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(page.data()), page.size(), at,
                         at == 0 ? 0 : PCRE2_NO_UTF_CHECK, data, context);
    if (rc == PCRE2_ERROR_NOMATCH) break;
    EXPECT_GT(rc, 0) << "reference engine failed: " << rc;
    if (rc <= 0) break;
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
    std::vector<std::string> subs;
    for (uint32_t g = 1; g <= groups; ++g)
      subs.push_back(ov[2 * g] == PCRE2_UNSET ? "" : page.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g]));
    all.push_back(subs);
    at = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
  }
  pcre2_match_context_free(context);
  pcre2_match_data_free(data);
  pcre2_code_free(code);
  return all;
}

Groups System(const std::string& gbkPattern, const std::string& gbkPage) {
  RegexMatcher m;
  EXPECT_TRUE(m.Execute(gbkPattern, gbkPage));
  Groups all;
  for (int i = 1; i <= m.MatchCount(); ++i) {
    std::vector<std::string> subs;
    for (int g = 1; g <= m.SubMatchCount(); ++g) subs.push_back(platform::GbkBytesToUtf8(m.SubMatchText(i, g)));
    all.push_back(subs);
  }
  return all;
}

TEST(SystemPatterns, AgreeWithTheReferenceEngine) {
  using bench::PageShape;
  for (const bench::NamedPattern& p : bench::SystemPatterns()) {
    const std::string utf8 = platform::GbkBytesToUtf8(p.gbk);
    for (PageShape shape : {PageShape::CrLfLines, PageShape::OneLine, PageShape::NearMiss}) {
      const std::string page = bench::PageFor(utf8, shape, 24 * 1024);
      Groups expected = Reference(utf8, page);
      EXPECT_EQ(System(p.gbk, platform::Utf8BytesToGbk(page)), expected) << p.name << " on " << bench::ShapeName(shape);
      if (shape == PageShape::CrLfLines) {
        EXPECT_GT(expected.size(), 10u) << p.name << ": the page should match";
      }
    }
  }
}

TEST(SystemPatterns, FirstEntryOfEachPatternIsFound) {
  for (const bench::NamedPattern& p : bench::SystemPatterns()) {
    const std::string entry = bench::EntryFor(platform::GbkBytesToUtf8(p.gbk), 7) + "\r\n";
    RegexMatcher m;
    ASSERT_TRUE(m.Execute(p.gbk, platform::Utf8BytesToGbk(entry))) << p.name;
    EXPECT_EQ(m.MatchCount(), 1) << p.name;
  }
}

}  // namespace
}  // namespace qf
