// quillfen-cli: the system's runs and tools from a terminal, UTF-8 in and out.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/network_options.h"

namespace qf::cli {

Command SearchCommand();
Command LinksCommand();
Command SitesCommand();

namespace {

std::vector<Command> AllCommands() {
  return {
      EncodeCommand(),
      MatchCommand(),
      FetchCommand(),
      SearchCommand(),
      LinksCommand(),
      SitesCommand(),
  };
}

void PrintHelp(std::ostream& out) {
  out << "usage: quillfen-cli COMMAND [OPTIONS]\n\ncommands:\n";
  for (const Command& c : AllCommands()) out << "  " << c.usage << "\n      " << c.summary << "\n";
  out << "\ncommon options:\n"
         "  --resolve HOST:PORT:ADDRESS  connect to ADDRESS for HOST:PORT (repeatable)\n"
         "  --cacert FILE                also trust the certificates in FILE\n"
         "  --json                       machine-readable output\n"
         "  --help, --version\n"
         "\nexit status: 0 found, 1 nothing found, 2 usage error\n";
}

int Main(const std::vector<std::string>& argv) {
  if (argv.empty()) {
    PrintHelp(std::cerr);
    return kExitUsage;
  }
  if (argv[0] == "--help" || argv[0] == "-h" || argv[0] == "help") {
    PrintHelp(std::cout);
    return kExitFound;
  }
  if (argv[0] == "--version") {
    std::cout << "quillfen-cli " QUILLFEN_VERSION "\n";
    return kExitFound;
  }
  for (const Command& command : AllCommands()) {
    if (command.name != argv[0]) continue;
    std::vector<OptionSpec> specs = CommonOptions();
    specs.insert(specs.end(), command.options.begin(), command.options.end());
    ParsedArgs args;
    std::string error;
    if (!ParseArgs(std::vector<std::string>(argv.begin() + 1, argv.end()), specs, args, error))
      return UsageError(command, error);
    if (args.Has("--help")) {
      std::cout << "usage: quillfen-cli " << command.usage << "\n" << command.summary << "\n";
      return kExitFound;
    }
    if (args.Has("--version")) {
      std::cout << "quillfen-cli " QUILLFEN_VERSION "\n";
      return kExitFound;
    }
    if (!ApplyNetworkOptions(args, error)) return UsageError(command, error);
    return command.run(args);
  }
  std::cerr << "quillfen-cli: unknown command " << argv[0] << "\n";
  PrintHelp(std::cerr);
  return kExitUsage;
}

}  // namespace
}  // namespace qf::cli

int main(int argc, char** argv) { return qf::cli::Main(std::vector<std::string>(argv + 1, argv + argc)); }
