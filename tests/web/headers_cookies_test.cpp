#include "web/headers_cookies.h"

#include <gtest/gtest.h>

#include "web/codecs.h"

namespace qf {
namespace {

const std::string kUserAgent = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*\r\n";
const std::string kEncoding = "Accept-Encoding: gbk, GB2312\r\n";
const std::string kLanguage = "Accept-Language: zh-cn\r\n";
const std::string kForm = "Content-Type: application/x-www-form-urlencoded\r\n";
const std::string kCache = "Cache-Control: no-cache\r\n";

TEST(BuildRequestHeaders, CompletesTheCallersLines) {
  const std::string sid = "sid=1", empty;
  const struct {
    const char* name;
    std::string headers;
    int method;
    const std::string* cookies;
    std::string expected;
  } cases[] = {
      {"GET defaults", "", 0, nullptr, kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      {"POST defaults", "", 1, nullptr, kUserAgent + kAccept + kEncoding + kLanguage + kForm + kCache},
      {"PUT has no content type", "", 3, nullptr, kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      {"user-agent in any case suppresses", "user-agent: X", 0, nullptr,
       "user-agent: X\r\n" + kAccept + kEncoding + kLanguage + kCache},
      {"content-type in another case does not", "content-type: text/plain", 1, nullptr,
       "content-type: text/plain\r\n" + kUserAgent + kAccept + kEncoding + kLanguage + kForm + kCache},
      {"exact Content-Type: suppresses", "Content-Type:text/plain", 1, nullptr,
       "Content-Type:text/plain\r\n" + kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      {"X-Accept suppresses Accept", "X-Accept: 1", 0, nullptr,
       "X-Accept: 1\r\n" + kUserAgent + kEncoding + kLanguage + kCache},
      {"Accept-Encoding does not suppress Accept", "Accept-Encoding: x", 0, nullptr,
       "Accept-Encoding: x\r\n" + kUserAgent + kAccept + kLanguage + kCache},
      {"two caller lines", "A: 1\r\nCache-Control: max-age=0", 0, nullptr,
       "A: 1\r\nCache-Control: max-age=0\r\n" + kUserAgent + kAccept + kEncoding + kLanguage},
      {"cookie line", "", 0, &sid, kUserAgent + kAccept + kEncoding + kLanguage + kCache + "Cookie: sid=1\r\n"},
      {"empty cookies add no line", "", 0, &empty, kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      {"caller's own cookie line wins", "cookie: x=2", 0, &sid,
       "cookie: x=2\r\n" + kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      {"method out of range", "", 9, nullptr, kUserAgent + kAccept + kEncoding + kLanguage + kCache},
  };
  for (const auto& c : cases) EXPECT_EQ(BuildRequestHeaders(c.headers, c.method, c.cookies), c.expected) << c.name;
}

struct ReadResult {
  std::string headers, status, cookies, location = "untouched";
};

ReadResult Read(const std::string& raw, std::string* cookies = nullptr, bool merge = true) {
  ReadResult r;
  ReadResponseHeaders(GbkToWide(raw), r.headers, r.status, r.cookies, r.location, cookies, merge);
  return r;
}

TEST(ReadResponseHeaders, TakesStatusCookiesAndLocation) {
  ReadResult r = Read(
      "HTTP/1.1 302 Found\r\nset-cookie:b=2\r\nSet-Cookie: a=1; Path=/\r\nLocation: /first\r\n"
      "LOCATION: /next?id=3\r\nSET-COOKIE: c = 3 \r\n\r\n");
  EXPECT_EQ(r.status, "302 Found");
  EXPECT_EQ(r.cookies, "b=2; a=1; c = 3");
  EXPECT_EQ(r.location, "/next?id=3");
  EXPECT_EQ(r.headers,
            "HTTP/1.1 302 Found\r\nSet-Cookie:b=2\r\nSet-Cookie: a=1; Path=/\r\nLocation: /first\r\n"
            "LOCATION: /next?id=3\r\nSet-Cookie: c = 3 \r\n\r\n");
}

TEST(ReadResponseHeaders, StatusComesFromTheTenthCharacter) {
  const struct {
    std::string raw, status;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\n\r\n", "200 OK"},
      {"HTTP/1.0 404 Not Found\r\nServer: x\r\n\r\n", "404 Not Found"},
      {"HTTP/1.1 200 OK", ""},
      {"HTTP/1.1", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.raw).status, c.status) << c.raw;
}

TEST(ReadResponseHeaders, WithoutCookieOrLocationLinesLeavesThemAlone) {
  std::string cookies;
  ReadResult r = Read("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(r.cookies, "");
  EXPECT_EQ(r.location, "untouched");
}

TEST(ReadResponseHeaders, AppendsToTheCallersCookieVariable) {
  ReadResult r;
  r.cookies = "x=0; ";
  ReadResponseHeaders(GbkToWide("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\n\r\n"), r.headers, r.status, r.cookies,
                      r.location, nullptr, true);
  EXPECT_EQ(r.cookies, "x=0; a=1");
  // A variable that already holds text keeps it whole when no cookie comes.
  r.cookies = "x=0";
  ReadResponseHeaders(GbkToWide("HTTP/1.1 200 OK\r\n\r\n"), r.headers, r.status, r.cookies, r.location, nullptr,
                      true);
  EXPECT_EQ(r.cookies, "x=0");
}

TEST(ReadResponseHeaders, MergesIntoSuppliedCookies) {
  std::string sent = "a=1; b=2";
  ReadResult r = Read("HTTP/1.1 200 OK\r\nSet-Cookie: b=3; Path=/\r\nSet-Cookie: c=deleted\r\n\r\n", &sent);
  EXPECT_EQ(r.cookies, "b=3; a=1");
  EXPECT_EQ(sent, "b=3; a=1");

  std::string kept = "a=1";
  r = Read("HTTP/1.1 200 OK\r\nSet-Cookie: b=3\r\n\r\n", &kept, false);
  EXPECT_EQ(r.cookies, "b=3");
  EXPECT_EQ(kept, "a=1");
}

TEST(MergeCookies, NewValuesFirstOldOnesAfterDeletedOnesGone) {
  const struct {
    std::string oldCookies, newCookies, expected;
  } cases[] = {
      {"a=1; b=2", "b=3; c=deleted", "b=3; a=1"},
      {"a=1", "a=1", "a=1"},
      {"", "", ""},
      {"", "x=1; y=2", "x=1; y=2"},
      {"a=1; b=2", "", "a=1; b=2"},
      {"a = 1 ; b=2", "a=9", "a=9; b=2"},
      {"a=1", "a=deleted", ""},
      {"a=1; a=1", "b=2", "b=2; a=1"},
      {"A=1", "a=2", "a=2; A=1"},
      {"x=1", "deleted", "deleted; x=1"},
  };
  for (const auto& c : cases) {
    std::string old = c.oldCookies;
    EXPECT_EQ(MergeCookies(old, c.newCookies), c.expected) << c.oldCookies << " + " << c.newCookies;
    EXPECT_EQ(old, c.expected);
  }
}

TEST(CookieHelpers, NamesItemsAndDuplicates) {
  EXPECT_EQ(CookieName(" sid = 1"), "sid");
  EXPECT_EQ(CookieName("flag"), "flag");
  EXPECT_EQ(CookieName("a=b=c"), "a");
  EXPECT_TRUE(HasCookieNamed({"x=1", "sid=2"}, "sid"));
  EXPECT_FALSE(HasCookieNamed({"x=1", "SID=2"}, "sid"));
  EXPECT_FALSE(HasCookieNamed({}, "sid"));
  EXPECT_EQ(IndexOfItem({"a", "b", "a"}, "a"), 1);
  EXPECT_EQ(IndexOfItem({"a", "b"}, "b"), 2);
  EXPECT_EQ(IndexOfItem({"a", "b"}, "B"), -1);
  EXPECT_EQ(RemoveDuplicateItems("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(RemoveDuplicateItems("", "; "), "");
  EXPECT_EQ(RemoveDuplicateItems("a", "; "), "a");
}

TEST(TextBetween, FindsTheTextBetweenMarkers) {
  const std::string quote = "#" + Utf8ToGbk("引号");
  const struct {
    const char* name;
    std::string text, start, end;
    int from;
    bool ignoreCase;
    std::string expected;
  } cases[] = {
      {"plain", "k=v; x", "k=", ";", 1, false, "v"},
      {"missing start", "k=v; x", "q=", ";", 1, false, ""},
      {"missing end", "k=v", "k=", ";", 1, false, ""},
      {"from a later position", "k=1; k=2;", "k=", ";", 3, false, "2"},
      {"case kept", "K=v;", "k=", ";", 1, false, ""},
      {"case ignored", "K=v;", "k=", ";", 1, true, "v"},
      {"quote placeholder", "href=\"/a\" x", "href=" + quote, quote, 1, false, "/a"},
      {"position past the end", "k=v;", "k=", ";", 99, false, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TextBetween(c.text, c.start, c.end, c.from, c.ignoreCase), c.expected) << c.name;
}

}  // namespace
}  // namespace qf
