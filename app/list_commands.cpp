#include "app/list_commands.h"

namespace qf {

void CheckAll(CheckList& list) {
  const int count = list.ItemCount();
  for (int i = 0; i < count; ++i) list.SetCheck(i, true);
}

void CheckNone(CheckList& list) {
  const int count = list.ItemCount();
  for (int i = 0; i < count; ++i) list.SetCheck(i, false);
}

void InvertChecks(CheckList& list) {
  const int count = list.ItemCount();
  for (int i = 0; i < count; ++i) list.SetCheck(i, !list.IsChecked(i));
}

std::string CheckedItemsText(const CheckList& list) {
  std::string text;
  const int count = list.ItemCount();
  for (int i = 0; i < count; ++i) {
    if (!list.IsChecked(i)) continue;
    text += "\r\n";
    text += list.ItemText(i);
  }
  return text;
}

}  // namespace qf
