#include "samplesites/site_pages.h"

#include <cstdint>
#include <cstdio>

#include "search/site_catalogue.h"
#include "web/codecs.h"

namespace qf::samplesites {
namespace {

// Site numbers follow SiteAddresses().
enum Site { kYgdy, kDygang, kGaoqing, k6v, kQuanji, k77pu, kLol, kXlc, kXiaopian, kXlw, k66ys, kPoxiao, kSiteCount };

struct Film {
  int id;
  const char* name;
  const char* slug;
  const char* year;
  const char* genre;
  const char* region;
  const char* cast;
  const char* note;
  const char* score;
};

const Film kFilms[] = {
    {1001, "流浪地球2", "The.Wandering.Earth.II", "2023", "科幻", "大陆", "吴京 / 刘德华", "HD国语中字", "8.3"},
    {1002, "地球脉动 第三季", "Planet.Earth.III", "2023", "纪录", "英国", "大卫·爱登堡", "BD中英双字", "9.6"},
    {1003, "深海", "Deep.Sea", "2023", "动画", "大陆", "苏鑫 / 王亭文", "HD国语中字", "7.2"},
    {1004, "满江红", "Full.River.Red", "2023", "剧情", "大陆", "沈腾 / 易烊千玺", "HD国语中字", "7.0"},
    {1005, "三体", "Three-Body", "2023", "剧集", "大陆", "张鲁一 / 于和伟", "全30集", "8.7"},
    {1006, "奥本海默 Oppenheimer", "Oppenheimer", "2023", "传记", "美国", "基里安·墨菲", "BD中英双字", "8.8"},
};

enum class Charset { Gbk, Utf8Declared, Utf8Undeclared };

Charset PageCharset(int site) {
  switch (site) {
    case kGaoqing:
      return Charset::Utf8Undeclared;
    case kXlc:
    case kXlw:
      return Charset::Utf8Declared;
    default:
      return Charset::Gbk;
  }
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

size_t FindIgnoringCase(const std::string& text, const std::string& word, size_t from) {
  if (word.empty() || text.size() < word.size()) return std::string::npos;
  for (size_t at = from; at + word.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < word.size() && Lower(text[at + i]) == Lower(word[i])) ++i;
    if (i == word.size()) return at;
  }
  return std::string::npos;
}

// The keyword marked up the way a site highlights it in its result titles.
std::string Highlight(const std::string& name, const std::string& keyword, const std::string& open,
                      const std::string& close) {
  std::string out;
  size_t at = 0;
  for (size_t hit; (hit = FindIgnoringCase(name, keyword, at)) != std::string::npos; at = hit + keyword.size())
    out += name.substr(at, hit - at) + open + name.substr(hit, keyword.size()) + close;
  return out + name.substr(at);
}

std::string Hash40(int site, int film, int n) {
  std::string out;
  std::uint64_t h = 1469598103934665603ULL;
  for (int part : {site, film, n}) h = (h ^ static_cast<std::uint64_t>(part + 7)) * 1099511628211ULL;
  while (out.size() < 40) {
    h = (h ^ (h >> 29)) * 0xBF58476D1CE4E5B9ULL;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llX", static_cast<unsigned long long>(h));
    out += hex;
  }
  return out.substr(0, 40);
}

std::string Magnet(int site, const Film& f, int n, const char* quality) {
  return "magnet:?xt=urn:btih:" + Hash40(site, f.id, n) + "&dn=" + f.slug + "." + quality;
}

std::string Id(const Film& f) { return std::to_string(f.id); }

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

std::string Head(int site, const std::string& title) {
  std::vector<std::string> lines = {"<!DOCTYPE html>", "<html>", "<head>"};
  switch (PageCharset(site)) {
    case Charset::Gbk:
      lines.push_back(R"(<meta http-equiv="Content-Type" content="text/html; charset=gb2312" />)");
      break;
    case Charset::Utf8Declared:
      lines.push_back(R"(<meta charset="utf-8">)");
      break;
    case Charset::Utf8Undeclared:
      // The declaration comes only after a long run of head links, past where
      // a client looks for it.
      for (int i = 0; i < 24; ++i)
        lines.push_back(R"(<link rel="stylesheet" href="/static/css/bootstrap.min.css?v=3.3.7&amp;part=)" +
                        std::to_string(i) + R"(" />)");
      lines.push_back(R"(<meta charset="utf-8">)");
      break;
  }
  lines.push_back("<title>" + title + "</title>");
  lines.push_back("</head>");
  lines.push_back("<body>");
  return Join(lines);
}

std::string Tail() { return Join({"</body>", "</html>"}); }

// Result lines of one query for the films that match.
std::string ResultLines(int site, int query, const std::vector<const Film*>& films, const std::string& kw) {
  std::vector<std::string> lines;
  const auto red = [&](const Film& f) { return Highlight(f.name, kw, "<font color='red'>", "</font>"); };
  for (const Film* fp : films) {
    const Film& f = *fp;
    switch (site) {
      case kYgdy: {
        const char* dir = query == 0 ? "/html/gndy/dyzz/20230301/" : "/html/gndy/jddy/20230301/";
        lines.push_back("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" class=\"tbspan\">");
        lines.push_back("<tr>");
        lines.push_back(std::string("<td width=\"55%\"><b><a href='") + dir + Id(f) + ".html'>" + f.year + "年" +
                        f.genre + "《" + red(f) + "》" + f.note + "</a></b></td>");
        lines.push_back(std::string("<td width=\"45%\">") + f.year + "-03-01</td>");
        lines.push_back("</tr>");
        lines.push_back("</table>");
        break;
      }
      case kDygang:
        lines.push_back("<tr>");
        lines.push_back("<td width=\"80%\" height=\"22\"><a href=\"http://www.dygang.net/ys/20230301/" + Id(f) +
                        ".htm\" target=\"_blank\" class=\"classlinkclass\">" + red(f) +
                        " <font color='#EE11EE'>" + f.note + "</font></a></td>");
        lines.push_back(std::string("<td width=\"20%\"><font color='#1111EE'>") + f.year + "</font></td>");
        lines.push_back("</tr>");
        break;
      case kGaoqing:
        lines.push_back("<div class=\"col-xs-6 col-md-3\"><a class=\"thumbnail\" href=\"https://gaoqing.la/film-" +
                        Id(f) + ".html\"><h4 style=\"margin-top:0px;\">" +
                        Highlight(f.name, kw, "<span style=\"background-color: yellow;\">", "</span>") +
                        " <span class=\"text-muted\">" + f.year + "</span></h4></a></div>");
        break;
      case k6v:
      case k66ys: {
        const std::string address = site == k6v ? "http://www.6vhao.tv/dy/2023-03-01/" + Id(f) + ".html"
                                                : "http://www.66ys.tv/" + std::string("kehuan/20230301/") + Id(f) +
                                                      ".htm";
        lines.push_back("<li>");
        lines.push_back("<h3><a href=\"" + address + "\" title=\"" + f.name + "\" target=\"_blank\">" + red(f) +
                        "</a></h3>");
        lines.push_back(std::string("<p>") + f.note + "</p>");
        lines.push_back("</li>");
        break;
      }
      case kQuanji:
        lines.push_back("<li><label><a href=\"http://www.quanji.cc/vod/" + Id(f) + ".html\">" + f.name +
                        "</a></label><b>" + f.cast + "</b><span>更新至：" + f.note + "</span><strong>" + f.year +
                        "</strong></li>");
        break;
      case k77pu:
        lines.push_back("<li><a href=\"/movie/" + Id(f) + ".html\" class=\"l pr\"><img src=\"/pic/" + Id(f) +
                        ".jpg\" alt=\"" + f.name + "\" /><label>" + f.note + "</label></a><div class=\"r\"><h2><a href=\"/movie/" +
                        Id(f) + ".html\">" + f.name + " 高清在线观看</a><em>" + f.score +
                        "</em></h2><div class=\"cstar cs0\"></div><p>主演：" + f.cast + "</p><p><span>状态：" + f.note +
                        "</span><span>地区：" + f.region + "</span></p><p><span>类型：" + f.genre +
                        "</span></p><div class=\"box\"><a href=\"/play/" + Id(f) +
                        "-1-1.html\" class=\"btn_play\"></a><a href=\"/movie/" + Id(f) +
                        ".html#down\" class=\"btn_down\"></a></div></div></li>");
        break;
      case kLol:
        lines.push_back("<ol><label><a href=\"https://www.loldytt.com/Kehuan/" + Id(f) + "/\">" + f.name +
                        "</a></label><b>" + f.cast + "</b><span>" + f.genre + "</span><strong>" + f.score +
                        "</strong></ol>");
        break;
      case kXlc: {
        // The site writes its tags in capitals, though not on every entry.
        const bool capitals = f.id % 2 == 1;
        lines.push_back(std::string(capitals ? "<LI><A class=playpic href=\"" : "<li><a class=playpic href=\"") +
                        "/vod-read-id-" + Id(f) + ".html\"");
        lines.push_back(std::string(" target=_blank>") + (capitals ? "<IMG" : "<img") +
                        " id=img_movie_100x140_0 title=\"点击播放《" + f.name + "》\"");
        lines.push_back(std::string(" alt=\"点击播放《") + f.name + "》\"  src=\"/uploads/" + Id(f) +
                        ".jpg\" width=100 height=140></A>");
        lines.push_back(std::string("<H3>") + f.name + "</H3><P>" + f.note + "</P></LI>");
        break;
      }
      case kXiaopian:
        lines.push_back("<tr><td height=\"26\"><b><a href=\"http://www.xiaopian.com/html/gndy/dyzz/20230301/" + Id(f) +
                        ".html\" class=\"ulink\" title=\"" + f.name + "\">" + f.year + "年" + f.name + f.note + "</a>");
        lines.push_back("</b></td></tr>");
        break;
      case kXlw:
        lines.push_back("<div class=\"movie-item\">");
        lines.push_back("<p class=\"movie-name\">名称：<strong><a target=\"_blank\" href=\"http://www.xunleiwang.net/movie/" +
                        Id(f) + ".html\">" + f.name + "</a></strong><span class=\"subtype\">" + f.genre +
                        "</span></p>");
        lines.push_back("</div>");
        break;
      case kPoxiao:
        lines.push_back("<li><h3><a href=\"/dongzuopian/" + Id(f) + ".html\" target=\"_blank\">" + f.name +
                        "</a><em>" + f.score + "</em><span>分</span></h3>");
        lines.push_back(std::string("<p>") + f.cast + "</p></li>");
        break;
      default:
        break;
    }
  }
  return Join(lines);
}

// The download part of an entry page.
std::string EntryLines(int site, const Film& f) {
  const std::string m1 = Magnet(site, f, 1, "1080p.WEB-DL.mp4");
  const std::string m2 = Magnet(site, f, 2, "2160p.BluRay.mkv");
  const std::string ftp = "ftp://dy:dy@dl.example-mirror.cn:21/" + std::string(f.slug) + ".HD.mkv";
  const std::string thunder = "thunder://QUFmdHA6Ly9keTpkeUBkbC5leGFtcGxlLW1pcnJvci5jbi8" + Id(f) + "ZZ";
  const std::string ed2k = "ed2k://|file|" + std::string(f.slug) + ".HD.mp4|2147483648|" + Hash40(site, f.id, 3).substr(0, 32) + "|/";
  std::vector<std::string> lines;
  const std::string h1 = std::string("<h1>") + f.name + "</h1>";
  lines.push_back(h1);
  switch (site) {
    case kYgdy:
      for (const std::string& link : {m1, ftp})
        lines.push_back("<td style=\"WORD-WRAP: break-word\" bgcolor=\"#fdfddf\"><a href=\"" + link + "\">" + link +
                        "</a></td>");
      break;
    case kDygang:
      lines.push_back("<table><tr>");
      lines.push_back("<td><a href=\"/help.html\" target=\"_blank\">下载帮助</a></td>");
      for (const std::string& link : {m1, m2, ftp})
        lines.push_back("<td><a href=\"" + link + "\">" + f.name + " " + f.note + "</a></td>");
      lines.push_back("</tr></table>");
      break;
    case kGaoqing:
      for (const std::string& link : {m1, m2})
        lines.push_back("<p><span style=\"color: #ff0000;\"><a href=\"" + link + "\"><span style=\"color: #0000ff;\">" +
                        f.name + " 磁力</span></a></span></p>");
      lines.push_back("<div class=\"down\"><a href=\"" + Magnet(site, f, 3, "720p.mp4") + "\" > 磁力链接</a></div>");
      break;
    case k6v:
      for (const std::string& link : {m1, m2}) {
        lines.push_back("<tr>");
        lines.push_back("<td><a href=\"" + link + "\">" + f.name + "." + f.note + "</a></td>");
        lines.push_back("</tr>");
      }
      break;
    case kQuanji:
      lines.push_back("<ul class=\"down-list\">");
      for (int ep = 1; ep <= 3; ++ep) {
        const std::string n = "0" + std::to_string(ep);
        lines.push_back("<li><a href=\"" + thunder + n + "\" title=\"第" + n + "集\" target=\"_self\">第" + n +
                        "集</a></li>");
      }
      lines.push_back("</ul>");
      break;
    case k77pu:
      lines.push_back("<ul>");
      lines.push_back("<li><input type=\"checkbox\" name=\"down_url_list_0\" class=\"checkone\" value=\"" + ed2k +
                      "\" file_name=\"" + f.name + ".HD.mp4\"/>");
      lines.push_back("<li><input type=\"checkbox\" name=\"down_url_list_1\" class=\"checkone\" value=\"" + m1 +
                      "\" file_name=\"" + f.name + ".1080p.mp4\"/>");
      lines.push_back("</ul>");
      break;
    case kLol:
      lines.push_back("<div class=\"nav\"><a href=\"https://www.loldytt.com/\" title=\"LOL电影天堂\">首页</a></div>");
      for (const std::string& link : {m1, m2})
        lines.push_back("<li><a href=\"" + link + "\" title=\"" + f.name + " " + f.note + "\">" + f.name + "</a></li>");
      break;
    case kXlc:
      lines.push_back("<ul class=\"downurl\">");
      lines.push_back("<li><a href=\"" + thunder + "\" target=\"_self\">" + f.name + " " + f.note + "</a></li>");
      lines.push_back("<li><a href=\"" + m1 + "\" target=\"_self\">" + f.name + " 磁力</a></li>");
      lines.push_back("</ul>");
      break;
    case k66ys:
      lines.push_back("<table>");
      lines.push_back("<tr>");
      lines.push_back("<td>磁力：<a href=\"" + m1 + "\">" + m1 + "</a></td>");
      lines.push_back("</tr><tr>");
      lines.push_back("<td><a href=\"" + ftp + "\">" + ftp + "</a></td>");
      lines.push_back("</tr>");
      lines.push_back("</table>");
      break;
    case kPoxiao:
      lines.push_back("<input type=\"hidden\" name=\"xz\" value=\"xzurl=" + m1 + "\"/>");
      lines.push_back("<input type=\"hidden\" name=\"xz\" value=\"xzurl=" + ed2k + "\"/>");
      break;
    case kXiaopian:
    case kXlw:
    default:
      // Layouts no link rule knows.
      lines.push_back("<div class=\"dl\"><a rel=\"nofollow\" href=\"" + m1 + "\">" + f.name + "</a></div>");
      break;
  }
  return Join(lines);
}

std::string Encode(int site, const std::string& utf8) {
  return PageCharset(site) == Charset::Gbk ? Utf8ToGbk(utf8) : utf8;
}

SitePage Html(int site, const std::string& title, const std::string& content) {
  SitePage page;
  page.body = Encode(site, Head(site, title) + content + Tail());
  return page;
}

struct UrlParts {
  std::string host, path, query;
};

UrlParts SplitUrl(const std::string& url) {
  UrlParts parts;
  size_t hostStart = url.find("://");
  hostStart = hostStart == std::string::npos ? 0 : hostStart + 3;
  const size_t pathStart = url.find('/', hostStart);
  parts.host = url.substr(hostStart, pathStart == std::string::npos ? std::string::npos : pathStart - hostStart);
  const std::string rest = pathStart == std::string::npos ? "/" : url.substr(pathStart);
  const size_t q = rest.find('?');
  parts.path = rest.substr(0, q);
  parts.query = q == std::string::npos ? "" : rest.substr(q + 1);
  return parts;
}

int SiteOfQuery(int query) {
  const auto& steps = SearchSteps();
  for (size_t s = 0; s < steps.size(); ++s)
    for (int q : steps[s].queries)
      if (q == query) return static_cast<int>(s);
  return -1;
}

int SiteOfHost(const std::string& host) {
  const auto& sites = SiteAddresses();
  for (size_t s = 0; s < sites.size(); ++s)
    if (SplitUrl(sites[s].searchOrigin).host == host ||
        (!sites[s].homeAddress.empty() && SplitUrl(sites[s].homeAddress).host == host))
      return static_cast<int>(s);
  return -1;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }
bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The keyword a search request carries, in UTF-8; nullopt when the request is
// not this query's.
std::optional<std::string> KeywordOf(const SiteQuery& query, const SiteRequestView& request) {
  const UrlParts want = SplitUrl(query.requestUrl);
  const UrlParts got = SplitUrl(request.target);
  if (want.host != request.host || want.path != got.path) return std::nullopt;
  std::string encoded;
  if (query.method == HttpMethod::Get) {
    if (request.method != "GET" || !StartsWith(got.query, want.query)) return std::nullopt;
    encoded = got.query.substr(want.query.size());
  } else {
    if (request.method != "POST" || got.query != want.query) return std::nullopt;
    if (!StartsWith(request.body, query.bodyPrefix) || !EndsWith(request.body, query.bodySuffix) ||
        request.body.size() < query.bodyPrefix.size() + query.bodySuffix.size())
      return std::string();
    encoded = request.body.substr(query.bodyPrefix.size(),
                                  request.body.size() - query.bodyPrefix.size() - query.bodySuffix.size());
  }
  const std::string raw = PercentDecode(encoded);
  return query.keywordCharset == KeywordCharset::Gbk ? GbkToUtf8(raw) : raw;
}

std::vector<const Film*> FilmsMatching(const std::string& keyword) {
  std::vector<const Film*> out;
  if (keyword.empty()) return out;
  for (const Film& f : kFilms)
    if (FindIgnoringCase(f.name, keyword, 0) != std::string::npos) out.push_back(&f);
  return out;
}

const Film* FilmInPath(const std::string& path) {
  // The entry's number is the last run of digits in its path.
  size_t end = path.find_last_of("0123456789");
  if (end == std::string::npos) return nullptr;
  size_t begin = path.find_last_not_of("0123456789", end);
  begin = begin == std::string::npos ? 0 : begin + 1;
  const std::string digits = path.substr(begin, end - begin + 1);
  for (const Film& f : kFilms)
    if (std::to_string(f.id) == digits) return &f;
  return nullptr;
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i] == '+' ? ' ' : text[i]);
    }
  }
  return out;
}

