// The search run: every catalogue query in step order, one row per entry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/toolkit/toolkit.h"
#include "search/run_gate.h"
#include "search/site_catalogue.h"

namespace qf {

class RegexMatcher;

// The program-wide state of the search that owns it. A run reads and writes it
// only inside WhileCurrent, so a superseded run leaves it alone.
struct SearchState {
  std::string searchKeyword;  // GBK, as typed
  std::int32_t resultCount = 0;
  std::string lastSearchPage;
};

// Status bar part the search run writes.
constexpr int kSearchStatusPart = 1;
// The cells of a result row.
enum ResultColumn { kColumnNumber = 0, kColumnTitle = 1, kColumnLabel = 2, kColumnSummary = 3, kColumnAddress = 4 };

// The whole search on the calling thread. Pauses go through the toolkit's Sleep.
void RunSearch(MainControls& controls, SearchState& state, const RunTicket& ticket);

// One query with the given matcher; appends one row per match.
void RunSiteQuery(const SiteQuery& query, RegexMatcher& matcher, MainControls& controls, SearchState& state,
                  const RunTicket& ticket);

// The title as the row shows it: mark-up removed when the probe is present.
std::string RemoveMarkup(const std::string& title, const SiteQuery& query);

// The start command after its keyword check, on the window thread: supersedes
// the running search, empties the result list, resets the count and stores the
// keyword. Returns the new run's ticket.
std::shared_ptr<RunTicket> PrepareSearch(MainControls& controls, SearchState& state, RunGate& gate,
                                         const std::string& keyword);

// PrepareSearch, then RunSearch on a new thread. `state` must outlive the run.
void StartSearch(MainControls& controls, SearchState& state, RunGate& gate, const std::string& keyword);

}  // namespace qf
