#include "regex/regex_matcher.h"

#include "platform/codepage.h"
#include "platform/com.h"
#include "platform/regexp.h"

namespace qf {
namespace {

// "#引号" stands for a double quote in patterns that cannot hold one.
constexpr std::string_view kQuotePlaceholder = "#\xE5\xBC\x95\xE5\x8F\xB7";

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  size_t copied = 0;
  for (size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, copied)) {
    out.append(text.substr(copied, at - copied)).append(to);
    copied = at + from.size();
  }
  out.append(text.substr(copied));
  return out;
}

std::string TextOf(std::string_view bytes) {
  return std::string(bytes.substr(0, bytes.find('\0')));
}

std::string ToGbk(std::string_view utf8) { return platform::Utf8BytesToGbk(utf8); }

}  // namespace

RegexMatcher::RegexMatcher() { platform::CoInitialize(); }

RegexMatcher::RegexMatcher(const RegexMatcher& other)
    : engine_(other.engine_), matches_(other.matches_), subject_(other.subject_) {
  if (auto* text = std::get_if<std::shared_ptr<const std::string>>(&subject_); text && *text)
    *text = std::make_shared<const std::string>(**text);
  platform::CoInitialize();
}

RegexMatcher::~RegexMatcher() {
  engine_.reset();
  matches_.reset();
  subject_ = 0;
  platform::CoUninitialize();
}

std::unique_ptr<RegexMatcher> RegexMatcher::Copy() const { return std::make_unique<RegexMatcher>(*this); }

bool RegexMatcher::Execute(const std::string& pattern, const std::string& subject, bool caseSensitive,
                           bool multiline, bool global, bool quotePlaceholder) {
  engine_.reset();
  matches_.reset();
  auto engine = std::make_shared<platform::RegExp>();
  engine->IgnoreCase = !caseSensitive;
  engine->Multiline = multiline;
  engine->Global = global;
  std::string utf8Pattern = platform::GbkBytesToUtf8(TextOf(pattern));
  if (quotePlaceholder) utf8Pattern = ReplaceAll(utf8Pattern, kQuotePlaceholder, "\"");
  engine->Pattern = std::move(utf8Pattern);
  engine_ = engine;
  // The subject is converted once; sub-match texts are converted back one by one as read.
  auto utf8Subject = std::make_shared<const std::string>(platform::GbkBytesToUtf8(TextOf(subject)));
  subject_ = utf8Subject;
  matches_ = engine_->Execute(utf8Subject);
  return matches_ != nullptr;
}

std::string RegexMatcher::PatternText() const { return engine_ ? ToGbk(engine_->Pattern) : std::string(); }

std::string RegexMatcher::Replace(const std::string& replacement) const {
  const auto* text = std::get_if<std::shared_ptr<const std::string>>(&subject_);
  if (!engine_ || !text || !*text) return {};
  auto result = engine_->Replace(**text, platform::GbkBytesToUtf8(TextOf(replacement)));
  return result ? ToGbk(*result) : std::string();
}

int RegexMatcher::MatchCount() const { return matches_ ? matches_->Count() : 0; }

std::string RegexMatcher::MatchText(int matchNumber) const {
  const platform::RegExpMatch* match = matches_ ? matches_->Item(matchNumber - 1) : nullptr;
  return match ? ToGbk(match->Value()) : std::string();
}

std::string RegexMatcher::SubMatchText(int matchNumber, int subMatchNumber) const {
  const platform::RegExpMatch* match = matches_ ? matches_->Item(matchNumber - 1) : nullptr;
  return match ? ToGbk(match->SubMatch(subMatchNumber - 1)) : std::string();
}

int RegexMatcher::SubMatchCount() const {
  const platform::RegExpMatch* first = matches_ ? matches_->Item(0) : nullptr;
  return first ? first->SubMatchCount() : 0;
}

}  // namespace qf
