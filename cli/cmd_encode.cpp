#include <iostream>

#include "cli/command.h"
#include "web/codecs.h"

namespace qf::cli {
namespace {

int RunEncode(const ParsedArgs& args) {
  const Command self = EncodeCommand();
  if (args.positional.size() != 1) return UsageError(self, "encode takes one TEXT");
  std::string encoded = UrlEncode(FromTerminal(args.positional[0]), args.Has("--keep-plain"), args.Has("--utf8"));
  if (args.Has("--json")) std::cout << "\"" << encoded << "\"\n";  // only ASCII can come out
  else std::cout << encoded << "\n";
  return encoded.empty() ? kExitNothing : kExitFound;
}

}  // namespace

Command EncodeCommand() {
  return {"encode", "encode TEXT [--utf8] [--keep-plain]",
          "percent-encode TEXT as the site queries do (GBK bytes, or UTF-8 with --utf8)",
          {{"--utf8", false}, {"--keep-plain", false}},
          RunEncode};
}

}  // namespace qf::cli
