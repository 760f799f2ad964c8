// One pattern run over one subject, keeping every match. Texts in and out are
// GBK. Creating a matcher initialises the thread's automation support and
// destroying it undoes that, so matchers nest on one thread.
#pragma once

#include <memory>
#include <string>
#include <variant>

namespace qf::platform {
class RegExp;
class RegExpMatchCollection;
}  // namespace qf::platform

namespace qf {

class RegexMatcher {
 public:
  RegexMatcher();
  RegexMatcher(const RegexMatcher& other);  // shares engine and matches, copies the subject
  RegexMatcher& operator=(const RegexMatcher&) = delete;
  virtual ~RegexMatcher();

  virtual std::unique_ptr<RegexMatcher> Copy() const;

  // False when the pattern is rejected; true with a collection, empty or not.
  virtual bool Execute(const std::string& pattern, const std::string& subject, bool caseSensitive = false,
                       bool multiline = true, bool global = true, bool quotePlaceholder = false);
  virtual std::string PatternText() const;
  virtual std::string Replace(const std::string& replacement) const;
  virtual int MatchCount() const;
  // Numbers count from 1; anything out of range gives empty text.
  virtual std::string MatchText(int matchNumber) const;
  virtual std::string SubMatchText(int matchNumber, int subMatchNumber) const;
  virtual int SubMatchCount() const;

 private:
  std::shared_ptr<platform::RegExp> engine_;
  std::shared_ptr<const platform::RegExpMatchCollection> matches_;
  // Starts as the integer 0; then the UTF-8 form of the last subject.
  std::variant<int, std::shared_ptr<const std::string>> subject_ = 0;
};

}  // namespace qf
