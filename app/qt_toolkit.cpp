#include "app/qt_toolkit.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <deque>
#include <vector>

#include "app/qt_text.h"
#include "app/widgets.h"
#include "web/codecs.h"

namespace qf {

namespace {

constexpr int kBytesRole = Qt::UserRole;

const char* const kMessageCaption = "信息：";

}  // namespace

namespace {

// Calls waiting for the window thread, from every gate. Each lives on its
// caller's stack until it has run or been taken back. Everything the two
// threads share goes through gCallsLock, which ThreadSanitizer can see; the
// semaphore inside Qt's blocking call only says when to look.
struct PendingCall {
  const std::function<void()>* fn;
  bool taken = false;
  bool done = false;
};
std::mutex gCallsLock;
std::condition_variable gCallsDone;
std::deque<PendingCall*> gCalls;

void ServeCalls() {
  for (;;) {
    PendingCall* call = nullptr;
    {
      std::lock_guard<std::mutex> guard(gCallsLock);
      if (gCalls.empty()) return;
      call = gCalls.front();
      gCalls.pop_front();
      call->taken = true;
    }
    (*call->fn)();
    std::lock_guard<std::mutex> guard(gCallsLock);
    call->done = true;
    gCallsDone.notify_all();
  }
}

// The window thread's end of the calls; a child of the application, so it
// goes with it. Called by name, so no caller's memory crosses with the call.
class CallServer : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~CallServer() override;
  Q_INVOKABLE void serveCalls() {
    ServeCalls();
    HoldPaints();
  }

 private:
  // A worker's writes arrive one blocking call at a time, and the windows
  // would repaint between any two of them: a burst of rows then costs a
  // repaint each. Painting at most every few milliseconds costs nothing the
  // eye can see.
  static constexpr int kPaintIntervalMs = 30;

  void HoldPaints() {
    if (!held_.empty()) return;
    // The windows' controls, not the windows: a native window whose updates
    // are off misses its repaint on some platforms.
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (!window->isVisible()) continue;
      for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isVisible() && control->updatesEnabled()) {
          control->setUpdatesEnabled(false);
          held_.emplace_back(control);
        }
      }
    }
    if (held_.empty()) return;
    QTimer::singleShot(kPaintIntervalMs, this, [this] {
      for (const QPointer<QWidget>& control : held_)
        if (control) control->setUpdatesEnabled(true);
      held_.clear();
    });
  }

  std::vector<QPointer<QWidget>> held_;
};

CallServer* gServer = nullptr;  // under gCallsLock

CallServer::~CallServer() {
  std::lock_guard<std::mutex> guard(gCallsLock);
  if (gServer == this) gServer = nullptr;
}

}  // namespace

WindowGate::WindowGate() : windowThread_(std::this_thread::get_id()) {
  QCoreApplication* application = QCoreApplication::instance();
  std::lock_guard<std::mutex> guard(gCallsLock);
  if (gServer == nullptr && application != nullptr) gServer = new CallServer(application);
}

bool WindowGate::Run(const std::function<void()>& fn) {
  if (OnWindowThread()) {
    fn();
    return true;
  }
  PendingCall call{&fn};
  CallServer* server = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) return false;
    std::lock_guard<std::mutex> calls(gCallsLock);
    if (gServer == nullptr) return false;
    server = gServer;
    ++inFlight_;
    gCalls.push_back(&call);
  }
  // While inFlight_ is raised the window thread does not let the application
  // (and with it the server) go: see Drain.
  QMetaObject::invokeMethod(server, "serveCalls", Qt::BlockingQueuedConnection);
  {
    std::unique_lock<std::mutex> calls(gCallsLock);
    if (!call.taken) {
      // The posted call was dropped unserved (the application went away).
      auto at = std::find(gCalls.begin(), gCalls.end(), &call);
      if (at != gCalls.end()) gCalls.erase(at);
    } else {
      // Another caller's event may have taken this call, and this one's event
      // may have been served from inside it (a modal loop): wait for the end.
      gCallsDone.wait(calls, [&] { return call.done; });
    }
  }
  std::lock_guard<std::mutex> guard(lock_);
  --inFlight_;
  changed_.notify_all();
  return call.taken;
}

