// An in-memory toolkit for tests and the command line: the controls are plain
// data behind one lock, so any thread may call them.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/toolkit/toolkit.h"

namespace qf {

class HeadlessStatusBar : public StatusBar {
 public:
  HeadlessStatusBar(std::recursive_mutex& lock, int parts);
  void SetStatusText(int part, const std::string& text) override;
  std::string StatusText(int part) const override;
  // Every text set, in order, as (part, text); for tests and the command line.
  std::vector<std::pair<int, std::string>> History() const;
  void OnChange(std::function<void(int, const std::string&)> listener);

 private:
  std::recursive_mutex& lock_;
  std::vector<std::string> parts_;
  std::vector<std::pair<int, std::string>> history_;
  std::function<void(int, const std::string&)> listener_;
};

class HeadlessReportList : public ReportList {
 public:
  HeadlessReportList(std::recursive_mutex& lock, int columns);
  int AppendRow() override;
  void SetCellText(int row, int column, const std::string& text) override;
  std::string GetCellText(int row, int column) const override;
  int RowCount() const override;
  void DeleteAllRows() override;
  int CurrentSelection() const override;
  void Select(int row);  // -1 clears the selection

 private:
  std::recursive_mutex& lock_;
  int columns_;
  std::vector<std::vector<std::string>> rows_;
  int selection_ = -1;
};

class HeadlessCheckList : public CheckList {
 public:
  explicit HeadlessCheckList(std::recursive_mutex& lock);
  void AddItem(const std::string& text) override;
  void Clear() override;
  int ItemCount() const override;
  std::string ItemText(int index) const override;
  bool IsChecked(int index) const override;
  void SetCheck(int index, bool checked) override;

 private:
  struct Item {
    std::string text;
    bool checked = false;
  };
  std::recursive_mutex& lock_;
  std::vector<Item> items_;
};

class HeadlessToolkit : public Toolkit {
 public:
  void MessageBox(const std::string& text) override;
  void SetClipboardText(const std::string& text) override;
  void OpenAddress(const std::string& address) override;
  void StartThread(std::function<void()> routine) override;
  void Sleep(int milliseconds) override;
  void Invoke(const std::function<void()>& work) override;

  std::recursive_mutex& Lock() { return lock_; }
  std::vector<std::string> Messages() const;
  std::string Clipboard() const;
  std::vector<std::string> OpenedAddresses() const;
  // Total milliseconds asked of Sleep; when sleeping is off, Sleep only counts.
  long long SleptMilliseconds() const;
  void SetSleeping(bool really) { reallySleep_ = really; }

 private:
  mutable std::recursive_mutex lock_;
  std::vector<std::string> messages_;
  std::string clipboard_;
  std::vector<std::string> opened_;
  long long slept_ = 0;
  bool reallySleep_ = true;
};

// The main window's controls without a window: four status parts, the five
// result columns, the link list.
struct HeadlessMainWindow {
  HeadlessMainWindow();
  HeadlessToolkit toolkit;
  HeadlessStatusBar statusBar;
  HeadlessReportList resultList;
  HeadlessCheckList linkList;
  MainControls Controls() { return {toolkit, statusBar, resultList, linkList}; }
};

}  // namespace qf
