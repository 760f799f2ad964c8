#include <iostream>
#include <nlohmann/json.hpp>

#include "app/toolkit/headless_toolkit.h"
#include "cli/command.h"
#include "cli/json_output.h"
#include "links/extract_links.h"
#include "search/search_run.h"

namespace qf::cli {

Command LinksCommand();

namespace {

int RunLinksCommand(const ParsedArgs& args) {
  const Command self = LinksCommand();
  if (args.positional.size() != 2) return UsageError(self, "links takes LABEL ADDRESS");

  // One result row with that label and address, selected as a click leaves it.
  HeadlessMainWindow window;
  const int row = window.resultList.AppendRow();
  window.resultList.SetCellText(row, kColumnLabel, FromTerminal(args.positional[0]));
  window.resultList.SetCellText(row, kColumnAddress, FromTerminal(args.positional[1]));
  window.resultList.Select(row);
  window.statusBar.OnChange([](int part, const std::string& text) {
    if (part == kLinkStatusPart) std::cerr << ToTerminal(text) << std::endl;
  });
  RunGate gate;
  MainControls controls = window.Controls();
  auto ticket = PrepareLinkExtraction(controls, gate);
  ExtractLinks(controls, *ticket);

  const int count = window.linkList.ItemCount();
  if (args.Has("--json")) {
    auto list = nlohmann::json::array();
    for (int i = 0; i < count; ++i) list.push_back(ToTerminal(window.linkList.ItemText(i)));
    PrintJson(list);
  } else {
    for (int i = 0; i < count; ++i) std::cout << ToTerminal(window.linkList.ItemText(i)) << '\n';
  }
  return count > 0 ? kExitFound : kExitNothing;
}

}  // namespace

Command LinksCommand() {
  return {"links", "links LABEL ADDRESS [--json]",
          "the download links of one result (its site label and page address), in the list's sorted order; "
          "the closing status text is the last line on stderr",
          {},
          RunLinksCommand};
}

}  // namespace qf::cli
