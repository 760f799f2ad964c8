// The in-memory toolkit that the runs' tests and the command line stand on.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/toolkit/headless_toolkit.h"

namespace qf {
namespace {

TEST(HeadlessStatusBar, PartsOutsideTheBarDoNothing) {
  HeadlessMainWindow window;
  std::vector<std::pair<int, std::string>> heard;
  window.statusBar.OnChange([&](int part, const std::string& text) { heard.emplace_back(part, text); });
  for (int part : {-1, 4, 100}) window.statusBar.SetStatusText(part, "x");
  window.statusBar.SetStatusText(1, "a");
  window.statusBar.SetStatusText(3, "b");
  window.statusBar.SetStatusText(1, "c");
  EXPECT_EQ(window.statusBar.StatusText(1), "c");
  EXPECT_EQ(window.statusBar.StatusText(3), "b");
  EXPECT_EQ(window.statusBar.StatusText(4), "");
  const std::vector<std::pair<int, std::string>> expected = {{1, "a"}, {3, "b"}, {1, "c"}};
  EXPECT_EQ(window.statusBar.History(), expected);
  EXPECT_EQ(heard, expected);
}

TEST(HeadlessReportList, RowsCellsAndSelection) {
  HeadlessMainWindow window;
  ReportList& list = window.resultList;
  EXPECT_EQ(list.AppendRow(), 0);
  EXPECT_EQ(list.AppendRow(), 1);
  list.SetCellText(1, 4, "http://a/");
  struct Cell {
    int row;
    int column;
    const char* text;
  };
  for (Cell c : {Cell{1, 4, "http://a/"}, Cell{0, 4, ""}, Cell{2, 0, ""}, Cell{-1, 0, ""}, Cell{0, 5, ""}}) {
    EXPECT_EQ(list.GetCellText(c.row, c.column), c.text) << c.row << "," << c.column;
  }
  list.SetCellText(5, 0, "ignored");
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.CurrentSelection(), -1);
  window.resultList.Select(1);
  EXPECT_EQ(list.CurrentSelection(), 1);
  window.resultList.Select(7);
  EXPECT_EQ(list.CurrentSelection(), -1);
  window.resultList.Select(0);
  list.DeleteAllRows();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.CurrentSelection(), -1);
}

TEST(HeadlessCheckList, SortedByBytesEqualTextsAfterThoseThere) {
  HeadlessMainWindow window;
  CheckList& list = window.linkList;
  for (const char* text : {"magnet:?b", "ed2k://x", "magnet:?a", "\xB4\xC5", "B", "magnet:?b"}) list.AddItem(text);
  list.SetCheck(4, true);  // the later of the two "magnet:?b"
  list.AddItem("magnet:?b");
  const std::vector<std::string> expected = {"B", "ed2k://x", "magnet:?a", "magnet:?b", "magnet:?b", "magnet:?b",
                                             "\xB4\xC5"};
  ASSERT_EQ(list.ItemCount(), static_cast<int>(expected.size()));
  for (int i = 0; i < list.ItemCount(); ++i) EXPECT_EQ(list.ItemText(i), expected[i]) << i;
  // A new equal text goes after the checked one, so the check stays put.
  EXPECT_TRUE(list.IsChecked(4));
  EXPECT_FALSE(list.IsChecked(5));
  for (int index : {-1, 7}) {
    EXPECT_EQ(list.ItemText(index), "");
    EXPECT_FALSE(list.IsChecked(index));
    list.SetCheck(index, true);
  }
  list.Clear();
  EXPECT_EQ(list.ItemCount(), 0);
}

TEST(HeadlessToolkit, RecordsServicesAndCountsSleep) {
  HeadlessToolkit toolkit;
  toolkit.SetSleeping(false);
  toolkit.MessageBox("m");
  toolkit.SetClipboardText("first");
  toolkit.SetClipboardText("");
  toolkit.OpenAddress("http://a/");
  toolkit.Sleep(200);
  toolkit.Sleep(200);
  EXPECT_EQ(toolkit.Messages(), std::vector<std::string>{"m"});
  EXPECT_EQ(toolkit.Clipboard(), "");
  EXPECT_EQ(toolkit.OpenedAddresses(), std::vector<std::string>{"http://a/"});
  EXPECT_EQ(toolkit.SleptMilliseconds(), 400);
}

TEST(HeadlessToolkit, ThreadsShareTheControlsSafely) {
  HeadlessMainWindow window;
  MainControls controls = window.Controls();
  std::atomic<int> finished{0};
  constexpr int kThreads = 4;
  constexpr int kRows = 250;
  for (int t = 0; t < kThreads; ++t) {
    controls.toolkit.StartThread([controls, t, &finished]() mutable {
      for (int i = 0; i < kRows; ++i) {
        // One step: append and fill, as a run does inside Invoke.
        controls.toolkit.Invoke([&] {
          const int row = controls.resultList.AppendRow();
          controls.resultList.SetCellText(row, 0, std::to_string(t));
          controls.linkList.AddItem(std::to_string(t) + ":" + std::to_string(i));
        });
        controls.statusBar.SetStatusText(t % 4, "busy");
      }
      ++finished;
    });
  }
  while (finished.load() < kThreads) std::this_thread::yield();
  EXPECT_EQ(controls.resultList.RowCount(), kThreads * kRows);
  EXPECT_EQ(controls.linkList.ItemCount(), kThreads * kRows);
  for (int i = 0; i < controls.resultList.RowCount(); ++i) ASSERT_FALSE(controls.resultList.GetCellText(i, 0).empty());
  for (int i = 1; i < controls.linkList.ItemCount(); ++i) {
    ASSERT_LE(controls.linkList.ItemText(i - 1), controls.linkList.ItemText(i));
  }
}

}  // namespace
}  // namespace qf
