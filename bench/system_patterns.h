// Every pattern the system runs, by name, as GBK text.
#pragma once

#include <string>
#include <vector>

namespace qf::bench {

struct NamedPattern {
  std::string name;
  std::string gbk;
};

std::vector<NamedPattern> SystemPatterns();

}  // namespace qf::bench
