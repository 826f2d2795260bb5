#include "app/commands/vector_surface.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "plot/redraw_plot.h"
#include "state/app_state.h"

namespace {

QColor ToQColor(Rgb c) { return QColor(c.R, c.G, c.B); }

QPen PenFor(const SurfaceState& s) {
  QPen pen(ToQColor(s.PenColor), s.PenWidth);
  // The window's one-pixel lines end square at their pixels; a print's wider ones join round.
  pen.setCapStyle(s.PenWidth > 1 ? Qt::RoundCap : Qt::FlatCap);
  pen.setJoinStyle(s.PenWidth > 1 ? Qt::RoundJoin : Qt::MiterJoin);
  // Dotted as on screen: every other pixel along the line.
  // The path starts at the first pixel's centre, so the pattern is moved back half a pixel.
  if (s.Style == PenStyle::Dotted) {
    pen.setDashPattern({1, 1});
    pen.setDashOffset(0.5);
  }
  return pen;
}

bool SamePen(const SurfaceState& a, const SurfaceState& b) {
  return a.PenColor == b.PenColor && a.Style == b.Style && a.PenWidth == b.PenWidth;
}

QPointF Centre(int x, int y) { return QPointF(x + 0.5, y + 0.5); }

}  // namespace

VectorSurface::VectorSurface(QPainter& painter, const QFont& font)
    : Painter(painter), Metrics(font) {
  Painter.setFont(font);
  Painter.setRenderHint(QPainter::Antialiasing, true);
}

VectorSurface::~VectorSurface() { Flush(); }

void VectorSurface::Flush() {
  if (Pending.isEmpty()) return;
  Painter.setPen(PenFor(PendingPen));
  Painter.setBrush(Qt::NoBrush);
  Painter.drawPath(Pending);
  Pending = QPainterPath();
}

void VectorSurface::Rectangle(int x1, int y1, int x2, int y2) {
  Flush();
  if (x2 <= x1 || y2 <= y1) return;
  // The outline through the centres of the edge pixels; with the one-pixel pen it covers
  // columns x1..x2-1 and rows y1..y2-1 exactly, and the fill the inside.
  QPen pen(ToQColor(State.PenColor), State.PenWidth);
  pen.setJoinStyle(Qt::MiterJoin);
  Painter.setPen(pen);
  Painter.setBrush(ToQColor(State.BrushColor));
  Painter.drawRect(QRectF(Centre(x1, y1), Centre(x2 - 1, y2 - 1)));
}

void VectorSurface::DrawSegment(int x1, int y1, int x2, int y2) {
  // A segment of no length draws no pixel on screen (its one pixel is the end pixel).
  if (x1 == x2 && y1 == y2) return;
  const QPointF from = Centre(x1, y1);
  // A segment that goes on from where the last one ended, with the same pen, joins its path:
  // a curve is one path of many points.
  if (Pending.isEmpty() || Pending.currentPosition() != from || !SamePen(PendingPen, State)) {
    Flush();
    Pending.moveTo(from);
    PendingPen = State;
  }
  Pending.lineTo(Centre(x2, y2));
}

void VectorSurface::TextOut(int x, int y, const std::string& text) {
  Flush();
  const QString qtext = QString::fromStdString(text);
  Painter.fillRect(QRect(x, y, Metrics.horizontalAdvance(qtext), Metrics.height()),
                   ToQColor(State.BrushColor));
  Painter.setPen(ToQColor(State.FontColor));
  Painter.drawText(QPointF(x, y + Metrics.ascent()), qtext);
}

int VectorSurface::TextWidth(const std::string& text) {
  return Metrics.horizontalAdvance(QString::fromStdString(text));
}

int VectorSurface::TextHeight(const std::string&) { return Metrics.height(); }

namespace {

void PaintPlot(const AppState& state,
               QPaintDevice& device,
               const QFont& font,
               const HarmonicModel* models) {
  AppState copy = state;  // the redraw refreshes the grid settings; the window's stay as they are
  QPainter painter(&device);
  VectorSurface surface(painter, font);
  CurveBuffers buffers;
  if (models) {
    RedrawPlot(copy, surface, buffers, models);
  } else {
    RedrawPlot(copy, surface, buffers);
  }
  surface.Flush();
}

}  // namespace

QByteArray PlotSvg(const AppState& state, const QFont& font, const HarmonicModel* models) {
  const QSize size(state.Geometry.PlotWidth, state.Geometry.PlotHeight);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  constexpr int kScreenDpi = 96;  // a plot pixel is a CSS pixel, so the SVG opens at screen size
  svg.setResolution(kScreenDpi);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setTitle(QStringLiteral("Harmora plot"));
  PaintPlot(state, svg, font, models);
  return buffer.data();
}

QByteArray PlotPdf(const AppState& state, const QFont& font, const HarmonicModel* models) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&buffer);
  constexpr int kPointsPerInch = 72;  // one plot pixel a point
  pdf.setResolution(kPointsPerInch);
  pdf.setPageSize(QPageSize(QSizeF(state.Geometry.PlotWidth, state.Geometry.PlotHeight),
                            QPageSize::Point,
                            QString(),
                            QPageSize::ExactMatch));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setTitle(QStringLiteral("Harmora plot"));
  pdf.setCreator(QStringLiteral("Harmora"));
  PaintPlot(state, pdf, font, models);
  return buffer.data();
}
