#include "web/headers_cookies.h"

#include "web/codecs.h"
#include "web/text_rules.h"

namespace qf {
namespace {

constexpr std::string_view kCrLf = "\r\n";

struct DefaultHeader {
  std::string_view test;
  bool ignoreCase;
  std::string_view line;
  bool postOnly;
};

constexpr DefaultHeader kDefaults[] = {
    {"User-Agent: ", true, "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n",
     false},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*\r\n", false},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312\r\n", false},
    {"Accept-Language: ", true, "Accept-Language: zh-cn\r\n", false},
    {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded\r\n", true},
    {"Cache-Control: ", true, "Cache-Control: no-cache\r\n", false},
};

bool Contains(std::string_view text, std::string_view needle, bool ignoreCase = false) {
  return FindText(text, needle, 0, ignoreCase) != std::string_view::npos;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

const std::string& QuotePlaceholder() {
  static const std::string placeholder = "#" + Utf8ToGbk("引号");
  return placeholder;
}

}  // namespace

std::string BuildRequestHeaders(const std::string& headers, int methodIndex, const std::string* cookies) {
  std::string block;
  if (!headers.empty()) block = headers + std::string(kCrLf);
  for (const DefaultHeader& d : kDefaults) {
    if (d.postOnly && methodIndex != 1) continue;
    if (!Contains(block, d.test, d.ignoreCase)) block.append(d.line);
  }
  if (cookies && !cookies->empty() && !Contains(block, "Cookie: ", true)) block += "Cookie: " + *cookies + "\r\n";
  return block;
}

void ReadResponseHeaders(std::u16string_view rawHeaders, std::string& returnedHeaders, std::string& statusText,
                         std::string& returnedCookies, std::string& location, std::string* cookies,
                         bool mergeCookies) {
  returnedHeaders = WideToGbk(rawHeaders);
  statusText.clear();
  if (returnedHeaders.size() >= 10) {
    size_t end = FindText(returnedHeaders, kCrLf, 9);
    if (end != std::string::npos) statusText = returnedHeaders.substr(9, end - 9);
  }
  returnedHeaders = ReplaceText(returnedHeaders, "Set-Cookie", "Set-Cookie", true);
  bool appended = false;
  for (const std::string& line : SplitText(returnedHeaders, kCrLf)) {
    if (Contains(line, "Set-Cookie")) {
      std::string pair = Contains(line, ";") ? TextBetween(line, "Set-Cookie:", ";")
                                             : ReplaceText(line, "Set-Cookie:", "", true);
      returnedCookies += TrimText(pair) + "; ";
      appended = true;
    }
    if (line.size() >= 10 && FindText(line.substr(0, 10), "Location: ", 0, true) == 0) location = line.substr(10);
  }
  // Only the separator this call added comes off: what the caller's variable held stays whole.
  if (appended) returnedCookies.resize(returnedCookies.size() - 2);
  if (mergeCookies && cookies) returnedCookies = MergeCookies(*cookies, returnedCookies);
}

std::string MergeCookies(std::string& oldCookies, const std::string& newCookies) {
  std::vector<std::string> oldPairs = SplitText(RemoveSpaces(oldCookies), ";");
  std::vector<std::string> pairs = SplitText(RemoveSpaces(newCookies), ";");
  std::vector<std::string> newPairs = pairs;
  for (const std::string& pair : oldPairs)
    if (!HasCookieNamed(newPairs, CookieName(pair))) pairs.push_back(pair);
  std::string joined;
  for (const std::string& pair : pairs)
    if (!EndsWith(pair, "=deleted")) joined += pair + "; ";
  if (joined.size() >= 2) joined.resize(joined.size() - 2);
  oldCookies = RemoveDuplicateItems(joined, "; ");
  return oldCookies;
}

std::string CookieName(std::string_view pair) {
  size_t eq = FindText(pair, "=");
  return TrimText(eq == std::string_view::npos ? pair : pair.substr(0, eq));
}

bool HasCookieNamed(const std::vector<std::string>& pairs, std::string_view name) {
  for (const std::string& pair : pairs)
    if (CookieName(pair) == name) return true;
  return false;
}

std::string RemoveDuplicateItems(std::string_view text, std::string_view separator) {
  if (text.empty()) return {};
  std::vector<std::string> kept;
  for (std::string& piece : SplitText(text, separator))
    if (IndexOfItem(kept, piece) == -1) kept.push_back(std::move(piece));
  std::string joined;
  for (const std::string& piece : kept) joined += piece + std::string(separator);
  joined.resize(joined.size() >= separator.size() ? joined.size() - separator.size() : 0);
  return joined;
}

int IndexOfItem(const std::vector<std::string>& items, std::string_view item) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == item) return static_cast<int>(i) + 1;
  return -1;
}

std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                        int startPosition, bool ignoreCase) {
  std::string start = ReplaceText(startMarker, QuotePlaceholder(), "\"");
  std::string end = ReplaceText(endMarker, QuotePlaceholder(), "\"");
  size_t from = startPosition > 1 ? static_cast<size_t>(startPosition - 1) : 0;
  if (from > text.size()) return {};
  size_t found = FindText(text, start, from, ignoreCase);
  if (found == std::string_view::npos) return {};
  size_t inner = found + start.size();
  size_t stop = FindText(text, end, inner, ignoreCase);
  if (stop == std::string_view::npos) return {};
  return std::string(text.substr(inner, stop - inner));
}

}  // namespace qf
