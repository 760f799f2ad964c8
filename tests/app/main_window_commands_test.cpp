// The main window's handlers: start command, clicks on the results, the
// menu, the check and copy buttons and the preview button.
#include <gtest/gtest.h>

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "app/qt_text.h"
#include "app/widgets.h"
#include "tests/app/app_fixture.h"

namespace qf::testing {
namespace {

void AddRows(MainControls& controls, const std::vector<std::string>& addresses) {
  for (const std::string& address : addresses) {
    const int row = controls.resultList.AppendRow();
    controls.resultList.SetCellText(row, 0, std::to_string(row + 1));
    controls.resultList.SetCellText(row, 2, Gbk("电影港"));
    controls.resultList.SetCellText(row, 4, address);
  }
}

QPoint CellCentre(ResultTable* list, int row, int column) {
  return list->visualRect(list->model()->index(row, column)).center();
}

void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

QPushButton* Button(MainWindow& window, const char* name) {
  return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

TEST(StartCommand, EmptyKeywordShowsTheBoxAndChangesNothing) {
  WindowFixture f;
  MainControls controls = f.Controls();
  AddRows(controls, {"http://a.example/1"});
  controls.linkList.AddItem("magnet:?x");
  controls.statusBar.SetStatusText(1, "busy");
  Click(Button(*f.window, "startButton"));
  ASSERT_EQ(f.desktop->messages.size(), 1u);
  EXPECT_EQ(f.desktop->messages[0].caption, U("信息："));
  EXPECT_EQ(f.desktop->messages[0].text, U("请输入关键词"));
  EXPECT_TRUE(f.log.searches.empty());
  EXPECT_EQ(controls.resultList.RowCount(), 1);
  EXPECT_EQ(controls.linkList.ItemCount(), 1);
  EXPECT_EQ(controls.statusBar.StatusText(1), "busy");
}

TEST(StartCommand, KeywordGoesToTheRunAsTypedAfterTheRowsAreCleared) {
  struct Case {
    const char* typed;
    std::string keyword;
  };
  const Case cases[] = {
      {"   ", "   "},  // spaces are a keyword
      {" 流浪地球 ", Gbk(" 流浪地球 ")},
      {"Ab", "Ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    WindowFixture f;
    MainControls controls = f.Controls();
    AddRows(controls, {"http://a.example/1", "http://a.example/2"});
    controls.linkList.AddItem("magnet:?a");
    controls.linkList.SetCheck(0, true);
    controls.statusBar.SetStatusText(3, "links");
    int rowsSeenByRun = -1;
    f.log.onSearch = [&](MainControls& seen) { rowsSeenByRun = seen.resultList.RowCount(); };
    f.window->keywordEdit()->setText(U(c.typed));
    Click(Button(*f.window, "startButton"));
    ASSERT_EQ(f.log.searches.size(), 1u);
    EXPECT_EQ(f.log.searches[0], c.keyword);
    EXPECT_EQ(rowsSeenByRun, 0);
    EXPECT_TRUE(f.desktop->messages.empty());
    EXPECT_TRUE(Button(*f.window, "startButton")->isEnabled()) << "a second search may start at once";
    // Links, their checks and the status texts stay.
    EXPECT_EQ(controls.linkList.ItemCount(), 1);
    EXPECT_TRUE(controls.linkList.IsChecked(0));
    EXPECT_EQ(controls.statusBar.StatusText(3), "links");
  }
}

TEST(ResultClicks, LeftClickSelectsTheRowClearsLinksAndStartsExtraction) {
  WindowFixture f;
  f.window->ShowCentred();
  MainControls controls = f.Controls();
  AddRows(controls, {"http://a.example/1", "http://a.example/2"});
  controls.linkList.AddItem("magnet:?old");
  int selectionSeen = -2;
  int linksSeen = -1;
  f.log.onLinks = [&](MainControls& seen) {
    selectionSeen = seen.resultList.CurrentSelection();
    linksSeen = seen.linkList.ItemCount();
  };
  ResultTable* list = f.window->resultList();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, 1, 1));
  EXPECT_EQ(f.log.linkRuns, 1);
  EXPECT_EQ(selectionSeen, 1);
  EXPECT_EQ(linksSeen, 0);

  // Empty space below the rows: no selection, and still a run.
  controls.linkList.AddItem("magnet:?again");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, list->viewport()->height() - 5));
  EXPECT_EQ(f.log.linkRuns, 2);
  EXPECT_EQ(selectionSeen, -1);
  EXPECT_EQ(linksSeen, 0);
}

TEST(ResultClicks, RightClickSelectsTheRowAndPopsUpTheMenuBesideTheCursor) {
  WindowFixture f;
  f.window->ShowCentred();
  MainControls controls = f.Controls();
  AddRows(controls, {"http://a.example/1", "http://a.example/2"});
  ResultTable* list = f.window->resultList();
  const QPoint at = CellCentre(list, 0, 1);
  QCursor::setPos(list->viewport()->mapToGlobal(at));
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
  EXPECT_EQ(controls.resultList.CurrentSelection(), 0);
  EXPECT_EQ(f.log.linkRuns, 0) << "only a left click extracts";
  QMenu* menu = f.window->resultMenu();
  ASSERT_TRUE(SpinUntil([&] { return menu->isVisible(); }));
  EXPECT_EQ(menu->pos(), QCursor::pos() + QPoint(3, 3));
  menu->close();
}

