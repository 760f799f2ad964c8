// Generated pages for measuring the system's patterns: entries that match a
// pattern, spread through ordinary mark-up, as a real result page would be.
#pragma once

#include <cstddef>
#include <string>

namespace qf::bench {

enum class PageShape {
  CrLfLines,  // one entry a line, CR LF line ends
  OneLine,    // the same page with its line ends removed, as minified pages are
  NearMiss,   // every entry cut short of its last characters, so nothing matches
};

const char* ShapeName(PageShape shape);

// A UTF-8 text that the UTF-8 pattern matches: every "(.*?)" becomes a short
// title, every "[\S\s\n]*?" a few lines of mark-up, every other construct the
// characters it stands for.
std::string EntryFor(const std::string& utf8Pattern, int serial);

// About `bytes` bytes of page in the given shape, entries every few lines.
std::string PageFor(const std::string& utf8Pattern, PageShape shape, size_t bytes);

}  // namespace qf::bench
