#include "app/periodogram/periodogram_plot.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kLeft = 64, kRight = 16, kTop = 12, kBottom = 44;  // room for labels and titles
constexpr int kPickPixels = 6;  // a click picks a peak this near
constexpr double kHeadroom = 1.08;
const QColor kPowerColour(20, 20, 20);
const QColor kWindowColour(150, 150, 150);
const QColor kModel1Colour(200, 30, 30);
const QColor kModel2Colour(30, 60, 220);
const QColor kLevelColour(0, 130, 60);

// Ticks at 1, 2 or 5 times a power of ten, about five over [low, high].
std::vector<double> LinearTicks(double low, double high) {
  std::vector<double> ticks;
  const double range = high - low;
  if (!(range > 0)) return ticks;
  const double raw = range / 5, magnitude = std::pow(10, std::floor(std::log10(raw)));
  const double step = magnitude * (raw / magnitude < 2 ? 1 : raw / magnitude < 5 ? 2 : 5);
  for (double t = std::ceil(low / step) * step; t <= high + step * 1e-9; t += step) {
    ticks.push_back(std::fabs(t) < step * 1e-9 ? 0 : t);
  }
  return ticks;
}

// Ticks at 1, 2 and 5 times the powers of ten within [low, high] (both positive).
std::vector<double> LogTicks(double low, double high) {
  std::vector<double> ticks;
  for (double decade = std::pow(10, std::floor(std::log10(low))); decade <= high; decade *= 10) {
    for (const double m : {1.0, 2.0, 5.0}) {
      if (m * decade >= low && m * decade <= high) ticks.push_back(m * decade);
    }
  }
  return ticks;
}

QString Number(double v) { return QLocale().toString(v, 'g', 4); }

}  // namespace

PeriodogramPlot::PeriodogramPlot(QWidget* parent) : QWidget(parent) {
  setMinimumSize(480, 300);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
}

void PeriodogramPlot::SetData(PeriodogramData computed) {
  Shown = std::move(computed);
  Picked = -1;
  double highest = std::max(Shown.Level01, Shown.Level1);
  for (const double p : Shown.Power) highest = std::max(highest, p);
  Top = std::clamp(std::isfinite(highest) ? highest * kHeadroom : 1.0, 1e-6, 1.0);
  update();
}

void PeriodogramPlot::SetFitted(std::vector<double> model1, std::vector<double> model2) {
  Fitted[0] = std::move(model1);
  Fitted[1] = std::move(model2);
  update();
}

void PeriodogramPlot::SetPeriodAxis(bool period) {
  PeriodAxis = period;
  update();
}

void PeriodogramPlot::SetWindowShown(bool shown) {
  WindowShown = shown;
  update();
}

QRectF PeriodogramPlot::Area() const {
  return QRectF(kLeft, kTop, width() - kLeft - kRight, height() - kTop - kBottom);
}

double PeriodogramPlot::PixelOf(double omega) const {
  const QRectF a = Area();
  if (Shown.Omega.empty()) return a.left();
  const double lo = Shown.Omega.front(), hi = Shown.Omega.back();
  // The period axis runs from the shortest period on the left, logarithmically.
  const double t = PeriodAxis ? std::log(hi / omega) / std::log(hi / lo) : omega / hi;
  return a.left() + t * a.width();
}

double PeriodogramPlot::OmegaAt(double pixel) const {
  const QRectF a = Area();
  if (Shown.Omega.empty()) return 0;
  const double lo = Shown.Omega.front(), hi = Shown.Omega.back();
  const double t = (pixel - a.left()) / a.width();
  return PeriodAxis ? hi / std::exp(t * std::log(hi / lo)) : t * hi;
}

double PeriodogramPlot::RowOf(double share) const {
  const QRectF a = Area();
  return a.bottom() - share / Top * a.height();
}

void PeriodogramPlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  DrawAxes(p);
  if (Shown.Omega.empty()) return;
  p.setClipRect(Area().adjusted(-1, -1, 1, 1));
  if (WindowShown) DrawEnvelope(p, Shown.Window, kWindowColour);
  DrawEnvelope(p, Shown.Power, kPowerColour);
  DrawMarks(p);
}

