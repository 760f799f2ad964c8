// The main window as built: caption, frame, places, sizes, captions, fonts
// and styles of its controls, the status parts and the hidden menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <limits>

#include "app/fonts.h"
#include "app/widgets.h"
#include "tests/app/app_fixture.h"

namespace qf::testing {
namespace {

TEST(MainWindowLayout, CaptionFrameAndOuterSize) {
  WindowFixture f;
  MainWindow& w = *f.window;
  EXPECT_EQ(w.windowTitle(), U("Quillfen V2.0 By：Brevoldt"));
  const Qt::WindowFlags flags = w.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  // A fixed frame: nothing to drag between the smallest and largest size.
  EXPECT_EQ(w.minimumSize(), w.maximumSize());

  w.ShowCentred();
  ASSERT_TRUE(SpinUntil([&] { return w.isVisible(); }));
  EXPECT_EQ(w.frameGeometry().size(), QSize(788, 406));
  const QRect screen = w.screen()->geometry();
  EXPECT_EQ(w.frameGeometry().topLeft(),
            QPoint((screen.width() - 788) / 2, (screen.height() - 406) / 2) + screen.topLeft());
  EXPECT_EQ(f.log.skins, 1) << "the skin is applied once, at creation";
}

TEST(MainWindowLayout, ControlsAtTheirPlacesWithTheirCaptions) {
  WindowFixture f;
  struct Case {
    const char* name;
    QRect place;
    const char* caption;  // nullptr: not a button
  };
  const Case cases[] = {
      {"keywordEdit", {16, 8, 344, 40}, nullptr},
      {"startButton", {368, 8, 88, 40}, "开始"},
      {"resultList", {16, 60, 408, 268}, nullptr},
      {"linkList", {432, 60, 250, 268}, nullptr},
      {"selectAllButton", {688, 66, 80, 32}, "全选"},
      {"invertButton", {688, 112, 80, 32}, "反选"},
      {"selectNoneButton", {688, 160, 80, 32}, "全不选"},
      {"copyLinksButton", {688, 214, 80, 45}, "复制黏\n贴板"},
      {"openPreviewButton", {688, 278, 80, 45}, "打开种\n子面板"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* control = f.window->findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), c.place);
    if (c.caption != nullptr) {
      auto* button = qobject_cast<QPushButton*>(control);
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->text(), U(c.caption));
    }
  }
  auto* edit = f.window->keywordEdit();
  EXPECT_TRUE(edit->text().isEmpty());
  // The status bar runs along the bottom edge, full width, 24 high.
  const QRect status = f.window->statusBar()->geometry();
  EXPECT_EQ(status.height(), 24);
  EXPECT_EQ(status.left(), 0);
  EXPECT_EQ(status.width(), f.window->width());
  EXPECT_EQ(status.bottom(), f.window->height() - 1);
}

TEST(MainWindowLayout, FontsFallBackToAnInstalledChineseFace) {
  WindowFixture f;
  struct Case {
    QWidget* control;
    const char* family;
    int pixels;
    int weight;
  };
  const Case cases[] = {
      {f.window->keywordEdit(), "微软雅黑", 18, 700},
      {f.window->resultList(), "宋体", 15, 400},
      {f.window->linkList(), "微软雅黑", 15, 400},
  };
  const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.family);
    const QFont font = c.control->font();
    EXPECT_EQ(font.pixelSize(), c.pixels);
    EXPECT_EQ(font.weight(), c.weight);
    if (HasFontFamily(U(c.family))) continue;
    // The face actually used draws Chinese.
    EXPECT_TRUE(chinese.contains(QFontInfo(font).family(), Qt::CaseInsensitive)) << QFontInfo(font).family().toStdString();
  }
}

TEST(MainWindowLayout, KeywordEditIsOneCentredRedOnWhiteLine) {
  WindowFixture f;
  QLineEdit* edit = f.window->keywordEdit();
  EXPECT_EQ(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(255, 0, 0));
  EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(255, 255, 255));
  EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(edit->maxLength(), std::numeric_limits<int>::max());
  // Typed text is kept as typed: no case change, no trimming.
  edit->setText(U(" Ab 流浪 "));
  EXPECT_EQ(edit->text(), U(" Ab 流浪 "));
}

TEST(MainWindowLayout, ResultListIsAReportOfFiveColumns) {
  WindowFixture f;
  ResultTable* list = f.window->resultList();
  const char* headers[] = {"序号", "片名", "片源", "简介", "地址"};
  const int widths[] = {50, 250, 100, 0, 0};
  ASSERT_EQ(list->columnCount(), 5);
  for (int c = 0; c < 5; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(list->horizontalHeaderItem(c)->text(), U(headers[c]));
    EXPECT_EQ(list->columnWidth(c), widths[c]);
  }
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_FALSE(list->horizontalHeader()->isHidden());
  EXPECT_TRUE(list->horizontalHeader()->sectionsMovable());
  EXPECT_FALSE(list->isSortingEnabled());
  EXPECT_TRUE(list->verticalHeader()->isHidden());
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);

  // Rows are neither sorted nor checkable.
  MainControls controls = f.Controls();
  for (const char* n : {"b", "a", "c"}) controls.resultList.SetCellText(controls.resultList.AppendRow(), 1, n);
  EXPECT_EQ(controls.resultList.GetCellText(0, 1), "b");
  EXPECT_EQ(controls.resultList.GetCellText(1, 1), "a");
  EXPECT_FALSE(list->item(0, 1)->flags() & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(list->item(0, 1)->flags() & Qt::ItemIsEditable);
}

TEST(MainWindowLayout, StatusPartsWidthsAndCaptions) {
  WindowFixture f;
  StatusPanel* bar = f.window->statusBar();
  ASSERT_EQ(bar->PartCount(), 4);
  struct Case {
    int left;
    int width;  // -1: the rest of the bar
    const char* text;
  };
  const Case cases[] = {{0, 100, "搜索状态："}, {100, 280, ""}, {380, 120, "种子获取状态："}, {500, -1, ""}};
  for (int part = 0; part < 4; ++part) {
    SCOPED_TRACE(part);
    QLabel* label = bar->Part(part);
    EXPECT_EQ(label->x(), cases[part].left);
    EXPECT_EQ(label->width(), cases[part].width < 0 ? bar->width() - 500 : cases[part].width);
    EXPECT_EQ(label->text(), U(cases[part].text));
    EXPECT_EQ(f.Controls().statusBar.StatusText(part), Gbk(cases[part].text));
  }
}

TEST(MainWindowLayout, HiddenResultMenu) {
  WindowFixture f;
  QMenu* menu = f.window->resultMenu();
  EXPECT_EQ(menu->title(), U("隐藏菜单"));
  EXPECT_FALSE(menu->isVisible());
  const QList<QAction*> items = menu->actions();
  ASSERT_EQ(items.size(), 3);
  const char* names[] = {"openSourceItem", "copyAddressItem", "copySeedItem"};
  const char* captions[] = {"打开片源", "复制地址", "复制种子"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(items[i]->objectName(), QString::fromLatin1(names[i]));
    EXPECT_EQ(items[i]->text(), U(captions[i]));
  }
}

}  // namespace
}  // namespace qf::testing
