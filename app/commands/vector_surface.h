#pragma once

#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "plot/surface.h"

struct AppState;
struct HarmonicModel;

// Paints the plot's operations as vector graphics with QPainter on any device (an SVG
// generator, a PDF writer), in plot pixels: a rectangle is one outlined and filled rectangle
// element, a run of joined line segments with one pen is one path, and text stays text. Pixel
// (x, y) is the unit square at (x, y), so outlines and lines run through pixel centres and cover
// the pixels the window's back buffer shows. Text is measured with the screen font's metrics, so
// the labels stand where they stand on screen.
class VectorSurface : public Surface {
 public:
  VectorSurface(QPainter& painter, const QFont& font);
  ~VectorSurface() override;

  void Rectangle(int x1, int y1, int x2, int y2) override;
  void TextOut(int x, int y, const std::string& text) override;
  int TextWidth(const std::string& text) override;
  int TextHeight(const std::string& text) override;

  // Paints the path still being joined; the destructor does it too.
  void Flush();

 protected:
  void DrawSegment(int x1, int y1, int x2, int y2) override;

 private:
  QPainter& Painter;
  QFontMetrics Metrics;
  QPainterPath Pending;     // segments joined so far, all with PendingPen
  SurfaceState PendingPen;  // the state the pending path is drawn with
};

// The whole plot of `state` (its last computed geometry) as an SVG document of PlotWidth by
// PlotHeight pixels, drawn by RedrawPlot through a VectorSurface. The state is not changed.
// Raises the run-time fault RedrawPlot raises; then nothing is returned. `models`, when given,
// are the curves of a fit with terms (RedrawPlot's models).
QByteArray PlotSvg(const AppState& state, const QFont& font, const HarmonicModel* models = nullptr);

// The same plot as a one-page PDF whose page is the plot, one point a pixel.
QByteArray PlotPdf(const AppState& state, const QFont& font, const HarmonicModel* models = nullptr);
