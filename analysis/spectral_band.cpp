#include "analysis/spectral_band.h"

#include <math.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/periodogram.h"

namespace {

// ln |Gamma(x)|. std::lgamma writes the sign to the global signgam, a race between the two
// models' threads; the reentrant form keeps it local.
double LogGamma(double x) {
  int sign = 0;
  return lgamma_r(x, &sign);
}

constexpr double kPi = std::numbers::pi;
// The periodogram's grid covers at most 20000 steps of pi / 8 in u; above that its peaks are
// blind to the narrow lines of the data.
constexpr double kResolvedBand = 20000 * kPi / 8;
// Side peaks of the spectral window below this share of its height at 0 make no alias worth a
// start.
constexpr double kAliasShare = 0.2;
// The spectral window's main lobe reaches about pi in u (u spans [-1, 1]); its side peaks lie
// beyond.
constexpr double kMainLobe = 1.5 * kPi;
constexpr int kWindowPeaks = 16;
// Sampling this near a grid cannot tell a frequency from its alias across the spectral window's
// side peak: its height at that peak, as a share of its height at 0, is 0.98 for calendar months
// (28 to 31 days) and more for quarters or years, while nightly observations spread over a few
// hours give 0.6 to 0.93, and there lines above the mean-spacing Nyquist frequency can be told
// apart.
constexpr double kNearGridShare = 0.95;
// Spacings within this share of the median one make a sampling worth testing for a near grid.
constexpr double kNearSpacing = 0.1;
constexpr double kNearSpacingShare = 0.8;

double MeanSpacingNyquist(const ScaledProblem& problem) {
  if (problem.Count < 2) return 0;
  double lo = problem.U[0], hi = problem.U[0];
  for (int i = 1; i < problem.Count; ++i) {
    lo = std::min(lo, problem.U[i]);
    hi = std::max(hi, problem.U[i]);
  }
  const double spacing = (hi - lo) / (problem.Count - 1);
  return spacing > 0 ? kPi / spacing : 0;
}

// The spectral window's height at nu as a share of its height at 0.
double WindowShare(const ScaledProblem& problem, double nu) {
  double s = 0, c = 0;
  for (int i = 0; i < problem.Count; ++i) {
    s += std::sin(nu * problem.U[i]);
    c += std::cos(nu * problem.U[i]);
  }
  const double n = problem.Count;
  return (s * s + c * c) / (n * n);
}

// The side peak of the spectral window of a sampling close to a grid of its median spacing, or 0
// where the sampling is not that close: its spacings mostly near the median (a missing month
// leaves one long gap), and the window at least kNearGridShare high near 2 pi over that spacing.
double NearGridAlias(const ScaledProblem& problem) {
  const int n = problem.Count;
  if (n < 8) return 0;
  std::vector<double> gaps(static_cast<std::size_t>(n - 1));
  for (int i = 0; i + 1 < n; ++i)
    gaps[static_cast<std::size_t>(i)] = problem.U[i + 1] - problem.U[i];
  std::vector<double> sorted = gaps;
  std::nth_element(sorted.begin(), sorted.begin() + (n - 1) / 2, sorted.end());
  const double median = sorted[static_cast<std::size_t>((n - 1) / 2)];
  if (!(median > 0) || !std::isfinite(median)) return 0;
  const auto near = std::count_if(gaps.begin(), gaps.end(), [&](double g) {
    return std::fabs(g - median) <= kNearSpacing * median;
  });
  if (static_cast<double>(near) < kNearSpacingShare * (n - 1)) return 0;
  // The window's main lobe is about 2 pi over the span of u wide: scan a fifth of that across
  // +-20 % of 2 pi / median, then narrow the best step down.
  const double span = problem.U[n - 1] - problem.U[0];
  const double centre = 2 * kPi / median, step = 0.2 * 2 * kPi / span;
  double best = centre, bestShare = WindowShare(problem, centre);
  for (double nu = 0.8 * centre; nu <= 1.2 * centre; nu += step) {
    const double share = WindowShare(problem, nu);
    if (share > bestShare) {
      best = nu;
      bestShare = share;
    }
  }
  for (double width = step / 2; width > 1e-3 * step; width /= 2) {
    for (const double nu : {best - width, best + width}) {
      const double share = WindowShare(problem, nu);
      if (share > bestShare) {
        best = nu;
        bestShare = share;
      }
    }
  }
  return bestShare >= kNearGridShare ? best : 0;
}

}  // namespace

double RefinementBand(const ScaledProblem& problem, double searchOmega) {
  if (problem.AliasPeriod > 0) return problem.AliasPeriod / 2;
  // Near a grid, as on one, the frequencies above half the window's side peak only repeat those
  // below, and a user reads the lowest.
  const double nearGrid = NearGridAlias(problem);
  if (nearGrid > 0) return nearGrid / 2;
  const double nyquist = MeanSpacingNyquist(problem);
  double band = kIrregularNyquistFactor * nyquist;
  if (searchOmega > band) band = std::min(searchOmega, kMaxNyquistFactor * nyquist);
  band = std::min(band, kResolvedBand);
  return band > 0 && std::isfinite(band) ? band : kPi * std::max(problem.Count, 1);
}

