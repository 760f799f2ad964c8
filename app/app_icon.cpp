#include "app/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qf {

const std::vector<int>& IconSizes() {
  static const std::vector<int> sizes = {16, 32, 48, 64, 128, 256};
  return sizes;
}

// A strip of film behind a magnifying glass, on a rounded tile.
QImage PaintIconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 256.0, size / 256.0);

  QLinearGradient tile(0, 0, 0, 256);
  tile.setColorAt(0, QColor(232, 64, 52));
  tile.setColorAt(1, QColor(160, 24, 30));
  painter.setPen(Qt::NoPen);
  painter.setBrush(tile);
  painter.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

  // The film strip, tilted, with its sprocket holes.
  painter.save();
  painter.translate(128, 118);
  painter.rotate(-18);
  painter.setBrush(QColor(30, 30, 36));
  painter.drawRect(QRectF(-112, -46, 224, 92));
  painter.setBrush(QColor(250, 240, 220));
  for (int i = 0; i < 7; ++i) {
    const double x = -100 + i * 30;
    painter.drawRect(QRectF(x, -40, 16, 12));
    painter.drawRect(QRectF(x, 28, 16, 12));
  }
  painter.setBrush(QColor(255, 196, 64));
  painter.drawRect(QRectF(-70, -20, 60, 40));
  painter.drawRect(QRectF(10, -20, 60, 40));
  painter.restore();

  // The glass: a white ring and its handle.
  QPen ring(QColor(255, 255, 255), 22);
  ring.setCapStyle(Qt::RoundCap);
  painter.setPen(ring);
  painter.setBrush(QColor(255, 255, 255, 70));
  painter.drawEllipse(QPointF(150, 146), 52, 52);
  painter.drawLine(QPointF(188, 184), QPointF(226, 222));
  painter.end();
  return image;
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : IconSizes()) icon.addPixmap(QPixmap::fromImage(PaintIconImage(size)));
  return icon;
}

}  // namespace qf
