#include "cli/args.h"

#include <algorithm>

namespace qf::cli {

bool ParsedArgs::Has(const std::string& name) const {
  return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const {
  for (auto it = options.rbegin(); it != options.rend(); ++it)
    if (it->first == name) return it->second;
  return fallback;
}

std::vector<std::string> ParsedArgs::Values(const std::string& name) const {
  std::vector<std::string> values;
  for (const auto& [key, value] : options)
    if (key == name) values.push_back(value);
  return values;
}

std::vector<OptionSpec> CommonOptions() {
  return {{"--resolve", true}, {"--cacert", true}, {"--json", false}, {"--help", false}, {"--version", false}};
}

bool ParseArgs(const std::vector<std::string>& argv, const std::vector<OptionSpec>& specs, ParsedArgs& out,
               std::string& error) {
  bool optionsEnded = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      out.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg, value;
    bool inlineValue = false;
    if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inlineValue = true;
    }
    auto option = std::find_if(specs.begin(), specs.end(), [&](const OptionSpec& s) { return s.name == name; });
    if (option == specs.end()) {
      error = "unknown option " + name;
      return false;
    }
    if (option->takesValue && !inlineValue) {
      if (i + 1 >= argv.size()) {
        error = "option " + name + " needs a value";
        return false;
      }
      value = argv[++i];
    } else if (!option->takesValue && inlineValue) {
      error = "option " + name + " takes no value";
      return false;
    }
    out.options.emplace_back(name, value);
  }
  return true;
}

}  // namespace qf::cli
