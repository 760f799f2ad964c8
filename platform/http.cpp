#include "platform/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <utility>

#include "platform/codepage.h"

namespace qf::platform {

struct HttpHandle {
  enum class Kind { Session, Connection, Request };
  explicit HttpHandle(Kind k) : kind(k) {}
  virtual ~HttpHandle() = default;
  Kind kind;
};

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxRedirects = 10;
constexpr int kDefaultTimeoutMs = 30000;
constexpr long kPollMs = 50;

// --- process-wide settings -------------------------------------------------

struct NetworkSettings {
  std::mutex mutex;
  std::vector<std::string> connectTo;     // curl CONNECT_TO entries
  std::shared_ptr<const std::string> caBundle;  // system bundle + extra file, or null
};

NetworkSettings& Settings() {
  static NetworkSettings settings;
  return settings;
}

thread_local const std::atomic<bool>* threadAbortFlag = nullptr;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string ToUtf8(std::u16string_view wide) {
  std::string out = WideCharToMultiByte(CP_UTF8, wide);
  return out.substr(0, out.find('\0'));
}

// Header texts travel in the system's code page, so GBK bytes go out unchanged.
std::string ToWireBytes(std::u16string_view wide) {
  std::string out = WideCharToMultiByte(CP_GBK, wide);
  return out.substr(0, out.find('\0'));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool ParsePort(std::string_view text, int& port) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

// "HOST:PORT:ADDRESS[:CONNECTPORT]" -> curl's "HOST:PORT:ADDRESS:CONNECTPORT".
bool ToConnectTo(const std::string& entry, std::string& connectTo) {
  size_t first = entry.find(':');
  if (first == std::string::npos || first == 0) return false;
  size_t second = entry.find(':', first + 1);
  if (second == std::string::npos) return false;
  std::string host = entry.substr(0, first);
  std::string portText = entry.substr(first + 1, second - first - 1);
  std::string rest = entry.substr(second + 1);
  int port = 0;
  if (!ParsePort(portText, port)) return false;
  std::string address, connectPort = portText;
  if (!rest.empty() && rest[0] == '[') {
    size_t close = rest.find(']');
    if (close == std::string::npos || close == 1) return false;
    address = rest.substr(0, close + 1);
    std::string tail = rest.substr(close + 1);
    if (!tail.empty()) {
      if (tail[0] != ':' || !ParsePort(tail.substr(1), port)) return false;
      connectPort = tail.substr(1);
    }
  } else {
    size_t colon = rest.find(':');
    address = rest.substr(0, colon);
    if (colon != std::string::npos) {
      if (!ParsePort(rest.substr(colon + 1), port)) return false;
      connectPort = rest.substr(colon + 1);
    }
    if (address.find_first_of("[]") != std::string::npos) return false;
  }
  if (address.empty() || host.find_first_of("[]/ ") != std::string::npos) return false;
  connectTo = host + ":" + portText + ":" + address + ":" + connectPort;
  return true;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string SystemCaBundle() {
  GlobalInit();
  std::string path;
  if (CURL* probe = curl_easy_init()) {
    char* info = nullptr;
    if (curl_easy_getinfo(probe, CURLINFO_CAINFO, &info) == CURLE_OK && info) path = info;
    curl_easy_cleanup(probe);
  }
  if (path.empty()) path = "/etc/ssl/certs/ca-certificates.crt";
  return ReadFile(path);
}

// --- handles ---------------------------------------------------------------

struct Session : HttpHandle {
  Session() : HttpHandle(Kind::Session) {}
  unsigned accessType = WINHTTP_ACCESS_TYPE_NO_PROXY;
  std::string proxyList;
};

struct Connection : HttpHandle {
  Connection() : HttpHandle(Kind::Connection) {}
  unsigned accessType = WINHTTP_ACCESS_TYPE_NO_PROXY;
  std::string proxyList;
  std::string host;
  int port = 0;
};

struct HeaderLine {
  std::string name, value;
};

struct Request : HttpHandle {
  Request() : HttpHandle(Kind::Request) {}
  ~Request() override { EndTransfer(); }

  // What the request was opened with.
  unsigned accessType = WINHTTP_ACCESS_TYPE_NO_PROXY;
  std::string proxyList;
  std::string host;
  int port = 0;
  bool secure = false;
  std::string verb;
  std::string object;
  long timeoutMs = kDefaultTimeoutMs;
  std::string userName, password, proxyUser, proxyPassword;
  bool followRedirects = true;
  std::vector<HeaderLine> headers;

  // The hop in flight.
  std::string url;       // absolute address of this hop
  std::string hopVerb;   // method of this hop
  std::string body;      // body of this hop
  bool sendBody = false;
  int hops = 0;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headerList = nullptr;
  curl_slist* connectList = nullptr;
  bool connected = false;
  bool done = false;
  CURLcode result = CURLE_OK;
  bool broken = false;  // stalled, aborted or failed: every later wait fails
  std::string block;        // the header block being received
  int blockStatus = 0;
  std::string finalBlock;   // the last complete block with a final status
  int finalStatus = 0;
  bool haveFinal = false;
  bool anyHeader = false;
  std::string pending;      // body bytes received and not yet read
  size_t pendingAt = 0;
  Clock::time_point lastProgress;
  curl_off_t lastDown = 0, lastUp = 0;
  bool responseReady = false;

  void EndTransfer() {
    if (multi && easy) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
    if (headerList) curl_slist_free_all(headerList);
    if (connectList) curl_slist_free_all(connectList);
    multi = nullptr;
    easy = nullptr;
    headerList = nullptr;
    connectList = nullptr;
  }
};

Request* AsRequest(HINTERNET h) {
  return h && h->kind == HttpHandle::Kind::Request ? static_cast<Request*>(h) : nullptr;
}

// --- proxy list ------------------------------------------------------------

// The proxy for one scheme out of a list such as "http=host:8080" or "host:8080".
std::string ProxyFor(const std::string& list, const std::string& scheme) {
  std::string general, specific;
  size_t at = 0;
  while (at < list.size()) {
    size_t end = list.find_first_of("; ", at);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(at, end - at);
    at = end + 1;
    if (entry.empty()) continue;
    size_t eq = entry.find('=');
    if (eq == std::string::npos) {
      if (general.empty()) general = entry;
    } else if (EqualsNoCase(entry.substr(0, eq), scheme) && specific.empty()) {
      specific = entry.substr(eq + 1);
    }
  }
  std::string chosen = specific.empty() ? general : specific;
  if (chosen.empty()) return {};
  if (chosen.find("://") == std::string::npos) chosen = "http://" + chosen;
  return chosen;
}

// --- callbacks -------------------------------------------------------------

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  size_t n = size * count;
  std::string_view line(data, n);
  r->lastProgress = Clock::now();
  r->anyHeader = true;
  if (r->haveFinal) return n;  // trailers after a chunked body are no response headers
  // Some servers end their lines in a bare LF; the block handed out always
  // ends each line in CR LF, as the status and cookie reading expect.
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.substr(0, 5) == "HTTP/") {
    r->block.assign(line).append("\r\n");
    r->blockStatus = 0;
    size_t space = line.find(' ');
    if (space != std::string_view::npos) {
      int code = 0;
      for (size_t i = space + 1; i < line.size() && i <= space + 3 && line[i] >= '0' && line[i] <= '9'; ++i)
        code = code * 10 + (line[i] - '0');
      r->blockStatus = code;
    }
  } else {
    r->block.append(line).append("\r\n");
    if (line.empty() && r->blockStatus >= 200) {
      r->finalBlock = r->block;
      r->finalStatus = r->blockStatus;
      r->haveFinal = true;
    }
  }
  return n;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  size_t n = size * count;
  if (r->pendingAt == r->pending.size()) {
    r->pending.clear();
    r->pendingAt = 0;
  }
  r->pending.append(data, n);
  r->lastProgress = Clock::now();
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
  auto* r = static_cast<Request*>(user);
  if (dlnow != r->lastDown || ulnow != r->lastUp) {
    r->lastDown = dlnow;
    r->lastUp = ulnow;
    r->lastProgress = Clock::now();
  }
  const std::atomic<bool>* flag = threadAbortFlag;
  return flag && flag->load() ? 1 : 0;
}

int OnConnected(void* user, char*, char*, int, int) {
  static_cast<Request*>(user)->connected = true;
  return CURL_PREREQFUNC_OK;
}

// --- one hop ---------------------------------------------------------------

std::string EscapeObject(const std::string& object) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : object) {
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
        c == '{' || c == '|' || c == '}') {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  // The fragment never goes on the wire.
  if (size_t hash = out.find('#'); hash != std::string::npos) out.resize(hash);
  return out;
}

