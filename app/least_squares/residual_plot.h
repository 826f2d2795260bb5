#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>
#include <vector>

class QPainter;

// Residuals against x in the main plot's colours: a black field, a dotted silver grid, the zero
// line in silver and each residual as a stem from zero with a square marker in the model's colour
// (white for model 1, blue for model 2); a long table's thinned to one stem a pixel column.
class ResidualPlot : public QWidget {
 public:
  explicit ResidualPlot(QWidget* parent = nullptr);

  // Shows residuals[i] at x[i] (same length), scaled to fit; non-finite points are left out. An
  // empty set shows the bare field.
  void SetResiduals(std::vector<double> x, std::vector<double> residuals, QColor colour);
  void Clear() { SetResiduals({}, {}, Colour); }

  // The pixel row of residual value r, and the largest |r| the scale spans.
  int RowOf(double r) const;
  double Span() const { return YSpan; }
  // The scale's labels at the top and bottom edge (+span and -span), in the user's locale.
  QStringList ScaleLabels() const;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  int ColumnOf(double x) const;
  void DrawThinned(QPainter& painter) const;

  std::vector<double> X, Residuals;
  QColor Colour = Qt::white;
  double XMin = 0, XMax = 1, YSpan = 1;
};