void PeriodogramPlot::DrawAxes(QPainter& p) const {
  const QRectF a = Area();
  p.setPen(QPen(Qt::black, 1));
  p.drawRect(a);
  const QFontMetrics metrics(font());
  for (const double share : LinearTicks(0, Top)) {
    const double row = RowOf(share);
    p.drawLine(QPointF(a.left() - 4, row), QPointF(a.left(), row));
    const QString text = Number(share);
    p.drawText(
        QPointF(a.left() - 6 - metrics.horizontalAdvance(text), row + metrics.ascent() / 2.0),
        text);
  }
  if (!Shown.Omega.empty()) {
    const double lo = Shown.Omega.front(), hi = Shown.Omega.back();
    const std::vector<double> ticks =
        PeriodAxis ? LogTicks(2 * std::numbers::pi / hi, 2 * std::numbers::pi / lo)
                   : LinearTicks(0, hi);
    for (const double t : ticks) {
      const double column = PixelOf(PeriodAxis ? 2 * std::numbers::pi / t : t);
      p.drawLine(QPointF(column, a.bottom()), QPointF(column, a.bottom() + 4));
      const QString text = Number(t);
      const double left = std::clamp(column - metrics.horizontalAdvance(text) / 2.0,
                                     0.0,
                                     width() - 1.0 - metrics.horizontalAdvance(text));
      p.drawText(QPointF(left, a.bottom() + 6 + metrics.ascent()), text);
    }
  }
  const QString title = PeriodAxis ? QStringLiteral("период 2π/B (единицы x)")
                                   : QStringLiteral("угловая частота B (радиан на единицу x)");
  p.drawText(QRectF(a.left(), height() - metrics.height() - 2, a.width(), metrics.height()),
             Qt::AlignHCenter,
             title);
  p.save();
  p.translate(metrics.height() - 2, a.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-a.height() / 2, -metrics.height(), a.height(), metrics.height()),
             Qt::AlignHCenter,
             QStringLiteral("мощность (доля суммы квадратов)"));
  p.restore();
}

void PeriodogramPlot::DrawEnvelope(QPainter& p,
                                   const std::vector<double>& values,
                                   const QColor& colour) const {
  // The highest value in each pixel column, joined column to column.
  QPainterPath path;
  int column = INT_MIN;
  double highest = 0;
  auto flush = [&] {
    if (column == INT_MIN) return;
    const QPointF point(column, RowOf(highest));
    path.elementCount() == 0 ? path.moveTo(point) : path.lineTo(point);
  };
  for (std::size_t k = 0; k < values.size(); ++k) {
    const int c = static_cast<int>(std::lround(PixelOf(Shown.Omega[k])));
    if (c != column) {
      flush();
      column = c;
      highest = values[k];
    } else {
      highest = std::max(highest, values[k]);
    }
  }
  flush();
  p.setPen(QPen(colour, 1.2));
  p.drawPath(path);
}

void PeriodogramPlot::DrawMarks(QPainter& p) const {
  const QRectF a = Area();
  const QFontMetrics metrics(font());
  const struct {
    double Share;
    QString Text;
  } levels[] = {{Shown.Level1, QStringLiteral("1 %")},
                {Shown.Level01, QLocale().toString(0.1) + QStringLiteral(" %")}};
  for (const auto& level : levels) {
    if (!std::isfinite(level.Share)) continue;
    p.setPen(QPen(kLevelColour, 1, Qt::DashLine));
    p.drawLine(QPointF(a.left(), RowOf(level.Share)), QPointF(a.right(), RowOf(level.Share)));
    p.drawText(
        QPointF(a.right() - 4 - metrics.horizontalAdvance(level.Text), RowOf(level.Share) - 3),
        level.Text);
  }
  const QColor colours[2] = {kModel1Colour, kModel2Colour};
  for (int m = 0; m < 2; ++m) {
    p.setPen(QPen(colours[m], 1.5, m == 0 ? Qt::SolidLine : Qt::DashDotLine));
    for (const double omega : Fitted[m]) {
      if (!(omega > 0)) continue;
      const double column = PixelOf(omega);
      p.drawLine(QPointF(column, a.top()), QPointF(column, a.bottom()));
    }
  }
  if (Picked >= 0 && Picked < static_cast<int>(Shown.Power.size())) {
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(PixelOf(Shown.Omega[Picked]), RowOf(Shown.Power[Picked])), 5, 5);
  }
}

void PeriodogramPlot::mousePressEvent(QMouseEvent* e) {
  if (Shown.Omega.empty() || e->button() != Qt::LeftButton) return;
  const double x = e->position().x();
  // The grid indices under the pixels near the click; the period axis runs the other way.
  double w1 = OmegaAt(x - kPickPixels), w2 = OmegaAt(x + kPickPixels);
  if (w1 > w2) std::swap(w1, w2);
  const auto& omega = Shown.Omega;
  const int from =
      static_cast<int>(std::lower_bound(omega.begin(), omega.end(), w1) - omega.begin());
  const int to =
      static_cast<int>(std::upper_bound(omega.begin(), omega.end(), w2) - omega.begin()) - 1;
  const int peak = HighestPeakIn(Shown.Power, from, to);
  if (peak < 0) return;
  Picked = peak;
  update();
  emit PeakPicked(peak);
}
