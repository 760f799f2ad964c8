#include "app/seed_preview_window.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>
#include <string>

#include "app/fonts.h"
#include "app/list_commands.h"
#include "app/qt_text.h"
#include "app/texts.h"
#include "app/window_geometry.h"
#include "web/codecs.h"

namespace qf {

namespace {

struct ButtonPlace {
  const char* name;
  std::string_view caption;
  int top;
  int height;
};

constexpr ButtonPlace kButtons[] = {
    {"previewSelectAllButton", texts::kSelectAll, 10, 32},
    {"previewInvertButton", texts::kInvert, 56, 32},
    {"previewSelectNoneButton", texts::kSelectNone, 104, 32},
    {"previewCopyButton", texts::kCopyLinks, 158, 45},
};
constexpr int kButtonWidth = 80;

}  // namespace

long long SeedPreviewWindow::RuleWidth(std::string_view firstLink) {
  return static_cast<long long>(TextView(firstLink).size()) * 10;
}

int SeedPreviewWindow::KeepOnScreen(int left, int width, const QRect& available) {
  const int right = available.left() + available.width();
  if (left + width <= right) return left;
  return std::max(available.left(), right - width);
}

int SeedPreviewWindow::ClampWidth(long long ruleWidth, int availableWidth) {
  const long long upper = std::max(availableWidth, kMinOuterWidth);
  return static_cast<int>(std::clamp<long long>(ruleWidth, kMinOuterWidth, upper));
}

SeedPreviewWindow::SeedPreviewWindow(const CheckList& links, Toolkit& toolkit, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      toolkit_(toolkit),
      gate_(std::make_shared<WindowGate>()) {
  setObjectName(QStringLiteral("SeedPreviewWindow"));
  setWindowTitle(Caption(texts::kPreviewCaption));
  setModal(true);
  setSizeGripEnabled(false);

  previewList_ = new QListWidget(this);
  previewList_->setObjectName(QStringLiteral("previewList"));
  previewList_->setGeometry(3, 3, 248, 280);
  previewList_->setFont(ControlFont(Caption(texts::kYaHei), 15, 400));
  previewList_->setSelectionMode(QAbstractItemView::SingleSelection);
  previewList_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  previewList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  previewList_->setTextElideMode(Qt::ElideNone);
  items_ = std::make_unique<QtCheckList>(gate_, previewList_);

  for (int i = 0; i < 4; ++i) {
    auto* button = new QPushButton(Caption(kButtons[i].caption), this);
    button->setObjectName(QString::fromLatin1(kButtons[i].name));
    button->setGeometry(264, kButtons[i].top, kButtonWidth, kButtons[i].height);
    button->setAutoDefault(false);
    buttons_[i] = button;
  }
  connect(buttons_[0], &QPushButton::clicked, this, &SeedPreviewWindow::SelectAll);
  connect(buttons_[1], &QPushButton::clicked, this, &SeedPreviewWindow::Invert);
  connect(buttons_[2], &QPushButton::clicked, this, &SeedPreviewWindow::SelectNone);
  connect(buttons_[3], &QPushButton::clicked, this, &SeedPreviewWindow::Copy);

  // As created: 356 x 328, centred for that size.
  const QPoint origin = CentredOrigin(parent != nullptr ? parent->screen() : nullptr, {kOuterWidth, kOuterHeight});
  left_ = origin.x();
  move(origin);
  SetOuterSize(this, {kOuterWidth, kOuterHeight});

  // The creation handler: the items unchecked, in the same order, and the
  // width from the first link, the left edge kept.
  const std::string first = links.ItemText(0);
  const int count = links.ItemCount();
  for (int i = 0; i < count; ++i) items_->AddItem(links.ItemText(i));
  const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, kOuterWidth, kOuterHeight);
  targetWidth_ = ClampWidth(RuleWidth(first), available.width());
  left_ = KeepOnScreen(left_, targetWidth_, available);
  move(left_, y());
  setMinimumSize(kMinOuterWidth, kMinOuterHeight);
  ApplyWidth();
}

void SeedPreviewWindow::ApplyWidth() {
  SetOuterSize(this, {targetWidth_, OuterSize(this).height()});
  LayOut();
}

void SeedPreviewWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Once the frame is known the outer width is set again so it, not the
  // inner width, follows the rule.
  if (OuterSize(this).width() != targetWidth_ || OuterSize(this).height() != kOuterHeight) {
    SetOuterSize(this, {targetWidth_, kOuterHeight});
    move(left_, y());
  }
  LayOut();
}

void SeedPreviewWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  LayOut();
}

// W and H are the outer size; nothing below the narrowest size reaches the
// controls, whatever the window was dragged to.
void SeedPreviewWindow::LayOut() {
  const QSize outer = OuterSize(this);
  const int w = std::max(outer.width(), kMinOuterWidth);
  const int h = std::max(outer.height(), kMinOuterHeight);
  previewList_->setGeometry(7, 7, w - 120, h - 65);
  for (int i = 0; i < 4; ++i) buttons_[i]->move(w - 105, kButtons[i].top);
}

void SeedPreviewWindow::SelectAll() { CheckAll(*items_); }

void SeedPreviewWindow::Invert() { InvertChecks(*items_); }

void SeedPreviewWindow::SelectNone() { CheckNone(*items_); }

void SeedPreviewWindow::Copy() { toolkit_.SetClipboardText(CheckedItemsText(*items_)); }

}  // namespace qf
