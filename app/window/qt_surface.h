#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QVector>

#include "plot/surface.h"

// The window's font, in which the plot writes its labels: sans-serif, 11 pixels.
QFont PlotFont();

// Paints the plot's operations with QPainter. Rectangles and lines are filled as whole plot
// pixels (Qt's own outline and line would cover one pixel more, and blur at a device pixel
// ratio of 2); lines walk their pixels themselves and leave out the end pixel.
class QtSurface : public Surface {
 public:
  QtSurface(QPainter& painter, const QFont& font);

  void Rectangle(int x1, int y1, int x2, int y2) override;
  void TextOut(int x, int y, const std::string& text) override;
  int TextWidth(const std::string& text) override;
  int TextHeight(const std::string& text) override;

 protected:
  void DrawSegment(int x1, int y1, int x2, int y2) override;

 private:
  void FillPixels(QRgb color);  // the squares in Points

  QPainter& Painter;
  QFontMetrics Metrics;
  QVector<QRect> Points;    // the pixels of the line being drawn
  uchar* Pixels = nullptr;  // the image's pixels when they can be written directly
  int Ratio = 1;
  qsizetype BytesPerLine = 0;
  QSize DeviceSize;
};
