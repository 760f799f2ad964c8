#include "search/search_run.h"

#include <string_view>
#include <utility>

#include "regex/regex_matcher.h"
#include "web/codecs.h"
#include "web/fetch_url.h"

namespace qf {
namespace {

constexpr int kPauseMilliseconds = 200;

struct SearchTexts {
  std::string searching = Utf8ToGbk("执行搜索中...");
  std::string failed = Utf8ToGbk("获取失败！请重试！");
  std::string countBefore = Utf8ToGbk("全部获取完毕！共获取[ ");
  std::string countAfter = Utf8ToGbk(" ]条信息！");
};

const SearchTexts& Texts() {
  static const SearchTexts texts;
  return texts;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  return true;
}

// Width in bytes of the GBK character at `at`: a lead byte takes its trail byte
// along, so a removal never starts inside a Chinese character. A lead byte
// without a valid trail stands alone, so it cannot hide the "<" after it.
size_t CharWidth(std::string_view text, size_t at) {
  const auto b = static_cast<unsigned char>(text[at]);
  if (b < 0x81 || b > 0xFE || at + 1 >= text.size()) return 1;
  const auto t = static_cast<unsigned char>(text[at + 1]);
  return (t >= 0x40 && t <= 0xFE && t != 0x7F) ? 2 : 1;
}

bool ContainsExactly(std::string_view text, std::string_view probe) {
  for (size_t at = 0; at < text.size(); at += CharWidth(text, at))
    if (text.substr(at, probe.size()) == probe) return true;
  return false;
}

// One pass left to right; what the removal joins is not searched again.
std::string RemoveAllIgnoringCase(std::string_view text, std::string_view tag) {
  if (tag.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    if (StartsWithIgnoringCase(text.substr(at), tag)) {
      at += tag.size();
      continue;
    }
    const size_t width = CharWidth(text, at);
    out.append(text.substr(at, width));
    at += width;
  }
  return out;
}

}  // namespace

std::string RemoveMarkup(const std::string& title, const SiteQuery& query) {
  if (query.markupProbe.empty() || !ContainsExactly(title, query.markupProbe)) return title;
  std::string out = title;
  for (const std::string& tag : query.markupTags) out = RemoveAllIgnoringCase(out, tag);
  return out;
}

void RunSiteQuery(const SiteQuery& query, RegexMatcher& matcher, MainControls& controls, SearchState& state,
                  const RunTicket& ticket) {
  Toolkit& toolkit = controls.toolkit;
  std::string keyword;
  if (!WhileCurrent(toolkit, ticket, [&] { keyword = state.searchKeyword; })) return;

  const SiteRequest request = BuildSiteRequest(query, keyword);
  std::string page = request.methodIndex == 1 ? FetchUrl(request.url, 1, request.body) : FetchUrl(request.url);
  if (query.pageIsUtf8) page = Utf8ToGbk(page);
  if (!WhileCurrent(toolkit, ticket, [&] { state.lastSearchPage = page; })) return;

  matcher.Execute(query.resultPattern, page);
  const int n = matcher.MatchCount();
  for (int i = 1; i <= n; ++i) {
    const std::string title = RemoveMarkup(matcher.SubMatchText(i, query.titleGroup), query);
    const std::string address = query.addressPrefix + matcher.SubMatchText(i, 1);
    const bool current = WhileCurrent(toolkit, ticket, [&] {
      ++state.resultCount;
      ReportList& list = controls.resultList;
      const int row = list.AppendRow();
      list.SetCellText(row, kColumnNumber, std::to_string(state.resultCount));
      list.SetCellText(row, kColumnTitle, title);
      list.SetCellText(row, kColumnLabel, query.label);
      list.SetCellText(row, kColumnAddress, address);
    });
    if (!current) return;
  }
}

void RunSearch(MainControls& controls, SearchState& state, const RunTicket& ticket) {
  AbortScope abortScope(ticket);
  Toolkit& toolkit = controls.toolkit;
  auto say = [&](const std::string& text) {
    return WhileCurrent(toolkit, ticket, [&] { controls.statusBar.SetStatusText(kSearchStatusPart, text); });
  };
  auto pause = [&] {
    if (!ticket.Current()) return false;
    toolkit.Sleep(kPauseMilliseconds);
    return ticket.Current();
  };

  if (!say(Texts().searching) || !pause()) return;
  const std::vector<SiteQuery>& queries = SiteQueries();
  for (const SearchStep& step : SearchSteps()) {
    if (!say(step.statusText)) return;
    {
      RegexMatcher matcher;
      for (int index : step.queries) {
        RunSiteQuery(queries[index], matcher, controls, state, ticket);
        if (!ticket.Current()) return;
      }
    }
    if (!pause()) return;
  }
  WhileCurrent(toolkit, ticket, [&] {
    const std::string text = controls.resultList.RowCount() == 0
                                 ? Texts().failed
                                 : Texts().countBefore + std::to_string(state.resultCount) + Texts().countAfter;
    controls.statusBar.SetStatusText(kSearchStatusPart, text);
  });
}

std::shared_ptr<RunTicket> PrepareSearch(MainControls& controls, SearchState& state, RunGate& gate,
                                         const std::string& keyword) {
  std::shared_ptr<RunTicket> ticket;
  controls.toolkit.Invoke([&] {
    ticket = gate.Begin();
    controls.resultList.DeleteAllRows();
    state.resultCount = 0;
    state.searchKeyword = keyword;
  });
  return ticket;
}

void StartSearch(MainControls& controls, SearchState& state, RunGate& gate, const std::string& keyword) {
  std::shared_ptr<RunTicket> ticket = PrepareSearch(controls, state, gate, keyword);
  controls.toolkit.StartThread([controls, &state, ticket]() mutable { RunSearch(controls, state, *ticket); });
}

}  // namespace qf
