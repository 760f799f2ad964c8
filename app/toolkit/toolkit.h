// The window toolkit services that the search and link runs use, without Qt.
// Any thread may call them; each call has taken effect when it returns. Texts
// are GBK.
#pragma once

#include <functional>
#include <string>

namespace qf {

class StatusBar {
 public:
  virtual ~StatusBar() = default;
  // A part index outside the bar does nothing.
  virtual void SetStatusText(int part, const std::string& text) = 0;
  virtual std::string StatusText(int part) const = 0;
};

class ReportList {
 public:
  virtual ~ReportList() = default;
  virtual int AppendRow() = 0;  // returns the new row's index
  virtual void SetCellText(int row, int column, const std::string& text) = 0;
  virtual std::string GetCellText(int row, int column) const = 0;  // empty when absent
  virtual int RowCount() const = 0;
  virtual void DeleteAllRows() = 0;
  virtual int CurrentSelection() const = 0;  // -1 when none
};

// Items are kept sorted by text; indices count in that order.
class CheckList {
 public:
  virtual ~CheckList() = default;
  virtual void AddItem(const std::string& text) = 0;  // unchecked
  virtual void Clear() = 0;
  virtual int ItemCount() const = 0;
  virtual std::string ItemText(int index) const = 0;  // empty when out of range
  virtual bool IsChecked(int index) const = 0;
  virtual void SetCheck(int index, bool checked) = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  virtual void MessageBox(const std::string& text) = 0;  // caption "信息："
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual void OpenAddress(const std::string& address) = 0;
  virtual void StartThread(std::function<void()> routine) = 0;  // detached
  virtual void Sleep(int milliseconds) = 0;
  // Runs the function where the controls live (the window thread) and returns
  // when it is done; a call from that thread runs it at once. A run uses it to
  // make "is this run still current?" and its writes one step.
  virtual void Invoke(const std::function<void()>& work) = 0;
};

// The main window's controls and services, as the runs see them.
struct MainControls {
  Toolkit& toolkit;
  StatusBar& statusBar;
  ReportList& resultList;
  CheckList& linkList;
};

}  // namespace qf
