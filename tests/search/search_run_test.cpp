#include "search/search_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/http.h"
#include "regex/regex_matcher.h"
#include "samplesites/site_pages.h"
#include "tests/search/sample_sites_fixture.h"

namespace qf {
namespace {

using test::SampleSitesFixture;

const char* const kStepTexts[] = {"阳光电影片源搜索中...",   "电影港片源搜索中...",     "中国高清网片源搜索中...",
                                  "六V电影网片源搜索中...",   "全集网片源搜索中...",     "七七铺片源搜索中...",
                                  "LOL电影天堂片源搜索中...", "迅雷仓片源搜索中...",     "小片源搜索中...",
                                  "迅雷网片源搜索中...",      "六六影视网片源搜索中...", "破晓电影片源搜索中..."};

std::vector<std::string> ExpectedStatus(const std::string& closing) {
  std::vector<std::string> texts = {"执行搜索中..."};
  texts.insert(texts.end(), std::begin(kStepTexts), std::end(kStepTexts));
  texts.push_back(closing);
  return texts;
}

std::string HostOf(const std::string& url) {
  const size_t start = url.find("://") + 3;
  return url.substr(start, url.find('/', start) - start);
}
std::string TargetOf(const std::string& url) { return url.substr(url.find('/', url.find("://") + 3)); }

class SearchRunTest : public SampleSitesFixture {
 protected:
  void Search(const std::string& keywordUtf8) {
    MainControls controls = window.Controls();
    auto ticket = PrepareSearch(controls, state, gate, G(keywordUtf8));
    RunSearch(controls, state, *ticket);
  }
  // Every site host answers with an empty page unless a test says otherwise.
  void SilenceAllSites() {
    for (const std::string& host : samplesites::SiteHostNames()) Sites().SetPage(host, "*", "<html></html>\r\n");
  }

  SearchState state;
  RunGate gate;
};

TEST_F(SearchRunTest, WholeRunAgainstTheSampleSites) {
  Search("地球");
  struct Expected {
    const char* label;
    const char* title1;
    const char* address1;
    const char* title2;
  } expected[] = {
      {"阳光电影①", "2023年科幻《流浪地球2》HD国语中字", "http://www.ygdy8.com/html/gndy/dyzz/20230301/1001.html",
       "2023年纪录《地球脉动 第三季》BD中英双字"},
      {"阳光电影②", "2023年科幻《流浪地球2》HD国语中字", "http://www.ygdy8.com/html/gndy/jddy/20230301/1001.html",
       "2023年纪录《地球脉动 第三季》BD中英双字"},
      {"电影港", "流浪地球2 HD国语中字", "http://www.dygang.net/ys/20230301/1001.htm", "地球脉动 第三季 BD中英双字"},
      {"中国高清网", "流浪地球2 2023", "https://gaoqing.la/film-1001.html", "地球脉动 第三季 2023"},
      {"六V电影网", "流浪地球2", "http://www.6vhao.tv/dy/2023-03-01/1001.html", "地球脉动 第三季"},
      {"全集网", "流浪地球2", "http://www.quanji.cc/vod/1001.html", "地球脉动 第三季"},
      // The picture's alt text, not the heading ("流浪地球2 高清在线观看").
      {"七七铺", "流浪地球2", "http://www.77pu.com/movie/1001.html", "地球脉动 第三季"},
      {"LOL电影天堂", "流浪地球2", "https://www.loldytt.com/Kehuan/1001/", "地球脉动 第三季"},
      // Entries that run over three lines, in capitals and not.
      {"迅雷仓", "流浪地球2", "http://www.xunleicang.com/vod-read-id-1001.html", "地球脉动 第三季"},
      {"小片", "流浪地球2", "http://www.xiaopian.com/html/gndy/dyzz/20230301/1001.html", "地球脉动 第三季"},
      {"迅雷网", "流浪地球2", "http://www.xunleiwang.net/movie/1001.html", "地球脉动 第三季"},
      {"六六影视网", "流浪地球2", "http://www.66ys.tv/kehuan/20230301/1001.htm", "地球脉动 第三季"},
      {"破晓电影", "流浪地球2", "https://www.poxiao.com/dongzuopian/1001.html", "地球脉动 第三季"},
  };
  ASSERT_EQ(window.resultList.RowCount(), 26);
  for (int i = 0; i < 13; ++i) {
    const Expected& e = expected[i];
    SCOPED_TRACE(e.label);
    std::string address2 = e.address1;
    address2.replace(address2.rfind("1001"), 4, "1002");
    EXPECT_EQ(Row(2 * i), (std::vector<std::string>{std::to_string(2 * i + 1), e.title1, e.label, "", e.address1}));
    EXPECT_EQ(Row(2 * i + 1), (std::vector<std::string>{std::to_string(2 * i + 2), e.title2, e.label, "", address2}));
  }
  EXPECT_EQ(StatusHistory(kSearchStatusPart), ExpectedStatus("全部获取完毕！共获取[ 26 ]条信息！"));
  EXPECT_EQ(window.toolkit.SleptMilliseconds(), 13 * 200);
  EXPECT_EQ(state.resultCount, 26);
  // The page of the last query stays behind.
  EXPECT_NE(U(state.lastSearchPage).find("<span>分</span></h3>"), std::string::npos);
}

TEST_F(SearchRunTest, RequestsSentForNiHaoAndTheFailureText) {
  Search("你好");
  const auto requests = Sites().Requests();
  ASSERT_EQ(requests.size(), SiteQueries().size());
  for (size_t i = 0; i < requests.size(); ++i) {
    const SiteQuery& q = SiteQueries()[i];
    const SiteRequest sent = BuildSiteRequest(q, G("你好"));
    SCOPED_TRACE(U(q.label));
    EXPECT_EQ(requests[i].scheme, q.requestUrl.substr(0, q.requestUrl.find(':')));
    EXPECT_EQ(requests[i].host, HostOf(sent.url));
    EXPECT_EQ(requests[i].target, TargetOf(sent.url));
    EXPECT_EQ(requests[i].method, sent.methodIndex == 1 ? "POST" : "GET");
    EXPECT_EQ(requests[i].body, sent.body);
    if (sent.methodIndex == 1) {
      EXPECT_EQ(requests[i].contentType, "application/x-www-form-urlencoded");
    }
  }
  // Spot checks of the bytes on the wire.
  EXPECT_EQ(requests[0].target, "/plus/so.php?kwtype=0&searchtype=title&keyword=%C4%E3%BA%C3");
  EXPECT_EQ(requests[2].body, "tempid=1&tbname=article&keyboard=%C4%E3%BA%C3&show=title&Submit=%CB%D1%CB%F7");
  EXPECT_EQ(requests[3].target, "/s.php?q=%E4%BD%A0%E5%A5%BD");
  EXPECT_EQ(requests[5].body, "wd=%E4%BD%A0%E5%A5%BD");
  EXPECT_EQ(requests[12].body, "show=title%2Csmalltext&tempid=1&keyboard=%C4%E3%BA%C3");

  EXPECT_EQ(window.resultList.RowCount(), 0);
  EXPECT_EQ(StatusHistory(kSearchStatusPart), ExpectedStatus("获取失败！请重试！"));
  EXPECT_EQ(window.toolkit.SleptMilliseconds(), 13 * 200);
}

// Each text is shown, then its step runs, then the 200 ms pause follows:
// none before the first text, one after it and one after every step.
TEST_F(SearchRunTest, EachPauseFollowsItsText) {
  std::vector<std::pair<std::string, long long>> shown;
  window.statusBar.OnChange([&](int part, const std::string& text) {
    if (part == kSearchStatusPart) shown.emplace_back(U(text), window.toolkit.SleptMilliseconds());
  });
  Search("ab");
  const std::vector<std::string> texts = ExpectedStatus("获取失败！请重试！");
  ASSERT_EQ(shown.size(), texts.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].first, texts[i]);
    EXPECT_EQ(shown[i].second, 200 * static_cast<long long>(i)) << texts[i];
  }
}

