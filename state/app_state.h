#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/fit_cancelled.h"
#include "data/observation_set.h"
#include "data/random_generator.h"
#include "model/harmonic_model.h"
#include "state/plot_area.h"

// The grid settings, copied from their controls at the start of every grid draw.
struct ViewSettings {
  std::uint8_t Lx = 9;  // vertical grid lines, 3..101
  std::uint8_t Ly = 5;  // horizontal grid lines, 3..101, odd
  std::uint8_t Dx = 3;  // decimals of x labels, 0..9
  std::uint8_t Dy = 3;  // decimals of y labels, 0..9
};

// The positions of the panel's controls that the core reads, kept current by the window as the
// controls change, so the core reads them exactly when the design reads the controls.
struct ControlPositions {
  int UpDown1 = 1;        // harmonic count, 1..5
  int UpDown2 = 9;        // vertical grid lines, 3..101
  int UpDown3 = 3;        // decimals of x labels, 0..9
  int UpDown4 = 5;        // horizontal grid lines as shown in the box
  int UpDown5 = 3;        // decimals of y labels, 0..9
  int ComboBox1 = 10000;  // the selected search depth's value
};

// Where the core reaches the screen. Tests leave them empty or counting.
struct AppHooks {
  std::function<void()> Redraw;  // draw the whole plot from the state and show it now
  CancelCheck Cancelled;         // true stops a fit (FitCancelled); empty: never
};

// What a fit searched with, read when it started: the number of harmonics, the search depth and
// the minimum period. A repeat of the fit and the exported data use these, whatever the panel
// says since.
struct FitSettings {
  int HarmonicCount = 0;
  std::int32_t Depth = 0;
  double MinPeriod = 0;
};

// The whole state of the program, owned by the main window for the run.
struct AppState {
  ObservationSet Observations;
  CoefficientTable Coefficients;
  TrialHarmonic Trial;
  double TrialResidual = 0;
  double BestResidual = 0;
  int FitStage = 0;  // 0 no fit shown; 1 model 2 running; 2 model 1 running or finished

  double FreqScale[2] = {0, 0};
  std::int32_t TrialCount = 0;
  double RelDeviation = 0;
  double SavedDeviation = 0;
  double PhaseStep = 0, FreqStep = 0;  // refinement step sizes, reset by every direction search

  PlotGeometry Geometry;
  std::uint8_t HorzLines = 5;  // last accepted odd position of UpDown4
  ViewSettings View;
  ControlPositions Controls;

  std::string DataPath, DataName;
  bool ReadFailed = false;

  RandomGenerator Random;
  // The generator's state right after each stage's reseed in the last fit ([0] stage 1, model 2;
  // [1] stage 2, model 1): with these a search can be repeated bit for bit.
  std::uint32_t StageSeeds[2] = {0, 0};
  FitSettings LastFit;  // the settings of the last fit started
  AppHooks Hooks;
};
