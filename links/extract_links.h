// The link extraction run: fetch the selected result's page and list the
// download links that its site's rule finds there.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/toolkit/toolkit.h"
#include "links/link_rules.h"
#include "search/run_gate.h"

namespace qf {

class RegexMatcher;

// Status bar part the link extraction writes.
constexpr int kLinkStatusPart = 3;

// The whole extraction for the selected row of resultList, on the calling thread.
void ExtractLinks(MainControls& controls, const RunTicket& ticket);

// The rule over the page of `row`; adds its links to linkList and reports.
void ApplyLinkRule(const LinkRule& rule, int row, std::string page, RegexMatcher& matcher, MainControls& controls,
                   const RunTicket& ticket);

// The closing status text from the links one rule added, in the order added.
void ReportFetchStatus(MainControls& controls, const RunTicket& ticket, const std::vector<std::string>& added);

// The left click after the list was cleared, on the window thread: supersedes
// the running extraction and empties linkList in the same step.
std::shared_ptr<RunTicket> PrepareLinkExtraction(MainControls& controls, RunGate& gate);

// PrepareLinkExtraction, then ExtractLinks on a new thread.
void StartLinkExtraction(MainControls& controls, RunGate& gate);

}  // namespace qf
