// Stand-in for the platform's HTTP service, over libcurl. The operations and
// handles follow the service the engine was written against: a session, a
// connection and a request, each closed by the caller. Texts that cross it are
// UTF-16, body bytes are bytes.
//
// What holds underneath:
//  - one time-out value covers resolving, connecting, sending and receiving;
//    a transfer that makes no progress for longer fails the step that waits;
//  - redirects are followed (at most 10 hops, never from HTTPS down to HTTP,
//    where the 3xx answer itself becomes the response) unless switched off;
//  - there is no cookie store: only a caller's own Cookie header goes out;
//  - certificates and host names are verified;
//  - nothing is decompressed and nothing is kept between requests.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qf::platform {

struct HttpHandle;
using HINTERNET = HttpHandle*;

constexpr int INTERNET_SCHEME_HTTP = 1;
constexpr int INTERNET_SCHEME_HTTPS = 2;
constexpr unsigned WINHTTP_ACCESS_TYPE_NO_PROXY = 1;
constexpr unsigned WINHTTP_ACCESS_TYPE_NAMED_PROXY = 3;
constexpr unsigned WINHTTP_FLAG_SECURE = 0x00800000;
constexpr unsigned WINHTTP_AUTH_TARGET_SERVER = 0;
constexpr unsigned WINHTTP_AUTH_TARGET_PROXY = 1;
constexpr unsigned WINHTTP_AUTH_SCHEME_BASIC = 1;
constexpr unsigned WINHTTP_OPTION_DISABLE_FEATURE = 63;
constexpr unsigned WINHTTP_OPTION_ENABLE_FEATURE = 79;
constexpr unsigned WINHTTP_DISABLE_COOKIES = 1;
constexpr unsigned WINHTTP_DISABLE_REDIRECTS = 2;
constexpr unsigned WINHTTP_ENABLE_SSL_REVOCATION = 1;
constexpr unsigned WINHTTP_ADDREQ_FLAG_ADD = 0x20000000;
constexpr unsigned WINHTTP_ADDREQ_FLAG_REPLACE = 0x80000000;
constexpr unsigned WINHTTP_QUERY_RAW_HEADERS_CRLF = 22;

struct UrlComponents {
  int scheme = 0;  // INTERNET_SCHEME_HTTP or INTERNET_SCHEME_HTTPS
  std::u16string hostName;
  int port = 0;  // the scheme's default when the address gives none
  std::u16string urlPath;
  std::u16string extraInfo;  // from the question mark (or the '#') on
};

bool WinHttpCheckPlatform();
// False when the address is not an http or https address with a host.
bool WinHttpCrackUrl(std::u16string_view url, UrlComponents& parts);
// proxyList: entries separated by spaces or ';', each "HOST:PORT" for every
// scheme or "SCHEME=HOST:PORT" for one scheme; entries for neither mean direct.
HINTERNET WinHttpOpen(std::u16string_view agent, unsigned accessType, std::u16string_view proxyList,
                      std::u16string_view bypassList, unsigned flags);
HINTERNET WinHttpConnect(HINTERNET session, std::u16string_view hostName, int port);
HINTERNET WinHttpOpenRequest(HINTERNET connection, std::u16string_view verb, std::u16string_view objectName,
                             unsigned flags);
bool WinHttpSetTimeouts(HINTERNET request, int resolveMs, int connectMs, int sendMs, int receiveMs);
bool WinHttpSetCredentials(HINTERNET request, unsigned target, unsigned scheme, std::u16string_view userName,
                           std::u16string_view password);
bool WinHttpSetOption(HINTERNET request, unsigned option, uint32_t value);
// Lines separated by CR LF; a line without a name and colon, or holding a lone
// CR or LF, makes the whole call fail. With the replace flag a header that is
// already there (name compared without case) takes the new value.
bool WinHttpAddRequestHeaders(HINTERNET request, std::u16string_view headers, unsigned flags);
// Connects and sends the request line, headers and body; true once sent.
bool WinHttpSendRequest(HINTERNET request, std::string_view body);
// Waits until the final response's headers have arrived.
bool WinHttpReceiveResponse(HINTERNET request);
// Waits until body bytes are ready; `available` is 0 at the end of the body.
// False when the transfer failed, stalled or was aborted with nothing ready.
bool WinHttpQueryDataAvailable(HINTERNET request, size_t& available);
bool WinHttpReadData(HINTERNET request, char* buffer, size_t size, size_t& read);
// With buffer nullptr (or too small) gives false and the size in bytes
// needed, terminator included; then fills the buffer.
bool WinHttpQueryHeaders(HINTERNET request, unsigned infoLevel, char16_t* buffer, size_t& bufferBytes);
void WinHttpCloseHandle(HINTERNET handle);

// Process-wide host mapping, like curl's --resolve: each entry
// "HOST:PORT:ADDRESS" or "HOST:PORT:ADDRESS:CONNECTPORT" (ADDRESS may be an
// IPv6 address in brackets). Replaces the table; malformed entries are
// skipped (check them first with IsValidResolveEntry).
void SetResolveOverrides(std::vector<std::string> entries);
bool IsValidResolveEntry(const std::string& entry);
// An extra PEM file of trusted certificates beside the system store; empty
// means none. A file that cannot be read adds nothing.
void SetExtraCaFile(std::string path);

// While set on a thread and *flag turns true, the transfer in flight on that
// thread stops within about 100 ms and the waiting step fails. nullptr clears.
void SetThreadAbortFlag(const std::atomic<bool>* flag);

}  // namespace qf::platform
