#include "app/toolkit/headless_toolkit.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace qf {

using Guard = std::lock_guard<std::recursive_mutex>;

HeadlessStatusBar::HeadlessStatusBar(std::recursive_mutex& lock, int parts) : lock_(lock), parts_(parts) {}

void HeadlessStatusBar::SetStatusText(int part, const std::string& text) {
  Guard guard(lock_);
  if (part < 0 || part >= static_cast<int>(parts_.size())) return;
  parts_[part] = text;
  history_.emplace_back(part, text);
  if (listener_) listener_(part, text);
}

std::string HeadlessStatusBar::StatusText(int part) const {
  Guard guard(lock_);
  if (part < 0 || part >= static_cast<int>(parts_.size())) return {};
  return parts_[part];
}

std::vector<std::pair<int, std::string>> HeadlessStatusBar::History() const {
  Guard guard(lock_);
  return history_;
}

void HeadlessStatusBar::OnChange(std::function<void(int, const std::string&)> listener) {
  Guard guard(lock_);
  listener_ = std::move(listener);
}

HeadlessReportList::HeadlessReportList(std::recursive_mutex& lock, int columns) : lock_(lock), columns_(columns) {}

int HeadlessReportList::AppendRow() {
  Guard guard(lock_);
  rows_.emplace_back(columns_);
  return static_cast<int>(rows_.size()) - 1;
}

void HeadlessReportList::SetCellText(int row, int column, const std::string& text) {
  Guard guard(lock_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= columns_) return;
  rows_[row][column] = text;
}

std::string HeadlessReportList::GetCellText(int row, int column) const {
  Guard guard(lock_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= columns_) return {};
  return rows_[row][column];
}

int HeadlessReportList::RowCount() const {
  Guard guard(lock_);
  return static_cast<int>(rows_.size());
}

void HeadlessReportList::DeleteAllRows() {
  Guard guard(lock_);
  rows_.clear();
  selection_ = -1;
}

int HeadlessReportList::CurrentSelection() const {
  Guard guard(lock_);
  return selection_;
}

void HeadlessReportList::Select(int row) {
  Guard guard(lock_);
  selection_ = (row >= 0 && row < static_cast<int>(rows_.size())) ? row : -1;
}

HeadlessCheckList::HeadlessCheckList(std::recursive_mutex& lock) : lock_(lock) {}

void HeadlessCheckList::AddItem(const std::string& text) {
  Guard guard(lock_);
  // After the equal texts already there, as a sorted list box inserts.
  auto at = std::upper_bound(items_.begin(), items_.end(), text,
                             [](const std::string& t, const Item& item) { return t < item.text; });
  items_.insert(at, Item{text, false});
}

void HeadlessCheckList::Clear() {
  Guard guard(lock_);
  items_.clear();
}

int HeadlessCheckList::ItemCount() const {
  Guard guard(lock_);
  return static_cast<int>(items_.size());
}

std::string HeadlessCheckList::ItemText(int index) const {
  Guard guard(lock_);
  if (index < 0 || index >= static_cast<int>(items_.size())) return {};
  return items_[index].text;
}

bool HeadlessCheckList::IsChecked(int index) const {
  Guard guard(lock_);
  if (index < 0 || index >= static_cast<int>(items_.size())) return false;
  return items_[index].checked;
}

void HeadlessCheckList::SetCheck(int index, bool checked) {
  Guard guard(lock_);
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  items_[index].checked = checked;
}

void HeadlessToolkit::MessageBox(const std::string& text) {
  Guard guard(lock_);
  messages_.push_back(text);
}

void HeadlessToolkit::SetClipboardText(const std::string& text) {
  Guard guard(lock_);
  clipboard_ = text;
}

void HeadlessToolkit::OpenAddress(const std::string& address) {
  Guard guard(lock_);
  opened_.push_back(address);
}

void HeadlessToolkit::StartThread(std::function<void()> routine) { std::thread(std::move(routine)).detach(); }

void HeadlessToolkit::Sleep(int milliseconds) {
  {
    Guard guard(lock_);
    slept_ += milliseconds;
  }
  if (reallySleep_ && milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void HeadlessToolkit::Invoke(const std::function<void()>& work) {
  Guard guard(lock_);
  work();
}

std::vector<std::string> HeadlessToolkit::Messages() const {
  Guard guard(lock_);
  return messages_;
}

std::string HeadlessToolkit::Clipboard() const {
  Guard guard(lock_);
  return clipboard_;
}

std::vector<std::string> HeadlessToolkit::OpenedAddresses() const {
  Guard guard(lock_);
  return opened_;
}

long long HeadlessToolkit::SleptMilliseconds() const {
  Guard guard(lock_);
  return slept_;
}

HeadlessMainWindow::HeadlessMainWindow()
    : statusBar(toolkit.Lock(), 4), resultList(toolkit.Lock(), 5), linkList(toolkit.Lock()) {}

}  // namespace qf