TEST(ResultClicks, AHeaderClickNeitherSortsNorSelects) {
  WindowFixture f;
  f.window->ShowCentred();
  MainControls controls = f.Controls();
  AddRows(controls, {"http://b.example/", "http://a.example/"});
  controls.resultList.SetCellText(0, 1, "b");
  controls.resultList.SetCellText(1, 1, "a");
  f.window->resultList()->selectRow(1);
  QHeaderView* header = f.window->resultList()->horizontalHeader();
  const QPoint title(header->sectionViewportPosition(1) + 20, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
  EXPECT_EQ(controls.resultList.GetCellText(0, 1), "b");
  EXPECT_EQ(controls.resultList.CurrentSelection(), 1);
  EXPECT_EQ(f.log.linkRuns, 0);
}

TEST(ResultMenu, ItemsActOnCellFourOfTheSelectedRow) {
  WindowFixture f;
  MainControls controls = f.Controls();
  AddRows(controls, {"http://a.example/1", "https://b.example/2?q=1"});
  f.window->resultList()->selectRow(1);
  QMenu* menu = f.window->resultMenu();
  auto item = [&](const char* name) { return menu->findChild<QAction*>(QString::fromLatin1(name)); };
  item("openSourceItem")->trigger();
  item("copyAddressItem")->trigger();
  item("copySeedItem")->trigger();  // does nothing
  ASSERT_EQ(f.desktop->opened.size(), 1u);
  EXPECT_EQ(f.desktop->opened[0], QUrl(QStringLiteral("https://b.example/2?q=1")));
  ASSERT_EQ(f.desktop->clipboard.size(), 1u);
  EXPECT_EQ(f.desktop->clipboard[0], QStringLiteral("https://b.example/2?q=1"));
  EXPECT_TRUE(f.desktop->messages.empty());
}

TEST(ResultMenu, NoSelectionPassesTheEmptyAddressOn) {
  WindowFixture f;
  MainControls controls = f.Controls();
  AddRows(controls, {"http://a.example/1"});
  f.window->resultList()->clearSelection();
  f.window->OpenSource();
  f.window->CopyAddress();
  EXPECT_TRUE(f.desktop->opened.empty()) << "an empty text is no web address";
  ASSERT_EQ(f.desktop->clipboard.size(), 1u);
  EXPECT_TRUE(f.desktop->clipboard[0].isEmpty());
}

// Checks are given as a string of 0/1 per item in sorted order.
struct CheckCase {
  const char* button;
  const char* before;
  const char* after;
};

TEST(CheckButtons, SetClearAndInvertEveryItem) {
  const CheckCase cases[] = {
      {"selectAllButton", "010", "111"}, {"selectNoneButton", "101", "000"},
      {"invertButton", "101", "010"},    {"invertButton", "000", "111"},
      {"selectAllButton", "", ""},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(std::string(c.button) + " " + c.before);
    WindowFixture f;
    MainControls controls = f.Controls();
    const std::string before = c.before;
    for (std::size_t i = 0; i < before.size(); ++i) controls.linkList.AddItem(std::string(1, char('a' + i)));
    for (std::size_t i = 0; i < before.size(); ++i) controls.linkList.SetCheck(int(i), before[i] == '1');
    Click(Button(*f.window, c.button));
    std::string after;
    for (int i = 0; i < controls.linkList.ItemCount(); ++i) after += controls.linkList.IsChecked(i) ? '1' : '0';
    EXPECT_EQ(after, c.after);
  }
}

TEST(CopyLinks, CrLfBeforeEachCheckedLinkInSortedOrder) {
  struct Case {
    std::vector<std::string> added;  // in the order found
    std::vector<std::string> checked;
    std::string copied;
  };
  const Case cases[] = {
      {{"b", "a"}, {"b", "a"}, "\r\na\r\nb"},
      {{"b", "a", "c"}, {"c"}, "\r\nc"},
      {{"b", "a"}, {}, ""},
      {{}, {}, ""},
      {{Gbk("磁力2"), "magnet:?1"}, {Gbk("磁力2"), "magnet:?1"}, "\r\nmagnet:?1\r\n" + Gbk("磁力2")},
  };
  for (const Case& c : cases) {
    WindowFixture f;
    MainControls controls = f.Controls();
    for (const std::string& link : c.added) controls.linkList.AddItem(link);
    for (int i = 0; i < controls.linkList.ItemCount(); ++i) {
      for (const std::string& link : c.checked) {
        if (controls.linkList.ItemText(i) == link) controls.linkList.SetCheck(i, true);
      }
    }
    Click(Button(*f.window, "copyLinksButton"));
    ASSERT_EQ(f.desktop->clipboard.size(), 1u);
    EXPECT_EQ(FromQString(f.desktop->clipboard[0]), c.copied);
  }
}

TEST(PreviewButton, RefusedOnAnEmptyList) {
  WindowFixture f;
  Click(Button(*f.window, "openPreviewButton"));
  ASSERT_EQ(f.desktop->messages.size(), 1u);
  EXPECT_EQ(f.desktop->messages[0].caption, U("信息："));
  EXPECT_EQ(f.desktop->messages[0].text, U("没有下载链接信息！"));
}

}  // namespace
}  // namespace qf::testing
