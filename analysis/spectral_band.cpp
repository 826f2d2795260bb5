#include "analysis/spectral_band.h"

#include <math.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/least_squares.h"
#include "analysis/periodogram.h"
#include "analysis/spectral/grid_spacing.h"

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
// Up to this many observations the window is scanned for its side peak (about 2 n sums of n
// terms: 0.05 s at 1,000); longer series take it at 2 pi over the fitted grid spacing, one sum
// (the scan took 350 s at 100,000 gapped rows).
constexpr int kScannedRows = 1000;
// A band no wider than this multiple of the mean-spacing Nyquist frequency was folded there
// (RefinementBand: irregular x reach five times it).
constexpr double kFoldedBand = 2;
// Independent trials per Fourier frequency of a folded band, the continuous maximum between them
// included (fitted to simulated noise, as Horne and Baliunas fitted theirs).
constexpr double kFoldedTrials = 1.4;

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

// The side peak of the window scanned by step across +-20 % of centre and narrowed down; 0
// where it stays below kNearGridShare.
double ScanWindowPeak(const ScaledProblem& problem, double centre, double step) {
  double best = centre, bestShare = WindowShare(problem, centre);
  const auto consider = [&](double nu) {
    const double share = WindowShare(problem, nu);
    if (share > bestShare) {
      best = nu;
      bestShare = share;
    }
  };
  for (double nu = 0.8 * centre; nu <= 1.2 * centre; nu += step) consider(nu);
  for (double width = step / 2; width > 1e-3 * step; width /= 2) {
    for (const double nu : {best - width, best + width}) consider(nu);
  }
  return bestShare >= kNearGridShare ? best : 0;
}

