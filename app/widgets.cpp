#include "app/widgets.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "app/qt_text.h"

namespace qf {

namespace {
constexpr char kBytesProperty[] = "gbkText";
}

StatusPanel::StatusPanel(const std::vector<int>& widths, QWidget* parent) : QWidget(parent), widths_(widths) {
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    auto* label = new QLabel(this);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setContentsMargins(2, 0, 2, 0);
    parts_.push_back(label);
  }
  LayOut();
}

QLabel* StatusPanel::Part(int part) const {
  if (part < 0 || part >= PartCount()) return nullptr;
  return parts_[static_cast<std::size_t>(part)];
}

void StatusPanel::SetPartText(int part, const std::string& gbk) {
  QLabel* label = Part(part);
  if (label == nullptr) return;
  label->setText(ToQString(gbk));
  label->setProperty(kBytesProperty, ToBytes(gbk));
}

std::string StatusPanel::PartText(int part) const {
  QLabel* label = Part(part);
  if (label == nullptr) return {};
  return FromBytes(label->property(kBytesProperty).toByteArray());
}

void StatusPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void StatusPanel::LayOut() {
  int left = 0;
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    const int width = widths_[i] < 0 ? std::max(this->width() - left, 0) : widths_[i];
    parts_[i]->setGeometry(left, 0, width, height());
    left += width;
  }
}

ResultTable::ResultTable(QWidget* parent) : QTableWidget(parent) {}

void ResultTable::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button();
  const QModelIndex index = indexAt(event->position().toPoint());
  if (!index.isValid()) {
    clearSelection();
    setCurrentIndex(QModelIndex());
    return;
  }
  if (event->button() == Qt::RightButton) {
    // The base class leaves the selection alone on a right press in some styles.
    selectRow(index.row());
    return;
  }
  QTableWidget::mousePressEvent(event);
}

void ResultTable::mouseReleaseEvent(QMouseEvent* event) {
  const Qt::MouseButton pressed = pressed_;
  pressed_ = Qt::NoButton;
  if (event->button() == Qt::LeftButton) QTableWidget::mouseReleaseEvent(event);
  if (event->button() != pressed) return;
  if (pressed == Qt::LeftButton) emit leftClicked();
  if (pressed == Qt::RightButton) emit rightClicked();
}

}  // namespace qf