std::string HostForUrl(const std::string& host) {
  if (host.find(':') != std::string::npos && (host.empty() || host[0] != '[')) return "[" + host + "]";
  return host;
}

bool StartHop(Request& r) {
  r.EndTransfer();
  r.connected = false;
  r.done = false;
  r.result = CURLE_OK;
  r.block.clear();
  r.blockStatus = 0;
  r.finalBlock.clear();
  r.finalStatus = 0;
  r.haveFinal = false;
  r.anyHeader = false;
  r.pending.clear();
  r.pendingAt = 0;
  r.lastDown = r.lastUp = 0;
  r.lastProgress = Clock::now();

  r.multi = curl_multi_init();
  r.easy = curl_easy_init();
  if (!r.multi || !r.easy) return false;
  CURL* e = r.easy;
  CURLU* parsed = curl_url();
  bool secureHop = false;
  std::string hopHost;
  if (parsed && curl_url_set(parsed, CURLUPART_URL, r.url.c_str(), 0) == CURLUE_OK) {
    char* scheme = nullptr;
    char* host = nullptr;
    if (curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK) secureHop = EqualsNoCase(scheme, "https");
    if (curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK) hopHost = host;
    curl_free(scheme);
    curl_free(host);
  }
  curl_url_cleanup(parsed);

  curl_easy_setopt(e, CURLOPT_URL, r.url.c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);  // hops are followed here, one by one
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, r.timeoutMs);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &r);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &r);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, &r);
  curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, OnConnected);
  curl_easy_setopt(e, CURLOPT_PREREQDATA, &r);

  std::string proxy;
  if (r.accessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) proxy = ProxyFor(r.proxyList, secureHop ? "https" : "http");
  curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());  // "" also keeps environment proxies out
  if (!proxy.empty() && !r.proxyUser.empty()) {
    curl_easy_setopt(e, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, r.proxyUser.c_str());
    curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, r.proxyPassword.c_str());
  }
  // Credentials go to the host they were set for only.
  if (!r.userName.empty() && EqualsNoCase(hopHost, r.host)) {
    curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(e, CURLOPT_USERNAME, r.userName.c_str());
    curl_easy_setopt(e, CURLOPT_PASSWORD, r.password.c_str());
  }

  std::vector<std::string> connectTo;
  std::shared_ptr<const std::string> ca;
  {
    std::lock_guard<std::mutex> lock(Settings().mutex);
    connectTo = Settings().connectTo;
    ca = Settings().caBundle;
  }
  for (const std::string& entry : connectTo) r.connectList = curl_slist_append(r.connectList, entry.c_str());
  if (r.connectList) curl_easy_setopt(e, CURLOPT_CONNECT_TO, r.connectList);
  if (ca) {
    curl_blob blob{const_cast<char*>(ca->data()), ca->size(), CURL_BLOB_COPY};
    curl_easy_setopt(e, CURLOPT_CAINFO_BLOB, &blob);
  }

  if (r.hopVerb == "GET") {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  } else if (r.hopVerb == "HEAD") {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else if (r.hopVerb == "POST") {
    curl_easy_setopt(e, CURLOPT_POST, 1L);
  } else {
    curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r.hopVerb.c_str());
  }
  if (r.sendBody && (r.hopVerb == "POST" || !r.body.empty())) {
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, r.body.data());
    if (r.hopVerb != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r.hopVerb.c_str());
  }

  // Exactly the caller's headers: curl's own defaults are taken out.
  bool hasAccept = false, hasContentType = false, hasExpect = false;
  for (const HeaderLine& h : r.headers) {
    hasAccept |= EqualsNoCase(h.name, "Accept");
    hasContentType |= EqualsNoCase(h.name, "Content-Type");
    hasExpect |= EqualsNoCase(h.name, "Expect");
    std::string line = h.value.empty() ? h.name + ";" : h.name + ": " + h.value;
    r.headerList = curl_slist_append(r.headerList, line.c_str());
  }
  if (!hasAccept) r.headerList = curl_slist_append(r.headerList, "Accept:");
  if (!hasContentType) r.headerList = curl_slist_append(r.headerList, "Content-Type:");
  if (!hasExpect) r.headerList = curl_slist_append(r.headerList, "Expect:");
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, r.headerList);
  curl_easy_setopt(e, CURLOPT_PROXYHEADER, nullptr);

  CURLMcode added = curl_multi_add_handle(r.multi, e);
  return added == CURLM_OK;
}

