#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "cli/json_output.h"
#include "search/site_catalogue.h"

namespace qf::cli {

Command SitesCommand();

namespace {

int RunSitesCommand(const ParsedArgs& args) {
  const Command self = SitesCommand();
  if (!args.positional.empty()) return UsageError(self, "sites takes no arguments");
  auto method = [](const SiteQuery& q) { return q.method == HttpMethod::Post ? "POST" : "GET"; };
  if (args.Has("--json")) {
    auto list = nlohmann::ordered_json::array();
    for (const SiteQuery& q : SiteQueries())
      list.push_back({{"label", ToTerminal(q.label)},
                      {"method", method(q)},
                      {"requestUrl", ToTerminal(q.requestUrl)},
                      {"addressPrefix", ToTerminal(q.addressPrefix)}});
    PrintJson(list);
  } else {
    for (const SiteQuery& q : SiteQueries())
      std::cout << ToTerminal(q.label) << '\t' << method(q) << '\t' << ToTerminal(q.requestUrl) << '\t'
                << ToTerminal(q.addressPrefix) << '\n';
  }
  return kExitFound;
}

}  // namespace

Command SitesCommand() {
  return {"sites", "sites [--json]",
          "the site queries in run order: label, method, request address, home address", {}, RunSitesCommand};
}

}  // namespace qf::cli
