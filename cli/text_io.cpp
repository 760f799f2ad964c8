#include <iostream>

#include "cli/command.h"
#include "web/codecs.h"

namespace qf::cli {

std::string ToTerminal(const std::string& gbk) { return GbkToUtf8(gbk); }
std::string FromTerminal(const std::string& utf8) { return Utf8ToGbk(utf8); }

int UsageError(const Command& command, const std::string& message) {
  std::cerr << "quillfen-cli: " << message << "\nusage: quillfen-cli " << command.usage << "\n";
  return kExitUsage;
}

}  // namespace qf::cli