int SamplingAliases(const ScaledProblem& problem, double omegaMax, double* nu, int maxAliases) {
  if (problem.AliasPeriod > 0 || problem.Count < 3 || maxAliases <= 0) return 0;
  RowArray ones(problem.Count);
  std::fill(ones.data(), ones.data() + problem.Count, 1.0);
  double peaks[kWindowPeaks], powers[kWindowPeaks];
  // The explained sum of squares of a constant is the spectral window times the count.
  const int found =
      PeriodogramPeaks(problem.U, ones, problem.Count, omegaMax, peaks, kWindowPeaks, powers);
  int kept = 0;
  for (int j = 0; j < found && kept < maxAliases; ++j) {
    if (peaks[j] > kMainLobe && powers[j] >= kAliasShare * problem.Count) nu[kept++] = peaks[j];
  }
  return kept;
}

double PeakFalseAlarm(double z, const double* u, int count, double omegaMax, int nullParameters) {
  const double nh = count - nullParameters;  // degrees of freedom without the sinusoid
  const double nk = nh - 2;                  // and with it
  if (!(nk >= 1) || !(z >= 0) || !std::isfinite(omegaMax) || !(omegaMax > 0)) {
    return kNotDetermined;
  }
  z = std::min(z, 1.0);
  double mean = 0, variance = 0;
  for (int i = 0; i < count; ++i) mean += u[i] / count;
  for (int i = 0; i < count; ++i) variance += (u[i] - mean) * (u[i] - mean) / count;
  // Baluev's tau for the "standard" normalisation: the expected number of upcrossings of z in the
  // band, W = f_max * T_eff with T_eff = sqrt(4 pi var(u)).
  const double bandwidth = omegaMax / (2 * kPi) * std::sqrt(4 * kPi * variance);
  const double gamma = std::sqrt(2 / nh) * std::exp(LogGamma(nh / 2) - LogGamma((nh - 1) / 2));
  const double tau = gamma * bandwidth * std::pow(1 - z, (nk - 1) / 2) * std::sqrt(nh * z / 2);
  const double single = std::pow(1 - z, nk / 2);
  const double alarm = -std::expm1(-tau) + single * std::exp(-tau);
  return std::isfinite(alarm) ? std::clamp(alarm, 0.0, 1.0) : kNotDetermined;
}

namespace {

// Golden-section search for the periodogram's maximum within one grid step of peak; keeps the
// grid's own value where the search finds nothing higher.
void RefinePeak(
    const double* u, const double* r, int count, double step, double& peak, double& power) {
  constexpr double kGolden = 0.6180339887498949;
  double lo = std::max(peak - step, 0.0), hi = peak + step;
  double a = hi - kGolden * (hi - lo), b = lo + kGolden * (hi - lo);
  double fa = PeriodogramPower(u, r, count, a, true), fb = PeriodogramPower(u, r, count, b, true);
  for (int i = 0; i < 60 && hi - lo > 1e-12 * hi; ++i) {
    if (fa < fb) {
      lo = a;
      a = b;
      fa = fb;
      b = lo + kGolden * (hi - lo);
      fb = PeriodogramPower(u, r, count, b, true);
    } else {
      hi = b;
      b = a;
      fb = fa;
      a = hi - kGolden * (hi - lo);
      fa = PeriodogramPower(u, r, count, a, true);
    }
  }
  const double best = std::max(fa, fb);
  if (best > power) {
    power = best;
    peak = fa >= fb ? a : b;
  }
}

}  // namespace

PeakDetection DetectPeak(const ScaledProblem& problem, double omegaMax) {
  PeakDetection d;
  d.FalseAlarm = kNotDetermined;
  const int count = problem.Count;
  if (count < 4) return d;
  double mean = 0;
  for (int i = 0; i < count; ++i) mean += problem.T[i] / count;
  RowArray r(count);
  double sst = 0;
  for (int i = 0; i < count; ++i) {
    r[i] = problem.T[i] - mean;
    sst += r[i] * r[i];
  }
  // The generalised periodogram (the mean fitted with the sinusoid, as the null model's one
  // parameter says), its highest grid peak then refined between its neighbours: a grid point
  // beside a sharp peak would understate it and call a clear sinusoid noise.
  double peak = 0, power = 0;
  if (!(sst > 0) || !std::isfinite(sst) ||
      PeriodogramPeaks(problem.U, r, count, omegaMax, &peak, 1, &power, true) == 0) {
    d.FalseAlarm = std::isfinite(sst) ? 1.0 : kNotDetermined;
    return d;
  }
  RefinePeak(problem.U, r, count, PeriodogramStep(omegaMax), peak, power);
  d.Frequency = peak;
  d.Power = std::clamp(power / sst, 0.0, 1.0);
  d.FalseAlarm = PeakFalseAlarm(d.Power, problem.U, count, omegaMax, 1);
  return d;
}
