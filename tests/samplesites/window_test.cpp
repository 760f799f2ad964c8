// The program's main window with its real run hooks, against the sample sites.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableWidget>
#include <cstdlib>
#include <functional>
#include <thread>

#include "app/main_window.h"
#include "app/widgets.h"
#include "samplesites/sample_sites.h"
#include "web/codecs.h"

namespace qf {
namespace {

bool SpinUntil(const std::function<bool()>& done, int milliseconds = 15000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sites_ = new samplesites::SampleSites;
    samplesites::ConnectToSampleSites(*sites_);
  }
  static void TearDownTestSuite() {
    samplesites::DisconnectFromSampleSites();
    delete sites_;
  }
  void SetUp() override {
    ASSERT_TRUE(sites_->Started()) << sites_->Error();
    sites_->HoldResponses(false);
    window = std::make_unique<MainWindow>();
    window->ShowCentred();
  }
  void TearDown() override {
    window->close();
    sites_->HoldResponses(false);
    EXPECT_TRUE(window->Gate().Drain(10000));
    window.reset();
  }

  void Start(const char* keyword) {
    window->keywordEdit()->setText(QString::fromUtf8(keyword));
    window->StartCommand();
  }
  std::string Status(int part) { return window->Controls().statusBar.StatusText(part); }
  std::string Cell(int row, int column) { return GbkToUtf8(window->Controls().resultList.GetCellText(row, column)); }

  static inline samplesites::SampleSites* sites_ = nullptr;
  std::unique_ptr<MainWindow> window;
};

TEST_F(WindowTest, SearchThenClickAResult) {
  Start("地球");
  ASSERT_TRUE(SpinUntil([&] { return Status(1) == G("全部获取完毕！共获取[ 26 ]条信息！"); })) << GbkToUtf8(Status(1));
  MainControls controls = window->Controls();
  ASSERT_EQ(controls.resultList.RowCount(), 26);
  EXPECT_EQ(Cell(4, 2), "电影港");
  EXPECT_EQ(Cell(4, 1), "流浪地球2 HD国语中字");

  window->resultList()->selectRow(4);
  window->ResultLeftClick();
  ASSERT_TRUE(SpinUntil([&] { return Status(3) == G("获取完成！成功获取[ 3 ]条种子数据！"); })) << GbkToUtf8(Status(3));
  EXPECT_EQ(controls.linkList.ItemCount(), 3);
  EXPECT_EQ(controls.linkList.ItemText(0), "ftp://dy:dy@dl.example-mirror.cn:21/The.Wandering.Earth.II.HD.mkv");
}

TEST_F(WindowTest, ANewStartSupersedesTheRunningSearch) {
  sites_->HoldResponses(true);
  Start("地球");
  ASSERT_TRUE(SpinUntil([&] { return sites_->HeldCount() == 1; }));
  Start("三体");
  sites_->HoldResponses(false);
  ASSERT_TRUE(SpinUntil([&] { return Status(1) == G("全部获取完毕！共获取[ 13 ]条信息！"); })) << GbkToUtf8(Status(1));
  MainControls controls = window->Controls();
  ASSERT_EQ(controls.resultList.RowCount(), 13);
  for (int row = 0; row < 13; ++row) {
    EXPECT_EQ(Cell(row, 0), std::to_string(row + 1));
    EXPECT_NE(Cell(row, 1).find("三体"), std::string::npos) << Cell(row, 1);
  }
  // Nothing of the older run arrives later either.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  QCoreApplication::processEvents();
  EXPECT_EQ(controls.resultList.RowCount(), 13);
}

TEST_F(WindowTest, ClosingTheWindowStopsARunInFlight) {
  sites_->HoldResponses(true);
  Start("地球");
  ASSERT_TRUE(SpinUntil([&] { return sites_->HeldCount() == 1; }));
  MainControls controls = window->Controls();
  const int row = controls.resultList.AppendRow();
  controls.resultList.SetCellText(row, 2, G("七七铺"));
  controls.resultList.SetCellText(row, 4, "http://www.77pu.com/movie/1001.html");
  window->resultList()->selectRow(row);
  window->ResultLeftClick();
  ASSERT_TRUE(SpinUntil([&] { return sites_->HeldCount() == 2; }));
  window->close();
  // Both runs give up their requests while the server still holds them.
  EXPECT_TRUE(window->Gate().Drain(5000));
  EXPECT_EQ(window->Gate().ActiveWorkers(), 0);
}

}  // namespace
}  // namespace qf

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
