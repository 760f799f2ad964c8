// Where the main window hands over to the search and link runs.
#pragma once

#include <string>

#include "app/toolkit/toolkit.h"

namespace qf {

// The start command, after it has deleted all rows of resultList.
void StartSearchRun(MainControls& controls, const std::string& keyword);
// A left click on resultList, after linkList has been cleared.
void StartLinkExtraction(MainControls& controls);
// The main window is closing; nothing has been released yet.
void StopRuns();
// Exit routine, after every run has left: releases SearchKeyword, then LastSearchPage.
void ReleaseSearchState();

}  // namespace qf