enum class Wait { Ready, Failed };

// Drives the transfer until `ready` holds, the transfer ends, stalls past the
// time-out or is aborted.
template <typename Ready>
Wait Pump(Request& r, Ready ready) {
  if (!r.multi || !r.easy) return Wait::Failed;
  for (;;) {
    if (r.broken) return Wait::Failed;
    int running = 0;
    curl_multi_perform(r.multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(r.multi, &queued)) {
      if (msg->msg == CURLMSG_DONE) {
        r.done = true;
        r.result = msg->data.result;
      }
    }
    if (ready()) return Wait::Ready;
    if (r.done) return Wait::Failed;
    const std::atomic<bool>* flag = threadAbortFlag;
    if (flag && flag->load()) {
      r.broken = true;
      return Wait::Failed;
    }
    if (Clock::now() - r.lastProgress > std::chrono::milliseconds(r.timeoutMs)) {
      r.broken = true;
      return Wait::Failed;
    }
    curl_multi_poll(r.multi, nullptr, 0, kPollMs, nullptr);
  }
}

std::string HeaderValue(const std::string& block, std::string_view name) {
  std::string value;
  size_t at = block.find("\r\n");
  while (at != std::string::npos && at + 2 < block.size()) {
    size_t start = at + 2;
    size_t end = block.find("\r\n", start);
    std::string_view line(block.data() + start, (end == std::string::npos ? block.size() : end) - start);
    size_t colon = line.find(':');
    if (colon != std::string_view::npos && EqualsNoCase(line.substr(0, colon), name)) {
      std::string_view v = line.substr(colon + 1);
      while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
      while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
      value.assign(v);
      break;
    }
    at = end;
  }
  return value;
}

