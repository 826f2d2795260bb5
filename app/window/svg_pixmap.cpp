#include "app/window/svg_pixmap.h"

#include <QPainter>
#include <QSvgRenderer>

QPixmap SvgPixmap(const QString& path, QSize size, qreal ratio) {
  QPixmap pixmap(size * ratio);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(path);
  if (renderer.isValid()) {
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size * ratio)));
  }
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

QIcon SvgIcon(const QString& path, QSize size) {
  QIcon icon;
  icon.addPixmap(SvgPixmap(path, size, 1.0));
  icon.addPixmap(SvgPixmap(path, size, 2.0));
  return icon;
}
