#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <limits>

#include "app/app_icon.h"
#include "app/fonts.h"
#include "app/list_commands.h"
#include "app/qt_text.h"
#include "app/run_hooks.h"
#include "app/seed_preview_window.h"
#include "app/skin_hooks.h"
#include "app/texts.h"
#include "app/widgets.h"
#include "app/window_geometry.h"

namespace qf {

namespace {

constexpr int kStatusHeight = 24;

QPushButton* MakeButton(QWidget* parent, const char* name, std::string_view caption, QRect place) {
  auto* button = new QPushButton(Caption(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(place);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

// The adapters the runs hold. Threads started through the toolkit keep them
// alive, so a run that outlasts the window still finds them.
struct MainWindow::Bridge {
  Bridge(std::shared_ptr<WindowGate> gate, std::shared_ptr<DesktopServices> desktop, StatusPanel* status,
         QTableWidget* results, QListWidget* links)
      : toolkit(gate, std::move(desktop)),
        statusBar(gate, status),
        resultList(gate, results),
        linkList(gate, links) {}
  QtToolkit toolkit;
  QtStatusBar statusBar;
  QtReportList resultList;
  QtCheckList linkList;
};

MainWindowHooks MainWindowHooks::Program() {
  return {StartSearchRun, StartLinkExtraction, StopRuns, ApplySkinOnCreation};
}

MainWindow::MainWindow(MainWindowHooks hooks, std::shared_ptr<DesktopServices> desktop)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      hooks_(std::move(hooks)),
      gate_(std::make_shared<WindowGate>()) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(Caption(texts::kMainCaption));
  setWindowIcon(ApplicationIcon());
  setAttribute(Qt::WA_DeleteOnClose, false);
  BuildControls();
  if (!desktop) desktop = std::make_shared<DesktopServices>();
  bridge_ = std::make_shared<Bridge>(gate_, std::move(desktop), statusBar_, resultList_, linkList_);
  bridge_->toolkit.SetDialogParent(this);
  bridge_->toolkit.SetKeepAlive(bridge_);
  ApplyOuterSize();
  // The creation event: the skin is applied once, with the controls in place.
  if (hooks_.applySkin) hooks_.applySkin();
}

MainWindow::~MainWindow() { Shutdown(); }

MainControls MainWindow::Controls() {
  return {bridge_->toolkit, bridge_->statusBar, bridge_->resultList, bridge_->linkList};
}

void MainWindow::BuildControls() {
  keywordEdit_ = new QLineEdit(this);
  keywordEdit_->setObjectName(QStringLiteral("keywordEdit"));
  keywordEdit_->setGeometry(16, 8, 344, 40);
  keywordEdit_->setFont(ControlFont(Caption(texts::kYaHei), 18, 700));
  keywordEdit_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  keywordEdit_->setMaxLength(std::numeric_limits<int>::max());
  keywordEdit_->setEchoMode(QLineEdit::Normal);
  {
    QPalette palette = keywordEdit_->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      palette.setColor(group, QPalette::Text, QColor(255, 0, 0));
      palette.setColor(group, QPalette::Base, QColor(255, 255, 255));
    }
    keywordEdit_->setPalette(palette);
  }

  startButton_ = MakeButton(this, "startButton", texts::kStart, {368, 8, 88, 40});

  resultList_ = new ResultTable(this);
  resultList_->setObjectName(QStringLiteral("resultList"));
  resultList_->setGeometry(16, 60, 408, 268);
  resultList_->setFont(ControlFont(Caption(texts::kSong), 15, 400));
  resultList_->setColumnCount(5);
  {
    QStringList headers;
    for (std::string_view header : texts::kColumnHeaders) headers << Caption(header);
    resultList_->setHorizontalHeaderLabels(headers);
  }
  resultList_->horizontalHeader()->setMinimumSectionSize(0);
  for (int column = 0; column < 5; ++column) resultList_->setColumnWidth(column, texts::kColumnWidths[column]);
  resultList_->horizontalHeader()->setSectionsMovable(true);
  resultList_->horizontalHeader()->setSectionsClickable(true);
  resultList_->horizontalHeader()->setHighlightSections(false);
  resultList_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  resultList_->horizontalHeader()->setStretchLastSection(false);
  resultList_->verticalHeader()->setVisible(false);
  resultList_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  resultList_->verticalHeader()->setDefaultSectionSize(resultList_->fontMetrics().height() + 4);
  resultList_->setSortingEnabled(false);
  resultList_->setShowGrid(true);
  resultList_->setSelectionMode(QAbstractItemView::SingleSelection);
  resultList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  resultList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  resultList_->setWordWrap(false);
  resultList_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  {
    QPalette palette = resultList_->palette();
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Base, Qt::white);
    resultList_->setPalette(palette);
  }

  linkList_ = new QListWidget(this);
  linkList_->setObjectName(QStringLiteral("linkList"));
  linkList_->setGeometry(432, 60, 250, 268);
  linkList_->setFont(ControlFont(Caption(texts::kYaHei), 15, 400));
  linkList_->setSortingEnabled(false);  // kept in order by the adapter
  linkList_->setSelectionMode(QAbstractItemView::SingleSelection);
  linkList_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  linkList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  linkList_->setTextElideMode(Qt::ElideNone);

  selectAllButton_ = MakeButton(this, "selectAllButton", texts::kSelectAll, {688, 66, 80, 32});
  invertButton_ = MakeButton(this, "invertButton", texts::kInvert, {688, 112, 80, 32});
  selectNoneButton_ = MakeButton(this, "selectNoneButton", texts::kSelectNone, {688, 160, 80, 32});
  copyLinksButton_ = MakeButton(this, "copyLinksButton", texts::kCopyLinks, {688, 214, 80, 45});
  openPreviewButton_ = MakeButton(this, "openPreviewButton", texts::kOpenPreview, {688, 278, 80, 45});

  statusBar_ = new StatusPanel({100, 280, 120, -1}, this);
  statusBar_->setObjectName(QStringLiteral("statusBar"));
  statusBar_->SetPartText(0, texts::System().searchStatusLabel);
  statusBar_->SetPartText(2, texts::System().linkStatusLabel);

  resultMenu_ = new QMenu(Caption(texts::kMenuTitle), this);
  resultMenu_->setObjectName(QStringLiteral("resultMenu"));
  QAction* openSource = resultMenu_->addAction(Caption(texts::kOpenSource));
  openSource->setObjectName(QStringLiteral("openSourceItem"));
  QAction* copyAddress = resultMenu_->addAction(Caption(texts::kCopyAddress));
  copyAddress->setObjectName(QStringLiteral("copyAddressItem"));
  QAction* copySeed = resultMenu_->addAction(Caption(texts::kCopySeed));
  copySeed->setObjectName(QStringLiteral("copySeedItem"));

  connect(startButton_, &QPushButton::clicked, this, &MainWindow::StartCommand);
  connect(resultList_, &ResultTable::leftClicked, this, &MainWindow::ResultLeftClick);
  connect(resultList_, &ResultTable::rightClicked, this, &MainWindow::ResultRightClick);
  connect(openSource, &QAction::triggered, this, &MainWindow::OpenSource);
  connect(copyAddress, &QAction::triggered, this, &MainWindow::CopyAddress);
  connect(copySeed, &QAction::triggered, this, &MainWindow::CopySeed);
  connect(selectAllButton_, &QPushButton::clicked, this, &MainWindow::SelectAll);
  connect(invertButton_, &QPushButton::clicked, this, &MainWindow::Invert);
  connect(selectNoneButton_, &QPushButton::clicked, this, &MainWindow::SelectNone);
  connect(copyLinksButton_, &QPushButton::clicked, this, &MainWindow::CopyLinks);
  connect(openPreviewButton_, &QPushButton::clicked, this, &MainWindow::OpenPreview);
}

// The frame is the window manager's; the inner size is what is left of the
// outer size once the frame it reports is taken off.
void MainWindow::ApplyOuterSize() {
  const QSize inner = QSize(kOuterWidth, kOuterHeight) - FrameExtra(this);
  setFixedSize(inner);
  statusBar_->setGeometry(0, inner.height() - kStatusHeight, inner.width(), kStatusHeight);
  statusBar_->LayOut();
}

void MainWindow::ShowCentred() {
  move(CentredOrigin(screen(), {kOuterWidth, kOuterHeight}));
  show();
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A frame becomes known once the window is mapped; some window managers
  // report it a moment later.
  const QPoint origin = CentredOrigin(screen(), {kOuterWidth, kOuterHeight});
  auto adjust = [this, origin] {
    if (OuterSize(this) == QSize(kOuterWidth, kOuterHeight)) return;
    ApplyOuterSize();
    move(origin);
  };
  adjust();
  QTimer::singleShot(200, this, [this, adjust] {
    adjust();
    // A window manager that reparents the window may keep the first paint,
    // made before the skin's rules reached every control.
    update();
  });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  Shutdown();
  event->accept();
}

// Runs are told to stop before anything is released; from then on the
// runs' calls no longer wait for this window.
void MainWindow::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  if (hooks_.stopRuns) hooks_.stopRuns();
  gate_->Close();
}

void MainWindow::StartCommand() {
  const std::string keyword = FromQString(keywordEdit_->text());
  MainControls controls = Controls();
  if (keyword.empty()) {
    controls.toolkit.MessageBox(texts::System().enterKeyword);
    return;
  }
  controls.resultList.DeleteAllRows();
  if (hooks_.startSearch) hooks_.startSearch(controls, keyword);
}

void MainWindow::ResultLeftClick() {
  MainControls controls = Controls();
  controls.linkList.Clear();
  if (hooks_.startLinks) hooks_.startLinks(controls);
}

void MainWindow::ResultRightClick() { resultMenu_->popup(QCursor::pos() + QPoint(3, 3)); }

std::string MainWindow::SelectedAddress() {
  MainControls controls = Controls();
  return controls.resultList.GetCellText(controls.resultList.CurrentSelection(), 4);
}

void MainWindow::OpenSource() { Controls().toolkit.OpenAddress(SelectedAddress()); }

void MainWindow::CopyAddress() { Controls().toolkit.SetClipboardText(SelectedAddress()); }

void MainWindow::CopySeed() {}

void MainWindow::SelectAll() { CheckAll(bridge_->linkList); }

void MainWindow::Invert() { InvertChecks(bridge_->linkList); }

void MainWindow::SelectNone() { CheckNone(bridge_->linkList); }

void MainWindow::CopyLinks() { bridge_->toolkit.SetClipboardText(CheckedItemsText(bridge_->linkList)); }

void MainWindow::OpenPreview() {
  if (bridge_->linkList.ItemCount() == 0) {
    bridge_->toolkit.MessageBox(texts::System().noLinks);
    return;
  }
  SeedPreviewWindow preview(bridge_->linkList, bridge_->toolkit, this);
  preview.exec();
}

}  // namespace qf
