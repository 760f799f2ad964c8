#include "search/site_catalogue.h"

#include "web/codecs.h"

namespace qf {
namespace {

// The hosts of the twelve sites: the only place they are written.
struct SiteHosts {
  const char* site;
  const char* searchOrigin;
  const char* homeAddress;
};
constexpr SiteHosts kHosts[] = {
    {"阳光电影", "http://s.ygdy8.com", "http://www.ygdy8.com"},
    {"电影港", "http://www.dygang.net", ""},
    {"中国高清网", "https://gaoqing.la", ""},
    {"六V电影网", "http://www.6vhao.tv", ""},
    {"全集网", "http://www.quanji.cc", ""},
    {"七七铺", "http://www.77pu.com", "http://www.77pu.com"},
    {"LOL电影天堂", "https://www.loldytt.com", ""},
    {"迅雷仓", "http://www.xunleicang.com", "http://www.xunleicang.com"},
    {"小片", "http://www.xiaopian.com", ""},
    {"迅雷网", "http://www.xunleiwang.net", ""},
    {"六六影视网", "http://www.66ys.tv", ""},
    {"破晓电影", "https://www.poxiao.com", "https://www.poxiao.com"},
};
enum Site { kYgdy, kDygang, kGaoqing, k6v, kQuanji, k77pu, kLol, kXlc, kXiaopian, kXlw, k66ys, kPoxiao };

constexpr char CR = '\r';

// Written in UTF-8 here; SiteQueries() holds them in GBK.
const char* const kPatternYgdy = R"~(<a href='(.*?)'>(.*?)</a></b></td>)~";
const char* const kPatternDygang = R"~(<a href="(.*?)" target="_blank" class="classlinkclass">(.*?)</a></td>)~";
const char* const kPatternGaoqing = R"~( href="(.*?)"><h4 style="margin-top:0px;">(.*?)</h4>)~";
const char* const kPatternH3Title = R"~(<h3><a href="(.*?)" title="(.*?)" target="_blank">(.*?)</a></h3>)~";
const char* const kPatternQuanji =
    R"~(<a href="(.*?)">(.*?)</a></label><b>(.*?)</b><span>更新至：(.*?)</span><strong>(.*?)</strong>)~";
const char* const kPattern77pu =
    R"~(<li><a href="(.*?)" class="l pr"><img src="(.*?)" alt="(.*?)" /><label>(.*?)</label></a><div class="r"><h2><a href="(.*?)">(.*?)</a><em>(.*?)</em></h2><div class="cstar cs0"></div><p>主演：(.*?)</p><p><span>状态：(.*?)</span><span>地区：(.*?)</span></p><p><span>类型：(.*?)</span></p><div class="box"><a href="(.*?)" class="btn_play"></a><a href="(.*?)" class="btn_down"></a></div></div></li>)~";
const char* const kPatternLol =
    R"~(<a href="(.*?)">(.*?)</a></label><b>(.*?)</b><span>(.*?)</span><strong>(.*?)</strong></ol>)~";
const char* const kPatternXlc =
    R"~(<LI><A class=playpic href="(.*?)"[\S\s\n]*?target=_blank><IMG id=img_movie_100x140_0 title="点击播放《(.*?)》"[\S\s\n]*?alt="点击播放《(.*?)》"  src="(.*?)")~";
const char* const kPatternXiaopian = R"~(<a href="(.*?)" class="ulink" title="(.*?)">(.*?)</a>)~";
const char* const kPatternXlw =
    R"~(<p class="movie-name">名称：<strong><a target="_blank" href="(.*?)">(.*?)</a></strong><span class="subtype">(.*?)</span></p>)~";
const char* const kPatternPoxiao = R"~(<h3><a href="(.*?)" target="_blank">(.*?)</a><em>(.*?)</em><span>分</span></h3>)~";

std::string WithCr(const char* pattern) { return std::string(pattern) + CR; }

struct Markup {
  std::string probe;
  std::vector<std::string> tags;
};
const Markup kRuleNone{};
const Markup kRuleA{"<font", {"<font color='red'>", "</font>"}};
const Markup kRuleB{"<font", {"<font color='red'>", "<font color='#1111EE'>", "<font color='#EE11EE'>", "</font>"}};
const Markup kRuleC{"<span", {R"~(<span style="background-color: yellow;">)~", R"~(<span class="text-muted">)~", "</span>"}};

SiteQuery Record(const char* label, HttpMethod method, Site site, const char* pathAndQuery, const char* bodyPrefix,
                 const char* bodySuffix, KeywordCharset charset, bool pageIsUtf8, std::string pattern, int titleGroup,
                 bool withHome, const Markup& markup) {
  SiteQuery q;
  q.label = Utf8ToGbk(label);
  q.method = method;
  q.requestUrl = Utf8ToGbk(std::string(kHosts[site].searchOrigin) + pathAndQuery);
  q.bodyPrefix = Utf8ToGbk(bodyPrefix);
  q.bodySuffix = Utf8ToGbk(bodySuffix);
  q.keywordCharset = charset;
  q.pageIsUtf8 = pageIsUtf8;
  q.resultPattern = Utf8ToGbk(pattern);
  q.titleGroup = titleGroup;
  q.addressPrefix = withHome ? Utf8ToGbk(kHosts[site].homeAddress) : std::string();
  q.markupProbe = Utf8ToGbk(markup.probe);
  for (const std::string& tag : markup.tags) q.markupTags.push_back(Utf8ToGbk(tag));
  return q;
}

std::vector<SiteQuery> BuildQueries() {
  using enum HttpMethod;
  using enum KeywordCharset;
  const char* const kEmpireBody = "show=title%2Csmalltext&tempid=1&tbname=Article&keyboard=";
  return {
      Record("阳光电影①", Get, kYgdy, "/plus/so.php?kwtype=0&searchtype=title&keyword=", "", "", Gbk, false,
             WithCr(kPatternYgdy), 2, true, kRuleA),
      Record("阳光电影②", Get, kYgdy, "/plus/search.php?kwtype=0&keyword=", "", "", Gbk, false,
             WithCr(kPatternYgdy), 2, true, kRuleA),
      Record("电影港", Post, kDygang, "/e/search/index.php", "tempid=1&tbname=article&keyboard=",
             "&show=title&Submit=%CB%D1%CB%F7", Gbk, false, kPatternDygang, 2, false, kRuleB),
      Record("中国高清网", Get, kGaoqing, "/s.php?q=", "", "", Utf8, true, kPatternGaoqing, 2, false, kRuleC),
      Record("六V电影网", Post, k6v, "/e/search/index.php", kEmpireBody, "&submit=", Gbk, false,
             WithCr(kPatternH3Title), 2, false, kRuleNone),
      Record("全集网", Post, kQuanji, "/index.php?s=vod-search", "wd=", "", Utf8, false, kPatternQuanji, 2, false,
             kRuleNone),
      Record("七七铺", Post, k77pu, "/search.asp", "searchword=", "", Gbk, false, WithCr(kPattern77pu), 3, true,
             kRuleNone),
      Record("LOL电影天堂", Post, kLol, "/search/index.asp", "keyword=", "", Gbk, false, kPatternLol, 2, false,
             kRuleNone),
      Record("迅雷仓", Post, kXlc, "/vod-search", "wd=", "", Utf8, false, kPatternXlc, 2, true, kRuleNone),
      Record("小片", Post, kXiaopian, "/e/search/index.php", "show=title&tempid=1&keyboard=",
             "&Submit=%C1%A2%BC%B4%CB%D1%CB%F7", Gbk, false, WithCr(kPatternXiaopian), 2, false, kRuleNone),
      Record("迅雷网", Get, kXlw, "/search?q=", "", "", Utf8, false, WithCr(kPatternXlw), 2, false, kRuleNone),
      Record("六六影视网", Post, k66ys, "/e/search/index.php", kEmpireBody, "&submit=", Gbk, false,
             WithCr(kPatternH3Title), 2, false, kRuleNone),
      Record("破晓电影", Post, kPoxiao, "/e/search/index22.php", "show=title%2Csmalltext&tempid=1&keyboard=", "", Gbk,
             false, WithCr(kPatternPoxiao), 2, true, kRuleNone),
  };
}

std::vector<SearchStep> BuildSteps() {
  struct Step {
    const char* text;
    std::vector<int> queries;
  };
  // Step 9 reads "源搜索中..." after its label, unlike the others.
  const Step steps[] = {
      {"阳光电影片源搜索中...", {0, 1}}, {"电影港片源搜索中...", {2}},     {"中国高清网片源搜索中...", {3}},
      {"六V电影网片源搜索中...", {4}},   {"全集网片源搜索中...", {5}},     {"七七铺片源搜索中...", {6}},
      {"LOL电影天堂片源搜索中...", {7}}, {"迅雷仓片源搜索中...", {8}},     {"小片源搜索中...", {9}},
      {"迅雷网片源搜索中...", {10}},     {"六六影视网片源搜索中...", {11}}, {"破晓电影片源搜索中...", {12}},
  };
  std::vector<SearchStep> out;
  for (const Step& s : steps) out.push_back({Utf8ToGbk(s.text), s.queries});
  return out;
}

}  // namespace

const std::vector<SiteQuery>& SiteQueries() {
  static const std::vector<SiteQuery> queries = BuildQueries();
  return queries;
}

const std::vector<SearchStep>& SearchSteps() {
  static const std::vector<SearchStep> steps = BuildSteps();
  return steps;
}

const std::vector<SiteAddress>& SiteAddresses() {
  static const std::vector<SiteAddress> addresses = [] {
    std::vector<SiteAddress> out;
    for (const SiteHosts& h : kHosts) out.push_back({h.site, h.searchOrigin, h.homeAddress});
    return out;
  }();
  return addresses;
}

SiteRequest BuildSiteRequest(const SiteQuery& query, const std::string& keyword) {
  // Every byte is escaped, letters and digits included.
  const std::string encoded = UrlEncode(keyword, false, query.keywordCharset == KeywordCharset::Utf8);
  if (query.method == HttpMethod::Get) return {query.requestUrl + encoded, 0, {}};
  return {query.requestUrl, 1, query.bodyPrefix + encoded + query.bodySuffix};
}

}  // namespace qf
