#include "bench/pattern_pages.h"

#include <string_view>

namespace qf::bench {
namespace {

constexpr std::string_view kFiller =
    "<div class=\"nav\"><a href=\"/index.html\">\xE9\xA6\x96\xE9\xA1\xB5</a> | <a href=\"/list/1.html\">"
    "\xE7\x94\xB5\xE5\xBD\xB1</a> | <span>2026-12-11</span></div>";

constexpr std::string_view kLazyGroup = "(.*?)";
constexpr std::string_view kAnySpan = "[\\S\\s\\n]*?";
constexpr std::string_view kCharsetTag = "<meta.+?charset=[^\\w]?([-\\w]+)";

bool StartsWith(std::string_view s, size_t at, std::string_view prefix) { return s.substr(at, prefix.size()) == prefix; }

}  // namespace

const char* ShapeName(PageShape shape) {
  switch (shape) {
    case PageShape::CrLfLines: return "crlf";
    case PageShape::OneLine: return "one-line";
    case PageShape::NearMiss: return "near-miss";
  }
  return "?";
}

std::string EntryFor(const std::string& p, int serial) {
  std::string out;
  for (size_t i = 0; i < p.size();) {
    if (StartsWith(p, i, kLazyGroup)) {
      out += "\xE5\xA4\xA7\xE8\xAF\x9D\xE8\xA5\xBF\xE6\xB8\xB8 " + std::to_string(serial);  // a title
      i += kLazyGroup.size();
    } else if (StartsWith(p, i, kAnySpan)) {
      out += " data-x=\"1\"\r\n  ";
      i += kAnySpan.size();
    } else if (StartsWith(p, i, kCharsetTag)) {
      out += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
      i = p.size();
    } else if (p[i] == '\\' && i + 1 < p.size()) {
      out += p[i + 1];
      i += 2;
    } else {
      out += p[i];
      ++i;
    }
  }
  return out;
}

std::string PageFor(const std::string& pattern, PageShape shape, size_t bytes) {
  std::string page = "<html><head><title>search</title></head><body>\r\n";
  for (int serial = 1; page.size() < bytes; ++serial) {
    std::string entry = EntryFor(pattern, serial);
    if (shape == PageShape::NearMiss) {
      size_t keep = entry.size() > 4 ? entry.size() - 4 : 0;
      while (keep > 0 && (static_cast<unsigned char>(entry[keep]) & 0xC0) == 0x80) --keep;  // whole characters
      entry.resize(keep);
    }
    // Entries end with their own CR where the pattern wants one; each line ends CR LF.
    if (entry.empty() || entry.back() != '\r') entry += "\r";
    page += entry;
    page += "\n";
    for (int k = 0; k < 3; ++k) {
      page += kFiller;
      page += "\r\n";
    }
  }
  page += "</body></html>\r\n";
  if (shape == PageShape::OneLine) {
    std::string flat;
    flat.reserve(page.size());
    for (char c : page)
      if (c != '\r' && c != '\n') flat += c;
    page = std::move(flat);
  }
  return page;
}

}  // namespace qf::bench
