#include "app/window_geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace qf {

QSize FrameExtra(const QWidget* window) { return window->frameGeometry().size() - window->geometry().size(); }

QSize OuterSize(const QWidget* window) { return window->frameGeometry().size(); }

void SetOuterSize(QWidget* window, QSize outer) {
  const QSize inner = outer - FrameExtra(window);
  window->resize(std::max(inner.width(), 0), std::max(inner.height(), 0));
}

QPoint CentredOrigin(const QScreen* screen, QSize outer) {
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {0, 0};
  const QRect whole = screen->geometry();
  return {whole.left() + (whole.width() - outer.width()) / 2, whole.top() + (whole.height() - outer.height()) / 2};
}

}  // namespace qf
