// A main window with recorded hooks and desktop services.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QString>
#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/qt_toolkit.h"
#include "web/codecs.h"

namespace qf::testing {

inline std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8); }
inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

class RecordingDesktop : public DesktopServices {
 public:
  struct Message {
    QString caption;
    QString text;
  };
  void ShowMessage(QWidget* /*parent*/, const QString& caption, const QString& text) override {
    std::lock_guard<std::mutex> guard(lock);
    messages.push_back({caption, text});
  }
  void SetClipboardText(const QString& text) override {
    std::lock_guard<std::mutex> guard(lock);
    clipboard.push_back(text);
  }
  void OpenUrl(const QUrl& url) override {
    std::lock_guard<std::mutex> guard(lock);
    opened.push_back(url);
  }
  std::mutex lock;
  std::vector<Message> messages;
  std::vector<QString> clipboard;
  std::vector<QUrl> opened;
};

struct HookLog {
  std::vector<std::string> searches;
  int linkRuns = 0;
  int stops = 0;
  int skins = 0;
  std::function<void(MainControls&)> onSearch;
  std::function<void(MainControls&)> onLinks;
  std::function<void()> onStop;
};

inline MainWindowHooks RecordingHooks(HookLog& log) {
  MainWindowHooks hooks;
  hooks.startSearch = [&log](MainControls& controls, const std::string& keyword) {
    log.searches.push_back(keyword);
    if (log.onSearch) log.onSearch(controls);
  };
  hooks.startLinks = [&log](MainControls& controls) {
    ++log.linkRuns;
    if (log.onLinks) log.onLinks(controls);
  };
  hooks.stopRuns = [&log] {
    ++log.stops;
    if (log.onStop) log.onStop();
  };
  hooks.applySkin = [&log] { ++log.skins; };
  return hooks;
}

// Serves the event loop until the condition holds or the time is up.
inline bool SpinUntil(const std::function<bool()>& done, int milliseconds = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > milliseconds) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

struct WindowFixture {
  WindowFixture() : desktop(std::make_shared<RecordingDesktop>()) {
    window = std::make_unique<MainWindow>(RecordingHooks(log), desktop);
  }
  MainControls Controls() { return window->Controls(); }
  HookLog log;
  std::shared_ptr<RecordingDesktop> desktop;
  std::unique_ptr<MainWindow> window;
};

}  // namespace qf::testing
