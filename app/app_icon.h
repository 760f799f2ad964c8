// The program's icon, painted at start-up in six sizes, 32 bits per pixel.
#pragma once

#include <QIcon>
#include <QImage>
#include <vector>

namespace qf {

const std::vector<int>& IconSizes();  // 16, 32, 48, 64, 128, 256
QImage PaintIconImage(int size);      // ARGB32, premultiplied
QIcon ApplicationIcon();

}  // namespace qf
