// Stand-in for the platform's regular-expression automation object, over RE2.
// It works on UTF-8 text where the platform object works on wide strings:
// matching is by character either way.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qf::platform {

class RegExpMatch {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  std::string_view Value() const;
  size_t FirstIndex() const { return spans_[0].offset; }  // in bytes of the UTF-8 subject
  size_t Length() const { return spans_[0].length; }
  int SubMatchCount() const { return static_cast<int>(spans_.size()) - 1; }
  // Index from 0; an out-of-range index or a group that took no part gives "".
  std::string_view SubMatch(int index) const;
  bool SubMatchTookPart(int index) const;

 private:
  friend class RegExp;
  std::string_view SpanText(size_t slot) const;
  struct Span {
    size_t offset = npos;
    size_t length = 0;
  };
  const std::string* subject_ = nullptr;
  std::vector<Span> spans_;  // [0] is the whole match
};

class RegExpMatchCollection {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // Index from 0; nullptr when out of range.
  const RegExpMatch* Item(int index) const;
  const std::string& Subject() const { return *subject_; }

 private:
  friend class RegExp;
  std::shared_ptr<const std::string> subject_;
  std::vector<RegExpMatch> items_;
};

class RegExp {
 public:
  bool IgnoreCase = false;
  bool Multiline = false;
  bool Global = false;
  std::string Pattern;  // UTF-8

  // nullptr when the engine rejects the pattern.
  std::shared_ptr<const RegExpMatchCollection> Execute(std::shared_ptr<const std::string> subject) const;

  // The subject with the matches replaced ($1..$99, $&, $`, $', $$ expanded);
  // nullopt when the engine rejects the pattern.
  std::optional<std::string> Replace(const std::string& subject, std::string_view replacement) const;
};

}  // namespace qf::platform
