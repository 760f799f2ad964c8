#include "links/extract_links.h"

#include <utility>

#include "regex/regex_matcher.h"
#include "search/search_run.h"
#include "web/codecs.h"
#include "web/fetch_url.h"

namespace qf {
namespace {

struct LinkTexts {
  std::string fetching = Utf8ToGbk("获取中...");
  std::string failed = Utf8ToGbk("获取失败！请打开片源手动获取！");
  std::string doneBefore = Utf8ToGbk("获取完成！成功获取[ ");
  std::string doneAfter = Utf8ToGbk(" ]条种子数据！");
};

const LinkTexts& Texts() {
  static const LinkTexts texts;
  return texts;
}

bool SkipsFirst(const LinkRule& rule, const RegexMatcher& matcher) {
  switch (rule.skipFirstMatch) {
    case SkipFirst::Never:
      return false;
    case SkipFirst::Always:
      return true;
    case SkipFirst::WhenEquals:
      return matcher.MatchCount() > 0 && matcher.SubMatchText(1, 1) == rule.skipText;
  }
  return false;
}

}  // namespace

void ReportFetchStatus(MainControls& controls, const RunTicket& ticket, const std::vector<std::string>& added) {
  const std::string text = (added.empty() || added.front().empty())
                               ? Texts().failed
                               : Texts().doneBefore + std::to_string(added.size()) + Texts().doneAfter;
  WhileCurrent(controls.toolkit, ticket, [&] { controls.statusBar.SetStatusText(kLinkStatusPart, text); });
}

void ApplyLinkRule(const LinkRule& rule, int row, std::string page, RegexMatcher& matcher, MainControls& controls,
                   const RunTicket& ticket) {
  Toolkit& toolkit = controls.toolkit;
  if (rule.refetchUtf8) {
    std::string address;
    if (!WhileCurrent(toolkit, ticket, [&] { address = controls.resultList.GetCellText(row, kColumnAddress); }))
      return;
    page = Utf8ToGbk(FetchUrl(address));
  }
  std::vector<std::string> added;
  for (size_t p = 0; p < rule.linkPatterns.size(); ++p) {
    matcher.Execute(rule.linkPatterns[p], page);
    const int n = matcher.MatchCount();
    const int first = (p == 0 && SkipsFirst(rule, matcher)) ? 2 : 1;
    for (int i = first; i <= n; ++i) {
      std::string link = matcher.SubMatchText(i, 1);
      if (!WhileCurrent(toolkit, ticket, [&] { controls.linkList.AddItem(link); })) return;
      added.push_back(std::move(link));
    }
  }
  ReportFetchStatus(controls, ticket, added);
}

void ExtractLinks(MainControls& controls, const RunTicket& ticket) {
  AbortScope abortScope(ticket);
  Toolkit& toolkit = controls.toolkit;
  RegexMatcher matcher;
  if (!WhileCurrent(toolkit, ticket, [&] { controls.statusBar.SetStatusText(kLinkStatusPart, Texts().fetching); }))
    return;
  int row = -1;
  std::string address;
  if (!WhileCurrent(toolkit, ticket, [&] {
        row = controls.resultList.CurrentSelection();
        address = controls.resultList.GetCellText(row, kColumnAddress);
      }))
    return;
  std::string page = FetchUrl(address);
  std::string label;
  if (!WhileCurrent(toolkit, ticket, [&] { label = controls.resultList.GetCellText(row, kColumnLabel); })) return;
  // With no rule for the label the status stays on the fetching text.
  if (const LinkRule* rule = FindLinkRule(label)) ApplyLinkRule(*rule, row, std::move(page), matcher, controls, ticket);
}

std::shared_ptr<RunTicket> PrepareLinkExtraction(MainControls& controls, RunGate& gate) {
  std::shared_ptr<RunTicket> ticket;
  controls.toolkit.Invoke([&] {
    ticket = gate.Begin();
    controls.linkList.Clear();
  });
  return ticket;
}

void StartLinkExtraction(MainControls& controls, RunGate& gate) {
  std::shared_ptr<RunTicket> ticket = PrepareLinkExtraction(controls, gate);
  controls.toolkit.StartThread([controls, ticket]() mutable { ExtractLinks(controls, *ticket); });
}

}  // namespace qf
