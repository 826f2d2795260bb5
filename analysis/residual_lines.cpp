#include "analysis/residual_lines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/spectral/grid_periodogram.h"
#include "analysis/spectral_band.h"
#include "model/model_values.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// Grid points per resolution (2 pi over the span), as the periodogram-led search takes them: a
// line's peak loses at most a few per cent of its height between two of them.
constexpr double kGridPerResolution = 5;
// Nor more grid points than this per observation (a minimum period far below the spacing).
constexpr double kMaxGridPerRow = 64;

std::string Number(double v) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 3);
  return std::string(text, end.ptr);
}

// The strongest peak of the periodogram of the stage's target less model (floating mean,
// weighted as the fit) over the search's band: its period into `period` and its false-alarm
// probability against a null model of nullParameters, or kNotDetermined.
double StrongestLine(const ObservationSet& obs,
                     ModelKind kind,
                     double minPeriod,
                     const FitWeights& weights,
                     const HarmonicModel& model,
                     int nullParameters,
                     double& period) {
  const int n = obs.LastIndex + 1;
  const double span = obs.PlotX[obs.LastIndex] - obs.PlotX[0];
  if (n <= kResidualLineRows || !(span > 0) || !(minPeriod > 0)) return kNotDetermined;
  std::vector<double> r(static_cast<std::size_t>(n)), w(r.size(), 1.0);
  SumValues(model, obs.PlotX.data(), n, r.data(), LibrarySines);
  for (int i = 0; i < n; ++i) r[i] = StageTarget(kind, obs.OrigY[i]) - r[i];
  for (int i = 0; weights.Any() && i < n; ++i) {
    const double s = StageWeight(kind, obs.OrigY[i], weights.Sigma[i]);
    w[i] = s * s;
  }
  const double step = kTwoPi / span / kGridPerResolution;
  const double size = std::min(std::ceil(kTwoPi / minPeriod / step), kMaxGridPerRow * n + 1024);
  if (!std::isfinite(size) || size < 1) return kNotDetermined;
  const FrequencyGrid grid{step, static_cast<int>(size)};
  const SpectralSeries series{obs.PlotX.data(), r.data(), weights.Any() ? w.data() : nullptr, n};
  const std::vector<double> power = GridPeriodogram(series, grid, true);
  const auto top = std::max_element(power.begin(), power.end());
  double total = 0, mean = 0, sum = 0;
  for (int i = 0; i < n; ++i) {
    mean += w[i] * r[i];
    sum += w[i];
  }
  mean /= sum;
  for (int i = 0; i < n; ++i) total += w[i] * (r[i] - mean) * (r[i] - mean);
  if (top == power.end() || !(total > 0) || !std::isfinite(total)) return kNotDetermined;
  period = kTwoPi / (static_cast<double>(top - power.begin() + 1) * step);
  return PeakFalseAlarm(
      std::clamp(*top / total, 0.0, 1.0), obs.PlotX.data(), n, grid.Size * step, nullParameters);
}

void FindLine(const ObservationSet& obs,
              ModelKind kind,
              double minPeriod,
              const FitWeights& weights,
              ModelFit& fit) {
  double period = 0;
  const double alarm = StrongestLine(
      obs, kind, minPeriod, weights, fit.Coefficients, fit.StageStatistics.Parameters, period);
  if (!IsDetermined(alarm)) return;
  fit.ResidualLinePeriod = period;
  fit.ResidualLineFalseAlarm = alarm;
}

// Harmonics closer than this many resolutions that are two lines (TwoLines) get the note that
// their intervals, from the curvature at the optimum, may understate the uncertainty: over pairs
// of unit lines at 10 dB (bench/close_line_coverage.py) the intervals held 90.6 and 91.6 % of the
// amplitudes (two runs) where the fitted pair ended 1 to 1.2 resolutions apart, 94 to 95 % from
// 1.2 on, as for lines far apart (pairs drawn 0.5 to 2.5 resolutions apart: 1 to 1.25 held 94.1 %
// on a grid, 92.0 % on irregular x).
constexpr double kCloseLines = 1.25;