TEST_F(SearchRunTest, EverySiteUnreachable) {
  std::vector<std::string> closed;
  for (const std::string& host : samplesites::SiteHostNames())
    for (const char* port : {":80", ":443"}) closed.push_back(host + port + ":127.0.0.1:1");
  platform::SetResolveOverrides(closed);
  Search("地球");
  EXPECT_EQ(window.resultList.RowCount(), 0);
  EXPECT_EQ(StatusHistory(kSearchStatusPart), ExpectedStatus("获取失败！请重试！"));
  EXPECT_EQ(window.toolkit.SleptMilliseconds(), 13 * 200);
  EXPECT_TRUE(state.lastSearchPage.empty());
}

std::string EmpireEntries(const char* host, int count) {
  std::string page = "<ul>\r\n";
  for (int i = 1; i <= count; ++i) {
    const std::string n = std::to_string(i);
    page += std::string("<li><h3><a href=\"http://") + host + "/dy/" + n + ".html\" title=\"Film " + n +
            "\" target=\"_blank\">Film " + n + "</a></h3>\r\n";
  }
  return page + "</ul>\r\n";
}

TEST_F(SearchRunTest, NumbersRunOnAcrossSites) {
  SilenceAllSites();
  std::string dygang;
  for (int i = 1; i <= 7; ++i)
    dygang += "<td><a href=\"/d/" + std::to_string(i) +
              ".htm\" target=\"_blank\" class=\"classlinkclass\">D" + std::to_string(i) + "</a></td>\r\n";
  Sites().SetPage("www.dygang.net", "/e/search/index.php", dygang);
  Sites().SetPage("www.6vhao.tv", "/e/search/index.php", EmpireEntries("www.6vhao.tv", 3));
  Search("x");
  ASSERT_EQ(window.resultList.RowCount(), 10);
  for (int row = 0; row < 10; ++row) {
    EXPECT_EQ(Row(row)[0], std::to_string(row + 1));
    EXPECT_EQ(Row(row)[2], row < 7 ? "电影港" : "六V电影网");
    EXPECT_EQ(Row(row)[1], row < 7 ? "D" + std::to_string(row + 1) : "Film " + std::to_string(row - 6));
  }
  EXPECT_EQ(StatusHistory(kSearchStatusPart).back(), "全部获取完毕！共获取[ 10 ]条信息！");
}

