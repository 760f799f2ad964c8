#include "links/extract_links.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "search/search_run.h"
#include "tests/search/sample_sites_fixture.h"

namespace qf {
namespace {

using test::SampleSitesFixture;

const char* const kFailed = "获取失败！请打开片源手动获取！";
std::string Done(int n) { return "获取完成！成功获取[ " + std::to_string(n) + " ]条种子数据！"; }

class ExtractLinksTest : public SampleSitesFixture {
 protected:
  // One result row with the label and address, selected.
  void Select(const std::string& labelUtf8, const std::string& address) {
    const int row = window.resultList.AppendRow();
    window.resultList.SetCellText(row, kColumnLabel, G(labelUtf8));
    window.resultList.SetCellText(row, kColumnAddress, address);
    window.resultList.Select(row);
  }
  void Extract() {
    MainControls controls = window.Controls();
    auto ticket = PrepareLinkExtraction(controls, gate);
    ExtractLinks(controls, *ticket);
  }
  std::string Status() const { return U(window.statusBar.StatusText(kLinkStatusPart)); }
  std::vector<std::string> Sorted(std::vector<std::string> links) {
    std::sort(links.begin(), links.end(), [](const std::string& a, const std::string& b) { return G(a) < G(b); });
    return links;
  }

  RunGate gate;
};

// Every rule over its site's built-in entry page.
TEST_F(ExtractLinksTest, EachSiteEntryPage) {
  struct Case {
    const char* label;
    const char* address;
    int links;               // -1: no rule, the status stays on "获取中..."
    const char* mustHave;    // a link that must be listed
    const char* mustNotHave;
  } cases[] = {
      {"阳光电影①", "http://www.ygdy8.com/html/gndy/dyzz/20230301/1001.html", 2, "ftp://dy:dy@dl.example-mirror.cn:21/The.Wandering.Earth.II.HD.mkv", ""},
      {"阳光电影②", "http://www.ygdy8.com/html/gndy/jddy/20230301/1002.html", 2, "ftp://dy:dy@dl.example-mirror.cn:21/Planet.Earth.III.HD.mkv", ""},
      {"电影港", "http://www.dygang.net/ys/20230301/1001.htm", 3, "ftp://dy:dy@dl.example-mirror.cn:21/The.Wandering.Earth.II.HD.mkv", "/help.html\" target=\"_blank"},
      {"中国高清网", "https://gaoqing.la/film-1001.html", 3, "", ""},
      {"六V电影网", "http://www.6vhao.tv/dy/2023-03-01/1001.html", 2, "", ""},
      {"全集网", "http://www.quanji.cc/vod/1005.html", 3, "thunder://QUFmdHA6Ly9keTpkeUBkbC5leGFtcGxlLW1pcnJvci5jbi81005ZZ01", ""},
      {"七七铺", "http://www.77pu.com/movie/1001.html", 2, "", ""},
      {"LOL电影天堂", "https://www.loldytt.com/Kehuan/1001/", 2, "", "https://www.loldytt.com/"},
      {"迅雷仓", "http://www.xunleicang.com/vod-read-id-1001.html", 2, "", ""},
      // 磁力： lines match both patterns, so their links come twice.
      {"六六影视网", "http://www.66ys.tv/kehuan/20230301/1001.htm", 3, "ftp://dy:dy@dl.example-mirror.cn:21/The.Wandering.Earth.II.HD.mkv", ""},
      {"破晓电影", "https://www.poxiao.com/dongzuopian/1001.html", 2, "", ""},
      {"小片", "http://www.xiaopian.com/html/gndy/dyzz/20230301/1001.html", -1, "", ""},
      {"迅雷网", "http://www.xunleiwang.net/movie/1001.html", -1, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    window.resultList.DeleteAllRows();
    Sites().ClearRequests();
    Select(c.label, c.address);
    Extract();
    const auto links = Links();
    const auto requests = Sites().Requests();
    if (c.links < 0) {
      EXPECT_TRUE(links.empty());
      EXPECT_EQ(Status(), "获取中...");
      EXPECT_EQ(requests.size(), 1u);
      continue;
    }
    EXPECT_EQ(static_cast<int>(links.size()), c.links);
    EXPECT_EQ(Status(), Done(c.links));
    EXPECT_EQ(links, Sorted(links));
    for (const std::string& link : links) EXPECT_FALSE(link.empty());
    if (*c.mustHave) {
      EXPECT_NE(std::find(links.begin(), links.end(), c.mustHave), links.end());
    }
    if (*c.mustNotHave) {
      EXPECT_EQ(std::find(links.begin(), links.end(), c.mustNotHave), links.end());
    }
    // 中国高清网 is fetched a second time and read as UTF-8.
    EXPECT_EQ(requests.size(), std::string(c.label) == "中国高清网" ? 2u : 1u);
  }
}

TEST_F(ExtractLinksTest, FocusedPages) {
  auto lines = [](const std::string& format, std::vector<std::string> links) {
    std::string out;
    for (const std::string& link : links) {
      std::string line = format;
      line.replace(line.find("%s"), 2, link);
      out += line;
    }
    return out;
  };
  struct Case {
    const char* name;
    const char* label;
    std::string page;  // UTF-8, served as GBK except for 中国高清网
    std::vector<std::string> links;  // in sorted order
    const char* status;
  } cases[] = {
      {"help link first", "电影港", lines("<a href=\"%s\">x</a></td>\r\n",
                                         {"/help.html\" target=\"_blank", "m4", "m3", "m2", "m1"}),
       {"m1", "m2", "m3", "m4"}, "4"},
      {"help link not first", "电影港", lines("<a href=\"%s\">x</a></td>\r\n", {"m1", "/help.html\" target=\"_blank"}),
       {"/help.html\" target=\"_blank", "m1"}, "2"},
      {"help link in capitals", "电影港", lines("<a href=\"%s\">x</a></td>\r\n", {"/HELP.html\" target=\"_blank", "m1"}),
       {"/HELP.html\" target=\"_blank", "m1"}, "2"},
      {"LOL single match", "LOL电影天堂", "<a href=\"m1\" title=\"t\">", {}, kFailed},
      {"LOL first always left out", "LOL电影天堂", "<a href=\"m1\" title=\"t\"><a href=\"m2\" title=\"t\">", {"m2"}, "1"},
      {"B finds 3, C none", "中国高清网",
       lines("<p><span style=\"color: #ff0000;\"><a href=\"%s\"><span style=\"color: blue;\">名</span></a></span></p>\r\n",
             {"b3", "b1", "b2"}),
       {"b1", "b2", "b3"}, "3"},
      {"B and C", "中国高清网",
       "<p><span style=\"color: red;\"><a href=\"b1\"><span style=\"color: red;\">x</span></a></span></p>\r\n"
       "<a href=\"c1\" > 磁力链接</a>\r\n",
       {"b1", "c1"}, "2"},
      {"I none, D two", "六六影视网", lines("<td><a href=\"%s\">x</a></td>\r\n", {"d2", "d1"}), {"d1", "d2"}, "2"},
      {"duplicates kept", "阳光电影①", lines("<a href=\"%s\">x</a></td>\r\n", {"same", "same"}), {"same", "same"}, "2"},
      {"empty first link", "阳光电影①", lines("<a href=\"%s\">x</a></td>\r\n", {"", "m1"}), {"", "m1"}, kFailed},
      {"empty later link", "阳光电影①", lines("<a href=\"%s\">x</a></td>\r\n", {"m1", ""}), {"", "m1"}, "2"},
      {"links as they are", "破晓电影", "<input value=\"xzurl= a&amp;b \"/>", {" a&amp;b "}, "1"},
      {"nothing found", "全集网", "<html></html>", {}, kFailed},
      // The patterns that end in CR find nothing when lines end in LF alone.
      {"A on LF", "阳光电影②", "<a href=\"m1\">x</a></td>\n", {}, kFailed},
      {"D on LF", "六V电影网", "<a href=\"m1\">x</a></td>\n", {}, kFailed},
      {"F on LF", "七七铺", "<input value=\"m1\" file_name=\"f\"/>\n", {}, kFailed},
      {"I and D on LF", "六六影视网", "<td>磁力：<a href=\"m1\">x</a></td>\n", {}, kFailed},
      {"F on CR LF", "七七铺", "<input value=\"m1\" file_name=\"f\"/>\r\n", {"m1"}, "1"},
      {"H", "迅雷仓", "<li><a href=\"h1\" target=\"_self\">x</a></li>", {"h1"}, "1"},
      {"E", "全集网", "<a href=\"e1\" title=\"t\" target=\"_self\">", {"e1"}, "1"},
  };
  const std::string address = "http://www.77pu.com/focused.html";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window.resultList.DeleteAllRows();
    const bool utf8 = std::string(c.label) == "中国高清网";
    Sites().SetPage("www.77pu.com", "/focused.html", utf8 ? c.page : G(c.page));
    Select(c.label, address);
    Extract();
    EXPECT_EQ(Links(), c.links);
    const std::string status = c.status;
    EXPECT_EQ(Status(), status == kFailed ? status : Done(std::stoi(status)));
  }
}

TEST_F(ExtractLinksTest, FailedRequestGivesTheFailureText) {
  Select("阳光电影①", "http://www.ygdy8.com/no-such-page");
  Extract();
  EXPECT_TRUE(Links().empty());
  EXPECT_EQ(StatusHistory(kLinkStatusPart), (std::vector<std::string>{"获取中...", kFailed}));
}

TEST_F(ExtractLinksTest, NoRowSelected) {
  Select("阳光电影①", "http://www.ygdy8.com/html/gndy/dyzz/20230301/1001.html");
  window.resultList.Select(-1);
  Extract();
  EXPECT_TRUE(Links().empty());
  EXPECT_EQ(StatusHistory(kLinkStatusPart), (std::vector<std::string>{"获取中..."}));
  EXPECT_TRUE(Sites().Requests().empty());
}

TEST_F(ExtractLinksTest, ASupersededExtractionWritesNothingMore) {
  MainControls controls = window.Controls();
  Select("阳光电影①", "http://www.ygdy8.com/html/gndy/dyzz/20230301/1001.html");
  Sites().HoldResponses(true);
  auto older = PrepareLinkExtraction(controls, gate);
  auto olderDone = std::async(std::launch::async, [&] { ExtractLinks(controls, *older); });
  for (int i = 0; i < 1000 && Sites().HeldCount() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(Sites().HeldCount(), 1);
  auto newer = PrepareLinkExtraction(controls, gate);
  const size_t historyAtStart = window.statusBar.History().size();
  const bool olderEnded = olderDone.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  Sites().HoldResponses(false);
  olderDone.wait();
  EXPECT_TRUE(olderEnded);
  EXPECT_EQ(window.statusBar.History().size(), historyAtStart);
  EXPECT_TRUE(Links().empty());

  ExtractLinks(controls, *newer);
  EXPECT_EQ(Links().size(), 2u);
  EXPECT_EQ(Status(), Done(2));
}

TEST_F(ExtractLinksTest, StartLinkExtractionEmptiesTheListAndRunsOnItsOwnThread) {
  // The listener runs under the window's lock, on the thread that writes.
  std::vector<std::thread::id> writers;
  window.statusBar.OnChange([&](int, const std::string&) { writers.push_back(std::this_thread::get_id()); });
  window.linkList.AddItem("left from the last click");
  Select("破晓电影", "https://www.poxiao.com/dongzuopian/1001.html");
  MainControls controls = window.Controls();
  StartLinkExtraction(controls, gate);
  for (int i = 0; i < 2000 && Status() != Done(2); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(Status(), Done(2));
  gate.Stop();
  window.statusBar.OnChange(nullptr);
  EXPECT_EQ(Links().size(), 2u);
  for (const std::string& link : Links()) EXPECT_EQ(link.rfind("left", 0), std::string::npos) << link;
  ASSERT_EQ(writers.size(), 2u);
  for (const std::thread::id& writer : writers) EXPECT_NE(writer, std::this_thread::get_id());
}

TEST_F(ExtractLinksTest, SearchThenClickEveryRow) {
  SearchState state;
  RunGate searches;
  MainControls controls = window.Controls();
  auto ticket = PrepareSearch(controls, state, searches, G("深海"));
  RunSearch(controls, state, *ticket);
  ASSERT_EQ(window.resultList.RowCount(), 13);
  for (int row = 0; row < 13; ++row) {
    SCOPED_TRACE(Row(row)[2]);
    window.resultList.Select(row);
    Extract();
    const bool noRule = Row(row)[2] == "小片" || Row(row)[2] == "迅雷网";
    EXPECT_EQ(Links().empty(), noRule);
    EXPECT_EQ(Status(), noRule ? "获取中..." : Done(static_cast<int>(Links().size())));
  }
}

}  // namespace
}  // namespace qf
