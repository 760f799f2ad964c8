// The seed preview window: its items, its width rule with the clamp, the
// layout on every size change, its buttons, and its opening from the main
// window.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/qt_text.h"
#include "app/seed_preview_window.h"
#include "app/toolkit/headless_toolkit.h"
#include "tests/app/app_fixture.h"

namespace qf::testing {
namespace {

QPushButton* Button(QWidget& window, const char* name) {
  return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

void ExpectLayout(SeedPreviewWindow& preview, int outerWidth, int outerHeight) {
  EXPECT_EQ(preview.previewList()->geometry(), QRect(7, 7, outerWidth - 120, outerHeight - 65));
  const struct {
    const char* name;
    int top;
    int height;
  } buttons[] = {{"previewSelectAllButton", 10, 32},
                 {"previewInvertButton", 56, 32},
                 {"previewSelectNoneButton", 104, 32},
                 {"previewCopyButton", 158, 45}};
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.name);
    EXPECT_EQ(Button(preview, b.name)->geometry(), QRect(outerWidth - 105, b.top, 80, b.height));
  }
}

TEST(SeedPreview, ItemsComeSortedAndUnchecked) {
  HeadlessMainWindow source;
  for (const char* link : {"magnet:?c", "magnet:?a", "magnet:?b"}) source.linkList.AddItem(link);
  source.linkList.SetCheck(0, true);
  source.linkList.SetCheck(2, true);
  SeedPreviewWindow preview(source.linkList, source.toolkit);
  EXPECT_EQ(preview.windowTitle(), U("种子预览窗口"));
  EXPECT_TRUE(preview.isModal());
  CheckList& items = preview.Items();
  ASSERT_EQ(items.ItemCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(items.ItemText(i), source.linkList.ItemText(i));
    EXPECT_FALSE(items.IsChecked(i));
  }
}

TEST(SeedPreview, WidthFollowsTheFirstLinkAndTheLayoutFollowsTheWidth) {
  HeadlessMainWindow source;
  const std::string first(60, 'a');  // 60 bytes, first in sorted order
  source.linkList.AddItem("magnet:?later");
  source.linkList.AddItem(first);
  SeedPreviewWindow preview(source.linkList, source.toolkit);
  preview.show();
  ASSERT_TRUE(SpinUntil([&] { return preview.isVisible(); }));
  EXPECT_EQ(preview.frameGeometry().size(), QSize(600, 328));
  ExpectLayout(preview, 600, 328);

  // A size change by the user lays the controls out again.
  preview.resize(preview.size() + QSize(-100, 40));
  ASSERT_TRUE(SpinUntil([&] { return preview.frameGeometry().width() == 500; }));
  ExpectLayout(preview, 500, 368);
  preview.close();
}

TEST(SeedPreview, ChineseCharactersCountTwoBytes) {
  EXPECT_EQ(SeedPreviewWindow::RuleWidth(Gbk("磁力链接abc")), 110);
  EXPECT_EQ(SeedPreviewWindow::RuleWidth(""), 0);
}

TEST(SeedPreview, ComputedWidthIsClampedBetweenTheControlsAndTheScreen) {
  struct Case {
    long long rule;
    int available;
    int width;
  };
  const Case cases[] = {
      {600, 1024, 600},                                     // inside: as the rule says
      {0, 1024, SeedPreviewWindow::kMinOuterWidth},         // empty first link
      {30, 1024, SeedPreviewWindow::kMinOuterWidth},        // shorter than the controls need
      {100000, 1024, 1024},                                 // wider than the screen
      {1LL << 40, 1920, 1920},                              // absurd
      {600, 100, SeedPreviewWindow::kMinOuterWidth},        // a tiny screen still gets the controls
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(SeedPreviewWindow::ClampWidth(c.rule, c.available), c.width);
  }
}

TEST(SeedPreview, ShortAndHugeFirstLinksGiveSaneWindows) {
  for (const std::string& first : {std::string("a"), std::string(5000, 'z')}) {
    SCOPED_TRACE(first.size());
    HeadlessMainWindow source;
    source.linkList.AddItem(first);
    SeedPreviewWindow preview(source.linkList, source.toolkit);
    preview.show();
    ASSERT_TRUE(SpinUntil([&] { return preview.isVisible(); }));
    const QRect available = preview.screen()->availableGeometry();
    const int width = preview.frameGeometry().width();
    EXPECT_GE(width, SeedPreviewWindow::kMinOuterWidth);
    EXPECT_LE(width, std::max(available.width(), int(SeedPreviewWindow::kMinOuterWidth)));
    EXPECT_GT(preview.previewList()->width(), 0);
    EXPECT_GE(preview.frameGeometry().left(), available.left());
    EXPECT_LE(preview.frameGeometry().right(), available.right());
    preview.close();
  }
}

TEST(SeedPreview, KeepOnScreenMovesOnlyWhatWouldPassTheRightEdge) {
  const QRect screen(0, 0, 1024, 600);
  EXPECT_EQ(SeedPreviewWindow::KeepOnScreen(334, 600, screen), 334);
  EXPECT_EQ(SeedPreviewWindow::KeepOnScreen(334, 720, screen), 304);
  EXPECT_EQ(SeedPreviewWindow::KeepOnScreen(334, 1024, screen), 0);
}

TEST(SeedPreview, ButtonsCheckAndCopyThePreviewOnly) {
  HeadlessMainWindow source;
  for (const char* link : {"b", "a", "c"}) source.linkList.AddItem(link);
  SeedPreviewWindow preview(source.linkList, source.toolkit);
  CheckList& items = preview.Items();
  items.SetCheck(0, true);
  items.SetCheck(2, true);
  Button(preview, "previewInvertButton")->click();
  EXPECT_FALSE(items.IsChecked(0));
  EXPECT_TRUE(items.IsChecked(1));
  EXPECT_FALSE(items.IsChecked(2));
  Button(preview, "previewCopyButton")->click();
  EXPECT_EQ(source.toolkit.Clipboard(), "\r\nb");
  Button(preview, "previewSelectAllButton")->click();
  Button(preview, "previewCopyButton")->click();
  EXPECT_EQ(source.toolkit.Clipboard(), "\r\na\r\nb\r\nc");
  Button(preview, "previewSelectNoneButton")->click();
  Button(preview, "previewCopyButton")->click();
  EXPECT_EQ(source.toolkit.Clipboard(), "");
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(source.linkList.IsChecked(i)) << "linkList is not touched";
}

TEST(SeedPreview, OpensModallyOverTheMainWindowAnewEachTime) {
  WindowFixture f;
  f.window->ShowCentred();
  MainControls controls = f.Controls();
  controls.linkList.AddItem("magnet:?b");
  controls.linkList.AddItem("magnet:?a");
  controls.linkList.SetCheck(1, true);
  std::vector<SeedPreviewWindow*> seen;
  std::vector<std::string> firstItems;
  std::vector<bool> firstChecked;
  for (int round = 0; round < 2; ++round) {
    QTimer::singleShot(0, [&] {
      SpinUntil([] { return QApplication::activeModalWidget() != nullptr; }, 2000);
      auto* preview = qobject_cast<SeedPreviewWindow*>(QApplication::activeModalWidget());
      seen.push_back(preview);
      if (preview == nullptr) return;
      firstItems.push_back(preview->Items().ItemText(0));
      firstChecked.push_back(preview->Items().IsChecked(1));
      EXPECT_EQ(preview->parentWidget(), f.window.get());
      preview->Items().SetCheck(0, true);
      preview->close();
    });
    f.window->OpenPreview();  // returns when the preview is closed
  }
  ASSERT_EQ(seen.size(), 2u);
  ASSERT_NE(seen[0], nullptr);
  EXPECT_EQ(firstItems, (std::vector<std::string>{"magnet:?a", "magnet:?a"}));
  EXPECT_EQ(firstChecked, (std::vector<bool>{false, false}));
  EXPECT_FALSE(controls.linkList.IsChecked(0));
  EXPECT_TRUE(f.desktop->messages.empty());
}

}  // namespace
}  // namespace qf::testing
