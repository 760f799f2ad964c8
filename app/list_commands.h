// The check buttons and the copy button of both windows, on any check list.
#pragma once

#include <string>

#include "app/toolkit/toolkit.h"

namespace qf {

void CheckAll(CheckList& list);
void CheckNone(CheckList& list);
void InvertChecks(CheckList& list);
// CR LF before each checked item's text, in the list's order; empty when
// nothing is checked.
std::string CheckedItemsText(const CheckList& list);

}  // namespace qf