TEST_F(SearchRunTest, AddressPrefixIsJoinedAsIs) {
  SilenceAllSites();
  Sites().SetPage("www.poxiao.com", "/e/search/index22.php",
                  G("<h3><a href=\"x/1.html\" target=\"_blank\">A</a><em>1</em><span>分</span></h3>\r\n"
                    "<h3><a href=\"//2.html\" target=\"_blank\">B</a><em>1</em><span>分</span></h3>\r\n"
                    "<h3><a href=\"\" target=\"_blank\">C</a><em>1</em><span>分</span></h3>\r\n"));
  Search("x");
  ASSERT_EQ(window.resultList.RowCount(), 3);
  EXPECT_EQ(Row(0)[4], "https://www.poxiao.comx/1.html");
  EXPECT_EQ(Row(1)[4], "https://www.poxiao.com//2.html");
  EXPECT_EQ(Row(2)[4], "https://www.poxiao.com");
}

// Each record over its own site's page, once with CR LF line ends and once
// with bare LF: the patterns that end in CR find nothing on the second.
TEST_F(SearchRunTest, LineEndsDecideThePatternsThatEndInCr) {
  const std::string keyword = G("地球");
  for (size_t i = 0; i < SiteQueries().size(); ++i) {
    const SiteQuery& q = SiteQueries()[i];
    SCOPED_TRACE(U(q.label));
    const SiteRequest sent = BuildSiteRequest(q, keyword);
    auto page = samplesites::BuiltInPage(
        {sent.methodIndex == 1 ? "POST" : "GET", HostOf(sent.url), TargetOf(sent.url), sent.body});
    ASSERT_TRUE(page);
    std::string lf = page->body;
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    const std::string path = TargetOf(sent.url).substr(0, TargetOf(sent.url).find('?'));
    const bool endsWithCr = q.resultPattern.back() == '\r';
    for (const bool crlf : {true, false}) {
      Sites().SetPage(HostOf(sent.url), path, crlf ? page->body : lf);
      window.resultList.DeleteAllRows();
      MainControls controls = window.Controls();
      RunTicket ticket;
      state.searchKeyword = keyword;
      RegexMatcher matcher;
      RunSiteQuery(q, matcher, controls, state, ticket);
      EXPECT_EQ(window.resultList.RowCount(), (crlf || !endsWithCr) ? 2 : 0) << (crlf ? "CR LF" : "LF");
    }
  }
}

TEST_F(SearchRunTest, ASupersededRunWritesNothingMore) {
  MainControls controls = window.Controls();
  Sites().HoldResponses(true);
  auto older = PrepareSearch(controls, state, gate, G("地球"));
  auto olderDone = std::async(std::launch::async, [&] { RunSearch(controls, state, *older); });
  for (int i = 0; i < 1000 && Sites().HeldCount() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(Sites().HeldCount(), 1);

  auto newer = PrepareSearch(controls, state, gate, G("三体"));
  const size_t historyAtStart = window.statusBar.History().size();
  // The older run's request in flight is abandoned, so it ends while the
  // server still holds its answer.
  const bool olderEnded = olderDone.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  Sites().HoldResponses(false);
  olderDone.wait();
  EXPECT_TRUE(olderEnded);
  EXPECT_EQ(window.statusBar.History().size(), historyAtStart);
  EXPECT_EQ(window.resultList.RowCount(), 0);
  EXPECT_EQ(state.resultCount, 0);
  EXPECT_EQ(U(state.searchKeyword), "三体");

  RunSearch(controls, state, *newer);
  ASSERT_EQ(window.resultList.RowCount(), 13);
  EXPECT_EQ(Row(0)[0], "1");
  EXPECT_EQ(Row(12)[0], "13");
  EXPECT_EQ(StatusHistory(kSearchStatusPart).back(), "全部获取完毕！共获取[ 13 ]条信息！");
}

TEST_F(SearchRunTest, StartSearchRunsOnItsOwnThread) {
  // The listener runs under the window's lock, on the thread that writes.
  std::vector<std::thread::id> writers;
  window.statusBar.OnChange([&](int, const std::string&) { writers.push_back(std::this_thread::get_id()); });
  MainControls controls = window.Controls();
  window.resultList.AppendRow();
  StartSearch(controls, state, gate, G("满江红"));
  const std::string closing = G("全部获取完毕！共获取[ 13 ]条信息！");
  for (int i = 0; i < 2000 && window.statusBar.StatusText(kSearchStatusPart) != closing; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(window.statusBar.StatusText(kSearchStatusPart), closing);
  EXPECT_EQ(window.resultList.RowCount(), 13);
  gate.Stop();
  window.statusBar.OnChange(nullptr);
  ASSERT_EQ(writers.size(), 14u);
  for (const std::thread::id& writer : writers) EXPECT_NE(writer, std::this_thread::get_id());
}

}  // namespace
}  // namespace qf
