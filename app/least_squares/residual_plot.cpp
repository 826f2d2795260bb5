#include "app/least_squares/residual_plot.h"

#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

constexpr int kMargin = 8;           // keeps the outermost markers inside the field
constexpr int kVerticalLines = 9;    // the main plot's default grid
constexpr int kHorizontalLines = 5;  // odd, so one of them is the zero line
constexpr int kMarkerHalf = 2;       // a 5-pixel square, as the main plot's markers
const QColor kSilver(192, 192, 192);
constexpr std::size_t kEveryMarkerUpTo = 2000;  // more would cover the field several times

}  // namespace

ResidualPlot::ResidualPlot(QWidget* parent) : QWidget(parent) {
  setMinimumSize(300, 150);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ResidualPlot::SetResiduals(std::vector<double> x,
                                std::vector<double> residuals,
                                QColor colour) {
  X = std::move(x);
  Residuals = std::move(residuals);
  Residuals.resize(std::min(X.size(), Residuals.size()));
  Colour = colour;
  XMin = 0;
  XMax = 1;
  YSpan = 0;
  bool first = true;
  for (size_t i = 0; i < Residuals.size(); ++i) {
    if (!std::isfinite(X[i]) || !std::isfinite(Residuals[i])) continue;
    if (first) XMin = XMax = X[i];
    first = false;
    XMin = std::min(XMin, X[i]);
    XMax = std::max(XMax, X[i]);
    YSpan = std::max(YSpan, std::fabs(Residuals[i]));
  }
  // A single x or residuals all zero still get a scale, with the points in the middle.
  if (!(XMax > XMin)) {
    XMin -= 1;
    XMax += 1;
  }
  if (!(YSpan > 0) || !std::isfinite(YSpan)) YSpan = 1;
  update();
}

int ResidualPlot::ColumnOf(double x) const {
  const double inner = width() - 2 * kMargin - 1;
  return kMargin + static_cast<int>(std::lround((x - XMin) / (XMax - XMin) * inner));
}

int ResidualPlot::RowOf(double r) const {
  const double half = (height() - 2 * kMargin - 1) / 2.0;
  return static_cast<int>(std::lround(kMargin + half - r / YSpan * half));
}

QStringList ResidualPlot::ScaleLabels() const {
  const QLocale locale;  // the decimal mark of the rest of the window
  return {locale.toString(YSpan, 'g', 3), locale.toString(-YSpan, 'g', 3)};
}

void ResidualPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  QPen grid(kSilver);
  grid.setStyle(Qt::DotLine);
  painter.setPen(grid);
  for (int i = 0; i < kVerticalLines; ++i) {
    const int x = kMargin + (width() - 2 * kMargin - 1) * i / (kVerticalLines - 1);
    painter.drawLine(x, kMargin, x, height() - kMargin - 1);
  }
  for (int i = 0; i < kHorizontalLines; ++i) {
    const double r = YSpan - 2 * YSpan * i / (kHorizontalLines - 1);
    painter.drawLine(kMargin, RowOf(r), width() - kMargin - 1, RowOf(r));
  }
  painter.setPen(kSilver);
  painter.drawLine(kMargin, RowOf(0), width() - kMargin - 1, RowOf(0));
  const QStringList labels = ScaleLabels();
  painter.drawText(kMargin + 2, kMargin + painter.fontMetrics().ascent(), labels[0]);
  painter.drawText(
      kMargin + 2, height() - kMargin - painter.fontMetrics().descent() - 1, labels[1]);

  painter.setPen(Colour);
  if (Residuals.size() > kEveryMarkerUpTo) {
    DrawThinned(painter);
    return;
  }
  for (size_t i = 0; i < Residuals.size(); ++i) {
    if (!std::isfinite(X[i]) || !std::isfinite(Residuals[i])) continue;
    const int x = ColumnOf(X[i]);
    const int y = RowOf(Residuals[i]);
    painter.drawLine(x, RowOf(0), x, y);
    painter.drawRect(x - kMarkerHalf, y - kMarkerHalf, 2 * kMarkerHalf, 2 * kMarkerHalf);
  }
}

// A long table's residuals: per pixel column one stem over every row its residuals reach (and
// the zero line) and a marker at its lowest and highest, as the main plot thins its points.
void ResidualPlot::DrawThinned(QPainter& painter) const {
  std::vector<int> low(static_cast<std::size_t>(width()), INT_MAX),
      high(static_cast<std::size_t>(width()), INT_MIN);
  for (size_t i = 0; i < Residuals.size(); ++i) {
    if (!std::isfinite(X[i]) || !std::isfinite(Residuals[i])) continue;
    const int x = ColumnOf(X[i]);
    if (x < 0 || x >= width()) continue;
    const int y = RowOf(Residuals[i]);
    low[static_cast<std::size_t>(x)] = std::min(low[static_cast<std::size_t>(x)], y);
    high[static_cast<std::size_t>(x)] = std::max(high[static_cast<std::size_t>(x)], y);
  }
  const int zero = RowOf(0);
  for (int x = 0; x < width(); ++x) {
    const int lo = low[static_cast<std::size_t>(x)], hi = high[static_cast<std::size_t>(x)];
    if (lo > hi) continue;
    painter.drawLine(x, std::min(lo, zero), x, std::max(hi, zero));
    painter.drawRect(x - kMarkerHalf, lo - kMarkerHalf, 2 * kMarkerHalf, 2 * kMarkerHalf);
    if (hi != lo)
      painter.drawRect(x - kMarkerHalf, hi - kMarkerHalf, 2 * kMarkerHalf, 2 * kMarkerHalf);
  }
}
