// The common network options of quillfen-cli: --resolve (repeatable) and --cacert.
#pragma once

#include <string>

#include "cli/args.h"

namespace qf::cli {

// Applies them to the HTTP layer for the whole process; false with `error`
// set when one is malformed or the file cannot be read.
bool ApplyNetworkOptions(const ParsedArgs& args, std::string& error);

}  // namespace qf::cli
