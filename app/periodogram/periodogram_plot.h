#pragma once

#include <QWidget>
#include <vector>

#include "app/periodogram/periodogram_data.h"

// The periodogram's picture: power (as a share of the sum of squares) against the angular
// frequency on a linear axis, or against the period on a logarithmic one; the false-alarm
// levels as dashed lines, the fitted frequencies of both models as vertical lines, the spectral
// window in grey on request. Each pixel column draws the highest value of its frequencies, so
// no peak is lost however fine the grid. A click picks the highest peak within a few pixels.
class PeriodogramPlot : public QWidget {
  Q_OBJECT

 public:
  explicit PeriodogramPlot(QWidget* parent = nullptr);

  void SetData(PeriodogramData computed);
  const PeriodogramData& Data() const { return Shown; }
  // The fitted frequencies of model 1 and model 2 (B of each harmonic).
  void SetFitted(std::vector<double> model1, std::vector<double> model2);
  const std::vector<double>& FittedOf(int model) const { return Fitted[model]; }
  void SetPeriodAxis(bool period);
  void SetWindowShown(bool shown);

  // Where an angular frequency lies on the x axis, and back.
  double PixelOf(double omega) const;
  double OmegaAt(double pixel) const;

  int Picked = -1;  // the grid index of the peak clicked last, or -1

 signals:
  void PeakPicked(int index);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  QRectF Area() const;  // the plotting area inside the axes' margins
  double RowOf(double share) const;
  void DrawAxes(class QPainter& p) const;
  void DrawEnvelope(class QPainter& p,
                    const std::vector<double>& values,
                    const QColor& colour) const;
  void DrawMarks(class QPainter& p) const;

  PeriodogramData Shown;
  std::vector<double> Fitted[2];
  bool PeriodAxis = false;
  bool WindowShown = false;
  double Top = 1;  // the share at the top of the axis
};
