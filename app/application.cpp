#include "app/application.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/app_icon.h"
#include "app/main_window.h"
#include "app/run_hooks.h"
#include "app/skin_hooks.h"

namespace qf {

namespace {

// How long closing waits for runs that were told to stop.
constexpr int kStopGraceMilliseconds = 1500;

// Runs only once every worker has left (see below), so nothing it releases is in use.
void ExitRoutine() {
  DestroySkinModule();
  ReleaseSearchState();
}

}  // namespace

int RunApplication(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setWindowIcon(ApplicationIcon());
  CreateSkinModule();
  static const bool registered = std::atexit(ExitRoutine) == 0;
  (void)registered;
  LoadSkinEngine();

  auto* window = new MainWindow();
  window->ShowCentred();
  QApplication::exec();
  window->close();  // also when the loop was ended some other way

  // Runs that have not left by now are not waited for: the process ends
  // before anything they might still use is released.
  if (!window->Gate().Drain(kStopGraceMilliseconds)) {
    std::fflush(nullptr);
    std::_Exit(0);
  }
  delete window;
  return 0;
}

}  // namespace qf
