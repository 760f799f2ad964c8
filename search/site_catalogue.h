// The site query catalogue: how each site is asked for a keyword and how its
// result entries are picked out of the page that comes back.
#pragma once

#include <string>
#include <vector>

namespace qf {

enum class HttpMethod { Get, Post };
enum class KeywordCharset { Gbk, Utf8 };

// One query of the search run. Texts are GBK.
struct SiteQuery {
  std::string label;  // cell 2 of each row; the key of the site's link rule
  HttpMethod method = HttpMethod::Get;
  std::string requestUrl;  // for GET the encoded keyword is appended
  std::string bodyPrefix;  // POST only: bodyPrefix + encoded keyword + bodySuffix
  std::string bodySuffix;
  KeywordCharset keywordCharset = KeywordCharset::Gbk;
  bool pageIsUtf8 = false;  // convert the fetched page from UTF-8 before matching
  std::string resultPattern;
  int titleGroup = 2;         // the address is always sub-match 1
  std::string addressPrefix;  // scheme and host, no trailing "/"; may be empty
  std::string markupProbe;    // empty: titles are used as captured
  std::vector<std::string> markupTags;
};

// One step of the run: its status text and the queries it performs.
struct SearchStep {
  std::string statusText;  // GBK
  std::vector<int> queries;  // indices into SiteQueries()
};

// Where a site lives: the origins its queries and entry addresses use.
struct SiteAddress {
  std::string site;          // UTF-8 site name, as in the step texts
  std::string searchOrigin;  // "scheme://host" of the search requests
  std::string homeAddress;   // the prefix of captured addresses; empty when none
};

// The thirteen queries in run order.
const std::vector<SiteQuery>& SiteQueries();
// The twelve steps in run order.
const std::vector<SearchStep>& SearchSteps();
// The hosts chosen for the twelve sites, in run order.
const std::vector<SiteAddress>& SiteAddresses();

// The request one query sends for a keyword (GBK).
struct SiteRequest {
  std::string url;
  int methodIndex = 0;  // 0 GET, 1 POST
  std::string body;
};
SiteRequest BuildSiteRequest(const SiteQuery& query, const std::string& keyword);

}  // namespace qf
