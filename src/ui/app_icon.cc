#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace kez::ui {

QPixmap AppIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);

  // A blue tile with three rising bars and a baseline: sales gathered into a report.
  QPainterPath tile;
  tile.addRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
  painter.fillPath(tile, QColor(0x1f, 0x5f, 0xa8));
  painter.setPen(QPen(QColor(0x0f, 0x3a, 0x6b), 1));
  painter.drawPath(tile);

  const QColor bar(0xff, 0xff, 0xff);
  painter.fillRect(QRectF(7, 18, 5, 7), bar);
  painter.fillRect(QRectF(13.5, 13, 5, 12), bar);
  painter.fillRect(QRectF(20, 8, 5, 17), QColor(0xff, 0xc8, 0x3d));
  painter.fillRect(QRectF(5, 25, 22, 2), bar);
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 256}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}

}  // namespace kez::ui
