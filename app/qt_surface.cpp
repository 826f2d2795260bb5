#include "app/qt_surface.h"

#include <QPen>
#include <cstdlib>

namespace {

QColor ToQColor(Rgb c) { return QColor(c.R, c.G, c.B); }

}  // namespace

QtSurface::QtSurface(QPainter& painter, const QFont& font) : Painter(painter), Metrics(font) {
  Painter.setFont(font);
  Painter.setRenderHint(QPainter::Antialiasing, false);
}

void QtSurface::ApplyPen() {
  QPen pen(ToQColor(State.PenColor));
  pen.setWidth(1);
  pen.setCapStyle(Qt::FlatCap);
  pen.setStyle(State.Style == PenStyle::Dotted ? Qt::DotLine : Qt::SolidLine);
  Painter.setPen(pen);
}

void QtSurface::Rectangle(int x1, int y1, int x2, int y2) {
  if (x2 <= x1 || y2 <= y1) return;
  Painter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), ToQColor(State.BrushColor));
  ApplyPen();
  Painter.setBrush(Qt::NoBrush);
  // Qt outlines QRect(x, y, w, h) over columns x..x+w, so w is one less than the width.
  Painter.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void QtSurface::LineTo(int x, int y) {
  const QPoint from(State.PenX, State.PenY);
  const QPoint to(x, y);
  State.PenX = x;
  State.PenY = y;
  if (from == to) return;
  ApplyPen();
  // Our line leaves out its end pixel: draw to the pixel before it along the major axis.
  const int dx = to.x() - from.x();
  const int dy = to.y() - from.y();
  const int steps = std::max(std::abs(dx), std::abs(dy));
  if (steps == 1) {
    Painter.drawPoint(from);
    return;
  }
  // The pixel a Bresenham walk reaches one step before the end.
  const double t = static_cast<double>(steps - 1) / steps;
  const QPoint last(from.x() + static_cast<int>(std::lround(dx * t)),
                    from.y() + static_cast<int>(std::lround(dy * t)));
  Painter.drawLine(from, last);
}

void QtSurface::TextOut(int x, int y, const std::string& text) {
  const QString qtext = QString::fromStdString(text);
  const QRect cell(x, y, Metrics.horizontalAdvance(qtext), Metrics.height());
  Painter.fillRect(cell, ToQColor(State.BrushColor));
  Painter.setPen(ToQColor(State.FontColor));
  Painter.drawText(x, y + Metrics.ascent(), qtext);
}

int TextWidthOf(const QFontMetrics& metrics, const std::string& text) {
  return metrics.horizontalAdvance(QString::fromStdString(text));
}

int QtSurface::TextWidth(const std::string& text) { return TextWidthOf(Metrics, text); }

int QtSurface::TextHeight(const std::string&) { return Metrics.height(); }
