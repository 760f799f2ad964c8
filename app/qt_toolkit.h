// The toolkit services over Qt widgets. The widgets live on the window
// thread; a call from another thread is carried there with a blocking queued
// call and has taken effect when it returns, and a call on the window thread
// runs at once, also inside a modal window's loop.
//
// When the main window closes, its gate closes: from then on calls from
// workers return at once (reads give empty text, 0 or -1), and Invoke runs
// its work on the caller's thread, one at a time, so a run can still see that
// it has been stopped. The adapters stay alive while any thread started with
// StartThread runs.
#pragma once

#include <QListWidget>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "app/toolkit/toolkit.h"

class QTableWidget;

namespace qf {

class StatusPanel;

class WindowGate {
 public:
  WindowGate();  // on the window thread
  bool OnWindowThread() const { return std::this_thread::get_id() == windowThread_; }
  // Runs fn on the window thread and waits for it. False, with fn not run,
  // when the gate is closed or there is no application.
  bool Run(const std::function<void()>& fn);
  void Close();  // window thread
  bool IsClosed() const;
  // Serialises the work that Invoke runs on callers' threads after closing.
  std::recursive_mutex& ClosedWorkLock() { return closedWork_; }

  void WorkerStarted();
  void WorkerEnded();
  int ActiveWorkers() const;
  // Window thread: serves carried calls until none is in flight and every
  // worker has ended, or until the time is up. True when all workers ended.
  bool Drain(int milliseconds);

 private:
  std::thread::id windowThread_;
  mutable std::mutex lock_;
  std::condition_variable changed_;
  bool closed_ = false;
  int inFlight_ = 0;
  int workers_ = 0;
  std::recursive_mutex closedWork_;
};

// What leaves the program: message boxes, the clipboard, the open action.
// Tests put a recording one in its place.
class DesktopServices {
 public:
  virtual ~DesktopServices() = default;
  virtual void ShowMessage(QWidget* parent, const QString& caption, const QString& text);
  virtual void SetClipboardText(const QString& text);
  virtual void OpenUrl(const QUrl& url);
};

// Only http:// and https:// addresses with a host go to the open action: the
// address comes from a web page.
bool IsWebAddress(std::string_view gbkAddress, QUrl* url = nullptr);

class QtToolkit : public Toolkit {
 public:
  QtToolkit(std::shared_ptr<WindowGate> gate, std::shared_ptr<DesktopServices> desktop);
  void SetDialogParent(QWidget* parent) { parent_ = parent; }  // window thread
  // What StartThread keeps alive for as long as its thread runs.
  void SetKeepAlive(std::weak_ptr<void> owner) { owner_ = std::move(owner); }

  void MessageBox(const std::string& text) override;
  void SetClipboardText(const std::string& text) override;
  void OpenAddress(const std::string& address) override;
  void StartThread(std::function<void()> routine) override;
  void Sleep(int milliseconds) override;
  void Invoke(const std::function<void()>& work) override;

 private:
  std::shared_ptr<WindowGate> gate_;
  std::shared_ptr<DesktopServices> desktop_;
  QPointer<QWidget> parent_;
  std::weak_ptr<void> owner_;
};

class QtStatusBar : public StatusBar {
 public:
  QtStatusBar(std::shared_ptr<WindowGate> gate, StatusPanel* panel);
  void SetStatusText(int part, const std::string& text) override;
  std::string StatusText(int part) const override;

 private:
  std::shared_ptr<WindowGate> gate_;
  QPointer<StatusPanel> panel_;
};

class QtReportList : public ReportList {
 public:
  QtReportList(std::shared_ptr<WindowGate> gate, QTableWidget* table);
  int AppendRow() override;
  void SetCellText(int row, int column, const std::string& text) override;
  std::string GetCellText(int row, int column) const override;
  int RowCount() const override;
  void DeleteAllRows() override;
  int CurrentSelection() const override;

 private:
  std::shared_ptr<WindowGate> gate_;
  QPointer<QTableWidget> table_;
};

// Items hold their GBK bytes beside the shown text and are kept in the byte
// order of those texts, an equal text after those already there.
class QtCheckList : public CheckList {
 public:
  QtCheckList(std::shared_ptr<WindowGate> gate, QListWidget* list);
  void AddItem(const std::string& text) override;
  void Clear() override;
  int ItemCount() const override;
  std::string ItemText(int index) const override;
  bool IsChecked(int index) const override;
  void SetCheck(int index, bool checked) override;

 private:
  std::shared_ptr<WindowGate> gate_;
  QPointer<QListWidget> list_;
};

}  // namespace qf
