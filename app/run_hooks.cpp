#include "app/run_hooks.h"

#include "links/extract_links.h"
#include "search/search_run.h"

namespace qf {
namespace {

// The program-wide search state and one gate per kind of run. Never
// destroyed: a run may still be leaving when the program ends.
struct ProgramRuns {
  SearchState search;
  RunGate searches;
  RunGate extractions;
};

ProgramRuns& Runs() {
  static ProgramRuns* runs = new ProgramRuns;
  return *runs;
}

}  // namespace

void StartSearchRun(MainControls& controls, const std::string& keyword) {
  ProgramRuns& runs = Runs();
  StartSearch(controls, runs.search, runs.searches, keyword);
}

void StartLinkExtraction(MainControls& controls) { StartLinkExtraction(controls, Runs().extractions); }

void StopRuns() {
  ProgramRuns& runs = Runs();
  runs.searches.Stop();
  runs.extractions.Stop();
}

void ReleaseSearchState() {
  SearchState& search = Runs().search;
  std::string().swap(search.searchKeyword);
  std::string().swap(search.lastSearchPage);
}

}  // namespace qf