void WindowGate::Close() {
  std::lock_guard<std::mutex> guard(lock_);
  closed_ = true;
}

bool WindowGate::IsClosed() const {
  std::lock_guard<std::mutex> guard(lock_);
  return closed_;
}

void WindowGate::WorkerStarted() {
  std::lock_guard<std::mutex> guard(lock_);
  ++workers_;
}

void WindowGate::WorkerEnded() {
  std::lock_guard<std::mutex> guard(lock_);
  --workers_;
  changed_.notify_all();
}

int WindowGate::ActiveWorkers() const {
  std::lock_guard<std::mutex> guard(lock_);
  return workers_;
}

bool WindowGate::Drain(int milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
  for (;;) {
    // Calls already posted run here; they find their widgets gone or closed.
    if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::unique_lock<std::mutex> guard(lock_);
    if (inFlight_ == 0 && workers_ == 0) return true;
    if (Clock::now() >= deadline && inFlight_ == 0) return false;
    changed_.wait_for(guard, std::chrono::milliseconds(5));
  }
}

void DesktopServices::ShowMessage(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

void DesktopServices::SetClipboardText(const QString& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setText(text);
}

void DesktopServices::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

bool IsWebAddress(std::string_view gbkAddress, QUrl* url) {
  const QString text = ToQString(gbkAddress);
  if (!text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
      !text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
    return false;
  }
  QUrl parsed(text, QUrl::TolerantMode);
  if (!parsed.isValid() || parsed.host().isEmpty()) return false;
  const QString scheme = parsed.scheme();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return false;
  if (url != nullptr) *url = parsed;
  return true;
}

QtToolkit::QtToolkit(std::shared_ptr<WindowGate> gate, std::shared_ptr<DesktopServices> desktop)
    : gate_(std::move(gate)), desktop_(std::move(desktop)) {}

void QtToolkit::MessageBox(const std::string& text) {
  const std::string copy(TextView(text));
  gate_->Run([&] { desktop_->ShowMessage(parent_.data(), Caption(kMessageCaption), ToQString(copy)); });
}

void QtToolkit::SetClipboardText(const std::string& text) {
  const std::string copy(TextView(text));
  gate_->Run([&] { desktop_->SetClipboardText(ToQString(copy)); });
}

void QtToolkit::OpenAddress(const std::string& address) {
  QUrl url;
  if (!IsWebAddress(address, &url)) return;
  gate_->Run([&] { desktop_->OpenUrl(url); });
}

void QtToolkit::StartThread(std::function<void()> routine) {
  std::shared_ptr<void> keep = owner_.lock();
  std::shared_ptr<WindowGate> gate = gate_;
  gate->WorkerStarted();
  std::thread([gate, keep = std::move(keep), routine = std::move(routine)]() mutable {
    if (routine) routine();
    // Whatever the routine held goes before the window hears it has ended.
    routine = nullptr;
    keep.reset();
    gate->WorkerEnded();
  }).detach();
}

void QtToolkit::Sleep(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void QtToolkit::Invoke(const std::function<void()>& work) {
  if (gate_->Run(work)) return;
  std::lock_guard<std::recursive_mutex> guard(gate_->ClosedWorkLock());
  work();
}

QtStatusBar::QtStatusBar(std::shared_ptr<WindowGate> gate, StatusPanel* panel)
    : gate_(std::move(gate)), panel_(panel) {}

void QtStatusBar::SetStatusText(int part, const std::string& text) {
  gate_->Run([&] {
    if (StatusPanel* panel = panel_.data()) panel->SetPartText(part, text);
  });
}

std::string QtStatusBar::StatusText(int part) const {
  std::string result;
  gate_->Run([&] {
    if (StatusPanel* panel = panel_.data()) result = panel->PartText(part);
  });
  return result;
}

QtReportList::QtReportList(std::shared_ptr<WindowGate> gate, QTableWidget* table)
    : gate_(std::move(gate)), table_(table) {}

int QtReportList::AppendRow() {
  int row = -1;
  gate_->Run([&] {
    QTableWidget* table = table_.data();
    if (table == nullptr) return;
    row = table->rowCount();
    table->insertRow(row);
  });
  return row;
}

void QtReportList::SetCellText(int row, int column, const std::string& text) {
  gate_->Run([&] {
    QTableWidget* table = table_.data();
    if (table == nullptr || row < 0 || row >= table->rowCount() || column < 0 || column >= table->columnCount()) {
      return;
    }
    auto* item = new QTableWidgetItem(ToQString(text));
    item->setData(kBytesRole, ToBytes(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    table->setItem(row, column, item);
  });
}

std::string QtReportList::GetCellText(int row, int column) const {
  std::string result;
  gate_->Run([&] {
    QTableWidget* table = table_.data();
    if (table == nullptr) return;
    if (const QTableWidgetItem* item = table->item(row, column)) result = FromBytes(item->data(kBytesRole).toByteArray());
  });
  return result;
}

int QtReportList::RowCount() const {
  int count = 0;
  gate_->Run([&] {
    if (QTableWidget* table = table_.data()) count = table->rowCount();
  });
  return count;
}

void QtReportList::DeleteAllRows() {
  gate_->Run([&] {
    if (QTableWidget* table = table_.data()) {
      table->clearSelection();
      table->setRowCount(0);
    }
  });
}

int QtReportList::CurrentSelection() const {
  int selected = -1;
  gate_->Run([&] {
    QTableWidget* table = table_.data();
    if (table == nullptr || table->selectionModel() == nullptr) return;
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    if (!rows.isEmpty()) selected = rows.first().row();
  });
  return selected;
}

QtCheckList::QtCheckList(std::shared_ptr<WindowGate> gate, QListWidget* list) : gate_(std::move(gate)), list_(list) {}

void QtCheckList::AddItem(const std::string& text) {
  const QByteArray bytes = ToBytes(text);
  gate_->Run([&] {
    QListWidget* list = list_.data();
    if (list == nullptr) return;
    // Binary search for the first item whose text sorts after the new one.
    int low = 0;
    int high = list->count();
    while (low < high) {
      const int mid = (low + high) / 2;
      if (bytes < list->item(mid)->data(kBytesRole).toByteArray()) {
        high = mid;
      } else {
        low = mid + 1;
      }
    }
    auto* item = new QListWidgetItem(ToQString(text));
    item->setData(kBytesRole, bytes);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    list->insertItem(low, item);
  });
}

void QtCheckList::Clear() {
  gate_->Run([&] {
    if (QListWidget* list = list_.data()) list->clear();
  });
}

int QtCheckList::ItemCount() const {
  int count = 0;
  gate_->Run([&] {
    if (QListWidget* list = list_.data()) count = list->count();
  });
  return count;
}

std::string QtCheckList::ItemText(int index) const {
  std::string result;
  gate_->Run([&] {
    QListWidget* list = list_.data();
    if (list == nullptr || index < 0 || index >= list->count()) return;
    result = FromBytes(list->item(index)->data(kBytesRole).toByteArray());
  });
  return result;
}

bool QtCheckList::IsChecked(int index) const {
  bool checked = false;
  gate_->Run([&] {
    QListWidget* list = list_.data();
    if (list == nullptr || index < 0 || index >= list->count()) return;
    checked = list->item(index)->checkState() == Qt::Checked;
  });
  return checked;
}

void QtCheckList::SetCheck(int index, bool checked) {
  gate_->Run([&] {
    QListWidget* list = list_.data();
    if (list == nullptr || index < 0 || index >= list->count()) return;
    list->item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  });
}

}  // namespace qf

#include "qt_toolkit.moc"
