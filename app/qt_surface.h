#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QVector>

#include "plot/surface.h"

// Paints the plot's operations with QPainter, mapping the plot's pixel rules onto Qt's:
// Qt's outlined rectangle covers one pixel more than ours, and Qt's line paints its end pixel
// where ours leaves it out.
class QtSurface : public Surface {
 public:
  QtSurface(QPainter& painter, const QFont& font);

  void Rectangle(int x1, int y1, int x2, int y2) override;
  void LineTo(int x, int y) override;
  void TextOut(int x, int y, const std::string& text) override;
  int TextWidth(const std::string& text) override;
  int TextHeight(const std::string& text) override;

 private:
  QPainter& Painter;
  QFontMetrics Metrics;
  QVector<QRect> Points;  // the pixels of the line being drawn
};
