#include <gtest/gtest.h>

#include <set>

#include "links/link_rules.h"
#include "search/site_catalogue.h"
#include "web/codecs.h"

namespace qf {
namespace {

std::string G(const std::string& utf8) { return Utf8ToGbk(utf8); }
std::string U(const std::string& gbk) { return GbkToUtf8(gbk); }

std::string PathOf(const std::string& url) {
  const size_t host = url.find("://") + 3;
  return url.substr(url.find('/', host));
}
std::string OriginOf(const std::string& url) {
  const size_t host = url.find("://") + 3;
  return url.substr(0, url.find('/', host));
}

TEST(CatalogueTest, RecordsInRunOrder) {
  struct Row {
    const char* label;
    HttpMethod method;
    const char* scheme;
    const char* pathAndQuery;
    KeywordCharset charset;
    bool pageIsUtf8;
    int titleGroup;
    bool endsWithCr;
    int groups;
  };
  using enum HttpMethod;
  using enum KeywordCharset;
  const Row rows[] = {
      {"阳光电影①", Get, "http", "/plus/so.php?kwtype=0&searchtype=title&keyword=", Gbk, false, 2, true, 2},
      {"阳光电影②", Get, "http", "/plus/search.php?kwtype=0&keyword=", Gbk, false, 2, true, 2},
      {"电影港", Post, "http", "/e/search/index.php", Gbk, false, 2, false, 2},
      {"中国高清网", Get, "https", "/s.php?q=", Utf8, true, 2, false, 2},
      {"六V电影网", Post, "http", "/e/search/index.php", Gbk, false, 2, true, 3},
      {"全集网", Post, "http", "/index.php?s=vod-search", Utf8, false, 2, false, 5},
      {"七七铺", Post, "http", "/search.asp", Gbk, false, 3, true, 13},
      {"LOL电影天堂", Post, "https", "/search/index.asp", Gbk, false, 2, false, 5},
      {"迅雷仓", Post, "http", "/vod-search", Utf8, false, 2, false, 4},
      {"小片", Post, "http", "/e/search/index.php", Gbk, false, 2, true, 3},
      {"迅雷网", Get, "http", "/search?q=", Utf8, false, 2, true, 3},
      {"六六影视网", Post, "http", "/e/search/index.php", Gbk, false, 2, true, 3},
      {"破晓电影", Post, "https", "/e/search/index22.php", Gbk, false, 2, true, 3},
  };
  const auto& queries = SiteQueries();
  ASSERT_EQ(queries.size(), std::size(rows));
  for (size_t i = 0; i < queries.size(); ++i) {
    const SiteQuery& q = queries[i];
    const Row& r = rows[i];
    SCOPED_TRACE(r.label);
    EXPECT_EQ(q.label, G(r.label));
    EXPECT_EQ(q.method, r.method);
    EXPECT_EQ(q.requestUrl.substr(0, q.requestUrl.find("://")), r.scheme);
    EXPECT_EQ(PathOf(q.requestUrl), r.pathAndQuery);
    EXPECT_EQ(q.keywordCharset, r.charset);
    EXPECT_EQ(q.pageIsUtf8, r.pageIsUtf8);
    EXPECT_EQ(q.titleGroup, r.titleGroup);
    ASSERT_FALSE(q.resultPattern.empty());
    EXPECT_EQ(q.resultPattern.back() == '\r', r.endsWithCr);
    // Groups: every "(" that opens a capture; the patterns have no other kind.
    int groups = 0;
    for (size_t at = 0; at < q.resultPattern.size(); ++at)
      if (q.resultPattern[at] == '(' && (at == 0 || q.resultPattern[at - 1] != '\\')) ++groups;
    EXPECT_EQ(groups, r.groups);
    if (q.method == Get) {
      EXPECT_TRUE(q.bodyPrefix.empty() && q.bodySuffix.empty());
    }
  }
}

TEST(CatalogueTest, HomeAddressesAndSearchHosts) {
  const auto& q = SiteQueries();
  // Both 阳光电影 queries ask one search host and share a home on another host.
  EXPECT_EQ(OriginOf(q[0].requestUrl), OriginOf(q[1].requestUrl));
  EXPECT_EQ(q[0].addressPrefix, q[1].addressPrefix);
  EXPECT_NE(q[0].addressPrefix, OriginOf(q[0].requestUrl));
  EXPECT_EQ(q[0].addressPrefix.rfind("http://", 0), 0u);
  // 七七铺, 迅雷仓 and 破晓电影 prefix their search host; nobody else has a prefix.
  for (int i : {6, 8, 12}) EXPECT_EQ(q[i].addressPrefix, OriginOf(q[i].requestUrl)) << i;
  EXPECT_EQ(q[12].addressPrefix.rfind("https://", 0), 0u);
  for (int i : {2, 3, 4, 5, 7, 9, 10, 11}) EXPECT_TRUE(q[i].addressPrefix.empty()) << i;
  for (const SiteQuery& query : q)
    if (!query.addressPrefix.empty()) {
      EXPECT_NE(query.addressPrefix.back(), '/');
    }
  // 六V电影网 and 六六影视网 differ only in host and label.
  EXPECT_EQ(q[4].bodyPrefix, q[11].bodyPrefix);
  EXPECT_EQ(q[4].bodySuffix, q[11].bodySuffix);
  EXPECT_EQ(q[4].resultPattern, q[11].resultPattern);
  EXPECT_NE(OriginOf(q[4].requestUrl), OriginOf(q[11].requestUrl));
  EXPECT_EQ(SiteAddresses().size(), 12u);
}

TEST(CatalogueTest, PatternsKeepTheirQuotesAndSpaces) {
  const std::string ygdy = "<a href='(.*?)'>(.*?)</a></b></td>\r";
  const std::string h3Title = R"~(<h3><a href="(.*?)" title="(.*?)" target="_blank">(.*?)</a></h3>)~" "\r";
  const std::string patterns[] = {
      ygdy,
      ygdy,
      R"~(<a href="(.*?)" target="_blank" class="classlinkclass">(.*?)</a></td>)~",
      // Begins with one space.
      R"~( href="(.*?)"><h4 style="margin-top:0px;">(.*?)</h4>)~",
      h3Title,
      R"~(<a href="(.*?)">(.*?)</a></label><b>(.*?)</b><span>更新至：(.*?)</span><strong>(.*?)</strong>)~",
      R"~(<li><a href="(.*?)" class="l pr"><img src="(.*?)" alt="(.*?)" /><label>(.*?)</label></a><div class="r">)~"
      R"~(<h2><a href="(.*?)">(.*?)</a><em>(.*?)</em></h2><div class="cstar cs0"></div><p>主演：(.*?)</p><p><span>)~"
      R"~(状态：(.*?)</span><span>地区：(.*?)</span></p><p><span>类型：(.*?)</span></p><div class="box"><a href=)~"
      R"~("(.*?)" class="btn_play"></a><a href="(.*?)" class="btn_down"></a></div></div></li>)~" "\r",
      R"~(<a href="(.*?)">(.*?)</a></label><b>(.*?)</b><span>(.*?)</span><strong>(.*?)</strong></ol>)~",
      // Two spaces before src=.
      R"~(<LI><A class=playpic href="(.*?)"[\S\s\n]*?target=_blank><IMG id=img_movie_100x140_0 )~"
      R"~(title="点击播放《(.*?)》"[\S\s\n]*?alt="点击播放《(.*?)》"  src="(.*?)")~",
      R"~(<a href="(.*?)" class="ulink" title="(.*?)">(.*?)</a>)~" "\r",
      R"~(<p class="movie-name">名称：<strong><a target="_blank" href="(.*?)">(.*?)</a></strong><span )~"
      R"~(class="subtype">(.*?)</span></p>)~" "\r",
      h3Title,
      R"~(<h3><a href="(.*?)" target="_blank">(.*?)</a><em>(.*?)</em><span>分</span></h3>)~" "\r",
  };
  const auto& q = SiteQueries();
  ASSERT_EQ(q.size(), std::size(patterns));
  for (size_t i = 0; i < q.size(); ++i) EXPECT_EQ(U(q[i].resultPattern), patterns[i]) << U(q[i].label);
}

TEST(CatalogueTest, MarkupRules) {
  const auto& q = SiteQueries();
  const std::vector<std::string> a = {"<font color='red'>", "</font>"};
  const std::vector<std::string> b = {"<font color='red'>", "<font color='#1111EE'>", "<font color='#EE11EE'>",
                                      "</font>"};
  const std::vector<std::string> c = {"<span style=\"background-color: yellow;\">", "<span class=\"text-muted\">",
                                      "</span>"};
  EXPECT_EQ(q[0].markupProbe, "<font");
  EXPECT_EQ(q[0].markupTags, a);
  EXPECT_EQ(q[1].markupTags, a);
  EXPECT_EQ(q[2].markupProbe, "<font");
  EXPECT_EQ(q[2].markupTags, b);
  EXPECT_EQ(q[3].markupProbe, "<span");
  EXPECT_EQ(q[3].markupTags, c);
  for (size_t i = 4; i < q.size(); ++i) EXPECT_TRUE(q[i].markupProbe.empty() && q[i].markupTags.empty()) << i;
}

TEST(CatalogueTest, StepsCoverEveryQueryOnceWithTheirTexts) {
  const char* texts[] = {"阳光电影片源搜索中...",   "电影港片源搜索中...",  "中国高清网片源搜索中...",
                         "六V电影网片源搜索中...",   "全集网片源搜索中...",  "七七铺片源搜索中...",
                         "LOL电影天堂片源搜索中...", "迅雷仓片源搜索中...",  "小片源搜索中...",
                         "迅雷网片源搜索中...",      "六六影视网片源搜索中...", "破晓电影片源搜索中..."};
  const auto& steps = SearchSteps();
  ASSERT_EQ(steps.size(), std::size(texts));
  std::vector<int> order;
  for (size_t s = 0; s < steps.size(); ++s) {
    EXPECT_EQ(steps[s].statusText, G(texts[s]));
    order.insert(order.end(), steps[s].queries.begin(), steps[s].queries.end());
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(SiteRequestTest, KeywordNiHao) {
  const std::string keyword = G("你好");
  struct Case {
    int record;
    int methodIndex;
    const char* pathAndQuery;  // after the host
    const char* body;
  } cases[] = {
      {0, 0, "/plus/so.php?kwtype=0&searchtype=title&keyword=%C4%E3%BA%C3", ""},
      {1, 0, "/plus/search.php?kwtype=0&keyword=%C4%E3%BA%C3", ""},
      {2, 1, "/e/search/index.php", "tempid=1&tbname=article&keyboard=%C4%E3%BA%C3&show=title&Submit=%CB%D1%CB%F7"},
      {3, 0, "/s.php?q=%E4%BD%A0%E5%A5%BD", ""},
      {4, 1, "/e/search/index.php", "show=title%2Csmalltext&tempid=1&tbname=Article&keyboard=%C4%E3%BA%C3&submit="},
      {5, 1, "/index.php?s=vod-search", "wd=%E4%BD%A0%E5%A5%BD"},
      {6, 1, "/search.asp", "searchword=%C4%E3%BA%C3"},
      {7, 1, "/search/index.asp", "keyword=%C4%E3%BA%C3"},
      {8, 1, "/vod-search", "wd=%E4%BD%A0%E5%A5%BD"},
      {9, 1, "/e/search/index.php", "show=title&tempid=1&keyboard=%C4%E3%BA%C3&Submit=%C1%A2%BC%B4%CB%D1%CB%F7"},
      {10, 0, "/search?q=%E4%BD%A0%E5%A5%BD", ""},
      {11, 1, "/e/search/index.php", "show=title%2Csmalltext&tempid=1&tbname=Article&keyboard=%C4%E3%BA%C3&submit="},
      {12, 1, "/e/search/index22.php", "show=title%2Csmalltext&tempid=1&keyboard=%C4%E3%BA%C3"},
  };
  for (const Case& c : cases) {
    const SiteQuery& q = SiteQueries()[c.record];
    const SiteRequest r = BuildSiteRequest(q, keyword);
    SCOPED_TRACE(c.record);
    EXPECT_EQ(r.methodIndex, c.methodIndex);
    EXPECT_EQ(r.url, OriginOf(q.requestUrl) + c.pathAndQuery);
    EXPECT_EQ(r.body, c.body);
  }
}

TEST(SiteRequestTest, EveryByteIsEscaped) {
  struct Case {
    int record;
    const char* keyword;
    const char* encoded;
  } cases[] = {
      {0, "ab", "%61%62"},
      {3, "ab", "%61%62"},
      {0, "A-1. x", "%41%2D%31%2E%20%78"},
      {10, "A-1. x", "%41%2D%31%2E%20%78"},
      {0, "", ""},
  };
  for (const Case& c : cases) {
    const SiteQuery& q = SiteQueries()[c.record];
    EXPECT_EQ(BuildSiteRequest(q, G(c.keyword)).url, q.requestUrl + c.encoded) << c.keyword;
  }
  EXPECT_EQ(BuildSiteRequest(SiteQueries()[12], "ab").body, "show=title%2Csmalltext&tempid=1&keyboard=%61%62");
}

TEST(LinkRulesTest, RulesInOrder) {
  struct Row {
    const char* label;
    std::vector<std::string> patterns;
    bool refetch;
    SkipFirst skip;
    const char* skipText;
  };
  const std::string a = "<a href=\"(.*?)\">(.*?)</a></td>\r";
  const std::string d = "href=\"(.*?)\">(.*?)</a></td>\r";
  const Row rows[] = {
      {"阳光电影①", {a}, false, SkipFirst::Never, ""},
      {"阳光电影②", {a}, false, SkipFirst::Never, ""},
      {"电影港", {a}, false, SkipFirst::WhenEquals, "/help.html\" target=\"_blank"},
      {"中国高清网",
       {"<p><span style=\"color: [\\S\\s\\n]*?;\"><a href=\"(.*?)\"><span style=\"color: "
        "[\\S\\s\\n]*?;\">(.*?)</span></a></span></p>",
        "href=\"(.*?)\" > 磁力链接</a>"},
       true,
       SkipFirst::Never,
       ""},
      {"六V电影网", {d}, false, SkipFirst::Never, ""},
      {"全集网", {"href=\"(.*?)\" title=\"(.*?)\" target=\"_self\">"}, false, SkipFirst::Never, ""},
      {"七七铺", {"value=\"(.*?)\" file_name=\"(.*?)\"/>\r"}, false, SkipFirst::Never, ""},
      {"LOL电影天堂", {"href=\"(.*?)\" title=\"(.*?)\""}, false, SkipFirst::Always, ""},
      {"迅雷仓", {"href=\"(.*?)\" target=\"_self\">(.*?)</a></li>"}, false, SkipFirst::Never, ""},
      {"六六影视网", {"磁力：<a href=\"(.*?)\">(.*?)</a></td>\r", d}, false, SkipFirst::Never, ""},
      {"破晓电影", {"value=\"xzurl=(.*?)\"/>"}, false, SkipFirst::Never, ""},
  };
  const auto& rules = LinkRules();
  ASSERT_EQ(rules.size(), std::size(rows));
  for (size_t i = 0; i < rules.size(); ++i) {
    SCOPED_TRACE(rows[i].label);
    EXPECT_EQ(rules[i].siteLabel, G(rows[i].label));
    ASSERT_EQ(rules[i].linkPatterns.size(), rows[i].patterns.size());
    for (size_t p = 0; p < rows[i].patterns.size(); ++p) EXPECT_EQ(U(rules[i].linkPatterns[p]), rows[i].patterns[p]);
    EXPECT_EQ(rules[i].refetchUtf8, rows[i].refetch);
    EXPECT_EQ(rules[i].skipFirstMatch, rows[i].skip);
    EXPECT_EQ(rules[i].skipText, rows[i].skipText);
  }
  EXPECT_EQ(FindLinkRule(G("小片")), nullptr);
  EXPECT_EQ(FindLinkRule(G("迅雷网")), nullptr);
  EXPECT_EQ(FindLinkRule(""), nullptr);
  // The search labels and the rule labels are one set of keys.
  std::set<std::string> searchLabels;
  for (const SiteQuery& q : SiteQueries()) searchLabels.insert(q.label);
  for (const LinkRule& rule : rules) EXPECT_TRUE(searchLabels.count(rule.siteLabel)) << U(rule.siteLabel);
}

}  // namespace
}  // namespace qf
