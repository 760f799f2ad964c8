// What each of the twelve sites answers: search result pages and entry pages
// in the site's own layout and character set, for a small built-in film list.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qf::samplesites {

struct SitePage {
  int status = 200;
  std::string contentType = "text/html";
  std::string body;  // the bytes sent
};

struct SiteRequestView {
  std::string method;  // "GET", "POST"
  std::string host;    // without port
  std::string target;  // path and query, as sent
  std::string body;
};

// The page a site gives for the request; nullopt when no site has it.
std::optional<SitePage> BuiltInPage(const SiteRequestView& request);

// Every host the sites answer on (search hosts and home hosts).
std::vector<std::string> SiteHostNames();

// The films the sites know, in UTF-8, for documentation and demos.
std::vector<std::string> SampleFilmNames();

// Decodes %XX escapes and "+"; malformed escapes stay as they are.
std::string PercentDecode(const std::string& text);

}  // namespace qf::samplesites
