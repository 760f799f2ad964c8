#include "bench/system_patterns.h"

#include "links/link_rules.h"
#include "search/site_catalogue.h"
#include "web/decode_response.h"

namespace qf::bench {

std::vector<NamedPattern> SystemPatterns() {
  std::vector<NamedPattern> patterns;
  int record = 1;
  for (const SiteQuery& query : SiteQueries())
    patterns.push_back({"result " + std::to_string(record++), query.resultPattern});
  int linkPattern = 1;
  for (const LinkRule& rule : LinkRules()) {
    for (const std::string& pattern : rule.linkPatterns) {
      bool seen = false;  // several sites share a pattern; measure each once
      for (const NamedPattern& p : patterns) seen = seen || p.gbk == pattern;
      if (!seen) patterns.push_back({"link " + std::to_string(linkPattern++), pattern});
    }
  }
  patterns.push_back({"charset", kCharsetPattern});
  return patterns;
}

}  // namespace qf::bench
