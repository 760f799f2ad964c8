// The program's main window: keyword, results, links and their commands.
#pragma once

#include <QListWidget>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/qt_toolkit.h"
#include "app/toolkit/toolkit.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QAction;

namespace qf {

class ResultTable;
class StatusPanel;

// What the window hands over to the runs and to the skin. The defaults are
// the program's hooks; tests put their own in.
struct MainWindowHooks {
  std::function<void(MainControls&, const std::string&)> startSearch;
  std::function<void(MainControls&)> startLinks;
  std::function<void()> stopRuns;
  std::function<void()> applySkin;
  static MainWindowHooks Program();
};

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kOuterWidth = 788;
  static constexpr int kOuterHeight = 406;

  explicit MainWindow(MainWindowHooks hooks = MainWindowHooks::Program(),
                      std::shared_ptr<DesktopServices> desktop = std::make_shared<DesktopServices>());
  ~MainWindow() override;

  // The controls as the runs see them; valid while the window lives, and
  // for threads started through its toolkit until they end.
  MainControls Controls();
  WindowGate& Gate() { return *gate_; }
  // Places the window centred for its outer size and shows it.
  void ShowCentred();

  QLineEdit* keywordEdit() const { return keywordEdit_; }
  ResultTable* resultList() const { return resultList_; }
  QListWidget* linkList() const { return linkList_; }
  StatusPanel* statusBar() const { return statusBar_; }
  QMenu* resultMenu() const { return resultMenu_; }

  // The handlers, also reachable from tests.
  void StartCommand();
  void ResultLeftClick();
  void ResultRightClick();
  void OpenSource();
  void CopyAddress();
  void CopySeed();
  void SelectAll();
  void Invert();
  void SelectNone();
  void CopyLinks();
  void OpenPreview();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct Bridge;
  void BuildControls();
  void ApplyOuterSize();
  void Shutdown();
  std::string SelectedAddress();

  MainWindowHooks hooks_;
  std::shared_ptr<WindowGate> gate_;
  std::shared_ptr<Bridge> bridge_;
  bool shutDown_ = false;

  QLineEdit* keywordEdit_ = nullptr;
  QPushButton* startButton_ = nullptr;
  ResultTable* resultList_ = nullptr;
  QListWidget* linkList_ = nullptr;
  QPushButton* selectAllButton_ = nullptr;
  QPushButton* invertButton_ = nullptr;
  QPushButton* selectNoneButton_ = nullptr;
  QPushButton* copyLinksButton_ = nullptr;
  QPushButton* openPreviewButton_ = nullptr;
  StatusPanel* statusBar_ = nullptr;
  QMenu* resultMenu_ = nullptr;
};

}  // namespace qf
