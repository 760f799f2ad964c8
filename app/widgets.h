// The main window's own control kinds: the four-part status bar and the
// report list that reports left and right clicks.
#pragma once

#include <QLabel>
#include <QTableWidget>
#include <QWidget>
#include <string>
#include <vector>

namespace qf {

// Parts side by side from the left; a width of -1 takes the rest of the bar.
class StatusPanel : public QWidget {
  Q_OBJECT
 public:
  StatusPanel(const std::vector<int>& widths, QWidget* parent = nullptr);
  int PartCount() const { return static_cast<int>(parts_.size()); }
  QLabel* Part(int part) const;  // nullptr outside the bar
  void SetPartText(int part, const std::string& gbk);  // outside the bar: nothing
  std::string PartText(int part) const;
  void LayOut();  // also before the bar is shown, when no resize event comes

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::vector<int> widths_;
  std::vector<QLabel*> parts_;
};

// A click of either button selects the row under the cursor before the click
// is reported; a click on empty space clears the selection.
class ResultTable : public QTableWidget {
  Q_OBJECT
 public:
  explicit ResultTable(QWidget* parent = nullptr);

 signals:
  void leftClicked();
  void rightClicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Qt::MouseButton pressed_ = Qt::NoButton;
};

}  // namespace qf
