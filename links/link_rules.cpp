#include "links/link_rules.h"

#include "web/codecs.h"

namespace qf {
namespace {

// Written in UTF-8 here; LinkRules() holds them in GBK.
const std::string kCr = "\r";
const std::string kA = std::string(R"~(<a href="(.*?)">(.*?)</a></td>)~") + kCr;
const std::string kB =
    R"~(<p><span style="color: [\S\s\n]*?;"><a href="(.*?)"><span style="color: [\S\s\n]*?;">(.*?)</span></a></span></p>)~";
const std::string kC = R"~(href="(.*?)" > 磁力链接</a>)~";
const std::string kD = std::string(R"~(href="(.*?)">(.*?)</a></td>)~") + kCr;
const std::string kE = R"~(href="(.*?)" title="(.*?)" target="_self">)~";
const std::string kF = std::string(R"~(value="(.*?)" file_name="(.*?)"/>)~") + kCr;
const std::string kG = R"~(href="(.*?)" title="(.*?)")~";
const std::string kH = R"~(href="(.*?)" target="_self">(.*?)</a></li>)~";
const std::string kI = std::string(R"~(磁力：<a href="(.*?)">(.*?)</a></td>)~") + kCr;
const std::string kJ = R"~(value="xzurl=(.*?)"/>)~";

LinkRule Rule(const char* label, std::vector<std::string> patterns, bool refetchUtf8 = false,
              SkipFirst skip = SkipFirst::Never, const char* skipText = "") {
  LinkRule rule;
  rule.siteLabel = Utf8ToGbk(label);
  for (const std::string& p : patterns) rule.linkPatterns.push_back(Utf8ToGbk(p));
  rule.refetchUtf8 = refetchUtf8;
  rule.skipFirstMatch = skip;
  rule.skipText = Utf8ToGbk(skipText);
  return rule;
}

// 小片 and 迅雷网 have no rule: their pages are fetched and nothing is listed.
std::vector<LinkRule> BuildRules() {
  return {
      Rule("阳光电影①", {kA}),
      Rule("阳光电影②", {kA}),
      // The first link of an entry page is the site's help page.
      Rule("电影港", {kA}, false, SkipFirst::WhenEquals, R"~(/help.html" target="_blank)~"),
      Rule("中国高清网", {kB, kC}, true),
      Rule("六V电影网", {kD}),
      Rule("全集网", {kE}),
      Rule("七七铺", {kF}),
      Rule("LOL电影天堂", {kG}, false, SkipFirst::Always),
      Rule("迅雷仓", {kH}),
      Rule("六六影视网", {kI, kD}),
      Rule("破晓电影", {kJ}),
  };
}

}  // namespace

const std::vector<LinkRule>& LinkRules() {
  static const std::vector<LinkRule> rules = BuildRules();
  return rules;
}

const LinkRule* FindLinkRule(const std::string& label) {
  for (const LinkRule& rule : LinkRules())
    if (rule.siteLabel == label) return &rule;
  return nullptr;
}

}  // namespace qf
