#include <iostream>
#include <nlohmann/json.hpp>

#include "app/toolkit/headless_toolkit.h"
#include "cli/command.h"
#include "cli/json_output.h"
#include "search/search_run.h"

namespace qf::cli {

Command SearchCommand();

namespace {

int RunSearchCommand(const ParsedArgs& args) {
  const Command self = SearchCommand();
  if (args.positional.size() != 1) return UsageError(self, "search takes one KEYWORD");
  const std::string keyword = FromTerminal(args.positional[0]);
  if (keyword.empty()) {
    std::cerr << "请输入关键词\n";  // the message the start button shows
    return kExitUsage;
  }

  HeadlessMainWindow window;
  window.toolkit.SetSleeping(!args.Has("--no-pause"));
  window.statusBar.OnChange([](int part, const std::string& text) {
    if (part == kSearchStatusPart) std::cerr << ToTerminal(text) << std::endl;
  });
  SearchState state;
  RunGate gate;
  MainControls controls = window.Controls();
  auto ticket = PrepareSearch(controls, state, gate, keyword);
  RunSearch(controls, state, *ticket);

  const int rows = window.resultList.RowCount();
  auto cell = [&](int row, int column) { return ToTerminal(window.resultList.GetCellText(row, column)); };
  if (args.Has("--json")) {
    auto list = nlohmann::ordered_json::array();
    for (int row = 0; row < rows; ++row)
      list.push_back({{"number", std::stoll(window.resultList.GetCellText(row, kColumnNumber))},
                      {"title", cell(row, kColumnTitle)},
                      {"label", cell(row, kColumnLabel)},
                      {"summary", cell(row, kColumnSummary)},
                      {"address", cell(row, kColumnAddress)}});
    PrintJson(list);
  } else {
    for (int row = 0; row < rows; ++row)
      std::cout << cell(row, kColumnNumber) << '\t' << cell(row, kColumnTitle) << '\t' << cell(row, kColumnLabel)
                << '\t' << cell(row, kColumnAddress) << '\n';
  }
  return rows > 0 ? kExitFound : kExitNothing;
}

}  // namespace

Command SearchCommand() {
  return {"search", "search KEYWORD [--json] [--no-pause]",
          "ask every site for KEYWORD as the start button does; rows to stdout (number, title, label, address), "
          "status texts to stderr; --no-pause skips the 200 ms pauses between sites",
          {{"--no-pause", false}},
          RunSearchCommand};
}

}  // namespace qf::cli