// Whether close harmonics k and j are two lines rather than one split in two: each is clearly
// more than noise beside the other refitted without it.
bool TwoLines(const ModelFit& fit, int k, int j) {
  for (const int i : {k, j}) {
    const double alarm = fit.HarmonicFalseAlarm[i];
    if (!(IsDetermined(alarm) && alarm <= kTrustFalseAlarm)) return false;
  }
  return true;
}

}  // namespace

void FindResidualLines(const ObservationSet& obs,
                       double minPeriod,
                       const RefineOptions& options,
                       RefinementResult& result) {
  if (result.Cancelled) return;
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    const int m = static_cast<int>(kind);
    if (!options.Models[m]) continue;
    // The refinement's own peak looks only up to its band, which stops short of the search's
    // on long series (20,000 frequencies at most: periods above about 40 at 10^6 rows); there
    // the data's strongest peak is taken over the search's band.
    double period = 0;
    const double alarm =
        result.RefinementBand < result.SearchBand
            ? StrongestLine(obs, kind, minPeriod, options.Weights, HarmonicModel{}, 1, period)
            : kNotDetermined;
    if (IsDetermined(alarm)) result.PeakFalseAlarm[m] = alarm;
    FindLine(obs, kind, minPeriod, options.Weights, result.Refined[m]);
    if (options.WithConstant)
      FindLine(obs, kind, minPeriod, options.Weights, result.WithConstant[m]);
  }
}

std::string ResidualLineText(const ModelFit& fit, const char* which) {
  const double alarm = fit.ResidualLineFalseAlarm;
  if (!IsDetermined(alarm) || !(alarm <= kTrustFalseAlarm) || !(fit.ResidualLinePeriod > 0)) {
    return "";
  }
  std::string text = "A line at period ";
  text += Number(fit.ResidualLinePeriod);
  text += " remains in the residuals (";
  text += which;
  text += "; false-alarm probability ";
  text += alarm < 1e-6 ? std::string("far below 1 %") : Number(100 * alarm) + " %";
  text += "); a fit with more harmonics would take it.";
  return text;
}

bool SharesLine(const ModelFit& fit, int k, double span) {
  if (!(span > 0) || k < fit.FixedCount) return false;
  const double resolution = kTwoPi / span;
  for (int j = 0; j < fit.Coefficients.Count; ++j) {
    if (j != k && std::fabs(fit.Coefficients.B[j] - fit.Coefficients.B[k]) < resolution) {
      return true;
    }
  }
  return false;
}

std::string SharedLineText(const ModelFit& fit, const char* which, double span) {
  std::string text;
  const double resolution = kTwoPi / span;
  for (int k = fit.FixedCount; k < fit.Coefficients.Count && span > 0; ++k) {
    for (int j = k + 1; j < fit.Coefficients.Count; ++j) {
      const double bk = fit.Coefficients.B[k], bj = fit.Coefficients.B[j];
      const bool two = TwoLines(fit, k, j);
      if (!(std::fabs(bk - bj) < (two ? kCloseLines : 1) * resolution)) continue;
      if (!text.empty()) text += ' ';
      text += "Harmonics " + std::to_string(k + 1) + " and " + std::to_string(j + 1) + " (";
      text += which;
      text += two ? ") are two lines" : ") lie on one line";
      text += " (periods " + Number(kTwoPi / bk) + " and " + Number(kTwoPi / bj);
      text += two ? ", within 1.25 resolutions, 2 pi / span = "
                  : ", closer than one resolution, "
                    "2 pi / span = ";
      text += Number(resolution);
      text += two ? "): the data barely tell them apart, and their intervals may understate the "
                    "uncertainty."
                  : "): together they fit what one would, and their amplitudes do not describe "
                    "two cycles.";
    }
  }
  return text;
}
