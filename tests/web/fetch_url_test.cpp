// FetchUrl end to end, against servers started here on 127.0.0.1.
#include "web/fetch_url.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/com.h"
#include "platform/http.h"
#include "tests/support/test_certificate.h"
#include "tests/support/test_servers.h"
#include "web/codecs.h"

namespace qf {
namespace {

using test::LocalHttpServer;
using test::RawServer;
using namespace std::chrono_literals;

const std::string kUserAgent = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*\r\n";
const std::string kRest = "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\n";
const std::string kForm = "Content-Type: application/x-www-form-urlencoded\r\n";
const std::string kCache = "Cache-Control: no-cache\r\n";
const std::string kDefaults = kUserAgent + kAccept + kRest + kCache;

std::string Message(const char* utf8) { return Utf8ToGbk(utf8); }

struct Call {
  Call(std::string u, int m = 0, std::string b = {}, std::string h = {}, bool forbid = false, int t = 0,
       std::string* c = nullptr)
      : url(std::move(u)), method(m), body(std::move(b)), headers(std::move(h)), forbidRedirects(forbid),
        timeout(t), cookies(c) {}
  std::string url;
  int method = 0;
  std::string body;
  std::string headers;
  bool forbidRedirects = false;
  int timeout = 0;
  std::string* cookies = nullptr;
  std::string proxy;
  std::string user, password, proxyUser, proxyPassword;
};

struct Outcome {
  std::string text, status, location, headers, cookies, bytes;
};

Outcome Fetch(const Call& c) {
  const int before = platform::ComInitCount();
  Outcome o;
  o.text = FetchUrl(c.url, c.method, c.body, c.cookies, &o.cookies, c.headers, &o.headers, c.forbidRedirects, c.user,
                    c.password, c.proxy, c.proxyUser, c.proxyPassword, c.timeout, &o.location, &o.status, &o.bytes);
  EXPECT_EQ(platform::ComInitCount(), before) << c.url;
  return o;
}

Outcome Fetch(const std::string& url) { return Fetch(Call{url}); }

// Records every request it gets and answers each with the same response.
class Recorder {
 public:
  explicit Recorder(std::string response = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")
      : response_(std::move(response)), server_([this](int fd, const std::atomic<bool>&) {
          std::string request = RawServer::ReadRequest(fd);
          {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
          }
          RawServer::SendAll(fd, response_);
        }) {
    EXPECT_TRUE(server_.Start());
  }
  std::string Url(const std::string& path = "/") const { return server_.Url(path); }
  std::string Host() const { return "Host: 127.0.0.1:" + std::to_string(server_.port()) + "\r\n"; }
  std::string Last() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.empty() ? std::string() : requests_.back();
  }

