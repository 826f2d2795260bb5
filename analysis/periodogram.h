#pragma once

// The frequencies where one sinusoid explains most of r (a Lomb-Scargle style periodogram: the
// least-squares sine and cosine at each frequency, so irregular u needs no special care).
// Scans omegaMax / count-scaled steps of the grid in (0, omegaMax], writes up to maxPeaks local
// maxima of the explained sum of squares to peaks, strongest first, and returns how many; with
// powers, also each peak's explained sum of squares. Deterministic and allocation-free; r is
// taken as it is (remove a mean first if the model has a constant term). With floatingMean the
// sinusoid is fitted together with a constant (the generalised periodogram), so that a sinusoid
// whose samples do not average to zero is still explained whole.
int PeriodogramPeaks(const double* u,
                     const double* r,
                     int count,
                     double omegaMax,
                     double* peaks,
                     int maxPeaks,
                     double* powers = nullptr,
                     bool floatingMean = false);

// Several periodograms over the same abscissa and grid in one pass, the sines and cosines shared
// (at most kMaxPeriodogramTargets): each target's Peaks, Powers and Found are what
// PeriodogramPeaks(u, R, count, omegaMax, Peaks, MaxPeaks, Powers, FloatingMean) gives, bit for
// bit.
inline constexpr int kMaxPeriodogramTargets = 4;
struct PeriodogramTarget {
  const double* R = nullptr;
  bool FloatingMean = false;
  double* Peaks = nullptr;
  double* Powers = nullptr;  // may be null
  int MaxPeaks = 0;
  int Found = 0;  // set by the pass
};
void PeriodogramPeaks(
    const double* u, int count, double omegaMax, PeriodogramTarget* targets, int targetCount);

// The periodogram at one frequency: the sum of squares of r that a sinusoid at omega explains
// (beyond a constant, with floatingMean).
double PeriodogramPower(
    const double* u, const double* r, int count, double omega, bool floatingMean);

// The grid's step for a band up to omegaMax: a peak lies within one step of its grid point.
double PeriodogramStep(double omegaMax);
