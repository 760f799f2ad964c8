#include "cli/network_options.h"

#include <fstream>

#include "platform/http.h"

namespace qf::cli {

bool ApplyNetworkOptions(const ParsedArgs& args, std::string& error) {
  std::vector<std::string> entries = args.Values("--resolve");
  for (const std::string& entry : entries) {
    if (!platform::IsValidResolveEntry(entry)) {
      error = "--resolve wants HOST:PORT:ADDRESS or HOST:PORT:ADDRESS:CONNECTPORT, not " + entry;
      return false;
    }
  }
  std::string caFile = args.Value("--cacert");
  if (args.Has("--cacert")) {
    std::ifstream probe(caFile, std::ios::binary);
    if (caFile.empty() || !probe) {
      error = "cannot read the --cacert file " + caFile;
      return false;
    }
  }
  if (!entries.empty()) platform::SetResolveOverrides(std::move(entries));
  if (!caFile.empty()) platform::SetExtraCaFile(caFile);
  return true;
}

}  // namespace qf::cli