 private:
  std::string response_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
  RawServer server_;
};

TEST(FetchUrlRequest, SendsExactlyTheDefaultBlock) {
  Recorder recorder;
  std::string sid = "sid=1";
  const struct {
    const char* name;
    Call call;
    std::string expected;  // after the request line and the Host line
    std::string requestLine;
  } cases[] = {
      {"GET", {recorder.Url()}, kDefaults + "\r\n", "GET / HTTP/1.1"},
      {"POST with a form body",
       {recorder.Url("/s"), 1, "a=%C4%E3&b=1"},
       kUserAgent + kAccept + kRest + kForm + kCache + "Content-Length: 12\r\n\r\na=%C4%E3&b=1",
       "POST /s HTTP/1.1"},
      {"large POST has no Expect line",
       {recorder.Url(), 1, std::string(3000, 'b')},
       kUserAgent + kAccept + kRest + kForm + kCache + "Content-Length: 3000\r\n\r\n" + std::string(3000, 'b'),
       "POST / HTTP/1.1"},
      {"POST without a body", {recorder.Url(), 1}, kUserAgent + kAccept + kRest + kForm + kCache +
       "Content-Length: 0\r\n\r\n", "POST / HTTP/1.1"},
      {"HEAD", {recorder.Url(), 2}, kDefaults + "\r\n", "HEAD / HTTP/1.1"},
      {"PUT with a body", {recorder.Url("/p"), 3, "x=1"}, kDefaults + "Content-Length: 3\r\n\r\nx=1", "PUT /p HTTP/1.1"},
      {"OPTIONS", {recorder.Url(), 4}, kDefaults + "\r\n", "OPTIONS / HTTP/1.1"},
      {"DELETE", {recorder.Url(), 5}, kDefaults + "\r\n", "DELETE / HTTP/1.1"},
      {"method 8 is GET", {recorder.Url(), 8}, kDefaults + "\r\n", "GET / HTTP/1.1"},
      {"method -1 is GET", {recorder.Url(), -1}, kDefaults + "\r\n", "GET / HTTP/1.1"},
      {"path and query kept", {recorder.Url("/a/b?x=1&y=2")}, kDefaults + "\r\n", "GET /a/b?x=1&y=2 HTTP/1.1"},
      {"caller lines first, suppressing defaults",
       {recorder.Url(), 0, "", "X-Accept: 1\r\nuser-agent: me"},
       "X-Accept: 1\r\nuser-agent: me\r\n" + kRest + kCache + "\r\n",
       "GET / HTTP/1.1"},
      {"another case of content-type is replaced by the default",
       {recorder.Url(), 1, "q", "content-type: text/plain"},
       "content-type: application/x-www-form-urlencoded\r\n" + kUserAgent + kAccept + kRest + kCache +
           "Content-Length: 1\r\n\r\nq",
       "POST / HTTP/1.1"},
      {"cookie line", {recorder.Url(), 0, "", "", false, 0, &sid}, kDefaults + "Cookie: sid=1\r\n\r\n",
       "GET / HTTP/1.1"},
  };
  for (const auto& c : cases) {
    Outcome o = Fetch(c.call);
    EXPECT_EQ(o.status, "200 OK") << c.name;
    EXPECT_EQ(recorder.Last(), c.requestLine + "\r\n" + recorder.Host() + c.expected) << c.name;
  }
}

TEST(FetchUrlRequest, AddressWithoutPathAsksForTheRoot) {
  Recorder recorder;
  const std::string base = recorder.Url("");
  for (const std::string& url : {base, base + "?q=1", base + "#top"}) {
    Fetch(url);
    EXPECT_EQ(recorder.Last().substr(0, 16), "GET / HTTP/1.1\r\n") << url;
  }
}

TEST(FetchUrlRequest, CredentialsOnlyWithBothParts) {
  Recorder recorder;
  const struct {
    std::string user, password;
    bool sent;
  } cases[] = {{"u", "p", true}, {"u", "", false}, {"", "p", false}};
  for (const auto& c : cases) {
    Call call{recorder.Url()};
    call.user = c.user;
    call.password = c.password;
    Fetch(call);
    const bool sent = recorder.Last().find("Authorization: Basic dTpw\r\n") != std::string::npos;
    EXPECT_EQ(sent, c.sent) << c.user << "/" << c.password;
    EXPECT_EQ(recorder.Last().find("uthorization") != std::string::npos, c.sent);
  }
}

TEST(FetchUrlRequest, BrokenCallerHeadersFailBeforeSending) {
  Recorder recorder;
  for (const std::string& headers : {std::string("X-A: 1\nInjected: 2"), std::string("no colon here"),
                                     std::string("X-A: 1\rB: 2"), std::string(": empty name")}) {
    Call call{recorder.Url()};
    call.headers = headers;
    Outcome o = Fetch(call);
    EXPECT_EQ(o.text, "");
    EXPECT_EQ(o.status, Message("710 设置协议头失败!")) << headers;
  }
  EXPECT_EQ(recorder.Last(), "");
}

class FetchUrlHttp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new LocalHttpServer;
    httplib::Server& s = server_->server();
    s.Get("/page", [](const httplib::Request&, httplib::Response& res) { res.set_content("hello page", "text/html"); });
    s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("no such page", "text/html");
    });
    s.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/page");
      res.set_content("moved body", "text/html");
    });
    s.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
      ++loopHits_;
      res.status = 302;
      res.set_header("Location", "/loop");
    });
    s.Get(R"(/chain/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      int left = std::atoi(req.matches[1].str().c_str());
      if (left == 0) return res.set_content("end of chain", "text/plain");
      res.status = 301;
      res.set_header("Location", "/chain/" + std::to_string(left - 1));
    });
    s.Post("/post-moved", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/method");
    });
    s.Post("/post-307", [](const httplib::Request&, httplib::Response& res) {
      res.status = 307;
      res.set_header("Location", "/method");
    });
    auto method = [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.method + " " + req.body, "text/plain");
    };
    s.Get("/method", method);
    s.Post("/method", method);
    s.Get("/set-cookies", [](const httplib::Request& req, httplib::Response& res) {
      res.set_header("Set-Cookie", "a=1; Path=/");
      res.set_header("set-cookie", "b=2");
      res.set_content("cookie sent: " + req.get_header_value("Cookie"), "text/plain");
    });
    s.Get("/delete-c", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "c=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT");
      res.set_content("", "text/plain");
    });
    s.Get("/cookie-then-redirect", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Set-Cookie", "s=1; Path=/");
      res.set_header("Location", "/echo-cookie");
    });
    s.Get("/echo-cookie", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.has_header("Cookie") ? "cookie: " + req.get_header_value("Cookie") : "none", "text/plain");
    });
    s.Get("/utf8", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<meta charset=\"utf-8\">\xE4\xBD\xA0\xE5\xA5\xBD", "text/html; charset=gbk");
    });
    s.Get("/gb2312", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<meta charset=gb2312>\xC4\xE3\xBA\xC3", "text/html; charset=utf-8");
    });
    ASSERT_TRUE(server_->Start());
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  static std::string Url(const std::string& path) { return server_->Url(path); }

  static inline LocalHttpServer* server_ = nullptr;
  static inline std::atomic<int> loopHits_{0};
};

