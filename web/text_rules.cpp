#include "web/text_rules.h"

namespace qf {
namespace {

// A lead byte counts as half of a pair only when a valid second byte follows.
size_t CharLength(std::string_view text, size_t at) {
  unsigned char c = static_cast<unsigned char>(text[at]);
  if (c < 0x81 || c > 0xFE || at + 1 >= text.size()) return 1;
  unsigned char t = static_cast<unsigned char>(text[at + 1]);
  return t >= 0x40 && t <= 0xFE && t != 0x7F ? 2 : 1;
}

unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

bool MatchesAt(std::string_view text, size_t at, std::string_view needle, bool ignoreCase) {
  if (text.size() - at < needle.size()) return false;
  size_t i = at, k = 0;
  while (k < needle.size()) {
    size_t lt = CharLength(text, i), ln = CharLength(needle, k);
    if (lt != ln) return false;
    if (lt == 1) {
      unsigned char a = static_cast<unsigned char>(text[i]), b = static_cast<unsigned char>(needle[k]);
      if (ignoreCase ? Fold(a) != Fold(b) : a != b) return false;
    } else if (text.substr(i, 2) != needle.substr(k, 2)) {
      return false;
    }
    i += lt;
    k += ln;
  }
  return true;
}

bool IsSpaceAt(std::string_view text, size_t at, size_t& length) {
  length = CharLength(text, at);
  if (length == 1) return text[at] == ' ';
  return static_cast<unsigned char>(text[at]) == 0xA1 && static_cast<unsigned char>(text[at + 1]) == 0xA1;
}

// Like FindText, for a `from` already known to start a character, so that
// repeated searches through one text need not walk it from its start each time.
size_t FindFromBoundary(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
  for (size_t at = from; at <= text.size(); at += at < text.size() ? CharLength(text, at) : 1)
    if (MatchesAt(text, at, needle, ignoreCase)) return at;
  return std::string_view::npos;
}

}  // namespace

size_t FindText(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
  size_t boundary = 0;
  while (boundary < from && boundary < text.size()) boundary += CharLength(text, boundary);
  if (boundary < from) return std::string_view::npos;
  return FindFromBoundary(text, needle, boundary, ignoreCase);
}

std::string ReplaceText(std::string_view text, std::string_view from, std::string_view to, bool ignoreCase) {
  if (from.empty()) return std::string(text);
  std::string out;
  size_t at = 0;
  for (;;) {
    size_t hit = FindFromBoundary(text, from, at, ignoreCase);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(at, hit - at));
    out.append(to);
    at = hit + from.size();
  }
  out.append(text.substr(at));
  return out;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t at = 0;
  while (at < text.size()) {
    size_t hit = FindFromBoundary(text, separator, at, false);
    if (hit == std::string_view::npos) {
      pieces.emplace_back(text.substr(at));
      break;
    }
    pieces.emplace_back(text.substr(at, hit - at));
    at = hit + separator.size();
  }
  return pieces;
}

std::string TrimText(std::string_view text) {
  size_t begin = 0, length = 0;
  while (begin < text.size() && IsSpaceAt(text, begin, length)) begin += length;
  size_t end = begin;  // one past the last character that is not a space
  for (size_t at = begin; at < text.size(); at += length)
    if (!IsSpaceAt(text, at, length)) end = at + length;
  return std::string(text.substr(begin, end - begin));
}

std::string RemoveSpaces(std::string_view text) {
  std::string out;
  size_t length = 0;
  for (size_t at = 0; at < text.size(); at += length)
    if (!IsSpaceAt(text, at, length)) out.append(text.substr(at, length));
  return out;
}

}  // namespace qf
