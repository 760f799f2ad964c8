// Which patterns pick the download links out of each site's entry pages.
#pragma once

#include <string>
#include <vector>

namespace qf {

enum class SkipFirst { Never, Always, WhenEquals };

// Texts are GBK.
struct LinkRule {
  std::string siteLabel;                  // compared byte for byte with cell 2
  std::vector<std::string> linkPatterns;  // run in order; sub-match 1 is the link
  bool refetchUtf8 = false;               // fetch again and read that page as UTF-8
  SkipFirst skipFirstMatch = SkipFirst::Never;
  std::string skipText;  // for WhenEquals: sub-match 1 of match 1, letter case significant
};

// The rules in the order the labels are tried.
const std::vector<LinkRule>& LinkRules();
// The rule for a label, or nullptr when the label has none.
const LinkRule* FindLinkRule(const std::string& label);

}  // namespace qf
