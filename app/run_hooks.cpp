#include "app/run_hooks.h"

namespace qf {

void StartSearchRun(MainControls& /*controls*/, const std::string& /*keyword*/) {}

void StartLinkExtraction(MainControls& /*controls*/) {}

void StopRuns() {}

}  // namespace qf
