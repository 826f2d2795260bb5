#pragma once

#include <QWidget>

#include "app/periodogram/periodogram_data.h"

class QCheckBox;
class QComboBox;
class QLabel;
class PeriodogramPlot;
class TForm1;

// "Периодограмма…": the periodogram of the data shown, its false-alarm levels, the fitted
// frequencies of both models and, on request, the spectral window; a click on a peak tells its
// period, frequency, power and false-alarm probability. It follows the main window: new data
// recompute it, a new fit moves the marks. One per main window, kept when closed.
class PeriodogramWindow : public QWidget {
  Q_OBJECT

 public:
  explicit PeriodogramWindow(TForm1& form);

  // Recomputes for new data, or only refreshes the fitted marks; run after every redraw of the
  // main window's plot.
  void Follow();

  QComboBox* AxisBox = nullptr;    // frequency or period
  QCheckBox* WindowBox = nullptr;  // the spectral window
  PeriodogramPlot* Plot = nullptr;
  QLabel* Readout = nullptr;  // the peak clicked
  QLabel* Legend = nullptr;

 private:
  void Recompute();
  void ShowComputed(PeriodogramData computed);
  void ShowFitted();
  void ShowPeak(int index);

  TForm1& Form;
  unsigned ShownData = ~0u;   // the main window's data set the periodogram is of
  double ShownMinPeriod = 0;  // and the band's minimum period
  bool RecomputeQueued = false;
};

// Adds "Периодограмма…" (Ctrl+P) to the window's commands.
void CreatePeriodogramCommand(TForm1& form);
