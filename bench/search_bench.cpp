// The search run against the sample sites, beside the 2.6 s its thirteen
// pauses fix, and rows added from a worker to the Qt result list, beside the
// same rows into the in-memory list.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/main_window.h"
#include "app/toolkit/headless_toolkit.h"
#include "samplesites/sample_sites.h"
#include "search/search_run.h"
#include "web/codecs.h"

namespace qf {
namespace {

constexpr int kRows = 2000;

void BM_ThirteenPausesAlone(benchmark::State& state) {
  for (auto _ : state)
    for (int i = 0; i < 13; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(200));
}
BENCHMARK(BM_ThirteenPausesAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void SearchOnce(benchmark::State& state, bool realPauses) {
  int rows = 0;
  for (auto _ : state) {
    HeadlessMainWindow window;
    window.toolkit.SetSleeping(realPauses);
    SearchState search;
    RunGate gate;
    MainControls controls = window.Controls();
    auto ticket = PrepareSearch(controls, search, gate, Utf8ToGbk("地球"));
    RunSearch(controls, search, *ticket);
    rows = window.resultList.RowCount();
  }
  state.counters["rows"] = rows;
}

// Thirteen requests over loopback, their pages matched, 26 rows written.
void BM_WholeSearchRun(benchmark::State& state) { SearchOnce(state, true); }
BENCHMARK(BM_WholeSearchRun)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The same run with the pauses only counted: the run's own overhead.
void BM_WholeSearchRunWithoutPauses(benchmark::State& state) { SearchOnce(state, false); }
BENCHMARK(BM_WholeSearchRunWithoutPauses)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// One row as a site query writes it: count, append, cells 0, 1, 2, 4 in one step.
void AddRows(MainControls& controls, const RunTicket& ticket) {
  const std::string title = Utf8ToGbk("2023年科幻《流浪地球2》HD国语中字");
  const std::string label = Utf8ToGbk("阳光电影①");
  for (int i = 1; i <= kRows; ++i) {
    WhileCurrent(controls.toolkit, ticket, [&] {
      const int row = controls.resultList.AppendRow();
      controls.resultList.SetCellText(row, kColumnNumber, std::to_string(i));
      controls.resultList.SetCellText(row, kColumnTitle, title);
      controls.resultList.SetCellText(row, kColumnLabel, label);
      controls.resultList.SetCellText(row, kColumnAddress, "http://www.ygdy8.com/html/gndy/dyzz/20230301/1001.html");
    });
  }
}

void BM_RowsFromWorkerToHeadlessList(benchmark::State& state) {
  for (auto _ : state) {
    HeadlessMainWindow window;
    MainControls controls = window.Controls();
    RunTicket ticket;
    std::thread worker([&] { AddRows(controls, ticket); });
    worker.join();
  }
  state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RowsFromWorkerToHeadlessList)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The worker's calls are carried to this thread, which runs the event loop.
void BM_RowsFromWorkerToQtList(benchmark::State& state) {
  MainWindow window(MainWindowHooks{});
  window.ShowCentred();
  MainControls controls = window.Controls();
  int shown = 0;
  for (auto _ : state) {
    controls.resultList.DeleteAllRows();
    RunTicket ticket;
    QEventLoop loop;
    std::thread worker([&] {
      AddRows(controls, ticket);
      QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    shown = controls.resultList.RowCount();
  }
  state.counters["rows"] = shown;
  state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RowsFromWorkerToQtList)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same rows written on the window thread itself: what the list costs
// without the carrying of calls.
void BM_RowsOnWindowThreadToQtList(benchmark::State& state) {
  MainWindow window(MainWindowHooks{});
  window.ShowCentred();
  MainControls controls = window.Controls();
  for (auto _ : state) {
    controls.resultList.DeleteAllRows();
    RunTicket ticket;
    AddRows(controls, ticket);
    QCoreApplication::processEvents();
  }
  state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RowsOnWindowThreadToQtList)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace qf

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  qf::samplesites::SampleSites sites;
  if (!qf::samplesites::ConnectToSampleSites(sites)) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
