// The Qt toolkit services: worker threads reaching the widgets, calls on the
// window thread (also inside a modal loop), closing with workers running,
// GBK at the edge, the open-address filter, the real message box.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/list_commands.h"
#include "app/qt_text.h"
#include "app/seed_preview_window.h"
#include "app/toolkit/headless_toolkit.h"
#include "app/widgets.h"
#include "tests/app/app_fixture.h"

namespace qf::testing {
namespace {

TEST(QtToolkit, WorkerFillsRowsAndStatusWhileTheWindowRuns) {
  WindowFixture f;
  f.window->ShowCentred();
  MainControls controls = f.Controls();
  std::atomic<bool> done{false};
  std::vector<int> indices;
  controls.toolkit.StartThread([controls, &done, &indices]() mutable {
    controls.statusBar.SetStatusText(1, Gbk("执行搜索中..."));
    for (int i = 0; i < 200; ++i) {
      const int row = controls.resultList.AppendRow();
      indices.push_back(row);
      controls.resultList.SetCellText(row, 0, std::to_string(i + 1));
      controls.resultList.SetCellText(row, 1, Gbk("片名") + std::to_string(i));
      // Each call has taken effect when it returns.
      if (controls.resultList.GetCellText(row, 0) != std::to_string(i + 1)) return;
    }
    controls.linkList.AddItem("magnet:?z");
    controls.linkList.AddItem("magnet:?y");
    controls.statusBar.SetStatusText(3, Gbk("获取成功"));
    controls.statusBar.SetStatusText(9, "outside the bar");
    done = true;
  });
  ASSERT_TRUE(SpinUntil([&] { return done.load() && f.window->Gate().ActiveWorkers() == 0; }));
  ASSERT_EQ(controls.resultList.RowCount(), 200);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(indices[i], i);
  EXPECT_EQ(f.window->resultList()->item(199, 1)->text(), U("片名199"));
  EXPECT_EQ(f.window->statusBar()->Part(1)->text(), U("执行搜索中..."));
  EXPECT_EQ(f.window->statusBar()->Part(3)->text(), U("获取成功"));
  EXPECT_EQ(controls.linkList.ItemText(0), "magnet:?y");
}

TEST(QtToolkit, InvokeRunsOnTheWindowThreadAndReturnsWhenDone) {
  WindowFixture f;
  MainControls controls = f.Controls();
  const std::thread::id windowThread = std::this_thread::get_id();
  std::atomic<bool> ranOnWindowThread{false};
  std::atomic<bool> done{false};
  controls.toolkit.StartThread([&, controls]() mutable {
    int value = 0;
    controls.toolkit.Invoke([&] {
      ranOnWindowThread = std::this_thread::get_id() == windowThread;
      // Nested calls from inside the work run directly.
      controls.resultList.AppendRow();
      value = controls.resultList.RowCount();
    });
    done = value == 1;
  });
  ASSERT_TRUE(SpinUntil([&] { return f.window->Gate().ActiveWorkers() == 0; }));
  EXPECT_TRUE(ranOnWindowThread);
  EXPECT_TRUE(done);
  // On the window thread itself nothing waits.
  bool direct = false;
  controls.toolkit.Invoke([&] { direct = true; });
  EXPECT_TRUE(direct);
}

TEST(QtToolkit, WorkerCallsAreServedWhileAModalWindowIsOpen) {
  WindowFixture f;
  f.window->ShowCentred();
  MainControls controls = f.Controls();
  controls.linkList.AddItem("magnet:?a");
  std::atomic<bool> workerDone{false};
  QTimer::singleShot(0, [&] {
    SpinUntil([] { return QApplication::activeModalWidget() != nullptr; }, 2000);
    auto* preview = qobject_cast<SeedPreviewWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(preview, nullptr);
    controls.toolkit.StartThread([&workerDone, controls]() mutable {
      for (int i = 0; i < 20; ++i) controls.resultList.SetCellText(controls.resultList.AppendRow(), 1, "x");
      controls.statusBar.SetStatusText(3, "done");
      workerDone = true;
    });
    EXPECT_TRUE(SpinUntil([&] { return workerDone.load(); }));
    // And a call from the window thread inside the modal loop runs at once.
    controls.statusBar.SetStatusText(1, "direct");
    preview->close();
  });
  f.window->OpenPreview();
  EXPECT_TRUE(workerDone);
  EXPECT_EQ(controls.resultList.RowCount(), 20);
  EXPECT_EQ(controls.statusBar.StatusText(1), "direct");
}

TEST(QtToolkit, ClosingWithAWorkerRunningStopsItPromptly) {
  auto f = std::make_unique<WindowFixture>();
  f->window->ShowCentred();
  MainControls controls = f->Controls();
  // What StopRuns does for a run: make it stale, on the window thread.
  std::atomic<int> generation{0};
  f->log.onStop = [&generation] { ++generation; };
  std::atomic<bool> started{false};
  std::atomic<bool> sawStop{false};
  std::atomic<int> rowsAfterClose{0};
  controls.toolkit.StartThread([controls, &generation, &started, &sawStop, &rowsAfterClose]() mutable {
    const int mine = generation.load();
    started = true;
    for (;;) {
      bool current = false;
      controls.toolkit.Invoke([&] {
        current = generation.load() == mine;
        if (current) controls.resultList.SetCellText(controls.resultList.AppendRow(), 1, "row");
      });
      if (!current) break;
      controls.toolkit.Sleep(1);
    }
    sawStop = true;
    // Calls after the close do not wait for the window and change nothing.
    if (controls.resultList.AppendRow() >= 0) ++rowsAfterClose;
    controls.statusBar.SetStatusText(1, "late");
    controls.linkList.AddItem("late");
  });
  ASSERT_TRUE(SpinUntil([&] { return started.load() && controls.resultList.RowCount() > 5; }));
  f->window->close();
  EXPECT_EQ(f->log.stops, 1);
  EXPECT_TRUE(f->window->Gate().IsClosed());
  EXPECT_TRUE(f->window->Gate().Drain(5000));
  EXPECT_TRUE(sawStop);
  EXPECT_EQ(rowsAfterClose, 0);
  f.reset();  // the window and its widgets go; nothing is left waiting
}

TEST(QtToolkit, AdaptersOutliveTheWindowForThreadsStartedThroughIt) {
  auto f = std::make_unique<WindowFixture>();
  MainControls controls = f->Controls();
  std::atomic<bool> release{false};
  std::atomic<bool> finished{false};
  std::atomic<int> afterwards{-2};
  controls.toolkit.StartThread([controls, &release, &finished, &afterwards]() mutable {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    afterwards = controls.resultList.AppendRow();
    controls.statusBar.SetStatusText(1, "x");
    controls.toolkit.Invoke([&] { controls.linkList.AddItem("y"); });
    finished = true;
  });
  f.reset();
  release = true;
  for (int i = 0; i < 500 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(finished);
  EXPECT_EQ(afterwards, -1);
}

TEST(QtToolkit, TextsKeepTheirBytesAndStopAtAZeroByte) {
  WindowFixture f;
  MainControls controls = f.Controls();
  const std::string label = Gbk("阳光电影①");
  const int row = controls.resultList.AppendRow();
  controls.resultList.SetCellText(row, 2, label);
  controls.resultList.SetCellText(row, 4, std::string("http://a/\0tail", 14));
  EXPECT_EQ(controls.resultList.GetCellText(row, 2), label);
  EXPECT_EQ(f.window->resultList()->item(row, 2)->text(), U("阳光电影①"));
  EXPECT_EQ(controls.resultList.GetCellText(row, 4), "http://a/");
  // Bytes that are no GBK are shown replaced but read back as they were.
  const std::string odd = "\x81\x20\xFF" + Gbk("电影");
  controls.resultList.SetCellText(row, 1, odd);
  controls.statusBar.SetStatusText(1, odd);
  controls.linkList.AddItem(odd);
  EXPECT_EQ(controls.resultList.GetCellText(row, 1), odd);
  EXPECT_EQ(controls.statusBar.StatusText(1), odd);
  EXPECT_EQ(controls.linkList.ItemText(0), odd);
  struct Absent {
    int row;
    int column;
  };
  for (Absent a : {Absent{-1, 0}, Absent{1, 0}, Absent{0, 5}, Absent{0, 3}, Absent{0, -1}}) {
    EXPECT_EQ(controls.resultList.GetCellText(a.row, a.column), "") << a.row << "," << a.column;
  }
  controls.resultList.SetCellText(7, 1, "no such row");
  EXPECT_EQ(controls.resultList.RowCount(), 1);
}

TEST(QtToolkit, CheckListKeepsTheByteOrderOfItsTexts) {
  WindowFixture f;
  CheckList& links = f.Controls().linkList;
  // GBK byte order, as the headless list keeps it; equal texts both stay.
  const std::vector<std::string> added = {Gbk("磁力"), "b", "B", "magnet:?2", Gbk("电驴"), "b", "magnet:?10"};
  HeadlessMainWindow reference;
  for (const std::string& text : added) {
    links.AddItem(text);
    reference.linkList.AddItem(text);
  }
  ASSERT_EQ(links.ItemCount(), reference.linkList.ItemCount());
  for (int i = 0; i < links.ItemCount(); ++i) {
    EXPECT_EQ(links.ItemText(i), reference.linkList.ItemText(i)) << i;
    EXPECT_FALSE(links.IsChecked(i));
  }
  for (int index : {-1, links.ItemCount()}) {
    EXPECT_EQ(links.ItemText(index), "");
    EXPECT_FALSE(links.IsChecked(index));
    links.SetCheck(index, true);  // nothing
  }
  links.Clear();
  EXPECT_EQ(links.ItemCount(), 0);
}

TEST(QtToolkit, CurrentSelectionFollowsTheSelectedRow) {
  WindowFixture f;
  ReportList& results = f.Controls().resultList;
  EXPECT_EQ(results.CurrentSelection(), -1);
  for (int i = 0; i < 3; ++i) results.AppendRow();
  f.window->resultList()->selectRow(2);
  EXPECT_EQ(results.CurrentSelection(), 2);
  results.DeleteAllRows();
  EXPECT_EQ(results.CurrentSelection(), -1);
  EXPECT_EQ(results.RowCount(), 0);
}

TEST(OpenAddress, OnlyWebAddressesReachTheOpenAction) {
  struct Case {
    const char* address;
    bool opened;
  };
  const Case cases[] = {
      {"http://www.example.com/movie/1.html", true},
      {"https://example.com/?q=%B2%E2", true},
      {"HTTP://Example.com/", true},
      {"http://example.com/电影/", true},
      {"", false},
      {"file:///etc/passwd", false},
      {"javascript:alert(1)", false},
      {"/usr/bin/xterm", false},
      {"C:\\Windows\\notepad.exe", false},
      {"ftp://example.com/a", false},
      {"magnet:?xt=urn:btih:abc", false},
      {"http://", false},
      {"http:///path", false},
      {" http://example.com/", false},
      {"httpx://example.com/", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    WindowFixture f;
    f.Controls().toolkit.OpenAddress(Gbk(c.address));
    EXPECT_EQ(f.desktop->opened.size(), c.opened ? 1u : 0u);
    EXPECT_EQ(IsWebAddress(Gbk(c.address)), c.opened);
  }
}

TEST(MessageBox, ModalBoxWithTheCaptionAndAnOkButton) {
  // The program's own box service, not the recording one.
  auto desktop = std::make_shared<DesktopServices>();
  HookLog log;
  MainWindow window(RecordingHooks(log), desktop);
  window.ShowCentred();
  QString caption;
  QString text;
  bool hadOk = false;
  QTimer::singleShot(0, [&] {
    SpinUntil([] { return QApplication::activeModalWidget() != nullptr; }, 2000);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    text = box->text();
    hadOk = box->button(QMessageBox::Ok) != nullptr && box->buttons().size() == 1;
    box->button(QMessageBox::Ok)->click();
  });
  window.StartCommand();  // empty keyword
  EXPECT_EQ(caption, U("信息："));
  EXPECT_EQ(text, U("请输入关键词"));
  EXPECT_TRUE(hadOk);
}

TEST(MessageBox, AWorkerShowsItOnTheWindowThreadAndWaits) {
  WindowFixture f;
  std::atomic<bool> returned{false};
  f.Controls().toolkit.StartThread([controls = f.Controls(), &returned]() mutable {
    controls.toolkit.MessageBox(Gbk("获取失败！请重试！"));
    returned = true;
  });
  ASSERT_TRUE(SpinUntil([&] { return returned.load(); }));
  std::lock_guard<std::mutex> guard(f.desktop->lock);
  ASSERT_EQ(f.desktop->messages.size(), 1u);
  EXPECT_EQ(f.desktop->messages[0].text, U("获取失败！请重试！"));
}

}  // namespace
}  // namespace qf::testing
