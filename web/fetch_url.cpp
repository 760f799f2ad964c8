#include "web/fetch_url.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/http.h"
#include "regex/regex_matcher.h"
#include "web/codecs.h"
#include "web/decode_response.h"
#include "web/headers_cookies.h"

namespace qf {
namespace {

namespace p = platform;

constexpr const char* kMethods[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};

// Nothing bounds a body on the wire, so the engine does: past this many bytes
// the read ends as a failed read would.
constexpr size_t kMaxResponseBytes = 32u << 20;

enum Message {
  kNoService = 700,
  kBadUrl,
  kNoSession,
  kNoConnection,
  kNoRequest,
  kNoTimeouts,
  kNoCredentials = 707,
  kNoCookieOption,
  kNoRedirectOption,
  kNoHeaders,
  kNotSent,
  kNoResponse,
  kReadFailed,
};

// The numbered messages, converted to GBK once.
const std::string& MessageText(int number) {
  static const std::vector<std::string> texts = [] {
    const char* utf8[] = {
        "700 当前系统不支持WinHttp服务!", "701 解析URL地址失败!",       "702 创建WinHttp会话失败!",
        "703 创建WinHttp连接失败!",       "704 创建WinHttp请求失败!",   "705 设置超时时间失败!",
        "",                               "707 设置代理凭证失败!",       "708 禁止自动设置Cookies失败!",
        "709 重定向设置失败!",            "710 设置协议头失败!",         "711 发送请求失败!",
        "712 服务器未响应!",              "713 读取数据失败!",
    };
    std::vector<std::string> out;
    for (const char* text : utf8) out.push_back(Utf8ToGbk(text));
    return out;
  }();
  return texts[static_cast<size_t>(number - kNoService)];
}

// The UTF-16 text without its terminator, as the platform takes it.
std::u16string Wide(const std::string& gbk) {
  WideBuffer wide = GbkToWide(gbk);
  if (!wide.empty() && wide.back() == u'\0') wide.pop_back();
  return wide;
}

// Closes whatever is open, request first, when the call returns.
struct Handles {
  p::HINTERNET session = nullptr, connection = nullptr, request = nullptr;
  ~Handles() { Close(); }
  void Close() {
    if (request) p::WinHttpCloseHandle(request);
    if (connection) p::WinHttpCloseHandle(connection);
    if (session) p::WinHttpCloseHandle(session);
    request = connection = session = nullptr;
  }
};

}  // namespace

std::string FetchUrl(const std::string& url, int methodIndex, const std::string& body, std::string* cookies,
                     std::string* returnedCookies, const std::string& headers, std::string* returnedHeaders,
                     bool forbidRedirects, const std::string& userName, const std::string& password,
                     const std::string& proxy, const std::string& proxyUser, const std::string& proxyPassword,
                     int timeoutSeconds, std::string* location, std::string* statusText, std::string* responseBytes,
                     bool mergeCookies) {
  RegexMatcher charsetMatcher;
  Handles h;
  std::string status;
  auto fail = [&](int number) {
    if (statusText) *statusText = MessageText(number);
    return std::string();
  };

  if (!p::WinHttpCheckPlatform()) return fail(kNoService);

  p::UrlComponents parts;
  if (url.empty() || !p::WinHttpCrackUrl(Wide(url), parts)) return fail(kBadUrl);
  std::string host = WideToGbk(parts.hostName);
  int port = parts.port;
  bool secure = parts.scheme == p::INTERNET_SCHEME_HTTPS;
  std::u16string objectName = parts.urlPath.empty() ? u"/" : parts.urlPath + parts.extraInfo;

  unsigned accessType = p::WINHTTP_ACCESS_TYPE_NO_PROXY;
  std::string proxyList;
  if (!proxy.empty()) {
    accessType = p::WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    proxyList = secure ? proxy : "http=" + proxy;
  }

  h.session = p::WinHttpOpen(u"", accessType, Wide(proxyList), u"", 0);
  if (!h.session) return fail(kNoSession);
  h.connection = p::WinHttpConnect(h.session, Wide(host), port);
  if (!h.connection) return fail(kNoConnection);

  const char* method = methodIndex >= 0 && methodIndex <= 7 ? kMethods[methodIndex] : kMethods[0];
  h.request = p::WinHttpOpenRequest(h.connection, Wide(method), objectName, secure ? p::WINHTTP_FLAG_SECURE : 0);
  if (!h.request) return fail(kNoRequest);

  // Very large values saturate rather than overflow.
  long long wantedMs = timeoutSeconds > 0 ? static_cast<long long>(timeoutSeconds) * 1000 : 30000;
  int timeoutMs = static_cast<int>(std::min<long long>(wantedMs, 2147483000));
  if (!p::WinHttpSetTimeouts(h.request, timeoutMs, timeoutMs, timeoutMs, timeoutMs)) return fail(kNoTimeouts);

  if (!userName.empty() && !password.empty() &&
      !p::WinHttpSetCredentials(h.request, p::WINHTTP_AUTH_TARGET_SERVER, p::WINHTTP_AUTH_SCHEME_BASIC,
                                Wide(userName), Wide(password))) {
    h.Close();
    return fail(kNoCredentials);
  }
  if (!proxyUser.empty() && !proxyPassword.empty() &&
      !p::WinHttpSetCredentials(h.request, p::WINHTTP_AUTH_TARGET_PROXY, p::WINHTTP_AUTH_SCHEME_BASIC,
                                Wide(proxyUser), Wide(proxyPassword))) {
    h.Close();
    return fail(kNoCredentials);
  }

  bool cookieOption = cookies ? p::WinHttpSetOption(h.request, p::WINHTTP_OPTION_ENABLE_FEATURE, 1)
                              : p::WinHttpSetOption(h.request, p::WINHTTP_OPTION_DISABLE_FEATURE,
                                                    p::WINHTTP_DISABLE_COOKIES);
  if (!cookieOption) {
    h.Close();
    return fail(kNoCookieOption);
  }
  if (forbidRedirects &&
      !p::WinHttpSetOption(h.request, p::WINHTTP_OPTION_DISABLE_FEATURE, p::WINHTTP_DISABLE_REDIRECTS)) {
    h.Close();
    return fail(kNoRedirectOption);
  }

  std::string block = BuildRequestHeaders(headers, methodIndex, cookies);
  if (!p::WinHttpAddRequestHeaders(h.request, Wide(block),
                                   p::WINHTTP_ADDREQ_FLAG_ADD | p::WINHTTP_ADDREQ_FLAG_REPLACE))
    return fail(kNoHeaders);
  if (!p::WinHttpSendRequest(h.request, body)) return fail(kNotSent);
  if (!p::WinHttpReceiveResponse(h.request)) return fail(kNoResponse);

  std::string received;
  for (;;) {
    size_t available = 0;
    if (!p::WinHttpQueryDataAvailable(h.request, available) || available < 1) break;
    bool overCap = received.size() + available > kMaxResponseBytes;
    size_t want = overCap ? kMaxResponseBytes - received.size() : available;
    size_t had = received.size(), read = 0;
    received.resize(had + want);  // the bytes land in place, without a second copy
    bool ok = want > 0 && p::WinHttpReadData(h.request, received.data() + had, want, read);
    received.resize(had + read);
    if (!ok) {
      if (statusText) *statusText = MessageText(kReadFailed);
      break;
    }
    if (overCap) {
      if (statusText) *statusText = MessageText(kReadFailed);
      break;
    }
  }

  size_t headerBytes = 0;
  p::WinHttpQueryHeaders(h.request, p::WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr, headerBytes);
  std::u16string raw(headerBytes / sizeof(char16_t) + 1, u'\0');
  size_t rawBytes = raw.size() * sizeof(char16_t);
  if (headerBytes == 0 || !p::WinHttpQueryHeaders(h.request, p::WINHTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), rawBytes))
    return std::string();
  raw.resize(rawBytes / sizeof(char16_t));

  std::string ownHeaders, ownCookies, ownLocation;
  ReadResponseHeaders(raw, returnedHeaders ? *returnedHeaders : ownHeaders, status,
                      returnedCookies ? *returnedCookies : ownCookies, location ? *location : ownLocation, cookies,
                      mergeCookies);
  if (statusText) *statusText = status;
  if (responseBytes) *responseBytes = received;
  return DecodeResponseText(std::move(received), charsetMatcher);
}

}  // namespace qf
