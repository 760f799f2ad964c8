// The preview of the links in a larger, resizable check list, opened modally
// over the main window and built anew each time.
#pragma once

#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QRect>
#include <memory>
#include <string_view>

#include "app/qt_toolkit.h"
#include "app/toolkit/toolkit.h"

namespace qf {

class SeedPreviewWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kOuterWidth = 356;
  static constexpr int kOuterHeight = 328;
  // The narrowest the window is made or can be dragged to: the list keeps
  // kMinListWidth and the buttons stay clear of it.
  static constexpr int kMinListWidth = 120;
  static constexpr int kMinOuterWidth = kMinListWidth + 120;
  static constexpr int kMinOuterHeight = 240;

  // 10 pixels a byte of the first link, as the width rule gives it.
  static long long RuleWidth(std::string_view firstLink);
  // The rule's width brought between the narrowest and the screen's width.
  static int ClampWidth(long long ruleWidth, int availableWidth);
  // The left edge stays, unless the widened window would pass the screen's
  // right edge: then it moves left just enough.
  static int KeepOnScreen(int left, int width, const QRect& available);

  // Copies the items of `links` (not their checks); `toolkit` serves the
  // clipboard.
  SeedPreviewWindow(const CheckList& links, Toolkit& toolkit, QWidget* parent = nullptr);

  QListWidget* previewList() const { return previewList_; }
  CheckList& Items() { return *items_; }

  void SelectAll();
  void Invert();
  void SelectNone();
  void Copy();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void LayOut();
  void ApplyWidth();

  Toolkit& toolkit_;
  std::shared_ptr<WindowGate> gate_;
  std::unique_ptr<QtCheckList> items_;
  int targetWidth_ = kOuterWidth;
  int left_ = 0;
  QListWidget* previewList_ = nullptr;
  QPushButton* buttons_[4] = {};
};

}  // namespace qf
