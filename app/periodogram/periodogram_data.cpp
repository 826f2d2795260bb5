#include "app/periodogram/periodogram_data.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/spectral/grid_periodogram.h"
#include "analysis/spectral_band.h"
#include "data/observation_set.h"

namespace {

constexpr int kBisectionSteps = 60;  // halves the share's interval down to rounding

// The share at which a peak's false-alarm probability is `probability` (it falls as the share
// grows), by bisection.
double LevelFor(double probability, const ObservationSet& obs, double omegaMax) {
  double low = 0, high = 1;
  for (int step = 0; step < kBisectionSteps; ++step) {
    const double mid = 0.5 * (low + high);
    const double alarm = PeakFalseAlarmOf(obs, mid, omegaMax);
    if (std::isnan(alarm)) return alarm;
    (alarm > probability ? low : high) = mid;
  }
  return 0.5 * (low + high);
}

// Powers as shares of total, clamped to 0..1 against rounding.
void ToShares(std::vector<double>& power, double total) {
  for (double& p : power) p = total > 0 ? std::clamp(p / total, 0.0, 1.0) : 0.0;
}

}  // namespace

PeriodogramData ComputePeriodogram(const ObservationSet& obs,
                                   const std::vector<double>& sigma,
                                   double minPeriod) {
  PeriodogramData out;
  const int count = obs.LastIndex + 1;
  const double* x = obs.PlotX.data();
  const double* y = obs.OrigY.data();
  std::vector<double> weights;
  if (static_cast<int>(sigma.size()) == count) {
    for (const double s : sigma) weights.push_back(1 / (s * s));
  }
  const double span = obs.XMax - obs.XMin;
  out.OmegaMax = 2 * std::numbers::pi / minPeriod;
  if (!(span > 0) || !(out.OmegaMax > 0) || !std::isfinite(out.OmegaMax)) return out;
  FrequencyGrid grid{2 * std::numbers::pi / span / kGridPerResolution, 0};
  const double size = std::ceil(out.OmegaMax / grid.Step);
  out.Thinned = size > kMaxGridSize;
  grid.Size = static_cast<int>(std::min<double>(size, kMaxGridSize));
  grid.Step = out.OmegaMax / grid.Size;
  const SpectralSeries series{x, y, weights.empty() ? nullptr : weights.data(), count};
  out.Power = GridPeriodogram(series, grid, true);
  double totalWeight = 0, mean = 0, squares = 0;
  for (int i = 0; i < count; ++i) {
    const double w = weights.empty() ? 1.0 : weights[i];
    totalWeight += w;
    mean += w * y[i];
  }
  mean /= totalWeight;
  for (int i = 0; i < count; ++i)
    squares += (weights.empty() ? 1.0 : weights[i]) * std::pow(y[i] - mean, 2);
  ToShares(out.Power, squares);
  const std::vector<double> ones(static_cast<std::size_t>(count), 1.0);
  out.Window = GridPeriodogram({x, ones.data(), series.Weights, count}, grid, false);
  ToShares(out.Window, totalWeight);
  out.Omega.resize(out.Power.size());
  for (int k = 0; k < grid.Size; ++k) out.Omega[k] = (k + 1) * grid.Step;
  out.Level1 = LevelFor(0.01, obs, out.OmegaMax);
  out.Level01 = LevelFor(0.001, obs, out.OmegaMax);
  return out;
}

double PeakFalseAlarmOf(const ObservationSet& obs, double share, double omegaMax) {
  return PeakFalseAlarm(share, obs.PlotX.data(), obs.LastIndex + 1, omegaMax, 1);
}

int HighestPeakIn(const std::vector<double>& power, int from, int to) {
  const int last = static_cast<int>(power.size()) - 1;
  from = std::max(from, 0);
  to = std::min(to, last);
  int best = -1;
  for (int k = from; k <= to; ++k) {
    const bool peak =
        (k == 0 || power[k] >= power[k - 1]) && (k == last || power[k] >= power[k + 1]);
    if (peak && (best < 0 || power[k] > power[best])) best = k;
  }
  return best;
}
