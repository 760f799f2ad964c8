#include "platform/regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
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

// Reads the groups of a match whose bounds RE2 has found. RE2 finds bounds in
// linear time with its DFA, but reads groups of long matches of long patterns
// with its NFA, at a few hundred nanoseconds a byte; a JIT-compiled backtracker
// started at the match's first byte reads them in microseconds. It is used only
// when it ends exactly where RE2's match ends and stays within its step limit,
// otherwise RE2 reads the groups itself, so results are always RE2's.
class GroupReader {
 public:
  GroupReader(const RegExp& object, const std::string& pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_compile_context* compile = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(compile, PCRE2_NEWLINE_LF);
    uint32_t options = PCRE2_UTF | PCRE2_NO_UTF_CHECK;
    if (object.IgnoreCase) options |= PCRE2_CASELESS;
    if (object.Multiline) options |= PCRE2_MULTILINE;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &error, &offset,
                          compile);
    pcre2_compile_context_free(compile);
    if (!code_) return;
    pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);
    data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
    context_ = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(context_, kStepLimit);
  }
  ~GroupReader() {
    pcre2_match_context_free(context_);
    pcre2_match_data_free(data_);
    pcre2_code_free(code_);
  }
  GroupReader(const GroupReader&) = delete;
  GroupReader& operator=(const GroupReader&) = delete;

  // Fills found[1..] for the match found[0]; false when RE2 must do it.
  bool Read(const std::string& text, std::vector<re2::StringPiece>& found) {
    if (!code_) return false;
    const size_t start = static_cast<size_t>(found[0].data() - text.data());
    const size_t end = start + found[0].size();
    // The reader sees the text up to one character past the match: enough for
    // "$" and word boundaries, and it keeps the backtracker's own scans short.
    const size_t limit = end < text.size() ? end + Utf8CharLength(text, end) : text.size();
    uint32_t options = PCRE2_ANCHORED | PCRE2_NO_UTF_CHECK;
    if (limit < text.size()) options |= PCRE2_NOTEOL;
    int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(text.data()), limit, start, options, data_, context_);
    if (rc <= 0) return false;
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_);
    if (ov[0] != start || ov[1] != end || pcre2_get_ovector_count(data_) < found.size()) return false;
    for (size_t g = 1; g < found.size(); ++g) {
      found[g] = ov[2 * g] == PCRE2_UNSET ? re2::StringPiece()
                                          : re2::StringPiece(text.data() + ov[2 * g], ov[2 * g + 1] - ov[2 * g]);
    }
    return true;
  }

 private:
  static constexpr uint32_t kStepLimit = 200000;
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
  pcre2_match_context* context_ = nullptr;
};

bool IsValidUtf8(const std::string& text) {
  // The subject comes from our own conversion, but the reader must never see bad UTF-8.
  size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > text.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

// Every match, left to right, each search resuming where the previous one ended;
// an empty match moves one character on so the walk always advances.
template <typename OnMatch>
void ForEachMatch(const RegExp& object, const RE2& re, const std::string& text, OnMatch&& onMatch) {
  const int groups = re.NumberOfCapturingGroups();
  std::vector<re2::StringPiece> found(static_cast<size_t>(groups) + 1);
  std::unique_ptr<GroupReader> reader;
  if (groups > 0 && IsValidUtf8(text)) reader = std::make_unique<GroupReader>(object, re.pattern());
  size_t pos = 0;
  while (pos <= text.size()) {
    if (!re.Match(text, pos, text.size(), RE2::UNANCHORED, found.data(), 1)) break;
    size_t start = static_cast<size_t>(found[0].data() - text.data());
    size_t end = start + found[0].size();
    if (groups > 0 && !(reader && reader->Read(text, found)))
      re.Match(text, start, end, RE2::ANCHOR_BOTH, found.data(), groups + 1);
    onMatch(found);
    if (!object.Global) break;
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
  ForEachMatch(*this, *re, text, [&](const std::vector<re2::StringPiece>& found) {
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
  ForEachMatch(*this, *re, subject, [&](const std::vector<re2::StringPiece>& found) {
    size_t start = static_cast<size_t>(found[0].data() - subject.data());
    out.append(subject, copied, start - copied);
    AppendExpansion(out, replacement, subject, found);
    copied = start + found[0].size();
  });
  out.append(subject, copied, std::string::npos);
  return out;
}

}  // namespace qf::platform
