#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "cli/json_output.h"
#include "regex/regex_matcher.h"

namespace qf::cli {
namespace {

bool ReadAll(std::istream& in, std::string& out) {
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int RunMatch(const ParsedArgs& args) {
  const Command self = MatchCommand();
  if (args.positional.empty() || args.positional.size() > 2) return UsageError(self, "match takes PATTERN [FILE]");
  std::string page;
  if (args.positional.size() == 2) {
    std::ifstream file(args.positional[1], std::ios::binary);
    if (!file || !ReadAll(file, page)) {
      std::cerr << "quillfen-cli: cannot read " << args.positional[1] << "\n";
      return kExitUsage;
    }
  } else if (!ReadAll(std::cin, page)) {
    std::cerr << "quillfen-cli: cannot read standard input\n";
    return kExitUsage;
  }

  RegexMatcher matcher;
  if (!matcher.Execute(FromTerminal(args.positional[0]), FromTerminal(page))) {
    std::cerr << "quillfen-cli: the pattern is not accepted\n";
    return kExitNothing;
  }
  const int count = matcher.MatchCount();
  const int groups = matcher.SubMatchCount();
  if (args.Has("--json")) {
    auto list = nlohmann::json::array();
    for (int i = 1; i <= count; ++i) {
      auto subs = nlohmann::json::array();
      for (int g = 1; g <= groups; ++g) subs.push_back(ToTerminal(matcher.SubMatchText(i, g)));
      list.push_back({{"match", ToTerminal(matcher.MatchText(i))}, {"groups", subs}});
    }
    PrintJson(list);
  } else {
    std::cout << count << (count == 1 ? " match\n" : " matches\n");
    for (int i = 1; i <= count; ++i) {
      std::cout << "match " << i << "\n";
      for (int g = 1; g <= groups; ++g) std::cout << "  " << g << ": " << ToTerminal(matcher.SubMatchText(i, g)) << "\n";
    }
  }
  return count > 0 ? kExitFound : kExitNothing;
}

}  // namespace

Command MatchCommand() {
  return {"match", "match PATTERN [FILE]",
          "run PATTERN over FILE (or standard input) as the site queries do: case ignored, all matches",
          {},
          RunMatch};
}

}  // namespace qf::cli
