// One quillfen-cli command: its name, help text, own options and runner.
#pragma once

#include <string>
#include <vector>

#include "cli/args.h"

namespace qf::cli {

struct Command {
  std::string name;
  std::string usage;    // e.g. "encode TEXT [--utf8] [--keep-plain]"
  std::string summary;  // one line
  std::vector<OptionSpec> options;
  int (*run)(const ParsedArgs& args) = nullptr;  // returns the exit status
};

Command EncodeCommand();
Command MatchCommand();
Command FetchCommand();

// Text crosses the command line as UTF-8 and the system as GBK.
std::string ToTerminal(const std::string& gbk);
std::string FromTerminal(const std::string& utf8);

// Prints "quillfen-cli: MESSAGE" and the usage line to stderr; returns kExitUsage.
int UsageError(const Command& command, const std::string& message);

}  // namespace qf::cli