// The address a redirect leads to, resolved against the hop's address.
bool RedirectTarget(const std::string& base, const std::string& location, std::string& target, bool& secure) {
  CURLU* u = curl_url();
  if (!u) return false;
  bool ok = curl_url_set(u, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
            curl_url_set(u, CURLUPART_URL, location.c_str(), CURLU_URLENCODE) == CURLUE_OK;
  char* scheme = nullptr;
  char* full = nullptr;
  if (ok) ok = curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK && curl_url_get(u, CURLUPART_URL, &full, 0) == CURLUE_OK;
  if (ok) {
    ok = EqualsNoCase(scheme, "http") || EqualsNoCase(scheme, "https");
    secure = EqualsNoCase(scheme, "https");
    target = full;
  }
  curl_free(scheme);
  curl_free(full);
  curl_url_cleanup(u);
  return ok;
}

}  // namespace

// --- the operations --------------------------------------------------------

bool WinHttpCheckPlatform() {
  GlobalInit();
  curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  return info && (info->features & CURL_VERSION_SSL);
}

bool WinHttpCrackUrl(std::u16string_view url, UrlComponents& parts) {
  std::u16string_view rest = url;
  auto startsNoCase = [&](std::u16string_view prefix) {
    if (rest.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      char16_t c = rest[i];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
      if (c != prefix[i]) return false;
    }
    return true;
  };
  UrlComponents out;
  if (startsNoCase(u"https://")) {
    out.scheme = INTERNET_SCHEME_HTTPS;
    out.port = 443;
    rest.remove_prefix(8);
  } else if (startsNoCase(u"http://")) {
    out.scheme = INTERNET_SCHEME_HTTP;
    out.port = 80;
    rest.remove_prefix(7);
  } else {
    return false;
  }
  size_t authorityEnd = rest.find_first_of(u"/?#");
  std::u16string_view authority = rest.substr(0, authorityEnd);
  rest = authorityEnd == std::u16string_view::npos ? std::u16string_view() : rest.substr(authorityEnd);
  if (size_t at = authority.rfind(u'@'); at != std::u16string_view::npos) authority.remove_prefix(at + 1);
  std::u16string_view host = authority, portText;
  if (!authority.empty() && authority[0] == u'[') {
    size_t close = authority.find(u']');
    if (close == std::u16string_view::npos) return false;
    host = authority.substr(0, close + 1);
    std::u16string_view tail = authority.substr(close + 1);
    if (!tail.empty()) {
      if (tail[0] != u':') return false;
      portText = tail.substr(1);
    }
  } else if (size_t colon = authority.find(u':'); colon != std::u16string_view::npos) {
    host = authority.substr(0, colon);
    portText = authority.substr(colon + 1);
  }
  if (host.empty()) return false;
  for (char16_t c : host)
    if (c <= u' ' || c == u'\\') return false;
  if (!portText.empty()) {
    std::string digits;
    for (char16_t c : portText) digits += c < 128 ? static_cast<char>(c) : '?';
    if (!ParsePort(digits, out.port)) return false;
  }
  size_t extra = rest.find_first_of(u"?#");
  out.urlPath = std::u16string(rest.substr(0, extra));
  out.extraInfo = extra == std::u16string_view::npos ? std::u16string() : std::u16string(rest.substr(extra));
  out.hostName = std::u16string(host);
  parts = std::move(out);
  return true;
}

