#include "app/window/qt_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

QColor ToQColor(Rgb c) { return QColor(c.R, c.G, c.B); }

// Whether a walk at (x, y) outside `area`, moving by (sx, sy), can never come back into it.
bool LeavesForGood(const QRect& area, int x, int y, int sx, int sy) {
  return (x < area.left() && sx < 0) || (x > area.right() && sx > 0) ||
         (y < area.top() && sy < 0) || (y > area.bottom() && sy > 0);
}

// Moves p0 to where the segment p0-p1 enters `area`; false when it misses the area.
bool ClipStart(const QRect& area, QPoint& p0, QPoint p1) {
  const double dx = p1.x() - p0.x(), dy = p1.y() - p0.y();
  double t0 = 0, t1 = 1;
  auto clip = [&](double p, double q) {
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
    return true;
  };
  if (!clip(-dx, p0.x() - area.left()) || !clip(dx, area.right() - p0.x()) ||
      !clip(-dy, p0.y() - area.top()) || !clip(dy, area.bottom() - p0.y())) {
    return false;
  }
  p0 = QPoint(static_cast<int>(std::lround(p0.x() + t0 * dx)),
              static_cast<int>(std::lround(p0.y() + t0 * dy)));
  return true;
}

}  // namespace

QFont PlotFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setPixelSize(11);  // 8 points at 96 pixels per inch
  return font;
}

QtSurface::QtSurface(QPainter& painter, const QFont& font) : Painter(painter), Metrics(font) {
  Painter.setFont(font);
  Painter.setRenderHint(QPainter::Antialiasing, false);
  // On a 32-bit image at a whole device pixel ratio, line pixels are written straight into it:
  // thousands of one-pixel squares through the painter would cost milliseconds per redraw.
  if (Painter.device()->devType() == QInternal::Image) {
    auto* image = static_cast<QImage*>(Painter.device());
    const qreal ratio = image->devicePixelRatio();
    const bool wholeRatio = ratio >= 1 && ratio == std::floor(ratio);
    if (wholeRatio && Painter.worldTransform().isIdentity() &&
        (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32)) {
      Pixels = image->bits();
      Ratio = static_cast<int>(ratio);
      BytesPerLine = image->bytesPerLine();
      DeviceSize = image->size();
    }
  }
}

void QtSurface::FillPixels(QRgb color) {
  if (Pixels == nullptr) {
    Painter.setPen(Qt::NoPen);
    Painter.setBrush(QColor(color));
    Painter.drawRects(Points.constData(), static_cast<int>(Points.size()));
    return;
  }
  for (const QRect& p : Points) {
    const int left = p.x() * Ratio, top = p.y() * Ratio;
    for (int dy = 0; dy < Ratio; ++dy) {
      const int row = top + dy;
      if (row < 0 || row >= DeviceSize.height()) continue;
      auto* line = reinterpret_cast<QRgb*>(Pixels + static_cast<qsizetype>(row) * BytesPerLine);
      for (int dx = 0; dx < Ratio; ++dx) {
        const int column = left + dx;
        if (column >= 0 && column < DeviceSize.width()) line[column] = color;
      }
    }
  }
}

void QtSurface::Rectangle(int x1, int y1, int x2, int y2) {
  if (x2 <= x1 || y2 <= y1) return;
  const QColor pen = ToQColor(State.PenColor);
  Painter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), ToQColor(State.BrushColor));
  // The outline as four one-pixel strips: exact whole pixels at any device pixel ratio.
  Painter.fillRect(QRect(x1, y1, x2 - x1, 1), pen);
  Painter.fillRect(QRect(x1, y2 - 1, x2 - x1, 1), pen);
  Painter.fillRect(QRect(x1, y1, 1, y2 - y1), pen);
  Painter.fillRect(QRect(x2 - 1, y1, 1, y2 - y1), pen);
}

void QtSurface::DrawSegment(int x1, int y1, int x2, int y2) {
  QPoint from(x1, y1);
  Points.clear();
  const QRect near = Painter.window().adjusted(-2, -2, 2, 2);
  if (!near.contains(from) && !ClipStart(near, from, QPoint(x2, y2))) return;
  const bool dotted = State.Style == PenStyle::Dotted;
  // A Bresenham walk from the start up to, not including, the end pixel; dotted lines light
  // every other pixel. Only the stretch near the surface is walked, so a curve point far off
  // screen costs nothing.
  const int dx = std::abs(x2 - from.x()), sx = from.x() < x2 ? 1 : -1;
  const int dy = -std::abs(y2 - from.y()), sy = from.y() < y2 ? 1 : -1;
  long long err = static_cast<long long>(dx) + dy;
  int cx = from.x(), cy = from.y();
  for (int index = 0; cx != x2 || cy != y2; ++index) {
    if (near.contains(cx, cy)) {
      if (!dotted || index % 2 == 0) Points.push_back(QRect(cx, cy, 1, 1));
    } else if (LeavesForGood(near, cx, cy, sx, sy)) {
      break;
    }
    const long long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      cx += sx;
    }
    if (e2 <= dx) {
      err += dx;
      cy += sy;
    }
  }
  // Whole-pixel squares, exact at any device pixel ratio.
  if (!Points.isEmpty()) FillPixels(ToQColor(State.PenColor).rgb());
}

void QtSurface::TextOut(int x, int y, const std::string& text) {
  const QString qtext = QString::fromStdString(text);
  const QRect cell(x, y, Metrics.horizontalAdvance(qtext), Metrics.height());
  Painter.fillRect(cell, ToQColor(State.BrushColor));
  Painter.setPen(ToQColor(State.FontColor));
  Painter.drawText(x, y + Metrics.ascent(), qtext);
}

int QtSurface::TextWidth(const std::string& text) {
  return Metrics.horizontalAdvance(QString::fromStdString(text));
}

int QtSurface::TextHeight(const std::string&) { return Metrics.height(); }
