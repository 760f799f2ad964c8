#include "platform/regexp.h"

#include <re2/re2.h>

namespace qf::platform {
namespace {

// Large pages need room for the DFA; without it RE2 falls back to its slower NFA.
constexpr int64_t kEngineMemory = int64_t{256} << 20;

std::unique_ptr<RE2> Compile(const RegExp& object) {
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingUTF8);
  options.set_case_sensitive(!object.IgnoreCase);
  options.set_log_errors(false);
  options.set_max_mem(kEngineMemory);
  // "." never matches a line feed; "^" and "$" see line ends only in multi-line mode.
  options.set_dot_nl(false);
  std::string pattern = object.Multiline ? "(?m)" + object.Pattern : object.Pattern;
  auto re = std::make_unique<RE2>(pattern, options);
  if (!re->ok()) return nullptr;
  return re;
}

size_t Utf8CharLength(const std::string& s, size_t at) {
  auto b = static_cast<unsigned char>(s[at]);
  size_t len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  return std::min(len, s.size() - at);
}

// Every match, left to right, each search resuming where the previous one ended;
// an empty match moves one character on so the walk always advances.
template <typename OnMatch>
void ForEachMatch(const RE2& re, const std::string& text, bool global, OnMatch&& onMatch) {
  const int groups = re.NumberOfCapturingGroups();
  std::vector<re2::StringPiece> found(static_cast<size_t>(groups) + 1);
  size_t pos = 0;
  while (pos <= text.size()) {
    if (!re.Match(text, pos, text.size(), RE2::UNANCHORED, found.data(), groups + 1)) break;
    onMatch(found);
    size_t start = static_cast<size_t>(found[0].data() - text.data());
    size_t end = start + found[0].size();
    if (!global) break;
    if (end == start) {
      if (end >= text.size()) break;
      pos = end + Utf8CharLength(text, end);
    } else {
      pos = end;
    }
  }
}

// A group that took no part is an empty piece with no data.
void AppendPiece(std::string& out, const re2::StringPiece& piece) {
  if (piece.data() != nullptr) out.append(piece.data(), piece.size());
}

void AppendExpansion(std::string& out, std::string_view replacement, const std::string& text,
                     const std::vector<re2::StringPiece>& found) {
  const size_t groups = found.size() - 1;
  const size_t start = static_cast<size_t>(found[0].data() - text.data());
  const size_t end = start + found[0].size();
  for (size_t i = 0; i < replacement.size(); ++i) {
    char c = replacement[i];
    if (c != '$' || i + 1 >= replacement.size()) {
      out.push_back(c);
      continue;
    }
    char next = replacement[i + 1];
    if (next == '$') { out.push_back('$'); ++i; continue; }
    if (next == '&') { out.append(found[0].data(), found[0].size()); ++i; continue; }
    if (next == '`') { out.append(text, 0, start); ++i; continue; }
    if (next == '\'') { out.append(text, end, std::string::npos); ++i; continue; }
    if (next >= '0' && next <= '9') {
      // Two digits when they name an existing group, else one; "$0" and
      // numbers past the last group stay as written.
      size_t one = static_cast<size_t>(next - '0');
      if (i + 2 < replacement.size() && replacement[i + 2] >= '0' && replacement[i + 2] <= '9') {
        size_t two = one * 10 + static_cast<size_t>(replacement[i + 2] - '0');
        if (two >= 1 && two <= groups) {
          AppendPiece(out, found[two]);
          i += 2;
          continue;
        }
      }
      if (one >= 1 && one <= groups) {
        AppendPiece(out, found[one]);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
}

}  // namespace

std::string_view RegExpMatch::SpanText(size_t slot) const {
  if (slot >= spans_.size() || spans_[slot].offset == npos || subject_ == nullptr) return {};
  return std::string_view(*subject_).substr(spans_[slot].offset, spans_[slot].length);
}

std::string_view RegExpMatch::Value() const { return SpanText(0); }

std::string_view RegExpMatch::SubMatch(int index) const {
  return index < 0 ? std::string_view() : SpanText(static_cast<size_t>(index) + 1);
}

bool RegExpMatch::SubMatchTookPart(int index) const {
  size_t slot = static_cast<size_t>(index + 1);
  return index >= 0 && slot < spans_.size() && spans_[slot].offset != npos;
}

const RegExpMatch* RegExpMatchCollection::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &items_[static_cast<size_t>(index)];
}

std::shared_ptr<const RegExpMatchCollection> RegExp::Execute(std::shared_ptr<const std::string> subject) const {
  auto re = Compile(*this);
  if (!re || !subject) return nullptr;
  auto collection = std::make_shared<RegExpMatchCollection>();
  collection->subject_ = std::move(subject);
  const std::string& text = *collection->subject_;
  ForEachMatch(*re, text, Global, [&](const std::vector<re2::StringPiece>& found) {
    RegExpMatch match;
    match.subject_ = &text;
    match.spans_.resize(found.size());
    for (size_t g = 0; g < found.size(); ++g) {
      if (found[g].data() == nullptr) continue;
      match.spans_[g].offset = static_cast<size_t>(found[g].data() - text.data());
      match.spans_[g].length = found[g].size();
    }
    collection->items_.push_back(std::move(match));
  });
  return collection;
}

std::optional<std::string> RegExp::Replace(const std::string& subject, std::string_view replacement) const {
  auto re = Compile(*this);
  if (!re) return std::nullopt;
  std::string out;
  size_t copied = 0;
  ForEachMatch(*re, subject, Global, [&](const std::vector<re2::StringPiece>& found) {
    size_t start = static_cast<size_t>(found[0].data() - subject.data());
    out.append(subject, copied, start - copied);
    AppendExpansion(out, replacement, subject, found);
    copied = start + found[0].size();
  });
  out.append(subject, copied, std::string::npos);
  return out;
}

}  // namespace qf::platform