HINTERNET WinHttpOpen(std::u16string_view, unsigned accessType, std::u16string_view proxyList, std::u16string_view,
                      unsigned) {
  GlobalInit();
  if (accessType != WINHTTP_ACCESS_TYPE_NO_PROXY && accessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY) return nullptr;
  if (accessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && proxyList.empty()) return nullptr;
  auto* session = new Session;
  session->accessType = accessType;
  session->proxyList = ToUtf8(proxyList);
  return session;
}

HINTERNET WinHttpConnect(HINTERNET session, std::u16string_view hostName, int port) {
  if (!session || session->kind != HttpHandle::Kind::Session || hostName.empty() || port < 1 || port > 65535)
    return nullptr;
  auto* s = static_cast<Session*>(session);
  auto* c = new Connection;
  c->accessType = s->accessType;
  c->proxyList = s->proxyList;
  c->host = ToUtf8(hostName);
  c->port = port;
  return c;
}

HINTERNET WinHttpOpenRequest(HINTERNET connection, std::u16string_view verb, std::u16string_view objectName,
                             unsigned flags) {
  if (!connection || connection->kind != HttpHandle::Kind::Connection) return nullptr;
  auto* c = static_cast<Connection*>(connection);
  auto* r = new Request;
  r->accessType = c->accessType;
  r->proxyList = c->proxyList;
  r->host = c->host;
  r->port = c->port;
  r->secure = (flags & WINHTTP_FLAG_SECURE) != 0;
  r->verb = verb.empty() ? "GET" : ToUtf8(verb);
  std::string object = ToUtf8(objectName);
  if (object.empty() || (object[0] != '/' && object[0] != '*')) object = "/" + object;
  r->object = EscapeObject(object);
  return r;
}

bool WinHttpSetTimeouts(HINTERNET request, int resolveMs, int connectMs, int sendMs, int receiveMs) {
  Request* r = AsRequest(request);
  if (!r || resolveMs < 0 || connectMs < 0 || sendMs < 0 || receiveMs < 0) return false;
  // One value serves every phase here; the largest keeps every phase's allowance.
  int ms = std::max(std::max(resolveMs, connectMs), std::max(sendMs, receiveMs));
  r->timeoutMs = ms > 0 ? ms : kDefaultTimeoutMs;
  return true;
}

