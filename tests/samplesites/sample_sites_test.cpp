#include "samplesites/sample_sites.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <future>
#include <thread>

#include "samplesites/site_pages.h"
#include "web/codecs.h"

namespace qf::samplesites {
namespace {

class SampleSitesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sites.Started()) << sites.Error(); }

  httplib::Result Get(const std::string& host, const std::string& target, bool secure = false) {
    return secure ? Secure().Get(target.c_str(), {{"Host", host}}) : Plain().Get(target.c_str(), {{"Host", host}});
  }
  httplib::Result Post(const std::string& host, const std::string& target, const std::string& body) {
    return Plain().Post(target.c_str(), {{"Host", host}}, body, "application/x-www-form-urlencoded");
  }
  httplib::Client& Plain() {
    if (!plain) plain = std::make_unique<httplib::Client>("127.0.0.1", sites.HttpPort());
    return *plain;
  }
  httplib::SSLClient& Secure() {
    if (!secure) {
      secure = std::make_unique<httplib::SSLClient>("127.0.0.1", sites.HttpsPort());
      secure->set_ca_cert_path(sites.CaFile().c_str());
      secure->enable_server_certificate_verification(true);
    }
    return *secure;
  }

  SampleSites sites;
  std::unique_ptr<httplib::Client> plain;
  std::unique_ptr<httplib::SSLClient> secure;
};

TEST_F(SampleSitesTest, AnswersBySiteHostAndRecordsTheRequest) {
  auto res = Post("www.dygang.net", "/e/search/index.php",
                  "tempid=1&tbname=article&keyboard=%B5%D8%C7%F2&show=title&Submit=%CB%D1%CB%F7");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  // GBK page naming both films with 地球 in their names.
  EXPECT_NE(res->body.find(Utf8ToGbk("流浪<font color='red'>地球</font>2")), std::string::npos);
  EXPECT_NE(res->body.find(Utf8ToGbk("<font color='red'>地球</font>脉动")), std::string::npos);
  EXPECT_NE(res->body.find("\r\n"), std::string::npos);

  auto requests = sites.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].scheme, "http");
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].host, "www.dygang.net");
  EXPECT_EQ(requests[0].target, "/e/search/index.php");
  EXPECT_EQ(requests[0].body, "tempid=1&tbname=article&keyboard=%B5%D8%C7%F2&show=title&Submit=%CB%D1%CB%F7");
}

TEST_F(SampleSitesTest, UnknownHostsAndPathsGetNotFound) {
  struct Case {
    const char* host;
    const char* target;
  } cases[] = {
      {"example.org", "/e/search/index.php"},
      {"www.dygang.net", "/no/such/page.html"},
      {"www.dygang.net", "/ys/20230301/9999.htm"},
  };
  for (const Case& c : cases) {
    auto res = Get(c.host, c.target);
    ASSERT_TRUE(res) << c.host << c.target;
    EXPECT_EQ(res->status, 404) << c.host << c.target;
  }
}

TEST_F(SampleSitesTest, HttpsSitesAreServedWithATrustedCertificate) {
  auto res = Get("gaoqing.la", "/s.php?q=%E5%9C%B0%E7%90%83", true);
  ASSERT_TRUE(res) << httplib::to_string(res.error());
  EXPECT_EQ(res->status, 200);
  // UTF-8, with its charset declared only after the first 1024 bytes.
  const size_t meta = res->body.find("charset=");
  ASSERT_NE(meta, std::string::npos);
  EXPECT_GT(meta, 1024u);
  EXPECT_NE(res->body.find("流浪<span style=\"background-color: yellow;\">地球</span>2"), std::string::npos);
}

TEST_F(SampleSitesTest, AKeywordNoFilmHasGivesAPageWithoutEntries) {
  auto res = Get("s.ygdy8.com", "/plus/so.php?kwtype=0&searchtype=title&keyword=%61%62");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->body.find("<a href='"), std::string::npos);
}

TEST_F(SampleSitesTest, SetPageReplacesTheBuiltInPage) {
  sites.SetPage("www.66ys.tv", "/e/search/index.php", "custom");
  sites.SetPage("www.poxiao.com", "*", "everything", 500);
  auto res = Post("www.66ys.tv", "/e/search/index.php", "anything");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body, "custom");
  auto other = Get("www.poxiao.com", "/dongzuopian/1001.html", true);
  ASSERT_TRUE(other);
  EXPECT_EQ(other->status, 500);
  EXPECT_EQ(other->body, "everything");
  sites.ClearPages();
  auto builtIn = Get("www.poxiao.com", "/dongzuopian/1001.html", true);
  ASSERT_TRUE(builtIn);
  EXPECT_NE(builtIn->body.find("xzurl=magnet:"), std::string::npos);
}

TEST_F(SampleSitesTest, HeldResponsesWaitUntilReleased) {
  sites.HoldResponses(true);
  auto pending = std::async(std::launch::async, [&] {
    httplib::Client client("127.0.0.1", sites.HttpPort());
    return client.Get("/movie/1001.html", {{"Host", "www.77pu.com"}});
  });
  for (int i = 0; i < 500 && sites.HeldCount() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(sites.HeldCount(), 1);
  EXPECT_EQ(pending.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  sites.HoldResponses(false);
  auto res = pending.get();
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
}

TEST_F(SampleSitesTest, ResolveEntriesMapEveryHostToBothServers) {
  const auto entries = sites.ResolveEntries();
  const auto hosts = SiteHostNames();
  ASSERT_EQ(entries.size(), hosts.size() * 2);
  EXPECT_EQ(entries[0], hosts[0] + ":80:127.0.0.1:" + std::to_string(sites.HttpPort()));
  EXPECT_EQ(entries[1], hosts[0] + ":443:127.0.0.1:" + std::to_string(sites.HttpsPort()));
}

TEST(PercentDecodeTest, DecodesEscapesAndLeavesMalformedOnesAlone) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"%61%62", "ab"}, {"a+b", "a b"}, {"%E4%BD%A0", "你"}, {"%", "%"}, {"%4", "%4"}, {"%zz1", "%zz1"}, {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PercentDecode(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace qf::samplesites
