// Outer sizes: the window's frame included, as the window manager reports it.
// Before a frame is known (or on a display without one) outer and inner
// sizes are the same.
#pragma once

#include <QPoint>
#include <QSize>

class QWidget;
class QScreen;

namespace qf {

QSize FrameExtra(const QWidget* window);
QSize OuterSize(const QWidget* window);
void SetOuterSize(QWidget* window, QSize outer);
// The top left corner that centres an outer size on the screen: (screen − outer) / 2.
QPoint CentredOrigin(const QScreen* screen, QSize outer);

}  // namespace qf