bool WinHttpSetCredentials(HINTERNET request, unsigned target, unsigned scheme, std::u16string_view userName,
                           std::u16string_view password) {
  Request* r = AsRequest(request);
  if (!r || scheme != WINHTTP_AUTH_SCHEME_BASIC || userName.empty()) return false;
  if (target == WINHTTP_AUTH_TARGET_SERVER) {
    r->userName = ToUtf8(userName);
    r->password = ToUtf8(password);
  } else if (target == WINHTTP_AUTH_TARGET_PROXY) {
    r->proxyUser = ToUtf8(userName);
    r->proxyPassword = ToUtf8(password);
  } else {
    return false;
  }
  return true;
}

bool WinHttpSetOption(HINTERNET request, unsigned option, uint32_t value) {
  Request* r = AsRequest(request);
  if (!r) return false;
  if (option == WINHTTP_OPTION_DISABLE_FEATURE) {
    if (value & ~(WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS)) return false;
    if (value & WINHTTP_DISABLE_REDIRECTS) r->followRedirects = false;
    return true;  // there is no cookie store to switch off
  }
  if (option == WINHTTP_OPTION_ENABLE_FEATURE) return value == WINHTTP_ENABLE_SSL_REVOCATION;
  return false;
}

bool WinHttpAddRequestHeaders(HINTERNET request, std::u16string_view headers, unsigned flags) {
  Request* r = AsRequest(request);
  if (!r || !(flags & (WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))) return false;
  std::string bytes = ToWireBytes(headers);
  std::vector<HeaderLine> lines;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 2;
    if (line.empty()) continue;
    if (line.find_first_of("\r\n") != std::string::npos) return false;
    size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    std::string name = line.substr(0, colon);
    if (name.find_first_of(" \t") != std::string::npos) return false;
    size_t v = line.find_first_not_of(" \t", colon + 1);
    lines.push_back({name, v == std::string::npos ? std::string() : line.substr(v)});
  }
  for (HeaderLine& line : lines) {
    auto same = std::find_if(r->headers.begin(), r->headers.end(),
                             [&](const HeaderLine& h) { return EqualsNoCase(h.name, line.name); });
    if (same != r->headers.end() && (flags & WINHTTP_ADDREQ_FLAG_REPLACE)) {
      same->value = std::move(line.value);
    } else if (same == r->headers.end() || (flags & WINHTTP_ADDREQ_FLAG_ADD)) {
      r->headers.push_back(std::move(line));
    }
  }
  return true;
}

bool WinHttpSendRequest(HINTERNET request, std::string_view body) {
  Request* r = AsRequest(request);
  if (!r || r->multi) return false;
  r->url = std::string(r->secure ? "https://" : "http://") + HostForUrl(r->host) + ":" + std::to_string(r->port) +
           r->object;
  r->hopVerb = r->verb;
  r->body.assign(body);
  r->sendBody = true;
  r->hops = 0;
  if (!StartHop(*r)) {
    r->broken = true;
    return false;
  }
  curl_off_t bodySize = static_cast<curl_off_t>(r->body.size());
  Wait w = Pump(*r, [&] {
    if (r->anyHeader || r->pending.size() > r->pendingAt) return true;
    if (!r->connected) return false;
    curl_off_t up = 0;
    curl_easy_getinfo(r->easy, CURLINFO_SIZE_UPLOAD_T, &up);
    return up >= bodySize;
  });
  if (w == Wait::Failed && r->done && r->result == CURLE_OK) return true;  // finished in one go
  if (w == Wait::Failed) r->broken = true;
  return w == Wait::Ready;
}

