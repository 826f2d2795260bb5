#pragma once

#include <vector>

struct ObservationSet;

// What the periodogram window shows of a data set: the generalised (floating-mean) periodogram
// of y over the band the search looks at, up to 2*pi / minimum period, as the share of y's
// (weighted) sum of squares about its mean that one sinusoid explains at each frequency; the
// sampling's spectral window on the same grid; and the shares a peak must reach for the chance
// that noise alone gives one as high anywhere in the band to fall to 1 % and 0.1 %.
struct PeriodogramData {
  std::vector<double> Omega;   // angular frequencies (B in sin(B x + C)), increasing
  std::vector<double> Power;   // shares, 0..1, one per frequency
  std::vector<double> Window;  // the spectral window: what a constant y shows, as shares
  double Level1 = 0;           // 1 % false-alarm level (NaN where not determined)
  double Level01 = 0;          // 0.1 %
  double OmegaMax = 0;
  bool Thinned = false;  // the grid was coarser than usual to keep it within kMaxGridSize
};

// At most this many frequencies: the transform of a million observations stays under a second.
inline constexpr int kMaxGridSize = 1'000'000;
// Grid points per resolution cell (2*pi over the data's span), as the search samples its band.
inline constexpr double kGridPerResolution = 5;

// The periodogram of obs's x and the y as loaded (OrigY), weighted by 1/sigma^2 when sigma holds
// one value per observation. Requires at least 2 observations with distinct x.
PeriodogramData ComputePeriodogram(const ObservationSet& obs,
                                   const std::vector<double>& sigma,
                                   double minPeriod);

// The chance that noise gives a peak of `share` anywhere in the data's band (Baluev's
// approximation), as the levels are drawn; NaN where not determined.
double PeakFalseAlarmOf(const ObservationSet& obs, double share, double omegaMax);

// The index of the highest local maximum of power within [from, to] (indices clamped), or -1.
int HighestPeakIn(const std::vector<double>& power, int from, int to);