std::optional<SitePage> BuiltInPage(const SiteRequestView& request) {
  const auto& queries = SiteQueries();
  for (size_t q = 0; q < queries.size(); ++q) {
    const std::optional<std::string> keyword = KeywordOf(queries[q], request);
    if (!keyword) continue;
    const int site = SiteOfQuery(static_cast<int>(q));
    const std::vector<const Film*> films = FilmsMatching(*keyword);
    std::string content = "<div class=\"search-result\">\r\n" + ResultLines(site, static_cast<int>(q), films, *keyword) +
                          "</div>\r\n";
    if (films.empty()) content = "<p>没有找到相关内容</p>\r\n";
    return Html(site, *keyword + " 搜索结果", content);
  }
  const int site = SiteOfHost(request.host);
  if (site < 0 || request.method != "GET") return std::nullopt;
  const Film* film = FilmInPath(SplitUrl(request.target).path);
  if (!film) return std::nullopt;
  return Html(site, std::string(film->name) + " 下载", EntryLines(site, *film));
}

std::vector<std::string> SiteHostNames() {
  std::vector<std::string> hosts;
  for (const SiteAddress& site : SiteAddresses())
    for (const std::string& origin : {site.searchOrigin, site.homeAddress}) {
      if (origin.empty()) continue;
      const std::string host = SplitUrl(origin).host;
      bool seen = false;
      for (const std::string& h : hosts) seen = seen || h == host;
      if (!seen) hosts.push_back(host);
    }
  return hosts;
}

std::vector<std::string> SampleFilmNames() {
  std::vector<std::string> names;
  for (const Film& f : kFilms) names.push_back(f.name);
  return names;
}

}  // namespace qf::samplesites
