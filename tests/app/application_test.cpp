// The whole program in a child process: however the main window is closed,
// and whatever runs are still going, it ends promptly with exit code 0.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "app/application.h"
#include "app/main_window.h"
#include "skin/skin.h"

namespace qf {
namespace {

using Scenario = std::function<void(MainWindow&)>;
Scenario gScenario;

MainWindow* FindMainWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<MainWindow*>(widget)) return window;
  }
  return nullptr;
}

// Runs once the application exists: waits for the main window, then acts.
void StartScenario() {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [] {
        QTimer::singleShot(100, [] {
          if (MainWindow* window = FindMainWindow()) {
            gScenario(*window);
          } else {
            std::_Exit(3);
          }
        });
      },
      Qt::QueuedConnection);
}

struct Outcome {
  bool exited = false;
  int code = -1;
};

Outcome RunProgram(Scenario scenario) {
  const pid_t child = fork();
  if (child == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    gScenario = std::move(scenario);
    qAddPreRoutine(StartScenario);
    char name[] = "quillfen";
    char* argv[] = {name, nullptr};
    std::exit(RunApplication(1, argv));
  }
  Outcome outcome;
  int status = 0;
  for (int i = 0; i < 400; ++i) {  // 20 s, then it counts as a hang
    if (waitpid(child, &status, WNOHANG) == child) {
      outcome.exited = WIFEXITED(status);
      outcome.code = outcome.exited ? WEXITSTATUS(status) : -1;
      return outcome;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return outcome;
}

TEST(Application, ExitCodeIsZeroHoweverTheWindowIsClosed) {
  struct Case {
    const char* how;
    Scenario scenario;
  };
  const Case cases[] = {
      {"close", [](MainWindow& w) { w.close(); }},
      {"all windows", [](MainWindow&) { QApplication::closeAllWindows(); }},
      {"loop ended", [](MainWindow&) { QApplication::quit(); }},
      {"exit code asked", [](MainWindow&) { QApplication::exit(5); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    const Outcome outcome = RunProgram(c.scenario);
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.code, 0);
  }
}

// The engine is mapped before the main window exists, so the window's
// creation dresses the program; a child that finds otherwise ends with 4.
TEST(Application, TheMainWindowIsDressedByTheEngineLoadedAtStartUp) {
  const Outcome outcome = RunProgram([](MainWindow& window) {
    const bool mapped = SkinModule != nullptr && SkinModule->FindExport("SkinH_AttachRes") != 0;
    if (!mapped || qApp->styleSheet().isEmpty()) std::_Exit(4);
    window.close();
  });
  EXPECT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.code, 0);
}

TEST(Application, ClosingEndsPromptlyWithRunsStillGoing) {
  struct Case {
    const char* run;
    std::function<void(MainControls)> routine;
  };
  const Case cases[] = {
      // Keeps writing until the window stops taking its calls.
      {"writing rows",
       [](MainControls controls) {
         while (controls.resultList.AppendRow() >= 0) controls.toolkit.Sleep(1);
       }},
      // Ignores everything, as a request stuck in the network would.
      {"stuck", [](MainControls) { std::this_thread::sleep_for(std::chrono::seconds(60)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.run);
    auto routine = c.routine;
    const Outcome outcome = RunProgram([routine](MainWindow& window) {
      MainControls controls = window.Controls();
      for (int i = 0; i < 3; ++i) controls.toolkit.StartThread([routine, controls] { routine(controls); });
      QTimer::singleShot(50, &window, [&window] { window.close(); });
    });
    EXPECT_TRUE(outcome.exited) << "still running after 20 s: a hang";
    EXPECT_EQ(outcome.code, 0);
  }
}

}  // namespace
}  // namespace qf