// The side peak of the spectral window of a sampling close to a grid of its median spacing, or 0
// where the sampling is not that close: its spacings mostly near the median (a missing month
// leaves one long gap), and the window at least kNearGridShare high near 2 pi over that spacing.
double NearGridAlias(const ScaledProblem& problem) {
  const int n = problem.Count;
  if (n < 8) return 0;
  RowArray gaps(n - 1), sorted(n - 1);
  for (int i = 0; i + 1 < n; ++i) gaps[i] = sorted[i] = problem.U[i + 1] - problem.U[i];
  std::nth_element(sorted.data(), sorted.data() + (n - 1) / 2, sorted.data() + (n - 1));
  const double median = sorted[(n - 1) / 2];
  if (!(median > 0) || !std::isfinite(median)) return 0;
  const auto near = std::count_if(gaps.data(), gaps.data() + (n - 1), [&](double g) {
    return std::fabs(g - median) <= kNearSpacing * median;
  });
  if (static_cast<double>(near) < kNearSpacingShare * (n - 1)) return 0;
  if (n > kScannedRows) {
    const double spacing = FittedGridSpacing(problem.U, n, median);
    const double nu = spacing > 0 ? 2 * kPi / spacing : 0;
    return nu > 0 && WindowShare(problem, nu) >= kNearGridShare ? nu : 0;
  }
  // The window's main lobe is about 2 pi over the span of u wide: scan a fifth of that across
  // +-20 % of 2 pi / median, then narrow the best step down.
  const double span = problem.U[n - 1] - problem.U[0];
  return ScanWindowPeak(problem, 2 * kPi / median, 0.2 * 2 * kPi / span);
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

double PeakFalseAlarm(double z, const double* u, int count, double omegaMax, int nullParameters) {
  const double nh = count - nullParameters;  // degrees of freedom without the sinusoid
  const double nk = nh - 2;                  // and with it
  if (!(nk >= 1) || !(z >= 0) || !std::isfinite(omegaMax) || !(omegaMax > 0)) {
    return kNotDetermined;
  }
  z = std::min(z, 1.0);
  double mean = 0, variance = 0, lo = u[0], hi = u[0];
  for (int i = 0; i < count; ++i) {
    mean += u[i] / count;
    lo = std::min(lo, u[i]);
    hi = std::max(hi, u[i]);
  }
  for (int i = 0; i < count; ++i) variance += (u[i] - mean) * (u[i] - mean) / count;
  // Baluev's tau for the "standard" normalisation: the expected number of upcrossings of z in the
  // band, W = f_max * T_eff with T_eff = sqrt(4 pi var(u)).
  const double bandwidth = omegaMax / (2 * kPi) * std::sqrt(4 * kPi * variance);
  const double gamma = std::sqrt(2 / nh) * std::exp(LogGamma(nh / 2) - LogGamma((nh - 1) / 2));
  const double tau = gamma * bandwidth * std::pow(1 - z, (nk - 1) / 2) * std::sqrt(nh * z / 2);
  const double single = std::pow(1 - z, nk / 2);
  double alarm = -std::expm1(-tau) + single * std::exp(-tau);
  // Where the band was folded at (about) the Nyquist frequency of a grid or a near grid,
  // Baluev's upcrossings, made for the tail, make the bulk too small: over 1,000 noise draws of
  // 60 grid points the deciles came out 0.096 ... 0.81. There the band's Fourier frequencies
  // count as independent trials, as many as kFoldedTrials times those left by the null model,
  // which matched noise on grids, calendar months and jittered days of 12 to 240 points (a
  // Kolmogorov-Smirnov distance from uniform of 0.030 on average, the share below 0.05 0.049:
  // bench/false_alarm_null.py).
  const double span = hi - lo;
  if (span > 0 && omegaMax <= kFoldedBand * kPi * (count - 1) / span) {
    const double frequencies = omegaMax * span / kPi + 1;  // count on a full grid
    const double trials = kFoldedTrials * std::max(frequencies - nullParameters, 1.0) + 2;
    alarm = std::max(alarm, -std::expm1(trials * std::log1p(-std::min(single, 1.0))));
  }
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

// DetectPeak's work before and after its periodogram: the target less its mean, its sum of
// squares about the mean, and the strongest grid peak of the generalised periodogram (the mean
// fitted with the sinusoid, as the null model's one parameter says).
struct PeakSearch {
  RowArray R;
  double Sst = 0;
  double Peak = 0, Power = 0;
  PeriodogramTarget Target;
};

// False where no peak is looked for (fewer than four observations).
bool StartPeak(const ScaledProblem& problem, PeakSearch& search) {
  const int count = problem.Count;
  if (count < 4) return false;
  double mean = 0;
  for (int i = 0; i < count; ++i) mean += problem.T[i] / count;
  search.R.Reserve(count);
  search.Sst = 0;
  for (int i = 0; i < count; ++i) {
    search.R[i] = problem.T[i] - mean;
    search.Sst += search.R[i] * search.R[i];
  }
  search.Target = {search.R, true, &search.Peak, &search.Power, 1};
  return true;
}

// The highest grid peak refined between its neighbours: a grid point beside a sharp peak would
// understate it and call a clear sinusoid noise.
PeakDetection FinishPeak(const ScaledProblem& problem, PeakSearch& search, double omegaMax) {
  PeakDetection d;
  const double sst = search.Sst;
  if (!(sst > 0) || !std::isfinite(sst) || search.Target.Found == 0) {
    d.FalseAlarm = std::isfinite(sst) ? 1.0 : kNotDetermined;
    return d;
  }
  double peak = search.Peak, power = search.Power;
  RefinePeak(problem.U, search.R, problem.Count, PeriodogramStep(omegaMax), peak, power);
  d.Frequency = peak;
  d.Power = std::clamp(power / sst, 0.0, 1.0);
  d.FalseAlarm = PeakFalseAlarm(d.Power, problem.U, problem.Count, omegaMax, 1);
  return d;
}

// The spectral window's strongest peaks: the explained sum of squares of a constant is the window
// times the count.
struct WindowSearch {
  RowArray Ones;
  double Peaks[kWindowPeaks], Powers[kWindowPeaks];
  PeriodogramTarget Target;
};

bool StartWindow(const ScaledProblem& problem, int maxAliases, WindowSearch& search) {
  if (problem.AliasPeriod > 0 || problem.Count < 3 || maxAliases <= 0) return false;
  search.Ones.Reserve(problem.Count);
  std::fill(search.Ones.data(), search.Ones.data() + problem.Count, 1.0);
  search.Target = {search.Ones, false, search.Peaks, search.Powers, kWindowPeaks};
  return true;
}

int FinishWindow(const ScaledProblem& problem,
                 const WindowSearch& search,
                 double* nu,
                 int maxAliases) {
  int kept = 0;
  for (int j = 0; j < search.Target.Found && kept < maxAliases; ++j) {
    if (search.Peaks[j] > kMainLobe && search.Powers[j] >= kAliasShare * problem.Count) {
      nu[kept++] = search.Peaks[j];
    }
  }
  return kept;
}

}  // namespace

PeakDetection DetectPeak(const ScaledProblem& problem, double omegaMax) {
  PeakSearch search;
  if (!StartPeak(problem, search)) return PeakDetection{0, 0, kNotDetermined};
  PeriodogramPeaks(problem.U, problem.Count, omegaMax, &search.Target, 1);
  return FinishPeak(problem, search, omegaMax);
}

int SurveyBand(const ScaledProblem (&stages)[2],
               double omegaMax,
               PeakDetection (&peaks)[2],
               double* nu,
               int maxAliases) {
  PeakSearch searches[2];
  WindowSearch window;
  PeriodogramTarget targets[3];
  int count = 0;
  bool started[2];
  for (int m = 0; m < 2; ++m) {
    started[m] = StartPeak(stages[m], searches[m]);
    if (started[m]) targets[count++] = searches[m].Target;
  }
  const bool windowed = StartWindow(stages[0], maxAliases, window);
  if (windowed) targets[count++] = window.Target;
  PeriodogramPeaks(stages[0].U, stages[0].Count, omegaMax, targets, count);
  count = 0;
  for (int m = 0; m < 2; ++m) {
    peaks[m] = PeakDetection{0, 0, kNotDetermined};
    if (!started[m]) continue;
    searches[m].Target = targets[count++];
    peaks[m] = FinishPeak(stages[m], searches[m], omegaMax);
  }
  if (!windowed) return 0;
  window.Target = targets[count];
  return FinishWindow(stages[0], window, nu, maxAliases);
}
