// --json output of every command: indented, and a byte that is no UTF-8
// becomes U+FFFD instead of stopping the output.
#pragma once

#include <iostream>
#include <nlohmann/json.hpp>

namespace qf::cli {

template <typename Json>
void PrintJson(const Json& value) {
  std::cout << value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

}  // namespace qf::cli
