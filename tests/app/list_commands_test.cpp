// The check and copy commands over the in-memory list, as the command line
// and the runs' tests see them.
#include <gtest/gtest.h>

#include "app/list_commands.h"
#include "app/toolkit/headless_toolkit.h"

namespace qf {
namespace {

std::string Checks(const CheckList& list) {
  std::string marks;
  for (int i = 0; i < list.ItemCount(); ++i) marks += list.IsChecked(i) ? '1' : '0';
  return marks;
}

TEST(ListCommands, CheckInvertClearAndCopy) {
  struct Case {
    const char* name;
    const char* before;
    void (*command)(CheckList&);
    const char* after;
    const char* copied;  // of items "a", "b", "c"...
  };
  const Case cases[] = {
      {"invert 0 and 2 of three", "101", InvertChecks, "010", "\r\nb"},
      {"all", "010", CheckAll, "111", "\r\na\r\nb\r\nc"},
      {"none", "111", CheckNone, "000", ""},
      {"invert none", "00", InvertChecks, "11", "\r\na\r\nb"},
      {"empty list", "", InvertChecks, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessMainWindow window;
    const std::string before = c.before;
    for (std::size_t i = 0; i < before.size(); ++i) window.linkList.AddItem(std::string(1, char('a' + i)));
    for (std::size_t i = 0; i < before.size(); ++i) window.linkList.SetCheck(int(i), before[i] == '1');
    c.command(window.linkList);
    EXPECT_EQ(Checks(window.linkList), c.after);
    EXPECT_EQ(CheckedItemsText(window.linkList), c.copied);
  }
}

TEST(ListCommands, CopyFollowsTheSortedOrderNotTheOrderFound) {
  HeadlessMainWindow window;
  window.linkList.AddItem("b");
  window.linkList.AddItem("a");
  CheckAll(window.linkList);
  EXPECT_EQ(CheckedItemsText(window.linkList), "\r\na\r\nb");
}

}  // namespace
}  // namespace qf
