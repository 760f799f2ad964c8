// Command-line parsing shared by every quillfen-cli command.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qf::cli {

constexpr int kExitFound = 0;
constexpr int kExitNothing = 1;
constexpr int kExitUsage = 2;

struct OptionSpec {
  std::string name;  // with its dashes: "--json", "-X"
  bool takesValue = false;
};

struct ParsedArgs {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options;  // in command-line order

  bool Has(const std::string& name) const;
  std::string Value(const std::string& name, const std::string& fallback = {}) const;  // the last one given
  std::vector<std::string> Values(const std::string& name) const;
};

// The options every command takes.
std::vector<OptionSpec> CommonOptions();

// Parses argv[first..]; false with `error` set on a usage error.
bool ParseArgs(const std::vector<std::string>& argv, const std::vector<OptionSpec>& specs, ParsedArgs& out,
               std::string& error);

}  // namespace qf::cli
