// quillfen-cli search, links and sites as a user runs them, against the
// sample sites served by this test process.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "samplesites/sample_sites.h"

namespace qf {
namespace {

struct Output {
  int status = -1;
  std::string out;
  std::vector<std::string> errLines;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class CliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sites_ = std::make_unique<samplesites::SampleSites>(); }
  static void TearDownTestSuite() { sites_.reset(); }
  void SetUp() override { ASSERT_TRUE(sites_->Started()) << sites_->Error(); }

  Output Run(const std::vector<std::string>& args, bool toSites = true) {
    std::string command = std::string("'") + QUILLFEN_CLI + "'";
    for (const std::string& a : args) command += " '" + a + "'";
    if (toSites) {
      for (const std::string& entry : sites_->ResolveEntries()) command += " --resolve " + entry;
      command += " --cacert '" + sites_->CaFile() + "'";
    }
    // One file per process and run: test cases run side by side.
    static int runs = 0;
    const std::string errFile = ::testing::TempDir() + "/quillfen-cli-stderr-" + std::to_string(getpid()) + "-" +
                                std::to_string(++runs) + ".txt";
    command += " 2>'" + errFile + "'";
    Output result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream err(errFile, std::ios::binary);
    std::stringstream errText;
    errText << err.rdbuf();
    result.errLines = Lines(errText.str());
    std::remove(errFile.c_str());
    return result;
  }

  static inline std::unique_ptr<samplesites::SampleSites> sites_;
};

TEST_F(CliTest, SearchPrintsRowsAndStatusTexts) {
  const Output r = Run({"search", "地球"});
  EXPECT_EQ(r.status, 0);
  const auto rows = Lines(r.out);
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(rows[0], "1\t2023年科幻《流浪地球2》HD国语中字\t阳光电影①\thttp://www.ygdy8.com/html/gndy/dyzz/20230301/1001.html");
  EXPECT_EQ(rows[25], "26\t地球脉动 第三季\t破晓电影\thttps://www.poxiao.com/dongzuopian/1002.html");
  ASSERT_EQ(r.errLines.size(), 14u);
  EXPECT_EQ(r.errLines.front(), "执行搜索中...");
  EXPECT_EQ(r.errLines[9], "小片源搜索中...");
  EXPECT_EQ(r.errLines.back(), "全部获取完毕！共获取[ 26 ]条信息！");
}

TEST_F(CliTest, SearchJsonAndNothingFound) {
  const Output r = Run({"search", "--json", "--no-pause", "Oppenheimer"});
  EXPECT_EQ(r.status, 0);
  const auto rows = nlohmann::ordered_json::parse(r.out);
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[0].dump(),
            R"({"number":1,"title":"2023年传记《奥本海默 Oppenheimer》BD中英双字","label":"阳光电影①","summary":"",)"
            R"("address":"http://www.ygdy8.com/html/gndy/dyzz/20230301/1006.html"})");
  EXPECT_EQ(rows[3]["title"], "奥本海默 Oppenheimer 2023");

  const Output none = Run({"search", "--json", "--no-pause", "ab"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(nlohmann::json::parse(none.out), nlohmann::json::array());
  ASSERT_FALSE(none.errLines.empty());
  EXPECT_EQ(none.errLines.back(), "获取失败！请重试！");
}

TEST_F(CliTest, Links) {
  struct Case {
    std::vector<std::string> args;
    int status;
    size_t links;
    const char* lastStatus;
  } cases[] = {
      {{"links", "电影港", "http://www.dygang.net/ys/20230301/1001.htm"}, 0, 3, "获取完成！成功获取[ 3 ]条种子数据！"},
      {{"links", "七七铺", "http://www.77pu.com/movie/1004.html"}, 0, 2, "获取完成！成功获取[ 2 ]条种子数据！"},
      {{"links", "小片", "http://www.xiaopian.com/html/gndy/dyzz/20230301/1001.html"}, 1, 0, "获取中..."},
      {{"links", "阳光电影①", "http://www.ygdy8.com/missing.html"}, 1, 0, "获取失败！请打开片源手动获取！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1]);
    const Output r = Run(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(Lines(r.out).size(), c.links);
    ASSERT_FALSE(r.errLines.empty());
    EXPECT_EQ(r.errLines.back(), c.lastStatus);
  }
  const Output json = Run({"links", "--json", "破晓电影", "https://www.poxiao.com/dongzuopian/1003.html"});
  EXPECT_EQ(json.status, 0);
  const auto links = nlohmann::json::parse(json.out);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0].get<std::string>().rfind("ed2k://|file|Deep.Sea.HD.mp4|", 0), 0u);
  EXPECT_EQ(links[1].get<std::string>().rfind("magnet:?xt=urn:btih:", 0), 0u);
}

TEST_F(CliTest, SitesAndUsage) {
  const Output sites = Run({"sites", "--json"}, false);
  EXPECT_EQ(sites.status, 0);
  const auto list = nlohmann::ordered_json::parse(sites.out);
  ASSERT_EQ(list.size(), 13u);
  EXPECT_EQ(list[12].dump(), R"({"label":"破晓电影","method":"POST","requestUrl":"https://www.poxiao.com/e/search/index22.php",)"
                             R"("addressPrefix":"https://www.poxiao.com"})");
  const Output plain = Run({"sites"}, false);
  EXPECT_EQ(Lines(plain.out)[3], "中国高清网\tGET\thttps://gaoqing.la/s.php?q=\t");

  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"search"}, {"search", ""}, {"search", "a", "b"}, {"links", "电影港"}, {"sites", "x"}})
    EXPECT_EQ(Run(args, false).status, 2) << args.size();
}

}  // namespace
}  // namespace qf