TEST_F(FetchUrlHttp, PageWithItsStatusAndHeaders) {
  Outcome o = Fetch(Url("/page"));
  EXPECT_EQ(o.text, "hello page");
  EXPECT_EQ(o.bytes, "hello page");
  EXPECT_EQ(o.status, "200 OK");
  EXPECT_EQ(o.headers.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_NE(o.headers.find("Content-Length: 10\r\n"), std::string::npos);
  EXPECT_EQ(o.headers.substr(o.headers.size() - 4), "\r\n\r\n");
  EXPECT_EQ(o.location, "");
}

TEST_F(FetchUrlHttp, ErrorStatusIsAPage) {
  Outcome o = Fetch(Url("/missing"));
  EXPECT_EQ(o.text, "no such page");
  EXPECT_EQ(o.status, "404 Not Found");
}

TEST_F(FetchUrlHttp, HeadBringsNoBody) {
  Outcome o = Fetch(Call{Url("/page"), 2});
  EXPECT_EQ(o.text, "");
  EXPECT_EQ(o.bytes, "");
  EXPECT_EQ(o.status, "200 OK");
}

TEST_F(FetchUrlHttp, RedirectFollowedToTheFinalResponse) {
  Outcome o = Fetch(Url("/moved"));
  EXPECT_EQ(o.text, "hello page");
  EXPECT_EQ(o.status, "200 OK");
  EXPECT_EQ(o.headers.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(o.headers.find("302"), std::string::npos);  // nothing of the first hop
  EXPECT_EQ(o.location, "");
}

TEST_F(FetchUrlHttp, RedirectNotFollowedWhenForbidden) {
  Call call{Url("/moved")};
  call.forbidRedirects = true;
  Outcome o = Fetch(call);
  EXPECT_EQ(o.text, "moved body");
  EXPECT_EQ(o.status, "302 Found");
  EXPECT_EQ(o.location, "/page");
}

TEST_F(FetchUrlHttp, RedirectHopsAreBounded) {
  EXPECT_EQ(Fetch(Url("/chain/10")).text, "end of chain");
  Outcome tooMany = Fetch(Url("/chain/11"));
  EXPECT_EQ(tooMany.text, "");
  EXPECT_EQ(tooMany.status, Message("712 服务器未响应!"));

  loopHits_ = 0;
  Outcome loop = Fetch(Url("/loop"));
  EXPECT_EQ(loop.text, "");
  EXPECT_EQ(loop.status, Message("712 服务器未响应!"));
  EXPECT_EQ(loopHits_.load(), 11);  // the first request and ten redirects
}

TEST_F(FetchUrlHttp, RedirectMethodRules) {
  EXPECT_EQ(Fetch(Call{Url("/post-moved"), 1, "k=v"}).text, "GET ");
  EXPECT_EQ(Fetch(Call{Url("/post-307"), 1, "k=v"}).text, "POST k=v");
}

TEST_F(FetchUrlHttp, SetCookieLinesInAnyCase) {
  Outcome o = Fetch(Url("/set-cookies"));
  EXPECT_EQ(o.cookies, "a=1; b=2");
  EXPECT_NE(o.headers.find("Set-Cookie: a=1; Path=/\r\n"), std::string::npos);
  EXPECT_NE(o.headers.find("Set-Cookie: b=2\r\n"), std::string::npos);
  EXPECT_EQ(o.headers.find("set-cookie"), std::string::npos);
  EXPECT_EQ(o.text, "cookie sent: ");
}

TEST_F(FetchUrlHttp, SuppliedCookiesAreSentAndMerged) {
  std::string cookies = "a=0; c=3";
  Call call{Url("/set-cookies")};
  call.cookies = &cookies;
  Outcome o = Fetch(call);
  EXPECT_EQ(o.text, "cookie sent: a=0; c=3");
  EXPECT_EQ(o.cookies, "a=1; b=2; c=3");
  EXPECT_EQ(cookies, "a=1; b=2; c=3");

  std::string withC = "c=3; d=4";
  call = Call{Url("/delete-c")};
  call.cookies = &withC;
  o = Fetch(call);
  EXPECT_EQ(o.cookies, "d=4");
  EXPECT_EQ(withC, "d=4");
}

TEST_F(FetchUrlHttp, KeepsNoCookiesOfItsOwn) {
  EXPECT_EQ(Fetch(Url("/cookie-then-redirect")).text, "none");
  EXPECT_EQ(Fetch(Url("/echo-cookie")).text, "none");
  std::string empty;
  Call call{Url("/cookie-then-redirect")};
  call.cookies = &empty;
  EXPECT_EQ(Fetch(call).text, "none");
}

TEST_F(FetchUrlHttp, DecodesByTheMetaDeclarationNotTheHeader) {
  Outcome utf8 = Fetch(Url("/utf8"));
  EXPECT_EQ(utf8.text, "<meta charset=\"utf-8\">\xC4\xE3\xBA\xC3");
  EXPECT_EQ(utf8.bytes, "<meta charset=\"utf-8\">\xE4\xBD\xA0\xE5\xA5\xBD");
  EXPECT_EQ(Fetch(Url("/gb2312")).text, "<meta charset=gb2312>\xC4\xE3\xBA\xC3");
}

TEST_F(FetchUrlHttp, HostMappingSendsCatalogueNamesHere) {
  const std::string port = std::to_string(server_->port());
  platform::SetResolveOverrides({"site.example:80:127.0.0.1:" + port, "other.example:" + port + ":127.0.0.1"});
  Outcome mapped = Fetch(Call{"http://site.example/page"});
  Outcome samePort = Fetch(Call{"http://other.example:" + port + "/page"});
  platform::SetResolveOverrides({});
  EXPECT_EQ(mapped.text, "hello page");
  EXPECT_EQ(samePort.text, "hello page");
}

TEST_F(FetchUrlHttp, ThreadsFetchSideBySide) {
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([&good] {
      const int before = platform::ComInitCount();
      for (int i = 0; i < 15; ++i) {
        std::string status;
        if (FetchUrl(Url(i % 2 ? "/page" : "/moved"), 0, {}, nullptr, nullptr, {}, nullptr, false, {}, {}, {}, {}, {}, 0,
                     nullptr, &status) == "hello page" &&
            status == "200 OK" && platform::ComInitCount() == before)
          ++good;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(good.load(), 6 * 15);
}

TEST(ResolveEntries, Syntax) {
  const struct {
    const char* entry;
    bool valid;
  } cases[] = {
      {"site.example:80:127.0.0.1", true},     {"site.example:80:127.0.0.1:8080", true},
      {"site.example:443:[::1]", true},        {"site.example:443:[::1]:8443", true},
      {"site.example:80", false},              {"site.example:x:127.0.0.1", false},
      {":80:127.0.0.1", false},                {"site.example:80:", false},
      {"site.example:80:127.0.0.1:0", false},  {"site.example:70000:127.0.0.1", false},
      {"site.example:80:[::1", false},         {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::IsValidResolveEntry(c.entry), c.valid) << c.entry;
}

// --- failures before any response ----------------------------------------

int ClosedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

TEST(FetchUrlFailure, EachStepReportsItsMessage) {
  const std::string badUrl = Message("701 解析URL地址失败!");
  const std::string notSent = Message("711 发送请求失败!");
  // A label longer than 63 characters is refused by the resolver before any query goes out.
  const std::string unresolvable = "http://" + std::string(70, 'x') + ".invalid/";
  const struct {
    std::string url;
    std::string status;
  } cases[] = {
      {"", badUrl},
      {"ftp://127.0.0.1/", badUrl},
      {"http://", badUrl},
      {"http:///path", badUrl},
      {"http://127.0.0.1:99999/", badUrl},
      {"http://127.0.0.1:0/", badUrl},
      {"http://127.0.0.1:8x/", badUrl},
      {"127.0.0.1/page", badUrl},
      {unresolvable, notSent},
      {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", notSent},
  };
  for (const auto& c : cases) {
    Outcome o = Fetch(c.url);
    EXPECT_EQ(o.text, "") << c.url;
    EXPECT_EQ(o.status, c.status) << c.url;
    EXPECT_EQ(o.headers, "") << c.url;
  }
}

TEST(FetchUrlFailure, LeftOutOutputsAreFine) {
  EXPECT_EQ(FetchUrl(""), "");
  EXPECT_EQ(FetchUrl("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/"), "");
}

// --- servers that misbehave ------------------------------------------------

TEST(FetchUrlMisbehaving, ServerThatNeverAnswers) {
  RawServer silent([](int fd, const std::atomic<bool>& stopping) {
    RawServer::ReadRequest(fd);
    RawServer::Pause(60000, stopping);
  });
  ASSERT_TRUE(silent.Start());
  Call call{silent.Url()};
  call.timeout = 1;
  auto start = std::chrono::steady_clock::now();
  Outcome o = Fetch(call);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(o.text, "");
  EXPECT_EQ(o.status, Message("712 服务器未响应!"));
  EXPECT_LT(took, 10s);  // the one-second time-out, not the default thirty
}

TEST(FetchUrlMisbehaving, BodyCutShortKeepsThePartRead) {
  const std::string part(40, 'p');
  const struct {
    const char* name;
    bool hangs;  // stalls with the connection open instead of closing it
  } cases[] = {{"connection closed", false}, {"connection stalls", true}};
  for (const auto& c : cases) {
    const bool hangs = c.hangs;
    RawServer server([&part, hangs](int fd, const std::atomic<bool>& stopping) {
      RawServer::ReadRequest(fd);
      RawServer::SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nSet-Cookie: k=v\r\n\r\n" + part);
      if (hangs) RawServer::Pause(60000, stopping);
    });
    ASSERT_TRUE(server.Start());
    Call call{server.Url()};
    call.timeout = 1;
    Outcome o = Fetch(call);
    EXPECT_EQ(o.text, part) << c.name;
    EXPECT_EQ(o.bytes, part) << c.name;
    EXPECT_EQ(o.status, "200 OK") << c.name;
    EXPECT_EQ(o.cookies, "k=v") << c.name;
  }
}

TEST(FetchUrlMisbehaving, SlowButMovingBodyIsNotCutOff) {
  RawServer trickle([](int fd, const std::atomic<bool>& stopping) {
    RawServer::ReadRequest(fd);
    RawServer::SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");
    for (char c : std::string("abcde")) {
      if (!RawServer::Pause(400, stopping)) return;
      RawServer::SendAll(fd, std::string(1, c));
    }
  });
  ASSERT_TRUE(trickle.Start());
  Call call{trickle.Url()};
  call.timeout = 1;  // each step waits less than this, the whole body takes longer
  Outcome o = Fetch(call);
  EXPECT_EQ(o.text, "abcde");
  EXPECT_EQ(o.status, "200 OK");
}

TEST(FetchUrlMisbehaving, EndlessBodyStopsAtTheCap) {
  RawServer endless([](int fd, const std::atomic<bool>& stopping) {
    RawServer::ReadRequest(fd);
    RawServer::SendAll(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
    const std::string chunk(64 * 1024, 'z');
    while (!stopping && RawServer::SendAll(fd, chunk)) {
    }
  });
  ASSERT_TRUE(endless.Start());
  Outcome o = Fetch(endless.Url());
  EXPECT_EQ(o.bytes.size(), size_t{32} << 20);
  EXPECT_EQ(o.text.size(), size_t{32} << 20);
  EXPECT_EQ(o.status, "200 OK");
}

TEST(FetchUrlMisbehaving, AnswersThatAreNotHttp) {
  for (const std::string& answer : {std::string("not http at all\r\n\r\n"), std::string("HTTP/1.1 abc\r\n\r\n"),
                                   std::string(""), std::string("HTTP/1.1 200 OK\r\nContent-Length: x\r\n\r\nab")}) {
    RawServer odd([answer](int fd, const std::atomic<bool>&) {
      RawServer::ReadRequest(fd);
      RawServer::SendAll(fd, answer);
    });
    ASSERT_TRUE(odd.Start());
    Call call{odd.Url()};
    call.timeout = 2;
    Outcome o = Fetch(call);
    EXPECT_EQ(o.text, "") << answer;
    EXPECT_EQ(o.status, Message("712 服务器未响应!")) << answer;
  }
}

TEST(FetchUrlResponse, BytesComeBackAsSent) {
  const struct {
    const char* name;
    std::string response, text, bytes, status, cookies;
  } cases[] = {
      {"zero byte in the body", std::string("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nab\0cd", 44),
       "ab", std::string("ab\0cd", 5), "200 OK", ""},
      {"compressed bodies stay compressed",
       "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 4\r\n\r\n" + std::string("\x1F\x8B\x08\x00", 4),
       "\x1F\x8B\x08",
       std::string("\x1F\x8B\x08\x00", 4), "200 OK", ""},
      {"chunked framing removed", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n",
       "abcde", "abcde", "200 OK", ""},
      {"GBK bytes in a header", "HTTP/1.1 200 OK\r\nSet-Cookie: n=\xC4\xE3\xBA\xC3; Path=/\r\nContent-Length: 0\r\n\r\n", "",
       "", "200 OK", "n=\xC4\xE3\xBA\xC3"},
      {"HTTP/1.0 without a length reads to the close", "HTTP/1.0 201 Created\r\n\r\nuntil close", "until close",
       "until close", "201 Created", ""},
      {"reason phrase kept as sent", "HTTP/1.1 404 Nope, not here\r\nContent-Length: 0\r\n\r\n", "", "",
       "404 Nope, not here", ""},
  };
  for (const auto& c : cases) {
    const std::string response = c.response;
    RawServer server([response](int fd, const std::atomic<bool>&) {
      RawServer::ReadRequest(fd);
      RawServer::SendAll(fd, response);
    });
    ASSERT_TRUE(server.Start());
    Outcome o = Fetch(server.Url());
    EXPECT_EQ(o.text, c.text) << c.name;
    EXPECT_EQ(o.bytes, c.bytes) << c.name;
    EXPECT_EQ(o.status, c.status) << c.name;
    EXPECT_EQ(o.cookies, c.cookies) << c.name;
  }
}

TEST(FetchUrlResponse, HeaderLinesAlwaysEndInCrLf) {
  const struct {
    const char* name;
    std::string response, headers, status, cookies, location, text;
  } cases[] = {
      {"bare LF line ends",
       "HTTP/1.1 302 Found\nSet-Cookie: a=1; Path=/\nLocation: /x\nContent-Length: 2\n\nok",
       "HTTP/1.1 302 Found\r\nSet-Cookie: a=1; Path=/\r\nLocation: /x\r\nContent-Length: 2\r\n\r\n", "302 Found",
       "a=1", "/x", "ok"},
      {"trailers after a chunked body stay out",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTrailer: X-Check\r\n\r\n2\r\nok\r\n0\r\n"
       "Set-Cookie: t=1\r\nLocation: /late\r\n\r\n",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTrailer: X-Check\r\n\r\n", "200 OK", "", "", "ok"},
  };
  for (const auto& c : cases) {
    const std::string response = c.response;
    RawServer server([response](int fd, const std::atomic<bool>&) {
      RawServer::ReadRequest(fd);
      RawServer::SendAll(fd, response);
    });
    ASSERT_TRUE(server.Start());
    Call call{server.Url()};
    call.forbidRedirects = true;
    Outcome o = Fetch(call);
    EXPECT_EQ(o.headers, c.headers) << c.name;
    EXPECT_EQ(o.status, c.status) << c.name;
    EXPECT_EQ(o.cookies, c.cookies) << c.name;
    EXPECT_EQ(o.location, c.location) << c.name;
    EXPECT_EQ(o.text, c.text) << c.name;
  }
}

TEST(FetchUrlMisbehaving, AbortFlagEndsAWaitingRequest) {
  RawServer silent([](int fd, const std::atomic<bool>& stopping) {
    RawServer::ReadRequest(fd);
    RawServer::Pause(60000, stopping);
  });
  ASSERT_TRUE(silent.Start());
  std::atomic<bool> abort{false};
  platform::SetThreadAbortFlag(&abort);
  std::thread later([&] {
    std::this_thread::sleep_for(200ms);
    abort = true;
  });
  auto start = std::chrono::steady_clock::now();
  Outcome o = Fetch(silent.Url());
  auto took = std::chrono::steady_clock::now() - start;
  later.join();
  platform::SetThreadAbortFlag(nullptr);
  EXPECT_EQ(o.text, "");
  EXPECT_EQ(o.status, Message("712 服务器未响应!"));
  EXPECT_LT(took, 5s);  // not the thirty-second time-out
}

// --- HTTPS and proxies -----------------------------------------------------

class FetchUrlHttps : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::filesystem::temp_directory_path() / ("quillfen-https-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    cert_ = test::MakeTestCertificate({"site.example"}, dir_.string());
    ASSERT_TRUE(cert_.ok);
    plain_ = new LocalHttpServer;
    plain_->server().Get("/page", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("plain page", "text/plain");
    });
    ASSERT_TRUE(plain_->Start());
    secure_ = new LocalHttpServer(cert_);
    secure_->server().Get("/page", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("secure page", "text/plain");
    });
    secure_->server().Get("/down", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", plain_->Url("/page"));
      res.set_content("stays secure", "text/plain");
    });
    secure_->server().Get("/up", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/page");
    });
    ASSERT_TRUE(secure_->Start());
  }
  static void TearDownTestSuite() {
    delete secure_;
    delete plain_;
    std::filesystem::remove_all(dir_);
  }
  void TearDown() override {
    platform::SetExtraCaFile("");
    platform::SetResolveOverrides({});
  }

  static inline std::filesystem::path dir_;
  static inline test::TestCertificate cert_;
  static inline LocalHttpServer* plain_ = nullptr;
  static inline LocalHttpServer* secure_ = nullptr;
};

TEST_F(FetchUrlHttps, UntrustedCertificateFailsTheSend) {
  Outcome o = Fetch(secure_->Url("/page"));
  EXPECT_EQ(o.text, "");
  EXPECT_EQ(o.status, Message("711 发送请求失败!"));
}

TEST_F(FetchUrlHttps, TrustedThroughTheExtraCaFile) {
  platform::SetExtraCaFile(cert_.certFile);
  Outcome o = Fetch(secure_->Url("/page"));
  EXPECT_EQ(o.text, "secure page");
  EXPECT_EQ(o.status, "200 OK");
}

TEST_F(FetchUrlHttps, HostNamesAreVerified) {
  platform::SetExtraCaFile(cert_.certFile);
  const std::string port = std::to_string(secure_->port());
  platform::SetResolveOverrides({"site.example:443:127.0.0.1:" + port, "wrong.example:443:127.0.0.1:" + port});
  EXPECT_EQ(Fetch("https://site.example/page").text, "secure page");
  Outcome wrong = Fetch("https://wrong.example/page");
  EXPECT_EQ(wrong.text, "");
  EXPECT_EQ(wrong.status, Message("711 发送请求失败!"));
}

TEST_F(FetchUrlHttps, RedirectNeverGoesDownToHttp) {
  platform::SetExtraCaFile(cert_.certFile);
  Outcome down = Fetch(secure_->Url("/down"));
  EXPECT_EQ(down.text, "stays secure");
  EXPECT_EQ(down.status, "302 Found");
  EXPECT_EQ(down.location, plain_->Url("/page"));
  EXPECT_EQ(Fetch(secure_->Url("/up")).text, "secure page");
}

// A small proxy: answers plain requests itself and tunnels CONNECT requests.
class Proxy {
 public:
  Proxy()
      : server_([this](int fd, const std::atomic<bool>& stopping) { Serve(fd, stopping); }) {
    EXPECT_TRUE(server_.Start());
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(server_.port()); }
  std::string Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  void Serve(int fd, const std::atomic<bool>& stopping) {
    std::string head = RawServer::ReadRequest(fd);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen_ = head;
    }
    if (head.rfind("CONNECT ", 0) != 0) {
      RawServer::SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nvia proxy");
      return;
    }
    size_t colon = head.find(':', 8);
    int port = std::atoi(head.c_str() + colon + 1);
    int up = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(up, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      RawServer::SendAll(fd, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
      ::close(up);
      return;
    }
    RawServer::SendAll(fd, "HTTP/1.1 200 Connection established\r\n\r\n");
    char buffer[16384];
    while (!stopping) {
      pollfd p[2] = {{fd, POLLIN, 0}, {up, POLLIN, 0}};
      if (::poll(p, 2, 50) <= 0) continue;
      bool open = true;
      for (int i = 0; i < 2 && open; ++i) {
        if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t n = ::recv(p[i].fd, buffer, sizeof buffer, 0);
        open = n > 0 && RawServer::SendAll(i == 0 ? up : fd, std::string_view(buffer, static_cast<size_t>(n)));
      }
      if (!open) break;
    }
    ::close(up);
  }

  std::mutex mutex_;
  std::string seen_;
  RawServer server_;
};

TEST_F(FetchUrlHttps, ProxyForHttpAndHttpsAddresses) {
  Proxy proxy;
  Call plain{"http://127.0.0.1:9/page"};  // the proxy answers; nothing listens there
  plain.proxy = proxy.Address();
  plain.proxyUser = "pu";
  plain.proxyPassword = "pp";
  Outcome o = Fetch(plain);
  EXPECT_EQ(o.text, "via proxy");
  EXPECT_EQ(proxy.Seen().substr(0, 38), "GET http://127.0.0.1:9/page HTTP/1.1\r\n");
  EXPECT_NE(proxy.Seen().find("Proxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos);

  platform::SetExtraCaFile(cert_.certFile);
  Call secure{secure_->Url("/page")};
  secure.proxy = proxy.Address();
  Outcome s = Fetch(secure);
  EXPECT_EQ(s.text, "secure page");
  EXPECT_EQ(s.status, "200 OK");
  EXPECT_EQ(s.headers.find("Connection established"), std::string::npos);
  const std::string connectLine = "CONNECT 127.0.0.1:" + std::to_string(secure_->port()) + " HTTP/1.1\r\n";
  EXPECT_EQ(proxy.Seen().substr(0, connectLine.size()), connectLine);
}

}  // namespace
}  // namespace qf