bool WinHttpReceiveResponse(HINTERNET request) {
  Request* r = AsRequest(request);
  if (!r || !r->multi || r->broken) return false;
  for (;;) {
    Wait w = Pump(*r, [&] { return r->haveFinal; });
    if (w == Wait::Failed && !r->haveFinal) {
      r->broken = true;
      return false;
    }
    int code = r->finalStatus;
    bool redirect = code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
    std::string location = redirect && r->followRedirects ? HeaderValue(r->finalBlock, "Location") : std::string();
    if (location.empty()) break;
    std::string target;
    bool secureTarget = false;
    if (!RedirectTarget(r->url, location, target, secureTarget)) break;  // not an address we follow
    bool secureNow = r->url.rfind("https:", 0) == 0;
    if (secureNow && !secureTarget) break;  // never from HTTPS down to HTTP: this answer stands
    if (r->hops >= kMaxRedirects) {
      r->broken = true;
      return false;
    }
    ++r->hops;
    r->url = target;
    if (code == 303 && r->hopVerb != "HEAD") {
      r->hopVerb = "GET";
      r->sendBody = false;
    } else if ((code == 301 || code == 302) && r->hopVerb == "POST") {
      r->hopVerb = "GET";
      r->sendBody = false;
    }
    if (!StartHop(*r)) {
      r->broken = true;
      return false;
    }
  }
  r->responseReady = true;
  return true;
}

bool WinHttpQueryDataAvailable(HINTERNET request, size_t& available) {
  available = 0;
  Request* r = AsRequest(request);
  if (!r || !r->responseReady) return false;
  if (r->pending.size() > r->pendingAt) {
    available = r->pending.size() - r->pendingAt;
    return true;
  }
  if (r->done) return r->result == CURLE_OK;
  Wait w = Pump(*r, [&] { return r->pending.size() > r->pendingAt; });
  if (w == Wait::Ready) {
    available = r->pending.size() - r->pendingAt;
    return true;
  }
  return r->done && r->result == CURLE_OK;  // the end of the body
}

bool WinHttpReadData(HINTERNET request, char* buffer, size_t size, size_t& read) {
  read = 0;
  Request* r = AsRequest(request);
  if (!r || !r->responseReady || (size > 0 && !buffer)) return false;
  size_t n = std::min(size, r->pending.size() - r->pendingAt);
  std::copy_n(r->pending.data() + r->pendingAt, n, buffer);
  r->pendingAt += n;
  read = n;
  return true;
}

bool WinHttpQueryHeaders(HINTERNET request, unsigned infoLevel, char16_t* buffer, size_t& bufferBytes) {
  Request* r = AsRequest(request);
  if (!r || !r->responseReady || infoLevel != WINHTTP_QUERY_RAW_HEADERS_CRLF) return false;
  std::u16string wide = MultiByteToWideChar(CP_GBK, r->finalBlock);
  size_t needed = (wide.size() + 1) * sizeof(char16_t);
  if (!buffer || bufferBytes < needed) {
    bufferBytes = needed;
    return false;
  }
  std::copy(wide.begin(), wide.end(), buffer);
  buffer[wide.size()] = u'\0';
  bufferBytes = needed - sizeof(char16_t);
  return true;
}

void WinHttpCloseHandle(HINTERNET handle) { delete handle; }

void SetResolveOverrides(std::vector<std::string> entries) {
  std::vector<std::string> table;
  for (const std::string& entry : entries) {
    std::string connectTo;
    if (ToConnectTo(entry, connectTo)) table.push_back(std::move(connectTo));
  }
  std::lock_guard<std::mutex> lock(Settings().mutex);
  Settings().connectTo = std::move(table);
}

bool IsValidResolveEntry(const std::string& entry) {
  std::string unused;
  return ToConnectTo(entry, unused);
}

void SetExtraCaFile(std::string path) {
  std::shared_ptr<const std::string> bundle;
  if (!path.empty()) {
    std::string extra = ReadFile(path);
    if (!extra.empty()) bundle = std::make_shared<const std::string>(SystemCaBundle() + "\n" + extra);
  }
  std::lock_guard<std::mutex> lock(Settings().mutex);
  Settings().caBundle = std::move(bundle);
}

void SetThreadAbortFlag(const std::atomic<bool>* flag) { threadAbortFlag = flag; }

}  // namespace qf::platform
